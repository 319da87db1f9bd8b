#pragma once
// What the user sees and does of controller learning:
// - a context menu with "Learn controller" and "Learn all outputs" on each of the 32 selectors
//   of the Config page and on each of the 32 controller values of the MIDI page, followed by
//   the entries of the page's own context menu where it has one. A right click on a value steps it
//   up, so there the menu opens with Ctrl held. From the keyboard: the context-menu key or
//   Shift+F10 on a selector or a value; Ctrl+L learns the output whose selector has the focus
//   (output 1 when none has, or ends learning), Ctrl+Shift+L learns all outputs, Escape ends
//   learning;
// - while an output learns, a frame around its selector and around its controller value, and
//   the instruction in the tab row's free corner, which holds no control: nothing moves.
//
// GUI thread only. Built once the pages are; owned by the window.
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <array>

class AssignmentPage;
class ControllerLearn;
class ControllersPage;
class QLabel;
class QPoint;
class QShortcut;
class QTabWidget;
class QWidget;

class LearnControls : public QObject
{
    Q_OBJECT

public:
    LearnControls(ControllerLearn &learn, AssignmentPage &assignments, ControllersPage &controllers,
                  QTabWidget *pages);

    // The learn menu of output (0..31), opened at a global position over one of its controls.
    void ShowMenu(int output, QWidget *over, const QPoint &at);
    // The menu shown last, while it is open; nullptr once it is closed.
    QMenu *OpenMenu() const { return menu_ && menu_->isVisible() ? menu_.data() : nullptr; }

    QLabel *Status = nullptr; // the instruction, in the tab row's corner
    // The frames drawn around the learning output's selector and its controller value.
    std::array<QWidget *, 2> Markers{};
    QShortcut *LearnShortcut = nullptr;    // Ctrl+L
    QShortcut *LearnAllShortcut = nullptr; // Ctrl+Shift+L
    QShortcut *CancelShortcut = nullptr;   // Escape, while learning

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int OutputOf(const QObject *control, bool *isValue = nullptr) const;
    bool FilterValueLabel(QWidget *label, int output, QEvent *event);
    void LearnFocused();
    void Update();
    void ShowStatus();

    // The pages go before the widgets they fill as the window is taken down; from then on the
    // filter lets every event pass.
    bool PagesStand() const { return pagesStand_; }

    ControllerLearn &learn_;
    AssignmentPage &assignments_;
    ControllersPage &controllers_;
    QTabWidget *pages_;
    QPointer<QMenu> menu_;
    QWidget *swallowRelease_ = nullptr; // a value label whose menu press must not step it
    bool pagesStand_ = true;
};

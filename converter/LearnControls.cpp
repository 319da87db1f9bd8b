#include "converter/LearnControls.h"

#include "controls/Kxpotlab.h"
#include "converter/AssignmentPage.h"
#include "converter/ControllerLearn.h"
#include "converter/ControllersPage.h"
#include "converter/FormControls.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>

namespace {

// A frame around a control, drawn over its neighbours' margins; clicks pass through it.
class LearnMarker : public QWidget
{
public:
    static constexpr int Width = 2;

    explicit LearnMarker(QWidget *parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }
    // control stands on the marker's parent.
    void Surround(QWidget *control)
    {
        setGeometry(control->geometry().adjusted(-Width, -Width, Width, Width));
        raise();
        show();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setPen(
            QPen(QColor(255, 64, 0), Width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawRect(
            QRectF(rect()).adjusted(Width / 2.0, Width / 2.0, -Width / 2.0, -Width / 2.0));
    }
};

bool IsShiftF10(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    return key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier;
}

} // namespace

LearnControls::LearnControls(ControllerLearn &learn, AssignmentPage &assignments,
                             ControllersPage &controllers, QTabWidget *pages)
    : QObject(pages), learn_(learn), assignments_(assignments), controllers_(controllers),
      pages_(pages)
{
    setObjectName("LearnControls");
    const auto pageGone = [this] { pagesStand_ = false; };
    connect(&assignments_, &QObject::destroyed, this, pageGone);
    connect(&controllers_, &QObject::destroyed, this, pageGone);
    for (QComboBox *selector : assignments_.ComboBox) {
        selector->installEventFilter(this);
        selector->lineEdit()->installEventFilter(this);
    }
    for (Tkxpotlab *value : controllers_.Controller)
        value->installEventFilter(this);

    // No object names: they are no part of the window's designed controls.
    Markers = {new LearnMarker(assignments_.GroupBox7), new LearnMarker(controllers_.Panel2)};
    Status = new QLabel;
    Status->setFont(form::WindowFont(10));
    Status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Status->setStyleSheet("color: rgb(200, 48, 0)");
    pages_->setCornerWidget(Status, Qt::TopRightCorner);
    Status->hide();

    QWidget *window = pages_->window();
    LearnShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), window);
    LearnAllShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L), window);
    CancelShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    CancelShortcut->setEnabled(false);
    connect(LearnShortcut, &QShortcut::activated, this, &LearnControls::LearnFocused);
    connect(LearnAllShortcut, &QShortcut::activated, &learn_, &ControllerLearn::LearnAll);
    connect(CancelShortcut, &QShortcut::activated, &learn_, &ControllerLearn::Cancel);
    connect(&learn_, &ControllerLearn::Changed, this, &LearnControls::Update);
}

int LearnControls::OutputOf(const QObject *control, bool *isValue) const
{
    for (int n = 0; n < AssignmentPage::OutputCount; ++n) {
        const QComboBox *selector = assignments_.ComboBox[n];
        if (control == selector || control == selector->lineEdit()) {
            if (isValue)
                *isValue = false;
            return n;
        }
        if (control == controllers_.Controller[n]) {
            if (isValue)
                *isValue = true;
            return n;
        }
    }
    return -1;
}

bool LearnControls::eventFilter(QObject *watched, QEvent *event)
{
    if (!PagesStand())
        return false;
    bool isValue = false;
    const int output = OutputOf(watched, &isValue);
    if (output < 0)
        return false;
    auto *control = static_cast<QWidget *>(watched);
    if (isValue)
        return FilterValueLabel(control, output, event);
    if (event->type() == QEvent::ContextMenu) {
        const auto *request = static_cast<QContextMenuEvent *>(event);
        ShowMenu(output, control, request->globalPos());
        return true;
    }
    if (IsShiftF10(event)) {
        ShowMenu(output, control, control->mapToGlobal(control->rect().center()));
        return true;
    }
    return false;
}

bool LearnControls::FilterValueLabel(QWidget *label, int output, QEvent *event)
{
    // A plain right click steps the value up; Ctrl + right button opens the menu instead and
    // the value never sees that press, its release, or the platform's context-menu request.
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto *press = static_cast<QMouseEvent *>(event);
        if (press->button() != Qt::RightButton || !(press->modifiers() & Qt::ControlModifier))
            return false;
        swallowRelease_ = label;
        ShowMenu(output, label, press->globalPosition().toPoint());
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (swallowRelease_ != label ||
            static_cast<QMouseEvent *>(event)->button() != Qt::RightButton)
            return false;
        swallowRelease_ = nullptr;
        return true;
    case QEvent::ContextMenu: {
        // The keyboard's request has no right click to mistake it for: it opens the menu.
        const auto *request = static_cast<QContextMenuEvent *>(event);
        if (request->reason() != QContextMenuEvent::Keyboard)
            return request->modifiers() & Qt::ControlModifier;
        ShowMenu(output, label, label->mapToGlobal(label->rect().center()));
        return true;
    }
    case QEvent::KeyPress:
        if (!IsShiftF10(event))
            return false;
        ShowMenu(output, label, label->mapToGlobal(label->rect().center()));
        return true;
    default:
        return false;
    }
}

void LearnControls::ShowMenu(int output, QWidget *over, const QPoint &at)
{
    if (menu_)
        menu_->close();
    auto *menu = new QMenu(over);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setObjectName("LearnMenu");
    QAction *one = menu->addAction(tr("Learn controller") + "\tCtrl+L");
    one->setObjectName("LearnController");
    one->setCheckable(true);
    one->setChecked(learn_.Output() == output);
    QAction *all = menu->addAction(tr("Learn all outputs") + "\tCtrl+Shift+L");
    all->setObjectName("LearnAllOutputs");
    all->setCheckable(true);
    all->setChecked(learn_.Walking());
    connect(one, &QAction::triggered, &learn_, [this, output] { learn_.Learn(output); });
    connect(all, &QAction::triggered, &learn_, &ControllerLearn::LearnAll);
    // The menu takes the place of the page's own: its entries follow.
    for (QWidget *holder = over->parentWidget(); holder; holder = holder->parentWidget()) {
        if (holder->contextMenuPolicy() == Qt::ActionsContextMenu && !holder->actions().empty()) {
            menu->addSeparator();
            menu->addActions(holder->actions());
            break;
        }
    }
    menu_ = menu;
    menu->popup(at, one);
}

void LearnControls::LearnFocused()
{
    const int focused = OutputOf(QApplication::focusWidget());
    if (focused >= 0)
        learn_.Learn(focused);
    else if (learn_.Output() >= 0)
        learn_.Cancel();
    else
        learn_.Learn(0);
}

void LearnControls::Update()
{
    if (!PagesStand())
        return;
    const int output = learn_.Output();
    CancelShortcut->setEnabled(output >= 0);
    if (output < 0) {
        for (QWidget *marker : Markers)
            marker->hide();
        Status->hide();
        return;
    }
    static_cast<LearnMarker *>(Markers[0])->Surround(assignments_.ComboBox[output]);
    static_cast<LearnMarker *>(Markers[1])->Surround(controllers_.Controller[output]);
    ShowStatus();
}

void LearnControls::ShowStatus()
{
    // The corner beside the tabs holds no control; the text is fitted into it in two lines so
    // that the tabs keep their places, the device name shortened in the middle if need be.
    const int room = pages_->width() - pages_->tabBar()->sizeHint().width() - 6;
    const QString text = learn_.StatusText();
    const qsizetype comma = text.lastIndexOf(QLatin1Char(','));
    QString first = text.left(comma + 1);
    const QString second = text.mid(comma + 1).trimmed();
    const QFontMetrics metrics(Status->font());
    if (metrics.horizontalAdvance(first) > room)
        first = metrics.elidedText(first, Qt::ElideMiddle, room);
    Status->setText(first + QLatin1Char('\n') + second);
    Status->setToolTip(text);
    Status->setFixedWidth(std::max(room, 0));
    Status->show();
    // The tab widget places its corner when it lays itself out.
    QEvent relayout(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(pages_, &relayout);
}

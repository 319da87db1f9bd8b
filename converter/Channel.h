#pragma once
// TForm10, the "Change MIDI Channel " dialog: shows the current channel (potoldcan) and lets
// the user pick the new one (potnewcan). The dialog is created once and reused, so potnewcan
// keeps the value the user left in it for the life of the application.
#include <QDialog>
#include <optional>

class QFrame;
class QLabel;
class QPushButton;
class Tkxpotlab;

class TForm10 : public QDialog
{
    Q_OBJECT

public:
    explicit TForm10(QWidget *parent = nullptr);

    // Centres the dialog on the screen and runs it modally; QDialog::Accepted for "Ok".
    int ShowModal();
    // Runs the dialog with current (1..16) shown as the actual channel: the new channel the
    // user confirmed with "Ok", or nothing.
    std::optional<int> ChooseChannel(int current);

    QLabel *LabelActual = nullptr;
    QFrame *PanelOld = nullptr;
    Tkxpotlab *potoldcan = nullptr;
    QLabel *LabelNew = nullptr;
    QFrame *PanelNew = nullptr;
    Tkxpotlab *potnewcan = nullptr;
    QPushButton *BitBtnCancel = nullptr;
    QPushButton *BitBtnOk = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
};

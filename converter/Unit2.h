#pragma once
// TForm2, the progress window "Send To MIDI ": a small borderless-icon dialog holding one
// horizontal-bar gauge that the preset transfer advances message by message.
//
// The transfer runs on the GUI thread and blocks it for its paced pauses, so nothing here may
// rely on the event loop: ShowProgress returns only once the window is on screen, and every
// repaint is synchronous (QWidget::repaint), painted and flushed before the call returns.
#include "converter/TransferProgress.h"

#include <QDialog>

class TCGauge;

class TForm2 : public QDialog, public TransferProgress
{
    Q_OBJECT

public:
    explicit TForm2(QWidget *parent = nullptr);

    // Not modal: the main window stays enabled. Centres the window on the screen, shows it,
    // and waits (briefly, handling no user input) until the window system has exposed it;
    // a window that is not yet exposed would silently drop every repaint of the transfer.
    void ShowProgress();
    void HideProgress();

    void SetMaxValue(int value);
    void SetProgress(int value);
    // Paints the whole window now and hands it to the screen without the event loop.
    void RepaintNow();

    // A transfer shows the window, advances the gauge message by message and hides it.
    void Started(int total) override;
    void Sent(int sent, int total) override;
    void Finished() override;

    // Owned by the form. Aligned to the top, 328 x 21: the whole client area.
    TCGauge *CGauge1;

private:
    bool IsOnScreen() const;
    void CentreOnScreen();
};

#include "converter/Unit2.h"

#include "controls/Cgauges.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>

namespace {

// How long ShowProgress waits for the window system to expose the window. Exposure normally
// takes one round trip; the limit only keeps a window system that never exposes the window
// (a minimised parent, a hidden desktop) from stalling the transfer.
constexpr int kExposeTimeoutMs = 500;

// The window's font, which the gauge's percentage text inherits: an 8-point sans serif of
// 11 pixels. Families are tried in order; DejaVu Sans stands in where the first is missing.
QFont ProgressFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(11);
    return font;
}

} // namespace

TForm2::TForm2(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      CGauge1(new TCGauge(this))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Send To MIDI "));
    setFont(ProgressFont());

    CGauge1->setObjectName(QStringLiteral("CGauge1"));
    CGauge1->setAccessibleName(QStringLiteral("Transfer progress"));
    CGauge1->setFixedSize(328, 21);
    CGauge1->SetColor(0x40FF00);     // red 0, green 255, blue 64
    CGauge1->SetForeColor(0x00FF00); // lime
    CGauge1->SetBackColor(0x808040); // red 64, green 128, blue 128

    // The window takes the size of its content: the client area is exactly the gauge.
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(CGauge1, 0, Qt::AlignTop);
    layout->activate();
}

void TForm2::ShowProgress()
{
    CentreOnScreen();
    show();
    // Only the window system's own events (expose, geometry) and posted events are handled
    // here; user input stays queued until the caller returns to the event loop.
    QElapsedTimer waited;
    waited.start();
    while (!IsOnScreen() && waited.elapsed() < kExposeTimeoutMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (!IsOnScreen())
            QThread::msleep(1);
    }
    // The frame's size is known only once the window system has framed the window; the first
    // show centred the client area alone.
    const QSize framed = frameGeometry().size();
    if (framed != size())
        CentreOnScreen();
}

void TForm2::HideProgress()
{
    hide();
}

void TForm2::SetMaxValue(int value)
{
    CGauge1->SetMaxValue(value);
}

void TForm2::SetProgress(int value)
{
    CGauge1->SetProgress(value);
}

void TForm2::RepaintNow()
{
    repaint();
}

void TForm2::Started(int total)
{
    ShowProgress();
    SetProgress(0);
    // Two steps more than the messages: after the last one the bar stands at 32 of 34 (94 %)
    // when the window goes, as the box's own documentation shows it.
    SetMaxValue(total + 2);
}

void TForm2::Sent(int sent, int)
{
    SetProgress(sent);
    RepaintNow();
}

void TForm2::Finished()
{
    HideProgress();
}

bool TForm2::IsOnScreen() const
{
    // Both flags: a window shown again after a hide can still report exposed from before
    // while Qt has not mapped the widget yet, and repaints are dropped until it has.
    return windowHandle() && windowHandle()->isExposed() && testAttribute(Qt::WA_Mapped);
}

void TForm2::CentreOnScreen()
{
    QScreen *target = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!target)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(target->availableGeometry().center());
    move(frame.topLeft());
}

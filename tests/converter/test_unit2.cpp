// TForm2, the progress window: its fixed layout, and that a transfer which never returns to
// the event loop still gets every step of the gauge onto the screen.
#include "converter/Unit2.h"

#include "controls/Cgauges.h"
#include "support/WidgetProbes.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

constexpr QRgb kLime = 0xFF00FF00u;
constexpr QRgb kBack = 0xFF408080u; // red 64, green 128, blue 128
constexpr QRgb kMagenta = 0xFFFF00FFu;

// What the window system holds for the window (the offscreen platform's backing store), not a
// fresh rendering: grab() would paint anew and hide a repaint that never happened.
QImage OnScreen(const TForm2 &form)
{
    return form.screen()->grabWindow(form.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(TForm2Layout, DialogWithoutBorderIconsHoldingOnlyTheGauge)
{
    TForm2 form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Send To MIDI "));
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.isModal());

    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint) << "only the hints given are shown";
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    for (const Qt::WindowType icon :
         {Qt::WindowCloseButtonHint, Qt::WindowSystemMenuHint, Qt::WindowMinimizeButtonHint,
          Qt::WindowMaximizeButtonHint, Qt::WindowContextHelpButtonHint})
        EXPECT_FALSE(flags & icon) << std::hex << icon;

    EXPECT_EQ(form.size(), QSize(328, 21));
    ASSERT_NE(form.CGauge1, nullptr);
    EXPECT_EQ(form.CGauge1->objectName(), QStringLiteral("CGauge1"));
    EXPECT_EQ(form.CGauge1->parentWidget(), &form);
    EXPECT_EQ(form.CGauge1->geometry(), QRect(0, 0, 328, 21));
    EXPECT_EQ(form.CGauge1->Kind(), gkHorizontalBar);
    EXPECT_TRUE(form.CGauge1->ShowText());
    EXPECT_EQ(form.CGauge1->BorderStyle(), bsSingle);
    EXPECT_EQ(form.CGauge1->ForeColor(), 0x00FF00u);
    EXPECT_EQ(form.CGauge1->BackColor(), 0x808040u);
    EXPECT_EQ(form.CGauge1->Color(), 0x40FF00u);
    EXPECT_FALSE(form.CGauge1->ParentColor());
    // The percentage is written in the window's font, which must resolve on this machine.
    EXPECT_EQ(QFontInfo(form.CGauge1->font()).pixelSize(), 11);

    form.SetMaxValue(34);
    EXPECT_EQ(form.CGauge1->MaxValue(), 34);
}

TEST(TForm2Transfer, EveryStepReachesTheScreenWithoutTheEventLoop)
{
    TForm2 form;
    // Nothing below returns to the event loop, as in a paced transfer.
    form.ShowProgress();
    ASSERT_TRUE(form.isVisible());
    ASSERT_TRUE(form.windowHandle()->isExposed()) << "repaints would be dropped";
    const QRect screen = form.screen()->availableGeometry();
    // Centred with its frame, which the offscreen platform draws 2 pixels wide.
    EXPECT_LE((form.frameGeometry().center() - screen.center()).manhattanLength(), 1);

    form.SetProgress(0);
    form.SetMaxValue(34);
    struct Step
    {
        int progress;
        int lastLimeColumn; // L − 1 with L = ⌊percent × 327 / 100⌋
    };
    // clang-format off
    const Step steps[] = {
        {1, 5},
        {17, 162},
        {32, 306},
    };
    // clang-format on
    for (const Step &step : steps) {
        form.SetProgress(step.progress);
        form.RepaintNow();
        const QImage shown = OnScreen(form);
        ASSERT_EQ(shown.size(), QSize(328, 21));
        EXPECT_EQ(shown.pixel(step.lastLimeColumn, 2) | 0xFF000000u, kLime) << step.progress;
        EXPECT_EQ(shown.pixel(step.lastLimeColumn + 1, 2) | 0xFF000000u, kBack) << step.progress;
        EXPECT_EQ(form.grab().toImage().pixel(step.lastLimeColumn, 2) | 0xFF000000u, kLime);
    }
    EXPECT_GT(CountOf(OnScreen(form), kMagenta), 10) << "94% written over the bar";

    // The gauge's own write repaints at once too, without RepaintNow.
    form.SetProgress(34);
    EXPECT_EQ(OnScreen(form).pixel(320, 2) | 0xFF000000u, kLime);

    form.HideProgress();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.CGauge1->Progress(), 34) << "kept until the next transfer resets it";

    // Shown again for the next transfer: on screen at once, not after an event-loop pass.
    form.ShowProgress();
    form.SetProgress(0);
    EXPECT_EQ(OnScreen(form).pixel(100, 2) | 0xFF000000u, kBack);
    form.HideProgress();
}

} // namespace

// TkxSampleTank at its construction size, 100 x 80 with Max 256: plot positions, the painted
// picture (read back from grab()), the gradient bands, and the pointer rules driven by real
// mouse events.
#include "controls/Kxsampletank.h"
#include "support/WidgetProbes.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

using namespace sampletank;

namespace {

// Only the plain background and what a test switches back on.
void ClearDecorations(TkxSampleTank &tank)
{
    tank.SetAxesEnabled(false);
    tank.SetAxes2Enabled(false);
    tank.SetLocatorEnabled(false);
    tank.SetMarkerSize(0);
}

int TopmostRow(const QImage &image, int column, QRgb color)
{
    for (int y = 0; y < image.height(); ++y)
        if (image.pixel(column, y) == color)
            return y;
    return -1;
}

} // namespace

TEST(SampleTankGeometry, MulDivRoundsHalvesAwayFromZero)
{
    EXPECT_EQ(MulDiv(5, 1, 2), 3);
    EXPECT_EQ(MulDiv(-5, 1, 2), -3);
    EXPECT_EQ(MulDiv(5, 1, -2), -3);
    EXPECT_EQ(MulDiv(2, 40, 32), 3); // 2.5
    EXPECT_EQ(MulDiv(7, 40, 32), 9); // 8.75
    EXPECT_EQ(MulDiv(1, 40, 32), 1); // 1.25
    EXPECT_EQ(MulDiv(1, -127, 2), -64);
    EXPECT_EQ(MulDiv(0x7fffffff, 0x7fffffff, 0x7fffffff), 0x7fffffff);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

TEST(SampleTankGeometry, PlotAndPointerMappingAt100x80)
{
    EXPECT_EQ(PlotX(0, 100, 256), 2);
    EXPECT_EQ(PlotX(255, 100, 256), 99);
    EXPECT_EQ(PlotX(128, 100, 256), 51);
    EXPECT_EQ(PlotY(0, 80), 79);
    EXPECT_EQ(PlotY(128, 80), 40);
    EXPECT_EQ(PlotY(255, 80), 1);
    EXPECT_EQ(DragIndex(52, 100, 256), 131);
    EXPECT_EQ(SweepIndex(52, 100, 256), 131);
    EXPECT_EQ(SweepIndex(0, 100, 256), -5);
    EXPECT_GT(PlotX(std::int64_t{1} << 40, 100, 256), 100); // far off the plot, no overflow
}

TEST(SampleTankPicture, AxesAndQuarterLinesAreDottedOnTheirRows)
{
    TkxSampleTank tank;
    const QImage on = Picture(tank);
    const QRgb axes = Pixel(tank.AxesColor());
    const QRgb quarter = Pixel(tank.Axes2Color());
    const QRgb background = Pixel(tank.Color());
    // 3 on, 3 off from the start of each line.
    for (int y : {0, 1, 2, 6})
        EXPECT_EQ(on.pixel(49, y), axes) << y;
    EXPECT_EQ(on.pixel(49, 3), background);
    for (int x : {0, 1, 6}) // column 2 is the locator's
        EXPECT_EQ(on.pixel(x, 39), axes) << x;
    EXPECT_EQ(on.pixel(4, 39), background);
    for (int row : {19, 59})
        EXPECT_EQ(on.pixel(0, row), quarter) << row;
    EXPECT_EQ(on.pixel(0, 18), background);
    EXPECT_EQ(on.pixel(98, 49), background); // the line stops before its end point (99, 49)

    tank.SetAxesEnabled(false);
    const QImage off = Picture(tank);
    EXPECT_EQ(off.pixel(0, 39), quarter);
    EXPECT_EQ(off.pixel(49, 0), background);
}

TEST(SampleTankPicture, ValuesArePlottedAtTheirRows)
{
    struct Case
    {
        int index, value, row;
    };
    // clang-format off
    const Case cases[] = {
        {10, 0, 79},
        {100, 128, 40},
        {200, 255, 1},
    };
    // clang-format on
    TkxSampleTank tank;
    std::vector<quint8> values(256, 0);
    for (const Case &c : cases)
        values[c.index] = static_cast<quint8>(c.value);
    tank.SetValues(values);
    tank.SetAxesEnabled(false);
    tank.SetAxes2Enabled(false);
    tank.SetLocatorEnabled(false);
    const QImage line = Picture(tank);
    tank.SetMarkerSize(0);
    tank.SetSpectrumMode(true);
    const QImage bars = Picture(tank);
    for (const Case &c : cases) {
        const int x = PlotX(c.index, 100, 256);
        // The marker of half-size 1 covers x - 1..x, row - 1..row; the bar starts at the row.
        EXPECT_EQ(line.pixel(x, c.row), Pixel(tank.MarkerColor())) << c.index;
        EXPECT_EQ(line.pixel(x - 1, c.row - 1), Pixel(tank.MarkerColor())) << c.index;
        if (c.value > 0) {
            EXPECT_EQ(TopmostRow(bars, x, Pixel(tank.LineColor())), c.row) << c.index;
        }
    }
}

TEST(SampleTankPicture, LocatorColumn)
{
    TkxSampleTank tank;
    const QRgb locator = Pixel(tank.LocatorColor());
    for (auto [pos, column] : {std::pair{128, 51}, {0, 2}}) {
        tank.SetLocatorPos(pos);
        const QImage image = Picture(tank);
        EXPECT_EQ(image.pixel(column, 3), locator) << pos;
        EXPECT_EQ(image.pixel(column, 75), locator) << pos;
        EXPECT_NE(image.pixel(column, 2), locator) << pos;
        EXPECT_NE(image.pixel(column, 76), locator) << pos;
    }
}

// Inversion and exclusive-or cover columns x(pos)..x(pos + len) - 1 and every row but the last.
TEST(SampleTankPicture, SelectionBandByInversionOrXor)
{
    TkxSampleTank tank;
    tank.SetSelectionColor(0x00ff00);
    const QImage plain = Picture(tank);
    const int left = PlotX(10, 100, 256);
    const int right = PlotX(40, 100, 256);
    tank.SetSelectionPos(10);
    tank.SetSelectionLen(30);
    for (int style : {0, 1, 7}) {
        tank.SetSelectionStyle(style);
        const QImage image = Picture(tank);
        const QRgb mask = style == 1 ? Pixel(0x00ff00) : 0xffffffu;
        for (int x : {left - 1, left, right - 1, right})
            for (int y : {0, 39, 78, 79}) {
                const bool inside = x >= left && x < right && y < 79;
                const QRgb expected =
                    inside ? ((plain.pixel(x, y) ^ mask) | 0xff000000u) : plain.pixel(x, y);
                EXPECT_EQ(image.pixel(x, y), expected) << style << " " << x << "," << y;
            }
    }
}

TEST(SampleTankPicture, InitialGradientBands)
{
    TkxSampleTank tank;
    ClearDecorations(tank);
    tank.SetSpectrumMode(true); // values 0 draw empty bars: nothing covers the background
    tank.SetGradientEnabled(true);
    const QImage image = Picture(tank);
    for (int k = 0; k < 32; ++k)
        EXPECT_EQ(image.pixel(50, MulDiv(k, 40, 32)), qRgb(0, 0, 4 * k)) << k;
    EXPECT_EQ(image.pixel(50, 40), qRgb(0, 0, 128));
    EXPECT_EQ(image.pixel(50, 79), qRgb(0, 0, 4));
    EXPECT_EQ(image.pixel(0, 79), image.pixel(99, 79));

    for (int ignored : {1, 257, -3}) {
        tank.SetGradientNbOfColors(ignored);
        EXPECT_EQ(tank.GradientNbOfColors(), 64) << ignored;
    }
    EXPECT_EQ(Picture(tank), image);

    tank.SetGradientNbOfColors(0); // one band per row: 40 bands in the upper half
    const QImage perRow = Picture(tank);
    EXPECT_EQ(tank.GradientNbOfColors(), 0);
    EXPECT_EQ(perRow.pixel(0, 1), qRgb(0, 0, 3));
    EXPECT_EQ(perRow.pixel(0, 39), qRgb(0, 0, 125));
}

TEST(SampleTankPicture, GradientFollowsTypeColorAndSize)
{
    TkxSampleTank tank;
    ClearDecorations(tank);
    tank.SetSpectrumMode(true);
    tank.SetGradientEnabled(true);
    tank.SetGradientType(grxLeftToRight); // navy -> mid colour (blue 64) -> black, across
    QImage image = Picture(tank);
    EXPECT_EQ(image.pixel(0, 40), qRgb(0, 0, 128));
    EXPECT_EQ(image.pixel(50, 40), qRgb(0, 0, 64));
    EXPECT_EQ(image.pixel(99, 0), qRgb(0, 0, 2));

    tank.SetColor(0x0000ff); // red at the far end
    image = Picture(tank);
    EXPECT_EQ(image.pixel(99, 0), qRgb(251, 0, 2));

    tank.SetGradientType(grxVertCenterToBorder);
    tank.SetColor(0);
    tank.resize(100, 160); // rebuilt at the new size, not cut off
    image = Picture(tank);
    EXPECT_EQ(image.pixel(0, 80), qRgb(0, 0, 128));
    EXPECT_EQ(image.pixel(0, 159), qRgb(0, 0, 4));
}

TEST(SampleTankPicture, SystemColourComesFromThePalette)
{
    TkxSampleTank tank;
    ClearDecorations(tank);
    tank.SetSpectrumMode(true);
    QPalette palette = tank.palette();
    palette.setColor(QPalette::Button, QColor(12, 34, 56));
    tank.setPalette(palette);
    tank.SetColor(0x80000000u + 15); // button face
    EXPECT_EQ(Picture(tank).pixel(10, 10), qRgb(12, 34, 56));
}

TEST(SampleTankPointer, RightPressAndReleaseEditsTheValueUnderThePointer)
{
    TkxSampleTank tank;
    Picture(tank);
    QSignalSpy changes(&tank, &TkxSampleTank::OnChange);
    QSignalSpy others(&tank, &TkxSampleTank::OnSelectorChange);
    QTest::mousePress(&tank, Qt::RightButton, {}, QPoint(52, 20));
    QTest::mouseRelease(&tank, Qt::RightButton, {}, QPoint(52, 20));
    EXPECT_EQ(tank.Values()[131], 193);
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(0).value<TkxSampleTank *>(), &tank);
    EXPECT_EQ(others.count(), 0);
    const QImage image = Picture(tank);
    EXPECT_EQ(image.pixel(52, 20), Pixel(tank.MarkerColor()));
    EXPECT_NE(image.pixel(52, 18), Pixel(tank.MarkerColor()));
}

// Row 0 lies above value 255's row 1: a wrap modulo 256 would turn value 0 into 3 there.
TEST(SampleTankPointer, RightEditClampsOutsideThePlotAndIgnoresTheRightEdge)
{
    struct Case
    {
        int start, x, y, expected;
    };
    // clang-format off
    const Case cases[] = {
        {0, 52, 0, 255},
        {250, 52, -5, 255},
        {200, 52, 100, 0},
        {60, 99, 20, 60},
    };
    // clang-format on
    for (const Case &c : cases) {
        TkxSampleTank tank;
        std::vector<quint8> values(256, static_cast<quint8>(c.start));
        tank.SetValues(values);
        QSignalSpy changes(&tank, &TkxSampleTank::OnChange);
        QTest::mousePress(&tank, Qt::RightButton, {}, QPoint(c.x, 20));
        QTest::mouseRelease(&tank, Qt::RightButton, {}, QPoint(c.x, c.y));
        EXPECT_EQ(tank.Values()[DragIndex(c.x, 100, 256)], c.expected) << c.y;
        EXPECT_EQ(changes.count(), c.x <= 98 ? 1 : 0) << c.x;
    }
}

TEST(SampleTankPointer, AlwayDetectDecidesWhetherMovesSignal)
{
    for (bool always : {true, false}) {
        TkxSampleTank tank;
        tank.SetAlwayDetect(always);
        QSignalSpy changes(&tank, &TkxSampleTank::OnChange);
        QTest::mousePress(&tank, Qt::RightButton, {}, QPoint(30, 60));
        QTest::mouseMove(&tank, QPoint(40, 50));
        QTest::mouseMove(&tank, QPoint(50, 40));
        QTest::mouseRelease(&tank, Qt::RightButton, {}, QPoint(50, 40));
        EXPECT_EQ(changes.count(), always ? 3 : 1);
    }
}

TEST(SampleTankPointer, LeftPressGrabsTheLocatorOnlyNearIt)
{
    struct Case
    {
        int locator, x;
        bool grabbed;
    };
    // clang-format off
    const Case cases[] = {
        {128, 47, false},
        {128, 48, true},
        {128, 49, true},
        {128, 50, true},
        {128, 51, false},
        {0, 0, true},
        {0, 1, true},
        {0, 2, false},
    };
    // clang-format on
    for (const Case &c : cases) {
        TkxSampleTank tank;
        tank.SetLocatorPos(c.locator);
        QSignalSpy locator(&tank, &TkxSampleTank::OnLocatorChange);
        QSignalSpy selector(&tank, &TkxSampleTank::OnSelectorChange);
        QTest::mousePress(&tank, Qt::LeftButton, {}, QPoint(c.x, 40));
        QTest::mouseMove(&tank, QPoint(80, 40));
        QTest::mouseRelease(&tank, Qt::LeftButton, {}, QPoint(80, 40));
        EXPECT_EQ(locator.count(), c.grabbed ? 2 : 0) << c.locator << " at " << c.x;
        EXPECT_EQ(selector.count(), c.grabbed ? 0 : 2) << c.locator << " at " << c.x;
        EXPECT_EQ(tank.LocatorPos(), c.grabbed ? 205 : c.locator) << c.x;
    }
}

TEST(SampleTankPointer, LocatorDragStaysInRangeAndIsDrawn)
{
    TkxSampleTank tank;
    tank.SetMax(100);
    tank.SetLocatorPos(50);
    const int x = PlotX(50, 100, 100);
    QTest::mousePress(&tank, Qt::LeftButton, {}, QPoint(x, 40));
    QTest::mouseMove(&tank, QPoint(-30, 40));
    EXPECT_EQ(tank.LocatorPos(), 0);
    QTest::mouseMove(&tank, QPoint(300, 40));
    EXPECT_EQ(tank.LocatorPos(), 99);
    QTest::mouseRelease(&tank, Qt::LeftButton, {}, QPoint(300, 40));
    EXPECT_EQ(Picture(tank).pixel(PlotX(99, 100, 100), 40), Pixel(tank.LocatorColor()));
}

TEST(SampleTankPointer, SelectionPressAndRelease)
{
    TkxSampleTank tank;
    const QImage before = Picture(tank);
    QSignalSpy selector(&tank, &TkxSampleTank::OnSelectorChange);
    QTest::mousePress(&tank, Qt::LeftButton, {}, QPoint(52, 40));
    QTest::mouseRelease(&tank, Qt::LeftButton, {}, QPoint(52, 40));
    EXPECT_EQ(tank.SelectionPos(), 131);
    EXPECT_EQ(tank.SelectionLen(), 0);
    EXPECT_EQ(selector.count(), 1);
    EXPECT_EQ(Picture(tank), before);

    // A sweep to the right selects up to the pointer; back left of the start it is empty.
    QTest::mousePress(&tank, Qt::LeftButton, {}, QPoint(52, 40));
    QTest::mouseMove(&tank, QPoint(70, 40));
    EXPECT_EQ(tank.SelectionLen(), 48);
    EXPECT_NE(Picture(tank).pixel(60, 10), before.pixel(60, 10));
    QTest::mouseMove(&tank, QPoint(20, 40));
    QTest::mouseRelease(&tank, Qt::LeftButton, {}, QPoint(20, 40));
    EXPECT_EQ(tank.SelectionLen(), 0);

    // Left of the first point the selection starts at index 0.
    tank.SetLocatorPos(128);
    QTest::mousePress(&tank, Qt::LeftButton, {}, QPoint(0, 40));
    EXPECT_EQ(tank.SelectionPos(), 0);
    QTest::mouseRelease(&tank, Qt::LeftButton, {}, QPoint(0, 40));
}

TEST(SampleTankPointer, RightPressTakesTheFocus)
{
    QWidget window;
    QWidget other(&window);
    other.setFocusPolicy(Qt::StrongFocus);
    TkxSampleTank tank(&window);
    tank.move(0, 30);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    other.setFocus();
    ASSERT_TRUE(other.hasFocus());
    QTest::mousePress(&tank, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_TRUE(tank.hasFocus());
    QTest::mouseRelease(&tank, Qt::RightButton, {}, QPoint(10, 10));
}

// Setters repaint once when the value changes and not at all otherwise; filling the values
// always repaints once.
TEST(SampleTankState, WritesRepaintOnceOnlyWhenChanged)
{
    struct Case
    {
        const char *name;
        void (*write)(TkxSampleTank &);
        int paints;
    };
    // clang-format off
    const Case cases[] = {
        {"same colour", [](TkxSampleTank &t) { t.SetLineColor(0x808000); }, 0},
        {"new colour", [](TkxSampleTank &t) { t.SetLineColor(0x0000ff); }, 1},
        {"nb of colours 1", [](TkxSampleTank &t) { t.SetGradientNbOfColors(1); }, 0},
        {"nb of colours 0", [](TkxSampleTank &t) { t.SetGradientNbOfColors(0); }, 1},
        {"always detect", [](TkxSampleTank &t) { t.SetAlwayDetect(false); }, 0},
        {"fill values", [](TkxSampleTank &t) { t.SetValues(std::vector<quint8>(300, 7)); }, 1},
    };
    // clang-format on
    for (const Case &c : cases) {
        TkxSampleTank tank;
        tank.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&tank));
        PaintCounter counter;
        tank.installEventFilter(&counter);
        c.write(tank);
        EXPECT_EQ(counter.paints, c.paints) << c.name;
    }
}

TEST(SampleTankState, OutOfRangeSettingsStaySafe)
{
    TkxSampleTank tank;
    tank.SetMax(0);
    EXPECT_EQ(tank.Max(), 1);
    tank.SetMax(1000);
    EXPECT_EQ(tank.Max(), 256);
    tank.SetLocatorPos(-1000000000);
    tank.SetSelectionPos(2000000000);
    tank.SetSelectionLen(2000000000);
    tank.SetMarkerSize(2000000000);
    tank.SetLocatorSize(-2000000000);
    EXPECT_EQ(tank.LocatorPos(), -1000000000);
    EXPECT_FALSE(Picture(tank).isNull());

    for (int width : {2, 1}) {
        tank.resize(width, 80);
        QSignalSpy locator(&tank, &TkxSampleTank::OnLocatorChange);
        QSignalSpy changes(&tank, &TkxSampleTank::OnChange);
        QTest::mousePress(&tank, Qt::LeftButton, {}, QPoint(0, 10));
        QTest::mouseRelease(&tank, Qt::LeftButton, {}, QPoint(0, 10));
        QTest::mousePress(&tank, Qt::RightButton, {}, QPoint(0, 10));
        QTest::mouseRelease(&tank, Qt::RightButton, {}, QPoint(0, 10));
        EXPECT_EQ(locator.count() + changes.count(), 0) << width;
        EXPECT_EQ(Picture(tank).width(), width);
    }
}

// TCGauge: its arithmetic, the setter rules (refusals, clamping, which writes repaint, counted
// as real paint events), and each kind's body and the inverted percentage text on rendered
// pixels.
#include "controls/Cgauges.h"
#include "support/WidgetProbes.h"

#include <QEvent>
#include <QFontMetrics>
#include <QImage>
#include <QTest>
#include <climits>
#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t kFore = 0x0000FF;     // red
constexpr std::uint32_t kBack = 0xFF0000;     // blue
constexpr std::uint32_t kSurround = 0x00FF00; // green

QRgb At(const QImage &image, int x, int y)
{
    return image.pixel(x, y) | 0xFF000000u;
}

// A gauge with distinct colours and no text, so that every pixel names the part it belongs to.
struct Gauge
{
    TCGauge gauge;

    Gauge(int width, int height, TCGaugeKind kind, TFormBorderStyle border = bsSingle)
    {
        gauge.resize(width, height);
        gauge.SetKind(kind);
        gauge.SetBorderStyle(border);
        gauge.SetShowText(false);
        gauge.SetForeColor(kFore);
        gauge.SetBackColor(kBack);
        gauge.SetColor(kSurround);
    }
    QImage Render(int percent)
    {
        gauge.SetProgress(percent);
        return Picture(gauge);
    }
};

// One pixel of a gauge of the given size, frame and range, rendered at a progress.
struct Probe
{
    const char *what;
    int width, height;
    TFormBorderStyle border;
    int max, progress, x, y;
    std::uint32_t colour;
};

void ExpectProbes(TCGaugeKind kind, std::initializer_list<Probe> probes)
{
    for (const Probe &p : probes) {
        Gauge g(p.width, p.height, kind, p.border);
        g.gauge.SetMaxValue(p.max);
        EXPECT_EQ(At(g.Render(p.progress), p.x, p.y), Pixel(p.colour)) << p.what;
    }
}

// ---------------------------------------------------------------------------------------
// Arithmetic

TEST(GaugeGeometry, PercentDoneIsFloorOfTheShareAndZeroForAnEmptyRange)
{
    struct Case
    {
        std::int32_t min, max, progress;
        int percent;
    };
    // clang-format off
    const Case cases[] = {
        {0, 34, 32, 94},
        {0, 1000, 9, 0},
        {0, 1000, 10, 1},
        {-10, 10, 9, 95},
        {5, 5, 5, 0},
        // The full 32-bit span must not overflow into a negative range.
        {INT_MIN, INT_MAX, 0, 50},
        {INT_MIN, INT_MAX, INT_MAX, 100},
    };
    // clang-format on
    for (const Case &c : cases)
        EXPECT_EQ(GaugePercentDone(c.min, c.max, c.progress), c.percent)
            << c.min << ".." << c.max << " at " << c.progress;
}

// ---------------------------------------------------------------------------------------
// Setter rules

TEST(TCGaugeValues, RefusedRangeWritesNameTheAllowedRangeAndChangeNothing)
{
    struct Case
    {
        const char *name;
        std::function<void(TCGauge &)> write;
        const char *message;
    };
    // clang-format off
    const Case cases[] = {
        {"MinValue above MaxValue", [](TCGauge &g) { g.SetMinValue(200); }, "La valeur doit être comprise entre -2147483647 et 99"},
        {"MaxValue below MinValue", [](TCGauge &g) { g.SetMaxValue(-1); }, "La valeur doit être comprise entre 1 et 2147483647"},
    };
    // clang-format on
    for (const Case &c : cases) {
        TCGauge gauge;
        gauge.SetProgress(40);
        try {
            c.write(gauge);
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const EGaugeRangeError &e) {
            EXPECT_STREQ(e.what(), c.message) << c.name;
        }
        EXPECT_EQ(gauge.MinValue(), 0) << c.name;
        EXPECT_EQ(gauge.MaxValue(), 100) << c.name;
        EXPECT_EQ(gauge.Progress(), 40) << c.name;
    }
}

TEST(TCGaugeValues, ProgressStaysInsideTheRange)
{
    TCGauge gauge;
    gauge.SetMaxValue(34);
    gauge.SetProgress(-5);
    EXPECT_EQ(gauge.Progress(), 0);
    gauge.SetProgress(50);
    EXPECT_EQ(gauge.Progress(), 34);

    gauge.SetMaxValue(20); // lowering the maximum pulls Progress down
    EXPECT_EQ(gauge.Progress(), 20);
    gauge.SetMinValue(-10);
    gauge.SetProgress(-10);
    gauge.SetMinValue(5); // raising the minimum pulls it up
    EXPECT_EQ(gauge.Progress(), 5);

    gauge.SetMinValue(20); // an empty range is allowed and shows 0 %
    EXPECT_EQ(gauge.Progress(), 20);
    EXPECT_EQ(gauge.GetPercentDone(), 0);

    // A step that would wrap a 32-bit sum saturates at the bound it heads for.
    gauge.SetMaxValue(INT_MAX);
    gauge.SetProgress(INT_MAX - 1);
    gauge.AddProgress(INT_MAX);
    EXPECT_EQ(gauge.Progress(), INT_MAX);
}

TEST(TCGaugeValues, MaxValueZeroIsIgnoredWhateverTheRange)
{
    for (const std::int32_t min : {0, -10}) {
        TCGauge gauge;
        gauge.SetMinValue(min);
        gauge.SetProgress(60);
        gauge.SetMaxValue(0);
        EXPECT_EQ(gauge.MaxValue(), 100) << "min " << min;
        EXPECT_EQ(gauge.Progress(), 60) << "min " << min;
    }
}

TEST(TCGaugeRepaint, OnlyWritesThatChangeWhatIsShownPaint)
{
    struct Case
    {
        const char *name;
        std::int32_t max, progress;
        std::function<void(TCGauge &)> write;
        int paints;
    };
    // clang-format off
    const Case cases[] = {
        {"progress step within one percent", 1000, 1, [](TCGauge &g) { g.SetProgress(2); }, 0},
        {"progress step into the next percent", 1000, 9, [](TCGauge &g) { g.SetProgress(10); }, 1},
        {"add within one percent still paints", 1000, 1, [](TCGauge &g) { g.AddProgress(1); }, 1},
        {"add into the next percent paints twice", 1000, 0, [](TCGauge &g) { g.AddProgress(10); }, 2},
        {"same maximum again", 100, 5, [](TCGauge &g) { g.SetMaxValue(100); }, 1},
        {"maximum 0", 100, 5, [](TCGauge &g) { g.SetMaxValue(0); }, 0},
        {"refused minimum", 100, 5, [](TCGauge &g) { EXPECT_THROW(g.SetMinValue(101), EGaugeRangeError); }, 0},
        {"other kind", 100, 5, [](TCGauge &g) { g.SetKind(gkPie); }, 1},
        {"same fore colour", 100, 5, [](TCGauge &g) { g.SetForeColor(0); }, 0},
        {"other back colour", 100, 5, [](TCGauge &g) { g.SetBackColor(0x123456); }, 1},
    };
    // clang-format on
    for (const Case &c : cases) {
        TCGauge gauge;
        gauge.resize(328, 21);
        gauge.SetMaxValue(c.max);
        gauge.SetProgress(c.progress);
        gauge.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&gauge));
        QCoreApplication::processEvents();
        PaintCounter counter;
        gauge.installEventFilter(&counter);
        // No event processing in between: each counted paint happened inside the write.
        c.write(gauge);
        EXPECT_EQ(counter.paints, c.paints) << c.name;
    }
}

// ---------------------------------------------------------------------------------------
// Bodies on rendered pixels

TEST(TCGaugePaint, HorizontalBarFillsUpToItsLengthInsideTheFrame)
{
    Gauge g(328, 21, gkHorizontalBar);
    g.gauge.SetMaxValue(34);
    const QImage at94 = g.Render(32);
    for (int x = 0; x < 328; ++x) {
        const QRgb expected = x == 0 || x == 327 ? qRgb(0, 0, 0)
                              : x < 307          ? Pixel(kFore)
                                                 : Pixel(kBack);
        ASSERT_EQ(At(at94, x, 10), expected) << "x " << x;
        ASSERT_EQ(At(at94, x, 0), qRgb(0, 0, 0)) << "top frame at x " << x;
        ASSERT_EQ(At(at94, x, 20), qRgb(0, 0, 0)) << "bottom frame at x " << x;
    }
    // clang-format off
    ExpectProbes(gkHorizontalBar, {
        {"0 % draws no bar", 328, 21, bsSingle, 34, 0, 1, 10, kBack},
        {"full: bottom right", 328, 21, bsSingle, 34, 34, 326, 19, kFore},
        {"full: top left", 328, 21, bsSingle, 34, 34, 1, 1, kFore},
        // 29 % of a 100-pixel bar is 29 pixels, not the 28 that 29 × 0.01 × 100 gives in doubles.
        {"29 %: its last column", 101, 10, bsSingle, 100, 29, 28, 5, kFore},
        {"29 %: the next column", 101, 10, bsSingle, 100, 29, 29, 5, kBack},
        {"no frame: top left", 328, 21, bsNone, 100, 100, 0, 0, kFore},
        {"no frame: bottom right", 328, 21, bsNone, 100, 100, 327, 20, kFore},
    });
    // clang-format on
}

TEST(TCGaugePaint, VerticalBarGrowsUpAndSparesTheTopRowWithoutAFrame)
{
    // clang-format off
    ExpectProbes(gkVerticalBar, {
        // 50 %: 10 of 20 rows, rows 10..19.
        {"50 %: the row above", 328, 21, bsSingle, 100, 50, 100, 9, kBack},
        {"50 %: its top row", 328, 21, bsSingle, 100, 50, 100, 10, kFore},
        {"50 %: its bottom row", 328, 21, bsSingle, 100, 50, 100, 19, kFore},
        {"full: top left", 328, 21, bsSingle, 100, 100, 1, 1, kFore},
        {"full: top right", 328, 21, bsSingle, 100, 100, 326, 1, kFore},
        {"no frame: the top row stays", 328, 21, bsNone, 100, 100, 5, 0, kBack},
        {"no frame: the row below fills", 328, 21, bsNone, 100, 100, 5, 1, kFore},
    });
    // clang-format on
}

TEST(TCGaugePaint, PieGrowsClockwiseFromTwelveOClock)
{
    // Probes a third of the way in from the centre of a 100 x 100 dial, one per quadrant.
    const QPoint ne{68, 32}, se{68, 68}, sw{32, 68}, nw{32, 32};
    struct Case
    {
        int percent;
        bool ne, se, sw, nw; // filled in the fore colour
    };
    // clang-format off
    const Case cases[] = {
        {0, false, false, false, false},
        {25, true, false, false, false},
        {50, true, true, false, false},
        {75, true, true, true, false},
        {100, true, true, true, true},
    };
    // clang-format on
    Gauge g(100, 100, gkPie);
    for (const Case &c : cases) {
        const QImage image = g.Render(c.percent);
        auto expect = [&](QPoint p, bool filled, const char *where) {
            EXPECT_EQ(At(image, p.x(), p.y()), filled ? Pixel(kFore) : Pixel(kBack))
                << c.percent << " % at " << where;
        };
        expect(ne, c.ne, "NE");
        expect(se, c.se, "SE");
        expect(sw, c.sw, "SW");
        expect(nw, c.nw, "NW");
        EXPECT_EQ(At(image, 3, 3), Pixel(kSurround)) << c.percent << " % corner";
        EXPECT_EQ(At(image, 0, 0), qRgb(0, 0, 0)) << c.percent << " % frame";
        EXPECT_EQ(At(image, 50, 1), Pixel(kFore)) << c.percent << " % dial outline";
    }
}

TEST(TCGaugePaint, NeedleSweepsFromLeftOverTheTopToRight)
{
    Gauge g(100, 100, gkNeedle);
    // Counts fore-coloured pixels of a row inside the half-disc, away from its outline.
    auto foreIn = [](const QImage &image, int y, int from, int to) {
        int n = 0;
        for (int x = from; x <= to; ++x)
            n += At(image, x, y) == Pixel(kFore);
        return n;
    };
    const QImage empty = g.Render(0);
    EXPECT_EQ(foreIn(empty, 70, 10, 90), 0) << "0 % draws only the dial";
    EXPECT_EQ(At(empty, 50, 70), Pixel(kBack));
    EXPECT_EQ(At(empty, 3, 3), Pixel(kSurround));

    const QImage up = g.Render(50);
    // Straight up from (50, 98); cos 90° is not exactly 0 in doubles, so the tip lands on
    // column 49.
    EXPECT_EQ(foreIn(up, 20, 49, 50), 1);
    EXPECT_EQ(foreIn(up, 90, 49, 50), 1);
    EXPECT_EQ(foreIn(up, 70, 10, 90), 1);

    // 25 %: from (50, 98) toward (14, 28), crossing row 63 near x 32.
    const QImage left = g.Render(25);
    EXPECT_EQ(foreIn(left, 63, 29, 35), 1);
    EXPECT_EQ(foreIn(left, 63, 40, 90), 0);
    const QImage right = g.Render(75);
    EXPECT_EQ(foreIn(right, 63, 65, 71), 1);
    EXPECT_EQ(foreIn(right, 63, 10, 60), 0);
}

TEST(TCGaugePaint, SystemColoursAndTheParentColourComeFromThePalette)
{
    Gauge g(100, 100, gkPie);
    g.gauge.SetForeColor(0x8000000D); // highlight
    QPalette palette = g.gauge.palette();
    palette.setColor(QPalette::Highlight, QColor(10, 20, 30));
    palette.setColor(QPalette::Window, QColor(40, 50, 60));
    g.gauge.setPalette(palette);
    QImage image = g.Render(50);
    EXPECT_EQ(At(image, 68, 68), qRgb(10, 20, 30));
    EXPECT_EQ(At(image, 3, 3), Pixel(kSurround));
    g.gauge.SetParentColor(true);
    image = g.Render(50);
    EXPECT_EQ(At(image, 3, 3), qRgb(40, 50, 60));
}

// ---------------------------------------------------------------------------------------
// Text

TEST(TCGaugeText, PercentageIsInvertedAgainstBothPartsOfTheBar)
{
    // As on the progress window: lime bar over a 0x808040 background, 50 % splitting "50%".
    TCGauge gauge;
    gauge.resize(328, 21);
    gauge.SetForeColor(0x00FF00);
    gauge.SetBackColor(0x808040);
    gauge.SetProgress(50);
    const QImage plain = [&] {
        gauge.SetShowText(false);
        return gauge.grab().toImage();
    }();
    gauge.SetShowText(true);
    const QImage text = gauge.grab().toImage();

    const QRgb lime = qRgb(0, 255, 0), back = qRgb(64, 128, 128);
    const QRgb magenta = qRgb(255, 0, 255), paleRed = qRgb(191, 127, 127);
    const int barEnd = 163; // 50 % of 327
    int overBar = 0, overBack = 0;
    QRect changed;
    for (int y = 0; y < 21; ++y) {
        for (int x = 0; x < 328; ++x) {
            const QRgb was = At(plain, x, y), is = At(text, x, y);
            if (was == is)
                continue;
            changed |= QRect(x, y, 1, 1);
            if (was == lime && is == magenta && x < barEnd)
                ++overBar;
            else if (was == back && is == paleRed && x >= barEnd)
                ++overBack;
            else
                ADD_FAILURE() << "pixel " << x << "," << y << " " << std::hex << was << " -> "
                              << is;
        }
    }
    EXPECT_GT(overBar, 10) << "digits over the bar";
    EXPECT_GT(overBack, 10) << "digits over the background";
    // Centred on the paint rectangle, within the box the font measures for the text.
    const QFontMetrics metrics(gauge.font());
    const GaugePoint at = GaugeTextOrigin(GaugePaintRect(328, 21, bsSingle),
                                          metrics.horizontalAdvance("50%"), metrics.height());
    EXPECT_TRUE(QRect(at.x, at.y, metrics.horizontalAdvance("50%"), metrics.height())
                    .adjusted(-1, 0, 1, 0)
                    .contains(changed))
        << changed.x() << "," << changed.y() << " " << changed.width() << "x" << changed.height();
    EXPECT_NEAR(changed.center().x(), 164, 3);
    EXPECT_NEAR(changed.center().y(), 10, 3);
}

TEST(TCGaugeText, TextLargerThanTheGaugeIsClippedInsideTheFrame)
{
    TCGauge gauge;
    gauge.resize(20, 10);
    QFont big = gauge.font();
    big.setPixelSize(30);
    gauge.setFont(big);
    gauge.SetBackColor(0x000000); // black body: the text alone lights pixels
    gauge.SetProgress(100);
    const QImage image = gauge.grab().toImage();
    int lit = 0;
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool frame = x == 0 || y == 0 || x == 19 || y == 9;
            if (frame)
                ASSERT_EQ(At(image, x, y), qRgb(0, 0, 0)) << x << "," << y;
            else
                lit += At(image, x, y) != qRgb(0, 0, 0);
        }
    }
    EXPECT_GT(lit, 0);
}

} // namespace

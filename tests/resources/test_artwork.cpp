// The compiled-in artwork: every picture loads through its resource path, the glyph strips
// have the shape a speed button cuts them by, and the key colour frames every state image.
#include "resources/Artwork.h"
#include "support/Printing.h"

#include <QImage>
#include <QSet>
#include <gtest/gtest.h>
#include <ostream>

namespace {

QSet<QRgb> Colours(const QImage &image, const QRect &area)
{
    QSet<QRgb> colours;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            colours.insert(image.pixel(x, y));
    return colours;
}

struct StripCase
{
    const char *name;
    int cell; // the side of one state image
};

void PrintTo(const StripCase &c, std::ostream *os)
{
    *os << c.name << " (" << c.cell << " x " << c.cell << ")";
}

class GlyphStripTest : public ::testing::TestWithParam<StripCase>
{
};

TEST_P(GlyphStripTest, IsFourSixteenColourImagesFramedByTheKeyColour)
{
    const StripCase c = GetParam();
    const QImage strip(GlyphPath(c.name));
    ASSERT_FALSE(strip.isNull()) << qPrintable(GlyphPath(c.name)) << " does not load";
    EXPECT_EQ(strip.size(), QSize(kGlyphStateCount * c.cell, c.cell));
    EXPECT_LE(Colours(strip, strip.rect()).size(), 16);

    const QRgb key = strip.pixel(0, strip.height() - 1);
    for (int s = 0; s < kGlyphStateCount; ++s) {
        SCOPED_TRACE(testing::Message() << "state " << s);
        const QRect cell(s * c.cell, 0, c.cell, c.cell);
        for (QPoint corner :
             {cell.topLeft(), cell.topRight(), cell.bottomLeft(), cell.bottomRight()})
            EXPECT_EQ(strip.pixel(corner), key) << "corner " << corner.x() << "," << corner.y();
        EXPECT_GE(Colours(strip, cell).size(), 2) << "the image is empty";
    }
}

TEST_P(GlyphStripTest, StateImagesShowTheKeyColourTransparent)
{
    const StripCase c = GetParam();
    const QImage strip(GlyphPath(c.name));
    ASSERT_FALSE(strip.isNull());
    const QRgb key = strip.pixel(0, strip.height() - 1);
    for (int s = 0; s < kGlyphStateCount; ++s) {
        SCOPED_TRACE(testing::Message() << "state " << s);
        const QImage image = GlyphStateImage(strip, static_cast<GlyphState>(s));
        ASSERT_EQ(image.size(), QSize(c.cell, c.cell));
        int keyed = 0, clear = 0;
        for (int y = 0; y < c.cell; ++y) {
            for (int x = 0; x < c.cell; ++x) {
                const bool isKey = strip.pixel(s * c.cell + x, y) == key;
                keyed += isKey;
                clear += qAlpha(image.pixel(x, y)) == 0;
                if (!isKey) {
                    EXPECT_EQ(image.pixel(x, y), strip.pixel(s * c.cell + x, y));
                }
            }
        }
        EXPECT_EQ(clear, keyed);
    }
}

// clang-format off
const StripCase StripCases[] = {
    {kGlyphLoadParameters, 16},
    {kGlyphSaveParameters, 16},
    {kGlyphSendParameters, 16},
    {kGlyphWriteFlash, 16},
    {kGlyphChannelChange, 18},
    {kGlyphResetCc, 16},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Strips, GlyphStripTest, ::testing::ValuesIn(StripCases), CaseName());

TEST(GlyphStateImage, RefusesWhatIsNotAStripOfFour)
{
    EXPECT_TRUE(GlyphStateImage(QImage(), GlyphState::Normal).isNull());
    QImage odd(30, 16, QImage::Format_RGB32);
    odd.fill(Qt::magenta);
    EXPECT_TRUE(GlyphStateImage(odd, GlyphState::Pressed).isNull());
}

TEST(GlyphStateImage, DisabledLooksDifferentFromNormal)
{
    for (const char *name : kGlyphNames) {
        SCOPED_TRACE(name);
        const QImage strip(GlyphPath(name));
        ASSERT_FALSE(strip.isNull());
        EXPECT_NE(GlyphStateImage(strip, GlyphState::Disabled),
                  GlyphStateImage(strip, GlyphState::Normal));
    }
}

TEST(AboutPicture, Is500By400In256ColoursWithAPlainTitleArea)
{
    const QImage about(AboutPicturePath());
    ASSERT_FALSE(about.isNull()) << qPrintable(AboutPicturePath()) << " does not load";
    EXPECT_EQ(about.size(), QSize(500, 400));
    EXPECT_LE(Colours(about, about.rect()).size(), 256);

    // The About page sets its label at (52, 176), 410 x 67, on a page whose picture stands
    // at (1, 1): the title needs one plain colour under it to stay readable.
    const QSet<QRgb> underTitle = Colours(about, QRect(51, 175, 410, 67));
    ASSERT_EQ(underTitle.size(), 1);
    const QRgb ground = *underTitle.begin();
    EXPECT_GT(qGray(ground), 160) << "the ground is light grey";
    // The banner runs across the top, darker than the ground.
    EXPECT_LT(qGray(about.pixel(2, 80)), qGray(ground));
    EXPECT_LT(qGray(about.pixel(497, 80)), qGray(ground));
}

TEST(AppIcon, EverySizeIsASquareEmblemOnTransparency)
{
    for (int size : kAppIconSizes) {
        SCOPED_TRACE(size);
        const QImage icon(AppIconPath(size));
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255);
    }
    EXPECT_EQ(AppIcon().availableSizes().size(), static_cast<qsizetype>(kAppIconSizes.size()));
}

} // namespace

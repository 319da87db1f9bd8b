// A pixel picture on a screen of two device pixels per pixel: every pixel of the picture is a
// 2 x 2 block of its own colour, where a smoothing scale would mix neighbouring pixels.
#include "controls/PixelPicture.h"

#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

namespace {

// Read by the application object, which the shared test main() creates after this.
const bool HighDensityScreen = qputenv("QT_SCALE_FACTOR", "2");

} // namespace

TEST(PixelPicture, EachPicturePixelIsABlockOfDevicePixels)
{
    ASSERT_TRUE(HighDensityScreen);
    constexpr int side = 4, ratio = 2;
    QImage checkerboard(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            checkerboard.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 128));
    PixelPicture picture;
    picture.setPixmap(QPixmap::fromImage(checkerboard));
    picture.resize(side, side);
    ASSERT_EQ(picture.devicePixelRatio(), ratio);

    QImage screen(side * ratio, side * ratio, QImage::Format_RGB32);
    screen.setDevicePixelRatio(ratio);
    screen.fill(Qt::red);
    picture.render(&screen);
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x)
            EXPECT_EQ(screen.pixel(x, y), checkerboard.pixel(x / ratio, y / ratio))
                << "device pixel " << x << "," << y;
}

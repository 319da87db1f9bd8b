// TSpeedButton: cutting a glyph strip, the state image it paints under real mouse input, the
// transparency key, opaque and transparent faces, the caption colour, the hover frame, and
// the keys that click it.
#include "controls/SpeedButton.h"
#include "support/WidgetProbes.h"

#include <QApplication>
#include <QEnterEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QColor Key(255, 0, 255);
const QColor Face[4] = {Qt::red, Qt::green, Qt::blue, QColor(255, 128, 0)};

// A strip of `count` images of size x size: each a square of its state's colour inside a
// 2-pixel border of the key colour. The bottom-left pixel is the key.
QImage Strip(int count, int size = 16)
{
    QImage strip(count * size, size, QImage::Format_RGB32);
    strip.fill(Key);
    QPainter painter(&strip);
    for (int i = 0; i < count; ++i)
        painter.fillRect(i * size + 2, 2, size - 4, size - 4, Face[i]);
    return strip;
}

QColor PixelOf(QWidget &widget, QPoint at)
{
    return widget.grab().toImage().pixelColor(at);
}

// A button on an opaque grey parent, as on a toolbar panel.
struct Rig
{
    QWidget parent;
    TSpeedButton *button = new TSpeedButton(&parent);

    Rig()
    {
        parent.resize(60, 40);
        QPalette palette = parent.palette();
        palette.setColor(QPalette::Window, QColor(128, 128, 128));
        palette.setColor(QPalette::Button, QColor(192, 192, 192));
        parent.setPalette(palette);
        parent.setAutoFillBackground(true);
        button->setGeometry(0, 0, 25, 25);
    }
    // The button's centre as it shows inside its parent: what the user sees there.
    QColor Centre() { return PixelOf(parent, {12, 12}); }
};

TEST(SpeedButton, SplitGlyphStripCutsStatesAndKeysOutTheCornerColour)
{
    struct Case
    {
        const char *name;
        int imagesInStrip, numGlyphs;
        std::array<QColor, 4> centres; // invalid: a greyed image (not one of the faces)
    };
    // clang-format off
    const Case cases[] = {
        {"four states", 4, 4, {Face[0], Face[1], Face[2], Face[3]}},
        {"normal only: disabled greyed, others normal", 1, 1, {Face[0], {}, Face[0], Face[0]}},
        {"normal and disabled", 2, 2, {Face[0], Face[1], Face[0], Face[0]}},
        {"numGlyphs above four reads four", 4, 9, {Face[0], Face[1], Face[2], Face[3]}},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const auto images = speedbutton::SplitGlyphStrip(Strip(c.imagesInStrip), c.numGlyphs);
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(i);
            ASSERT_EQ(images[i].size(), QSize(16, 16));
            EXPECT_EQ(images[i].pixelColor(0, 15).alpha(), 0) << "key colour stays opaque";
            EXPECT_EQ(images[i].pixelColor(1, 1).alpha(), 0);
            const QColor centre = images[i].pixelColor(8, 8);
            EXPECT_EQ(centre.alpha(), 255);
            if (c.centres[i].isValid()) {
                EXPECT_EQ(centre, c.centres[i]);
            } else {
                EXPECT_EQ(centre.red(), centre.green()) << "greyed image is not grey";
                EXPECT_EQ(centre.green(), centre.blue());
            }
        }
    }
    for (const auto &image : speedbutton::SplitGlyphStrip(QImage(), 4))
        EXPECT_TRUE(image.isNull());
}

TEST(SpeedButton, KeyIsTheBottomLeftPixelWhateverItsColour)
{
    // Key black; the images' interiors use the magenta that was the key above, which must stay.
    QImage strip(64, 16, QImage::Format_RGB32);
    strip.fill(Qt::black);
    QPainter(&strip).fillRect(20, 4, 8, 8, Key);
    const auto images = speedbutton::SplitGlyphStrip(strip, 4);
    EXPECT_EQ(images[0].pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(images[1].pixelColor(6, 6), Key);
}

TEST(SpeedButton, PaintsTheImageOfItsStateUnderRealInput)
{
    Rig rig;
    rig.button->SetGlyph(Strip(4));
    QSignalSpy clicks(rig.button, &QAbstractButton::clicked);

    EXPECT_EQ(rig.Centre(), Face[0]) << "normal";
    QTest::mousePress(rig.button, Qt::LeftButton, {}, {12, 12});
    EXPECT_EQ(rig.Centre(), Face[2]) << "pressed while the button is down";
    QTest::mouseRelease(rig.button, Qt::LeftButton, {}, {12, 12});
    EXPECT_EQ(rig.Centre(), Face[0]) << "back to normal at the release";
    EXPECT_EQ(clicks.count(), 1);

    rig.button->setCheckable(true);
    rig.button->setChecked(true);
    EXPECT_EQ(rig.Centre(), Face[3]) << "held down";
    rig.button->setEnabled(false);
    EXPECT_EQ(rig.Centre(), Face[1]) << "disabled wins over held";
    QTest::mouseClick(rig.button, Qt::LeftButton, {}, {12, 12});
    EXPECT_EQ(clicks.count(), 1) << "a disabled button clicked";
}

TEST(SpeedButton, KeyedPixelsShowTheParentWhenTransparentAndTheFaceWhenOpaque)
{
    Rig rig;
    rig.button->SetGlyph(Strip(4));
    // The glyph stands at (5, 5); its key border is at (6, 6), its face colour at (12, 12).
    EXPECT_TRUE(rig.button->Transparent());
    EXPECT_EQ(PixelOf(rig.parent, {6, 6}), QColor(128, 128, 128));
    EXPECT_EQ(PixelOf(rig.parent, {2, 2}), QColor(128, 128, 128));

    rig.button->SetTransparent(false);
    EXPECT_EQ(PixelOf(rig.parent, {6, 6}), QColor(192, 192, 192));
    EXPECT_EQ(PixelOf(rig.parent, {2, 2}), QColor(192, 192, 192));
    EXPECT_EQ(rig.Centre(), Face[0]);
}

// The button as it shows inside its parent.
QImage Shown(Rig &rig)
{
    return rig.parent.grab(rig.button->geometry()).toImage();
}

TEST(SpeedButton, CaptionIsDrawnInItsCaptionColour)
{
    Rig rig;
    QFont bold = rig.button->font();
    bold.setBold(true);
    rig.button->setFont(bold);
    rig.button->setText("1");
    EXPECT_EQ(rig.button->CaptionColor(), rig.button->palette().color(QPalette::WindowText));

    rig.button->SetCaptionColor(QColor(255, 255, 0));
    EXPECT_EQ(rig.button->CaptionColor(), QColor(255, 255, 0));
    EXPECT_GT(CountOf(Shown(rig), QColor(255, 255, 0)), 5);

    rig.button->SetCaptionColor(Qt::black);
    EXPECT_EQ(CountOf(Shown(rig), QColor(255, 255, 0)), 0);
    EXPECT_GT(CountOf(Shown(rig), Qt::black), 5);
}

TEST(SpeedButton, FrameShowsOnlyWhileHoveredOrDown)
{
    Rig rig;
    rig.button->SetTransparent(false);
    const QColor face(192, 192, 192);
    auto corner = [&] { return PixelOf(rig.parent, {0, 0}); };
    EXPECT_EQ(corner(), face) << "flat at rest";

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(rig.button, &enter);
    const QColor raised = corner();
    EXPECT_NE(raised, face);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(rig.button, &leave);
    EXPECT_EQ(corner(), face);

    rig.button->setCheckable(true);
    rig.button->setChecked(true);
    EXPECT_NE(corner(), face) << "held shows sunken without the pointer";
    EXPECT_NE(corner(), raised) << "sunken and raised frames look alike";
}

TEST(SpeedButton, SpaceAndEnterClick)
{
    for (const int key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
        Rig rig;
        QSignalSpy clicks(rig.button, &QAbstractButton::clicked);
        QTest::keyClick(rig.button, Qt::Key(key));
        EXPECT_EQ(clicks.count(), 1) << QKeySequence(key).toString().toStdString();
    }
}

} // namespace

#include "app/AboutPage.h"

#include "controls/PixelPicture.h"
#include "converter/FormControls.h"
#include "resources/Artwork.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPixmap>

using namespace form;

namespace {

const QColor AboutGround(198, 203, 204);

// The About title's "Comic Sans MS", bold, 36 points (48 pixels). A stand-in may still be
// wider, so it is made smaller until the caption fits the box the design gives it.
QFont TitleFont(const QString &caption, int boxWidth)
{
    QFont font;
    font.setFamilies({QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(48);
    UseNarrowStandIn(font);
    while (font.pixelSize() > 12 && QFontMetrics(font).horizontalAdvance(caption) > boxWidth)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

} // namespace

AboutControls BuildAboutPage(QWidget *sheet)
{
    AboutControls page;
    page.Panel1 = Panel(sheet, "Panel1", {0, 0, 502, 440}, Bevel::LoweredInner, AboutGround);
    FollowParent(page.Panel1, false);

    // Sized to its picture; a picture that does not load leaves the designed 500 x 400 empty.
    // Its pixels stay sharp when the window is scaled for a high-density screen.
    page.Image1 = Place<PixelPicture>(page.Panel1, "Image1", {1, 1, 500, 400});
    page.Image1->setAccessibleName("Quillmont emblem");
    const QPixmap picture(AboutPicturePath());
    if (!picture.isNull()) {
        page.Image1->setPixmap(picture);
        page.Image1->resize(picture.size());
    }

    // Created after the picture, so it stands over it; a label paints no background.
    const QString title = QStringLiteral("Torvane Interface");
    page.Label40 =
        FixedLabel(page.Panel1, "Label40", title, {52, 176, 410, 67}, TitleFont(title, 410));
    page.Label7 = Caption(page.Panel1, "Label7",
                          QStringLiteral("© 2026 Quillmont — Torvane editor"), {172, 420});
    page.Label39 = Caption(page.Panel1, "Label39", "Rev 1.0", {452, 420});
    return page;
}

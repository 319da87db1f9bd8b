#include "controls/PixelPicture.h"

#include <QPainter>
#include <QStyle>

void PixelPicture::paintEvent(QPaintEvent *event)
{
    const QPixmap picture = pixmap();
    if (picture.isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    style()->drawItemPixmap(&painter, contentsRect(), alignment(), picture);
}

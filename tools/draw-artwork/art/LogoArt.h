#pragma once
// The maker's logo, Quillmont's round emblem beside its name, as used by the About picture
// and the application icons.
#include <QImage>
#include <QRectF>

class QPainter;

namespace art {

// A gold ring round a night-blue disc, with snowy peaks and a signal trace in gold: the
// mountain of the name and the control voltage the company's boxes make.
void PaintEmblem(QPainter &painter, const QRectF &bounds);

// The application icon: the emblem alone on a transparent square of side size.
void PaintAppIcon(QPainter &painter, int size);
QImage DrawAppIcon(int size);

// The About picture, 500 x 400, reduced to 256 colours. The band from y 170 to 250 is left
// plain: the About page writes the program's name over it.
QImage DrawAboutPicture();

} // namespace art

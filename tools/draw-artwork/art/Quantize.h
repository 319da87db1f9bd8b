#pragma once
// Reduces a full-colour picture to a palette of at most 256 colours, as the About picture is
// kept: an 8-bit palette image.
#include <QImage>

namespace art {

// Colours that cover large areas keep their exact value; the rest of the palette comes from a
// median cut of the remaining colours, weighted by how often each occurs. No dithering: the
// flat areas stay flat.
QImage QuantizeTo256(const QImage &picture);

} // namespace art

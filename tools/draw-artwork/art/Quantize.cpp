#include "Quantize.h"

#include <QHash>
#include <QVector>
#include <algorithm>
#include <array>
#include <limits>

namespace art {
namespace {

struct Weighted
{
    QRgb colour;
    qint64 count;
};

int Channel(QRgb c, int axis)
{
    return axis == 0 ? qRed(c) : axis == 1 ? qGreen(c) : qBlue(c);
}

struct Box
{
    QVector<Weighted> colours;
    qint64 weight = 0;

    // The channel with the widest spread, and that spread.
    std::pair<int, int> WidestAxis() const
    {
        std::array<int, 3> lo{255, 255, 255}, hi{0, 0, 0};
        for (const Weighted &w : colours)
            for (int axis = 0; axis < 3; ++axis) {
                lo[axis] = std::min(lo[axis], Channel(w.colour, axis));
                hi[axis] = std::max(hi[axis], Channel(w.colour, axis));
            }
        int best = 0;
        for (int axis = 1; axis < 3; ++axis)
            if (hi[axis] - lo[axis] > hi[best] - lo[best])
                best = axis;
        return {best, hi[best] - lo[best]};
    }

    QRgb Mean() const
    {
        double r = 0, g = 0, b = 0;
        for (const Weighted &w : colours) {
            r += qRed(w.colour) * double(w.count);
            g += qGreen(w.colour) * double(w.count);
            b += qBlue(w.colour) * double(w.count);
        }
        const double n = double(weight);
        return qRgb(int(r / n + 0.5), int(g / n + 0.5), int(b / n + 0.5));
    }
};

QVector<QRgb> MedianCut(QVector<Weighted> colours, int entries)
{
    QVector<Box> boxes;
    if (colours.isEmpty() || entries <= 0)
        return {};
    Box all{colours, 0};
    for (const Weighted &w : colours)
        all.weight += w.count;
    boxes.append(all);
    while (boxes.size() < entries) {
        // Split the box whose spread, weighted by its pixels, is largest.
        int pick = -1;
        double pickScore = 0;
        for (int i = 0; i < boxes.size(); ++i) {
            if (boxes[i].colours.size() < 2)
                continue;
            const double score = double(boxes[i].WidestAxis().second) * double(boxes[i].weight);
            if (score > pickScore) {
                pickScore = score;
                pick = i;
            }
        }
        if (pick < 0)
            break;
        Box box = boxes.takeAt(pick);
        const int axis = box.WidestAxis().first;
        std::sort(box.colours.begin(), box.colours.end(),
                  [axis](const Weighted &a, const Weighted &b) {
                      return Channel(a.colour, axis) < Channel(b.colour, axis);
                  });
        qint64 half = 0;
        int cut = 1;
        for (; cut < box.colours.size() - 1; ++cut) {
            half += box.colours[cut - 1].count;
            if (half * 2 >= box.weight)
                break;
        }
        Box low, high;
        low.colours = box.colours.mid(0, cut);
        high.colours = box.colours.mid(cut);
        for (const Weighted &w : low.colours)
            low.weight += w.count;
        high.weight = box.weight - low.weight;
        boxes.append(low);
        boxes.append(high);
    }
    QVector<QRgb> palette;
    for (const Box &box : boxes)
        palette.append(box.Mean());
    return palette;
}

int Nearest(const QVector<QRgb> &palette, QRgb c)
{
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < palette.size(); ++i) {
        const int dr = qRed(c) - qRed(palette[i]), dg = qGreen(c) - qGreen(palette[i]),
                  db = qBlue(c) - qBlue(palette[i]);
        const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

} // namespace

QImage QuantizeTo256(const QImage &picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, qint64> counts;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            ++counts[line[x] | 0xff000000u];
    }

    // A colour covering at least 0.1 % of the picture is a flat area: keep it exact.
    const qint64 flat = qint64(rgb.width()) * rgb.height() / 1000;
    // Hash order differs from run to run; sorting keeps the written picture reproducible.
    QVector<Weighted> all;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        all.append({it.key(), it.value()});
    std::sort(all.begin(), all.end(), [](const Weighted &a, const Weighted &b) {
        return a.count != b.count ? a.count > b.count : a.colour < b.colour;
    });
    QVector<QRgb> palette;
    QVector<Weighted> rest;
    for (const Weighted &w : all) {
        if (w.count >= flat && palette.size() < 64)
            palette.append(w.colour);
        else
            rest.append(w);
    }
    palette += MedianCut(rest, 256 - palette.size());

    QImage indexed(rgb.size(), QImage::Format_Indexed8);
    indexed.setColorTable(palette);
    QHash<QRgb, int> index;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        uchar *out = indexed.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = line[x] | 0xff000000u;
            auto found = index.constFind(c);
            if (found == index.cend())
                found = index.insert(c, Nearest(palette, c));
            out[x] = uchar(found.value());
        }
    }
    return indexed;
}

} // namespace art

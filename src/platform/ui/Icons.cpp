#include "ui/Icons.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <vector>

namespace ui {

QPixmap programPicture(int size, const QColor& colour) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setBrush(colour);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(8, 8), QPointF(16, 24), QPointF(24, 8)}));
    return pm;
}

namespace {

// A pale picture (a white page with grey lines) looks as faint as a disabled one: its tones are spread so
// that its darkest visible part is black, the lightest staying as they are.
QImage withDarkLines(QImage image) {
    image = image.convertToFormat(QImage::Format_ARGB32);
    std::vector<int> greys;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) > 128)
                greys.push_back(qGray(line[x]));
    }
    if (greys.empty())
        return image;
    // The darkest lines, not a stray dark pixel at an edge: the grey a twentieth of the picture is darker than.
    std::nth_element(greys.begin(), greys.begin() + greys.size() / 20, greys.end());
    const int darkest = greys[greys.size() / 20];
    if (darkest <= 40 || darkest >= 250)
        return image;
    const auto spread = [darkest](int c) { return std::max(0, (c - darkest) * 255 / (255 - darkest)); };
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = qRgba(spread(qRed(line[x])), spread(qGreen(line[x])), spread(qBlue(line[x])), qAlpha(line[x]));
    }
    return image;
}

} // namespace

QIcon withPlainDisabled(const QIcon& icon, const QList<int>& sizes) {
    QIcon out;
    for (int size : sizes) {
        const QPixmap normal = icon.pixmap(size, size);
        if (normal.isNull())
            continue;
        out.addPixmap(QPixmap::fromImage(withDarkLines(normal.toImage())), QIcon::Normal);
        QImage grey = normal.toImage().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < grey.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
            for (int x = 0; x < grey.width(); ++x) {
                // Lightness squeezed into the upper grey range, and a third of the opacity.
                const int g = 150 + qGray(line[x]) * 90 / 255;
                line[x] = qRgba(g, g, g, qAlpha(line[x]) / 3);
            }
        }
        out.addPixmap(QPixmap::fromImage(grey), QIcon::Disabled);
    }
    return out;
}

} // namespace ui

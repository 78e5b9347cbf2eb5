#include "ui/Icons.h"

#include <QImage>
#include <QPainter>

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

QIcon withPlainDisabled(const QIcon& icon, const QList<int>& sizes) {
    QIcon out;
    for (int size : sizes) {
        const QPixmap normal = icon.pixmap(size, size);
        if (normal.isNull())
            continue;
        out.addPixmap(normal, QIcon::Normal);
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

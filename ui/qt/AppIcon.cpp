#include "ui/AppIcon.h"
#include "ui/qt/QtDialog.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vornalix::ui {

namespace {

// A blue gateway box with two aerials and a white arrow into it: "new firmware for the gateway".
QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setPen(QPen(QColor(0, 0, 128), 1.5));
    p.drawLine(QPointF(8, 17), QPointF(6, 7));
    p.drawLine(QPointF(24, 17), QPointF(26, 7));
    QPainterPath box;
    box.addRoundedRect(QRectF(2.5, 16.5, 27, 12), 3, 3);
    p.fillPath(box, QColor(0, 0, 255));
    p.drawPath(box);
    p.setBrush(QColor(128, 255, 255));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QPointF(8 + 4.0 * i, 24.5), 1.4, 1.4);
    QPainterPath arrow;
    arrow.moveTo(16, 2);
    arrow.lineTo(16, 12);
    arrow.moveTo(12, 8.5);
    arrow.lineTo(16, 12.5);
    arrow.lineTo(20, 8.5);
    p.setPen(QPen(QColor(0, 0, 0), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(arrow);
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(arrow);
    return pixmap;
}

} // namespace

QIcon AppIcon() {
    static const QIcon icon = [] {
        QIcon result;
        for (int size : {16, 32, 48, 64})
            result.addPixmap(DrawIcon(size));
        return result;
    }();
    return icon;
}

} // namespace vornalix::ui

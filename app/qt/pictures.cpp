#include "app/qt/pictures.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>

namespace calvora {

namespace {

QPixmap Transparent(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPen RoundPen(const QColor& color, qreal width) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

}  // namespace

QPixmap QuestPicture() {
    QPixmap pixmap = Transparent(41, 45);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // The question mark in the upper right, drawn as strokes so that it does
    // not depend on the fonts installed.
    p.setPen(RoundPen(Qt::black, 4));
    QPainterPath hook;
    hook.moveTo(17, 10);
    hook.cubicTo(17, 1, 36, 1, 36, 10);
    hook.cubicTo(36, 17, 27, 17, 27, 25);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(27, 32), 2.5, 2.5);
    // The arrow to the lower left: the button explains what is clicked next.
    p.setPen(RoundPen(Qt::black, 2.5));
    p.drawLine(QPointF(17, 26), QPointF(4, 40));
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({QPointF(1, 44), QPointF(3, 33), QPointF(12, 42)}));
    return pixmap;
}

QPixmap OkPicture() {
    QPixmap pixmap = Transparent(44, 36);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(RoundPen(QColor(0, 160, 0), 7));
    p.drawPolyline(QPolygonF({QPointF(5, 19), QPointF(16, 30), QPointF(39, 5)}));
    return pixmap;
}

QPixmap CancelPicture() {
    QPixmap pixmap = Transparent(37, 39);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(RoundPen(QColor(220, 0, 0), 7));
    p.drawLine(QPointF(6, 6), QPointF(31, 33));
    p.drawLine(QPointF(31, 6), QPointF(6, 33));
    return pixmap;
}

}  // namespace calvora

// Media icons drawn in code, so that the dialogs need no image files.
#include "app/MediaIcons.h"

#include <QPainter>
#include <QPixmap>

namespace quillora {

namespace {

QPixmap Canvas() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap Disc() {
    QPixmap pixmap = Canvas();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(90, 90, 110), 1));
    painter.setBrush(QColor(200, 215, 235));
    painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(6, 6, 4, 4));
    return pixmap;
}

QPixmap Drive(const QColor& body, bool removable) {
    QPixmap pixmap = Canvas();
    QPainter painter(&pixmap);
    painter.setPen(QColor(60, 60, 60));
    painter.setBrush(body);
    painter.drawRect(1, 5, 13, 7);
    painter.setPen(Qt::NoPen);
    painter.setBrush(removable ? QColor(40, 40, 40) : QColor(0, 170, 0));
    painter.drawRect(removable ? 4 : 11, removable ? 8 : 9, removable ? 7 : 2, removable ? 1 : 2);
    return pixmap;
}

QPixmap Remote() {
    QPixmap pixmap = Drive(QColor(210, 210, 210), false);
    QPainter painter(&pixmap);
    painter.setPen(QPen(QColor(30, 90, 180), 2));
    painter.drawLine(7, 12, 7, 15);
    painter.drawLine(2, 15, 13, 15);
    return pixmap;
}

QPixmap Group() {
    QPixmap pixmap = Canvas();
    QPainter painter(&pixmap);
    painter.setPen(QColor(150, 110, 20));
    painter.setBrush(QColor(245, 205, 90));
    painter.drawRect(1, 4, 13, 10);
    painter.drawRect(1, 2, 6, 2);
    return pixmap;
}

} // namespace

QIcon MediaImageIcon(int imageIndex) {
    switch (imageIndex) {
    case 4:
        return QIcon(Disc());
    case 20:
        return QIcon(Group());
    case 22:
        return QIcon(Drive(QColor(190, 190, 190), false));
    case 24:
        return QIcon(Remote());
    default:
        return QIcon(Drive(QColor(225, 225, 200), true));
    }
}

} // namespace quillora

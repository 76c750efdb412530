// The turning disc of the loading dialog.
#include "app/media/CSpinningDisc.h"

#include <QPainter>

namespace quillora {

CSpinningDisc::CSpinningDisc(QWidget* parent) : QWidget(parent) {
    setFixedSize(48, 48);
    m_timer.setInterval(60);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_angle = (m_angle + 15) % 360;
        update();
    });
}

void CSpinningDisc::Start() {
    m_timer.start();
}

void CSpinningDisc::Stop() {
    m_timer.stop();
}

void CSpinningDisc::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc = QRectF(rect()).adjusted(3, 3, -3, -3);
    painter.setPen(QPen(QColor(80, 80, 100), 1.5));
    painter.setBrush(QColor(205, 215, 235));
    painter.drawEllipse(disc);
    // A light sector that turns makes the motion visible on a plain disc.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 200));
    painter.drawPie(disc, -m_angle * 16, 50 * 16);
    painter.setBrush(QColor(150, 170, 210, 160));
    painter.drawPie(disc, (-m_angle + 180) * 16, 35 * 16);
    const QPointF center = disc.center();
    painter.setPen(QPen(QColor(80, 80, 100), 1));
    painter.setBrush(QColor(235, 235, 235));
    painter.drawEllipse(center, disc.width() * 0.16, disc.height() * 0.16);
    painter.setBrush(palette().window());
    painter.drawEllipse(center, disc.width() * 0.06, disc.height() * 0.06);
}

} // namespace quillora

#include "app/LinkStatic.h"

#include <QMouseEvent>
#include <QPainter>

CLinkStatic::CLinkStatic(QWidget* parent) : QWidget(parent) {}

void CLinkStatic::SetLink(const QString& link) {
    m_link = link;
    update();
}

void CLinkStatic::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.setClipRect(rect());
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(15);
    font.setUnderline(true);
    p.setFont(font);
    p.setPen(QColor(0, 0, 255));
    // Drawn from the top-left corner on the dialog's own background.
    p.drawText(QRect(0, 0, 1 << 20, height()), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
               m_link);
}

void CLinkStatic::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void CLinkStatic::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

#include "app/LinkStatic.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <utility>

CLinkStatic::CLinkStatic(QWidget* parent) : QWidget(parent) {}

void CLinkStatic::SetLink(const QString& link) {
    m_link = link;
    update();
}

void CLinkStatic::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.setClipRect(rect());
    p.setFont(LinkFont());
    p.setPen(QColor(0, 0, 255));
    // Drawn from the top-left corner on the dialog's own background.
    p.drawText(QRect(0, 0, 1 << 20, height()), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
               m_link);
}

QFont CLinkStatic::LinkFont() {
    // 15 is the height of the character cell, not the size of the letters.
    constexpr int kCellHeight = 15;
    QFont font(QStringLiteral("Arial"));
    font.setUnderline(true);
    for (int size = kCellHeight; size > 1; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).height() <= kCellHeight) {
            break;
        }
    }
    return font;
}

void CLinkStatic::mousePressEvent(QMouseEvent* event) {
    m_bDoubleClick = false;
    event->accept();
}

void CLinkStatic::mouseDoubleClickEvent(QMouseEvent* event) {
    m_bDoubleClick = true;
    event->accept();
}

void CLinkStatic::mouseReleaseEvent(QMouseEvent* event) {
    const bool second = std::exchange(m_bDoubleClick, false);
    if (!second && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

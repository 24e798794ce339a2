#include "res/NavIconEngine.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QStyle>
#include <QStyleOption>
#include <initializer_list>

#include "res/Resource.h"

namespace {

constexpr double kGrid = 32.0;  // the pictures' own pixels

// The outline of each icon in its 32 x 32 grid, along the pixel edges.
QPolygonF Outline(int id) {
    const auto polygon = [](std::initializer_list<QPointF> points) { return QPolygonF(points); };
    switch (id) {
        case IDI_ARROW_DOWN:
            return polygon({{12, 3}, {20, 3}, {20, 16}, {29, 16}, {16, 29}, {3, 16}, {12, 16}});
        case IDI_ARROW_UP:
            return polygon({{16, 3}, {29, 16}, {20, 16}, {20, 29}, {12, 29}, {12, 16}, {3, 16}});
        case IDI_ARROW_LEFT:
            return polygon({{16, 3}, {16, 12}, {28, 12}, {28, 20}, {16, 20}, {16, 29}, {3, 16}});
        case IDI_ARROW_RIGHT:
            return polygon({{16, 3}, {16, 12}, {4, 12}, {4, 20}, {16, 20}, {16, 29}, {29, 16}});
        case IDI_ZOOM_IN:
            return polygon({{12, 4},
                            {20, 4},
                            {20, 12},
                            {28, 12},
                            {28, 20},
                            {20, 20},
                            {20, 28},
                            {12, 28},
                            {12, 20},
                            {4, 20},
                            {4, 12},
                            {12, 12}});
        case IDI_ZOOM_OUT:
            return polygon({{4, 10}, {28, 10}, {28, 18}, {4, 18}});
        default:
            return {};
    }
}

}  // namespace

void CNavIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) {
    QPainterPath shape;
    shape.addPolygon(Outline(m_id));
    shape.closeSubpath();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->translate(rect.topLeft());
    painter->scale(rect.width() / kGrid, rect.height() / kGrid);
    painter->setClipPath(shape);
    // Bands of colour from light at the top to dark at the bottom, whatever
    // the way the arrow points.
    const struct {
        double top;
        double bottom;
        QColor colour;
    } bands[] = {{0, 10, QColor(0x7F, 0xA8, 0xE6)},
                 {10, 16, QColor(0x5A, 0x8A, 0xD6)},
                 {16, 23, QColor(0x3C, 0x6E, 0xC2)},
                 {23, kGrid, QColor(0x2A, 0x58, 0xA8)}};
    for (const auto& band : bands) {
        painter->fillRect(QRectF(0, band.top, kGrid, band.bottom - band.top), band.colour);
    }
    // The outline one picture pixel wide, inside the shape: half of a line
    // twice as wide, the other half clipped away.
    painter->strokePath(shape, QPen(QColor(0x1B, 0x2F, 0x5E), 2.0));
    painter->restore();
}

QPixmap CNavIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    QPixmap pm;
    if (size == QSize(32, 32)) {
        pm = QPixmap(QStringLiteral(":/icons/%1.xpm").arg(m_id));
    } else {
        pm = QPixmap(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), QIcon::Normal, state);
    }
    if (mode != QIcon::Normal && qApp) {
        QStyleOption option;
        option.palette = QApplication::palette();
        return QApplication::style()->generatedIconPixmap(mode, pm, &option);
    }
    return pm;
}

QSize CNavIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State) {
    return size;
}

QIconEngine* CNavIconEngine::clone() const {
    return new CNavIconEngine(m_id);
}

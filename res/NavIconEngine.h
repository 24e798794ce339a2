#pragma once

#include <QIconEngine>

// The navigation buttons' icons at any size: at 32 x 32 pixels the drawn
// pictures themselves, at other sizes (a screen of device pixel ratio above 1
// asks for 32 times the ratio) the same shapes and colours painted as paths,
// so that no button shows a stretched picture.
class CNavIconEngine : public QIconEngine {
public:
    explicit CNavIconEngine(int id) : m_id(id) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;

private:
    int m_id;
};

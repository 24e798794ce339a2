#pragma once

#include <QCoreApplication>

class QPaintEvent;

// A widget of type W that counts how often it is painted.
template <class W>
class CPaintCounting : public W {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        W::paintEvent(event);
    }
};

// Handles what is posted, repaints included.
inline void HandleEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

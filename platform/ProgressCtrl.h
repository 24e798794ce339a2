#pragma once

#include <QProgressBar>

// A progress bar whose position changes are painted with the window's next
// repaint, as every other control's are. (QProgressBar paints at once on each
// visible change, which keeps the thread that moves it from its other work.)
class CProgressCtrl : public QProgressBar {
    Q_OBJECT
public:
    explicit CProgressCtrl(QWidget* parent = nullptr) : QProgressBar(parent) {}

    void SetPos(int pos);
};

#pragma once

#include <QWidget>

class QToolButton;

// A pair of small arrow buttons that steps a value it does not hold: the up
// arrow reports a delta of -1 and the down arrow +1, as an up-down control
// with its default range does. The owner changes the value itself.
class CUpDown : public QWidget {
    Q_OBJECT
public:
    explicit CUpDown(QWidget* parent = nullptr);

    QToolButton* UpButton() const { return m_up; }
    QToolButton* DownButton() const { return m_down; }

signals:
    void deltaPos(int delta);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* m_up;
    QToolButton* m_down;
};

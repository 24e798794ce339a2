#pragma once

#include <QWidget>

// A static control that shows an address as a link: blue, underlined, 15
// pixels high, from its top-left corner, cut at its right edge. A click
// anywhere inside it reports clicked().
class CLinkStatic : public QWidget {
    Q_OBJECT
public:
    explicit CLinkStatic(QWidget* parent = nullptr);

    void SetLink(const QString& link);
    const QString& Link() const { return m_link; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_link;
};

#pragma once

#include <QFont>
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

    // Underlined Arial whose line, ascent plus descent, is 15 pixels high.
    static QFont LinkFont();

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QString m_link;
    // The second press of a double click: its release is no new click.
    bool m_bDoubleClick = false;
};

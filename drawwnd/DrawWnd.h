#pragma once

#include <QSize>

#include "engine/Messages.h"
#include "engine/Stopwatch.h"
#include "platform/Canvas.h"

class QCloseEvent;
class QMouseEvent;
class QResizeEvent;
class QShowEvent;

// Asks the view to draw the current image into the drawing window again.
inline constexpr unsigned WM_PAINT = 0x000F;

// The separate window that shows the image, one image pixel per screen pixel.
// It draws nothing by itself: the view draws into its back buffer, and every
// repaint request, size change and mouse action here is posted to the view.
class CDrawWnd : public CCanvas {
    Q_OBJECT
public:
    explicit CDrawWnd(INotifyTarget* pView);
    ~CDrawWnd() override;

    CDrawWnd(const CDrawWnd&) = delete;
    CDrawWnd& operator=(const CDrawWnd&) = delete;

    // Creates and shows the window the first time; later calls do nothing.
    // Returns 1 when the window exists.
    int CreateOnce();

    // Moves the window's outer top-left corner to (x, y) on the screen and
    // gives it a client area of exactly clientWidth x clientHeight pixels.
    // The size change this causes is not reported to the view.
    void MoveWithClientSize(int x, int y, int clientWidth, int clientHeight);
    // The whole window's size in device pixels: the client area's and the
    // frame's border.
    QSize OuterDeviceSize() const;

protected:
    // Seconds the left button has been held, read at its release.
    virtual double SecondsSincePress();

    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // The window lives as long as its view: a close request (a window
    // manager that shows a close box anyway, a close shortcut) is refused.
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Signed values travel in both message parameters; the view reads them
    // back as ints.
    void Notify(unsigned message, int wParam, int lParam);
    // Shows the window the first time it has been placed.
    void ShowIfPending();
    QPoint ClientPoint(const QMouseEvent* event) const;

    INotifyTarget* m_pView;
    int m_bCreated = 0;
    // 1 while a size change asked for by the program may still arrive.
    int m_bMovedByProgram = 1;
    // Client point of the last left press.
    int m_nDownX = 0;
    int m_nDownY = 0;

public:
    // 1 from a left press until the next left release. The view holds back
    // progress drawing while it is set, so that a drag preview stays.
    int m_bButtonDown = 0;

private:
    CStopwatch m_stopwatch;
    // The client size the program asked for last (also at creation).
    QSize m_programClientSize;
    // Whether a left press has been seen; see mouseReleaseEvent.
    bool m_bPressSeen = false;
    bool m_bShowPending = false;
};

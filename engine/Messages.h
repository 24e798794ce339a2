#pragma once

#include <cstdint>

// Window messages posted between the engine, the drawing window and the view.
inline constexpr unsigned WM_USER = 0x0400;
inline constexpr unsigned WM_RENDER_DONE = WM_USER + 5;
inline constexpr unsigned WM_DRAWWND_SIZED = WM_USER + 6;
inline constexpr unsigned WM_DRAWWND_CLICK = WM_USER + 7;
inline constexpr unsigned WM_DRAWWND_RCLICK = WM_USER + 8;
inline constexpr unsigned WM_DRAWWND_DRAGGING = WM_USER + 9;
inline constexpr unsigned WM_DRAWWND_DRAGGED = WM_USER + 10;
inline constexpr unsigned WM_RENDER_PROGRESS = WM_USER + 11;

// Receiver of posted messages. Post must return at once and deliver the
// message later, in posting order, on the receiver's own thread; it is called
// from worker threads and must never run the receiver's handler inside Post.
class INotifyTarget {
public:
    virtual ~INotifyTarget() = default;
    virtual void Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

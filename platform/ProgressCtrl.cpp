#include "platform/ProgressCtrl.h"

void CProgressCtrl::SetPos(int pos) {
    if (pos == value()) {
        return;
    }
    // With updates off the bar's own repaint does nothing; turning them on
    // again asks for an ordinary one.
    const bool enabled = updatesEnabled();
    setUpdatesEnabled(false);
    setValue(pos);
    setUpdatesEnabled(enabled);
}

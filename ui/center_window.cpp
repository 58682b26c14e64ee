#include "center_window.h"

namespace {

LONG CenteredOnAxis(LONG referenceStart, LONG referenceEnd, LONG workStart, LONG workEnd, LONG size)
{
    LONG position = (referenceStart + referenceEnd) / 2 - size / 2;
    if (position + size > workEnd) {
        position = workEnd - size;
    }
    if (position < workStart) {
        position = workStart;
    }
    return position;
}

HWND ReferenceWindow(HWND dialog)
{
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (owner == nullptr) {
        return nullptr;
    }
    const LONG style = GetWindowLongW(owner, GWL_STYLE);
    return (style & WS_VISIBLE) && !(style & WS_MINIMIZE) ? owner : nullptr;
}

} // namespace

POINT CenteredPosition(const RECT& reference, const RECT& workArea, LONG width, LONG height)
{
    return {CenteredOnAxis(reference.left, reference.right, workArea.left, workArea.right, width),
            CenteredOnAxis(reference.top, reference.bottom, workArea.top, workArea.bottom, height)};
}

void CenterWindow(HWND dialog)
{
    HWND reference = ReferenceWindow(dialog);
    HMONITOR monitor = MonitorFromWindow(reference ? reference : dialog, MONITOR_DEFAULTTONEAREST);
    MONITORINFO monitorInfo{};
    monitorInfo.cbSize = sizeof monitorInfo;
    if (monitor == nullptr || !GetMonitorInfoW(monitor, &monitorInfo)) {
        return;
    }
    RECT referenceRect = monitorInfo.rcWork;
    if (reference) {
        GetWindowRect(reference, &referenceRect);
    }
    RECT dialogRect;
    GetWindowRect(dialog, &dialogRect);
    const POINT position = CenteredPosition(referenceRect,
                                            monitorInfo.rcWork,
                                            dialogRect.right - dialogRect.left,
                                            dialogRect.bottom - dialogRect.top);
    SetWindowPos(dialog, nullptr, position.x, position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

#include "message_wait.h"

#include "platform/tick_count.h"

namespace win32 {

namespace {

// The predefined dialog class: its name, WC_DIALOG, is its atom.
const ATOM DialogClass = LOWORD(reinterpret_cast<ULONG_PTR>(WC_DIALOG));

// False once WM_QUIT has come, after posting it again.
bool DispatchPendingMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        const HWND root = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        if (root != nullptr && GetClassLongW(root, GCW_ATOM) == DialogClass && IsDialogMessageW(root, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

} // namespace

WaitEnd WaitDispatchingMessages(HANDLE done, HANDLE cancel, DWORD timeoutMs)
{
    const HANDLE handles[] = {done, cancel};
    const DWORD count = cancel != nullptr ? 2 : 1;
    const DWORD start = GetTickCount();
    for (;;) {
        if (!DispatchPendingMessages()) {
            return WaitEnd::Cancelled;
        }
        const DWORD wait = timeoutMs == INFINITE ? INFINITE : RemainingMs(start, timeoutMs);
        // Returns for messages that arrive after the queue was last emptied,
        // which is why the queue is emptied right before.
        const DWORD woke = MsgWaitForMultipleObjects(count, handles, FALSE, wait, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) {
            return WaitEnd::Done;
        }
        if (woke == WAIT_TIMEOUT) {
            return WaitEnd::TimedOut;
        }
        if (woke != WAIT_OBJECT_0 + count) {
            return WaitEnd::Cancelled;
        }
    }
}

} // namespace win32

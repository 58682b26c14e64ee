#pragma once

#include <windows.h>

namespace win32 {

enum class WaitEnd { Done, Cancelled, TimedOut };

// Waits until `done` is signalled, `cancel` (a manual-reset event, or null for
// none) is set or `timeoutMs` (INFINITE: no limit) has passed, and dispatches
// the calling thread's messages meanwhile, so that the windows of a GUI thread
// stay responsive. A message for a dialog, or for a control in one, goes
// through IsDialogMessageW as the dialog's own loop would pass it. WM_QUIT
// counts as a cancel and is posted again, so that the caller's own loop ends
// too. `done` wins when it is signalled together with `cancel`; a wait that
// fails (an invalid handle) counts as a cancel. Windows the messages go to may
// call this again from their window procedures.
[[nodiscard]] WaitEnd WaitDispatchingMessages(HANDLE done, HANDLE cancel, DWORD timeoutMs);

} // namespace win32

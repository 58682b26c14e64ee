#include "app/configured_endpoints.h"
#include "platform/unique_handle.h"
#include "platform/win32_network.h"
#include "platform/win32_platform.h"
#include "ui/main_dialog.h"
#include "ui/resource.h"

#include "program_identity.h"

#include <windows.h>

// The command line and the show-window value are ignored. The exit code is 0
// in every case, also when the dialog cannot be shown. By now the dialog is
// gone and the download deleted; a network call that was abandoned may still
// run on its thread, though, and the ordinary exit then risks a deadlock in
// the system libraries' detach code, so such a process ends by termination.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    SetLastError(ERROR_SUCCESS); // so that nothing left over from start-up is read
    UniqueHandle mutex(CreateMutexW(nullptr, TRUE, QMCU_INSTANCE_MUTEX_W));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        mutex.Release(); // left for the process's exit to close
        return 0;
    }
    Win32Platform platform;
    MainDialog dialog(platform, ConfiguredEndpoints);
    dialog.SetIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MAIN)));
    dialog.Run(GetActiveWindow());
    // Without a mutex (creating it failed) the program ran unprotected and has
    // nothing to release.
    if (mutex.IsValid()) {
        ReleaseMutex(mutex.Get());
        mutex.Close();
    }
    if (win32::AbandonedACall()) {
        TerminateProcess(GetCurrentProcess(), 0);
    }
    return 0;
}

#include "dialog_launch.h"

#include "monotonic_clock.h"
#include "resource.h"

#include <windows.h>

namespace {

// The caption of the IDD_MAIN template, which every program timed here shows.
constexpr wchar_t Caption[] = L"QM 2020 Commands Updater Ver. 1.0.5";
constexpr double ShowTimeoutSeconds = 60;
constexpr DWORD ExitTimeoutMs = 30000;

std::wstring ControlText(HWND dialog, int id)
{
    // GetDlgItemTextW sends WM_GETTEXT, which reads another process's edit
    // control; GetWindowTextW would return "" for it.
    wchar_t text[1024] = L"";
    GetDlgItemTextW(dialog, id, text, 1024);
    return text;
}

DialogTexts ReadTexts(HWND dialog)
{
    const bool buttonShown = IsWindowVisible(GetDlgItem(dialog, IDOK)) != FALSE;
    return {ControlText(dialog, IDC_RUNNING),
            ControlText(dialog, IDC_LATEST),
            ControlText(dialog, IDC_STATUS),
            buttonShown ? ControlText(dialog, IDOK) : L""};
}

// The dialog of process `processId` once it is visible; null until then.
HWND VisibleDialogOf(DWORD processId)
{
    HWND dialog = FindWindowW(L"#32770", Caption);
    DWORD owner = 0;
    if (dialog == nullptr || GetWindowThreadProcessId(dialog, &owner) == 0 || owner != processId) {
        return nullptr;
    }
    return IsWindowVisible(dialog) ? dialog : nullptr;
}

// Waits for the dialog, then closes it; the timing stops as soon as it shows.
std::optional<DialogLaunch> WatchDialog(const PROCESS_INFORMATION& process, double start)
{
    for (;;) {
        if (HWND dialog = VisibleDialogOf(process.dwProcessId)) {
            DialogLaunch launch{MonotonicSeconds() - start, ReadTexts(dialog)};
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            if (WaitForSingleObject(process.hProcess, ExitTimeoutMs) != WAIT_OBJECT_0) {
                return std::nullopt;
            }
            return launch;
        }
        if (MonotonicSeconds() - start > ShowTimeoutSeconds ||
            WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) {
            return std::nullopt;
        }
    }
}

} // namespace

std::optional<DialogLaunch> LaunchUntilVisible(const std::wstring& program,
                                               std::vector<wchar_t>& environment,
                                               const std::wstring& folder)
{
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const double start = MonotonicSeconds();
    if (!CreateProcessW(program.c_str(),
                        commandLine.data(),
                        nullptr,
                        nullptr,
                        FALSE,
                        CREATE_UNICODE_ENVIRONMENT,
                        environment.data(),
                        folder.c_str(),
                        &startup,
                        &process)) {
        return std::nullopt;
    }
    const std::optional<DialogLaunch> launch = WatchDialog(process, start);
    if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, ExitTimeoutMs);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return launch;
}

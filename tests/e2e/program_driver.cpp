#include "program_driver.h"

#include "expected_identity.h"

#include <vector>

bool operator==(const DialogState& a, const DialogState& b)
{
    return a.running == b.running && a.latest == b.latest && a.status == b.status &&
           a.buttonCaption == b.buttonCaption && a.buttonShown == b.buttonShown && a.buttonEnabled == b.buttonEnabled;
}

namespace {

constexpr DWORD PollMs = 20;

std::wstring ProgramPath()
{
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"QMCommandsUpdater.exe";
}

std::wstring WindowCaption(HWND window)
{
    wchar_t caption[256] = L"";
    GetWindowTextW(window, caption, 256);
    return caption;
}

// Windows gives a message box's icon control the id 20, Wine 0x440.
bool ShowsIcon(HWND box)
{
    for (int id : {20, 0x440}) {
        HWND icon = GetDlgItem(box, id);
        if (icon != nullptr && SendMessageW(icon, STM_GETICON, 0, 0) != 0) {
            return true;
        }
    }
    return false;
}

ShownBox DescribeBox(HWND box)
{
    return {box, WindowCaption(box), ControlText(box, 0xFFFF), ShowsIcon(box)};
}

HWND OwnedBox(HWND dialog)
{
    const std::vector<HWND> boxes = FindDialogs({.caption = nullptr, .owner = dialog, .visibleOnly = true});
    return boxes.empty() ? nullptr : boxes.front();
}

} // namespace

bool WaitUntilNoInstanceRuns(DWORD timeoutMs)
{
    for (DWORD waited = 0;; waited += PollMs) {
        const UniqueHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, expected::InstanceMutex.c_str()));
        if (!mutex.IsValid()) {
            return true;
        }
        if (waited >= timeoutMs) {
            return false;
        }
        Sleep(PollMs);
    }
}

int CountProgramDialogs()
{
    return static_cast<int>(FindDialogs({}).size());
}

ProgramDriver::ProgramDriver(const std::optional<std::wstring>& userProfile,
                             const std::wstring& workingFolder,
                             const std::vector<std::wstring>& environment)
{
    std::vector<wchar_t> block = EnvironmentWithProfile(userProfile, environment);
    if (const std::optional<StartedProgram> started = StartProgram(ProgramPath(), block, workingFolder)) {
        process_ = UniqueHandle(started->process);
        processId_ = started->processId;
    }
}

ProgramDriver::~ProgramDriver()
{
    if (process_.IsValid() && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.Get(), 99);
        WaitForSingleObject(process_.Get(), 5000);
    }
}

HWND ProgramDriver::WaitForDialog(DWORD timeoutMs)
{
    for (DWORD waited = 0; waited < timeoutMs && process_.IsValid(); waited += PollMs) {
        // The dialog exists before the first check ends; it shows after it.
        const std::vector<HWND> shown = FindDialogs({.processId = processId_, .visibleOnly = true});
        if (!shown.empty()) {
            dialog_ = shown.front();
            return dialog_;
        }
        if (WaitForSingleObject(process_.Get(), PollMs) == WAIT_OBJECT_0) {
            break;
        }
    }
    return nullptr;
}

DialogState ProgramDriver::Read() const
{
    HWND button = GetDlgItem(dialog_, IDOK);
    return {ControlText(dialog_, IDC_RUNNING),
            ControlText(dialog_, IDC_LATEST),
            ControlText(dialog_, IDC_STATUS),
            ControlText(dialog_, IDOK),
            IsWindowVisible(button) != FALSE,
            IsWindowEnabled(button) != FALSE};
}

void ProgramDriver::Click(int controlId) const
{
    PostMessageW(GetDlgItem(dialog_, controlId), BM_CLICK, 0, 0);
}

void ProgramDriver::PressKey(WORD virtualKey) const
{
    HWND focus = FocusOf(dialog_);
    HWND target = focus != nullptr ? focus : dialog_;
    const UINT scanCode = MapVirtualKeyW(virtualKey, 0);
    PostMessageW(target, WM_KEYDOWN, virtualKey, 1 | (scanCode << 16));
    PostMessageW(target, WM_KEYUP, virtualKey, 1 | (scanCode << 16) | (1u << 30) | (1u << 31));
}

void ProgramDriver::PostToDialog(UINT message, WPARAM wParam, LPARAM lParam) const
{
    PostMessageW(dialog_, message, wParam, lParam);
}

std::optional<ShownBox> ProgramDriver::WaitForMessageBox(DWORD timeoutMs) const
{
    for (DWORD waited = 0; waited < timeoutMs; waited += PollMs) {
        if (HWND box = OwnedBox(dialog_)) {
            return DescribeBox(box);
        }
        Sleep(PollMs);
    }
    return std::nullopt;
}

bool ProgramDriver::WaitUntilSettled(DWORD timeoutMs) const
{
    constexpr int StableReads = 5;
    std::optional<DialogState> previous;
    int stable = 0;
    for (DWORD waited = 0; waited < timeoutMs; waited += PollMs) {
        DWORD_PTR result = 0;
        const bool idle = IsWindowEnabled(dialog_) && OwnedBox(dialog_) == nullptr &&
                          SendMessageTimeoutW(dialog_, WM_NULL, 0, 0, SMTO_BLOCK, timeoutMs, &result);
        const DialogState state = Read();
        stable = idle && previous && *previous == state ? stable + 1 : 0;
        if (stable == StableReads) {
            return true;
        }
        previous = state;
        Sleep(PollMs);
    }
    return false;
}

bool ProgramDriver::HasExited() const
{
    return !process_.IsValid() || WaitForSingleObject(process_.Get(), 0) == WAIT_OBJECT_0;
}

std::optional<DWORD> ProgramDriver::WaitForExit(DWORD timeoutMs)
{
    for (DWORD waited = 0; waited <= timeoutMs && process_.IsValid(); waited += PollMs) {
        if (WaitForSingleObject(process_.Get(), timeoutMs == 0 ? 0 : PollMs) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(process_.Get(), &code);
            return code;
        }
        if (HWND box = dialog_ ? OwnedBox(dialog_) : nullptr) {
            ++boxesWhileClosing_;
            lastBoxWhileClosing_ = DescribeBox(box);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            Sleep(200);
        }
    }
    return std::nullopt;
}

// Prints what the program's dialog shows, read from outside as a person would
// see it, and its place on the screen; with --close it then closes it, with
// --close-when FILE it closes it once FILE exists.
// Usage: dialog_reader [--close | --close-when FILE] [--timeout SECONDS]
// Exit code: 0 when the dialog was found, 1 when it never appeared.

#include "remote_dialog.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// The text as UTF-8, its lines indented; tabs and lone carriage returns are
// made visible.
std::string Printable(const std::wstring& text)
{
    std::wstring shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, L"\r\n") == 0) {
            shown += L"\n  ";
            ++i;
        } else {
            shown += text[i] == L'\t'   ? std::wstring(L"\\t")
                     : text[i] == L'\r' ? std::wstring(L"\\r")
                                        : std::wstring(1, text[i]);
        }
    }
    return Utf8(shown);
}

void Print(HWND dialog)
{
    RECT frame;
    GetWindowRect(dialog, &frame);
    HWND button = GetDlgItem(dialog, IDOK);
    std::printf("Window:   \"%s\" at %ld,%ld, %ldx%ld\n",
                Printable(DialogCaption).c_str(),
                frame.left,
                frame.top,
                frame.right - frame.left,
                frame.bottom - frame.top);
    std::printf("Installed line: %s\n", Printable(ControlText(dialog, IDC_RUNNING)).c_str());
    std::printf("Latest line:    %s\n", Printable(ControlText(dialog, IDC_LATEST)).c_str());
    std::printf("Status area:\n  %s\n", Printable(ControlText(dialog, IDC_STATUS)).c_str());
    std::printf("Button:   [%s] %s, %s; [Close]\n",
                Printable(ControlText(dialog, IDOK)).c_str(),
                IsWindowVisible(button) ? "shown" : "hidden",
                IsWindowEnabled(button) ? "enabled" : "disabled");
    std::printf("Geometry: %ld %ld %ld %ld\n", frame.left, frame.top, frame.right, frame.bottom);
}

bool WaitForFile(const wchar_t* path, int timeoutSeconds)
{
    for (int waited = 0; waited < timeoutSeconds * 10; ++waited) {
        if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) {
            return true;
        }
        Sleep(100);
    }
    return false;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    bool close = false;
    const wchar_t* closeWhen = nullptr;
    int timeoutSeconds = 60;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--close") == 0) {
            close = true;
        } else if (std::wcscmp(argv[i], L"--close-when") == 0 && i + 1 < argc) {
            closeWhen = argv[++i];
        } else if (std::wcscmp(argv[i], L"--timeout") == 0 && i + 1 < argc) {
            timeoutSeconds = std::wcstol(argv[++i], nullptr, 10);
        }
    }
    HWND dialog = WaitForDialog({.visibleOnly = true}, static_cast<DWORD>(timeoutSeconds) * 1000, 100);
    if (dialog == nullptr) {
        std::fprintf(stderr, "dialog_reader: the dialog did not appear\n");
        return 1;
    }
    Print(dialog);
    std::fflush(stdout);
    if (closeWhen != nullptr) {
        close = WaitForFile(closeWhen, timeoutSeconds);
    }
    if (close) {
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }
    return 0;
}

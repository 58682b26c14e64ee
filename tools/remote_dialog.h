#pragma once

#include "ui/resource.h"

#include "program_identity.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// What another process needs to start QMCommandsUpdater.exe and read its
// dialog from outside.

// The caption of the dialog (the IDD_MAIN template), by which other processes
// find it. Its controls are IDC_RUNNING (the installed line), IDC_LATEST (the
// latest line), IDC_STATUS (the status area), IDOK (Update or Install) and
// IDCANCEL (Close).
inline constexpr wchar_t DialogCaption[] = QMCU_CAPTION_W;

// Which top-level dialogs (of the predefined dialog class) to look for.
struct DialogSearch {
    const wchar_t* caption = DialogCaption; // null: any caption
    DWORD processId = 0;                    // 0: of any process
    HWND owner = nullptr;                   // null: owned by any window, or by none
    bool visibleOnly = false;
};

// The dialogs that match `search`, frontmost first.
std::vector<HWND> FindDialogs(const DialogSearch& search);

// The first dialog that matches `search`, looked for every `pollMs` until
// `timeoutMs` has passed; null when none appeared.
HWND WaitForDialog(const DialogSearch& search, DWORD timeoutMs, DWORD pollMs = 20);

// The current environment with USERPROFILE set to `userProfile`, or without
// USERPROFILE when it is nullopt, and the "name=value" entries of `extra`
// added, as a block for CreateProcessW: "name=value" strings, each ended by a
// zero, and one more zero at the end. Wine replaces a USERPROFILE set on the
// Linux side, so this is how a program started under Wine gets a profile of
// its own.
std::vector<wchar_t> EnvironmentWithProfile(const std::optional<std::wstring>& userProfile,
                                            const std::vector<std::wstring>& extra = {});

struct StartedProgram {
    HANDLE process = nullptr; // the caller closes it
    DWORD processId = 0;
};

// Starts `program` with the environment block `environment` (UTF-16) and
// `folder` as its current folder. nullopt when CreateProcessW fails.
std::optional<StartedProgram> StartProgram(const std::wstring& program,
                                           std::vector<wchar_t>& environment,
                                           const std::wstring& folder);

// The text of control `id` of a dialog of another process, up to 2047
// characters; "" when there is no such control.
std::wstring ControlText(HWND dialog, int id);

// The window that has the keyboard focus on the thread of `dialog`; null
// when none has it.
HWND FocusOf(HWND dialog);

// `text` as UTF-8.
std::string Utf8(const std::wstring& text);

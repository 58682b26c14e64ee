#pragma once

#include "platform/unique_handle.h"
#include "remote_dialog.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// What the dialog shows, read from another process as a person would see it.
struct DialogState {
    std::wstring running;
    std::wstring latest;
    std::wstring status;
    std::wstring buttonCaption;
    bool buttonShown = false;
    bool buttonEnabled = false;
};

bool operator==(const DialogState& a, const DialogState& b);

// A message box owned by the dialog.
struct ShownBox {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
    bool showsIcon = false;
};

// Starts QMCommandsUpdater.exe (the copy beside this test program) and drives
// its dialog from outside: reads the controls, presses buttons and keys,
// answers message boxes, closes it and collects the exit code. Every wait is
// bounded; a program still running at the end is terminated.
class ProgramDriver {
public:
    // Starts the program with USERPROFILE set to `userProfile`, or without
    // USERPROFILE when it is unset, and the "name=value" entries of
    // `environment` added; `workingFolder` becomes its current folder.
    ProgramDriver(const std::optional<std::wstring>& userProfile,
                  const std::wstring& workingFolder,
                  const std::vector<std::wstring>& environment = {});
    ~ProgramDriver();
    ProgramDriver(const ProgramDriver&) = delete;
    ProgramDriver& operator=(const ProgramDriver&) = delete;

    // Waits until the dialog is visible; null when it never appears.
    HWND WaitForDialog(DWORD timeoutMs = 30000);
    [[nodiscard]] HWND Dialog() const { return dialog_; }
    [[nodiscard]] DialogState Read() const;

    // Clicks a control with BM_CLICK, as a mouse click would.
    void Click(int controlId) const;
    // Posts a key press to the control that has the focus.
    void PressKey(WORD virtualKey) const;
    void PostToDialog(UINT message, WPARAM wParam, LPARAM lParam) const;

    // Waits for a visible message box owned by the dialog.
    std::optional<ShownBox> WaitForMessageBox(DWORD timeoutMs = 30000) const;
    // Waits until the dialog is enabled, has no box and answers messages, and
    // what it shows has stopped changing. The download runs its own message
    // loop, so answering messages alone does not mean a check has finished.
    bool WaitUntilSettled(DWORD timeoutMs = 30000) const;

    [[nodiscard]] bool HasExited() const;

    // Waits for the program to end and returns its exit code; nullopt when it
    // does not end in time. Any message box that shows up meanwhile is
    // answered and counted in BoxesWhileClosing().
    std::optional<DWORD> WaitForExit(DWORD timeoutMs = 30000);
    [[nodiscard]] int BoxesWhileClosing() const { return boxesWhileClosing_; }
    [[nodiscard]] std::optional<ShownBox> LastBoxWhileClosing() const { return lastBoxWhileClosing_; }

private:
    UniqueHandle process_;
    DWORD processId_ = 0;
    HWND dialog_ = nullptr;
    int boxesWhileClosing_ = 0;
    std::optional<ShownBox> lastBoxWhileClosing_;
};

// Top-level dialogs with the program's caption, of any process.
int CountProgramDialogs();

// Waits until no instance of the program holds its single-instance mutex;
// false when one still does after `timeoutMs`.
bool WaitUntilNoInstanceRuns(DWORD timeoutMs = 10000);

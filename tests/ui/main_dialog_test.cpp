#include "check_fixture.h"
#include "expected_identity.h"
#include "expected_texts.h"
#include "remote_dialog.h"
#include "platform/unique_handle.h"
#include "ui/main_dialog.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <functional>
#include <string>

namespace {

// A visible dialog of this process only (the program itself may be running
// too), with `caption`, and owned by `owner` unless that is null.
HWND WaitForWindow(const wchar_t* caption, HWND owner = nullptr)
{
    return WaitForDialog({.caption = caption, .processId = GetCurrentProcessId(), .owner = owner, .visibleOnly = true},
                         30000);
}

// Runs the dialog modally on the test's thread, with the fake platform, while
// `watch` inspects and drives it from a second thread.
class DialogRun : public CheckFixture {
protected:
    INT_PTR Run(std::function<void(HWND)> watch)
    {
        watch_ = std::move(watch);
        HANDLE watcher = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
        MainDialog dialog(platform, VendorEndpoints);
        dialog.SetIcon(icon);
        const INT_PTR result = dialog.Run(nullptr);
        WaitForSingleObject(watcher, 30000);
        CloseHandle(watcher);
        return result;
    }

    // Answers the box with `caption` that the dialog shows, and says whether it came.
    static bool AnswerBox(HWND dialog, const std::wstring& caption)
    {
        HWND box = WaitForWindow(caption.c_str(), dialog);
        return box != nullptr && PostMessageW(box, WM_COMMAND, IDOK, 0);
    }

    HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(32516)); // a shared system icon

private:
    static DWORD WINAPI Watch(void* self)
    {
        auto* run = static_cast<DialogRun*>(self);
        if (HWND dialog = WaitForWindow(expected::Caption.c_str())) {
            run->watch_(dialog);
        }
        return 0;
    }

    std::function<void(HWND)> watch_;
};

// Set each time the dialog's window procedure has returned from an Update
// command, by a subclass around it, so that a test can wait until one was
// dispatched.
HANDLE updateHandled = nullptr;
WNDPROC dialogProc = nullptr;

LRESULT CALLBACK WatchingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CallWindowProcW(dialogProc, window, message, wParam, lParam);
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        SetEvent(updateHandled);
    }
    return result;
}

} // namespace

TEST_F(DialogRun, InitialisesWithTheIconTheFocusOnCloseAndTheFirstCheck)
{
    platform.files[Installed] = "QM Build 01-02-2020";
    platform.published = "QM Build 09-18-2021";
    LRESULT big = 0;
    LRESULT small = 0;
    int focused = 0;
    LRESULT defaultId = 0;
    std::wstring running;
    std::wstring status;
    bool updateShown = false;
    const INT_PTR result = Run([&](HWND dialog) {
        big = SendMessageW(dialog, WM_GETICON, ICON_BIG, 0);
        small = SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0);
        focused = GetDlgCtrlID(FocusOf(dialog));
        defaultId = SendMessageW(dialog, DM_GETDEFID, 0, 0);
        running = ControlText(dialog, 1001);
        status = ControlText(dialog, 1003);
        updateShown = IsWindowVisible(GetDlgItem(dialog, IDOK));
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(big, reinterpret_cast<LRESULT>(icon));
    EXPECT_EQ(small, reinterpret_cast<LRESULT>(icon));
    EXPECT_EQ(focused, IDCANCEL);
    EXPECT_EQ(defaultId, MAKELRESULT(IDCANCEL, DC_HASDEFID));
    EXPECT_EQ(running, expected::RunningLabel + L"QM Build 01-02-2020");
    EXPECT_EQ(status, expected::UpdateOffer);
    EXPECT_TRUE(updateShown);
}

TEST_F(DialogRun, OnlyTheControlIdSelectsTheCommand)
{
    platform.files[Installed] = "QM Build 01-02-2020";
    platform.published = "QM Build 09-18-2021";
    bool succeeded = false;
    size_t copiesAfterOtherCommands = 0;
    Run([&](HWND dialog) {
        // Commands from the other controls do nothing.
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1003, EN_SETFOCUS), 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1001, EN_KILLFOCUS), 0);
        copiesAfterOtherCommands = platform.CallsTo(L"Replace").size();
        // An Update command with any notification code applies the update.
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, 1), 0);
        succeeded = AnswerBox(dialog, expected::SuccessCaption);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 1), 0);
    });
    EXPECT_EQ(copiesAfterOtherCommands, 0u);
    EXPECT_TRUE(succeeded);
    EXPECT_EQ(platform.CallsTo(L"Replace").size(), 1u);
    EXPECT_EQ(platform.files[Installed], "QM Build 09-18-2021");
}

TEST_F(DialogRun, DestructionDiscardsTheDownloadAndReportsAFailedDelete)
{
    platform.published = "QM Build 09-18-2021";
    Run([&](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); });
    EXPECT_FALSE(platform.files.contains(Download));
    // Closing gives up any wait for the network, here and in every later check.
    EXPECT_EQ(platform.CallsTo(L"GiveUpWaiting").size(), 1u);

    platform.givenUp = false; // as for a new start of the program

    // An update is offered when Close comes, and another program posts
    // Update while the box of the failed delete is up.
    platform.files[Installed] = "QM Build 01-02-2020";
    std::wstring errorText;
    bool errorShown = false;
    const UniqueHandle handled(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    updateHandled = handled.Get();
    bool updateDispatched = false;
    Run([&](HWND dialog) {
        platform.heldForReading.insert(Download);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        HWND box = WaitForWindow(expected::ErrorCaption.c_str(), dialog);
        errorShown = box != nullptr;
        errorText = ControlText(box, 0xFFFF);
        // The box's message loop hands the command to the dialog.
        dialogProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchingProc)));
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        updateDispatched = WaitForSingleObject(handled.Get(), 10000) == WAIT_OBJECT_0;
        // The box is answered, and any that the command may have shown on top of it.
        for (HWND shown : FindDialogs({.caption = nullptr, .processId = GetCurrentProcessId(), .owner = dialog})) {
            PostMessageW(shown, WM_COMMAND, IDOK, 0);
        }
    });
    EXPECT_TRUE(updateDispatched);
    EXPECT_TRUE(errorShown);
    EXPECT_EQ(errorText, expected::DeleteFailed);
    EXPECT_TRUE(platform.files.contains(Download));
    EXPECT_TRUE(platform.CallsTo(L"Replace").empty());
    EXPECT_EQ(platform.files[Installed], "QM Build 01-02-2020");
}

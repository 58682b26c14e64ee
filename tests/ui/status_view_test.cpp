#include "expected_texts.h"
#include "remote_dialog.h"
#include "ui/win32_status_view.h"
#include "ui/resource.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

// What the Update button was told, in order.
std::vector<std::wstring> buttonLog;
WNDPROC buttonProc = nullptr;

LRESULT CALLBACK LoggingButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT) {
        buttonLog.push_back(L"text " + std::wstring(reinterpret_cast<const wchar_t*>(lParam)));
    } else if (message == WM_ENABLE) {
        buttonLog.push_back(wParam ? L"enabled" : L"disabled");
    } else if (message == WM_SHOWWINDOW) {
        buttonLog.push_back(wParam ? L"shown" : L"hidden");
    }
    return CallWindowProcW(buttonProc, window, message, wParam, lParam);
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The program's dialog template, created without showing it, with its Update
// button's messages logged.
class StatusViewOnTheTemplate : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, QuietDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
        buttonLog.clear();
        buttonProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(GetDlgItem(dialog, IDOK), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LoggingButtonProc)));
    }
    void TearDown() override { DestroyWindow(dialog); }

    HWND dialog = nullptr;
};

} // namespace

TEST_F(StatusViewOnTheTemplate, AnOfferSetsTheCaptionBeforeShowingAndAWithdrawalHidesFirst)
{
    Win32StatusView view(dialog);
    view.SetUpdateButton(true, expected::InstallCaption.c_str());
    EXPECT_EQ(buttonLog, (std::vector<std::wstring>{L"text " + expected::InstallCaption, L"enabled", L"shown"}));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));

    buttonLog.clear();
    view.SetUpdateButton(false, expected::UpdateCaption.c_str());
    EXPECT_EQ(buttonLog, (std::vector<std::wstring>{L"disabled", L"hidden", L"text " + expected::UpdateCaption}));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    EXPECT_EQ(ControlText(dialog, IDOK), expected::UpdateCaption);
}

TEST_F(StatusViewOnTheTemplate, EachFieldIsItsControl)
{
    Win32StatusView view(dialog);
    view.SetFieldText(Field::Running, L"running");
    view.SetFieldText(Field::Latest, L"latest");
    view.SetFieldText(Field::Status, L"status");
    EXPECT_EQ(ControlText(dialog, IDC_RUNNING), L"running");
    EXPECT_EQ(ControlText(dialog, IDC_LATEST), L"latest");
    EXPECT_EQ(ControlText(dialog, IDC_STATUS), L"status");
}

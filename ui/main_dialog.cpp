#include "main_dialog.h"

#include "center_window.h"
#include "resource.h"
#include "win32_status_view.h"
#include "logic/apply_update.h"
#include "logic/platform_services.h"
#include "logic/update_check.h"

#include <windows.h>
#include <commctrl.h>

INT_PTR MainDialog::Run(HWND owner)
{
    return DialogBoxParamW(GetModuleHandleW(nullptr),
                           MAKEINTRESOURCEW(IDD_MAIN),
                           owner,
                           DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

// noexcept: nothing may unwind through the window manager, and nothing in the
// program throws (README.md, "Map of the code").
INT_PTR CALLBACK MainDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        reinterpret_cast<MainDialog*>(lParam)->hwnd_ = hwnd;
    }
    // Messages that come before WM_INITDIALOG, such as WM_SETFONT, find no
    // dialog object yet and get the default processing.
    auto* self = reinterpret_cast<MainDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (self == nullptr) {
        return FALSE;
    }
    const INT_PTR handled = self->HandleMessage(message, wParam);
    if (message == WM_NCDESTROY) {
        // The window is gone; nothing may reach the object through it any more.
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return handled;
}

INT_PTR MainDialog::HandleMessage(UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog();
        return TRUE; // the platform focuses the first tab stop, the Close button
    case WM_DESTROY:
        OnDestroy();
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            OnCommand(wParam);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

void MainDialog::OnInitDialog()
{
    if (icon_ != nullptr) {
        SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
        SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    }
    InitCommonControls();
    CenterWindow(hwnd_);
    Win32StatusView view(hwnd_);
    RunUpdateCheck(state_, endpoints_, platform_, view);
}

void MainDialog::OnDestroy()
{
    Win32StatusView view(hwnd_);
    DiscardDownload(state_, platform_, view);
}

// Only the control id selects the action; the notification code plays no part.
// Escape, the close box and the system menu's Close all arrive as IDCANCEL.
// Both can arrive while a check waits for the network, since the wait
// dispatches messages: Update then finds no offer, and Close makes the wait
// give up so that the dialog ends at once.
void MainDialog::OnCommand(WPARAM wParam)
{
    if (LOWORD(wParam) == IDOK) {
        Win32StatusView view(hwnd_);
        ApplyUpdate(state_, endpoints_, platform_, view);
    } else {
        // Withdrawn first: an Update command that arrives while the dialog is
        // torn down, for example while the box of a failed delete is up,
        // must find no offer.
        state_.updateOffered = false;
        platform_.GiveUpWaiting();
        EndDialog(hwnd_, IDCANCEL);
    }
}

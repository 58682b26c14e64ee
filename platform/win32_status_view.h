#pragma once

#include "status_view.h"

#include <windows.h>

// The status view on a dialog window: each method makes the Win32 call it is
// named after on the dialog or on its control.
class Win32StatusView final : public StatusView {
public:
    explicit Win32StatusView(HWND dialog) : dialog_(dialog) {}

    void SetDlgItemTextW(int id, const wchar_t* text) override;
    void EnableWindow(int id, bool enable) override;
    void ShowWindow(int id, int command) override;
    int MessageBoxW(const wchar_t* text, const wchar_t* caption, uint32_t style) override;

private:
    HWND dialog_;
};

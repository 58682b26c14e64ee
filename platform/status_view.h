#pragma once

#include <cstdint>

// The dialog as the update logic sees it: the controls it writes and the
// message boxes it shows, each method one call on the dialog's window.

// Control ids of the dialog template.
namespace control {
inline constexpr int UpdateButton = 1; // the standard OK id
inline constexpr int CloseButton = 2;  // the standard Cancel id
inline constexpr int Running = 1001;
inline constexpr int Latest = 1002;
inline constexpr int Status = 1003;
} // namespace control

// Values of the Win32 API that the logic passes; checked against <windows.h>
// by the Win32 implementation.
namespace win32 {
inline constexpr int SwHide = 0;
inline constexpr int SwShow = 5;
inline constexpr uint32_t MbOk = 0x0u;
inline constexpr uint32_t MbIconInformation = 0x40u;
} // namespace win32

class StatusView {
public:
    StatusView() = default;
    StatusView(const StatusView&) = delete;
    StatusView& operator=(const StatusView&) = delete;
    virtual ~StatusView() = default;

    // SetDlgItemTextW: sets the text of control `id`.
    virtual void SetDlgItemTextW(int id, const wchar_t* text) = 0;

    // GetDlgItem, then EnableWindow on the control.
    virtual void EnableWindow(int id, bool enable) = 0;

    // GetDlgItem, then ShowWindow on the control with `command` (SW_SHOW or SW_HIDE).
    virtual void ShowWindow(int id, int command) = 0;

    // MessageBoxW owned by the dialog; returns the button that closed it.
    virtual int MessageBoxW(const wchar_t* text, const wchar_t* caption, uint32_t style) = 0;
};

#include "win32_status_view.h"

static_assert(win32::SwHide == SW_HIDE);
static_assert(win32::SwShow == SW_SHOW);
static_assert(win32::MbOk == MB_OK);
static_assert(win32::MbIconInformation == MB_ICONINFORMATION);
static_assert(control::UpdateButton == IDOK && control::CloseButton == IDCANCEL);

void Win32StatusView::SetDlgItemTextW(int id, const wchar_t* text)
{
    ::SetDlgItemTextW(dialog_, id, text);
}

void Win32StatusView::EnableWindow(int id, bool enable)
{
    ::EnableWindow(::GetDlgItem(dialog_, id), enable ? TRUE : FALSE);
}

void Win32StatusView::ShowWindow(int id, int command)
{
    ::ShowWindow(::GetDlgItem(dialog_, id), command);
}

int Win32StatusView::MessageBoxW(const wchar_t* text, const wchar_t* caption, uint32_t style)
{
    return ::MessageBoxW(dialog_, text, caption, style);
}

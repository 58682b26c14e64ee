#include "win32_status_view.h"

#include "resource.h"

namespace {

int ControlId(Field field)
{
    switch (field) {
    case Field::Running:
        return IDC_RUNNING;
    case Field::Latest:
        return IDC_LATEST;
    case Field::Status:
        break;
    }
    return IDC_STATUS;
}

} // namespace

void Win32StatusView::SetFieldText(Field field, const wchar_t* text)
{
    SetDlgItemTextW(dialog_, ControlId(field), text);
}

void Win32StatusView::SetUpdateButton(bool offered, const wchar_t* caption)
{
    HWND button = GetDlgItem(dialog_, IDOK);
    if (offered) {
        SetDlgItemTextW(dialog_, IDOK, caption);
        EnableWindow(button, TRUE);
        ShowWindow(button, SW_SHOW);
    } else {
        EnableWindow(button, FALSE);
        ShowWindow(button, SW_HIDE);
        SetDlgItemTextW(dialog_, IDOK, caption);
    }
}

void Win32StatusView::ShowMessage(MessageKind kind, const wchar_t* text, const wchar_t* caption)
{
    // MB_OK is 0: the single OK button, with the information icon or none.
    MessageBoxW(dialog_, text, caption, kind == MessageKind::Information ? MB_ICONINFORMATION : MB_OK);
}

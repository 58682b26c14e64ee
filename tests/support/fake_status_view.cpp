#include "fake_status_view.h"

void FakeStatusView::SetDlgItemTextW(int id, const wchar_t* text)
{
    calls.push_back(L"SetDlgItemTextW(" + std::to_wstring(id) + L", " + text + L")");
    texts[id] = text;
}

void FakeStatusView::EnableWindow(int id, bool enable)
{
    calls.push_back(L"EnableWindow(" + std::to_wstring(id) + L", " + (enable ? L"true" : L"false") + L")");
    if (id == control::UpdateButton) {
        updateEnabled = enable;
    }
}

void FakeStatusView::ShowWindow(int id, int command)
{
    calls.push_back(L"ShowWindow(" + std::to_wstring(id) + L", " + std::to_wstring(command) + L")");
    if (id == control::UpdateButton) {
        updateShown = command == win32::SwShow;
    }
}

int FakeStatusView::MessageBoxW(const wchar_t* text, const wchar_t* caption, uint32_t style)
{
    calls.push_back(L"MessageBoxW(" + std::wstring(text) + L", " + caption + L", " + std::to_wstring(style) + L")");
    boxes.push_back({text, caption, style});
    return 1; // IDOK
}

#include "fake_status_view.h"

namespace {

const wchar_t* NameOf(Field field)
{
    switch (field) {
    case Field::Running:
        return L"Running";
    case Field::Latest:
        return L"Latest";
    case Field::Status:
        break;
    }
    return L"Status";
}

} // namespace

void FakeStatusView::SetFieldText(Field field, const wchar_t* text)
{
    calls.push_back(L"SetFieldText(" + std::wstring(NameOf(field)) + L", " + text + L")");
    texts[field] = text;
}

void FakeStatusView::SetUpdateButton(bool offered, const wchar_t* caption)
{
    calls.push_back(L"SetUpdateButton(" + std::wstring(offered ? L"offered" : L"withdrawn") + L", " + caption + L")");
    updateOffered = offered;
    buttonCaption = caption;
}

void FakeStatusView::ShowMessage(MessageKind kind, const wchar_t* text, const wchar_t* caption)
{
    calls.push_back(L"ShowMessage(" + std::wstring(kind == MessageKind::Information ? L"Information" : L"Plain") +
                    L", " + text + L", " + caption + L")");
    boxes.push_back({text, caption, kind});
}

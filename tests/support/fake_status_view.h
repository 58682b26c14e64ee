#pragma once

#include "expected_texts.h"
#include "logic/status_view.h"

#include <map>
#include <string>
#include <vector>

// A dialog in memory: logs every call and keeps what the controls show.
class FakeStatusView final : public StatusView {
public:
    struct Box {
        std::wstring text;
        std::wstring caption;
        MessageKind kind;
    };

    std::vector<std::wstring> calls;
    std::map<Field, std::wstring> texts;
    std::wstring buttonCaption = expected::UpdateCaption;
    bool updateOffered = false;
    std::vector<Box> boxes;

    void SetFieldText(Field field, const wchar_t* text) override;
    void SetUpdateButton(bool offered, const wchar_t* caption) override;
    void ShowMessage(MessageKind kind, const wchar_t* text, const wchar_t* caption) override;
};

#pragma once

#include "platform/status_view.h"

#include <map>
#include <string>
#include <vector>

// A dialog in memory: logs every call and keeps what the controls show.
class FakeStatusView final : public StatusView {
public:
    struct Box {
        std::wstring text;
        std::wstring caption;
        uint32_t style;
    };

    std::vector<std::wstring> calls;
    std::map<int, std::wstring> texts;
    bool updateEnabled = false;
    bool updateShown = false;
    std::vector<Box> boxes;

    void SetDlgItemTextW(int id, const wchar_t* text) override;
    void EnableWindow(int id, bool enable) override;
    void ShowWindow(int id, int command) override;
    int MessageBoxW(const wchar_t* text, const wchar_t* caption, uint32_t style) override;
};

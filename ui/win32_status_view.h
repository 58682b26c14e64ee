#pragma once

#include "logic/status_view.h"

#include <windows.h>

// The status view on the program's dialog window: its three edit controls, its
// Update button (the standard OK id) and message boxes that it owns.
class Win32StatusView final : public StatusView {
public:
    explicit Win32StatusView(HWND dialog) : dialog_(dialog) {}

    void SetFieldText(Field field, const wchar_t* text) override;
    void SetUpdateButton(bool offered, const wchar_t* caption) override;
    void ShowMessage(MessageKind kind, const wchar_t* text, const wchar_t* caption) override;

private:
    HWND dialog_;
};

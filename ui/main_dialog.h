#pragma once

#include "logic/check_state.h"

#include <windows.h>

struct Endpoints;
class PlatformServices;

// The program's one window: a modal dialog from the IDD_MAIN template that runs
// the update check while it initialises, applies the update when the
// Update/Install button is pressed, and discards the download when it is
// destroyed. Every other message gets the default dialog processing. It owns
// the state of the check, which lives as long as the dialog.
class MainDialog {
public:
    // Checks `endpoints` through `platform`; both must outlive the dialog.
    MainDialog(PlatformServices& platform, const Endpoints& endpoints) : platform_(platform), endpoints_(endpoints) {}
    MainDialog(const MainDialog&) = delete;
    MainDialog& operator=(const MainDialog&) = delete;

    // The icon shown as the dialog's big and small icon; null for none. It is a
    // shared resource icon, so nobody destroys it.
    void SetIcon(HICON icon) { icon_ = icon; }

    // Runs the dialog modally, owned by `owner` (may be null), until it has
    // ended and been destroyed. Returns what DialogBoxParamW returns.
    INT_PTR Run(HWND owner);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    INT_PTR HandleMessage(UINT message, WPARAM wParam);
    void OnInitDialog();
    void OnDestroy();
    void OnCommand(WPARAM wParam);

    PlatformServices& platform_;
    const Endpoints& endpoints_;
    CheckState state_{};
    HWND hwnd_ = nullptr;
    HICON icon_ = nullptr;
};

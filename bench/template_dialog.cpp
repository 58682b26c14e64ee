#include "template_dialog.h"

#include "resource.h"

#include <windows.h>

namespace {

using InitFunction = void (*)();

// `onInit` comes as the lParam of WM_INITDIALOG, from DialogBoxParamW.
INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        if (const auto onInit = reinterpret_cast<InitFunction>(lParam)) {
            onInit();
        }
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(hwnd, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

} // namespace

void RunTemplateDialog(void (*onInit)())
{
    DialogBoxParamW(GetModuleHandleW(nullptr),
                    MAKEINTRESOURCEW(IDD_MAIN),
                    nullptr,
                    DialogProc,
                    reinterpret_cast<LPARAM>(onInit));
}

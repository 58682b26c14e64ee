#include "remote_dialog.h"

#include <cwchar>

std::vector<wchar_t> EnvironmentWithProfile(const std::optional<std::wstring>& userProfile,
                                            const std::vector<std::wstring>& extra)
{
    std::vector<wchar_t> block;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
        if (_wcsnicmp(entry, L"USERPROFILE=", 12) != 0) {
            block.insert(block.end(), entry, entry + std::wcslen(entry) + 1);
        }
    }
    FreeEnvironmentStringsW(strings);
    if (userProfile) {
        const std::wstring entry = L"USERPROFILE=" + *userProfile;
        block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
    }
    for (const std::wstring& entry : extra) {
        block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
    }
    block.push_back(L'\0');
    return block;
}

std::vector<HWND> FindDialogs(const DialogSearch& search)
{
    std::vector<HWND> found;
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, WC_DIALOG, search.caption)) != nullptr;) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        if ((search.processId == 0 || processId == search.processId) &&
            (search.owner == nullptr || GetWindow(window, GW_OWNER) == search.owner) &&
            (!search.visibleOnly || IsWindowVisible(window))) {
            found.push_back(window);
        }
    }
    return found;
}

HWND WaitForDialog(const DialogSearch& search, DWORD timeoutMs, DWORD pollMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const std::vector<HWND> found = FindDialogs(search);
        if (!found.empty()) {
            return found.front();
        }
        if (GetTickCount() - start >= timeoutMs) {
            return nullptr;
        }
        Sleep(pollMs);
    }
}

std::optional<StartedProgram> StartProgram(const std::wstring& program,
                                           std::vector<wchar_t>& environment,
                                           const std::wstring& folder)
{
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(),
                        commandLine.data(),
                        nullptr,
                        nullptr,
                        FALSE,
                        CREATE_UNICODE_ENVIRONMENT,
                        environment.data(),
                        folder.c_str(),
                        &startup,
                        &process)) {
        return std::nullopt;
    }
    CloseHandle(process.hThread);
    return StartedProgram{process.hProcess, process.dwProcessId};
}

std::wstring ControlText(HWND dialog, int id)
{
    // GetDlgItemTextW sends WM_GETTEXT, which reads another process's edit
    // control; GetWindowTextW would return "" for it.
    wchar_t text[2048] = L"";
    GetDlgItemTextW(dialog, id, text, 2048);
    return text;
}

HWND FocusOf(HWND dialog)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    return info.hwndFocus;
}

std::string Utf8(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back();
    return utf8;
}

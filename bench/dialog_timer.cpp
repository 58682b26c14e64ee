// Times how long programs take from their start until their dialog, the
// program's template, is visible: QMCommandsUpdater.exe, whose check has then
// finished and whose texts are final, against floors started the same way in
// the same run. After one untimed start of each, the programs take turns for
// RUNS rounds, the order rotating each round. Every program gets PROFILE as
// USERPROFILE and as its current folder.
// Prints one line of key=value fields: runs; for each NAME its median, fastest
// and slowest time in milliseconds (NAME_median_ms, NAME_fastest_ms,
// NAME_slowest_ms); and for each NAME after the first FIRST_over_NAME, the
// ratio of their medians. A second line shows the first program's texts.
// Exit code 1 when a start failed or the first program's texts differed
// between starts.
// Usage: dialog_timer.exe PROFILE RUNS NAME=PROGRAM NAME=PROGRAM...

#include "dialog_launch.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Contender {
    std::string name;
    std::wstring path;
    std::vector<double> milliseconds;
    std::optional<DialogTexts> texts;
    bool textsSteady = true;
};

// The text as UTF-8, with tabs and line breaks written out when `escaped`.
std::string Utf8(const std::wstring& text, bool escaped)
{
    std::wstring shown;
    for (wchar_t c : text) {
        if (escaped && (c == L'\t' || c == L'\r' || c == L'\n')) {
            shown += c == L'\t' ? L"\\t" : c == L'\r' ? L"\\r" : L"\\n";
        } else {
            shown += c;
        }
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, shown.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, shown.c_str(), -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back();
    return utf8;
}

// NAME=PROGRAM arguments; empty when one lacks its name or its path.
std::vector<Contender> ParseContenders(int count, wchar_t** arguments)
{
    std::vector<Contender> contenders;
    for (int i = 0; i < count; ++i) {
        const std::wstring argument = arguments[i];
        const size_t equals = argument.find(L'=');
        if (equals == 0 || equals == std::wstring::npos || equals + 1 == argument.size()) {
            return {};
        }
        contenders.push_back({Utf8(argument.substr(0, equals), false), argument.substr(equals + 1)});
    }
    return contenders;
}

// The current environment with USERPROFILE set to `profile`, as a block for
// CreateProcessW. Wine replaces a USERPROFILE set on the Linux side, so this is
// the way to give the program its own.
std::vector<wchar_t> EnvironmentWithProfile(const std::wstring& profile)
{
    std::vector<wchar_t> block;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; *entry != L'\0'; entry += wcslen(entry) + 1) {
        if (_wcsnicmp(entry, L"USERPROFILE=", 12) != 0) {
            block.insert(block.end(), entry, entry + wcslen(entry) + 1);
        }
    }
    FreeEnvironmentStringsW(strings);
    const std::wstring entry = L"USERPROFILE=" + profile;
    block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
    block.push_back(L'\0');
    return block;
}

// Starts each contender in turn, `runs` rounds after an untimed one, and
// records its times and texts. False when a dialog did not show.
bool RunRounds(std::vector<Contender>& contenders, int runs, const std::wstring& profile)
{
    std::vector<wchar_t> environment = EnvironmentWithProfile(profile);
    for (int round = -1; round < runs; ++round) {
        for (size_t turn = 0; turn < contenders.size(); ++turn) {
            Contender& contender = contenders[(static_cast<size_t>(round + 1) + turn) % contenders.size()];
            const std::optional<DialogLaunch> launch = LaunchUntilVisible(contender.path, environment, profile);
            if (!launch) {
                std::fprintf(stderr, "dialog_timer: %s showed no dialog\n", contender.name.c_str());
                return false;
            }
            contender.textsSteady = contender.textsSteady && (!contender.texts || *contender.texts == launch->texts);
            contender.texts = launch->texts;
            if (round >= 0) {
                contender.milliseconds.push_back(launch->seconds * 1000);
            }
        }
    }
    return true;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void PrintFigures(const std::vector<Contender>& contenders)
{
    std::printf("runs=%zu", contenders[0].milliseconds.size());
    for (const Contender& contender : contenders) {
        const auto [fastest, slowest] =
            std::minmax_element(contender.milliseconds.begin(), contender.milliseconds.end());
        const char* name = contender.name.c_str();
        std::printf(" %s_median_ms=%.1f %s_fastest_ms=%.1f %s_slowest_ms=%.1f",
                    name,
                    Median(contender.milliseconds),
                    name,
                    *fastest,
                    name,
                    *slowest);
    }
    const double first = Median(contenders[0].milliseconds);
    for (size_t i = 1; i < contenders.size(); ++i) {
        std::printf(" %s_over_%s=%.3f",
                    contenders[0].name.c_str(),
                    contenders[i].name.c_str(),
                    first / Median(contenders[i].milliseconds));
    }
    std::printf("\n");
}

void PrintTexts(const DialogTexts& texts)
{
    std::printf("shown: running=\"%s\" latest=\"%s\" status=\"%s\" button=\"%s\"\n",
                Utf8(texts.running, true).c_str(),
                Utf8(texts.latest, true).c_str(),
                Utf8(texts.status, true).c_str(),
                Utf8(texts.button, true).c_str());
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::vector<Contender> contenders = argc >= 5 ? ParseContenders(argc - 3, argv + 3) : std::vector<Contender>{};
    const int runs = argc >= 5 ? _wtoi(argv[2]) : 0;
    if (contenders.empty() || runs < 1) {
        std::fprintf(stderr, "usage: dialog_timer.exe PROFILE RUNS NAME=PROGRAM NAME=PROGRAM...\n");
        return 2;
    }
    if (!RunRounds(contenders, runs, argv[1])) {
        return 1;
    }
    PrintFigures(contenders);
    PrintTexts(*contenders[0].texts);
    return contenders[0].textsSteady ? 0 : 1;
}

// Times programs from their start until their dialog, the program's template,
// is visible: QMCommandsUpdater.exe, whose check has then finished, against
// floors. After one untimed start of each, the programs take turns for RUNS
// rounds in an order shuffled each round, so that no program always follows
// the same one (a program's exit can slow the next start); each gets PROFILE
// as USERPROFILE and current folder. Prints each LABEL's median, fastest and
// slowest time and the largest peak working set of its starts, read while its
// dialog showed, the first program's median over each other's, and the first
// program's texts.
// Exit code 1 when a start failed or the first program's texts changed.
// Usage: dialog_timer.exe PROFILE RUNS LABEL=PROGRAM [LABEL=PROGRAM...]

#include "clock.h"
#include "remote_dialog.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double ShowTimeoutSeconds = 60;
constexpr DWORD ExitTimeoutMs = 30000;

struct Contender {
    std::wstring label;
    std::wstring path;
    std::vector<double> milliseconds;
    SIZE_T peakWorkingSet = 0;
    std::optional<std::string> texts;
    bool textsSteady = true;
};

// The text as UTF-8 on one line, with tabs and line breaks written out.
std::string Escaped(const std::wstring& text)
{
    std::wstring shown;
    for (wchar_t c : text) {
        shown += c == L'\t' ? L"\\t" : c == L'\r' ? L"\\r" : c == L'\n' ? L"\\n" : std::wstring(1, c);
    }
    return Utf8(shown);
}

// The installed line, the latest line, the status area and the caption of the
// Update/Install button, empty when it is hidden.
std::string ReadTexts(HWND dialog)
{
    const bool buttonShown = IsWindowVisible(GetDlgItem(dialog, IDOK)) != FALSE;
    return "running=\"" + Escaped(ControlText(dialog, IDC_RUNNING)) + "\" latest=\"" +
           Escaped(ControlText(dialog, IDC_LATEST)) + "\" status=\"" + Escaped(ControlText(dialog, IDC_STATUS)) +
           "\" button=\"" + (buttonShown ? Escaped(ControlText(dialog, IDOK)) : "") + "\"";
}

// The dialog of process `processId` once it is visible; null until then.
HWND VisibleDialogOf(DWORD processId)
{
    const std::vector<HWND> shown = FindDialogs({.processId = processId, .visibleOnly = true});
    return shown.empty() ? nullptr : shown.front();
}

// Starts the contender, polls every millisecond until its dialog is visible,
// reads its texts and closes it as Escape would. Returns the seconds until it
// was visible; nullopt when it did not show within 60 s or the program did
// not end within 30 s of the close, and then ends the program.
std::optional<double> TimeStart(Contender& contender, std::vector<wchar_t>& environment, const std::wstring& folder)
{
    const double start = Seconds();
    const std::optional<StartedProgram> program = StartProgram(contender.path, environment, folder);
    if (!program) {
        return std::nullopt;
    }
    std::optional<double> shown;
    while (Seconds() - start <= ShowTimeoutSeconds) {
        if (HWND dialog = VisibleDialogOf(program->processId)) {
            const double seconds = Seconds() - start;
            const std::string texts = ReadTexts(dialog);
            // The peak so far: the check has finished once the dialog shows.
            PROCESS_MEMORY_COUNTERS counters{};
            if (GetProcessMemoryInfo(program->process, &counters, sizeof counters)) {
                contender.peakWorkingSet = std::max(contender.peakWorkingSet, counters.PeakWorkingSetSize);
            }
            contender.textsSteady = contender.textsSteady && (!contender.texts || *contender.texts == texts);
            contender.texts = texts;
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            if (WaitForSingleObject(program->process, ExitTimeoutMs) == WAIT_OBJECT_0) {
                shown = seconds;
            }
            break;
        }
        if (WaitForSingleObject(program->process, 1) == WAIT_OBJECT_0) {
            break;
        }
    }
    if (WaitForSingleObject(program->process, 0) != WAIT_OBJECT_0) {
        TerminateProcess(program->process, 1);
        WaitForSingleObject(program->process, ExitTimeoutMs);
    }
    CloseHandle(program->process);
    return shown;
}

// Prints each contender's median, fastest and slowest time (sorting its
// times) and peak working set, the first one's median over each other's and
// the first one's texts.
void PrintFigures(std::vector<Contender>& contenders)
{
    std::vector<double> medians;
    for (Contender& contender : contenders) {
        std::vector<double>& times = contender.milliseconds;
        std::sort(times.begin(), times.end());
        const size_t middle = times.size() / 2;
        medians.push_back(times.size() % 2 == 1 ? times[middle] : (times[middle - 1] + times[middle]) / 2);
        std::printf("  %-28s %7.1f ms  (fastest %.1f, slowest %.1f; peak working set %.1f MiB)\n",
                    Utf8(contender.label).c_str(),
                    medians.back(),
                    times.front(),
                    times.back(),
                    static_cast<double>(contender.peakWorkingSet) / (1 << 20));
    }
    for (size_t i = 1; i < contenders.size(); ++i) {
        std::printf("  %-48s %.3f\n",
                    Utf8(contenders[0].label + L" / " + contenders[i].label).c_str(),
                    medians[0] / medians[i]);
    }
    std::printf("  %s showed: %s\n", Utf8(contenders[0].label).c_str(), contenders[0].texts->c_str());
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::vector<Contender> contenders;
    for (int i = 3; i < argc; ++i) {
        const std::wstring argument = argv[i];
        const size_t equals = argument.find(L'=');
        if (equals != 0 && equals != std::wstring::npos && equals + 1 < argument.size()) {
            contenders.push_back({argument.substr(0, equals), argument.substr(equals + 1)});
        }
    }
    const int runs = argc >= 4 ? _wtoi(argv[2]) : 0;
    if (contenders.empty() || contenders.size() != static_cast<size_t>(argc - 3) || runs < 1) {
        std::fprintf(stderr, "usage: dialog_timer.exe PROFILE RUNS LABEL=PROGRAM [LABEL=PROGRAM...]\n");
        return 2;
    }
    const std::wstring profile = argv[1];
    std::vector<wchar_t> environment = EnvironmentWithProfile(profile);
    std::vector<size_t> order(contenders.size());
    std::iota(order.begin(), order.end(), 0);
    std::mt19937 shuffler(1); // the same orders in every run
    for (int round = -1; round < runs; ++round) {
        std::shuffle(order.begin(), order.end(), shuffler);
        for (const size_t turn : order) {
            Contender& contender = contenders[turn];
            const std::optional<double> seconds = TimeStart(contender, environment, profile);
            if (!seconds) {
                std::fprintf(stderr, "dialog_timer: %s showed no dialog\n", Utf8(contender.label).c_str());
                return 1;
            }
            if (round >= 0) {
                contender.milliseconds.push_back(*seconds * 1000);
            }
        }
    }
    PrintFigures(contenders);
    return contenders[0].textsSteady ? 0 : 1;
}

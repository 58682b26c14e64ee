#pragma once

#include <optional>
#include <string>
#include <vector>

// The texts of the program's dialog, read from another process.
struct DialogTexts {
    std::wstring running;
    std::wstring latest;
    std::wstring status;
    std::wstring button; // the Update/Install button's caption, empty when hidden

    bool operator==(const DialogTexts&) const = default;
};

struct DialogLaunch {
    double seconds = 0; // from CreateProcessW until the dialog was visible
    DialogTexts texts;
};

// Starts `program` with the environment block `environment` (UTF-16) and
// `folder` as its current folder, polls every millisecond until a dialog of
// that process with the program's caption is visible, reads its texts, closes
// it as Escape would and waits until the process has ended. nullopt when the
// dialog does not show within 60 s or the process does not end within 30 s of
// the close; a process still running then is terminated.
std::optional<DialogLaunch> LaunchUntilVisible(const std::wstring& program,
                                               std::vector<wchar_t>& environment,
                                               const std::wstring& folder);

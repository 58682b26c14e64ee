#pragma once

#include "expected_identity.h"
#include "loopback_http_server.h"
#include "temp_folder.h"

#include <optional>
#include <string>

// A profile folder of its own with the paths of the commands folder and its two
// files in it, and the vendor's site and download server on the loopback hosts
// and ports that the test builds of the program use.
class LoopbackProfile {
public:
    // The site as the connection failure names it.
    static inline const std::wstring SiteHost = L"127.0.0.2:" + std::to_wstring(QMCU_TEST_PROBE_PORT);
    // A commands file as the site publishes it, and an older edition holding
    // the user's own commands.
    static inline const std::string Newer = "<commands>\r\n<!-- QM Build 09-18-2021 -->\r\n</commands>\r\n";
    static inline const std::string Older = "<commands>\r\n<!-- QM Build 01-02-2020 -->\r\n<mine/>\r\n</commands>\r\n";

protected:
    // `name` becomes part of the profile folder's name; it is made in
    // `parent`, or in the temporary folder when that is empty.
    explicit LoopbackProfile(const std::wstring& name, const std::wstring& parent = L"") : profile(name, parent) {}

    TempFolder profile;
    // Without the backslash at its end.
    const std::wstring folder =
        profile.Path() + expected::CommandsFolder.substr(0, expected::CommandsFolder.size() - 1);
    const std::wstring installed = folder + L"\\" + expected::CommandsFile;
    const std::wstring download = folder + L"\\" + expected::DownloadFile;
    const std::wstring backup = folder + L"\\" + expected::BackupFile;
    std::optional<LoopbackHttpServer> site{std::in_place, QMCU_TEST_PROBE_PORT, SiteAddress};
    std::optional<LoopbackHttpServer> files{QMCU_TEST_DOWNLOAD_PORT};
};

#pragma once

#include "expected_identity.h"
#include "fake_platform.h"
#include "fake_status_view.h"
#include "vendor_endpoints.h"
#include "logic/check_state.h"

#include <gtest/gtest.h>

#include <string>

// A profile whose commands folder exists, on a fake platform and dialog.
class CheckFixture : public ::testing::Test {
protected:
    static inline const std::wstring Profile = L"C:\\Users\\Ann";
    static inline const std::wstring Folder = Profile + expected::CommandsFolder;
    static inline const std::wstring Installed = Folder + expected::CommandsFile;
    static inline const std::wstring Download = Folder + expected::DownloadFile;
    static inline const std::wstring Backup = Folder + expected::BackupFile;

    CheckFixture() { GiveCommandsFolder(platform); }

    // Gives `fake` the profile, whose commands folder exists.
    static void GiveCommandsFolder(FakePlatform& fake)
    {
        fake.userProfile = Profile;
        fake.folders.insert(Folder);
    }

    CheckState state{};
    FakePlatform platform;
    FakeStatusView view;
};

inline std::wstring Status(const FakeStatusView& view)
{
    const auto found = view.texts.find(Field::Status);
    return found == view.texts.end() ? L"" : found->second;
}

#pragma once

#include "fake_platform.h"
#include "fake_status_view.h"
#include "logic/check_state.h"

#include <gtest/gtest.h>

#include <string>

// A profile whose commands folder exists, on a fake platform and dialog.
class CheckFixture : public ::testing::Test {
protected:
    static inline const std::wstring Profile = L"C:\\Users\\Ann";
    static inline const std::wstring Folder = Profile + L"\\AppData\\Roaming\\Quillmate\\QuillmateCommands\\";
    static inline const std::wstring Installed = Folder + L"MyQMCommands.xml";
    static inline const std::wstring Download = Folder + L"MyQMCommandsTemp.xml";
    static inline const std::wstring Backup = Folder + L"MyQMCommands.xml.bak";

    CheckFixture()
    {
        platform.userProfile = Profile;
        platform.folders.insert(Folder);
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

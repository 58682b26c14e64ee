#include "fake_status_view.h"
#include "app/configured_endpoints.h"
#include "loopback_profile.h"
#include "logic/apply_update.h"
#include "logic/check_state.h"
#include "expected_texts.h"
#include "logic/update_check.h"
#include "no_hard_links.h"
#include "platform/file_swap.h"
#include "platform/win32_platform.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The whole logic on real files and a real HTTP server: the program's own
// profile folder, with a name outside the ANSI code page.
class UpdateCycle : public ::testing::Test, protected LoopbackProfile {
protected:
    UpdateCycle() : LoopbackProfile(L"Zo\x00EB \x03A9\x03BC\x03AD\x03B3\x03B1") {}
    UpdateCycle(const std::wstring& name, const std::wstring& parent) : LoopbackProfile(name, parent) {}

    void SetUp() override
    {
        CreateFolders(folder);
        SetEnvironmentVariableW(L"USERPROFILE", profile.Path().c_str());
        files->Serve("/downloads/MyQMCommands.xml", {.body = Newer});
    }

    void TearDown() override { SetEnvironmentVariableW(L"USERPROFILE", nullptr); }

    CheckState state{};
    Win32Platform platform;
    FakeStatusView view;
};

TEST_F(UpdateCycle, UpdatesAnOlderEditionAndCleansUp)
{
    WriteFileBytes(installed, "<commands>QM Build 01-02-2020 and the user's own</commands>");
    RunUpdateCheck(state, ConfiguredEndpoints, platform, view);
    EXPECT_EQ(view.texts[Field::Running], expected::RunningLabel + L"QM Build 01-02-2020");
    EXPECT_EQ(view.texts[Field::Latest], expected::LatestLabel + L"QM Build 09-18-2021");
    EXPECT_EQ(view.texts[Field::Status], expected::UpdateOffer);
    EXPECT_TRUE(view.updateOffered);
    EXPECT_EQ(ReadFileBytes(download), Newer);

    ApplyUpdate(state, ConfiguredEndpoints, platform, view);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].caption, expected::SuccessCaption);
    EXPECT_EQ(ReadFileBytes(installed), Newer);
    EXPECT_EQ(view.texts[Field::Status], expected::UpToDate);
    EXPECT_FALSE(view.updateOffered);
    EXPECT_EQ(files->Requests(), 2);

    DiscardDownload(state, platform, view);
    EXPECT_FALSE(FileExists(download));
    EXPECT_EQ(view.boxes.size(), 1u);
}

TEST_F(UpdateCycle, AClosedSiteIsAConnectionFailureNamingHostAndPort)
{
    WriteFileBytes(installed, "QM Build 01-02-2020");
    site.reset();
    files.reset();
    RunUpdateCheck(state, ConfiguredEndpoints, platform, view);
    EXPECT_EQ(view.texts[Field::Latest], expected::LatestLabel + expected::DownloadFailed);
    EXPECT_EQ(view.texts[Field::Status], expected::ConnectionFailure(SiteHost));
    EXPECT_FALSE(view.updateOffered);
}

TEST_F(UpdateCycle, AFailedDownloadNeverReadsAnEarlierCopyAndLeavesTheStatusAlone)
{
    WriteFileBytes(installed, "QM Build 01-02-2020");
    WriteFileBytes(download, "QM Build 01-01-2030");
    files.reset();
    RunUpdateCheck(state, ConfiguredEndpoints, platform, view);
    EXPECT_EQ(view.texts[Field::Latest], expected::LatestLabel + expected::DownloadFailed);
    EXPECT_EQ(view.texts.count(Field::Status), 0u);
    EXPECT_FALSE(view.updateOffered);
    EXPECT_FALSE(FileExists(download));
}

namespace {

// The folder of the small volume that the test set-up mounts beside this
// program, and why it cannot be used ("" when it can).
std::wstring SmallVolume()
{
    wchar_t self[MAX_PATH];
    const std::wstring program(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    return program.substr(0, program.find_last_of(L'\\')) + L"\\small-volume";
}

std::string WhyNotUsable(const std::wstring& volume)
{
    const std::string state = ReadFileBytes(volume + L".state");
    return state == "mounted\n" ? "" : state;
}

uint64_t FreeBytes(const std::wstring& folder)
{
    ULARGE_INTEGER available{};
    GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr);
    return available.QuadPart;
}

// A commands file of `size` bytes signed at its top.
std::string Signed(const char* signature, size_t size)
{
    const std::string top = std::string("<commands>\r\n<!-- ") + signature + " -->\r\n";
    return top + std::string(size - top.size(), 'c');
}

} // namespace

// The commands folder on a volume of 420 KiB: room for an installed file of
// 100 KiB and a download of 300 KiB, not for a second copy of the download.
class FullVolume : public UpdateCycle {
protected:
    FullVolume() : UpdateCycle(L"full", SmallVolume()) {}

    void SetUp() override
    {
        if (const std::string why = WhyNotUsable(SmallVolume()); !why.empty()) {
            GTEST_SKIP() << why;
        }
        UpdateCycle::SetUp();
        files->Serve("/downloads/MyQMCommands.xml", {.body = Latest});
        WriteFileBytes(installed, Installed);
    }

    const std::string Installed = Signed("QM Build 01-01-2020", 100 * 1024);
    const std::string Latest = Signed("QM Build 09-18-2021", 300 * 1024);
};

TEST_F(FullVolume, AnUpdateNeedsNoRoomForASecondCopy)
{
    RunUpdateCheck(state, ConfiguredEndpoints, platform, view);
    ASSERT_TRUE(view.updateOffered);
    ASSERT_LT(FreeBytes(folder), Latest.size());

    ApplyUpdate(state, ConfiguredEndpoints, platform, view);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].caption, expected::SuccessCaption);
    EXPECT_EQ(ReadFileBytes(installed), Latest);
    EXPECT_EQ(ReadFileBytes(backup), Installed);
    // The recheck's download finds room for only 20 KiB of it.
    EXPECT_EQ(view.texts[Field::Latest], expected::LatestLabel + expected::DownloadFailed);
    DiscardDownload(state, platform, view);
    EXPECT_EQ(FolderEntries(folder), (std::vector<std::wstring>{expected::CommandsFile, expected::BackupFile}));
}

TEST_F(FullVolume, ADownloadThatDoesNotFitIsAFailedDownload)
{
    WriteFileBytes(folder + L"\\filler", std::string(120 * 1024, 'f'));
    ASSERT_LT(FreeBytes(folder), Latest.size());
    RunUpdateCheck(state, ConfiguredEndpoints, platform, view);
    EXPECT_EQ(view.texts[Field::Latest], expected::LatestLabel + expected::DownloadFailed);
    EXPECT_FALSE(view.updateOffered);
    DiscardDownload(state, platform, view);
    EXPECT_EQ(ReadFileBytes(installed), Installed);
    EXPECT_EQ(FolderEntries(folder), (std::vector<std::wstring>{expected::CommandsFile, L"filler"}));
}

TEST_F(FullVolume, WithoutHardLinksABackupThatDoesNotFitChangesNothing)
{
    RunUpdateCheck(state, ConfiguredEndpoints, platform, view);
    ASSERT_TRUE(view.updateOffered);
    EXPECT_FALSE(win32::ReplaceKeepingBackup(installed.c_str(), download.c_str(), backup.c_str(), NoHardLinks));
    EXPECT_EQ(ReadFileBytes(installed), Installed);
    EXPECT_EQ(ReadFileBytes(download), Latest);
    EXPECT_EQ(FolderEntries(folder), (std::vector<std::wstring>{expected::CommandsFile, expected::DownloadFile}));
}

#include "check_fixture.h"
#include "logic/apply_update.h"
#include "expected_texts.h"
#include "logic/update_check.h"
#include "logic/wide_text.h"

#include <gtest/gtest.h>

namespace {

class Apply : public CheckFixture {
protected:
    void SetUp() override { platform.published = "QM Build 09-18-2021"; }
};

} // namespace

TEST_F(Apply, AnInstallMovesTheDownloadInAndLeavesAnOldBackupAlone)
{
    platform.files[Backup] = "a backup of an earlier update";
    RunUpdateCheck(state, VendorEndpoints, platform, view);
    ASSERT_EQ(view.buttonCaption, expected::InstallCaption);
    platform.calls.clear();

    ApplyUpdate(state, VendorEndpoints, platform, view);

    EXPECT_EQ(
        std::vector(platform.calls.begin(), platform.calls.begin() + 2),
        (std::vector<std::wstring>{L"Exists(" + Installed + L")", L"Rename(" + Download + L", " + Installed + L")"}));
    EXPECT_EQ(platform.files[Backup], "a backup of an earlier update");
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, expected::CopySucceeded);
    EXPECT_EQ(view.boxes[0].caption, expected::SuccessCaption);
    EXPECT_EQ(view.boxes[0].kind, MessageKind::Information);
    EXPECT_EQ(platform.files[Installed], "QM Build 09-18-2021");
    EXPECT_EQ(platform.CallsTo(L"Download").size(), 1u); // the recheck downloads again
    EXPECT_FALSE(view.updateOffered);
    EXPECT_EQ(Status(view), expected::UpToDate);
}

TEST_F(Apply, AnUpdateReplacesAnOlderEditionAndKeepsItAsTheBackup)
{
    platform.files[Installed] = "QM Build 01-01-2020 and the user's own commands";
    platform.files[Backup] = "a backup of an earlier update";
    RunUpdateCheck(state, VendorEndpoints, platform, view);
    ApplyUpdate(state, VendorEndpoints, platform, view);
    EXPECT_EQ(platform.CallsTo(L"Replace"),
              std::vector<std::wstring>{L"Replace(" + Installed + L", " + Download + L", " + Backup + L")"});
    EXPECT_EQ(platform.files[Installed], "QM Build 09-18-2021");
    EXPECT_EQ(platform.files[Backup], "QM Build 01-01-2020 and the user's own commands");
    EXPECT_EQ(view.texts[Field::Running], expected::RunningLabel + L"QM Build 09-18-2021");
}

TEST_F(Apply, AFailedCopyReportsFailureAndTheRecheckOffersTheUpdateAgain)
{
    platform.files[Installed] = "QM Build 01-01-2020";
    platform.heldForReading.insert(Installed);
    RunUpdateCheck(state, VendorEndpoints, platform, view);
    ApplyUpdate(state, VendorEndpoints, platform, view);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, expected::CopyFailed);
    EXPECT_EQ(view.boxes[0].caption, expected::FailureCaption);
    EXPECT_EQ(view.boxes[0].kind, MessageKind::Plain);
    EXPECT_EQ(platform.files[Installed], "QM Build 01-01-2020");
    EXPECT_FALSE(platform.files.contains(Backup));
    EXPECT_TRUE(view.updateOffered);
    EXPECT_EQ(view.buttonCaption, expected::UpdateCaption);
}

TEST_F(Apply, AFileHeldWithoutSharingIsOfferedAsAnInstallAfterTheFailure)
{
    platform.files[Installed] = "QM Build 01-01-2020";
    RunUpdateCheck(state, VendorEndpoints, platform, view);
    platform.heldExclusively.insert(Installed);
    ApplyUpdate(state, VendorEndpoints, platform, view);
    EXPECT_EQ(view.boxes.at(0).caption, expected::FailureCaption);
    EXPECT_EQ(view.buttonCaption, expected::InstallCaption);
    EXPECT_EQ(view.texts[Field::Running], expected::RunningLabel + expected::NotAvailable);
}

TEST_F(Apply, TheCommandWithoutAStandingOfferDoesNothing)
{
    struct Case {
        const char* name;
        std::string installed;
        int applies; // the command arrives this often after the check
    };
    const Case cases[] = {
        {"the installed edition is newer", "QM Build 01-01-2030", 1},
        {"the installed edition is the latest", "QM Build 09-18-2021", 1},
        {"the offer was taken already", "QM Build 01-01-2020", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlatform platform;
        platform.userProfile = Profile;
        platform.folders.insert(Folder);
        platform.files[Installed] = c.installed;
        platform.published = "QM Build 09-18-2021";
        FakeStatusView view;
        RunUpdateCheck(state, VendorEndpoints, platform, view);
        for (int i = 0; i < c.applies; ++i) {
            ApplyUpdate(state, VendorEndpoints, platform, view);
        }
        EXPECT_EQ(platform.CallsTo(L"Replace").size(), c.installed == "QM Build 01-01-2020" ? 1u : 0u);
        EXPECT_EQ(view.boxes.size(), platform.CallsTo(L"Replace").size());
    }
}

TEST_F(Apply, TheCommandDuringACheckDoesNothing)
{
    platform.files[Installed] = "QM Build 01-01-2020";
    RunUpdateCheck(state, VendorEndpoints, platform, view);
    ASSERT_TRUE(view.updateOffered);
    // The check that follows waits for its download, and the command comes then.
    platform.duringDownload = [&] { ApplyUpdate(state, VendorEndpoints, platform, view); };
    RunUpdateCheck(state, VendorEndpoints, platform, view);
    EXPECT_TRUE(platform.CallsTo(L"Replace").empty());
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_EQ(platform.files[Installed], "QM Build 01-01-2020");
}

class Discard : public CheckFixture {
protected:
    void SetUp() override
    {
        platform.published = "QM Build 09-18-2021";
        RunUpdateCheck(state, VendorEndpoints, platform, view);
        platform.calls.clear();
    }
};

TEST_F(Discard, DeletesTheDownloadByItsWidePathWithoutABox)
{
    DiscardDownload(state, platform, view);
    EXPECT_EQ(platform.calls,
              (std::vector<std::wstring>{L"OpenForReading(" + Download + L")", L"Remove(" + Download + L")"}));
    EXPECT_FALSE(platform.files.contains(Download));
    EXPECT_TRUE(view.boxes.empty());
}

TEST_F(Discard, DoesNothingWhenThereIsNothingToOpen)
{
    struct Case {
        const char* name;
        void (*prepare)(FakePlatform&, CheckState&, const std::wstring& download);
    };
    const Case cases[] = {
        {"no download", [](FakePlatform& p, CheckState&, const std::wstring& d) { p.files.erase(d); }},
        {"held without sharing",
         [](FakePlatform& p, CheckState&, const std::wstring& d) { p.heldExclusively.insert(d); }},
        {"folder missing", [](FakePlatform&, CheckState& s, const std::wstring&) { s.downloadFile[0] = L'\0'; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlatform platform;
        platform.files[Download] = "QM Build 09-18-2021";
        SetText(state.downloadFile, Download.c_str());
        c.prepare(platform, state, Download);
        DiscardDownload(state, platform, view);
        EXPECT_TRUE(platform.CallsTo(L"Remove").empty());
        EXPECT_TRUE(view.boxes.empty());
    }
}

TEST_F(Discard, AFailedDeleteShowsTheErrorBox)
{
    platform.heldForReading.insert(Download);
    DiscardDownload(state, platform, view);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, expected::DeleteFailed);
    EXPECT_EQ(view.boxes[0].caption, expected::ErrorCaption);
    EXPECT_EQ(view.boxes[0].kind, MessageKind::Plain);
    EXPECT_TRUE(platform.files.contains(Download));
}

#include "check_fixture.h"
#include "expected_texts.h"
#include "logic/update_check.h"
#include "outcome_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

const std::wstring RunningLabel = expected::RunningLabel;
const std::wstring LatestLabel = expected::LatestLabel;
const std::wstring Earlier = L"text of an earlier check";
const std::wstring ConnectionFailure = expected::ConnectionFailure(L"www.quillmate.com");

class UpdateCheck : public CheckFixture {};

} // namespace

TEST_F(UpdateCheck, EachOutcomeShowsItsLinesStatusAndButton)
{
    using outcome::Site;
    for (const outcome::Row& row : outcome::Rows) {
        SCOPED_TRACE(row.name);
        FakePlatform platform;
        platform.userProfile = Profile;
        if (row.folderExists) {
            platform.folders.insert(Folder);
        }
        if (row.installed) {
            platform.files[Installed] = *row.installed;
        }
        platform.online = row.site != Site::Down;
        if (row.site == Site::ProbeFails) {
            platform.failing = {L"SiteReached"};
        }
        platform.downloadFailure = row.site == Site::DownloadFails ? DownloadFailure::Other : DownloadFailure::None;
        platform.published = row.published;
        FakeStatusView view;
        view.texts[Field::Status] = Earlier;

        RunUpdateCheck(state, VendorEndpoints, platform, view);

        EXPECT_EQ(view.texts[Field::Running], RunningLabel + row.running);
        EXPECT_EQ(view.texts[Field::Latest], LatestLabel + row.latest);
        EXPECT_EQ(Status(view), outcome::StatusText(row.status, Earlier, L"www.quillmate.com"));
        EXPECT_EQ(view.updateOffered, row.button != outcome::Button::Hidden);
        EXPECT_EQ(view.buttonCaption,
                  row.button == outcome::Button::Install ? expected::InstallCaption : expected::UpdateCaption);
        const size_t statusWrites = std::count_if(view.calls.begin(), view.calls.end(), [](const std::wstring& call) {
            return call.starts_with(L"SetFieldText(Status, ");
        });
        EXPECT_EQ(statusWrites, row.status == outcome::Status::Unchanged ? 0u : 1u);
    }
}

TEST_F(UpdateCheck, AnOfferWithdrawsTheButtonFirstThenOffersItBeforeTheLines)
{
    struct Case {
        std::optional<std::string> installed;
        std::wstring caption;
        std::wstring status;
        std::wstring running;
    };
    const Case cases[] = {
        {"QM Build 01-02-2020", expected::UpdateCaption, expected::UpdateOffer, RunningLabel + L"QM Build 01-02-2020"},
        {std::nullopt, expected::InstallCaption, expected::InstallOffer, RunningLabel + expected::NotAvailable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.caption));
        FakePlatform platform;
        platform.userProfile = Profile;
        platform.folders.insert(Folder);
        if (c.installed) {
            platform.files[Installed] = *c.installed;
        }
        platform.published = "QM Build 09-18-2021";
        FakeStatusView view;
        RunUpdateCheck(state, VendorEndpoints, platform, view);
        EXPECT_EQ(view.calls,
                  (std::vector<std::wstring>{
                      L"SetUpdateButton(withdrawn, " + expected::UpdateCaption + L")",
                      L"SetUpdateButton(offered, " + c.caption + L")",
                      L"SetFieldText(Status, " + c.status + L")",
                      L"SetFieldText(Running, " + c.running + L")",
                      L"SetFieldText(Latest, " + LatestLabel + L"QM Build 09-18-2021)",
                  }));
    }
}

TEST_F(UpdateCheck, AsksForTheSiteAndTheFileWithTheirLimitsOnceTheStaleDownloadIsGone)
{
    platform.files[Installed] = "QM Build 01-02-2020";
    platform.published = "QM Build 09-18-2021";
    RunUpdateCheck(state, VendorEndpoints, platform, view);
    EXPECT_EQ(platform.CallsTo(L"StartSiteCheck"),
              (std::vector<std::wstring>{L"StartSiteCheck(http://www.quillmate.com, 10000 ms)"}));
    EXPECT_EQ(platform.CallsTo(L"Download"),
              (std::vector<std::wstring>{L"Download(http://quillmate.com/downloads/MyQMCommands.xml, " + Download +
                                         L", 15000 ms silence, 120000 ms total, 67108864 bytes)"}));
    // A file left at the download's path would otherwise pass for the download.
    const auto& calls = platform.calls;
    const auto removed = std::find(calls.begin(), calls.end(), L"Remove(" + Download + L")");
    const auto checked = std::find(calls.begin(), calls.end(), L"Exists(" + Download + L")");
    const auto fetched = std::find_if(calls.begin(), calls.end(), [](const std::wstring& call) {
        return call.starts_with(L"Download(");
    });
    EXPECT_LT(removed, checked);
    EXPECT_LT(checked, fetched);
}

// The site check runs beside the download, and its answer is read only to
// tell why a download failed: a good download gives it up unread.
TEST_F(UpdateCheck, TheSiteCheckRunsBesideTheDownloadAndOnlyAFailedDownloadReadsIt)
{
    struct Case {
        const char* name;
        DownloadFailure download;
        std::vector<std::wstring> network; // the site check's and the download's calls, in order
    };
    const std::wstring started = L"StartSiteCheck(http://www.quillmate.com, 10000 ms)";
    const Case cases[] = {
        {"download works", DownloadFailure::None, {started, L"Download", L"~SiteCheck()"}},
        {"download fails", DownloadFailure::NoProgress, {started, L"Download", L"SiteReached()", L"~SiteCheck()"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlatform platform;
        GiveCommandsFolder(platform);
        platform.files[Installed] = "QM Build 01-02-2020";
        platform.published = "QM Build 09-18-2021";
        platform.downloadFailure = c.download;
        FakeStatusView view;
        RunUpdateCheck(state, VendorEndpoints, platform, view);
        std::vector<std::wstring> network;
        for (const std::wstring& call : platform.calls) {
            if (call.starts_with(L"Download(")) {
                network.emplace_back(L"Download");
            } else if (call.find(L"SiteCheck") != std::wstring::npos || call == L"SiteReached()") {
                network.push_back(call);
            }
        }
        EXPECT_EQ(network, c.network);
        // A good download is scanned once the site check is given up.
        EXPECT_EQ(platform.CallsBesidesConversions().back(),
                  c.download == DownloadFailure::None ? L"OpenForReading(" + Download + L")" : L"~SiteCheck()");
    }
}

TEST_F(UpdateCheck, AMissingFolderShowsTheFolderMessageAndStops)
{
    struct Case {
        const char* name;
        std::optional<std::wstring> profile;
        bool plainFileAtFolder;
        std::wstring folderAskedFor;
    };
    const std::wstring& suffix = expected::CommandsFolder;
    const Case cases[] = {
        {"profile without the folder", L"C:\\Users\\Bob", false, L"C:\\Users\\Bob" + suffix},
        {"USERPROFILE unset", std::nullopt, false, suffix},
        {"a plain file at the folder path", Profile, true, Folder},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlatform platform;
        platform.userProfile = c.profile;
        if (c.plainFileAtFolder) {
            platform.files[Folder] = "";
        }
        FakeStatusView view;
        RunUpdateCheck(state, VendorEndpoints, platform, view);
        EXPECT_EQ(
            platform.calls,
            (std::vector<std::wstring>{L"ReadVariable(USERPROFILE, 260)", L"IsFolder(" + c.folderAskedFor + L")"}));
        EXPECT_EQ(view.calls,
                  (std::vector<std::wstring>{
                      L"SetUpdateButton(withdrawn, " + expected::UpdateCaption + L")",
                      L"SetFieldText(Running, " + RunningLabel + expected::NotAvailable + L")",
                      L"SetFieldText(Latest, " + LatestLabel + expected::NotAvailable + L")",
                      L"SetFieldText(Status, " + expected::FolderMissing + L")",
                  }));
        EXPECT_EQ(state.commandsFile[0], L'\0');
        EXPECT_EQ(state.downloadFile[0], L'\0');
    }
}

TEST_F(UpdateCheck, ProfilePathsThatDoNotFitCountAsAMissingFolder)
{
    const size_t suffixLength = Folder.size() - Profile.size();
    const size_t longestFileName = expected::DownloadFile.size();
    struct Case {
        size_t profileLength;
        bool found;
    };
    const Case cases[] = {
        {250, false},
        {259 - suffixLength - longestFileName, true}, // the download path is 259 characters
        {260 - suffixLength - longestFileName, false},
        {259 - suffixLength, false}, // the folder fits, its files do not
        {259, false},                // fits the variable's buffer, not the suffix
        {260, false},                // does not fit the variable's buffer
        {1000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "profile of " << c.profileLength << " characters");
        const std::wstring profile = L"C:\\" + std::wstring(c.profileLength - 3, L'p');
        platform.userProfile = profile;
        platform.folders = {profile + Folder.substr(Profile.size())};
        EXPECT_EQ(LocateCommands(state, platform), c.found);
        const std::wstring download = state.downloadFile;
        EXPECT_EQ(download, c.found ? profile + Folder.substr(Profile.size()) + expected::DownloadFile : L"");
        EXPECT_EQ(std::wstring(state.commandsFile).empty(), !c.found);
    }
}

TEST_F(UpdateCheck, EveryCheckStartsFromNothing)
{
    platform.files[Installed] = "QM Build 01-02-2020";
    platform.published = "QM Build 09-18-2021";
    RunUpdateCheck(state, VendorEndpoints, platform, view);
    platform.files[Installed] = "QM Build 09-18-2021";
    RunUpdateCheck(state, VendorEndpoints, platform, view);
    EXPECT_EQ(view.texts[Field::Running], RunningLabel + L"QM Build 09-18-2021");
    EXPECT_EQ(view.texts[Field::Latest], LatestLabel + L"QM Build 09-18-2021");
    EXPECT_EQ(Status(view), expected::UpToDate);
    EXPECT_FALSE(view.updateOffered);
    EXPECT_EQ(std::wstring(state.statusText), L"");
}

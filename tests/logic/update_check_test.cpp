#include "check_fixture.h"
#include "expected_texts.h"
#include "logic/update_check.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

const std::wstring RunningLabel = expected::RunningLabel;
const std::wstring LatestLabel = expected::LatestLabel;
const std::wstring Earlier = L"text of an earlier check";
const std::wstring ConnectionFailure = expected::ConnectionFailure(L"www.quillmate.com");

enum class Button { Hidden, Install, Update };

// Up: probe and download reach the site. ProbeFails: only the download does,
// through a proxy. Down: neither does.
enum class Site { Up, ProbeFails, Down };

// One outcome of the check: what is installed and served, and what the dialog
// then shows. An unset status means the status area keeps its earlier text.
struct Outcome {
    const char* name;
    std::optional<std::string> installed;
    Site site;
    DownloadFailure downloadFailure;
    std::optional<std::string> published;
    std::wstring runningLine;
    std::wstring latestLine;
    Button button;
    std::optional<std::wstring> status;
};

// clang-format off
const Outcome Outcomes[] = {
    {"nothing installed, latest obtained", std::nullopt, Site::Up, DownloadFailure::None, "QM Build 09-18-2021",
     RunningLabel + L"(Not available)", LatestLabel + L"QM Build 09-18-2021", Button::Install,
     expected::InstallOffer},
    {"installed file without signature", "<commands/>", Site::Up, DownloadFailure::None, "QM Build 09-18-2021",
     RunningLabel + L"(Not available)", LatestLabel + L"QM Build 09-18-2021", Button::Update,
     expected::SignatureOffer},
    {"installed edition older", "QM Build 01-02-2020", Site::Up, DownloadFailure::None, "QM Build 09-18-2021",
     RunningLabel + L"QM Build 01-02-2020", LatestLabel + L"QM Build 09-18-2021", Button::Update,
     expected::UpdateOffer},
    {"installed edition current", "QM Build 09-18-2021", Site::Up, DownloadFailure::None, "QM Build 09-18-2021",
     RunningLabel + L"QM Build 09-18-2021", LatestLabel + L"QM Build 09-18-2021", Button::Hidden,
     expected::UpToDate},
    {"installed edition newer", "QM Build 10-18-2021", Site::Up, DownloadFailure::None, "QM Build 09-18-2021",
     RunningLabel + L"QM Build 10-18-2021", LatestLabel + L"QM Build 09-18-2021", Button::Hidden,
     std::nullopt},
    {"probe fails, file installed", "QM Build 09-18-2021", Site::Down, DownloadFailure::None, "QM Build 10-18-2021",
     RunningLabel + L"QM Build 09-18-2021", LatestLabel + L"(Download failed)", Button::Hidden,
     ConnectionFailure},
    {"probe fails, the download works", "QM Build 01-02-2020", Site::ProbeFails, DownloadFailure::None,
     "QM Build 09-18-2021", RunningLabel + L"QM Build 01-02-2020", LatestLabel + L"QM Build 09-18-2021",
     Button::Update, expected::UpdateOffer},
    {"probe fails, installed file without signature", "", Site::Down, DownloadFailure::None, std::nullopt, RunningLabel,
     LatestLabel + L"(Download failed)", Button::Hidden, ConnectionFailure},
    {"download fails, file installed", "QM Build 09-18-2021", Site::Up, DownloadFailure::Other, std::nullopt,
     RunningLabel + L"QM Build 09-18-2021", LatestLabel + L"(Download failed)", Button::Hidden, std::nullopt},
    {"download without signature", "QM Build 09-18-2021", Site::Up, DownloadFailure::None, "<html>404</html>",
     RunningLabel + L"QM Build 09-18-2021", LatestLabel, Button::Hidden, std::nullopt},
    {"download cannot be opened", "QM Build 09-18-2021", Site::Up, DownloadFailure::None, std::nullopt,
     RunningLabel + L"QM Build 09-18-2021", LatestLabel + L"(Not available)", Button::Hidden, std::nullopt},
    {"nothing installed, probe fails", std::nullopt, Site::Down, DownloadFailure::None, std::nullopt, RunningLabel + L"(Not available)",
     LatestLabel + L"(Download failed)", Button::Hidden, ConnectionFailure},
    {"nothing installed, download fails", std::nullopt, Site::Up, DownloadFailure::Other, std::nullopt,
     RunningLabel + L"(Not available)", LatestLabel + L"(Download failed)", Button::Hidden, std::nullopt},
};
// clang-format on

class UpdateCheck : public CheckFixture {};

} // namespace

TEST_F(UpdateCheck, EachOutcomeShowsItsLinesStatusAndButton)
{
    for (const Outcome& o : Outcomes) {
        SCOPED_TRACE(o.name);
        FakePlatform platform;
        platform.userProfile = Profile;
        platform.folders.insert(Folder);
        if (o.installed) {
            platform.files[Installed] = *o.installed;
        }
        platform.online = o.site != Site::Down;
        if (o.site == Site::ProbeFails) {
            platform.failing = {L"CanReachSite"};
        }
        platform.downloadFailure = o.downloadFailure;
        platform.published = o.published;
        FakeStatusView view;
        view.texts[Field::Status] = Earlier;

        RunUpdateCheck(state, platform, view);

        EXPECT_EQ(view.texts[Field::Running], o.runningLine);
        EXPECT_EQ(view.texts[Field::Latest], o.latestLine);
        EXPECT_EQ(Status(view), o.status.value_or(Earlier));
        EXPECT_EQ(view.updateOffered, o.button != Button::Hidden);
        EXPECT_EQ(view.buttonCaption, o.button == Button::Install ? L"Install" : L"Update");
        const size_t statusWrites = std::count_if(view.calls.begin(), view.calls.end(), [](const std::wstring& call) {
            return call.starts_with(L"SetFieldText(Status, ");
        });
        EXPECT_EQ(statusWrites, o.status ? 1u : 0u);
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
        {"QM Build 01-02-2020", L"Update", expected::UpdateOffer, RunningLabel + L"QM Build 01-02-2020"},
        {std::nullopt, L"Install", expected::InstallOffer, RunningLabel + L"(Not available)"},
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
        RunUpdateCheck(state, platform, view);
        EXPECT_EQ(view.calls,
                  (std::vector<std::wstring>{
                      L"SetUpdateButton(withdrawn, Update)",
                      L"SetUpdateButton(offered, " + c.caption + L")",
                      L"SetFieldText(Status, " + c.status + L")",
                      L"SetFieldText(Running, " + c.running + L")",
                      L"SetFieldText(Latest, The latest version is:\tQM Build 09-18-2021)",
                  }));
    }
}

TEST_F(UpdateCheck, MakesThePlatformCallsInOrderWithTheirArguments)
{
    platform.files[Installed] = "QM Build 01-02-2020";
    platform.published = "QM Build 09-18-2021";
    RunUpdateCheck(state, platform, view);
    EXPECT_EQ(platform.CallsBesidesConversions(),
              (std::vector<std::wstring>{
                  L"ReadVariable(USERPROFILE, 260)",
                  L"IsFolder(" + Folder + L")",
                  L"OpenForReading(" + Installed + L")",
                  L"CanReachSite(http://www.quillmate.com, 10000 ms)",
                  L"Remove(" + Download + L")",
                  L"Exists(" + Download + L")",
                  L"Download(http://quillmate.com/downloads/MyQMCommands.xml, " + Download +
                      L", 15000 ms silence, 120000 ms total, 67108864 bytes)",
                  L"OpenForReading(" + Download + L")",
              }));
}

TEST_F(UpdateCheck, AFailedProbeStillDownloads)
{
    platform.files[Installed] = "QM Build 01-02-2020";
    platform.failing = {L"CanReachSite"};
    RunUpdateCheck(state, platform, view);
    EXPECT_EQ(platform.CallsTo(L"Download").size(), 1u);
    EXPECT_EQ(platform.calls.back(), L"OpenForReading(" + Download + L")");
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
        RunUpdateCheck(state, platform, view);
        EXPECT_EQ(
            platform.calls,
            (std::vector<std::wstring>{L"ReadVariable(USERPROFILE, 260)", L"IsFolder(" + c.folderAskedFor + L")"}));
        EXPECT_EQ(view.calls,
                  (std::vector<std::wstring>{
                      L"SetUpdateButton(withdrawn, Update)",
                      L"SetFieldText(Running, You are running version:\t(Not available))",
                      L"SetFieldText(Latest, The latest version is:\t(Not available))",
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
    RunUpdateCheck(state, platform, view);
    platform.files[Installed] = "QM Build 09-18-2021";
    RunUpdateCheck(state, platform, view);
    EXPECT_EQ(view.texts[Field::Running], RunningLabel + L"QM Build 09-18-2021");
    EXPECT_EQ(view.texts[Field::Latest], LatestLabel + L"QM Build 09-18-2021");
    EXPECT_EQ(Status(view), expected::UpToDate);
    EXPECT_FALSE(view.updateOffered);
    EXPECT_EQ(std::wstring(state.statusText), L"");
}

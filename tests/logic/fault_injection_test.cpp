#include "check_fixture.h"
#include "expected_texts.h"
#include "logic/apply_update.h"
#include "logic/update_check.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using expected::LatestLabel;
using expected::RunningLabel;

const std::string Older = "QM Build 01-02-2020";
const std::string Newer = "QM Build 09-18-2021";
const std::string EarlierCopy = "QM Build 01-01-2019";
const std::wstring Unchanged = L"<unchanged>";

// What a person sees in one session: the first check, a click on the offered
// button (when there is one), and closing the dialog.
struct Session {
    std::wstring running;
    std::wstring latest;
    std::wstring status;
    std::wstring offer; // the button's caption, or "" when hidden
    std::vector<std::wstring> boxes;
    std::wstring statusAfterClick;
    std::optional<std::string> installedAtEnd;
    std::optional<std::string> downloadAtEnd;
};

std::optional<std::string> FileOf(const FakePlatform& platform, const std::wstring& path)
{
    const auto found = platform.files.find(path);
    return found == platform.files.end() ? std::nullopt : std::optional(found->second);
}

class FaultInjection : public CheckFixture {
protected:
    // The profile holds an older edition and a copy left by an earlier run;
    // the site publishes a newer one.
    static void Prepare(FakePlatform& platform)
    {
        platform.userProfile = Profile;
        platform.folders.insert(Folder);
        platform.files[Installed] = Older;
        platform.files[Download] = EarlierCopy;
        platform.published = Newer;
    }

    static Session Run(FakePlatform& platform, CheckState& state)
    {
        FakeStatusView view;
        Session session;
        view.texts[Field::Status] = Unchanged;
        RunUpdateCheck(state, VendorEndpoints, platform, view);
        session.running = view.texts[Field::Running];
        session.latest = view.texts[Field::Latest];
        session.status = view.texts[Field::Status];
        session.offer = view.updateOffered ? view.buttonCaption : L"";
        if (!session.offer.empty()) {
            ApplyUpdate(state, VendorEndpoints, platform, view);
            session.statusAfterClick = view.texts[Field::Status];
        }
        DiscardDownload(state, platform, view);
        for (const FakeStatusView::Box& box : view.boxes) {
            session.boxes.push_back(box.caption);
        }
        session.installedAtEnd = FileOf(platform, Installed);
        session.downloadAtEnd = FileOf(platform, Download);
        return session;
    }
};

void ExpectSession(const Session& actual, const Session& expected)
{
    EXPECT_EQ(actual.running, expected.running);
    EXPECT_EQ(actual.latest, expected.latest);
    EXPECT_EQ(actual.status, expected.status);
    EXPECT_EQ(actual.offer, expected.offer);
    EXPECT_EQ(actual.boxes, expected.boxes);
    EXPECT_EQ(actual.statusAfterClick, expected.statusAfterClick);
    EXPECT_EQ(actual.installedAtEnd, expected.installedAtEnd);
    EXPECT_EQ(actual.downloadAtEnd, expected.downloadAtEnd);
}

} // namespace

TEST_F(FaultInjection, EachPlatformCallFailingInTurn)
{
    const std::wstring running = RunningLabel + L"QM Build 01-02-2020";
    const std::wstring latest = LatestLabel + L"QM Build 09-18-2021";
    const std::wstring notAvailable = RunningLabel + expected::NotAvailable;
    const std::wstring failed = LatestLabel + expected::DownloadFailed;
    const std::wstring update = expected::UpdateCaption;
    // clang-format off
    const Session folderMissing{
        notAvailable, LatestLabel + expected::NotAvailable, expected::FolderMissing, L"", {}, L"", Older, EarlierCopy};
    const Session updated{
        running, latest, expected::UpdateOffer, update, {expected::SuccessCaption}, expected::UpToDate, Newer, std::nullopt};
    const Session downloadFailed{running, failed, Unchanged, L"", {}, L"", Older, std::nullopt};
    // clang-format on
    struct Case {
        const wchar_t* failing;
        Session session;
    };
    // clang-format off
    const Case cases[] = {
        {L"", updated},
        {L"ReadVariable", folderMissing},
        {L"IsFolder", folderMissing},
        {L"OpenForReading", {notAvailable, LatestLabel + expected::NotAvailable, Unchanged, L"", {}, L"", Older, Newer}},
        // The download is tried all the same, and works.
        {L"StartSiteCheck", updated},
        {L"SiteReached", updated},
        {L"Download", downloadFailed},
        {L"ToWideText",
         {RunningLabel, LatestLabel, expected::UpdateOffer, update, {expected::SuccessCaption}, expected::UpToDate, Newer,
          std::nullopt}},
        {L"Exists", downloadFailed},
        {L"Replace",
         {running, latest, expected::UpdateOffer, update, {expected::FailureCaption}, expected::UpdateOffer, Older,
          std::nullopt}},
        // The earlier copy stays, so no download can be told from it.
        {L"Remove", {running, failed, Unchanged, L"", {expected::ErrorCaption}, L"", Older, EarlierCopy}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "failing: " << testing::PrintToString(std::wstring(c.failing)));
        FakePlatform platform;
        Prepare(platform);
        platform.failing = {c.failing};
        ExpectSession(Run(platform, state), c.session);
    }
}

TEST_F(FaultInjection, NothingInstalledAndTheProbeFailing)
{
    Prepare(platform);
    platform.files.erase(Installed);
    platform.online = false;
    ExpectSession(Run(platform, state),
                  {RunningLabel + expected::NotAvailable,
                   LatestLabel + expected::DownloadFailed,
                   expected::ConnectionFailure(L"www.quillmate.com"),
                   L"",
                   {},
                   L"",
                   std::nullopt,
                   std::nullopt});
}

TEST_F(FaultInjection, ProfileValuesThatAreMissingOrDoNotFit)
{
    struct Case {
        const char* name;
        std::optional<std::wstring> profile;
        bool attributesAsked;
    };
    // clang-format off
    const Case cases[] = {
        {"missing", std::nullopt, true},
        {"259 characters, fits its buffer but not the suffix", std::wstring(259, L'p'), false},
        {"260 characters, does not fit its buffer", std::wstring(260, L'p'), false},
        {"too long", std::wstring(5000, L'p'), false},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlatform platform;
        Prepare(platform);
        platform.userProfile = c.profile;
        const Session session = Run(platform, state);
        EXPECT_EQ(session.status, expected::FolderMissing);
        EXPECT_EQ(session.offer, L"");
        EXPECT_TRUE(session.boxes.empty());
        EXPECT_EQ(platform.CallsTo(L"IsFolder").size(), c.attributesAsked ? 1u : 0u);
        EXPECT_EQ(std::wstring(state.commandsFolder), c.attributesAsked ? Folder.substr(Profile.size()) : L"");
    }
}

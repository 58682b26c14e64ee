#include "check_fixture.h"
#include "expected_texts.h"
#include "logic/apply_update.h"
#include "logic/latest_fetch.h"
#include "logic/update_check.h"

#include <gtest/gtest.h>

TEST(ProbeHostName, KeepsTheHostAndPortAlone)
{
    struct Case {
        std::wstring_view url;
        std::wstring_view host;
    };
    const Case cases[] = {
        {L"http://www.quillmate.com", L"www.quillmate.com"},
        {L"http://www.quillmate.com/", L"www.quillmate.com"},
        {L"http://127.0.0.1:47101", L"127.0.0.1:47101"},
        {L"http://127.0.0.1:47101/index.html", L"127.0.0.1:47101"},
        {L"http://host/a/b", L"host"},
        {L"https://www.quillmate.com/", L"www.quillmate.com"},
        {L"", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProbeHostName(c.url), c.host);
    }
}

class LatestFetch : public CheckFixture {
protected:
    void SetUp() override { platform.files[Installed] = "QM Build 01-01-2020"; }
};

TEST_F(LatestFetch, ANewDownloadReplacesTheCopyOfAnEarlierCheck)
{
    platform.files[Download] = "QM Build 01-01-2019";
    platform.published = "QM Build 02-02-2022";
    RunUpdateCheck(state, VendorEndpoints, platform, view);
    EXPECT_EQ(state.latestVersion, 20220202);
    EXPECT_EQ(platform.files[Download], "QM Build 02-02-2022");
}

TEST_F(LatestFetch, AnEarlierCopyIsNeverRead)
{
    struct Case {
        const char* name;
        DownloadFailure failure;
        bool held; // by another program that shares reading only, so the call cannot replace it
    };
    const Case cases[] = {
        {"the download fails", DownloadFailure::Other, false},
        {"the copy cannot be deleted", DownloadFailure::None, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlatform platform;
        platform.userProfile = Profile;
        platform.folders.insert(Folder);
        platform.files[Installed] = "QM Build 01-01-2020";
        platform.files[Download] = "QM Build 01-01-2030";
        platform.published = "QM Build 09-18-2021";
        platform.downloadFailure = c.failure;
        if (c.held) {
            platform.heldForReading.insert(Download);
        }
        FakeStatusView view;
        RunUpdateCheck(state, VendorEndpoints, platform, view);
        EXPECT_EQ(view.texts[Field::Latest], expected::LatestLabel + expected::DownloadFailed);
        EXPECT_EQ(state.latestVersion, 0);
        EXPECT_EQ(platform.CallsTo(L"OpenForReading"),
                  (std::vector<std::wstring>{L"OpenForReading(" + Installed + L")"}));
        EXPECT_EQ(platform.CallsTo(L"Download").size(), c.held ? 0u : 1u);
        EXPECT_FALSE(view.updateOffered);
    }
}

TEST_F(LatestFetch, ADownloadWithTwoSignaturesShowsBothAndTheLastDecides)
{
    platform.published = "QM Build 05-05-2025\n<x/>\nQM Build 03-03-2023\n";
    RunUpdateCheck(state, VendorEndpoints, platform, view);
    EXPECT_EQ(view.texts[Field::Latest], expected::LatestLabel + L"QM Build 05-05-2025QM Build 03-03-2023");
    EXPECT_EQ(state.latestVersion, 20230303);
}

TEST_F(LatestFetch, AFailedDownloadIsNeverScannedOrOfferedWhateverItLeft)
{
    const DownloadFailure failures[] = {
        DownloadFailure::HttpStatus,
        DownloadFailure::Incomplete,
        DownloadFailure::NoProgress,
        DownloadFailure::TooLong,
        DownloadFailure::TooLarge,
        DownloadFailure::Other,
    };
    for (const DownloadFailure failure : failures) {
        SCOPED_TRACE(static_cast<int>(failure));
        FakePlatform platform;
        platform.userProfile = Profile;
        platform.folders.insert(Folder);
        platform.files[Installed] = "QM Build 01-01-2020";
        platform.published = "<html>QM Build 02-02-2022</html>";
        platform.downloadFailure = failure;
        FakeStatusView view;
        view.texts[Field::Status] = L"earlier";
        RunUpdateCheck(state, VendorEndpoints, platform, view);
        ApplyUpdate(state, VendorEndpoints, platform, view);
        EXPECT_EQ(view.texts[Field::Latest], expected::LatestLabel + expected::DownloadFailed);
        EXPECT_EQ(view.texts[Field::Status], L"earlier");
        EXPECT_FALSE(view.updateOffered);
        EXPECT_EQ(state.latestVersion, 0);
        EXPECT_EQ(platform.CallsTo(L"OpenForReading").size(), 1u); // the installed file alone
        EXPECT_TRUE(platform.CallsTo(L"Replace").empty());
        EXPECT_TRUE(view.boxes.empty());
        EXPECT_EQ(platform.files[Installed], "QM Build 01-01-2020");
    }
}

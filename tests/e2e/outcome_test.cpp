#include "e2e_fixture.h"
#include "hanging_listener.h"
#include "outcome_table.h"

#include <windows.h>

#include <optional>

namespace {

using expected::LatestLabel;
using expected::RunningLabel;

DialogState Hidden(std::wstring running, std::wstring latest, std::wstring status)
{
    return {std::move(running), std::move(latest), std::move(status), expected::UpdateCaption, false, false};
}

DialogState Offer(std::wstring running, std::wstring latest, std::wstring status, std::wstring caption)
{
    return {std::move(running), std::move(latest), std::move(status), std::move(caption), true, true};
}

// What the dialog shows for `row`, which starts with an empty status area.
DialogState Shown(const outcome::Row& row)
{
    const std::wstring status = outcome::StatusText(row.status, L"", LoopbackProfile::SiteHost);
    if (row.button == outcome::Button::Hidden) {
        return Hidden(RunningLabel + row.running, LatestLabel + row.latest, status);
    }
    return Offer(RunningLabel + row.running,
                 LatestLabel + row.latest,
                 status,
                 row.button == outcome::Button::Install ? expected::InstallCaption : expected::UpdateCaption);
}

class Outcome : public EndToEnd, public ::testing::WithParamInterface<outcome::Row> {};

} // namespace

TEST_P(Outcome, TheDialogShowsWhatTheCheckFound)
{
    using outcome::Site;
    const outcome::Row& row = GetParam();
    if (row.folderExists) {
        CreateCommandsFolder();
    }
    if (row.installed) {
        Install(*row.installed);
    }
    Publish(row.published);
    if (row.site == Site::ProbeFails || row.site == Site::Down) {
        site.reset();
    }
    if (row.site == Site::DownloadFails || row.site == Site::Down) {
        files.reset();
    }
    const auto program = Start();
    ASSERT_NE(program->Dialog(), nullptr);
    EXPECT_EQ(program->Read(), Shown(row));
    Close(*program);
    EXPECT_EQ(ReadFileBytes(installed), row.installed.value_or("<missing>"));
    EXPECT_FALSE(FileExists(download));
}

INSTANTIATE_TEST_SUITE_P(EveryRow,
                         Outcome,
                         ::testing::ValuesIn(outcome::Rows),
                         [](const ::testing::TestParamInfo<outcome::Row>& info) { return info.param.name; });

namespace {

// Behind a web proxy: direct connections to the site are refused, or dropped
// as by a firewall, and only the proxy, named by http_proxy as Windows' proxy
// setting would name it, reaches the site. It answers the download's request
// with `reply`.
struct ProxyCase {
    const char* name;
    HttpResponse reply;
    DialogState shown;
    bool siteDropsConnects;
};

const ProxyCase ProxyCases[] = {
    {"ReachesTheSite",
     {.body = outcome::Current},
     Offer(RunningLabel + L"QM Build 01-02-2020",
           LatestLabel + L"QM Build 09-18-2021",
           expected::UpdateOffer,
           expected::UpdateCaption),
     false},
    {"AnswersNotFound",
     {.status = 404, .body = "<html>Not Found</html>"},
     Hidden(RunningLabel + L"QM Build 01-02-2020",
            LatestLabel + expected::DownloadFailed,
            expected::ConnectionFailure(LoopbackProfile::SiteHost)),
     false},
    // The dialog does not wait for the probe, which the download's answer
    // leaves without use.
    {"ReachesTheSiteWhoseConnectsAreDropped",
     {.body = outcome::Current},
     Offer(RunningLabel + L"QM Build 01-02-2020",
           LatestLabel + L"QM Build 09-18-2021",
           expected::UpdateOffer,
           expected::UpdateCaption),
     true},
};

class BehindAProxy : public EndToEnd, public ::testing::WithParamInterface<ProxyCase> {};

} // namespace

TEST_P(BehindAProxy, TheDownloadGoesThroughTheProxy)
{
    Install(outcome::Older);
    site.reset();
    files.reset();
    std::optional<HangingListener> dropping;
    if (GetParam().siteDropsConnects) {
        dropping.emplace(QMCU_TEST_PROBE_PORT, SiteAddress);
    }
    LoopbackHttpServer proxy;
    // A proxy gets the whole URL in the request line.
    proxy.Serve("http://127.0.0.1:" + std::to_string(QMCU_TEST_DOWNLOAD_PORT) + "/downloads/MyQMCommands.xml",
                GetParam().reply);
    const DWORD start = GetTickCount();
    const auto program = Start(profile.Path(), {L"http_proxy=http://127.0.0.1:" + std::to_wstring(proxy.Port())});
    ASSERT_NE(program->Dialog(), nullptr);
    // Well within the probe's 10 s, which a dropped connect would take whole.
    EXPECT_LT(GetTickCount() - start, 8000u);
    EXPECT_EQ(program->Read(), GetParam().shown);
    EXPECT_EQ(proxy.Requests(), 1);
    Close(*program);
    EXPECT_EQ(ReadFileBytes(installed), outcome::Older);
}

INSTANTIATE_TEST_SUITE_P(Proxy,
                         BehindAProxy,
                         ::testing::ValuesIn(ProxyCases),
                         [](const ::testing::TestParamInfo<ProxyCase>& info) { return info.param.name; });

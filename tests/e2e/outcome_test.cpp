#include "e2e_fixture.h"

#include <windows.h>

namespace {

using expected::LatestLabel;
using expected::RunningLabel;

const std::wstring NotAvailable = L"(Not available)";
const std::wstring DownloadFailed = L"(Download failed)";

// One start of the program: what is on disk and on the server, and what the
// dialog then shows.
struct Scenario {
    const char* name;
    bool folderExists;
    std::optional<std::string> installed;
    bool siteUp;
    bool downloadUp;
    std::optional<std::string> published; // unset: the server answers 404
    DialogState shown;
};

DialogState Hidden(std::wstring running, std::wstring latest, std::wstring status)
{
    return {std::move(running), std::move(latest), std::move(status), L"Update", false, false};
}

DialogState Offer(std::wstring running, std::wstring latest, std::wstring status, std::wstring caption)
{
    return {std::move(running), std::move(latest), std::move(status), std::move(caption), true, true};
}

const std::string Current = "<c>QM Build 09-18-2021</c>";
const std::string OlderFile = "<c>QM Build 01-02-2020</c>";
const std::string NewerFile = "<c>QM Build 10-18-2021</c>";
const std::wstring Probe = L"127.0.0.1:" + std::to_wstring(QMCU_TEST_PROBE_PORT);

// clang-format off
const Scenario Scenarios[] = {
    {"FolderMissing", false, std::nullopt, true, true, Current,
     Hidden(RunningLabel + NotAvailable, LatestLabel + NotAvailable, expected::FolderMissing)},
    {"NothingInstalled", true, std::nullopt, true, true, Current,
     Offer(RunningLabel + NotAvailable, LatestLabel + L"QM Build 09-18-2021", expected::InstallOffer, L"Install")},
    {"InstalledWithoutSignature", true, "<c/>", true, true, Current,
     Offer(RunningLabel + NotAvailable, LatestLabel + L"QM Build 09-18-2021", expected::SignatureOffer, L"Update")},
    {"InstalledOlder", true, OlderFile, true, true, Current,
     Offer(RunningLabel + L"QM Build 01-02-2020", LatestLabel + L"QM Build 09-18-2021", expected::UpdateOffer,
           L"Update")},
    {"InstalledCurrent", true, Current, true, true, Current,
     Hidden(RunningLabel + L"QM Build 09-18-2021", LatestLabel + L"QM Build 09-18-2021", expected::UpToDate)},
    {"InstalledNewer", true, NewerFile, true, true, Current,
     Hidden(RunningLabel + L"QM Build 10-18-2021", LatestLabel + L"QM Build 09-18-2021", L"")},
    // The probe fails; the download is tried all the same and works.
    {"ProbeFailsDownloadWorks", true, OlderFile, false, true, Current,
     Offer(RunningLabel + L"QM Build 01-02-2020", LatestLabel + L"QM Build 09-18-2021", expected::UpdateOffer,
           L"Update")},
    {"SiteUnreachable", true, Current, false, false, Current,
     Hidden(RunningLabel + L"QM Build 09-18-2021", LatestLabel + DownloadFailed, expected::ConnectionFailure(Probe))},
    {"SiteUnreachableNoSignature", true, "<c/>", false, false, Current,
     Hidden(RunningLabel, LatestLabel + DownloadFailed, expected::ConnectionFailure(Probe))},
    {"DownloadFails", true, Current, true, false, Current,
     Hidden(RunningLabel + L"QM Build 09-18-2021", LatestLabel + DownloadFailed, L"")},
    {"DownloadWithoutSignature", true, Current, true, true, "<c>no signature</c>",
     Hidden(RunningLabel + L"QM Build 09-18-2021", LatestLabel, L"")},
    {"NothingInstalledSiteUnreachable", true, std::nullopt, false, false, Current,
     Hidden(RunningLabel + NotAvailable, LatestLabel + DownloadFailed, expected::ConnectionFailure(Probe))},
    {"NothingInstalledDownloadFails", true, std::nullopt, true, false, Current,
     Hidden(RunningLabel + NotAvailable, LatestLabel + DownloadFailed, L"")},
};
// clang-format on

class Outcome : public EndToEnd, public ::testing::WithParamInterface<Scenario> {};

} // namespace

TEST_P(Outcome, TheDialogShowsWhatTheCheckFound)
{
    const Scenario& scenario = GetParam();
    if (scenario.folderExists) {
        CreateCommandsFolder();
    }
    if (scenario.installed) {
        Install(*scenario.installed);
    }
    if (scenario.published) {
        Publish(*scenario.published);
    }
    if (!scenario.siteUp) {
        site.reset();
    }
    if (!scenario.downloadUp) {
        files.reset();
    }
    const auto program = Start();
    ASSERT_NE(program->Dialog(), nullptr);
    EXPECT_EQ(program->Read(), scenario.shown);
    Close(*program);
    EXPECT_EQ(ReadFileBytes(installed), scenario.installed.value_or("<missing>"));
    EXPECT_FALSE(FileExists(download));
}

INSTANTIATE_TEST_SUITE_P(EveryRow,
                         Outcome,
                         ::testing::ValuesIn(Scenarios),
                         [](const ::testing::TestParamInfo<Scenario>& info) { return info.param.name; });

namespace {

// Behind a web proxy: direct connections to the site are refused, and only
// the proxy, named by http_proxy as Windows' proxy setting would name it,
// reaches the site. It answers the download's request with `reply`.
struct ProxyCase {
    const char* name;
    HttpResponse reply;
    DialogState shown;
};

const ProxyCase ProxyCases[] = {
    {"ReachesTheSite",
     {.body = Current},
     Offer(RunningLabel + L"QM Build 01-02-2020",
           LatestLabel + L"QM Build 09-18-2021",
           expected::UpdateOffer,
           L"Update")},
    {"AnswersNotFound",
     {.status = 404, .body = "<html>Not Found</html>"},
     Hidden(RunningLabel + L"QM Build 01-02-2020", LatestLabel + DownloadFailed, expected::ConnectionFailure(Probe))},
};

class BehindAProxy : public EndToEnd, public ::testing::WithParamInterface<ProxyCase> {};

} // namespace

TEST_P(BehindAProxy, TheDownloadGoesThroughTheProxy)
{
    Install(OlderFile);
    site.reset();
    files.reset();
    LoopbackHttpServer proxy;
    // A proxy gets the whole URL in the request line.
    proxy.Serve("http://127.0.0.1:" + std::to_string(QMCU_TEST_DOWNLOAD_PORT) + "/downloads/MyQMCommands.xml",
                GetParam().reply);
    const auto program = Start(profile.Path(), {L"http_proxy=http://127.0.0.1:" + std::to_wstring(proxy.Port())});
    ASSERT_NE(program->Dialog(), nullptr);
    EXPECT_EQ(program->Read(), GetParam().shown);
    EXPECT_EQ(proxy.Requests(), 1);
    Close(*program);
    EXPECT_EQ(ReadFileBytes(installed), OlderFile);
}

INSTANTIATE_TEST_SUITE_P(Proxy,
                         BehindAProxy,
                         ::testing::ValuesIn(ProxyCases),
                         [](const ::testing::TestParamInfo<ProxyCase>& info) { return info.param.name; });

#include "latest_fetch.h"

#include "build_signature.h"
#include "check_state.h"
#include "endpoints.h"
#include "platform_services.h"
#include "status_view.h"
#include "texts.h"
#include "wide_text.h"

#include <iterator>
#include <memory>

namespace {

void ShowConnectionFailure(const Endpoints& endpoints, StatusView& view)
{
    const std::wstring_view host = ProbeHostName(endpoints.probeUrl);
    wchar_t message[StatusCapacity] = L"";
    AppendText(message, text::ConnectingPrefix);
    AppendText(message, std::size(message), host.data(), host.size());
    AppendText(message, text::ConnectingSuffix);
    view.SetFieldText(Field::Status, message);
}

// Every download starts where nothing stands: a file left there, by an
// earlier check or held open by another program, would otherwise pass for
// the new download, and the download creates its file new. A failed
// download is never read either, whatever it may have left.
[[nodiscard]] bool DownloadLatest(const CheckState& state, const Endpoints& endpoints, PlatformServices& platform)
{
    // Whether the delete worked is told by what stands there afterwards:
    // nothing to delete is fine, and a file held open with delete sharing
    // survives a delete that succeeded.
    static_cast<void>(platform.Remove(state.downloadFile));
    if (platform.Exists(state.downloadFile)) {
        return false;
    }
    return platform.Download(endpoints.downloadUrl, state.downloadFile, DownloadLimitsInUse).Succeeded();
}

} // namespace

std::wstring_view ProbeHostName(std::wstring_view url)
{
    for (const std::wstring_view scheme : {L"http://", L"https://"}) {
        if (url.starts_with(scheme)) {
            url.remove_prefix(scheme.size());
        }
    }
    return url.substr(0, url.find(L'/'));
}

void FetchLatest(CheckState& state, const Endpoints& endpoints, PlatformServices& platform, StatusView& view)
{
    // The probe runs beside the download and decides nothing on its own: it
    // connects directly, while the download goes through the proxy that
    // Windows is set to use, which may be the only way out. Its answer only
    // chooses the text of a failed download, so it is waited for then alone;
    // after a good download it is given up, and a site that drops the probe's
    // connects holds nothing up.
    std::unique_ptr<SiteCheck> siteCheck = platform.StartSiteCheck(endpoints.probeUrl, ProbeTimeLimit);
    if (!DownloadLatest(state, endpoints, platform)) {
        AppendText(state.latestLine, text::DownloadFailed);
        if (siteCheck == nullptr || !siteCheck->SiteReached()) {
            ShowConnectionFailure(endpoints, view);
        }
        return;
    }
    siteCheck.reset();
    ScanBuildSignatures(platform, state.downloadFile, state.latestLine, state.latestVersion, ScanRule::LatestFile);
}

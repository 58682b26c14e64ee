#pragma once

#include "expected_texts.h"

#include <optional>
#include <string>

// The outcomes of a check, as one table that both the logic's tests (on the
// fake platform) and the end-to-end tests (the real program, against loopback
// servers) run: what is on disk and on the network, and what the dialog then
// shows.
namespace outcome {

// What answers: Up, the site and the download; ProbeFails, the download only
// (as through a proxy); DownloadFails, the site only; Down, neither.
enum class Site { Up, ProbeFails, DownloadFails, Down };
enum class Button { Hidden, Install, Update };
// Which text the status area shows; Unchanged, none of its own.
enum class Status { Unchanged, FolderMissing, InstallOffer, SignatureOffer, UpdateOffer, UpToDate, ConnectionFailure };

struct Row {
    const char* name;
    bool folderExists;
    std::optional<std::string> installed; // the installed file, when there is one
    Site site;
    std::string published;
    std::wstring running; // the installed line after its label
    std::wstring latest;  // the latest line after its label
    Status status;
    Button button;
};

inline const std::string Current = "<c>QM Build 09-18-2021</c>";
inline const std::string Older = "<c>QM Build 01-02-2020</c>";
inline const std::string Newer = "<c>QM Build 10-18-2021</c>";
using expected::DownloadFailed;
using expected::NotAvailable;

// clang-format off
inline const Row Rows[] = {
    {"FolderMissing", false, std::nullopt, Site::Up, Current, NotAvailable, NotAvailable, Status::FolderMissing,
     Button::Hidden},
    {"NothingInstalled", true, std::nullopt, Site::Up, Current, NotAvailable, L"QM Build 09-18-2021",
     Status::InstallOffer, Button::Install},
    {"InstalledWithoutSignature", true, "<c/>", Site::Up, Current, NotAvailable, L"QM Build 09-18-2021",
     Status::SignatureOffer, Button::Update},
    {"InstalledOlder", true, Older, Site::Up, Current, L"QM Build 01-02-2020", L"QM Build 09-18-2021",
     Status::UpdateOffer, Button::Update},
    {"InstalledCurrent", true, Current, Site::Up, Current, L"QM Build 09-18-2021", L"QM Build 09-18-2021",
     Status::UpToDate, Button::Hidden},
    {"InstalledNewer", true, Newer, Site::Up, Current, L"QM Build 10-18-2021", L"QM Build 09-18-2021",
     Status::Unchanged, Button::Hidden},
    {"ProbeFailsDownloadWorks", true, Older, Site::ProbeFails, Current, L"QM Build 01-02-2020",
     L"QM Build 09-18-2021", Status::UpdateOffer, Button::Update},
    {"SiteUnreachable", true, Current, Site::Down, Newer, L"QM Build 09-18-2021", DownloadFailed,
     Status::ConnectionFailure, Button::Hidden},
    {"SiteUnreachableNoSignature", true, "<c/>", Site::Down, Current, L"", DownloadFailed, Status::ConnectionFailure,
     Button::Hidden},
    {"DownloadFails", true, Current, Site::DownloadFails, Newer, L"QM Build 09-18-2021", DownloadFailed,
     Status::Unchanged, Button::Hidden},
    {"DownloadWithoutSignature", true, Current, Site::Up, "<c>no signature</c>", L"QM Build 09-18-2021", L"",
     Status::Unchanged, Button::Hidden},
    {"NothingInstalledSiteUnreachable", true, std::nullopt, Site::Down, Current, NotAvailable, DownloadFailed,
     Status::ConnectionFailure, Button::Hidden},
    {"NothingInstalledDownloadFails", true, std::nullopt, Site::DownloadFails, Current, NotAvailable, DownloadFailed,
     Status::Unchanged, Button::Hidden},
};
// clang-format on

// What the status area shows for `status`: `unchanged` when the check writes
// nothing there, and the connection failure names `host`.
inline std::wstring StatusText(Status status, const std::wstring& unchanged, const std::wstring& host)
{
    switch (status) {
    case Status::FolderMissing:
        return expected::FolderMissing;
    case Status::InstallOffer:
        return expected::InstallOffer;
    case Status::SignatureOffer:
        return expected::SignatureOffer;
    case Status::UpdateOffer:
        return expected::UpdateOffer;
    case Status::UpToDate:
        return expected::UpToDate;
    case Status::ConnectionFailure:
        return expected::ConnectionFailure(host);
    case Status::Unchanged:
        break;
    }
    return unchanged;
}

} // namespace outcome

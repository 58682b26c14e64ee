#pragma once

// Where the latest commands file comes from. The entry hands the values it was
// built with to the check; tests hand their own.
struct Endpoints {
    // The vendor's web site, probed beside the download: "http://" (or
    // "https://") and a host.
    const wchar_t* probeUrl;
    // The published latest commands file.
    const wchar_t* downloadUrl;
};

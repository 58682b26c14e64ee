#pragma once

// Where the latest commands file comes from, compiled in. Each executable links
// one definition of these, generated from the build's configuration.

// The vendor's web site, probed before the download: "http://" (or
// "https://") and a host.
extern const wchar_t ProbeUrl[];

// The published latest commands file.
extern const wchar_t DownloadUrl[];

#pragma once

#include "match_digest.h"

#include <cstdint>
#include <optional>

// GNU grep as the yardstick of the scan: `LC_ALL=C grep -oE` with the
// signature's pattern, 'QM Build [0-9]{2}-[0-9]{2}-[0-9]{4}', which finds what
// the scanner finds, line by line.

struct GrepCount {
    double seconds = 0;
    uint64_t lines = 0;
};

// Runs `LC_ALL=C grep -oE PATTERN PATH | wc -l` through /bin/sh and returns the
// count wc printed and the time from starting the shell until it ended. Its
// output goes to a pipe on purpose: with its output on /dev/null grep would
// stop at the first match. nullopt when the command fails.
std::optional<GrepCount> TimeGrepCount(const char* path);

// Runs `LC_ALL=C grep -oE PATTERN PATH` and digests the matches it prints.
// nullopt when grep fails (finding nothing is no failure).
std::optional<MatchDigest> GrepMatches(const char* path);

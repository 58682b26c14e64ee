#pragma once

// Why a download is not taken as the latest edition.
enum class DownloadFailure {
    None,       // a whole reply with final status 200
    HttpStatus, // a reply with another final status, after any redirects
    Incomplete, // a body shorter than its announced length, or a file shorter than what came
    NoProgress, // nothing came for the limit's silence
    TooLong,    // the limit's total time ran out
    TooLarge,   // more than the limit's bytes were announced or came
    Other,      // no reply, a failed call, no file at the path, or the wait given up
};

struct DownloadResult {
    DownloadFailure failure = DownloadFailure::None;
    int httpStatus = 0; // the final status, when a reply came

    [[nodiscard]] bool Succeeded() const { return failure == DownloadFailure::None; }
};

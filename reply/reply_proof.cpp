#include "reply_proof.h"

#include "reply/whole_document.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr const wchar_t* NoReply = L"no reply came, or none with a status code";

} // namespace

bool ReplyProof::ReadHead(std::string_view head, RequestVersion request)
{
    outcome_ = {.result = {DownloadFailure::None, StatusOf(head)}};
    if (outcome_.result.httpStatus == 0) {
        return outcome_.Fail(DownloadFailure::Other, NoReply);
    }
    if (outcome_.result.httpStatus != 200) {
        return outcome_.Fail(DownloadFailure::HttpStatus, L"the final status is not 200");
    }
    if (const wchar_t* why = ReadFraming(head, request, framing_)) {
        return outcome_.Fail(DownloadFailure::Other, why);
    }
    if (framing_.length && *framing_.length > maxBytes_) {
        return outcome_.Fail(DownloadFailure::TooLarge, L"the announced length passes the limit");
    }
    if (framing_.gzip && !gzip_.Started()) {
        return outcome_.Fail(DownloadFailure::Other, L"the gzip decoder cannot start");
    }
    // The body of an exact length comes into room made for all of it at once.
    if (framing_.length && !framing_.gzip && !body_.MakeRoom(static_cast<size_t>(*framing_.length))) {
        return outcome_.Fail(DownloadFailure::Other, L"no memory for the body");
    }
    return true;
}

bool ReplyProof::Feed(std::string_view bytes)
{
    if (!outcome_.Succeeded()) {
        return false;
    }
    // The bytes within the length or the limit are taken before those past
    // it fail the reply, so that the outcome does not depend on where the
    // pieces were cut. A length is within the limit (ReadHead).
    const uint64_t most = framing_.length ? *framing_.length : maxBytes_;
    const std::string_view taken =
        bytes.substr(0, static_cast<size_t>(std::min<uint64_t>(most - received_, bytes.size())));
    received_ += taken.size();
    const bool fed = framing_.gzip
                         ? gzip_.Feed(taken, body_, maxBytes_, outcome_)
                         : body_.Append(taken, static_cast<size_t>(std::min<uint64_t>(maxBytes_, SIZE_MAX))) ||
                               outcome_.Fail(DownloadFailure::Other, L"no memory for the body");
    if (!fed || taken.size() == bytes.size()) {
        return fed;
    }
    return framing_.length ? outcome_.Fail(DownloadFailure::Other, L"the body is longer than its Content-Length")
                           : outcome_.Fail(DownloadFailure::TooLarge, L"the body passes the limit");
}

bool ReplyProof::End()
{
    if (!outcome_.Succeeded()) {
        return false;
    }
    if (framing_.length && received_ != *framing_.length) {
        return outcome_.Fail(DownloadFailure::Incomplete, L"the body is shorter than its Content-Length");
    }
    if (framing_.gzip && !gzip_.End(outcome_)) {
        return false;
    }
    if (!framing_.length && !framing_.gzip && !IsWholeDocument(body_.View())) {
        return outcome_.Fail(DownloadFailure::Incomplete, L"the reply has no length, and its document ends early");
    }
    proved_ = true;
    return true;
}

ByteBuffer ReplyProof::TakeBody()
{
    return proved_ ? std::move(body_) : ByteBuffer();
}

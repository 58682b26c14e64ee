#include "reply_head.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <initializer_list>

namespace {

constexpr std::string_view LineEnd = "\r\n";
constexpr std::string_view Spaces = " \t";

// The views are cut with remove_prefix and remove_suffix, which cannot
// throw (the README's rule on exceptions).
std::string_view Trimmed(std::string_view text)
{
    text.remove_prefix(std::min(text.find_first_not_of(Spaces), text.size()));
    while (!text.empty() && Spaces.find(text.back()) != std::string_view::npos) {
        text.remove_suffix(1);
    }
    return text;
}

// Takes the text before the first `separator` off the front of `text`, with
// the separator; all of it when there is none.
std::string_view TakeUntil(std::string_view& text, std::string_view separator)
{
    const size_t end = std::min(text.find(separator), text.size());
    const std::string_view taken = text.substr(0, end);
    text.remove_prefix(std::min(end + separator.size(), text.size()));
    return taken;
}

char AsciiLower(char letter)
{
    return letter >= 'A' && letter <= 'Z' ? static_cast<char>(letter - 'A' + 'a') : letter;
}

// Header names and codings are compared without regard to case.
bool SameName(std::string_view text, std::string_view lowerCaseName)
{
    return std::ranges::equal(text, lowerCaseName, {}, AsciiLower);
}

// The value of one decimal number, one beyond 64 bits as the largest;
// nullopt for anything else, a sign or an empty text included.
std::optional<uint64_t> DecimalNumber(std::string_view text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    uint64_t value = 0;
    const std::from_chars_result parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    return parsed.ec == std::errc::result_out_of_range ? UINT64_MAX : value;
}

// Adds the lengths of one Content-Length field, a list of numbers that must
// all be equal, to `length`; why not, when they are not.
const wchar_t* AddLengths(std::string_view list, std::optional<uint64_t>& length)
{
    constexpr const wchar_t* NotNumbers = L"a Content-Length is not a list of decimal numbers";
    bool any = false;
    while (!list.empty()) {
        const std::string_view element = Trimmed(TakeUntil(list, ","));
        if (element.empty()) {
            continue;
        }
        const std::optional<uint64_t> value = DecimalNumber(element);
        if (!value) {
            return NotNumbers;
        }
        if (length && *length != *value) {
            return L"two Content-Length values disagree";
        }
        length = value;
        any = true;
    }
    return any ? nullptr : NotNumbers;
}

// The codings that the header fields of one name list, in order.
struct Codings {
    bool named = false; // a field of this name came
    int count = 0;
    // Whether any is not one of the accepted names.
    bool unknown = false;
};

void AddCodings(std::string_view list, std::initializer_list<std::string_view> accepted, Codings& codings)
{
    codings.named = true;
    while (!list.empty()) {
        const std::string_view coding = Trimmed(TakeUntil(list, ","));
        if (coding.empty() || SameName(coding, "identity")) {
            continue;
        }
        ++codings.count;
        codings.unknown = codings.unknown ||
                          std::ranges::none_of(accepted, [&](std::string_view name) { return SameName(coding, name); });
    }
}

const wchar_t* TransferCodingFault(const Codings& transfer, RequestVersion request, bool withLength)
{
    if (transfer.named && request == RequestVersion::Http10) {
        return L"a Transfer-Encoding in reply to an HTTP/1.0 request";
    }
    if (transfer.unknown || transfer.count > 1) {
        return L"a transfer coding other than one chunked";
    }
    if (transfer.count == 1 && withLength) {
        return L"Transfer-Encoding together with Content-Length";
    }
    return nullptr;
}

} // namespace

RequestVersion VersionOfRequest(std::string_view request)
{
    const std::string_view line = TakeUntil(request, LineEnd);
    return line.ends_with(" HTTP/1.1") ? RequestVersion::Http11 : RequestVersion::Http10;
}

int StatusOf(std::string_view head)
{
    std::string_view line = TakeUntil(head, LineEnd);
    TakeUntil(line, " ");
    const std::string_view code = line.substr(0, std::min(line.find(' '), line.size()));
    const std::optional<uint64_t> status = code.size() == 3 ? DecimalNumber(code) : std::nullopt;
    return status ? static_cast<int>(*status) : 0;
}

const wchar_t* ReadFraming(std::string_view head, RequestVersion request, ReplyFraming& framing)
{
    framing = {};
    std::string_view statusLine = TakeUntil(head, LineEnd);
    const std::string_view version = TakeUntil(statusLine, " ");
    if (version != "HTTP/1.0" && version != "HTTP/1.1") {
        return L"the reply is not HTTP/1.0 or HTTP/1.1";
    }
    int fields = 0;
    Codings transfer;
    Codings content;
    while (!head.empty()) {
        std::string_view value = TakeUntil(head, LineEnd);
        if (value.find(':') == std::string_view::npos) {
            continue;
        }
        ++fields;
        const std::string_view name = Trimmed(TakeUntil(value, ":"));
        value = Trimmed(value);
        if (SameName(name, "content-length")) {
            if (const wchar_t* fault = AddLengths(value, framing.length)) {
                return fault;
            }
        } else if (SameName(name, "transfer-encoding")) {
            AddCodings(value, {"chunked"}, transfer);
        } else if (SameName(name, "content-encoding")) {
            AddCodings(value, {"gzip", "x-gzip"}, content);
        }
    }
    if (fields == 0) {
        return L"the reply has no header fields, as an HTTP/0.9 reply";
    }
    if (const wchar_t* fault = TransferCodingFault(transfer, request, framing.length.has_value())) {
        return fault;
    }
    if (content.unknown || content.count > 1) {
        return L"a content coding other than one gzip";
    }
    framing.gzip = content.count == 1;
    return nullptr;
}

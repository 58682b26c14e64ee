#include "reply_framing.h"

#include <algorithm>
#include <charconv>
#include <cstddef>

namespace win32 {

namespace {

constexpr std::wstring_view LineEnd = L"\r\n";
constexpr std::wstring_view Spaces = L" \t";

// The views are cut with remove_prefix and remove_suffix, which cannot
// throw, so that no exception support is linked into the program.
std::wstring_view Trimmed(std::wstring_view text)
{
    text.remove_prefix(std::min(text.find_first_not_of(Spaces), text.size()));
    while (!text.empty() && Spaces.find(text.back()) != std::wstring_view::npos) {
        text.remove_suffix(1);
    }
    return text;
}

// Takes the text before the first `separator` off the front of `text`, with
// the separator; all of it when there is none.
std::wstring_view TakeUntil(std::wstring_view& text, std::wstring_view separator)
{
    const size_t end = std::min(text.find(separator), text.size());
    const std::wstring_view taken = text.substr(0, end);
    text.remove_prefix(std::min(end + separator.size(), text.size()));
    return taken;
}

wchar_t AsciiLower(wchar_t letter)
{
    return letter >= L'A' && letter <= L'Z' ? static_cast<wchar_t>(letter - L'A' + L'a') : letter;
}

// Header names and codings are compared without regard to case.
bool SameName(std::wstring_view text, std::wstring_view lowerCaseName)
{
    return std::ranges::equal(text, lowerCaseName, {}, AsciiLower);
}

// The value of one decimal number, one beyond 64 bits as the largest;
// nullopt for anything else, a sign or an empty text included.
std::optional<uint64_t> DecimalNumber(std::wstring_view text)
{
    constexpr size_t MostDigits = 20;
    if (text.empty() || text.find_first_not_of(L"0123456789") != std::wstring_view::npos) {
        return std::nullopt;
    }
    if (text.size() > MostDigits) {
        return UINT64_MAX;
    }
    char digits[MostDigits];
    std::ranges::transform(text, digits, [](wchar_t digit) { return static_cast<char>(digit); });
    uint64_t value = 0;
    const std::from_chars_result parsed = std::from_chars(digits, digits + text.size(), value);
    return parsed.ec == std::errc::result_out_of_range ? UINT64_MAX : value;
}

// The codings that the header fields of one name list, in order.
struct Codings {
    int count = 0;
    // Whether any is not one of the accepted names.
    bool unknown = false;
};

void AddCodings(std::wstring_view list, std::initializer_list<std::wstring_view> accepted, Codings& codings)
{
    while (!list.empty()) {
        const std::wstring_view coding = Trimmed(TakeUntil(list, L","));
        if (coding.empty() || SameName(coding, L"identity")) {
            continue;
        }
        ++codings.count;
        codings.unknown = codings.unknown || std::ranges::none_of(accepted, [&](std::wstring_view name) {
                              return SameName(coding, name);
                          });
    }
}

} // namespace

const wchar_t* ReadFraming(std::wstring_view headers, ReplyFraming& framing)
{
    framing = {};
    const std::wstring_view statusLine = TakeUntil(headers, LineEnd);
    std::wstring_view rest = statusLine;
    const std::wstring_view version = TakeUntil(rest, L" ");
    if (version != L"HTTP/1.0" && version != L"HTTP/1.1") {
        return L"the reply is not HTTP/1.0 or HTTP/1.1";
    }
    int fields = 0;
    Codings transfer;
    Codings content;
    while (!headers.empty()) {
        std::wstring_view value = TakeUntil(headers, LineEnd);
        if (value.find(L':') == std::wstring_view::npos) {
            continue;
        }
        ++fields;
        const std::wstring_view name = Trimmed(TakeUntil(value, L":"));
        value = Trimmed(value);
        if (SameName(name, L"content-length")) {
            const std::optional<uint64_t> length = DecimalNumber(value);
            if (!length) {
                return L"a Content-Length is not one decimal number";
            }
            if (framing.length && *framing.length != *length) {
                return L"two Content-Length fields disagree";
            }
            framing.length = length;
        } else if (SameName(name, L"transfer-encoding")) {
            AddCodings(value, {L"chunked"}, transfer);
        } else if (SameName(name, L"content-encoding")) {
            AddCodings(value, {L"gzip", L"x-gzip"}, content);
        }
    }
    if (fields == 0) {
        return L"the reply has no header fields, as an HTTP/0.9 reply";
    }
    if (transfer.unknown || transfer.count > 1) {
        return L"a transfer coding other than one chunked";
    }
    if (transfer.count == 1 && framing.length) {
        return L"Transfer-Encoding together with Content-Length";
    }
    if (content.unknown || content.count > 1) {
        return L"a content coding other than one gzip";
    }
    framing.gzip = content.count == 1;
    return nullptr;
}

} // namespace win32

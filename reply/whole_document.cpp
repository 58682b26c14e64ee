#include "whole_document.h"

#include <algorithm>

namespace {

constexpr std::string_view Spaces = " \t\r\n";

void SkipSpaces(std::string_view& text)
{
    text.remove_prefix(std::min(text.find_first_not_of(Spaces), text.size()));
}

// Skips past the next `end`; false when there is none.
[[nodiscard]] bool SkipPast(std::string_view& text, std::string_view end)
{
    const size_t at = text.find(end);
    if (at == std::string_view::npos) {
        return false;
    }
    text.remove_prefix(at + end.size());
    return true;
}

// The length of the comment or processing instruction that starts `text`,
// its end included; 0 when `text` starts neither, npos when it does not close.
size_t CommentOrInstruction(std::string_view text)
{
    const std::string_view start = text.starts_with("<!--") ? "<!--" : (text.starts_with("<?") ? "<?" : "");
    if (start.empty()) {
        return 0;
    }
    const std::string_view end = start == "<?" ? "?>" : "-->";
    const size_t at = text.find(end, start.size());
    return at == std::string_view::npos ? at : at + end.size();
}

// Skips a tag or a declaration from its '<' to the '>' that closes it,
// passing over quoted values and a declaration's bracketed subset, and the
// comments and processing instructions inside that subset, which may hold
// quotes and brackets of their own; false when it does not close. `empty`
// tells whether it ended with "/>".
[[nodiscard]] bool SkipTag(std::string_view& text, bool& empty)
{
    char quote = '\0';
    int brackets = 0;
    for (size_t at = 1; at < text.size(); ++at) {
        const char c = text[at];
        const size_t inner = quote == '\0' && brackets > 0 ? CommentOrInstruction(text.substr(at)) : 0;
        if (inner == std::string_view::npos) {
            return false;
        }
        if (inner != 0) {
            at += inner - 1;
        } else if (quote != '\0') {
            quote = c == quote ? '\0' : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[' || c == ']') {
            brackets += c == '[' ? 1 : -1;
        } else if (c == '>' && brackets == 0) {
            empty = text[at - 1] == '/';
            text.remove_prefix(at + 1);
            return true;
        }
    }
    return false;
}

// Skips white space, comments and processing instructions, and also a
// document type declaration when `prolog`; false when one of them does not
// close.
[[nodiscard]] bool SkipMisc(std::string_view& text, bool prolog)
{
    for (;;) {
        SkipSpaces(text);
        bool empty = false;
        if (text.starts_with("<!--")) {
            if (!SkipPast(text, "-->")) {
                return false;
            }
        } else if (text.starts_with("<?")) {
            if (!SkipPast(text, "?>")) {
                return false;
            }
        } else if (prolog && text.starts_with("<!DOCTYPE")) {
            if (!SkipTag(text, empty)) {
                return false;
            }
        } else {
            return true;
        }
    }
}

// Skips one piece of an element's content from its '<': a comment, a
// CDATA section, a processing instruction or a tag. `depth` counts the
// elements left open.
[[nodiscard]] bool SkipMarkup(std::string_view& text, int& depth)
{
    if (text.starts_with("<!--")) {
        return SkipPast(text, "-->");
    }
    if (text.starts_with("<![CDATA[")) {
        return SkipPast(text, "]]>");
    }
    if (text.starts_with("<?")) {
        return SkipPast(text, "?>");
    }
    const bool closing = text.starts_with("</");
    bool empty = false;
    if (text.starts_with("<!") || !SkipTag(text, empty)) {
        return false;
    }
    depth += closing ? -1 : (empty ? 0 : 1);
    return true;
}

// Skips the element that starts `text`, with all it holds.
[[nodiscard]] bool SkipElement(std::string_view& text)
{
    if (text.size() < 2 || text[0] != '<' || text[1] == '/' || text[1] == '!' || text[1] == '?') {
        return false;
    }
    int depth = 0;
    do {
        const size_t tag = text.find('<');
        if (tag == std::string_view::npos) {
            return false;
        }
        text.remove_prefix(tag);
        if (!SkipMarkup(text, depth)) {
            return false;
        }
    } while (depth > 0);
    return true;
}

} // namespace

bool IsWholeDocument(std::string_view bytes)
{
    constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
    if (bytes.starts_with(ByteOrderMark)) {
        bytes.remove_prefix(ByteOrderMark.size());
    }
    return SkipMisc(bytes, true) && SkipElement(bytes) && SkipMisc(bytes, false) && bytes.empty();
}

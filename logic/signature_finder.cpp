#include "signature_finder.h"

#include "platform/platform_services.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace {

constexpr char Prefix[] = "QM Build ";
constexpr size_t PrefixLength = sizeof(Prefix) - 1;
constexpr size_t LastPosition = SignatureLength - 1;
constexpr size_t ChunkSize = 256 * 1024;

constexpr bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

// Whether byte `c` can stand at `position` of a signature.
constexpr bool Accepts(size_t position, unsigned char c)
{
    if (position < PrefixLength) {
        return c == static_cast<unsigned char>(Prefix[position]);
    }
    const size_t inDate = position - PrefixLength; // within "DD-DD-DDDD"
    return inDate == 2 || inDate == 5 ? c == '-' : IsDigit(c);
}

// Horspool's skip table over the character classes of the pattern: how far the
// window may move when its last byte is `c` without passing over a match.
constexpr std::array<unsigned char, 256> MakeSkipTable()
{
    std::array<unsigned char, 256> skip{};
    for (size_t c = 0; c < skip.size(); ++c) {
        skip[c] = SignatureLength;
        for (size_t position = 0; position < LastPosition; ++position) {
            if (Accepts(position, static_cast<unsigned char>(c))) {
                skip[c] = static_cast<unsigned char>(LastPosition - position);
            }
        }
    }
    return skip;
}

constexpr std::array<unsigned char, 256> Skip = MakeSkipTable();

bool IsSignatureAt(const char* p)
{
    if (std::memcmp(p, Prefix, PrefixLength) != 0) {
        return false;
    }
    for (size_t position = PrefixLength; position < SignatureLength; ++position) {
        if (!Accepts(position, static_cast<unsigned char>(p[position]))) {
            return false;
        }
    }
    return true;
}

} // namespace

const char* FindSignature(const char* begin, const char* end)
{
    const char* p = begin;
    while (end - p >= static_cast<ptrdiff_t>(SignatureLength)) {
        const auto last = static_cast<unsigned char>(p[LastPosition]);
        if (IsDigit(last) && IsSignatureAt(p)) {
            return p;
        }
        p += Skip[last];
    }
    return end;
}

void ForEachSignature(InputFile& file, SignatureSink& sink)
{
    const auto buffer = std::make_unique_for_overwrite<char[]>(ChunkSize);
    size_t kept = 0;
    for (;;) {
        const size_t read = file.Read(buffer.get() + kept, ChunkSize - kept);
        if (read == 0) {
            return; // the kept bytes are too few to hold a signature
        }
        const char* const end = buffer.get() + kept + read;
        const char* searchFrom = buffer.get();
        for (const char* found; (found = FindSignature(searchFrom, end)) != end;) {
            sink.OnSignature(found);
            searchFrom = found + SignatureLength;
        }
        // Keep the bytes a signature running on into the next chunk could start at.
        const char* const tail = std::max(searchFrom, end - std::min<ptrdiff_t>(end - buffer.get(), LastPosition));
        kept = static_cast<size_t>(end - tail);
        std::memmove(buffer.get(), tail, kept);
    }
}

#include "signature_finder.h"

#include "byte_buffer.h"
#include "input_file.h"

#include <algorithm>
#include <array>
#include <cstring>

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

// Horspool's skip tables over the character classes of the pattern. The table
// for `probe` tells how far the window may move, when its byte at `probe` is
// `c`, without passing over a match: until `c` comes to a position that accepts
// it, or past the window's start when none before `probe` does.
constexpr std::array<unsigned char, 256> MakeSkipTable(size_t probe)
{
    std::array<unsigned char, 256> skip{};
    for (size_t c = 0; c < skip.size(); ++c) {
        skip[c] = static_cast<unsigned char>(probe + 1);
        for (size_t position = 0; position < probe; ++position) {
            if (Accepts(position, static_cast<unsigned char>(c))) {
                skip[c] = static_cast<unsigned char>(probe - position);
            }
        }
    }
    return skip;
}

// The usual skip on the window's last byte. It is short when that byte is a
// digit or a hyphen, which the date accepts almost everywhere; then the last
// byte of the prefix, which no digit can stand for, often allows a longer one.
// Either skip passes over no match, so the longer of the two is safe.
constexpr size_t PrefixEnd = PrefixLength - 1;
constexpr std::array<unsigned char, 256> SkipOnLast = MakeSkipTable(LastPosition);
constexpr std::array<unsigned char, 256> SkipOnPrefixEnd = MakeSkipTable(PrefixEnd);

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
        size_t skip = SkipOnLast[last];
        if (skip <= PrefixEnd) {
            if (IsDigit(last) && IsSignatureAt(p)) {
                return p;
            }
            skip = std::max<size_t>(skip, SkipOnPrefixEnd[static_cast<unsigned char>(p[PrefixEnd])]);
        }
        p += skip;
    }
    return end;
}

void ForEachSignature(InputFile& file, SignatureSink& sink)
{
    ByteBuffer chunk;
    if (!chunk.MakeRoom(ChunkSize)) {
        return;
    }
    char* const buffer = chunk.Room();
    size_t kept = 0;
    for (;;) {
        const size_t read = file.Read(buffer + kept, ChunkSize - kept);
        if (read == 0) {
            return; // the kept bytes are too few to hold a signature
        }
        const char* const end = buffer + kept + read;
        const char* searchFrom = buffer;
        for (const char* found; (found = FindSignature(searchFrom, end)) != end;) {
            sink.OnSignature(found);
            searchFrom = found + SignatureLength;
        }
        // Keep the bytes a signature running on into the next chunk could start at.
        const char* const tail = std::max(searchFrom, end - std::min<ptrdiff_t>(end - buffer, LastPosition));
        kept = static_cast<size_t>(end - tail);
        std::memmove(buffer, tail, kept);
    }
}

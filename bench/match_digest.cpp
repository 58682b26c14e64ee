#include "match_digest.h"

void MatchDigest::AddByte(unsigned char byte)
{
    value_ = (value_ ^ byte) * 0x100000001b3u;
    count_ += byte == '\n';
}

void MatchDigest::AddMatch(const char* match, size_t size)
{
    AddOutput(match, size);
    AddByte('\n');
}

void MatchDigest::AddOutput(const char* bytes, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        AddByte(static_cast<unsigned char>(bytes[i]));
    }
}

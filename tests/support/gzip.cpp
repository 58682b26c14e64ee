#include "gzip.h"

#include <cstdint>
#include <stdexcept>

namespace {

uint32_t Crc32(const std::string& bytes)
{
    uint32_t crc = 0xFFFFFFFF;
    for (const unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
        }
    }
    return ~crc;
}

std::string LittleEndian(uint32_t value, int bytes)
{
    std::string out;
    for (int at = 0; at < bytes; ++at) {
        out += static_cast<char>((value >> (8 * at)) & 0xFF);
    }
    return out;
}

} // namespace

std::string Gzip(const std::string& text)
{
    if (text.size() > 0xFFFF) {
        throw std::invalid_argument("a stored deflate block holds at most 65535 bytes");
    }
    const auto size = static_cast<uint32_t>(text.size());
    // Deflate, no flags, no time, no extra flags, unknown system.
    const std::string header("\x1F\x8B\x08\0\0\0\0\0\0\xFF", 10);
    const std::string finalStoredBlock("\x01", 1);
    return header + finalStoredBlock + LittleEndian(size, 2) + LittleEndian(~size, 2) + text +
           LittleEndian(Crc32(text), 4) + LittleEndian(size, 4);
}

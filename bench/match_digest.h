#pragma once

#include <cstddef>
#include <cstdint>

// A list of matches as `grep -o` prints it, each match followed by a line
// feed, reduced to its count and a 64-bit FNV-1a digest of those bytes, so that
// two long lists compare in a few bytes.
class MatchDigest {
public:
    // Adds one match and its line feed.
    void AddMatch(const char* match, size_t size);
    // Adds printed output as it comes, in pieces of any size.
    void AddOutput(const char* bytes, size_t size);

    [[nodiscard]] uint64_t Count() const { return count_; }
    [[nodiscard]] uint64_t Value() const { return value_; }

    bool operator==(const MatchDigest&) const = default;

private:
    void AddByte(unsigned char byte);

    uint64_t count_ = 0;
    uint64_t value_ = 0xcbf29ce484222325u;
};

#pragma once

#include <cstddef>

class InputFile;

// A build signature: "QM Build " followed by two digits, a hyphen, two digits,
// a hyphen and four digits; exactly what the ECMAScript regular expression
// "QM Build \d\d-\d\d-\d\d\d\d" matches, case-sensitive, digits 0-9 only.
inline constexpr size_t SignatureLength = 19;

// Returns the first signature that starts in [begin, end) and ends by `end`, or
// `end` when there is none.
const char* FindSignature(const char* begin, const char* end);

// Receives each signature found, SignatureLength bytes, not zero-terminated.
class SignatureSink {
public:
    virtual void OnSignature(const char* signature) = 0;

protected:
    ~SignatureSink() = default;
};

// Reads `file` to its end and reports every signature in it, left to right,
// each search starting where the previous match ended. Memory stays bounded
// whatever the file's size or line length. A signature never contains a line
// feed, so searching the bytes as one run finds exactly what a search line by
// line finds. Without memory for its buffer it reports none.
void ForEachSignature(InputFile& file, SignatureSink& sink);

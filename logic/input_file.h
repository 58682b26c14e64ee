#pragma once

#include <cstddef>

// A file opened for reading, closed when destroyed.
class InputFile {
public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    virtual ~InputFile() = default;

    // Reads up to `size` bytes into `buffer`. Returns the number read; 0 means
    // the end of the file or a read error, which the logic treats alike.
    [[nodiscard]] virtual size_t Read(char* buffer, size_t size) = 0;
};

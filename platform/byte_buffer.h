#pragma once

#include <cstdlib>
#include <string_view>
#include <utility>

// Bytes on the heap that grow as they come. Growing reports failure instead
// of throwing, and nothing here pulls the standard library's exception
// machinery into the program.
class ByteBuffer {
public:
    ByteBuffer() = default;
    ByteBuffer(ByteBuffer&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)),
          size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0))
    {}
    ByteBuffer& operator=(ByteBuffer&& other) noexcept
    {
        if (this != &other) {
            std::free(data_);
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
            capacity_ = std::exchange(other.capacity_, 0);
        }
        return *this;
    }
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;
    ~ByteBuffer() { std::free(data_); }

    // Makes room for `more` bytes after the ones held, at least doubling the
    // room each time it grows; false, with the bytes unchanged, when memory
    // cannot be had.
    [[nodiscard]] bool MakeRoom(size_t more)
    {
        if (capacity_ - size_ >= more) {
            return true;
        }
        const size_t wanted = size_ + more < 2 * capacity_ ? 2 * capacity_ : size_ + more;
        void* grown = std::realloc(data_, wanted);
        if (grown == nullptr) {
            return false;
        }
        data_ = static_cast<char*>(grown);
        capacity_ = wanted;
        return true;
    }
    // Where the next bytes go: room for what MakeRoom asked for.
    [[nodiscard]] char* Room() { return data_ + size_; }
    // Counts `count` bytes written to Room() as held.
    void Added(size_t count) { size_ += count; }

    [[nodiscard]] std::string_view View() const { return {data_, size_}; }

    // Lets go of the bytes and their memory.
    void Clear() { *this = ByteBuffer(); }

private:
    char* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

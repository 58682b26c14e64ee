#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

// Bytes on the heap that grow as they come: the program's growing memory,
// which reports failure by its result, since nothing in the program throws
// (README.md, "Map of the code").
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

    // Makes room for `more` bytes after the ones held. The room at least
    // doubles each time it grows, so that bytes added piece by piece are
    // copied a few times at most; but a step that would take it to half of
    // `most` or beyond takes it to `most` at once, so that bytes bound by
    // `most` are never copied from a half-full block into a block of `most`
    // (a quarter of `most` is the most ever copied), and past `most` it grows
    // only as far as the bytes asked for need. False, with the bytes
    // unchanged, when memory cannot be had.
    [[nodiscard]] bool MakeRoom(size_t more, size_t most = SIZE_MAX)
    {
        if (capacity_ - size_ >= more) {
            return true;
        }
        const size_t doubled = capacity_ > SIZE_MAX / 2 ? SIZE_MAX : 2 * capacity_;
        const size_t wanted = std::max(size_ + more, doubled >= most / 2 ? most : doubled);
        void* grown = std::realloc(data_, wanted);
        if (grown == nullptr) {
            return false;
        }
        data_ = static_cast<char*>(grown);
        capacity_ = wanted;
        return true;
    }
    // Adds `bytes` after the ones held, growing as MakeRoom does; false, with
    // nothing added, when memory cannot be had.
    [[nodiscard]] bool Append(std::string_view bytes, size_t most = SIZE_MAX)
    {
        if (bytes.empty()) {
            return true;
        }
        if (!MakeRoom(bytes.size(), most)) {
            return false;
        }
        std::memcpy(Room(), bytes.data(), bytes.size());
        Added(bytes.size());
        return true;
    }
    // Where the next bytes go: room for what MakeRoom asked for.
    [[nodiscard]] char* Room() { return data_ + size_; }
    // Counts `count` bytes written to Room() as held.
    void Added(size_t count) { size_ += count; }

    [[nodiscard]] std::string_view View() const { return {data_, size_}; }
    // The memory held, in bytes.
    [[nodiscard]] size_t Capacity() const { return capacity_; }

    // Lets go of the bytes and their memory.
    void Clear() { *this = ByteBuffer(); }

private:
    char* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

// A growable block of bytes in memory with a read/write position: each archive member is held
// in one, and pictures are read from it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class MemoryStream {
public:
    // Writes `size` bytes at the position, growing the stream as needed; the position moves on.
    void Write(const void* data, size_t size);
    // Reads up to `size` bytes from the position; returns how many were read.
    size_t Read(void* out, size_t size);

    size_t Position() const { return position_; }
    // Moves the position; a position past the end is put at the end.
    void SetPosition(size_t position) { position_ = position < data_.size() ? position : data_.size(); }
    size_t Size() const { return data_.size(); }
    // Room set aside for writing; Capacity() is the room the stream holds, content included.
    void Reserve(size_t size) { data_.reserve(size); }
    size_t Capacity() const { return data_.capacity(); }
    // Gives back the room beyond the content.
    void ShrinkToFit() { data_.shrink_to_fit(); }

    // The whole content, and the part from the position on.
    std::string_view Bytes() const { return data_; }
    std::string_view Remaining() const { return std::string_view(data_).substr(position_); }

private:
    std::string data_;
    size_t position_ = 0;
};

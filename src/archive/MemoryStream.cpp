#include "archive/MemoryStream.h"

#include <cstring>

void MemoryStream::Write(const void* data, size_t size)
{
    if (size == 0)
        return;
    if (position_ == data_.size()) {
        data_.append(static_cast<const char*>(data), size);
    } else {
        if (position_ + size > data_.size())
            data_.resize(position_ + size);
        std::memcpy(data_.data() + position_, data, size);
    }
    position_ += size;
}

size_t MemoryStream::Read(void* out, size_t size)
{
    const size_t n = size < data_.size() - position_ ? size : data_.size() - position_;
    if (n > 0)
        std::memcpy(out, data_.data() + position_, n);
    position_ += n;
    return n;
}

// The byte source of a description script. Scripts were written on Windows and are read the way a
// text-mode stream reads them there: a carriage return followed by a line feed arrives as one line
// feed; any other byte, a lone carriage return included, arrives unchanged.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "disc/DiscFs.h"

class ScriptStream {
public:
    // Opens the file `path` of `disc`; is_open() tells whether that worked. A file larger than
    // the cap on disc files does not open, and no more than the cap is ever read from one.
    ScriptStream(const DiscFs& disc, const std::filesystem::path& path);
    // The same for a file of this system.
    explicit ScriptStream(const std::filesystem::path& path);
    // Reads from a copy of `bytes` (fuzzing, tests, benchmarks).
    static ScriptStream FromBytes(std::string bytes);

    ScriptStream(ScriptStream&&) noexcept = default;
    ScriptStream& operator=(ScriptStream&&) noexcept = default;
    ~ScriptStream() = default;

    bool is_open() const { return reader_ != nullptr || from_memory_; }

    // The next byte (0-255), or -1 when the stream has ended or failed; then at_end() is true.
    int get()
    {
        if (pos_ == size_ && !Refill())
            return Fail();
        const unsigned char c = static_cast<unsigned char>(data_[pos_++]);
        if (c != '\r')
            return c;
        // A CR LF pair is one line end; a CR followed by anything else (or nothing) stays a CR.
        if (pos_ == size_ && !Refill())
            return c;
        if (data_[pos_] == '\n') {
            ++pos_;
            return '\n';
        }
        return c;
    }

    bool at_end() const { return at_end_; }

private:
    ScriptStream() = default;
    bool Refill();
    int Fail()
    {
        at_end_ = true;
        return -1;
    }

    std::unique_ptr<DiscReader> reader_;
    bool from_memory_ = false;
    std::string data_;
    std::size_t pos_ = 0;
    std::size_t size_ = 0;
    std::size_t read_ = 0;  // bytes read from the file so far
    bool at_end_ = false;
};

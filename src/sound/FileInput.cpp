#include "sound/FileInput.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <new>
#include <utility>

#include "disc/DiscFs.h"
#include "disc/PathResolver.h"

namespace {

struct FileStream {
    std::shared_ptr<const DiscFs> disc;
    std::filesystem::path path;
    std::unique_ptr<DiscReader> reader;
    std::int64_t size = 0;
    std::int64_t position = 0;
};

FileStream* StreamOf(ESUserData user_data)
{
    return reinterpret_cast<FileStream*>(user_data);
}

// Reads and drops bytes up to `target`; false when the file ends or fails before it.
bool SkipTo(FileStream& stream, std::int64_t target)
{
    char scrap[16 * 1024];
    while (stream.position < target) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(target - stream.position, sizeof scrap));
        const std::size_t got = stream.reader->Read(scrap, want);
        stream.position += static_cast<std::int64_t>(got);
        if (got < want)
            return false;
    }
    return true;
}

}  // namespace

void FileInput::Attach(TElPlayer& player)
{
    player.OnInputOpen = &FileInput::Open;
    player.OnInputRead = &FileInput::Read;
    player.OnInputGetSize = &FileInput::GetSize;
    player.OnInputSeek = &FileInput::Seek;
    player.OnInputClose = &FileInput::Close;
}

void FileInput::Open(TElPlayer& sender, ESUserData& user_data, bool& can_set_pos, bool& success)
{
    success = false;
    static const std::shared_ptr<const DiscFs> host = FolderDiscFs("");
    std::shared_ptr<const DiscFs> disc = sender.Resolver() != nullptr ? sender.Resolver()->SharedDisc() : host;
    const std::filesystem::path path = sender.InputName();
    const DiscEntry entry = disc->Stat(path);
    if (entry.kind != DiscEntryKind::kFile || entry.size > static_cast<std::uintmax_t>(INT64_MAX))
        return;
    std::unique_ptr<DiscReader> reader = disc->Open(path);
    if (reader == nullptr)
        return;
    auto* stream = new (std::nothrow)
        FileStream{std::move(disc), path, std::move(reader), static_cast<std::int64_t>(entry.size), 0};
    if (stream == nullptr)
        return;
    user_data = reinterpret_cast<ESUserData>(stream);
    can_set_pos = false;
    success = true;
}

void FileInput::Read(TElPlayer&, ESUserData user_data, void* buffer, std::int32_t to_read, std::int32_t& bytes_read,
                     bool& success)
{
    FileStream* stream = StreamOf(user_data);
    bytes_read = 0;
    if (stream == nullptr || buffer == nullptr || to_read < 0) {
        success = false;
        return;
    }
    const std::size_t n = stream->reader->Read(buffer, static_cast<std::size_t>(to_read));
    stream->position += static_cast<std::int64_t>(n);
    bytes_read = static_cast<std::int32_t>(n);
    success = !stream->reader->Failed();
}

void FileInput::GetSize(TElPlayer&, ESUserData user_data, std::int64_t& size, bool& success)
{
    FileStream* stream = StreamOf(user_data);
    success = stream != nullptr;
    if (success)
        size = stream->size;
}

void FileInput::Seek(TElPlayer&, ESUserData user_data, std::int64_t& new_pos, int mode, bool& success)
{
    FileStream* stream = StreamOf(user_data);
    success = false;
    if (stream == nullptr)
        return;
    const std::int64_t target = mode == 0 ? new_pos : stream->size + new_pos;
    if (target < 0)
        return;
    // The file is read front to back: a step back starts it again from the beginning.
    if (target < stream->position) {
        std::unique_ptr<DiscReader> again = stream->disc->Open(stream->path);
        if (again == nullptr)
            return;
        stream->reader = std::move(again);
        stream->position = 0;
    }
    SkipTo(*stream, target);
    new_pos = stream->position;
    success = new_pos == target;
}

void FileInput::Close(TElPlayer&, ESUserData user_data, bool& success)
{
    FileStream* stream = StreamOf(user_data);
    success = true;
    if (stream == nullptr)
        return;
    success = !stream->reader->Failed();
    delete stream;
}

std::int64_t FileInput::Position(ESUserData user_data)
{
    const FileStream* stream = StreamOf(user_data);
    return stream != nullptr ? stream->position : -1;
}

std::int64_t FileInput::Size(ESUserData user_data)
{
    const FileStream* stream = StreamOf(user_data);
    return stream != nullptr ? stream->size : -1;
}

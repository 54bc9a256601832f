// The player's input as the menu uses it: a file of the disc read as a stream.
#pragma once

#include <cstdint>

#include "sound/ElSounds.h"

// The main window's input events: the file named by the item's InputName (a path of the item's
// disc, already resolved, or of this system for an item without a disc) is read as a stream that
// cannot set its position. The stream is the user data the module hands back; its size is the
// file's size as the disc records it.
class FileInput {
public:
    // Assigns OnInputOpen, OnInputRead, OnInputGetSize, OnInputSeek and OnInputClose.
    static void Attach(TElPlayer& player);

    static void Open(TElPlayer& sender, ESUserData& user_data, bool& can_set_pos, bool& success);
    static void Read(TElPlayer& sender, ESUserData user_data, void* buffer, std::int32_t to_read,
                     std::int32_t& bytes_read, bool& success);
    static void GetSize(TElPlayer& sender, ESUserData user_data, std::int64_t& size, bool& success);
    static void Seek(TElPlayer& sender, ESUserData user_data, std::int64_t& new_pos, int mode, bool& success);
    static void Close(TElPlayer& sender, ESUserData user_data, bool& success);

    // The stream's position and size (-1 for no stream): the whole file has been read when they
    // are equal.
    static std::int64_t Position(ESUserData user_data);
    static std::int64_t Size(ESUserData user_data);
};

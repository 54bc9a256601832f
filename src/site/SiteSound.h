// The site's sounds: what the menu would send to the audio device, compressed once at export into
// Ogg Vorbis, which every browser plays.
#pragma once

#include <string>

#include "sound/Mixer.h"

#include <filesystem>
#include <memory>

class DiscFs;

// The MIDI track at `path` of `disc` as the menu's sequencer plays it (the same synthesiser and
// SoundFont), rendered at once; nothing when the sequencer does not take the file. At most
// `max_frames` frames are kept.
std::unique_ptr<DeviceSound> RenderMidi(const DiscFs& disc, const std::filesystem::path& path, std::size_t max_frames);

// `sound` (stereo, 16 bits, the mixer's rate) as an Ogg Vorbis file; empty when it cannot be encoded.
std::string EncodeOgg(const DeviceSound& sound);

// The site's sounds: what the menu would send to the audio device, compressed once at export into
// Ogg Vorbis, which every browser plays.
#pragma once

#include <string>

#include "sound/Mixer.h"

// `sound` (stereo, 16 bits, the mixer's rate) as an Ogg Vorbis file; empty when it cannot be encoded.
std::string EncodeOgg(const DeviceSound& sound);

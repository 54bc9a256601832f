// The built-in mp3 module: the 41 entry points of the audio decoder module over libmpg123. It
// stands in for the Windows library graph\dll\elamp.esp that every disc carries, whatever that
// file holds.
//
// How it works:
// - it reads only through the input callbacks it was given, on a decoding thread of its own
//   (started by ESOpen, ended by ESStop, ESClose and ESDeInitModule, which wake and join it, so
//   no callback runs after them); the stream cannot set its position, and ESSetPos is not
//   implemented;
// - the length comes from the file's Xing/Info header or, without one, is estimated from the
//   size callback and the bitrate; the decoded sound is 44,100 Hz stereo 16-bit, written into
//   the output ring given to SetMp3ModuleOutput, never more than about half a second ahead of
//   what has been heard;
// - ESGetPos is the time heard (frames the ring's reader consumed since ESPlay), never beyond
//   ESGetSize; when the last frame of the track has been heard the module closes its input and
//   itself (pmClosed). Queries on a closed module answer -1 with ESLastError 0, and ESStop,
//   ESClose, ESPause or ESResume arriving just after that close do nothing and report no error;
// - while paused it stops producing, and holds the output's reader through the hold given with
//   the output: what is already in the ring (at most half a second) waits for the resume, and the
//   time heard stops with the sound. Without a hold that part still plays. ESPlay lets the
//   reader go, whatever a pause that raced the end of the last track left held;
// - a stream that ends early (a read or decoding error) ends the track there: what was decoded
//   is heard, then the module closes its input and itself as at the end;
// - a file in which no audio can be decoded fails ESOpen with peInputError.
#pragma once

#include <functional>

#include "platform/LibraryLoader.h"
#include "sound/ElSounds.h"

class AudioRing;

// The output of the built-in module: the ring it writes decoded frames into (null: none, and
// ESInitStream fails with peOutputError), a way to drop what is waiting in it when a track is
// stopped or closed (optional; it must be safe against the ring's reader), and a way to hold off
// (true) and let go (false) the ring's reader while a track is paused (optional). Takes effect
// for streams initialised afterwards.
void SetMp3ModuleOutput(AudioRing* ring, std::function<void()> clear = {}, std::function<void(bool)> hold = {});

// The module's 41 entry points by name.
const BuiltinEntryPoints& BuiltinMp3EntryPoints();

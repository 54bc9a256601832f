// A small decoder module for the tests, built once per variant with one -D switch:
//   FAKE_NO_ESEQ        the module lacks its last entry point
//   FAKE_INIT_FAILS     ESInitModule answers 0
// Otherwise it records every call in order ("ESOpen;ESInitStream;..."), read back through the
// extra entry point FakeCalls. FakeFail(name, error) makes the named entry point fail, with
// ESLastError then answering `error`. Its player mode follows the calls made. ESOpen calls the
// input callbacks (open, get size, read 4 bytes) and records what they gave; ESClose calls close.
#include <cstdint>
#include <cstdio>
#include <string>

#include "sound/ElSounds.h"

namespace {

struct Fake {
    std::string calls;
    std::string failing;
    int fail_error = 0;
    int last_error = 0;
    int mode = pmClosed;
    ESInOpenProc in_open = nullptr;
    ESInCloseProc in_close = nullptr;
    ESInGetSizeProc in_size = nullptr;
    ESInReadProc in_read = nullptr;
    void* in_user = nullptr;
    ESUserData data = 0;
};
Fake g_fake;
[[maybe_unused]] int g_token;

void Record(const std::string& call)
{
    g_fake.calls += call;
    g_fake.calls += ';';
}

// True when `name` is to fail; ESLastError then gives the configured code.
bool Fails(const char* name)
{
    if (g_fake.failing != name)
        return false;
    g_fake.last_error = g_fake.fail_error;
    return true;
}

int Op(const char* name, int mode_after)
{
    Record(name);
    if (Fails(name))
        return 0;
    if (mode_after >= 0)
        g_fake.mode = mode_after;
    return 1;
}

int Set(const char* name, const std::string& value)
{
    Record(std::string(name) + "(" + value + ")");
    return Fails(name) ? 0 : 1;
}

}  // namespace

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

FAKE_EXPORT const char* FakeCalls()
{
    return g_fake.calls.c_str();
}

FAKE_EXPORT void FakeFail(const char* name, int error)
{
    g_fake.failing = name;
    g_fake.fail_error = error;
}

FAKE_EXPORT void FakeReset()
{
    g_fake = Fake{};
}

FAKE_EXPORT ESHandle ESInitModule()
{
    Record("ESInitModule");
#ifdef FAKE_INIT_FAILS
    return nullptr;
#else
    return &g_token;
#endif
}

FAKE_EXPORT int ESDeInitModule(ESHandle)
{
    Record("ESDeInitModule");
    return 1;
}

FAKE_EXPORT int ESOpen(ESHandle)
{
    Record("ESOpen");
    if (Fails("ESOpen"))
        return 0;
    std::uint8_t can_set_pos = 7;
    if (g_fake.in_open == nullptr || !g_fake.in_open(g_fake.in_user, &g_fake.data, &can_set_pos)) {
        Record("open failed");
        g_fake.last_error = peInputError;
        return 0;
    }
    std::int64_t size = -1;
    const int size_ok = g_fake.in_size(g_fake.in_user, g_fake.data, &size);
    char bytes[5] = {};
    std::int32_t got = 0;
    const int read_ok = g_fake.in_read(g_fake.in_user, g_fake.data, bytes, 4, &got);
    Record("opened(can_set_pos=" + std::to_string(can_set_pos) + ",size=" + std::to_string(size_ok) + ":" +
           std::to_string(size) + ",read=" + std::to_string(read_ok) + ":" + std::string(bytes, got > 0 ? got : 0) +
           ")");
    g_fake.mode = pmOpened;
    return 1;
}

FAKE_EXPORT int ESClose(ESHandle)
{
    Record("ESClose");
    if (Fails("ESClose"))
        return 0;
    if (g_fake.mode != pmClosed && g_fake.in_close != nullptr)
        Record("close=" + std::to_string(g_fake.in_close(g_fake.in_user, g_fake.data)));
    g_fake.mode = pmClosed;
    return 1;
}

FAKE_EXPORT int ESPlay(ESHandle) { return Op("ESPlay", pmPlaying); }
FAKE_EXPORT int ESCanPause(ESHandle) { return Op("ESCanPause", -1); }
FAKE_EXPORT int ESPause(ESHandle) { return Op("ESPause", pmPaused); }
FAKE_EXPORT int ESResume(ESHandle) { return Op("ESResume", pmPlaying); }
FAKE_EXPORT int ESStop(ESHandle) { return Op("ESStop", pmStopped); }
FAKE_EXPORT int ESCanSetPos(ESHandle) { return Op("ESCanSetPos", -1); }
FAKE_EXPORT int ESInitStream(ESHandle) { return Op("ESInitStream", pmReady); }

FAKE_EXPORT int ESGetPos(ESHandle)
{
    Record("ESGetPos");
    return Fails("ESGetPos") ? -1 : 1234;
}

FAKE_EXPORT int ESGetSize(ESHandle)
{
    Record("ESGetSize");
    return Fails("ESGetSize") ? -1 : 5678;
}

FAKE_EXPORT int ESSetPos(ESHandle, int) { return Op("ESSetPos", -1); }
FAKE_EXPORT const char* ESGetAbout(ESHandle) { return "About the fake"; }
FAKE_EXPORT const char* ESGetName(ESHandle) { return "Fake module"; }
FAKE_EXPORT int ESGetVersion(ESHandle) { return 7; }
FAKE_EXPORT const char* ESGetExts(ESHandle) { return "mp3"; }
FAKE_EXPORT int ESGetPlayerMode(ESHandle) { return g_fake.mode; }
FAKE_EXPORT int ESLastError(ESHandle) { return g_fake.last_error; }

FAKE_EXPORT int ESSetInputMode(ESHandle, int mode) { return Set("ESSetInputMode", std::to_string(mode)); }
FAKE_EXPORT int ESSetOutputMode(ESHandle, int mode) { return Set("ESSetOutputMode", std::to_string(mode)); }
FAKE_EXPORT int ESSetInputName(ESHandle, const char* name) { return Set("ESSetInputName", name); }
FAKE_EXPORT int ESSetOutputName(ESHandle, const char* name) { return Set("ESSetOutputName", name); }
FAKE_EXPORT int ESSetOutputDev(ESHandle, const char* name) { return Set("ESSetOutputDev", name); }
FAKE_EXPORT int ESSetPriority(ESHandle, int priority) { return Set("ESSetPriority", std::to_string(priority)); }
FAKE_EXPORT int ESSetDevNum(ESHandle, int number) { return Set("ESSetDevNum", std::to_string(number)); }
FAKE_EXPORT int ESUseOutCB(ESHandle, int use) { return Set("ESUseOutCB", std::to_string(use)); }
FAKE_EXPORT int ESUseEQ(ESHandle, int use) { return Set("ESUseEQ", std::to_string(use)); }
FAKE_EXPORT int ESHasEQ(ESHandle) { return 0; }
#ifndef FAKE_NO_ESEQ
FAKE_EXPORT int ESEQ(ESHandle, void*) { return 0; }
#endif
FAKE_EXPORT int ESGetInfo1(ESHandle, void*) { return 0; }
FAKE_EXPORT int ESGetInfo2(ESHandle, void*) { return 0; }

FAKE_EXPORT int ESSetLimits(ESHandle, int start, int end)
{
    return Set("ESSetLimits", std::to_string(start) + "," + std::to_string(end));
}

FAKE_EXPORT int ESSetBuffers(ESHandle, int count, int size)
{
    return Set("ESSetBuffers", std::to_string(count) + "," + std::to_string(size));
}

FAKE_EXPORT int ESSetWindow(ESHandle, void* window) { return Set("ESSetWindow", window != nullptr ? "w" : "0"); }

FAKE_EXPORT int ESCanSetVolume(ESHandle, int* can)
{
    Record("ESCanSetVolume");
    *can = 1;
    return 1;
}

FAKE_EXPORT int ESGetVolume(ESHandle, std::uint32_t* volume)
{
    Record("ESGetVolume");
    *volume = 0x11112222u;
    return 1;
}

FAKE_EXPORT int ESSetVolume(ESHandle, std::uint32_t volume)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08x", volume);
    return Set("ESSetVolume", text);
}

FAKE_EXPORT int ESSetOutCB(ESHandle, ESOutDataProc, ESOutActionProc, void* user)
{
    return Set("ESSetOutCB", user != nullptr ? "item" : "0");
}

FAKE_EXPORT int ESSetInCB(ESHandle, ESInOpenProc open, ESInCloseProc close, ESInGetSizeProc size, ESInSeekProc,
                          ESInReadProc read, void* user)
{
    g_fake.in_open = open;
    g_fake.in_close = close;
    g_fake.in_size = size;
    g_fake.in_read = read;
    g_fake.in_user = user;
    return Set("ESSetInCB", user != nullptr ? "item" : "0");
}


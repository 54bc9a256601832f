// The decoder-module player: the component through which the menu plays mp3 tracks.
//
// The decoding itself is done by a module, graph\dll\elamp.esp, got through the library loader
// (the file there is stood in for by the built-in mp3 module, see Mp3Module.h). The player talks
// to any module only through its 41 entry points, looked up by name; the module reads its input
// through callbacks that the player forwards to the item's input events, and writes the decoded
// sound to the output itself.
//
// TElPlayerMan owns a collection TElPlayers of TElPlayer items; the program uses item 0.
// Every failure surfaces as a TElSException carrying the module's error code.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/LibraryLoader.h"

class PathResolver;

enum TElSInputMode : int { imFile, imCallback };
enum TElSOutputMode : int { omMMSystem, omFile, omDirectSound, omCallback };
enum TElSPlayerMode : int { pmClosed, pmOpened, pmReady, pmStopped, pmPlaying, pmPaused };
enum TElSStereoMode : int { MPG_MD_STEREO, MPG_MD_JOINT_STEREO, MPG_MD_DUAL_CHANNEL, MPG_MD_MONO };

enum TElSError : int {
    peNoError,
    peNotImplemented,
    peIncorrectMode,
    peInternalError,
    peInvalidHandle,
    peInputError,
    peOutputError,
    peNoMemory,
    peNoResources,
    peNoCallback,
    peNotLoaded,
    peNotInitialized,
};

// The message of an error code; codes outside the table read "Unknown decoder error".
const char* ElSErrorMessage(int code);

class TElSException : public std::runtime_error {
public:
    explicit TElSException(int code) : std::runtime_error(ElSErrorMessage(code)), code_(code) {}
    int Code() const noexcept { return code_; }

private:
    int code_;
};

// ---- The module's binary interface ---------------------------------------------------------
// Every entry point takes the module handle first, except ESInitModule, which returns it (null
// on failure). Operations answer 1 for success and 0 for failure (ESLastError then says why);
// ESGetPos and ESGetSize answer milliseconds, -1 on failure. Callbacks answer a byte flag.
extern "C" {
using ESHandle = void*;
// The stream the module reads is identified by a value the open callback hands out.
using ESUserData = std::uintptr_t;

using ESInOpenProc = std::uint8_t (*)(void* user, ESUserData* user_data, std::uint8_t* can_set_pos);
using ESInCloseProc = std::uint8_t (*)(void* user, ESUserData user_data);
using ESInGetSizeProc = std::uint8_t (*)(void* user, ESUserData user_data, std::int64_t* size);
using ESInSeekProc = std::uint8_t (*)(void* user, ESUserData user_data, std::int64_t* new_pos, int mode);
using ESInReadProc = std::uint8_t (*)(void* user, ESUserData user_data, void* buffer, std::int32_t to_read,
                                      std::int32_t* bytes_read);
using ESOutDataProc = std::uint8_t (*)(const void* data, int bits, int channels, int rate, int size, void* user);
using ESOutActionProc = std::uint8_t (*)(int init, void* user);

using ESInitModuleFn = ESHandle (*)();
using ESHandleFn = int (*)(ESHandle);  // ESDeInitModule, ESOpen, ESClose, ESPlay, ESPause, ...
using ESGetIntFn = int (*)(ESHandle);  // ESGetPos, ESGetSize, ESGetPlayerMode, ESLastError, ESGetVersion
using ESGetTextFn = const char* (*)(ESHandle);  // ESGetName, ESGetAbout, ESGetExts
using ESSetIntFn = int (*)(ESHandle, int);      // ESSetInputMode, ESSetOutputMode, ESSetPriority, ...
using ESSetTextFn = int (*)(ESHandle, const char*);  // ESSetInputName, ESSetOutputName, ESSetOutputDev
using ESSetTwoIntsFn = int (*)(ESHandle, int, int);  // ESSetLimits, ESSetBuffers
using ESSetOutCBFn = int (*)(ESHandle, ESOutDataProc, ESOutActionProc, void* user);
using ESSetInCBFn = int (*)(ESHandle, ESInOpenProc, ESInCloseProc, ESInGetSizeProc, ESInSeekProc, ESInReadProc,
                            void* user);
using ESSetWindowFn = int (*)(ESHandle, void* window);
using ESGetFlagFn = int (*)(ESHandle, int* flag);          // ESCanSetVolume
using ESGetVolumeFn = int (*)(ESHandle, std::uint32_t* volume);
using ESSetVolumeFn = int (*)(ESHandle, std::uint32_t volume);
}

// The entry points, in the order they are looked up.
inline constexpr const char* kElSEntryPointNames[] = {
    "ESInitModule",   "ESDeInitModule",  "ESOpen",          "ESClose",       "ESPlay",       "ESCanPause",
    "ESPause",        "ESResume",        "ESStop",          "ESCanSetPos",   "ESGetPos",     "ESSetPos",
    "ESGetAbout",     "ESGetName",       "ESGetSize",       "ESSetInputMode", "ESSetOutputMode",
    "ESSetInputName", "ESSetOutputName", "ESSetOutputDev",  "ESGetPlayerMode", "ESLastError", "ESGetVersion",
    "ESSetBuffers",   "ESSetPriority",   "ESSetLimits",     "ESSetOutCB",    "ESGetVolume",  "ESSetVolume",
    "ESCanSetVolume", "ESGetExts",       "ESGetInfo1",      "ESGetInfo2",    "ESInitStream", "ESSetDevNum",
    "ESSetInCB",      "ESSetWindow",     "ESUseOutCB",      "ESUseEQ",       "ESHasEQ",      "ESEQ",
};
inline constexpr int kElSEntryPointCount = 41;
static_assert(sizeof kElSEntryPointNames / sizeof kElSEntryPointNames[0] == kElSEntryPointCount);

// ---- The player ----------------------------------------------------------------------------

class TElPlayer;

// The item's events. Each gets `success` preset (false for the input events, true for the
// output events) and may change it; the callback hands it back to the module.
using TElSInputOpenEvent = std::function<void(TElPlayer& sender, ESUserData& user_data, bool& can_set_pos, bool& success)>;
using TElSInputCloseEvent = std::function<void(TElPlayer& sender, ESUserData user_data, bool& success)>;
using TElSInputGetSizeEvent = std::function<void(TElPlayer& sender, ESUserData user_data, std::int64_t& size, bool& success)>;
using TElSInputSeekEvent =
    std::function<void(TElPlayer& sender, ESUserData user_data, std::int64_t& new_pos, int mode, bool& success)>;
using TElSInputReadEvent = std::function<void(TElPlayer& sender, ESUserData user_data, void* buffer,
                                              std::int32_t to_read, std::int32_t& bytes_read, bool& success)>;
using TElSOutputEvent =
    std::function<void(TElPlayer& sender, const void* data, int bits, int channels, int rate, int size, bool& success)>;
using TElSOutputActionEvent = std::function<void(TElPlayer& sender, bool& success)>;

class TElPlayer {
public:
    // Resolves PathToDLL against the disc root; null means the current folder.
    explicit TElPlayer(const PathResolver* resolver = nullptr);
    ~TElPlayer();  // Deinit
    TElPlayer(const TElPlayer&) = delete;
    TElPlayer& operator=(const TElPlayer&) = delete;

    // Loads the module and hands it the callbacks (TElSException on failure); Deinit lets it go.
    void Init();
    void Deinit() noexcept;
    bool Initialized() const { return handle_ != nullptr; }
    void SetInitialized(bool on);
    // The disc the player reads from; null when it reads files of this system.
    const PathResolver* Resolver() const { return resolver_; }

    // Properties. The setters pass the value to a loaded module (raising when it refuses) and
    // only store it otherwise.
    TElSInputMode InputMode() const { return input_mode_; }
    void SetInputMode(TElSInputMode mode);
    const std::string& InputName() const { return input_name_; }
    void SetInputName(const std::string& name);
    TElSOutputMode OutputMode() const { return output_mode_; }
    void SetOutputMode(TElSOutputMode mode);
    const std::string& OutputName() const { return output_name_; }
    void SetOutputName(const std::string& name);
    const std::string& PathToDLL() const { return path_to_dll_; }
    void SetPathToDLL(const std::string& path) { path_to_dll_ = path; }
    // How Init gets the module named by PathToDLL; unset (or empty), the built-in mp3 module
    // stands in for the file there.
    void SetLibraryLoader(LibraryLoader load_library) { load_library_ = std::move(load_library); }
    int StartPos() const { return start_pos_; }
    void SetStartPos(int ms);
    int EndPos() const { return end_pos_; }
    void SetEndPos(int ms);
    int Priority() const { return priority_; }
    void SetPriority(int priority);
    int BuffersCount() const { return buffers_count_; }
    void SetBuffersCount(int count);
    int BufferSize() const { return buffer_size_; }
    void SetBufferSize(int size);
    int OutputDevNum() const { return output_dev_num_; }
    void SetOutputDevNum(int number);
    const std::string& Extensions() const { return extensions_; }
    void SetExtensions(const std::string& extensions) { extensions_ = extensions; }
    bool UseEqualizer() const { return use_equalizer_; }
    void SetUseEqualizer(bool on) { use_equalizer_ = on; }
    // What the module says of itself; "(Module not initialized)" and -1 without one.
    std::string ModuleName() const;
    std::string About() const;
    int Version() const;

    // Events. Assign them while no file is open: the module calls them on its own thread.
    TElSInputOpenEvent OnInputOpen;
    TElSInputCloseEvent OnInputClose;
    TElSInputGetSizeEvent OnInputGetSize;
    TElSInputSeekEvent OnInputSeek;
    TElSInputReadEvent OnInputRead;
    TElSOutputEvent OnOutput;
    TElSOutputActionEvent OnOutputInit;
    TElSOutputActionEvent OnOutputDone;

    // Operations; without a module each raises peNotInitialized.
    void Open();
    void InitStream();
    void Play();
    void Pause();
    void Resume();
    void Stop();
    void Close();
    TElSPlayerMode GetPlayerMode();
    int GetPosition();  // ms, -1 on failure
    int GetSize();      // ms, -1 on failure

    int LastError() const { return last_error_; }
    bool Paused() const { return paused_; }

private:
    struct EntryPoints;

    void RequireModule() const;
    // A failed module call: keeps ESLastError and raises it when above 0.
    void Failed();
    // A failed setter call: raises with ESLastError's code, whatever it is.
    [[noreturn]] void SetterFailed();
    std::string ModuleText(const char* (*EntryPoints::*entry)(ESHandle)) const;

    static std::uint8_t InOpen(void* user, ESUserData* user_data, std::uint8_t* can_set_pos);
    static std::uint8_t InClose(void* user, ESUserData user_data);
    static std::uint8_t InGetSize(void* user, ESUserData user_data, std::int64_t* size);
    static std::uint8_t InSeek(void* user, ESUserData user_data, std::int64_t* new_pos, int mode);
    static std::uint8_t InRead(void* user, ESUserData user_data, void* buffer, std::int32_t to_read,
                               std::int32_t* bytes_read);
    static std::uint8_t OutData(const void* data, int bits, int channels, int rate, int size, void* user);
    static std::uint8_t OutAction(int init, void* user);

    const PathResolver* resolver_;
    TElSInputMode input_mode_ = imFile;
    std::string input_name_;
    TElSOutputMode output_mode_ = omMMSystem;
    std::string output_name_;
    std::string path_to_dll_;
    LibraryLoader load_library_;
    int start_pos_ = 0;
    int end_pos_ = 0;
    int priority_ = 0;
    int buffers_count_ = 8;
    int buffer_size_ = 16384;
    int output_dev_num_ = 0;
    std::string extensions_;
    bool use_equalizer_ = false;

    std::unique_ptr<LoadedLibrary> library_;
    std::unique_ptr<EntryPoints> entry_;
    ESHandle handle_ = nullptr;
    int last_error_ = peNoError;
    bool paused_ = false;
    // Stands in for the hidden message window handed to the module: there are no window
    // messages to answer here, so it is only a token the module may keep.
    int window_token_ = 0;
};

class TElPlayers {
public:
    explicit TElPlayers(const PathResolver* resolver = nullptr) : resolver_(resolver) {}
    TElPlayer& Add();
    int Count() const { return static_cast<int>(items_.size()); }
    TElPlayer& Items(int index) { return *items_.at(static_cast<std::size_t>(index)); }

private:
    const PathResolver* resolver_;
    std::vector<std::unique_ptr<TElPlayer>> items_;
};

class TElPlayerMan {
public:
    explicit TElPlayerMan(const PathResolver* resolver = nullptr) : players_(resolver) {}
    TElPlayers& Players() { return players_; }

private:
    TElPlayers players_;
};

// Where a disc keeps its decoder module.
inline constexpr const char* kDecoderModulePath = "graph\\dll\\elamp.esp";

// Makes `player` a player of the disc's decoder module as the menu uses it: the file named by its
// InputName read through FileInput (FileInput.h), the module's own output, the module at kDecoderModulePath
// initialised. Throws TElSException as Init does when the module cannot be had.
void PrepareModulePlayer(TElPlayer& player);

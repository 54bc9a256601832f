#include "sound/ElSounds.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "disc/DiscFs.h"
#include "disc/PathResolver.h"
#include "platform/LibraryLoader.h"
#include "sound/FileInput.h"
#include "sound/Mp3Module.h"

const char* ElSErrorMessage(int code)
{
    static const char* const kMessages[] = {
        "No error",
        "Requested operation is not implemented in the decoder",
        "Incorrect decoder mode",
        "Internal decoder error",
        "Invalid object handle passed to decoder",
        "Input stream failure",
        "Output device failure",
        "Not enough memory to perform an operation",
        "Decoder failed to allocate resources",
        "One of callback functions needed to perform an operation not defined",
        "Failed to load or initialize decoder module",
        "Module not initialized",
    };
    if (code < 0 || code > peNotInitialized)
        return "Unknown decoder error";
    return kMessages[code];
}

// The entry points the player calls, typed; the others are only required to be there.
struct TElPlayer::EntryPoints {
    ESInitModuleFn InitModule = nullptr;
    ESHandleFn DeInitModule = nullptr;
    ESHandleFn Open = nullptr;
    ESHandleFn Close = nullptr;
    ESHandleFn Play = nullptr;
    ESHandleFn Pause = nullptr;
    ESHandleFn Resume = nullptr;
    ESHandleFn Stop = nullptr;
    ESGetIntFn GetPos = nullptr;
    const char* (*GetAbout)(ESHandle) = nullptr;
    const char* (*GetName)(ESHandle) = nullptr;
    ESGetIntFn GetSize = nullptr;
    ESSetIntFn SetInputMode = nullptr;
    ESSetIntFn SetOutputMode = nullptr;
    ESSetTextFn SetInputName = nullptr;
    ESSetTextFn SetOutputName = nullptr;
    ESGetIntFn GetPlayerMode = nullptr;
    ESGetIntFn LastError = nullptr;
    ESGetIntFn GetVersion = nullptr;
    ESSetTwoIntsFn SetBuffers = nullptr;
    ESSetIntFn SetPriority = nullptr;
    ESSetTwoIntsFn SetLimits = nullptr;
    ESSetOutCBFn SetOutCB = nullptr;
    ESGetVolumeFn GetVolume = nullptr;
    ESSetVolumeFn SetVolume = nullptr;
    ESGetFlagFn CanSetVolume = nullptr;
    ESHandleFn InitStream = nullptr;
    ESSetIntFn SetDevNum = nullptr;
    ESSetInCBFn SetInCB = nullptr;
    ESSetWindowFn SetWindow = nullptr;
    ESSetIntFn UseOutCB = nullptr;
};

TElPlayer::TElPlayer(const PathResolver* resolver) : resolver_(resolver) {}

TElPlayer::~TElPlayer()
{
    Deinit();
}

void TElPlayer::Init()
{
    Deinit();

    const PathResolver current_folder(".");
    const PathResolver& resolver = resolver_ != nullptr ? *resolver_ : current_folder;
    const std::filesystem::path path = resolver.Resolve(path_to_dll_);
    std::unique_ptr<LoadedLibrary> library = load_library_ ? load_library_(resolver.Disc(), path)
                                                           : LoadLibrary(resolver.Disc(), path, BuiltinMp3EntryPoints());
    if (library == nullptr)
        throw TElSException(peNotLoaded);

    void* found[kElSEntryPointCount] = {};
    for (int i = 0; i < kElSEntryPointCount; ++i) {
        found[i] = library->GetProcAddress(kElSEntryPointNames[i]);
        if (found[i] == nullptr)
            throw TElSException(peNotLoaded);
    }
    auto at = [&](const char* name) {
        for (int i = 0; i < kElSEntryPointCount; ++i) {
            if (std::string(kElSEntryPointNames[i]) == name)
                return found[i];
        }
        return static_cast<void*>(nullptr);
    };
    auto entry = std::make_unique<EntryPoints>();
    auto bind = [&](auto& slot, const char* name) {
        slot = EntryPointAs<std::remove_reference_t<decltype(slot)>>(at(name));
    };
    bind(entry->InitModule, "ESInitModule");
    bind(entry->DeInitModule, "ESDeInitModule");
    bind(entry->Open, "ESOpen");
    bind(entry->Close, "ESClose");
    bind(entry->Play, "ESPlay");
    bind(entry->Pause, "ESPause");
    bind(entry->Resume, "ESResume");
    bind(entry->Stop, "ESStop");
    bind(entry->GetPos, "ESGetPos");
    bind(entry->GetAbout, "ESGetAbout");
    bind(entry->GetName, "ESGetName");
    bind(entry->GetSize, "ESGetSize");
    bind(entry->SetInputMode, "ESSetInputMode");
    bind(entry->SetOutputMode, "ESSetOutputMode");
    bind(entry->SetInputName, "ESSetInputName");
    bind(entry->SetOutputName, "ESSetOutputName");
    bind(entry->GetPlayerMode, "ESGetPlayerMode");
    bind(entry->LastError, "ESLastError");
    bind(entry->GetVersion, "ESGetVersion");
    bind(entry->SetBuffers, "ESSetBuffers");
    bind(entry->SetPriority, "ESSetPriority");
    bind(entry->SetLimits, "ESSetLimits");
    bind(entry->SetOutCB, "ESSetOutCB");
    bind(entry->GetVolume, "ESGetVolume");
    bind(entry->SetVolume, "ESSetVolume");
    bind(entry->CanSetVolume, "ESCanSetVolume");
    bind(entry->InitStream, "ESInitStream");
    bind(entry->SetDevNum, "ESSetDevNum");
    bind(entry->SetInCB, "ESSetInCB");
    bind(entry->SetWindow, "ESSetWindow");
    bind(entry->UseOutCB, "ESUseOutCB");

    ESHandle handle = entry->InitModule();
    if (handle == nullptr)
        throw TElSException(peNotInitialized);  // the library goes with `library`

    library_ = std::move(library);
    entry_ = std::move(entry);
    handle_ = handle;
    entry_->SetOutCB(handle_, &TElPlayer::OutData, &TElPlayer::OutAction, this);
    entry_->SetInCB(handle_, &TElPlayer::InOpen, &TElPlayer::InClose, &TElPlayer::InGetSize, &TElPlayer::InSeek,
                    &TElPlayer::InRead, this);
}

void TElPlayer::Deinit() noexcept
{
    if (handle_ != nullptr)
        entry_->DeInitModule(handle_);
    handle_ = nullptr;
    entry_.reset();
    library_.reset();
    paused_ = false;
}

void TElPlayer::SetInitialized(bool on)
{
    if (on)
        Init();
    else
        Deinit();
}

void TElPlayer::RequireModule() const
{
    if (handle_ == nullptr)
        throw TElSException(peNotInitialized);
}

void TElPlayer::Failed()
{
    last_error_ = entry_->LastError(handle_);
    if (last_error_ > 0)
        throw TElSException(last_error_);
}

void TElPlayer::SetterFailed()
{
    last_error_ = entry_->LastError(handle_);
    throw TElSException(last_error_);
}

void TElPlayer::SetInputMode(TElSInputMode mode)
{
    input_mode_ = mode;
    if (handle_ != nullptr && !entry_->SetInputMode(handle_, mode))
        SetterFailed();
}

void TElPlayer::SetInputName(const std::string& name)
{
    input_name_ = name;
    if (handle_ != nullptr && !entry_->SetInputName(handle_, input_name_.c_str()))
        SetterFailed();
}

void TElPlayer::SetOutputMode(TElSOutputMode mode)
{
    output_mode_ = mode;
    if (handle_ != nullptr && !entry_->SetOutputMode(handle_, mode))
        SetterFailed();
}

void TElPlayer::SetOutputName(const std::string& name)
{
    output_name_ = name;
    if (handle_ != nullptr && !entry_->SetOutputName(handle_, output_name_.c_str()))
        SetterFailed();
}

void TElPlayer::SetStartPos(int ms)
{
    start_pos_ = ms;
    if (handle_ != nullptr && !entry_->SetLimits(handle_, start_pos_, end_pos_))
        SetterFailed();
}

void TElPlayer::SetEndPos(int ms)
{
    end_pos_ = ms;
    if (handle_ != nullptr && !entry_->SetLimits(handle_, start_pos_, end_pos_))
        SetterFailed();
}

void TElPlayer::SetPriority(int priority)
{
    priority_ = priority;
    if (handle_ != nullptr && !entry_->SetPriority(handle_, priority_))
        SetterFailed();
}

void TElPlayer::SetBuffersCount(int count)
{
    buffers_count_ = count;
    if (handle_ != nullptr && !entry_->SetBuffers(handle_, buffers_count_, buffer_size_))
        SetterFailed();
}

void TElPlayer::SetBufferSize(int size)
{
    buffer_size_ = size;
    if (handle_ != nullptr && !entry_->SetBuffers(handle_, buffers_count_, buffer_size_))
        SetterFailed();
}

void TElPlayer::SetOutputDevNum(int number)
{
    output_dev_num_ = number;
    if (handle_ != nullptr && !entry_->SetDevNum(handle_, output_dev_num_))
        SetterFailed();
}

std::string TElPlayer::ModuleText(const char* (*EntryPoints::*entry)(ESHandle)) const
{
    if (handle_ == nullptr)
        return "(Module not initialized)";
    const char* text = ((*entry_).*entry)(handle_);
    return text != nullptr ? text : "";
}

std::string TElPlayer::ModuleName() const
{
    return ModuleText(&EntryPoints::GetName);
}

std::string TElPlayer::About() const
{
    return ModuleText(&EntryPoints::GetAbout);
}

int TElPlayer::Version() const
{
    return handle_ != nullptr ? entry_->GetVersion(handle_) : -1;
}

void TElPlayer::Open()
{
    RequireModule();
    SetInputMode(input_mode_);
    SetInputName(input_name_);
    SetOutputMode(output_mode_);
    SetOutputName(output_name_);
    entry_->SetPriority(handle_, priority_);  // a module that cannot change it plays anyway
    if (!entry_->Open(handle_))
        Failed();
}

void TElPlayer::InitStream()
{
    RequireModule();
    SetOutputDevNum(output_dev_num_);
    if (!entry_->InitStream(handle_))
        Failed();
}

void TElPlayer::Play()
{
    RequireModule();
    SetStartPos(start_pos_);
    SetEndPos(end_pos_);
    entry_->SetWindow(handle_, &window_token_);
    entry_->UseOutCB(handle_, OnOutput && OnOutputInit && OnOutputDone ? 1 : 0);
    if (!entry_->Play(handle_)) {
        Failed();
        return;
    }
    // Re-apply the module's own volume, the two 16-bit halves exchanged as the module expects.
    int can_set = 0;
    if (entry_->CanSetVolume(handle_, &can_set) && can_set) {
        std::uint32_t volume = 0;
        if (entry_->GetVolume(handle_, &volume)) {
            const std::uint32_t left = volume & 0xFFFFu;
            const std::uint32_t right = volume >> 16;
            entry_->SetVolume(handle_, left << 16 | right);
        }
    }
}

void TElPlayer::Pause()
{
    RequireModule();
    if (!entry_->Pause(handle_)) {
        Failed();
        return;
    }
    paused_ = true;
}

void TElPlayer::Resume()
{
    RequireModule();
    if (!entry_->Resume(handle_)) {
        Failed();
        return;
    }
    paused_ = false;
}

void TElPlayer::Stop()
{
    RequireModule();
    if (!entry_->Stop(handle_)) {
        Failed();
        return;
    }
    paused_ = false;
}

void TElPlayer::Close()
{
    RequireModule();
    if (!entry_->Close(handle_)) {
        Failed();
        return;
    }
    paused_ = false;
}

TElSPlayerMode TElPlayer::GetPlayerMode()
{
    RequireModule();
    return static_cast<TElSPlayerMode>(entry_->GetPlayerMode(handle_));
}

int TElPlayer::GetPosition()
{
    RequireModule();
    const int ms = entry_->GetPos(handle_);
    if (ms == -1)
        Failed();
    return ms;
}

int TElPlayer::GetSize()
{
    RequireModule();
    const int ms = entry_->GetSize(handle_);
    if (ms == -1)
        Failed();
    return ms;
}

// ---- Callbacks handed to the module: each forwards to the item's event ----------------------

std::uint8_t TElPlayer::InOpen(void* user, ESUserData* user_data, std::uint8_t* can_set_pos)
{
    auto& self = *static_cast<TElPlayer*>(user);
    bool success = false;
    if (self.OnInputOpen) {
        bool can = false;
        ESUserData data = 0;
        self.OnInputOpen(self, data, can, success);
        if (user_data != nullptr)
            *user_data = data;
        if (can_set_pos != nullptr)
            *can_set_pos = can ? 1 : 0;
    }
    return success ? 1 : 0;
}

std::uint8_t TElPlayer::InClose(void* user, ESUserData user_data)
{
    auto& self = *static_cast<TElPlayer*>(user);
    bool success = true;
    if (!self.OnInputClose)
        return 0;
    self.OnInputClose(self, user_data, success);
    return success ? 1 : 0;
}

std::uint8_t TElPlayer::InGetSize(void* user, ESUserData user_data, std::int64_t* size)
{
    auto& self = *static_cast<TElPlayer*>(user);
    bool success = false;
    if (self.OnInputGetSize && size != nullptr)
        self.OnInputGetSize(self, user_data, *size, success);
    return success ? 1 : 0;
}

std::uint8_t TElPlayer::InSeek(void* user, ESUserData user_data, std::int64_t* new_pos, int mode)
{
    auto& self = *static_cast<TElPlayer*>(user);
    bool success = false;
    if (self.OnInputSeek && new_pos != nullptr)
        self.OnInputSeek(self, user_data, *new_pos, mode, success);
    return success ? 1 : 0;
}

std::uint8_t TElPlayer::InRead(void* user, ESUserData user_data, void* buffer, std::int32_t to_read,
                               std::int32_t* bytes_read)
{
    auto& self = *static_cast<TElPlayer*>(user);
    bool success = false;
    if (self.OnInputRead && bytes_read != nullptr)
        self.OnInputRead(self, user_data, buffer, to_read, *bytes_read, success);
    return success ? 1 : 0;
}

std::uint8_t TElPlayer::OutData(const void* data, int bits, int channels, int rate, int size, void* user)
{
    auto& self = *static_cast<TElPlayer*>(user);
    bool success = true;
    if (self.OnOutput)
        self.OnOutput(self, data, bits, channels, rate, size, success);
    return success ? 1 : 0;
}

std::uint8_t TElPlayer::OutAction(int init, void* user)
{
    auto& self = *static_cast<TElPlayer*>(user);
    bool success = true;
    TElSOutputActionEvent& event = init != 0 ? self.OnOutputInit : self.OnOutputDone;
    if (event)
        event(self, success);
    return success ? 1 : 0;
}

TElPlayer& TElPlayers::Add()
{
    items_.push_back(std::make_unique<TElPlayer>(resolver_));
    return *items_.back();
}

void PrepareModulePlayer(TElPlayer& player)
{
    FileInput::Attach(player);
    player.SetInputMode(imCallback);
    player.SetOutputMode(omMMSystem);
    player.SetPathToDLL(kDecoderModulePath);
    player.Init();
}

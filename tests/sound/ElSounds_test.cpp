// The decoder-module player against small test modules (fake_elamp.cpp), handed to it in place
// of the built-in module: loading and its failures, the order of the module calls, the error
// rule, the callbacks, and the main window's file input events.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "disc/PathResolver.h"
#include "platform/LibraryLoader.h"
#include "sound/ElSounds.h"
#include "sound/FileInput.h"
#include "support/MemoryDisc.h"
#include "support/NativeLibrary.h"
#include "support/TempDir.h"

namespace {

// Expects `body` to raise a TElSException with `code` (and the message of that code).
template <typename Body>
void ExpectRaises(int code, Body body)
{
    try {
        body();
        ADD_FAILURE() << "no exception; expected " << ElSErrorMessage(code);
    } catch (const TElSException& e) {
        EXPECT_EQ(e.Code(), code);
        EXPECT_STREQ(e.what(), ElSErrorMessage(code));
    }
}

TEST(ElSErrors, MessagesOfTheCodes)
{
    EXPECT_STREQ(ElSErrorMessage(peNoError), "No error");
    EXPECT_STREQ(ElSErrorMessage(peIncorrectMode), "Incorrect decoder mode");
    EXPECT_STREQ(ElSErrorMessage(peOutputError), "Output device failure");
    EXPECT_STREQ(ElSErrorMessage(peNotLoaded), "Failed to load or initialize decoder module");
    EXPECT_STREQ(ElSErrorMessage(peNotInitialized), "Module not initialized");
    EXPECT_STREQ(ElSErrorMessage(12), "Unknown decoder error");
    EXPECT_STREQ(TElSException(peNoCallback).what(),
                 "One of callback functions needed to perform an operation not defined");
}

TEST(ElPlayer, WithoutAModuleEveryOperationRaisesAndSettersOnlyStore)
{
    TElPlayerMan man;
    TElPlayer& p = man.Players().Add();
    EXPECT_EQ(man.Players().Count(), 1);
    EXPECT_EQ(p.BuffersCount(), 8);
    EXPECT_EQ(p.BufferSize(), 16384);
    EXPECT_FALSE(p.Initialized());
    EXPECT_EQ(p.ModuleName(), "(Module not initialized)");
    EXPECT_EQ(p.About(), "(Module not initialized)");
    EXPECT_EQ(p.Version(), -1);

    p.SetInputName("a.mp3");
    p.SetBuffersCount(3);
    p.SetStartPos(5);
    EXPECT_EQ(p.InputName(), "a.mp3");
    EXPECT_EQ(p.BuffersCount(), 3);
    EXPECT_EQ(p.StartPos(), 5);

    ExpectRaises(peNotInitialized, [&] { p.Open(); });
    ExpectRaises(peNotInitialized, [&] { p.InitStream(); });
    ExpectRaises(peNotInitialized, [&] { p.Play(); });
    ExpectRaises(peNotInitialized, [&] { p.Pause(); });
    ExpectRaises(peNotInitialized, [&] { p.Resume(); });
    ExpectRaises(peNotInitialized, [&] { p.Stop(); });
    ExpectRaises(peNotInitialized, [&] { p.Close(); });
    ExpectRaises(peNotInitialized, [&] { p.GetPlayerMode(); });
    ExpectRaises(peNotInitialized, [&] { p.GetPosition(); });
    ExpectRaises(peNotInitialized, [&] { p.GetSize(); });
    p.Deinit();  // does not raise
}

TEST(ElPlayer, ModulesThatCannotBeUsedFailInit)
{
    TempDir dir;
    dir.MakeDir("graph/dll/folder.esp");
    PathResolver resolver(dir.path());
    struct Case {
        const char* path;
        const char* fake;  // a test module handed to the player, or nothing for the disc's own
        int code;
    } cases[] = {
        {"graph\\dll\\elamp.esp", nullptr, peNotLoaded},  // missing
        {"graph\\dll\\folder.esp", nullptr, peNotLoaded},
        {"graph\\dll\\elamp.esp", "NO_ESEQ", peNotLoaded},
        {"graph\\dll\\elamp.esp", "INIT_FAILS", peNotInitialized},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fake != nullptr ? c.fake : c.path);
        TElPlayer p(&resolver);
        p.SetPathToDLL(c.path);
        if (c.fake != nullptr)
            p.SetLibraryLoader(NativeLibraryInstead(std::string(FAKE_ELAMP_DIR "/") + c.fake + ".so"));
        ExpectRaises(c.code, [&] { p.Init(); });
        EXPECT_FALSE(p.Initialized());
        EXPECT_EQ(p.Version(), -1);
    }
}

// Whatever file is the disc's module, a native object included, the built-in module stands in
// for it, and the file is never run.
TEST(ElPlayer, AnyFileOfTheDiscIsTheBuiltinModule)
{
    LoaderTestModuleMarker marker;
    TempDir dir;
    PathResolver resolver(dir.path());
    for (const std::string& bytes : {std::string("not a library"), std::string(), ReadFileBytes(LOADER_TEST_MODULE)}) {
        dir.Write("graph/dll/elamp.esp", bytes);
        TElPlayer p(&resolver);
        p.SetPathToDLL("graph\\dll\\elamp.esp");
        p.Init();
        EXPECT_EQ(p.ModuleName(), "MPEG audio decoder");
    }
    EXPECT_FALSE(marker.Ran());
}

// The disc `disc` with a copy of the recording module at its root.
PathResolver DiscWithRecordingModule(const TempDir& disc)
{
    std::filesystem::copy_file(FAKE_ELAMP_DIR "/RECORDING.so", disc.path() / "RECORDING.so");
    return PathResolver(disc.path());
}

// A player on the recording module, on a disc of its own (the player reads only the disc's
// files); the test keeps its own handle on the library, so that the record outlives the player's
// Deinit.
class RecordingModule : public testing::Test {
protected:
    RecordingModule()
        : fakes_(DiscWithRecordingModule(disc_)), library_(LoadNativeLibrary(FAKE_ELAMP_DIR "/RECORDING.so"))
    {
        calls_ = EntryPointAs<const char* (*)()>(library_->GetProcAddress("FakeCalls"));
        fail_ = EntryPointAs<void (*)(const char*, int)>(library_->GetProcAddress("FakeFail"));
        EntryPointAs<void (*)()>(library_->GetProcAddress("FakeReset"))();
        player_ = &man_.Players().Add();
        player_->SetPathToDLL("RECORDING.so");
        player_->SetLibraryLoader(NativeLibraryInstead(FAKE_ELAMP_DIR "/RECORDING.so"));
    }

    // The calls recorded since the last look.
    std::string Calls()
    {
        std::string all = calls_();
        std::string fresh = all.substr(seen_);
        seen_ = all.size();
        return fresh;
    }

    TempDir disc_;
    PathResolver fakes_;
    std::unique_ptr<LoadedLibrary> library_;
    const char* (*calls_)() = nullptr;
    void (*fail_)(const char*, int) = nullptr;
    std::size_t seen_ = 0;
    TElPlayerMan man_{&fakes_};
    TElPlayer* player_ = nullptr;
};

TEST_F(RecordingModule, InitHandsOverTheCallbacksAndDeinitLetsGo)
{
    TElPlayer& p = *player_;
    p.SetBuffersCount(4);  // stored only: Init does not send buffers
    p.Init();
    EXPECT_TRUE(p.Initialized());
    EXPECT_EQ(Calls(), "ESInitModule;ESSetOutCB(item);ESSetInCB(item);");
    EXPECT_EQ(p.ModuleName(), "Fake module");
    EXPECT_EQ(p.About(), "About the fake");
    EXPECT_EQ(p.Version(), 7);

    p.SetBufferSize(100);  // loaded: reaches the module
    EXPECT_EQ(Calls(), "ESSetBuffers(4,100);");

    p.SetInitialized(false);
    EXPECT_FALSE(p.Initialized());
    EXPECT_EQ(Calls(), "ESDeInitModule;");
    ExpectRaises(peNotInitialized, [&] { p.Open(); });
    p.SetInitialized(true);
    EXPECT_EQ(Calls(), "ESInitModule;ESSetOutCB(item);ESSetInCB(item);");
}

TEST_F(RecordingModule, PlayingAFileCallsTheModuleInOrder)
{
    const auto file = disc_.Write("track.mp3", "ID3 and more");
    TElPlayer& p = *player_;
    p.SetInputMode(imCallback);
    p.SetOutputMode(omMMSystem);
    p.Init();
    FileInput::Attach(p);
    Calls();

    EXPECT_EQ(p.GetPlayerMode(), pmClosed);
    p.SetInputName(file.string());
    p.Open();
    EXPECT_EQ(Calls(), "ESSetInputName(" + file.string() + ");ESSetInputMode(1);ESSetInputName(" + file.string() +
                           ");ESSetOutputMode(0);ESSetOutputName();ESSetPriority(0);ESOpen;"
                           "opened(can_set_pos=0,size=1:12,read=1:ID3 );");
    EXPECT_EQ(p.GetPlayerMode(), pmOpened);
    p.InitStream();
    EXPECT_EQ(Calls(), "ESSetDevNum(0);ESInitStream;");
    p.Play();
    // The volume is written back with its two halves exchanged.
    EXPECT_EQ(Calls(), "ESSetLimits(0,0);ESSetLimits(0,0);ESSetWindow(w);ESUseOutCB(0);ESPlay;ESCanSetVolume;"
                       "ESGetVolume;ESSetVolume(22221111);");
    EXPECT_EQ(p.GetPlayerMode(), pmPlaying);
    EXPECT_EQ(p.GetSize() - p.GetPosition(), 5678 - 1234);

    p.Pause();
    EXPECT_TRUE(p.Paused());
    p.Resume();
    EXPECT_FALSE(p.Paused());
    p.Stop();
    p.Close();
    EXPECT_EQ(Calls(), "ESGetSize;ESGetPos;ESPause;ESResume;ESStop;ESClose;close=1;");
    EXPECT_EQ(p.GetPlayerMode(), pmClosed);

    // With all three output events assigned the module is told to use them.
    p.OnOutput = [](TElPlayer&, const void*, int, int, int, int, bool&) {};
    p.OnOutputInit = [](TElPlayer&, bool&) {};
    p.OnOutputDone = [](TElPlayer&, bool&) {};
    p.Play();
    EXPECT_NE(Calls().find("ESUseOutCB(1);"), std::string::npos);
}

TEST_F(RecordingModule, FailuresRaiseOnlyWhenTheModuleNamesAnError)
{
    TElPlayer& p = *player_;
    p.Init();
    FileInput::Attach(p);

    // A failure the module gives no error for is quiet.
    fail_("ESPlay", peNoError);
    p.Play();
    EXPECT_EQ(p.LastError(), peNoError);
    fail_("ESGetPos", peNoError);
    EXPECT_EQ(p.GetPosition(), -1);

    fail_("ESPlay", peOutputError);
    ExpectRaises(peOutputError, [&] { p.Play(); });
    EXPECT_EQ(p.LastError(), peOutputError);
    fail_("ESGetSize", peInternalError);
    ExpectRaises(peInternalError, [&] { p.GetSize(); });
    fail_("ESPause", peIncorrectMode);
    ExpectRaises(peIncorrectMode, [&] { p.Pause(); });
    EXPECT_FALSE(p.Paused());

    // A module that cannot change the priority still opens.
    fail_("ESSetPriority", peNotImplemented);
    p.SetInputName("missing.mp3");
    // ... but the file cannot be opened: the open callback reports failure.
    ExpectRaises(peInputError, [&] { p.Open(); });
    EXPECT_NE(Calls().find("ESSetPriority(0);ESOpen;open failed;"), std::string::npos);

    // Setters raise whenever the module refuses.
    fail_("ESSetInputName", peNotImplemented);
    ExpectRaises(peNotImplemented, [&] { p.SetInputName("x"); });
    EXPECT_EQ(p.InputName(), "x");
}

TEST_F(RecordingModule, InputEventsThatAreNotAssignedFail)
{
    TElPlayer& p = *player_;
    p.Init();
    ExpectRaises(peInputError, [&] { p.Open(); });

    // An open event that succeeds, but no read or size events.
    p.OnInputOpen = [](TElPlayer&, ESUserData& data, bool&, bool& success) {
        data = 42;
        success = true;
    };
    ESUserData closed = 0;
    p.OnInputClose = [&](TElPlayer&, ESUserData data, bool&) { closed = data; };
    Calls();
    p.Open();
    EXPECT_NE(Calls().find("opened(can_set_pos=0,size=0:-1,read=0:)"), std::string::npos);
    p.Close();
    EXPECT_EQ(closed, 42u);  // the close event gets the open event's user data; success stays true
    EXPECT_EQ(Calls(), "ESClose;close=1;");
}

TEST(FileInput, ReadsAFileAsAStream)
{
    TempDir dir;
    TElPlayer p;
    p.SetInputName(dir.Write("t.mp3", "0123456789").string());
    ESUserData data = 0;
    bool can_set_pos = true;
    bool ok = false;
    FileInput::Open(p, data, can_set_pos, ok);
    ASSERT_TRUE(ok);
    EXPECT_FALSE(can_set_pos);

    std::int64_t size = 0;
    FileInput::GetSize(p, data, size, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(size, 10);

    char buffer[8] = {};
    std::int32_t got = 0;
    FileInput::Read(p, data, buffer, 4, got, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(std::string(buffer, got), "0123");
    EXPECT_EQ(FileInput::Position(data), 4);

    std::int64_t pos = -3;  // from the end
    FileInput::Seek(p, data, pos, 2, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(pos, 7);
    FileInput::Read(p, data, buffer, 8, got, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(std::string(buffer, got), "789");
    EXPECT_EQ(FileInput::Position(data), FileInput::Size(data));  // the whole file has been read

    pos = -20;  // before the start
    FileInput::Seek(p, data, pos, 2, ok);
    EXPECT_FALSE(ok);
    pos = 2;
    FileInput::Seek(p, data, pos, 0, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(pos, 2);

    FileInput::Close(p, data, ok);
    EXPECT_TRUE(ok);
    FileInput::Close(p, 0, ok);  // no stream
    EXPECT_TRUE(ok);

    p.SetInputName((dir.path() / "missing.mp3").string());
    FileInput::Open(p, data, can_set_pos, ok);
    EXPECT_FALSE(ok);
    FileInput::Read(p, 0, buffer, 4, got, ok);
    EXPECT_FALSE(ok);
    FileInput::GetSize(p, 0, size, ok);
    EXPECT_FALSE(ok);
}

TEST(FileInput, ReadsAFileOfADiscImageFrontToBack)
{
    auto image = std::make_shared<MemoryDisc>();
    image->Add("music/t.mp3", "0123456789");
    image->ClaimSize("music/t.mp3", 12);  // the size the disc records is the stream's size
    const PathResolver resolver(image);
    TElPlayer p(&resolver);
    p.SetInputName("music/t.mp3");
    ESUserData data = 0;
    bool can_set_pos = true;
    bool ok = false;
    FileInput::Open(p, data, can_set_pos, ok);
    ASSERT_TRUE(ok);
    EXPECT_FALSE(can_set_pos);
    std::int64_t size = 0;
    FileInput::GetSize(p, data, size, ok);
    EXPECT_EQ(size, 12);

    char buffer[8] = {};
    std::int32_t got = 0;
    FileInput::Read(p, data, buffer, 6, got, ok);
    EXPECT_EQ(std::string(buffer, got), "012345");
    // A step back reads the file again from its start; a step forward reads over what it skips.
    std::int64_t pos = 2;
    FileInput::Seek(p, data, pos, 0, ok);
    EXPECT_TRUE(ok);
    FileInput::Read(p, data, buffer, 3, got, ok);
    EXPECT_EQ(std::string(buffer, got), "234");
    pos = -4;
    FileInput::Seek(p, data, pos, 2, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(pos, 8);
    FileInput::Read(p, data, buffer, 8, got, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(std::string(buffer, got), "89");
    // Past the end of the bytes there is nothing to go to.
    pos = 0;
    FileInput::Seek(p, data, pos, 2, ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(pos, 10);
    FileInput::Close(p, data, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(image->Opened(), (std::vector<std::string>{"music/t.mp3", "music/t.mp3"}));

    // A read that fails is told to the module.
    image->FailAfter("music/t.mp3", 4);
    FileInput::Open(p, data, can_set_pos, ok);
    ASSERT_TRUE(ok);
    FileInput::Read(p, data, buffer, 8, got, ok);
    EXPECT_EQ(got, 4);
    EXPECT_FALSE(ok);
    FileInput::Close(p, data, ok);
    EXPECT_FALSE(ok);

    for (const char* missing : {"music", "music/none.mp3"}) {
        p.SetInputName(missing);
        FileInput::Open(p, data, can_set_pos, ok);
        EXPECT_FALSE(ok) << missing;
    }
}

}  // namespace

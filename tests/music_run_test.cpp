// The whole demo, headless, with the recording double in place of the sound library: which of
// its entry points are called, with what, and when, for each state of the working folder.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/objects/object_table.h"
#include "platform/win32/win32.h"
#include "tests/support/demo_child.h"

namespace {

const char* const question = "MessageBoxA \"Run in fullscreen mode?\" \"Question\" 0x40024 -> 7";

const FolderFile theDouble{"fmod.dll", soundDoubleFile, ""};
const FolderFile theModule{"kv-deluge.it", moduleFile, ""};

const std::vector<std::string> playing = {
    "loaded",
    "FSOUND_Init 44100 32 0",
    "FMUSIC_LoadSong \"kv-deluge.it\"",
    "FMUSIC_SetMasterVolume song 128",
    "FMUSIC_SetLooping song -1",
    "FMUSIC_PlaySong song",
    "FMUSIC_FreeSong song",
    "FSOUND_Close",
    "unloaded",
};

std::vector<std::string> callsOf(const DemoRun& run) {
    std::vector<std::string> calls;
    for (const std::string& line : run.soundLog)
        if (line.rfind("object ", 0) != 0) calls.push_back(line);
    return calls;
}

size_t positionOf(const std::vector<std::string>& lines, const std::string& line) {
    return size_t(std::find(lines.begin(), lines.end(), line) - lines.begin());
}

void noteObjects() {
    observeObjects([](bool created, const char* call) {
        noteInSoundLog(std::string("object ") + (created ? "created by " : "released by ") + call);
    });
}

// The song starts before the first graphics object exists (the window opens just before it)
// and is freed, then the output closed, before shutdown releases the first one (start-up itself
// deletes the atlas's short-lived graphics contexts, so shutdown is what follows the last
// present); the library is unloaded only after the last one is gone.
TEST(MusicRun, ModulePlaysFromBeforeTheWindowUntilShutdown) {
    WorkingFolder folder;
    folder.files = {theDouble, theModule};
    OffscreenScript script;
    script.keyAfterPresents = 2;
    script.onPresent = [](const Surface&, int64_t, void*) { noteInSoundLog("object present"); };
    DemoRun run = runDemoInChild(script, noteObjects, folder);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(callsOf(run), playing);

    const std::vector<std::string>& log = run.soundLog;
    size_t firstCreated = log.size(), lastPresent = 0, firstReleased = log.size(), lastReleased = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i].rfind("object created", 0) == 0) firstCreated = std::min(firstCreated, i);
        if (log[i] == "object present") lastPresent = i;
    }
    for (size_t i = lastPresent; i < log.size(); ++i) {
        if (log[i].rfind("object released", 0) == 0) {
            firstReleased = std::min(firstReleased, i);
            lastReleased = i;
        }
    }
    ASSERT_LT(firstReleased, log.size());
    EXPECT_LT(positionOf(log, "FMUSIC_PlaySong song"), firstCreated);
    EXPECT_LT(positionOf(log, "FSOUND_Close"), firstReleased);
    EXPECT_GT(positionOf(log, "unloaded"), lastReleased);
    EXPECT_EQ(run.lines.front(), question);
    EXPECT_EQ(run.liveObjects, "");
}

// Every other state of the working folder runs the demo as usual, silently or with the calls
// the state allows, and never calls an entry point the library lacks.
TEST(MusicRun, WorkingFolderDecidesWhatIsCalled) {
    struct Case {
        const char* what;
        std::vector<FolderFile> files;
        std::vector<std::pair<std::string, std::string>> environment;
        std::vector<std::string> calls;
    };
    const std::vector<std::string> initOnly = {"loaded", "FSOUND_Init 44100 32 0", "unloaded"};
    const Case cases[] = {
        {"module absent", {theDouble}, {}, {"loaded", "unloaded"}},
        {"init answers 0", {theDouble, theModule}, {{"FMOD_DOUBLE_INIT", "0"}}, initOnly},
        {"init answers 0x100", {theDouble, theModule}, {{"FMOD_DOUBLE_INIT", "0x100"}}, initOnly},
        {"init answers 0x7FFFFF00", {theDouble, theModule}, {{"FMOD_DOUBLE_INIT", "0x7FFFFF00"}}, initOnly},
        {"init answers 0x80, negative in its low byte", {theDouble, theModule}, {{"FMOD_DOUBLE_INIT", "0x80"}}, playing},
        {"init answers 0x201", {theDouble, theModule}, {{"FMOD_DOUBLE_INIT", "0x201"}}, playing},
        {"module unreadable",
         {theDouble, theModule},
         {{"FMOD_DOUBLE_SONG", "null"}},
         {"loaded", "FSOUND_Init 44100 32 0", "FMUSIC_LoadSong \"kv-deluge.it\"", "FMUSIC_SetMasterVolume null 128",
          "FMUSIC_SetLooping null -1", "FMUSIC_PlaySong null", "FMUSIC_FreeSong null", "FSOUND_Close", "unloaded"}},
        {"library without FSOUND_Init", {{"fmod.dll", soundDoubleWithoutInitFile, ""}, theModule}, {}, {"loaded", "unloaded"}},
        {"library without FSOUND_Close", {{"fmod.dll", soundDoubleWithoutCloseFile, ""}, theModule}, {}, {"loaded", "unloaded"}},
        {"empty file as library", {{"fmod.dll", "", ""}, theModule}, {}, {}},
        {"text file as library", {{"fmod.dll", "", "not a library\n"}, theModule}, {}, {}},
    };
    for (const Case& c : cases) {
        WorkingFolder folder;
        folder.files = c.files;
        folder.environment = c.environment;
        DemoRun run = runDemoInChild(OffscreenScript{}, nullptr, folder);
        EXPECT_EQ(run.exitStatus, 0) << c.what;
        EXPECT_EQ(callsOf(run), c.calls) << c.what;
        ASSERT_FALSE(run.lines.empty()) << c.what;
        EXPECT_EQ(run.lines.front(), question) << c.what;
        EXPECT_TRUE(run.has("open 800 500 32 1 0x84 0")) << c.what;
        EXPECT_EQ(run.lines.back(), "end 0") << c.what;
        EXPECT_EQ(run.liveObjects, "") << c.what;
    }
}

// Without "fmod.dll" in the working folder the box is all there is, even when the loader would
// find a library of that name on its own path (this test program's has the double's folder).
TEST(MusicRun, MissingLibraryShowsOnlyTheBoxAndEndsWithZero) {
    void* onPath = dlopen("fmod.dll", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(onPath, nullptr) << "the double's folder is not on the library path: the test proves nothing";
    dlclose(onPath);

    WorkingFolder folder;
    folder.files = {theModule};
    OffscreenScript script;
    script.messageBoxAnswers = {IDOK};
    DemoRun run = runDemoInChild(script, nullptr, folder);
    EXPECT_EQ(run.exitStatus, 0);
    std::vector<std::string> expected = {"MessageBoxA \"Cannot find fmod.dll!\" \"ERROR\" 0x40010 -> 1", "end 0"};
    EXPECT_EQ(run.lines, expected);
    EXPECT_EQ(run.soundLog, std::vector<std::string>{});
    EXPECT_EQ(run.liveObjects, "");
}

}  // namespace

// The real sound library and the committed module: the module as libopenmpt reads it, and the
// library's output rendered through SDL's disk audio driver into a file, as fast as it goes.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/soundlib/sound_library.h"
#include "platform/win32/win32.h"
#include "tests/support/demo_child.h"

namespace {

constexpr int rate = 44100;

std::vector<char> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

// libopenmpt hands out each metadata string for the caller to free.
std::string metadata(openmpt_module* module, const char* key) {
    const char* value = openmpt_module_get_metadata(module, key);
    std::string copy = value ? value : "";
    openmpt_free_string(value);
    return copy;
}

std::vector<int16_t> samplesOf(const std::vector<char>& bytes) {
    std::vector<int16_t> samples(bytes.size() / 2);
    // An empty file has no data pointer, which memcpy must not be given even for no bytes.
    if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

// Index of the first stereo frame's left sample that is not silent, or the size.
size_t firstSound(const std::vector<int16_t>& samples) {
    size_t first = 0;
    while (first < samples.size() && samples[first] == 0) ++first;
    return first & ~size_t(1);
}

// Byte offset of the first sound in a raw output file, or UINTMAX_MAX while there is none.
uintmax_t firstSoundAt(const std::string& path) {
    std::vector<int16_t> samples = samplesOf(readFile(path));
    size_t first = firstSound(samples);
    return first < samples.size() ? uintmax_t(first) * 2 : UINTMAX_MAX;
}

double moduleSeconds() {
    std::vector<char> data = readFile(moduleFile);
    openmpt_module* module = openmpt_module_create_from_memory2(data.data(), data.size(), openmpt_log_func_silent,
                                                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!module) return 0;
    double seconds = openmpt_module_get_duration_seconds(module);
    openmpt_module_destroy(module);
    return seconds;
}

TEST(Module, IsAnImpulseTrackerLoopOfOverAMinute) {
    std::vector<char> data = readFile(moduleFile);
    ASSERT_GT(data.size(), 4u);
    EXPECT_EQ(std::string(data.data(), 4), "IMPM");
    openmpt_module* module = openmpt_module_create_from_memory2(data.data(), data.size(), openmpt_log_func_silent,
                                                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(metadata(module, "type"), "it");
    EXPECT_EQ(metadata(module, "warnings"), "");
    EXPECT_GE(openmpt_module_get_duration_seconds(module), 60.0);
    EXPECT_GE(openmpt_module_get_num_patterns(module), 3);
    EXPECT_GT(openmpt_module_get_num_orders(module), openmpt_module_get_num_patterns(module));
    EXPECT_GE(openmpt_module_get_num_instruments(module), 3);  // pad, bass and at least one drum
    EXPECT_GE(openmpt_module_get_num_channels(module), 4);
    openmpt_module_destroy(module);
}

// The library's entry points, found the way the demo finds them.
struct SoundLibrary {
    HMODULE library = nullptr;
    decltype(&FSOUND_Init) init = nullptr;
    decltype(&FSOUND_Close) close = nullptr;
    decltype(&FMUSIC_LoadSong) loadSong = nullptr;
    decltype(&FMUSIC_FreeSong) freeSong = nullptr;
    decltype(&FMUSIC_PlaySong) playSong = nullptr;
    decltype(&FMUSIC_SetMasterVolume) setMasterVolume = nullptr;
    decltype(&FMUSIC_SetLooping) setLooping = nullptr;
};

template <typename Proc> void bind(HMODULE library, const char* name, Proc* proc) {
    FARPROC found = GetProcAddress(library, name);
    static_assert(sizeof found == sizeof *proc);
    std::memcpy(proc, &found, sizeof found);
}

class SoundLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        output = std::filesystem::temp_directory_path().string() + "/deluge-sound-XXXXXX";
        int fd = mkstemp(output.data());
        ASSERT_GE(fd, 0);
        ::close(fd);
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "0", 1);
        sound.library = LoadLibraryA(soundLibraryFile);
        ASSERT_NE(sound.library, nullptr);
        bind(sound.library, "_FSOUND_Init@12", &sound.init);
        bind(sound.library, "_FSOUND_Close@0", &sound.close);
        bind(sound.library, "_FMUSIC_LoadSong@4", &sound.loadSong);
        bind(sound.library, "_FMUSIC_FreeSong@4", &sound.freeSong);
        bind(sound.library, "_FMUSIC_PlaySong@4", &sound.playSong);
        bind(sound.library, "_FMUSIC_SetMasterVolume@8", &sound.setMasterVolume);
        bind(sound.library, "_FMUSIC_SetLooping@8", &sound.setLooping);
        ASSERT_TRUE(sound.init && sound.close && sound.loadSong && sound.freeSong && sound.playSong &&
                    sound.setMasterVolume && sound.setLooping);
    }
    void TearDown() override {
        if (sound.close) sound.close();
        if (sound.library) FreeLibrary(sound.library);
        std::filesystem::remove(output);
    }

    // Plays the module with the given volume and looping until the output file holds `seconds`
    // of sound after its first sound, then closes the output; the frames from the first sound on.
    std::vector<int16_t> render(int volume, signed char looping, double seconds) {
        EXPECT_NE(sound.init(rate, 32, 0), 0);
        FMUSIC_MODULE* song = sound.loadSong(moduleFile);
        EXPECT_NE(song, nullptr);
        EXPECT_NE(sound.setMasterVolume(song, volume), 0);
        EXPECT_NE(sound.setLooping(song, looping), 0);
        EXPECT_NE(sound.playSong(song), 0);
        // Between the output opening and the play the file fills with silence, as fast as the
        // disk driver goes: the length counts from the first sound.
        uintmax_t wanted = uintmax_t(seconds * rate) * 4;
        uintmax_t soundStart = UINTMAX_MAX;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        std::error_code error;
        while (std::chrono::steady_clock::now() < deadline) {
            if (soundStart == UINTMAX_MAX) soundStart = firstSoundAt(output);
            if (soundStart != UINTMAX_MAX && std::filesystem::file_size(output, error) >= soundStart + wanted) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_NE(sound.freeSong(song), 0);
        sound.close();
        std::vector<int16_t> samples = samplesOf(readFile(output));
        samples.erase(samples.begin(), samples.begin() + std::ptrdiff_t(firstSound(samples)));
        size_t keep = size_t(seconds * rate) * 2;
        EXPECT_GE(samples.size(), keep);
        if (samples.size() > keep) samples.resize(keep);
        return samples;
    }

    std::string output;
    SoundLibrary sound;
};

// Root mean square of frames [from, to) seconds, both channels, as a fraction of full scale.
double rms(const std::vector<int16_t>& samples, double from, double to) {
    size_t begin = size_t(from * rate) * 2, end = std::min(samples.size(), size_t(to * rate) * 2);
    double sum = 0;
    for (size_t i = begin; i < end; ++i) sum += double(samples[i]) * samples[i];
    return end > begin ? std::sqrt(sum / double(end - begin)) / 32768.0 : 0.0;
}

// Looping on: sound in every second, past the module's end into its second time round, at
// levels with headroom (nothing reaches full scale even at full volume).
TEST_F(SoundLibraryTest, ModuleLoopsPastItsEndWithoutClipping) {
    double length = moduleSeconds();
    ASSERT_GE(length, 60.0);
    std::vector<int16_t> samples = render(256, -1, length + 10.0);
    for (double second = 0; second + 1 <= length + 10.0; ++second)
        EXPECT_GT(rms(samples, second, second + 1), 0.01) << "silent at " << second << " s";
    int16_t peak = 0;
    for (int16_t v : samples) peak = std::max<int16_t>(peak, int16_t(std::abs(int(v))));
    EXPECT_LT(peak, 32000);
    EXPECT_GT(peak, 8000);
    // The second time round sounds like the first.
    EXPECT_NEAR(rms(samples, length + 1, length + 9), rms(samples, 1, 9), 0.2 * rms(samples, 1, 9));
}

// Looping off: the song ends and the output goes silent; volume 128 is half the amplitude.
TEST_F(SoundLibraryTest, WithoutLoopingTheSongEndsAndVolumeScales) {
    double length = moduleSeconds();
    std::vector<int16_t> full = render(256, 0, length + 3.0);
    std::vector<int16_t> half = render(128, 0, 30.0);
    EXPECT_EQ(rms(full, length + 1.0, length + 3.0), 0.0);
    EXPECT_GT(rms(full, length - 3.0, length - 1.0), 0.01);
    EXPECT_NEAR(rms(half, 0, 30) / rms(full, 0, 30), 0.5, 0.01);
}

// A null or unknown song does nothing in every call; what cannot be played is a null song.
TEST_F(SoundLibraryTest, NullSongsAndUnplayableFilesAreHarmless) {
    EXPECT_EQ(sound.loadSong(moduleFile), nullptr) << "no output open yet";
    ASSERT_NE(sound.init(rate, 32, 0), 0);
    EXPECT_NE(sound.init(rate, 32, 0), 0) << "already open";
    FMUSIC_MODULE* none = nullptr;
    EXPECT_EQ(sound.setMasterVolume(none, 128), 0);
    EXPECT_EQ(sound.setLooping(none, -1), 0);
    EXPECT_EQ(sound.playSong(none), 0);
    EXPECT_EQ(sound.freeSong(none), 0);
    EXPECT_EQ(sound.loadSong(nullptr), nullptr);

    std::string folder = std::filesystem::path(output).parent_path().string();
    std::string empty = output + ".empty", text = output + ".txt";
    std::ofstream(empty).close();
    std::ofstream(text) << "not a module\n";
    for (const std::string& name : {empty, text, output + ".missing", folder}) EXPECT_EQ(sound.loadSong(name.c_str()), nullptr) << name;
    std::filesystem::remove(empty);
    std::filesystem::remove(text);

    FMUSIC_MODULE* song = sound.loadSong(moduleFile);
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(sound.setMasterVolume(song, 257), 0);
    EXPECT_EQ(sound.setMasterVolume(song, -1), 0);
    EXPECT_NE(sound.playSong(song), 0);
    EXPECT_NE(sound.freeSong(song), 0);
    EXPECT_EQ(sound.freeSong(song), 0) << "freed twice";
    EXPECT_EQ(sound.playSong(song), 0) << "played after it was freed";

    // Songs left loaded go with the output; their handles are dead afterwards.
    FMUSIC_MODULE* left = sound.loadSong(moduleFile);
    ASSERT_NE(left, nullptr);
    sound.close();
    EXPECT_EQ(sound.playSong(left), 0);
    sound.close();
    EXPECT_EQ(sound.init(1000, 32, 0), 0) << "a rate no output takes";
}

}  // namespace

// The sound library: libopenmpt renders each playing song, and SDL2 audio plays their sum from
// its callback thread. The main thread changes the song list and the songs' state only while
// it holds the device lock, so the callback never sees a song half made or half freed.
#include "platform/soundlib/sound_library.h"

#include <SDL.h>
#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>

struct FMUSIC_MODULE {
    openmpt_module* module;
    int volume;  // 0..256
    bool playing;
    FMUSIC_MODULE* next;
};

namespace {

constexpr int minimumRate = 8000;
constexpr int maximumRate = 192000;
constexpr long largestModule = 64L << 20;  // bytes; no module comes near it
constexpr int mixFrames = 512;              // frames rendered per step of the callback

struct SoundOutput {
    SDL_AudioDeviceID device = 0;
    int rate = 0;
    FMUSIC_MODULE* songs = nullptr;  // every loaded song, playing or not
};

SoundOutput output;

// Runs on SDL's audio thread with the device lock held.
void mixSongs(void*, Uint8* stream, int length) {
    int16_t* out = reinterpret_cast<int16_t*>(stream);
    int frames = length / int(2 * sizeof(int16_t));
    float rendered[2 * mixFrames];
    float sum[2 * mixFrames];
    while (frames > 0) {
        int step = frames < mixFrames ? frames : mixFrames;
        for (int i = 0; i < 2 * step; ++i) sum[i] = 0.0f;
        for (FMUSIC_MODULE* song = output.songs; song; song = song->next) {
            if (!song->playing) continue;
            size_t got = openmpt_module_read_interleaved_float_stereo(song->module, output.rate, size_t(step), rendered);
            // Fewer frames than asked: the song reached its end with looping off.
            if (got < size_t(step)) song->playing = false;
            float gain = float(song->volume) / 256.0f;
            for (size_t i = 0; i < 2 * got; ++i) sum[i] += rendered[i] * gain;
        }
        for (int i = 0; i < 2 * step; ++i) {
            float v = sum[i] < -1.0f ? -1.0f : sum[i] > 1.0f ? 1.0f : sum[i];
            out[i] = int16_t(std::lrint(v * 32767.0f));
        }
        out += 2 * step;
        frames -= step;
    }
}

// A handle the caller holds is trusted only when it is in the list (only this thread changes it).
FMUSIC_MODULE* findSong(FMUSIC_MODULE* handle) {
    if (!handle) return nullptr;
    for (FMUSIC_MODULE* song = output.songs; song; song = song->next)
        if (song == handle) return song;
    return nullptr;
}

// The whole file in memory, or null; the caller frees it.
void* readWholeFile(const char* name, size_t* size) {
    std::FILE* file = std::fopen(name, "rb");
    if (!file) return nullptr;
    void* data = nullptr;
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    if (length > 0 && length <= largestModule && std::fseek(file, 0, SEEK_SET) == 0) {
        data = std::malloc(size_t(length));
        if (data && std::fread(data, 1, size_t(length), file) != size_t(length)) {
            std::free(data);
            data = nullptr;
        }
    }
    std::fclose(file);
    *size = size_t(length);
    return data;
}

void lockOutput() { SDL_LockAudioDevice(output.device); }
void unlockOutput() { SDL_UnlockAudioDevice(output.device); }

// Ends this library's use of SDL. When nothing else in the process uses SDL, SDL is ended
// entirely: it keeps its hints and error buffers until SDL_Quit, and a process that loaded SDL
// only through this library would lose them, unfreed, when the library is unloaded.
void quitSdlAudio() {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
}

}  // namespace

signed char FSOUND_Init(int mixRate, int, unsigned int) {
    if (output.device) return 1;
    if (mixRate < minimumRate || mixRate > maximumRate) return 0;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    SDL_AudioSpec wanted{};
    wanted.freq = mixRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = 1024;  // about 23 ms at 44100 Hz
    wanted.callback = mixSongs;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the device wants, the callback stays simple.
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0) {
        quitSdlAudio();
        return 0;
    }
    output.device = device;
    output.rate = mixRate;
    SDL_PauseAudioDevice(device, 0);
    return 1;
}

void FSOUND_Close() {
    if (!output.device) return;
    // Closing waits for a running callback; afterwards no other thread sees the songs.
    SDL_CloseAudioDevice(output.device);
    while (FMUSIC_MODULE* song = output.songs) {
        output.songs = song->next;
        openmpt_module_destroy(song->module);
        delete song;
    }
    output = SoundOutput{};
    quitSdlAudio();
}

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name) {
    if (!output.device || !name) return nullptr;
    size_t size = 0;
    void* data = readWholeFile(name, &size);
    if (!data) return nullptr;
    // The renderer's own log would go to stderr; a file it cannot read is simply a null song.
    openmpt_module* module = openmpt_module_create_from_memory2(data, size, openmpt_log_func_silent, nullptr,
                                                                openmpt_error_func_ignore, nullptr, nullptr,
                                                                nullptr, nullptr);
    std::free(data);
    if (!module) return nullptr;
    openmpt_module_set_repeat_count(module, -1);
    FMUSIC_MODULE* song = new (std::nothrow) FMUSIC_MODULE{module, 256, false, nullptr};
    if (!song) {
        openmpt_module_destroy(module);
        return nullptr;
    }
    lockOutput();
    song->next = output.songs;
    output.songs = song;
    unlockOutput();
    return song;
}

signed char FMUSIC_FreeSong(FMUSIC_MODULE* handle) {
    FMUSIC_MODULE* song = findSong(handle);
    if (!song) return 0;
    lockOutput();
    FMUSIC_MODULE** link = &output.songs;
    while (*link != song) link = &(*link)->next;
    *link = song->next;
    unlockOutput();
    openmpt_module_destroy(song->module);
    delete song;
    return 1;
}

signed char FMUSIC_PlaySong(FMUSIC_MODULE* handle) {
    FMUSIC_MODULE* song = findSong(handle);
    if (!song) return 0;
    lockOutput();
    openmpt_module_set_position_seconds(song->module, 0.0);
    song->playing = true;
    unlockOutput();
    return 1;
}

signed char FMUSIC_SetMasterVolume(FMUSIC_MODULE* handle, int volume) {
    FMUSIC_MODULE* song = findSong(handle);
    if (!song || volume < 0 || volume > 256) return 0;
    lockOutput();
    song->volume = volume;
    unlockOutput();
    return 1;
}

signed char FMUSIC_SetLooping(FMUSIC_MODULE* handle, signed char looping) {
    FMUSIC_MODULE* song = findSong(handle);
    if (!song) return 0;
    lockOutput();
    openmpt_module_set_repeat_count(song->module, looping ? -1 : 0);
    unlockOutput();
    return 1;
}

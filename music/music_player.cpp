#include "music/music_player.h"

#include <cstdio>
#include <cstring>

#include "platform/window/window.h"

MusicPlayer musicPlayer{};

namespace {

const char* const libraryFile = "fmod.dll";
const char* const moduleFile = "kv-deluge.it";

constexpr int mixRate = 44100;
constexpr int softwareChannels = 32;
constexpr unsigned int initFlags = 0;
constexpr int songVolume = 128;  // of 256
constexpr int loopingOn = -1;    // all bits set

// A path relative to the working folder that can be opened for reading.
bool fileCanBeRead(const char* name) {
    std::FILE* file = std::fopen(name, "rb");
    if (!file) return false;
    std::fclose(file);
    return true;
}

template <typename Proc> Proc entryPoint(HMODULE library, const char* decoratedName) {
    FARPROC found = library ? GetProcAddress(library, decoratedName) : nullptr;
    Proc proc = nullptr;
    static_assert(sizeof proc == sizeof found);
    std::memcpy(&proc, &found, sizeof proc);
    return proc;
}

bool allEntryPointsFound(const MusicPlayer& p) {
    return p.soundInit && p.loadSong && p.setMasterVolume && p.setLooping && p.playSong && p.freeSong &&
           p.soundClose;
}

}  // namespace

void bindMusicLibrary() {
    if (!fileCanBeRead(libraryFile)) {
        // Nothing else exists yet, so there is nothing to release.
        MessageBoxA(nullptr, "Cannot find fmod.dll!", "ERROR", MB_OK | MB_ICONERROR | MB_TOPMOST);
        windowEnd(0);
    }
    MusicPlayer& p = musicPlayer;
    p.library = LoadLibraryA(libraryFile);
    p.soundInit = entryPoint<SoundInitProc>(p.library, "_FSOUND_Init@12");
    p.loadSong = entryPoint<LoadSongProc>(p.library, "_FMUSIC_LoadSong@4");
    p.setMasterVolume = entryPoint<SetMasterVolumeProc>(p.library, "_FMUSIC_SetMasterVolume@8");
    p.setLooping = entryPoint<SetLoopingProc>(p.library, "_FMUSIC_SetLooping@8");
    p.playSong = entryPoint<PlaySongProc>(p.library, "_FMUSIC_PlaySong@4");
    p.freeSong = entryPoint<FreeSongProc>(p.library, "_FMUSIC_FreeSong@4");
    p.soundClose = entryPoint<SoundCloseProc>(p.library, "_FSOUND_Close@0");
}

void startMusic() {
    MusicPlayer& p = musicPlayer;
    p.musicStarted = 0;
    p.song = nullptr;
    // A library that cannot be loaded, or lacks any of the seven, stays unused: music that
    // could start but not be freed or closed would outlive the run.
    if (!allEntryPointsFound(p)) return;
    if (!fileCanBeRead(moduleFile)) return;
    // Only the low byte of the answer counts.
    if ((p.soundInit(mixRate, softwareChannels, initFlags) & 0xFF) == 0) return;
    // The song is not tested: the library takes a null song in every call and does nothing.
    p.song = p.loadSong(moduleFile);
    p.setMasterVolume(p.song, songVolume);
    p.setLooping(p.song, loopingOn);
    p.playSong(p.song);
    p.musicStarted = -1;
}

void stopMusic() {
    MusicPlayer& p = musicPlayer;
    if (!p.musicStarted) return;
    p.freeSong(p.song);
    p.soundClose();
    p.musicStarted = 0;
    p.song = nullptr;
}

void unloadMusicLibrary() {
    MusicPlayer& p = musicPlayer;
    if (p.library) FreeLibrary(p.library);
    p = MusicPlayer{};
}

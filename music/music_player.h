#pragma once
// The MusicPlayer: binds the sound library "fmod.dll" of the working folder at run time and
// plays the module "kv-deluge.it" in a loop from start-up to shutdown. The library is required,
// the module is not: without the module, or without sound output, the demo runs silently.
#include <cstdint>

#include "platform/win32/win32.h"

// The entry points as the demo calls them: every argument a 32-bit value (the song a handle),
// results in the low bits of a 32-bit register.
typedef int(WINAPI* SoundInitProc)(int mixRate, int softwareChannels, unsigned int flags);
typedef void*(WINAPI* LoadSongProc)(const char* fileName);
typedef int(WINAPI* SetMasterVolumeProc)(void* song, int volume);
typedef int(WINAPI* SetLoopingProc)(void* song, int looping);
typedef int(WINAPI* PlaySongProc)(void* song);
typedef int(WINAPI* FreeSongProc)(void* song);
typedef void(WINAPI* SoundCloseProc)();

struct MusicPlayer {
    HMODULE library;
    SoundInitProc soundInit;
    LoadSongProc loadSong;
    SetMasterVolumeProc setMasterVolume;
    SetLoopingProc setLooping;
    PlaySongProc playSong;
    FreeSongProc freeSong;
    SoundCloseProc soundClose;
    int32_t musicStarted;  // -1 once the module was found and the sound output is ready
    void* song;            // what the load answered, null included
};

extern MusicPlayer musicPlayer;

// Loads "fmod.dll" and looks up its seven entry points. When the working folder has no such
// file it shows "Cannot find fmod.dll!" and ends the process with status 0.
void bindMusicLibrary();

// Opens the sound output and plays the module, looping, when the module file is there.
void startMusic();

// Frees the song and closes the sound output, when music was started.
void stopMusic();

// Unloads the library, whether or not music was started.
void unloadMusicLibrary();

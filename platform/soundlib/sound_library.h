#pragma once
// The sound library that the demo loads at run time as "fmod.dll": sound output and looped
// playback of tracker modules. Plain C entry points; truth values are signed chars (nonzero is
// true). Every call comes from one thread; a null or unknown song does nothing and answers 0.
#if defined(__GNUC__)
#define SOUNDLIB_EXPORT __attribute__((visibility("default")))
#else
#define SOUNDLIB_EXPORT
#endif

extern "C" {

struct FMUSIC_MODULE;

// Opens stereo output at mixRate Hz (8000 to 192000); true once it is playing (silence until a
// song plays). The channel count and the flags are accepted and not used: the module renderer
// mixes any number of channels. Once open, later calls answer true and change nothing.
SOUNDLIB_EXPORT signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags);

// Stops every song, frees them all and closes the output.
SOUNDLIB_EXPORT void FSOUND_Close();

// Loads a module file (any format the renderer knows: IT, XM, S3M, MOD, ...); null when the
// output is not open or the file cannot be read or is not a module. A new song is stopped, at
// full volume (256), with looping on.
SOUNDLIB_EXPORT FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);

// Stops the song and frees it; the handle is dead afterwards.
SOUNDLIB_EXPORT signed char FMUSIC_FreeSong(FMUSIC_MODULE* song);

// Plays the song from its start.
SOUNDLIB_EXPORT signed char FMUSIC_PlaySong(FMUSIC_MODULE* song);

// The song's volume, 0 (silent) to 256 (full); a value outside that range is refused.
SOUNDLIB_EXPORT signed char FMUSIC_SetMasterVolume(FMUSIC_MODULE* song, int volume);

// Nonzero: the song starts over when it ends, forever. Zero: it stops at its end.
SOUNDLIB_EXPORT signed char FMUSIC_SetLooping(FMUSIC_MODULE* song, signed char looping);
}

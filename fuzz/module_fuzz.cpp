// FMUSIC_LoadSong of the sound library on any file contents: the bytes are written to a file,
// loaded, and a song that loads is set up, played and freed as the demo does, on an output of SDL's
// dummy audio driver. Either there is a song whose calls all succeed, or a null one.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_check.h"
#include "platform/soundlib/sound_library.h"

namespace {

std::string moduleFile;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    fuzzCheck(FSOUND_Init(44100, 32, 0) != 0, "the dummy output opens");
    const char* folder = std::getenv("TMPDIR");
    if (!folder || !*folder) folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    moduleFile = std::string(folder) + "/deluge-module-fuzz-" + std::to_string(getpid());
    // The sound library closes at exit, as the demo closes it at shutdown, and the file goes.
    std::atexit([] {
        FSOUND_Close();
        std::remove(moduleFile.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(moduleFile.c_str(), "wb");
    fuzzCheck(file != nullptr, "the module file can be written");
    fuzzCheck(std::fwrite(data, 1, size, file) == size && std::fclose(file) == 0, "the module file is written");

    FMUSIC_MODULE* song = FMUSIC_LoadSong(moduleFile.c_str());
    if (!song) return 0;
    fuzzCheck(FMUSIC_SetMasterVolume(song, 128) != 0, "a loaded song takes a volume");
    fuzzCheck(FMUSIC_SetLooping(song, 1) != 0, "a loaded song loops");
    fuzzCheck(FMUSIC_PlaySong(song) != 0, "a loaded song plays");
    fuzzCheck(FMUSIC_FreeSong(song) != 0, "a loaded song is freed");
    fuzzCheck(FMUSIC_FreeSong(song) == 0, "a freed song is dead");
    return 0;
}

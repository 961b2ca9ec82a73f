// A recording stand-in for the sound library, loaded by headless runs of the demo in place of
// "fmod.dll". Each call, with its arguments, goes as one line to the file that FMOD_DOUBLE_LOG
// names, as do loading ("loaded") and unloading ("unloaded"). Answers are steered by:
//   FMOD_DOUBLE_INIT   the whole 32-bit answer of FSOUND_Init (default 1)
//   FMOD_DOUBLE_SONG   "null": FMUSIC_LoadSong answers null (default: a song)
// Built once whole and once without each entry point named by DOUBLE_WITHOUT_INIT or
// DOUBLE_WITHOUT_CLOSE. On Windows the entry points are stdcall functions, exported under their
// decorated names ("_FSOUND_Init@12") by sound_double.def.
#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#define DOUBLE_EXPORT extern "C"
#define DOUBLE_CALL __attribute__((stdcall))
#else
#define DOUBLE_EXPORT extern "C" __attribute__((visibility("default")))
#define DOUBLE_CALL
#endif

namespace {

int theSong;  // the song handle the double hands out is this address

void logLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
void logLine(const char* format, ...) {
    const char* path = std::getenv("FMOD_DOUBLE_LOG");
    if (!path || !*path) return;
    char line[512];
    va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(line, sizeof line - 1, format, arguments);
    va_end(arguments);
    if (length < 0) return;
    if (size_t(length) > sizeof line - 2) length = int(sizeof line - 2);
    line[length++] = '\n';
    // One append per line keeps the order when the test writes into the same file.
#if defined(_WIN32)
    std::FILE* file = std::fopen(path, "ab");
    if (!file) return;
    std::fwrite(line, 1, size_t(length), file);
    std::fclose(file);
#else
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    [[maybe_unused]] ssize_t written = write(fd, line, size_t(length));
    close(fd);
#endif
}

const char* songName(void* song) {
    static char other[32];
    if (!song) return "null";
    if (song == &theSong) return "song";
    std::snprintf(other, sizeof other, "%p", song);
    return other;
}

__attribute__((constructor)) void onLoad() { logLine("loaded"); }
__attribute__((destructor)) void onUnload() { logLine("unloaded"); }

}  // namespace

#ifndef DOUBLE_WITHOUT_INIT
DOUBLE_EXPORT int DOUBLE_CALL FSOUND_Init(int mixRate, int softwareChannels, unsigned int flags) {
    logLine("FSOUND_Init %d %d %u", mixRate, softwareChannels, flags);
    const char* answer = std::getenv("FMOD_DOUBLE_INIT");
    return answer ? int(std::strtol(answer, nullptr, 0)) : 1;
}
#endif

DOUBLE_EXPORT void* DOUBLE_CALL FMUSIC_LoadSong(const char* name) {
    logLine("FMUSIC_LoadSong \"%s\"", name ? name : "(null)");
    const char* answer = std::getenv("FMOD_DOUBLE_SONG");
    return answer && std::strcmp(answer, "null") == 0 ? nullptr : &theSong;
}

DOUBLE_EXPORT int DOUBLE_CALL FMUSIC_SetMasterVolume(void* song, int volume) {
    logLine("FMUSIC_SetMasterVolume %s %d", songName(song), volume);
    return 1;
}

DOUBLE_EXPORT int DOUBLE_CALL FMUSIC_SetLooping(void* song, int looping) {
    logLine("FMUSIC_SetLooping %s %d", songName(song), looping);
    return 1;
}

DOUBLE_EXPORT int DOUBLE_CALL FMUSIC_PlaySong(void* song) {
    logLine("FMUSIC_PlaySong %s", songName(song));
    return 1;
}

DOUBLE_EXPORT int DOUBLE_CALL FMUSIC_FreeSong(void* song) {
    logLine("FMUSIC_FreeSong %s", songName(song));
    return 1;
}

#ifndef DOUBLE_WITHOUT_CLOSE
DOUBLE_EXPORT void DOUBLE_CALL FSOUND_Close() { logLine("FSOUND_Close"); }
#endif

// LoadLibraryA, GetProcAddress and FreeLibrary on POSIX, against the recording double.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/win32/win32.h"
#include "tests/support/demo_child.h"

namespace {

TEST(LibraryBinding, DecoratedNamesFindThePlainSymbol) {
    HMODULE library = LoadLibraryA(soundDoubleFile);
    ASSERT_NE(library, nullptr);
    FARPROC init = GetProcAddress(library, "FSOUND_Init");
    ASSERT_NE(init, nullptr);
    struct Case {
        const char* name;
        bool found;
    } cases[] = {
        {"_FSOUND_Init@12", true},   {"_FSOUND_Close@0", true},    {"_FMUSIC_LoadSong@4", true},
        {"_FSOUND_Init@", false},    {"_FSOUND_Init@1x", false},   {"FSOUND_Init@12", false},
        {"_FSOUND_Init", false},     {"_@12", false},              {"_FSOUND_Missing@4", false},
    };
    for (const Case& c : cases) {
        FARPROC entry = GetProcAddress(library, c.name);
        EXPECT_EQ(entry != nullptr, c.found) << c.name;
    }
    EXPECT_EQ(GetProcAddress(library, "_FSOUND_Init@12"), init);
    // An ordinal, not a name: ELF libraries have none, and the pointer must not be read.
    EXPECT_EQ(GetProcAddress(library, reinterpret_cast<LPCSTR>(uintptr_t(1))), nullptr);
    EXPECT_EQ(GetProcAddress(nullptr, "_FSOUND_Init@12"), nullptr);
    EXPECT_EQ(FreeLibrary(library), TRUE);
    EXPECT_EQ(FreeLibrary(nullptr), FALSE);
}

// A bare name is a file of the working folder and nothing else: not a library that the loader
// would find on this program's path (the double's folder), and not a file that is no library.
TEST(LibraryBinding, BareNameIsAFileOfTheWorkingFolder) {
    std::filesystem::path previous = std::filesystem::current_path();
    std::string folder = std::filesystem::temp_directory_path().string() + "/deluge-binding-XXXXXX";
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    ASSERT_EQ(chdir(folder.c_str()), 0);

    EXPECT_EQ(LoadLibraryA("fmod.dll"), nullptr);
    std::ofstream("fmod.dll") << "not a library\n";
    EXPECT_EQ(LoadLibraryA("fmod.dll"), nullptr);
    std::filesystem::remove("fmod.dll");
    std::filesystem::copy_file(soundDoubleFile, "fmod.dll");
    HMODULE library = LoadLibraryA("fmod.dll");
    EXPECT_NE(library, nullptr);
    EXPECT_NE(GetProcAddress(library, "_FSOUND_Init@12"), nullptr);
    if (library) {
        EXPECT_EQ(FreeLibrary(library), TRUE);
    }
    EXPECT_EQ(LoadLibraryA(""), nullptr);
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);

    std::filesystem::current_path(previous);
    std::filesystem::remove_all(folder);
}

}  // namespace

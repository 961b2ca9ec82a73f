// LoadLibraryA, GetProcAddress and FreeLibrary on dlopen and dlsym.
#include "platform/win32/win32.h"

#include <dlfcn.h>

#include <cstring>
#include <string>

namespace {

// "_Name@12" is how a stdcall function is exported on 32-bit Windows; an ELF library exports it
// as "Name". Anything else is looked up as it is.
std::string plainSymbolName(const char* name) {
    size_t length = std::strlen(name);
    const char* at = std::strrchr(name, '@');
    if (length < 4 || name[0] != '_' || !at || at == name + 1 || at[1] == '\0') return name;
    for (const char* digit = at + 1; *digit; ++digit)
        if (*digit < '0' || *digit > '9') return name;
    return std::string(name + 1, at);
}

}  // namespace

// A name without a folder is a file of the working folder, so that a library that the loader
// would find in its own search path does not stand in for it.
HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
    if (!fileName || !*fileName) return nullptr;
    std::string path = std::strchr(fileName, '/') ? std::string(fileName) : std::string("./") + fileName;
    return static_cast<HMODULE>(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
    // Values below 0x10000 are ordinals on Windows; ELF libraries have none.
    if (!module || reinterpret_cast<uintptr_t>(procName) < 0x10000u) return nullptr;
    void* symbol = dlsym(module, plainSymbolName(procName).c_str());
    FARPROC entry = nullptr;
    static_assert(sizeof entry == sizeof symbol);
    std::memcpy(&entry, &symbol, sizeof entry);
    return entry;
}

BOOL WINAPI FreeLibrary(HMODULE module) {
    if (!module) return FALSE;
    return dlclose(module) == 0 ? TRUE : FALSE;
}

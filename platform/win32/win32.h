#pragma once
// The Windows USER and kernel calls the demo makes. On Windows this is the real API; elsewhere
// it is declared here, with the calls' own names and argument lists, and implemented in
// platform/ on POSIX and SDL2.
#if defined(_WIN32)
#include <windows.h>
#else
#include <cstddef>
#include <cstdint>

#define WINAPI

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef int32_t INT;
typedef uint32_t UINT;
typedef uint32_t ULONG;
typedef uint32_t UINT32;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t UINT_PTR;
typedef int64_t LONGLONG;
typedef char CHAR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef uint16_t WCHAR;
typedef const WCHAR* LPCWSTR;
typedef void* LPVOID;
typedef void* HANDLE;
typedef size_t SIZE_T;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

struct HWND__;
typedef HWND__* HWND;
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef intptr_t INT_PTR;
typedef INT_PTR(WINAPI* FARPROC)();

typedef union _LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    };
    LONGLONG QuadPart;
} LARGE_INTEGER;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT;

// MessageBoxA buttons, icons and options.
#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_ABORTRETRYIGNORE 0x00000002u
#define MB_YESNOCANCEL 0x00000003u
#define MB_YESNO 0x00000004u
#define MB_RETRYCANCEL 0x00000005u
#define MB_ICONERROR 0x00000010u
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONWARNING 0x00000030u
#define MB_ICONINFORMATION 0x00000040u
#define MB_DEFBUTTON2 0x00000100u
#define MB_DEFBUTTON3 0x00000200u
#define MB_TOPMOST 0x00040000u

// MessageBoxA results.
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

#define HIGH_PRIORITY_CLASS 0x00000080u
#define NORMAL_PRIORITY_CLASS 0x00000020u

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

HANDLE WINAPI GetCurrentProcess();
BOOL WINAPI SetPriorityClass(HANDLE process, DWORD priorityClass);

void WINAPI Sleep(DWORD milliseconds);
BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency);
DWORD WINAPI GetTickCount();

// Run-time binding of a shared library. A bare name is a file of the working folder; an entry
// point may be asked for by its decorated stdcall name ("_Name@12"), which is found under its
// plain name.
HMODULE WINAPI LoadLibraryA(LPCSTR fileName);
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName);
BOOL WINAPI FreeLibrary(HMODULE module);

// Global memory: a moveable block is reached through its handle and locked to get its address.
typedef HANDLE HGLOBAL;
#define GMEM_FIXED 0x0000u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_ZEROINIT 0x0040u

HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes);
LPVOID WINAPI GlobalLock(HGLOBAL memory);
BOOL WINAPI GlobalUnlock(HGLOBAL memory);
SIZE_T WINAPI GlobalSize(HGLOBAL memory);
HGLOBAL WINAPI GlobalFree(HGLOBAL memory);

#endif

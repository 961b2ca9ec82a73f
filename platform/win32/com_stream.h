#pragma once
// COM streams on global memory. On Windows this is the real IStream; elsewhere a stream with the
// members the demo and our GDI+ call, made by CreateStreamOnHGlobal and read from its start.
#include "platform/win32/win32.h"

#if defined(_WIN32)
#include <objbase.h>
#else
typedef LONG HRESULT;
#define S_OK static_cast<HRESULT>(0)
#define S_FALSE static_cast<HRESULT>(1)
#define E_INVALIDARG static_cast<HRESULT>(0x80070057u)
#define E_OUTOFMEMORY static_cast<HRESULT>(0x8007000Eu)
#define STG_E_REVERTED static_cast<HRESULT>(0x80030102u)

// A stream over one global memory block. The calls look like the COM interface's
// (stream->Release()); the record is this platform's own.
struct IStream {
    ULONG AddRef();
    // Drops one reference; the last one ends the stream (and frees the block when the stream was
    // made with delete-on-release). Returns the references left.
    ULONG Release();
    // Copies up to `size` bytes from the current position; `read` (may be null) receives how
    // many. S_FALSE when fewer than `size` were left.
    HRESULT Read(void* buffer, ULONG size, ULONG* read);

    uint64_t handle = 0;  // the stream's entry in the live-object table; 0 once released
    HGLOBAL memory = nullptr;
    bool deleteOnRelease = false;
    ULONG references = 1;
    SIZE_T position = 0;
};
typedef IStream* LPSTREAM;

HRESULT WINAPI CreateStreamOnHGlobal(HGLOBAL memory, BOOL deleteOnRelease, LPSTREAM* stream);
#endif

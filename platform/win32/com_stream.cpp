// Read-only COM streams on global memory blocks, registered in the live-object table so that a
// stream that is never released shows in the report.
#include "platform/win32/com_stream.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <new>

#include "platform/objects/object_table.h"
#include "platform/win32/global_memory.h"

namespace {

// A released stream keeps its small record for a while (the caller may still hold the pointer),
// so that a call on it is recognised as misuse instead of touching freed memory. Only the latest
// records are kept, so that a process that makes stream after stream does not grow; they are
// owned here and freed at exit.
constexpr size_t releasedStreamsKept = 64;

void keepReleasedStream(IStream* stream) {
    static std::deque<std::unique_ptr<IStream>> kept;
    kept.emplace_back(stream);
    if (kept.size() > releasedStreamsKept) kept.pop_front();
}

bool streamLive(const IStream* stream, const char* call) {
    if (stream->handle == 0) {
        recordMisuse(call, "a released stream");
        return false;
    }
    return lookupObject(stream->handle, ObjectKind::Stream, call) != nullptr;
}

}  // namespace

HRESULT WINAPI CreateStreamOnHGlobal(HGLOBAL memory, BOOL deleteOnRelease, LPSTREAM* stream) {
    if (!stream) return E_INVALIDARG;
    *stream = nullptr;
    // Without a block the stream gets a new, empty one of its own.
    bool ownBlock = !memory;
    if (ownBlock && !(memory = GlobalAlloc(GMEM_MOVEABLE, 0))) return E_OUTOFMEMORY;
    void* data = nullptr;
    SIZE_T size = 0;
    if (!globalBlockBytes(memory, &data, &size, "CreateStreamOnHGlobal")) return E_INVALIDARG;
    auto* made = new (std::nothrow) IStream;
    if (!made) {
        if (ownBlock) GlobalFree(memory);
        return E_OUTOFMEMORY;
    }
    made->memory = memory;
    made->deleteOnRelease = deleteOnRelease != FALSE;
    made->handle = registerObject(ObjectKind::Stream, made, "CreateStreamOnHGlobal");
    *stream = made;
    return S_OK;
}

ULONG IStream::AddRef() {
    if (!streamLive(this, "IStream::AddRef")) return 0;
    return ++references;
}

ULONG IStream::Release() {
    if (!streamLive(this, "IStream::Release")) return 0;
    if (--references > 0) return references;
    if (deleteOnRelease) GlobalFree(memory);
    unregisterObject(handle, ObjectKind::Stream, "IStream::Release");
    handle = 0;
    memory = nullptr;
    keepReleasedStream(this);
    return 0;
}

HRESULT IStream::Read(void* buffer, ULONG size, ULONG* read) {
    if (read) *read = 0;
    if (!streamLive(this, "IStream::Read")) return STG_E_REVERTED;
    if (!buffer && size > 0) return E_INVALIDARG;
    void* data = nullptr;
    SIZE_T blockSize = 0;
    // The block may have been freed under the stream; then nothing is left to read.
    if (!globalBlockBytes(memory, &data, &blockSize, "IStream::Read")) return STG_E_REVERTED;
    SIZE_T left = position < blockSize ? blockSize - position : 0;
    auto count = static_cast<ULONG>(std::min<SIZE_T>(left, size));
    if (count > 0) std::memcpy(buffer, static_cast<const uint8_t*>(data) + position, count);
    position += count;
    if (read) *read = count;
    return count < size ? S_FALSE : S_OK;
}

// Global memory blocks on POSIX. A handle points at a small record that holds the block; handles
// are kept in a set, so that a freed or unknown handle is recognised instead of dereferenced.
#include "platform/win32/global_memory.h"

#include <cstdlib>
#include <new>
#include <unordered_set>

#include "platform/objects/object_table.h"

namespace {

struct GlobalBlock {
    void* data = nullptr;  // null for a block of size 0, which cannot be locked
    SIZE_T size = 0;
    UINT locks = 0;
};

// Never destroyed: a block may be kept until the process ends (the picture's is), and it stays
// known, not orphaned, while static destructors run at exit.
std::unordered_set<GlobalBlock*>& liveBlocks() {
    static auto* blocks = new std::unordered_set<GlobalBlock*>;
    return *blocks;
}

GlobalBlock* blockOf(HGLOBAL memory, const char* call) {
    if (!memory) return nullptr;
    auto* block = static_cast<GlobalBlock*>(memory);
    if (liveBlocks().count(block)) return block;
    recordMisuse(call, "a dead or unknown global memory handle");
    return nullptr;
}

}  // namespace

// Every block starts zero-filled, GMEM_ZEROINIT or not.
HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
    (void)flags;
    auto* block = new (std::nothrow) GlobalBlock;
    if (!block) return nullptr;
    if (bytes > 0) {
        block->data = std::calloc(1, bytes);
        if (!block->data) {
            delete block;
            return nullptr;
        }
    }
    block->size = bytes;
    liveBlocks().insert(block);
    return block;
}

LPVOID WINAPI GlobalLock(HGLOBAL memory) {
    GlobalBlock* block = blockOf(memory, "GlobalLock");
    if (!block || !block->data) return nullptr;
    ++block->locks;
    return block->data;
}

BOOL WINAPI GlobalUnlock(HGLOBAL memory) {
    GlobalBlock* block = blockOf(memory, "GlobalUnlock");
    if (!block || block->locks == 0) return FALSE;
    // TRUE while the block stays locked, as on Windows.
    return --block->locks > 0 ? TRUE : FALSE;
}

SIZE_T WINAPI GlobalSize(HGLOBAL memory) {
    GlobalBlock* block = blockOf(memory, "GlobalSize");
    return block ? block->size : 0;
}

// Null on success; the handle itself when it cannot be freed.
HGLOBAL WINAPI GlobalFree(HGLOBAL memory) {
    GlobalBlock* block = blockOf(memory, "GlobalFree");
    if (!block) return memory;
    liveBlocks().erase(block);
    std::free(block->data);
    delete block;
    return nullptr;
}

bool globalBlockBytes(HGLOBAL memory, void** data, SIZE_T* size, const char* call) {
    GlobalBlock* block = blockOf(memory, call);
    if (!block) return false;
    *data = block->data;
    *size = block->size;
    return true;
}

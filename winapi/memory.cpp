// Global memory: movable blocks are one contiguous allocation each, reached
// through a handle that is never the block's address (as on Windows, where a
// movable handle must be locked to get at the memory); fixed blocks are their
// own handle. Every free is counted, and freeing a handle that is not live
// fails the way the real call does, so tests can see a double release.
#include <windows.h>

#include <standin.h>

#include <cstdlib>
#include <cstring>
#include <map>

namespace {

struct Block {
    unsigned char *data = nullptr;
    SIZE_T size = 0;
    bool movable = false;
    int locks = 0;
};

const DWORD ErrorNotEnoughMemory = 8;
const DWORD ErrorNotLocked = 158;
// Well above anything the launcher asks for: a corrupt size field asking for
// gigabytes fails as it would on a machine without that much to spare.
const SIZE_T DefaultAllocationLimit = 256u * 1024 * 1024;

std::map<HGLOBAL, Block> blocks;
std::map<const void *, HGLOBAL> handleOf; // block address -> handle
// Movable handles are 4 modulo 16, so never equal to a (16-byte aligned)
// block address; the counter is never reset, so a stale handle stays unknown.
ULONG_PTR handleCounter = 0x1000;
int frees = 0;
int freeErrors = 0;
bool failNext = false;
SIZE_T allocationLimit = DefaultAllocationLimit;

Block *Find(HGLOBAL memory) {
    auto found = blocks.find(memory);
    return found == blocks.end() ? nullptr : &found->second;
}

} // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    if (failNext || bytes > allocationLimit) {
        failNext = false;
        SetLastError(ErrorNotEnoughMemory);
        return NULL;
    }
    auto *data = static_cast<unsigned char *>(std::malloc(bytes != 0 ? bytes : 1));
    if (data == nullptr) {
        SetLastError(ErrorNotEnoughMemory);
        return NULL;
    }
    if (flags & GMEM_ZEROINIT) {
        std::memset(data, 0, bytes);
    }
    Block block;
    block.data = data;
    block.size = bytes;
    block.movable = (flags & GMEM_MOVEABLE) != 0;
    HGLOBAL handle = block.movable ? reinterpret_cast<HGLOBAL>((handleCounter++ << 4) | 4)
                                   : static_cast<HGLOBAL>(data);
    blocks[handle] = block;
    handleOf[data] = handle;
    return handle;
}

LPVOID GlobalLock(HGLOBAL memory) {
    Block *block = Find(memory);
    if (block == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return NULL;
    }
    if (block->movable) {
        block->locks++;
    }
    return block->data;
}

BOOL GlobalUnlock(HGLOBAL memory) {
    Block *block = Find(memory);
    if (block == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!block->movable) {
        return TRUE;
    }
    if (block->locks == 0) {
        SetLastError(ErrorNotLocked);
        return FALSE;
    }
    block->locks--;
    if (block->locks == 0) {
        SetLastError(ERROR_SUCCESS);
        return FALSE;
    }
    return TRUE;
}

HGLOBAL GlobalHandle(LPCVOID pointer) {
    auto found = handleOf.find(pointer);
    if (found == handleOf.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return NULL;
    }
    return found->second;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
    Block *block = Find(memory);
    if (block == nullptr) {
        freeErrors++;
        SetLastError(ERROR_INVALID_HANDLE);
        return memory;
    }
    handleOf.erase(block->data);
    std::free(block->data);
    blocks.erase(memory);
    frees++;
    return NULL;
}

SIZE_T GlobalSize(HGLOBAL memory) {
    Block *block = Find(memory);
    if (block == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return block->size;
}

namespace standin {

int LiveGlobalBlocks() {
    return static_cast<int>(blocks.size());
}
int GlobalFrees() {
    return frees;
}
int GlobalFreeErrors() {
    return freeErrors;
}
void FailNextGlobalAlloc() {
    failNext = true;
}
void SetGlobalAllocLimit(SIZE_T bytes) {
    allocationLimit = bytes;
}

int GlobalLockCount(HGLOBAL memory) {
    Block *block = Find(memory);
    return block != nullptr ? block->locks : -1;
}

namespace detail {
void ResetMemory() {
    for (auto &entry : blocks) {
        std::free(entry.second.data);
    }
    blocks.clear();
    handleOf.clear();
    frees = 0;
    freeErrors = 0;
    failNext = false;
    allocationLimit = DefaultAllocationLimit;
}
} // namespace detail

} // namespace standin

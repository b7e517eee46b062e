// Guard-page allocator behind operator new and delete for this test program: every block ends
// right before a no-access page, and freed blocks stay no-access, so overruns and uses after
// free fault at once instead of corrupting memory silently.
#include <windows.h>

#include <cstddef>
#include <new>

namespace {

const size_t kPage = 4096;

struct BlockHeader {
    void* base;
    size_t pages;   // accessible pages, the guard page not counted
};

void* GuardAlloc(size_t size) {
    if (size == 0) size = 1;
    const size_t rounded = (size + 15) & ~static_cast<size_t>(15);
    const size_t needed = rounded + sizeof(BlockHeader);
    const size_t pages = (needed + kPage - 1) / kPage;
    char* base = static_cast<char*>(VirtualAlloc(nullptr, (pages + 1) * kPage, MEM_RESERVE, PAGE_NOACCESS));
    if (base == nullptr) return nullptr;
    if (VirtualAlloc(base, pages * kPage, MEM_COMMIT, PAGE_READWRITE) == nullptr) {
        VirtualFree(base, 0, MEM_RELEASE);
        return nullptr;
    }
    char* user = base + pages * kPage - rounded;
    BlockHeader* header = reinterpret_cast<BlockHeader*>(user - sizeof(BlockHeader));
    header->base = base;
    header->pages = pages;
    return user;
}

void GuardFree(void* p) {
    if (p == nullptr) return;
    BlockHeader* header = reinterpret_cast<BlockHeader*>(static_cast<char*>(p) - sizeof(BlockHeader));
    // The address range stays reserved and inaccessible: a later touch faults.
    VirtualFree(header->base, header->pages * kPage, MEM_DECOMMIT);
}

}  // namespace

void* operator new(size_t size) {
    void* p = GuardAlloc(size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

void* operator new[](size_t size) {
    return operator new(size);
}

void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return GuardAlloc(size);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return GuardAlloc(size);
}

void operator delete(void* p) noexcept {
    GuardFree(p);
}

void operator delete[](void* p) noexcept {
    GuardFree(p);
}

void operator delete(void* p, size_t) noexcept {
    GuardFree(p);
}

void operator delete[](void* p, size_t) noexcept {
    GuardFree(p);
}

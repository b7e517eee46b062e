#include "guarded_bytes.h"

#include <windows.h>

#include <algorithm>
#include <new>

namespace testmemory {

GuardedBytes::GuardedBytes(const std::string& bytes) : m_size(bytes.size()) {
    SYSTEM_INFO system = {};
    ::GetSystemInfo(&system);
    const size_t page = system.dwPageSize;
    const size_t pages = std::max<size_t>(1, (m_size + page - 1) / page);
    // The pages for the bytes, then one that stays reserved and inaccessible.
    char* base = static_cast<char*>(::VirtualAlloc(nullptr, (pages + 1) * page, MEM_RESERVE, PAGE_NOACCESS));
    if (base == nullptr || ::VirtualAlloc(base, pages * page, MEM_COMMIT, PAGE_READWRITE) == nullptr) {
        if (base != nullptr) ::VirtualFree(base, 0, MEM_RELEASE);
        throw std::bad_alloc();
    }
    m_base = base;
    m_data = base + pages * page - m_size;
    std::copy(bytes.begin(), bytes.end(), m_data);
}

GuardedBytes::~GuardedBytes() { ::VirtualFree(m_base, 0, MEM_RELEASE); }

}  // namespace testmemory

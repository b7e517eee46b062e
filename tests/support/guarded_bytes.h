// Bytes that end right before a page that cannot be read: a read past their end faults at once
// instead of passing unseen. For parsers that must stop at the end of what they were given.
#pragma once

#include <cstddef>
#include <string>

namespace testmemory {

class GuardedBytes {
public:
    explicit GuardedBytes(const std::string& bytes);
    ~GuardedBytes();
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    const char* data() const { return m_data; }
    size_t size() const { return m_size; }

private:
    void* m_base = nullptr;
    char* m_data = nullptr;
    size_t m_size = 0;
};

}  // namespace testmemory

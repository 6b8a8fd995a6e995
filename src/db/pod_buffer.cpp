#include "db/pod_buffer.h"

#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace mv::podbuffer {

namespace {

size_t pageSize() {
    static const size_t size = [] {
        const long s = sysconf(_SC_PAGESIZE);
        return s > 0 ? size_t(s) : size_t(4096);
    }();
    return size;
}

size_t roundToPages(size_t bytes) {
    const size_t page = pageSize();
    if (bytes > SIZE_MAX - page) throw std::bad_alloc();
    return (bytes + page - 1) / page * page;
}

char* mapFresh(size_t bytes) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : static_cast<char*>(p);
}

} // namespace

void Block::adopt(char* data, size_t capacity, bool mapped) noexcept {
    m_data = data;
    m_capacity = capacity;
    m_mapped = mapped;
}

void Block::release() noexcept {
    if (m_mapped)
        munmap(m_data, m_capacity);
    else
        std::free(m_data);
    adopt(nullptr, 0, false);
}

void Block::grow(size_t bytes, size_t keep, bool exact) {
    if (bytes <= m_capacity) return;
    size_t target = bytes;
    if (!exact) {
        // Doubling keeps appends amortised; for a mapping the untouched reserve costs address space
        // only, and shrink() hands it back at the end.
        const size_t doubled = m_capacity > SIZE_MAX / 2 ? SIZE_MAX : m_capacity * 2;
        target = std::max({bytes, doubled, size_t(64)});
    }
    if (target >= MapThreshold) {
        target = roundToPages(target);
        if (m_mapped) {
            void* p = mremap(m_data, m_capacity, target, MREMAP_MAYMOVE);
            if (p != MAP_FAILED) return adopt(static_cast<char*>(p), target, true);
        } else if (char* p = mapFresh(target)) {
            if (keep > 0) std::memcpy(p, m_data, keep);
            std::free(m_data);
            return adopt(p, target, true);
        }
        // No mapping to be had (the process's count of mappings is limited): the heap below.
    }
    if (!m_mapped) {
        void* p = std::realloc(m_data, target);
        if (!p) throw std::bad_alloc();
        return adopt(static_cast<char*>(p), target, false);
    }
    // A mapping that could not grow in place or move: a heap block, copied once.
    char* p = static_cast<char*>(std::malloc(target));
    if (!p) throw std::bad_alloc();
    if (keep > 0) std::memcpy(p, m_data, keep);
    munmap(m_data, m_capacity);
    adopt(p, target, false);
}

void Block::shrink(size_t bytes) {
    if (bytes >= m_capacity) return;
    if (bytes == 0) return release();
    if (!m_mapped) {
        // realloc shrinks in place; a failure leaves the larger block, which is still valid.
        if (void* p = std::realloc(m_data, bytes)) adopt(static_cast<char*>(p), bytes, false);
        return;
    }
    if (bytes < MapThreshold) {
        char* p = static_cast<char*>(std::malloc(bytes));
        if (!p) return;
        std::memcpy(p, m_data, bytes);
        munmap(m_data, m_capacity);
        return adopt(p, bytes, false);
    }
    const size_t target = roundToPages(bytes);
    if (target >= m_capacity) return;
    // Unmapping the tail keeps the pages in use where they are.
    if (munmap(m_data + target, m_capacity - target) == 0) m_capacity = target;
}

} // namespace mv::podbuffer

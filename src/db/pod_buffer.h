#pragma once
// A growable array of trivially copyable values, for the recordset's columns. std::vector grows by
// allocating a new block and copying, so the old and the new block are resident at once, and
// shrink_to_fit copies once more. Here a large block is a memory mapping of its own that grows with
// mremap (the kernel moves the pages, nothing is copied) and shrinks in place, giving the tail back
// at once; a million rows then cost their own bytes, not twice that at the moment of growing.
// Small blocks live on malloc/realloc. The mapping is freed with the buffer, not left to the
// allocator's trimming.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cstdint>
#include <initializer_list>
#include <new>
#include <span>
#include <type_traits>
#include <utility>

namespace mv {

namespace podbuffer {

// Untyped storage: the bytes and how many of them are allocated. Knows nothing of the size in use;
// the caller says how many bytes to keep.
class Block {
  public:
    Block() = default;
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    Block(Block&& other) noexcept
        : m_data(std::exchange(other.m_data, nullptr)), m_capacity(std::exchange(other.m_capacity, 0)),
          m_mapped(std::exchange(other.m_mapped, false)) {}
    Block& operator=(Block&& other) noexcept {
        if (this != &other) {
            release();
            m_data = std::exchange(other.m_data, nullptr);
            m_capacity = std::exchange(other.m_capacity, 0);
            m_mapped = std::exchange(other.m_mapped, false);
        }
        return *this;
    }
    ~Block() { release(); }

    char* data() const { return m_data; }
    size_t capacity() const { return m_capacity; }
    bool mapped() const { return m_mapped; }

    // At least `bytes` allocated, the first `keep` bytes kept. Grows geometrically unless `exact`.
    // std::bad_alloc when the memory is not there (the content is then unchanged).
    void grow(size_t bytes, size_t keep, bool exact = false);
    // Gives back what lies beyond `bytes` (kept content), as far as the allocation unit allows.
    void shrink(size_t bytes);
    void release() noexcept;

    // Blocks from this size on are mappings of their own.
    static constexpr size_t MapThreshold = size_t(1) << 20;

  private:
    void adopt(char* data, size_t capacity, bool mapped) noexcept;

    char* m_data = nullptr;
    size_t m_capacity = 0;
    bool m_mapped = false;
};

} // namespace podbuffer

template <class T> class PodBuffer {
    static_assert(std::is_trivially_copyable_v<T>, "PodBuffer moves its values as bytes");

  public:
    PodBuffer() = default;
    PodBuffer(std::initializer_list<T> values) { append(values.begin(), values.size()); }
    PodBuffer(size_t count, T value) { resize(count, value); }
    PodBuffer(const PodBuffer& other) {
        if (other.m_size > 0) {
            m_block.grow(other.m_size * sizeof(T), 0, true);
            std::memcpy(m_block.data(), other.data(), other.m_size * sizeof(T));
            m_size = other.m_size;
        }
    }
    PodBuffer& operator=(const PodBuffer& other) {
        if (this != &other) {
            PodBuffer copy(other);
            *this = std::move(copy);
        }
        return *this;
    }
    PodBuffer(PodBuffer&& other) noexcept : m_block(std::move(other.m_block)), m_size(std::exchange(other.m_size, 0)) {}
    PodBuffer& operator=(PodBuffer&& other) noexcept {
        m_block = std::move(other.m_block);
        m_size = std::exchange(other.m_size, 0);
        return *this;
    }

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    size_t capacity() const { return m_block.capacity() / sizeof(T); }
    // Bytes allocated (whole pages for a mapping).
    size_t allocatedBytes() const { return m_block.capacity(); }

    T* data() { return reinterpret_cast<T*>(m_block.data()); }
    const T* data() const { return reinterpret_cast<const T*>(m_block.data()); }
    T& operator[](size_t i) { return data()[i]; }
    const T& operator[](size_t i) const { return data()[i]; }
    T* begin() { return data(); }
    T* end() { return data() + m_size; }
    const T* begin() const { return data(); }
    const T* end() const { return data() + m_size; }
    const T& front() const { return data()[0]; }
    const T& back() const { return data()[m_size - 1]; }
    T& back() { return data()[m_size - 1]; }
    std::span<const T> span() const { return {data(), m_size}; }
    operator std::span<const T>() const { return span(); }

    void push_back(T value) {
        if (m_size == capacity()) growFor(m_size + 1);
        data()[m_size++] = value;
    }
    void append(const T* values, size_t count) {
        if (count == 0) return;
        if (m_size + count > capacity()) growFor(m_size + count);
        std::memcpy(data() + m_size, values, count * sizeof(T));
        m_size += count;
    }
    // Room for `count` more values at the end, returned uninitialised and counted as in use; the
    // caller fills them (or gives back what it did not use with resize).
    T* extend(size_t count) {
        if (m_size + count > capacity()) growFor(m_size + count);
        T* tail = data() + m_size;
        m_size += count;
        return tail;
    }
    void resize(size_t count, T value = T{}) {
        if (count > m_size) {
            if (count > capacity()) growFor(count);
            std::fill(data() + m_size, data() + count, value);
        }
        m_size = count;
    }
    void reserve(size_t count) {
        if (count > capacity()) m_block.grow(bytesFor(count), m_size * sizeof(T), true);
    }
    // `count` copies of `value` before position `at`; later values move up.
    void insert(size_t at, size_t count, T value) {
        if (count == 0) return;
        if (m_size + count > capacity()) growFor(m_size + count);
        std::memmove(data() + at + count, data() + at, (m_size - at) * sizeof(T));
        std::fill(data() + at, data() + at + count, value);
        m_size += count;
    }
    // Removes `count` values from position `at`; later values move down.
    void erase(size_t at, size_t count = 1) {
        if (count == 0) return;
        std::memmove(data() + at, data() + at + count, (m_size - at - count) * sizeof(T));
        m_size -= count;
    }
    void clear() { m_size = 0; }
    // Gives back the growth reserve; the values stay where they are when the block is a mapping.
    void shrink_to_fit() {
        if (m_block.capacity() > m_size * sizeof(T)) m_block.shrink(m_size * sizeof(T));
    }

    friend bool operator==(const PodBuffer& a, const PodBuffer& b) {
        return a.m_size == b.m_size && (a.m_size == 0 || std::memcmp(a.data(), b.data(), a.m_size * sizeof(T)) == 0);
    }

  private:
    static size_t bytesFor(size_t count) {
        if (count > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
        return count * sizeof(T);
    }
    void growFor(size_t count) { m_block.grow(bytesFor(count), m_size * sizeof(T)); }

    podbuffer::Block m_block;
    size_t m_size = 0;
};

} // namespace mv

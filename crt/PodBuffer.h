#pragma once
// A growable array of plain values for the decoder's hot loops: callers make
// room once per step with reserveMore, then append without further checks.
// Growing keeps the contents; nothing is initialised that is not written.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <type_traits>

namespace crt {

template <class T>
class PodBuffer {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    PodBuffer() = default;
    PodBuffer(const PodBuffer&) = delete;
    PodBuffer& operator=(const PodBuffer&) = delete;
    ~PodBuffer() { std::free(data_); }

    T* data() const { return data_; }
    size_t size() const { return size_; }
    size_t capacity() const { return capacity_; }
    // For loops that append through data() themselves: the new count of
    // values, at most capacity().
    void setSize(size_t n) { size_ = n; }
    bool empty() const { return size_ == 0; }
    T& operator[](size_t i) const { return data_[i]; }
    T& back() const { return data_[size_ - 1]; }

    void clear() { size_ = 0; }
    // Room for at least n values in all (exactly n when it must grow).
    void reserve(size_t n)
    {
        if (n > capacity_)
            resizeStorage(n);
    }
    // Room for n more values than there are now, growing geometrically but
    // never beyond most values (unless n more need it).
    void reserveMore(size_t n, size_t most = SIZE_MAX)
    {
        if (n > capacity_ - size_)
            resizeStorage(std::max(size_ + n, std::min(capacity_ + capacity_ / 2 + 16, most)));
    }
    // Appends without a capacity check: reserveMore first.
    void append(const T& value) { data_[size_++] = value; }
    void popBack() { --size_; }
    // Gives the storage back.
    void release()
    {
        std::free(data_);
        data_ = nullptr;
        size_ = capacity_ = 0;
    }

private:
    void resizeStorage(size_t capacity)
    {
        void* grown = std::realloc(data_, capacity * sizeof(T));
        if (!grown)
            throw std::bad_alloc();
        data_ = static_cast<T*>(grown);
        capacity_ = capacity;
    }

    T* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

}  // namespace crt

// HostArray: the host's growable array (data, count, capacity) over the host allocator.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>
#include <span>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "host/fstring.h"
#include "host/memory.h"

namespace beastfinder::host {

// Types whose bytes can be moved by the host's realloc without breaking them.
template <typename T>
inline constexpr bool kHostRelocatable = std::is_trivially_copyable_v<T>;
template <>
inline constexpr bool kHostRelocatable<FString> = true;

template <typename T>
class HostArray {
  public:
    HostArray() noexcept = default;
    HostArray(const HostArray&) = delete;
    HostArray& operator=(const HostArray&) = delete;
    HostArray(HostArray&& other) noexcept { Swap(other); }
    HostArray& operator=(HostArray&& other) noexcept {
        if (this != &other) {
            Clear();
            Swap(other);
        }
        return *this;
    }
    ~HostArray() { Clear(); }

    std::int32_t Count() const noexcept { return count_; }
    std::int32_t Capacity() const noexcept { return capacity_; }
    bool Empty() const noexcept { return count_ <= 0 || data_ == nullptr; }
    T* begin() noexcept { return data_; }
    T* end() noexcept { return data_ + Size(); }
    const T* begin() const noexcept { return data_; }
    const T* end() const noexcept { return data_ + Size(); }
    T& operator[](std::int32_t i) noexcept { return data_[i]; }
    const T& operator[](std::int32_t i) const noexcept { return data_[i]; }
    std::span<T> Items() noexcept { return {data_, Size()}; }
    std::span<const T> Items() const noexcept { return {data_, Size()}; }

    void Append(T value) {
        if (count_ == INT32_MAX) {
            throw std::length_error("host list is full");
        }
        const std::int32_t n = count_ + 1;
        if (n > capacity_) {
            Grow(n);
        }
        ::new (static_cast<void*>(data_ + count_)) T(std::move(value));
        count_ = n;
    }

    // Destroys every element, then releases the list's own buffer.
    void Clear() noexcept {
        for (std::size_t i = 0; i < Size(); ++i) {
            data_[i].~T();
        }
        HostFree(data_);
        data_ = nullptr;
        count_ = 0;
        capacity_ = 0;
    }

  private:
    std::size_t Size() const noexcept {
        return data_ == nullptr || count_ < 0 ? 0 : static_cast<std::size_t>(count_);
    }

    void Swap(HostArray& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(count_, other.count_);
        std::swap(capacity_, other.capacity_);
    }

    void Grow(std::int32_t n) {
        const std::int32_t capacity = GrowCapacity(capacity_, n);
        const auto bytes = static_cast<std::uint64_t>(capacity) * sizeof(T);
        if constexpr (kHostRelocatable<T>) {
            void* block = data_ != nullptr ? HostRealloc(data_, bytes) : HostMalloc(bytes);
            data_ = static_cast<T*>(block);
        } else {
            T* block = static_cast<T*>(HostMalloc(bytes));
            for (std::int32_t i = 0; i < count_; ++i) {
                ::new (static_cast<void*>(block + i)) T(std::move(data_[i]));
                data_[i].~T();
            }
            HostFree(data_);
            data_ = block;
        }
        capacity_ = capacity;
    }

    T* data_ = nullptr;
    std::int32_t count_ = 0;
    std::int32_t capacity_ = 0;
};

static_assert(sizeof(HostArray<void*>) == 16 && std::is_standard_layout_v<HostArray<void*>>);

}  // namespace beastfinder::host

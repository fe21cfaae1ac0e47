#pragma once
// Zeroed memory for the large arrays of a calculation: table columns, element records and the like.
//
// A 100,000-node scheme takes over a hundred megabytes of fresh memory from the system, and taking it a
// small page at a time costs more than reading the tables. Requests of several megabytes are mapped
// directly, aligned so that the system may back them with large pages; smaller ones come from the heap.
#include <cstddef>
#include <new>

namespace ld {

// Zero-filled memory of at least bytes (1 for 0); nullptr when the system has none.
void* AllocateZeroed(std::size_t bytes);
// Gives back what AllocateZeroed returned for the same byte count; nullptr is ignored.
void FreeZeroed(void* memory, std::size_t bytes);

// The same for the standard containers: a vector of many megabytes takes large pages.
template <typename T>
struct TLargeAllocator {
  using value_type = T;
  TLargeAllocator() = default;
  template <typename U>
  TLargeAllocator(const TLargeAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    void* memory = AllocateZeroed(n * sizeof(T));
    if (memory == nullptr) throw std::bad_alloc();
    return static_cast<T*>(memory);
  }
  void deallocate(T* p, std::size_t n) noexcept { FreeZeroed(p, n * sizeof(T)); }
  friend bool operator==(const TLargeAllocator&, const TLargeAllocator&) { return true; }
};

}  // namespace ld

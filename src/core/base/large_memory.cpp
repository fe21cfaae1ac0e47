#include "core/base/large_memory.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace ld {

namespace {

#if defined(__linux__)
constexpr std::size_t kPage = 4096;
constexpr std::size_t kLargePage = std::size_t{2} << 20;
// Below this a request stays on the heap: it could not hold a whole large page.
constexpr std::size_t kMapped = kLargePage;

std::size_t MappedLength(std::size_t bytes) { return (bytes + kPage - 1) / kPage * kPage; }

// A mapping starting on a large-page boundary: more is asked for, and what lies before the boundary and
// after the end is given back.
void* MapAligned(std::size_t length) {
  const std::size_t asked = length + kLargePage;
  void* raw = ::mmap(nullptr, asked, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kLargePage - 1) / kLargePage * kLargePage;
  if (aligned > start) ::munmap(raw, aligned - start);
  const std::size_t tail = start + asked - (aligned + length);
  if (tail > 0) ::munmap(reinterpret_cast<void*>(aligned + length), tail);
  void* memory = reinterpret_cast<void*>(aligned);
  // Only advice: where the system keeps large pages off, the mapping works with small ones.
  ::madvise(memory, length, MADV_HUGEPAGE);
  return memory;
}
#endif

}  // namespace

void* AllocateZeroed(std::size_t bytes) {
#if defined(__linux__)
  if (bytes >= kMapped) return MapAligned(MappedLength(bytes));
#endif
  return std::calloc(bytes > 0 ? bytes : 1, 1);
}

void FreeZeroed(void* memory, std::size_t bytes) {
  if (memory == nullptr) return;
#if defined(__linux__)
  if (bytes >= kMapped) {
    ::munmap(memory, MappedLength(bytes));
    return;
  }
#endif
  std::free(memory);
}

}  // namespace ld

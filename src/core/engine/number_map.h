#pragma once
// A map keyed by node numbers for the passes over a whole scheme: open addressing in one array, so a
// scheme of 100,000 nodes costs no allocation per entry and a look-up touches one cache line or two.
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace ld {

template <typename V>
class TNumberMap {
public:
  explicit TNumberMap(std::size_t expected = 0) { Rehash(Capacity(expected)); }

  // The value of key, nullptr when absent.
  V* Find(std::int32_t key) {
    for (std::size_t i = Home(key);; i = (i + 1) & mask_) {
      if (!slots_[i].used) return nullptr;
      if (slots_[i].key == key) return &slots_[i].value;
    }
  }
  const V* Find(std::int32_t key) const { return const_cast<TNumberMap*>(this)->Find(key); }

  // The value of key, inserted value-initialised when absent.
  V& operator[](std::int32_t key) {
    if ((count_ + 1) * 2 > slots_.size()) Rehash(slots_.size() * 2);
    std::size_t i = Home(key);
    while (slots_[i].used && slots_[i].key != key) i = (i + 1) & mask_;
    if (!slots_[i].used) {
      slots_[i].used = true;
      slots_[i].key = key;
      slots_[i].value = V();
      ++count_;
    }
    return slots_[i].value;
  }

private:
  struct Slot {
    std::int32_t key = 0;
    bool used = false;
    V value{};
  };

  static std::size_t Capacity(std::size_t expected) {
    std::size_t c = 16;
    while (c < expected * 2) c *= 2;
    return c;
  }
  std::size_t Home(std::int32_t key) const {
    // Fibonacci hashing: consecutive numbers spread over the whole table.
    return static_cast<std::size_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(key)) *
                                     0x9E3779B97F4A7C15ull) >> shift_) & mask_;
  }
  void Rehash(std::size_t capacity) {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(capacity, Slot{});
    mask_ = capacity - 1;
    shift_ = 64;
    for (std::size_t c = capacity; c > 1; c /= 2) --shift_;
    count_ = 0;
    for (Slot& s : old) {
      if (s.used) (*this)[s.key] = std::move(s.value);
    }
  }

  std::vector<Slot> slots_;
  std::size_t mask_ = 0;
  int shift_ = 64;
  std::size_t count_ = 0;
};

// Elements by their node numbers, nullptr for a number without one. Node numbers are mostly close to
// 1..count: then a plain array of pointers over that range serves, a fraction of the memory of the
// hashed map and a look-up in one place. Numbers outside the range (the root's), or all of them when
// they are spread wider, go to the hashed map.
template <typename T>
class TNumberIndex {
public:
  TNumberIndex(std::int64_t lowest, std::int64_t highest, std::size_t expected)
      : lowest_(lowest), map_(Dense(lowest, highest, expected) ? 0 : expected) {
    if (Dense(lowest, highest, expected)) table_.assign(static_cast<std::size_t>(highest - lowest + 1), nullptr);
  }

  T* Find(std::int32_t key) const {
    if (const std::size_t at = Slot(key); at != kNone) return table_[at];
    T* const* found = map_.Find(key);
    return found != nullptr ? *found : nullptr;
  }
  T*& operator[](std::int32_t key) {
    if (const std::size_t at = Slot(key); at != kNone) return table_[at];
    return map_[key];
  }

private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  static bool Dense(std::int64_t lowest, std::int64_t highest, std::size_t expected) {
    return highest >= lowest && highest - lowest < 4 * static_cast<std::int64_t>(expected) + 16;
  }
  std::size_t Slot(std::int32_t key) const {
    const std::int64_t at = static_cast<std::int64_t>(key) - lowest_;
    return at >= 0 && at < static_cast<std::int64_t>(table_.size()) ? static_cast<std::size_t>(at) : kNone;
  }

  std::int64_t lowest_;
  std::vector<T*> table_;
  TNumberMap<T*> map_;
};

}  // namespace ld

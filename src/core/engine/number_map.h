#pragma once
// A map keyed by node numbers for the passes over a whole scheme: open addressing in one array, so a
// scheme of 100,000 nodes costs no allocation per entry and a look-up touches one cache line or two.
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

}  // namespace ld

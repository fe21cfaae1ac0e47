#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/dynarray.h"
#include "core/base/large_memory.h"
#include "core/base/error.h"

namespace ld {
namespace {

void ExpectDynArrayError(const std::function<void()>& action) {
  try {
    action();
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Ошибка выполнения (DynamicArray)");
  }
}

// Elements 0..n-1 of a numeric array.
template <typename A>
std::vector<typename A::value_type> First(const A& a, int n) {
  std::vector<typename A::value_type> v;
  for (int i = 0; i < n; ++i) v.push_back(a.Get(i));
  return v;
}

TEST(DynamicArray, SizesGrowInWholeStepsOf512Bytes) {
  DALongint longs(0);
  EXPECT_EQ(longs.Size(), 128);
  EXPECT_EQ(longs.MaxSize(), 0x7FFFFFF / 4);
  longs[127] = 7;
  longs[128] = 9;
  EXPECT_EQ(longs.Size(), 256);
  EXPECT_EQ(longs.Get(127) + longs.Get(128), 16);
  for (int i = 129; i < 256; ++i) ASSERT_EQ(longs.Get(i), 0) << i;

  EXPECT_EQ(DAbyte(512).Size(), 1024);

  // A fixed string of 10 characters takes 11 bytes, 46 of them to a step; its capacity stops at 255.
  EXPECT_EQ(DAFstring(10).Size(), 46);
  EXPECT_EQ(DAFstring(300).ElemSize(), 256);

  // Reading beyond the end gives zero and leaves the array as it is.
  DAsingle floats(0);
  EXPECT_EQ(floats.Get(5000) + floats.Get(-1) + static_cast<float>(floats.Size()), 128.0f);

  // A layout may give a fixed string no room at all: it holds the empty text in its length byte.
  DAFstring none(0);
  EXPECT_EQ(none.ElemSize(), 1);
  none.SetItem(3, "ТП");
  EXPECT_EQ(none.GetItem(3) + std::to_string(none.ItemPtr(3)[0]), "0");
  ExpectDynArrayError([] { DAint64 huge(0x7FFFFFF / 8 + 1); });
  ExpectDynArrayError([] { DAString(0).SetItem(-3, "x"); });
}

TEST(DynamicArray, DeleteInsertAndExchangeMoveWholeElements) {
  DALongint a(0);
  for (int i = 0; i < a.Size(); ++i) a[i] = 100 + i;
  a.Delete(3, 5);
  EXPECT_EQ(First(a, 4), (std::vector<std::int32_t>{100, 101, 102, 106}));
  EXPECT_EQ(std::pair(a.Get(124), a.Get(127)), std::pair(227, 0));  // the freed end is zeroed

  // An array of exactly ten elements: 0..9 lose 3..5.
  DAFstring t(50);
  ASSERT_EQ(t.Size(), 10);
  for (int i = 0; i < 10; ++i) t.SetItem(i, std::to_string(i));
  t.Delete(3, 5);
  std::string order;
  for (int i = 0; i < 10; ++i) order += t.GetItem(i).empty() ? "_" : t.GetItem(i);
  EXPECT_EQ(order, "0126789___");

  DALongint b(0);
  for (int i = 1; i <= 4; ++i) b[i] = i * 10;
  b.Insert(2, 4);
  b.InsertN(2, 3, 5);
  EXPECT_EQ(First(b, 10), (std::vector<std::int32_t>{0, 10, 0, 0, 0, 0, 20, 30, 40, 0}));

  // A full array grows to take the last element moved up.
  DAword w(0);
  for (int i = 1; i < w.Size(); ++i) w[i] = static_cast<std::uint16_t>(i);
  w.Insert(1, w.Size() - 1);
  EXPECT_EQ(w.Size(), 512);
  EXPECT_EQ(First(w, 3), (std::vector<std::uint16_t>{0, 0, 1}));
  EXPECT_EQ(w.Get(256), 255);

  w.Exchange(1, 2);
  w.Exchange(1, w.Size());  // ignored
  EXPECT_EQ(First(w, 3), (std::vector<std::uint16_t>{0, 1, 0}));
}

TEST(DynamicArray, StringElementsAreOwnedCopies) {
  DAString s(0);
  EXPECT_EQ(s.GetPtr(1), nullptr);
  s.SetItem(1, "");
  ASSERT_NE(s.GetPtr(1), nullptr);  // set to the empty text: stored
  s.SetItem(1, "ТП-1");
  s.SetItem(1, "ТП-2");  // the first text is freed (the leak checker sees it otherwise)
  EXPECT_EQ(s.GetItem(1), "ТП-2");

  s.SetItem(2, "два");
  s.SetItem(3, "три");
  s.SetItem(4, "четыре");
  s.Delete(2, 2);
  EXPECT_EQ(s.GetItem(2) + s.GetItem(3), "тричетыре");
  EXPECT_EQ(s.GetPtr(4), nullptr);

  // An insert with a short "last" overwrites element last+1: its text must be freed, not leaked.
  s.SetItem(5, "лишний");
  s.Insert(1, 4);
  EXPECT_EQ(s.GetPtr(1), nullptr);
  EXPECT_EQ(s.GetItem(2) + s.GetItem(4), "ТП-2четыре");
  EXPECT_EQ(s.GetPtr(5), nullptr);
}

// The texts of a string array share one store: rewriting them over and over must neither lose a text
// nor let the store grow without bound, and a text copied from the array itself must arrive whole.
TEST(DynamicArray, StringStoreKeepsEveryTextThroughRewrites) {
  DAString s(0);
  auto textOf = [](int row, int round) { return "Узел " + std::to_string(row) + std::string(round % 7, 'x'); };
  constexpr int kRows = 3000;
  for (int round = 0; round < 12; ++round) {
    for (int row = 1; row <= kRows; ++row) s.SetItem(row, textOf(row, round));
  }
  std::size_t live = 0;
  for (int row = 1; row <= kRows; ++row) {
    ASSERT_EQ(s.GetView(row), textOf(row, 11)) << row;
    live += s.GetView(row).size();
  }
  EXPECT_LT(s.TextCapacity(), 4 * live + 8192);

  // Strings handed out stay apart and valid while other elements change.
  const std::string* a = s.GetPtr(1);
  const std::string* b = s.GetPtr(2);
  s.SetItem(3, "другой");
  EXPECT_EQ(*a + "/" + *b, textOf(1, 11) + "/" + textOf(2, 11));
  EXPECT_EQ(s.GetPtr(1), a);
  s.SetItem(1, "короче");  // in place: the string handed out before is not the text any more
  EXPECT_EQ(*s.GetPtr(1), "короче");

  s.SetItem(kRows + 1, s.GetView(2));
  for (int k = 0; k < 200; ++k) s.SetItem(kRows + 2, s.GetView(kRows + 1));
  EXPECT_EQ(s.GetItem(kRows + 2), textOf(2, 11));

  // Rows deleted and new rows appended, again and again, as a grid does: the store stays bounded.
  for (int round = 0; round < 60; ++round) {
    s.Delete(kRows + 10, kRows + 1009);
    for (int row = kRows + 10; row < kRows + 1010; ++row) s.SetItem(row, textOf(row, round));
  }
  EXPECT_EQ(s.GetItem(kRows + 500), textOf(kRows + 500, 59));
  EXPECT_LT(s.TextCapacity(), 8 * live + 65536);
  s.Delete(1, kRows);
  EXPECT_EQ(s.GetItem(2), textOf(2, 11));
  s.Clear();
  EXPECT_FALSE(s.IsSet(2));
  EXPECT_EQ(s.GetItem(2), "");
}

TEST(DynamicArray, FixedStringsHoldLenCharactersInline) {
  DAFstring t(5);
  t.SetItem(1, "Подстанция");
  EXPECT_EQ(t.GetItem(1), "Подст");
  const unsigned char* element = t.ItemPtr(1);
  EXPECT_EQ(element[0], 5);
  EXPECT_EQ(std::memcmp(element + 1, "\xCF\xEE\xE4\xF1\xF2", 5), 0);
  t.SetItem(1, "Ё日");
  EXPECT_EQ(t.GetItem(1), "Ё?");
  EXPECT_EQ(element[0] * 10 + element[3], 20);  // the rest of the old text is cleared

  DAFstring wide(300);
  std::string longText;
  for (int i = 0; i < 300; ++i) longText += (i % 2 ? "ї" : "z");
  wide.SetItem(3, longText);
  const std::string kept = wide.GetItem(3);
  EXPECT_EQ(Utf8Length(kept), 255u);
  EXPECT_EQ(kept, longText.substr(0, 128 + 127 * 2));
}

}  // namespace
TEST(DynamicArray, LargeArraysAreZeroedAndGrowOutOfASharedBlock) {
  // Large requests are mapped apart from the heap: zero, writable to the last byte, and given back.
  for (const std::size_t bytes : {std::size_t{1}, std::size_t{3} << 20, (std::size_t{5} << 20) + 123}) {
    auto* memory = static_cast<unsigned char*>(AllocateZeroed(bytes));
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(memory[0] | memory[bytes / 2] | memory[bytes - 1], 0);
    memory[bytes - 1] = 7;
    FreeZeroed(memory, bytes);
  }

  // Two arrays in one block: each keeps its own values, and one that grows takes them along.
  const std::size_t a = TDynamicArray::BytesFor(1000, 4), b = TDynamicArray::BytesFor(1000, 8);
  EXPECT_EQ(a, 1024u * 4);
  auto* memory = static_cast<unsigned char*>(AllocateZeroed(a + b));
  const std::shared_ptr<unsigned char> block(memory, [n = a + b](unsigned char* p) { FreeZeroed(p, n); });
  DALongint longs;
  DAdouble doubles;
  longs.UseShared(1000, block, memory);
  doubles.UseShared(1000, block, memory + a);
  EXPECT_EQ(longs.Size(), 1024);
  EXPECT_EQ(block.use_count(), 3);
  for (int i = 1; i <= 1000; ++i) {
    longs[i] = i;
    doubles[i] = -i;
  }
  longs[5000] = 5;  // out of the block
  EXPECT_EQ(block.use_count(), 2);
  EXPECT_EQ(longs.Get(1000) + longs.Get(1001) + longs.Get(5000), 1005);
  EXPECT_EQ(doubles.Get(1000), -1000);
  doubles.Delete(1, 1);
  EXPECT_EQ(doubles.Get(1) + doubles.Get(1023), -2);
}

}  // namespace ld

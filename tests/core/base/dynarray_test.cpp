#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <type_traits>

#include "core/base/codepage.h"
#include "core/base/dynarray.h"
#include "core/base/error.h"

namespace ld {
namespace {

static_assert(!std::is_same_v<DAreal, DAdouble>);

void ExpectDynArrayError(const std::function<void()>& action) {
  try {
    action();
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Ошибка выполнения (DynamicArray)");
  }
}

TEST(DynamicArray, SizesGrowInWholeStepsOf512Bytes) {
  DALongint longs(0);
  EXPECT_EQ(longs.Size(), 128);
  EXPECT_EQ(longs.Delta(), 128);
  EXPECT_EQ(longs.ElemSize(), 4);
  EXPECT_EQ(longs.MaxSize(), 0x7FFFFFF / 4);
  EXPECT_EQ(longs.Count, 0);
  longs[127] = 7;
  EXPECT_EQ(longs.Size(), 128);
  longs[128] = 9;
  EXPECT_EQ(longs.Size(), 256);
  EXPECT_EQ(longs.Get(127), 7);
  EXPECT_EQ(longs.Get(128), 9);
  for (int i = 129; i < 256; ++i) ASSERT_EQ(longs.Get(i), 0) << i;

  EXPECT_EQ(DAbyte(512).Size(), 1024);
  EXPECT_EQ(DAbyte(511).Size(), 512);
  EXPECT_EQ(DAint64(0).Size(), 64);
  EXPECT_EQ(DAdouble(64).Size(), 128);
  EXPECT_EQ(DAsmallint(0).Size(), 256);

  DAbyte bytes(0);
  bytes.EnsureIndex(1023);  // from 512: ((1023 + 1) div 512 + 1) * 512
  EXPECT_EQ(bytes.Size(), 1536);

  // Reading beyond the end gives zero and leaves the array as it is.
  DAsingle floats(0);
  EXPECT_EQ(floats.Get(5000), 0.0f);
  EXPECT_EQ(floats.Get(-1), 0.0f);
  EXPECT_EQ(floats.Size(), 128);
}

TEST(DynamicArray, RefusesZeroElementsHugeSizesAndNegativeIndices) {
  ExpectDynArrayError([] { DAFstring none(0); });
  ExpectDynArrayError([] { DAint64 huge(0x7FFFFFF / 8 + 1); });
  ExpectDynArrayError([] { DALongint(0).ItemPtr(-1); });
  ExpectDynArrayError([] { DAString(0).SetItem(-3, "x"); });
}

TEST(DynamicArray, TypeLettersAndElementSizesOfTheColumnKinds) {
  EXPECT_EQ(DAbyte().TypeLetter(), 'b');
  EXPECT_EQ(DAChar().TypeLetter(), 'c');
  EXPECT_EQ(DAsmallint().TypeLetter(), 'i');
  EXPECT_EQ(DAword().TypeLetter(), 'w');
  EXPECT_EQ(DALongint().TypeLetter(), 'l');
  EXPECT_EQ(DAint64().TypeLetter(), 'n');
  EXPECT_EQ(DAsingle().TypeLetter(), 'f');
  EXPECT_EQ(DAreal().TypeLetter(), 'r');
  EXPECT_EQ(DAdouble().TypeLetter(), 'd');
  EXPECT_EQ(DAString().TypeLetter(), 's');
  EXPECT_EQ(DAFstring(10).TypeLetter(), 't');
  EXPECT_EQ(DAFstring(10).ElemSize(), 11);
  EXPECT_EQ(DAFstring(10).Size(), 46);  // 512 div 11 = 46 per step
  EXPECT_EQ(DAFstring(300).ElemSize(), 256);
  EXPECT_EQ(DAFstring(300).Len(), 255);
}

TEST(DynamicArray, DeleteMovesTheTailDownAndZeroesTheFreedEnd) {
  DALongint a(0);
  for (int i = 0; i < a.Size(); ++i) a[i] = 100 + i;
  a.Delete(3, 5);
  EXPECT_EQ(a.Get(2), 102);
  EXPECT_EQ(a.Get(3), 106);
  EXPECT_EQ(a.Get(124), 227);
  EXPECT_EQ(a.Get(125), 0);
  EXPECT_EQ(a.Get(127), 0);
  EXPECT_EQ(a.Size(), 128);

  a.Delete(5, 3);        // reversed
  a.Delete(120, 128);    // beyond the end
  a.Delete(-1, 2);
  EXPECT_EQ(a.Get(3), 106);
  EXPECT_EQ(a.Get(0), 100);

  a.Delete(0, 127);
  for (int i = 0; i < 128; ++i) ASSERT_EQ(a.Get(i), 0);

  // An array of exactly ten elements: 0..9 lose 3..5.
  DAFstring t(50);
  ASSERT_EQ(t.Size(), 10);
  for (int i = 0; i < 10; ++i) t.SetItem(i, std::to_string(i));
  t.Delete(3, 5);
  std::string order;
  for (int i = 0; i < 10; ++i) order += t.GetItem(i).empty() ? "_" : t.GetItem(i);
  EXPECT_EQ(order, "0126789___");
}

TEST(DynamicArray, InsertOpensZeroedElementsAndGrows) {
  DALongint a(0);
  a.Insert(1, 0);  // empty array: nothing moves
  EXPECT_EQ(a.Size(), 128);
  EXPECT_EQ(a.Get(1), 0);

  for (int i = 1; i <= 4; ++i) a[i] = i * 10;
  a.Insert(2, 4);
  EXPECT_EQ(a.Get(1), 10);
  EXPECT_EQ(a.Get(2), 0);
  EXPECT_EQ(a.Get(3), 20);
  EXPECT_EQ(a.Get(5), 40);
  a.InsertN(2, 3, 5);
  const int expected[] = {0, 10, 0, 0, 0, 0, 20, 30, 40, 0};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(a.Get(i), expected[i]) << i;

  a.Insert(9, 8);  // index past the last one in use: only grows if needed
  EXPECT_EQ(a.Get(8), 40);

  // A full array grows to take the last element moved up.
  DAword w(0);
  for (int i = 1; i < w.Size(); ++i) w[i] = static_cast<std::uint16_t>(i);
  w.Insert(1, w.Size() - 1);
  EXPECT_EQ(w.Size(), 512);
  EXPECT_EQ(w.Get(1), 0);
  EXPECT_EQ(w.Get(2), 1);
  EXPECT_EQ(w.Get(256), 255);
}

TEST(DynamicArray, ExchangeSwapsWholeElements) {
  DAdouble d(0);
  d[1] = 1.5;
  d[2] = -2.25;
  d.Exchange(1, 2);
  EXPECT_EQ(d.Get(1), -2.25);
  EXPECT_EQ(d.Get(2), 1.5);
  d.Exchange(1, d.Size());  // ignored
  EXPECT_EQ(d.Get(1), -2.25);
  EXPECT_EQ(d.Size(), 64);

  DAFstring t(20);
  t.SetItem(1, "Подстанция");
  t.SetItem(2, "РП");
  t.Exchange(1, 2);
  EXPECT_EQ(t.GetItem(1), "РП");
  EXPECT_EQ(t.GetItem(2), "Подстанция");
}

TEST(DynamicArray, NumericDataIsContiguous) {
  DAsingle f(3);
  const float values[] = {0.5f, 1.5f, 2.5f};
  std::memcpy(f.Data() + 1, values, sizeof values);
  EXPECT_EQ(f.Get(2), 1.5f);
  EXPECT_EQ(*f.ItemPtr(3), 2.5f);
  TDynamicArray& base = f;
  EXPECT_EQ(static_cast<float*>(base.ItemPtr(1)), f.Data() + 1);
}

TEST(DynamicArray, StringElementsAreOwnedCopies) {
  DAString s(0);
  EXPECT_EQ(s.GetPtr(1), nullptr);
  s.SetItem(1, "");
  ASSERT_NE(s.GetPtr(1), nullptr);  // set to the empty text: stored
  EXPECT_EQ(s.GetItem(1), "");
  s.SetItem(1, "ТП-1");
  s.SetItem(1, "ТП-2");  // the first text is freed (the leak checker sees it otherwise)
  EXPECT_EQ(s.GetItem(1), "ТП-2");
  EXPECT_EQ(s.GetItem(100000), "");
  EXPECT_EQ(s.GetPtr(100000), nullptr);
  EXPECT_EQ(s.Size(), 64);

  std::string longText;
  for (int i = 0; i < 300; ++i) longText += "Щ";
  s.SetItem(2, longText);
  EXPECT_EQ(s.GetItem(2), longText.substr(0, 255 * 2));

  s.SetItem(3, "три");
  s.SetItem(4, "четыре");
  s.Delete(2, 2);
  EXPECT_EQ(s.GetItem(2), "три");
  EXPECT_EQ(s.GetItem(3), "четыре");
  EXPECT_EQ(s.GetPtr(4), nullptr);

  // An insert with a short "last" overwrites element last+1: its text must be freed, not leaked.
  s.SetItem(5, "лишний");
  s.Insert(1, 4);
  EXPECT_EQ(s.GetPtr(1), nullptr);
  EXPECT_EQ(s.GetItem(2), "ТП-2");
  EXPECT_EQ(s.GetItem(4), "четыре");
  EXPECT_EQ(s.GetPtr(5), nullptr);

  s.SetItem(200, "далеко");  // grows and keeps the others
  EXPECT_EQ(s.GetItem(4), "четыре");
  s.Exchange(4, 200);
  EXPECT_EQ(s.GetItem(4), "далеко");
  EXPECT_EQ(s.GetItem(200), "четыре");
  s.Clear();
  EXPECT_EQ(s.GetPtr(4), nullptr);
  EXPECT_EQ(s.GetPtr(200), nullptr);
  s.SetItem(7, "после очистки");
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
  EXPECT_EQ(element[0], 2);
  EXPECT_EQ(element[3], 0);  // the rest of the old text is cleared
  EXPECT_EQ(t.GetItem(1000), "");
  EXPECT_EQ(t.Size(), 85);

  DAFstring wide(300);
  std::string longText;
  for (int i = 0; i < 300; ++i) longText += (i % 2 ? "ї" : "z");
  wide.SetItem(3, longText);
  const std::string kept = wide.GetItem(3);
  EXPECT_EQ(Utf8Length(kept), 255u);
  EXPECT_EQ(kept, longText.substr(0, 128 + 127 * 2));
}

}  // namespace
}  // namespace ld

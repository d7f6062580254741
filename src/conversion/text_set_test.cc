#include "conversion/text_set.h"

#include <gtest/gtest.h>

#include <string>

namespace tabulor {
namespace {

TEST(TextSet, AddsEachTextOnceComparingByteForByte) {
  text_set set(hash_seed{});
  for (const char* text : {"41", "4a", "4", "x", "\xff\r", "12345678"}) {
    EXPECT_TRUE(set.insert(text)) << text;
  }
  for (const char* text : {"41", "4a", "4", "x", "\xff\r", "12345678"}) {
    EXPECT_FALSE(set.insert(text)) << text;
  }
  // Neighbours of texts already held: case, width, prefixes, the boundary
  // between texts kept in the slot and texts kept apart.
  for (const char* text :
       {"4A", "041", "410", "X", "\xff", "1234567", "123456789"}) {
    EXPECT_TRUE(set.insert(text)) << text;
  }
}

TEST(TextSet, KeepsEveryTextWhileItGrows) {
  // Short texts and texts too long for a slot, under several keys, some of
  // them degenerate: the answers never depend on the key.
  for (const hash_seed seed : {hash_seed{}, hash_seed{1, 1},
                               hash_seed{~0ULL, 0}, hash_seed{42, 4242}}) {
    text_set set(seed);
    const int count = 100000;
    for (int i = 0; i < count; ++i) {
      const std::string text = std::to_string(i * 7);
      ASSERT_TRUE(set.insert(text)) << text;
      ASSERT_TRUE(set.insert("long text " + text)) << text;
    }
    for (int i = 0; i < count * 7; ++i) {
      const std::string text = std::to_string(i);
      ASSERT_EQ(set.insert(text), i % 7 != 0) << i;
      ASSERT_EQ(set.insert("long text " + text), i % 7 != 0) << i;
    }
  }
}

TEST(TextSet, HoldsTextsOfEveryLength) {
  text_set set(hash_seed{3, 4});
  for (size_t size = 1; size <= 255; ++size) {
    EXPECT_TRUE(set.insert(std::string(size, 'a'))) << size;
  }
  for (size_t size = 1; size <= 255; ++size) {
    EXPECT_FALSE(set.insert(std::string(size, 'a'))) << size;
    EXPECT_TRUE(set.insert(std::string(size - 1, 'a') + 'b')) << size;
  }
}

}  // namespace
}  // namespace tabulor

#include "conversion/text_set.h"

#include <gtest/gtest.h>

#include <string>

namespace tabulor {
namespace {

using namespace std::string_literals;

TEST(TextSet, FindsExactlyTheTextsInserted) {
  text_set set;
  for (const std::string& text : {"41"s, "4a"s, "4\0"s, "x"s}) set.insert(text);
  EXPECT_EQ(set.size(), 4u);
  for (const std::string& text : {"41"s, "4a"s, "4\0"s, "x"s}) {
    EXPECT_TRUE(set.contains(text)) << text;
  }
  for (const std::string& text :
       {"4A"s, "041"s, "4"s, "410"s, "4\0\0"s, ""s, "X"s}) {
    EXPECT_FALSE(set.contains(text)) << text;
  }
}

TEST(TextSet, KeepsEveryTextWhileItGrows) {
  text_set set;
  const int count = 200000;
  for (int i = 0; i < count; ++i) {
    const std::string text = std::to_string(i * 7);
    ASSERT_FALSE(set.contains(text)) << text;
    set.insert(text);
  }
  EXPECT_EQ(set.size(), size_t{count});
  for (int i = 0; i < count * 7; ++i) {
    ASSERT_EQ(set.contains(std::to_string(i)), i % 7 == 0) << i;
  }
}

TEST(TextSet, HoldsTextsOfEveryLength) {
  text_set set;
  for (size_t size = 1; size <= kTextSetMaxSize; ++size) {
    set.insert(std::string(size, 'a'));
  }
  for (size_t size = 1; size <= kTextSetMaxSize; ++size) {
    EXPECT_TRUE(set.contains(std::string(size, 'a'))) << size;
    EXPECT_FALSE(set.contains(std::string(size - 1, 'a') + 'b')) << size;
  }
}

}  // namespace
}  // namespace tabulor

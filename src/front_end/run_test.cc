#include "front_end/run.h"

#include <gtest/gtest.h>

namespace tabulor {
namespace {

TEST(DeriveNames, UsesTheCodePageNumberVerbatim) {
  const struct {
    std::string number, table, code_set, mapping;
  } cases[] = {
      {"300", "300.cp", "zel-300_p100-2006", "zel-300_p100-2006.ucm"},
      {"0300", "0300.cp", "zel-0300_p100-2006", "zel-0300_p100-2006.ucm"},
      {"", ".cp", "zel-_p100-2006", "zel-_p100-2006.ucm"},
      {"sub/300", "sub/300.cp", "zel-sub/300_p100-2006",
       "zel-sub/300_p100-2006.ucm"},
      {" 3%s ", " 3%s .cp", "zel- 3%s _p100-2006", "zel- 3%s _p100-2006.ucm"},
  };
  for (const auto& c : cases) {
    const run_names names = derive_names(c.number);
    EXPECT_EQ(names.table_name, c.table);
    EXPECT_EQ(names.code_set_name, c.code_set);
    EXPECT_EQ(names.mapping_file_name, c.mapping);
  }
}

}  // namespace
}  // namespace tabulor

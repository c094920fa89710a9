#include "records/ignored_types.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(IgnoredTypesTest, ATypeMatchesOnlyWholeAndFollowedByASpace) {
  struct Case {
    std::vector<std::string> types;
    const char* number;
    bool ignored;
  };
  const Case cases[] = {
      // The reader's own tests take "TP", "TP" and "hc" through the rest.
      {{"TP", "TP", "hc"}, "hc 5", true},
      {{"TP", "TP", "hc"}, " TP 1", false},
      {{"TPB"}, "TP 1", false},
      {{"Annual Special"}, "Annual Special 3", true},
      {{"Annual Special"}, "Annual 3", false},
      {{"Annual", "Annual Special"}, "Annual Special 3", true},
      {{" A"}, " A 1", true},
      {{""}, " 3", true},  // an empty type: a number that starts with a space
      {{""}, "3", false},
      {{""}, "", false},
      {{"ABCDEFGHIJKLM"}, "ABCDEFGHIJKLM ", true},
      {{"Am\xC3\xA9lie"}, "Am\xC3\xA9lie 2", true},
      {{}, "TP 3", false},
  };
  for (const Case& c : cases) {
    const IgnoredTypes ignored = make_ignored_types(c.types);
    EXPECT_EQ(is_ignored_type(ignored, c.number), c.ignored)
        << "'" << c.number << "' against " << c.types.size() << " types, the first '"
        << (c.types.empty() ? "" : c.types[0]) << "'";
  }
}

}  // namespace

#include "base/numeric_value.h"

#include <climits>

#include <gtest/gtest.h>

namespace {

struct ValueCase {
  const char* text;
  int value;
};

TEST(NumericValue, ReadsLikeAtoiAndSaturates) {
  const ValueCase cases[] = {
      {"12", 12},
      {"12A", 12},
      {"  12", 12},
      {" \t\n\v\f\r7", 7},
      {"+12", 12},
      {"-5", -5},
      {"0012", 12},
      {"5-2", 5},
      {"", 0},
      {"A", 0},
      {"+-3", 0},
      {"--5", 0},
      {"- 5", 0},
      {"12 3", 12},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"2147483648", INT_MAX},
      {"-2147483649", INT_MIN},
      {"99999999999", INT_MAX},
      {"-99999999999", INT_MIN},
      {"99999999999999999999999999999999", INT_MAX},
      {"\xff" "5", 0},  // a high byte is no white space
  };
  for (const ValueCase& c : cases) {
    EXPECT_EQ(numeric_value(c.text), c.value) << '"' << c.text << '"';
  }
  EXPECT_EQ(numeric_value(nullptr), 0);
}

}  // namespace

// The tests carry no manifest: where their code page is not UTF-8, the
// arguments are taken afresh from the command line in UTF-16.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

TEST(Platform, ArgumentsAreTakenAfreshWhereTheCodePageIsNotUtf8) {
  if (GetACP() == CP_UTF8) GTEST_SKIP() << "the code page is UTF-8 already";
  char stale_name[] = "stale";
  char* stale[] = {stale_name, nullptr};
  int argc = 1;
  char** argv = stale;
  use_utf8_arguments(&argc, &argv);
  ASSERT_NE(argv, stale);
  ASSERT_GE(argc, 1);
  EXPECT_EQ(argv[argc], nullptr);
  EXPECT_NE(std::string(argv[0]).find("quorvane_tests"), std::string::npos) << argv[0];
}

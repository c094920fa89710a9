#include "front/getopt.h"

#include <gtest/gtest.h>

#include "base/log_message.h"
#include "base/process_state.h"
#include "console_capture.h"

#include <string>
#include <utility>
#include <vector>

namespace {

// A mutable argv built from strings, ended by a null pointer like the real one.
struct Args {
  std::vector<std::string> storage;
  std::vector<char*> pointers;
  explicit Args(std::vector<std::string> elements) : storage(std::move(elements)) {
    storage.insert(storage.begin(), "prog");
    for (std::string& s : storage) pointers.push_back(&s[0]);
    pointers.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(storage.size()); }
  char* const* argv() const { return pointers.data(); }
  // True when `p` points inside element `i` (no copy was made).
  bool points_into(const char* p, int i) const {
    const char* begin = pointers[i];
    return p >= begin && p <= begin + storage[i].size();
  }
};

const char kOptlist[] = ":?hi:o:s:n:l:";
// The diagnostic for an empty or all-blank element carries a NUL byte.
const std::string kNulDelimiter =
    std::string("my_getopt_long: Invalid switch delimiter ") + '\0' + "\n";
const long_option kInputOnly[] = {{"input", 1, nullptr, 'i'}, {nullptr, 0, nullptr, 0}};

class GetoptTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_process_state(); }
  int next(const Args& a, const char* optlist = kOptlist,
           const long_option* longs = kInputOnly, int* index = nullptr) {
    return my_getopt_long(a.argc(), a.argv(), optlist, longs, index);
  }
  // Runs one call with stderr captured into `err`.
  int next_err(const Args& a, std::string* err, const char* optlist = kOptlist,
               const long_option* longs = kInputOnly, int* index = nullptr) {
    ConsoleCapture console;
    int r = next(a, optlist, longs, index);
    *err = console.err();
    return r;
  }
};

TEST_F(GetoptTest, ProgramNameAloneEndsAtOnce) {
  Args a({});
  EXPECT_EQ(next(a), -1);
  EXPECT_EQ(my_optind, 1);
  EXPECT_EQ(my_optpos, 0u);
  EXPECT_EQ(my_optarg, nullptr);
}

TEST_F(GetoptTest, ArgumentForms) {
  struct Case {
    std::vector<std::string> elements;
    int optind_after;
    int arg_element;
  };
  const std::vector<Case> cases = {
      {{"-i", "in.txt"}, 3, 2},      {{"-iin.txt"}, 2, 1},      {{"-i=in.txt"}, 2, 1},
      {{"-i:in.txt"}, 2, 1},         {{"/i", "in.txt"}, 3, 2},  {{"-i in.txt"}, 2, 1},
      {{"-i\tin.txt"}, 2, 1},        {{"-i", "  in.txt"}, 3, 2}, {{"--input", "in.txt"}, 3, 2},
      {{"  -i", "in.txt"}, 3, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.elements[0]);
    reset_process_state();
    Args a(c.elements);
    ASSERT_EQ(next(a), 'i');
    ASSERT_NE(my_optarg, nullptr);
    EXPECT_STREQ(my_optarg, "in.txt");
    EXPECT_TRUE(a.points_into(my_optarg, c.arg_element));
    EXPECT_EQ(my_optind, c.optind_after);
    EXPECT_EQ(my_optpos, 0u);
    EXPECT_EQ(my_optopt, 0);
    EXPECT_EQ(next(a), -1);
  }
}

TEST_F(GetoptTest, ArgumentMayLookLikeAnOptionAndKeepsTrailingBlanks) {
  Args a({"-i", "-o", "-s", "5  "});
  EXPECT_EQ(next(a), 'i');
  EXPECT_STREQ(my_optarg, "-o");
  EXPECT_EQ(my_optind, 3);
  EXPECT_EQ(next(a), 's');
  EXPECT_STREQ(my_optarg, "5  ");
  EXPECT_EQ(next(a), -1);
}

TEST_F(GetoptTest, MissingArguments) {
  struct Case {
    std::vector<std::string> elements;
    int optind_after;
    const char* optlist = kOptlist;
    int result = ':';  // '?' when the optlist does not begin with ':'
  };
  const std::vector<Case> cases = {{{"-i"}, 3}, {{"-i="}, 2}, {{"-i", ""}, 3}, {{"-i", "  "}, 3},
                                   {{"--input"}, 3}, {{"-i"}, 3, "i:", '?'}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.elements[0] + " / " + std::to_string(c.elements.size()) + " / " + c.optlist);
    reset_process_state();
    Args a(c.elements);
    std::string err;
    EXPECT_EQ(next_err(a, &err, c.optlist), c.result);
    EXPECT_EQ(err, "my_getopt_long: Missing argument\n");
    EXPECT_EQ(my_optopt, 'i');
    EXPECT_EQ(my_optind, c.optind_after);
    EXPECT_EQ(my_optpos, 0u);
    EXPECT_EQ(next(a), -1);
  }
}

TEST_F(GetoptTest, LongOptionNamesAreWholeAndCaseSensitive) {
  for (const char* element : {"--input=in.txt", "--Input", "-- "}) {
    SCOPED_TRACE(element);
    reset_process_state();
    Args a({element, "x"});
    std::string err;
    EXPECT_EQ(next_err(a, &err), '?');
    EXPECT_EQ(err, std::string("my_getopt_long: Invalid long option ") + (element + 2) + "\n");
    EXPECT_EQ(my_optopt, element[2]);
    EXPECT_EQ(my_optind, 1);
  }
}

TEST_F(GetoptTest, DoubleDashEndsTheOptions) {
  Args a({"--", "-i", "x"});
  EXPECT_EQ(next(a), -1);
  EXPECT_EQ(my_optind, 2);
  // Without a long-option table any element beginning with "--" ends them.
  reset_process_state();
  Args b({"--input", "x"});
  EXPECT_EQ(next(b, kOptlist, nullptr), -1);
  EXPECT_EQ(my_optind, 2);
}

TEST_F(GetoptTest, LongOptionWithFlagTargetAndIndex) {
  int flag = 0;
  const long_option table[] = {{"quiet", 0, &flag, 7},
                               {"level", 1, &flag, 9},
                               {"maybe", 2, nullptr, 'm'},
                               {nullptr, 0, nullptr, 0}};
  Args a({"--quiet", "--level", "3", "--maybe"});
  int index = -1;
  EXPECT_EQ(next(a, kOptlist, table, &index), 0);
  EXPECT_EQ(flag, 7);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(my_optind, 2);
  EXPECT_EQ(my_optarg, nullptr);
  EXPECT_EQ(next(a, kOptlist, table, &index), 0);
  EXPECT_EQ(flag, 9);
  EXPECT_EQ(index, 1);
  EXPECT_STREQ(my_optarg, "3");
  EXPECT_EQ(my_optind, 4);
  // A missing optional argument is not an error.
  std::string err;
  EXPECT_EQ(next_err(a, &err, kOptlist, table, &index), 'm');
  EXPECT_EQ(err, "");
  EXPECT_EQ(index, 2);
  EXPECT_EQ(my_optarg, nullptr);
  EXPECT_EQ(my_optind, 6);
}

TEST_F(GetoptTest, InvalidHasArgWritesTargetsFirst) {
  int flag = 0;
  const long_option table[] = {{"odd", 3, &flag, 5}, {"odder", -1, nullptr, 'q'},
                               {nullptr, 0, nullptr, 0}};
  Args a({"--odd"});
  int index = -1;
  std::string err;
  EXPECT_EQ(next_err(a, &err, kOptlist, table, &index), '?');
  EXPECT_EQ(err, "my_getopt_long: Invalid value of has_arg field for odd option\n");
  EXPECT_EQ(flag, 5);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(my_optopt, 0);  // the code of a flag_target option
  EXPECT_EQ(my_optind, 1);
  reset_process_state();
  Args b({"--odder"});
  EXPECT_EQ(next_err(b, &err, kOptlist, table, &index), '?');
  EXPECT_EQ(my_optopt, 'q');
  EXPECT_EQ(index, 1);
}

TEST_F(GetoptTest, ErrorsAndTheirState) {
  struct Case {
    std::string element;
    std::string diagnostic;
    int optopt;
    unsigned optpos;
  };
  const std::vector<Case> cases = {
      {"in.txt", "my_getopt_long: Invalid switch delimiter i\n", 'i', 0},
      {"  in.txt", "my_getopt_long: Invalid switch delimiter i\n", 'i', 0},
      {"", kNulDelimiter, 0, 0},
      {" \t", kNulDelimiter, 0, 0},
      {"-x", "my_getopt_long: Unrecognized option x\n", 'x', 1},
      {"/I", "my_getopt_long: Unrecognized option I\n", 'I', 1},
      {"/-", "my_getopt_long: Unrecognized option -\n", '-', 1},
      {"-\xe9", "my_getopt_long: Unrecognized option \xe9\n", -23, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.element);
    reset_process_state();
    Args a({c.element});
    std::string err;
    EXPECT_EQ(next_err(a, &err), '?');
    EXPECT_EQ(err, c.diagnostic);
    EXPECT_EQ(my_optopt, c.optopt);
    EXPECT_EQ(my_optind, 1);
    EXPECT_EQ(my_optpos, c.optpos);
  }
}

TEST_F(GetoptTest, NullOptlistOrArgv) {
  Args a({"-h"});
  for (int opterr : {1, 0}) {
    for (bool null_argv : {false, true}) {
      SCOPED_TRACE(std::to_string(opterr) + (null_argv ? " argv" : " optlist"));
      reset_process_state();
      my_opterr = opterr;
      my_optopt = 'z';
      ConsoleCapture console;
      EXPECT_EQ(my_getopt_long(a.argc(), null_argv ? nullptr : a.argv(),
                               null_argv ? kOptlist : nullptr, nullptr, nullptr),
                '?');
      EXPECT_EQ(console.err(),
                opterr ? "my_getopt_long: One of optlist or argv is NULL\n" : "");
      EXPECT_EQ(my_optopt, 0);
      EXPECT_EQ(my_optind, 1);
    }
  }
}

// Each call's result and where it leaves the parser, one call after another:
// clusters, listed '?' and ':', lone delimiters, and a blank inside a cluster,
// which is an option character of its own.
TEST_F(GetoptTest, ResultsOneAfterAnother) {
  struct Case {
    std::vector<std::string> elements;
    const char* optlist;
    std::vector<std::pair<int, int>> steps;  // each result, and my_optind after it
    std::string last_arg;                    // my_optarg after the last option, if it took one
    int last_optopt = 0;                     // my_optopt at the end
  };
  const std::vector<Case> cases = {
      {{"-h?", "-:", "-o", "x"}, kOptlist, {{'h', 1}, {'?', 2}, {':', 3}, {'o', 5}, {-1, 5}}, "x"},
      {{"-", "/", "-h"}, kOptlist, {{0, 2}, {0, 3}, {'h', 4}, {-1, 4}}, ""},
      {{"-ab", "-a"}, "abi:", {{'a', 1}, {'b', 2}, {'a', 3}, {-1, 3}}, ""},
      {{"-ai", "x"}, "abi:", {{'a', 1}, {'i', 3}, {-1, 3}}, "x"},
      {{"-aix"}, "abi:", {{'a', 1}, {'i', 2}, {-1, 2}}, "x"},
      {{"/ba=x"}, "abi:", {{'b', 1}, {'a', 1}, {'?', 1}}, "", '='},
      {{"  -ab", "-b"}, "abi:", {{'a', 1}, {'b', 2}, {'b', 3}, {-1, 3}}, ""},
      {{"\t-abi", "y"}, "abi:", {{'a', 1}, {'b', 1}, {'i', 3}, {-1, 3}}, "y"},
      {{"-a b"}, "ab", {{'a', 1}, {'?', 1}}, "", ' '},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.elements[0]);
    reset_process_state();
    my_opterr = 0;
    Args a(c.elements);
    std::vector<std::pair<int, int>> steps;
    for (std::size_t k = 0; k < c.steps.size(); ++k) {
      const int result = next(a, c.optlist);
      steps.emplace_back(result, my_optind);
    }
    EXPECT_EQ(steps, c.steps);
    EXPECT_EQ(my_optopt, c.last_optopt);
    if (!c.last_arg.empty()) {
      EXPECT_STREQ(my_optarg, c.last_arg.c_str());
    }
  }
}

TEST_F(GetoptTest, SilentWhenOptErrIsZero) {
  int flag = 0;
  const long_option table[] = {{"odd", 3, &flag, 5}, {nullptr, 0, nullptr, 0}};
  const std::vector<std::vector<std::string>> lines = {{"in.txt"}, {"-x"}, {"--nope"},
                                                       {"--odd"}, {"-i"}, {""}};
  const std::vector<int> expected = {'?', '?', '?', '?', ':', '?'};
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(i);
    reset_process_state();
    my_opterr = 0;
    Args a(lines[i]);
    std::string err;
    EXPECT_EQ(next_err(a, &err, kOptlist, table), expected[i]);
    EXPECT_EQ(err, "");
  }
}

}  // namespace

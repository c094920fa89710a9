#include "front/options.h"

#include <gtest/gtest.h>

#include "base/log_message.h"
#include "base/process_state.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "front/getopt.h"
#include "run_binary.h"
#include "console_capture.h"

namespace {

const std::string kUsage = expected_usage("prog");

// The outcome of one parse_options run with both console streams captured.
struct ParseOutcome {
  bool go_on;
  int status;
  std::string out;
  std::string err;
};

class OptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_process_state();
  }
  ParseOutcome parse(std::vector<std::string> elements) {
    elements.insert(elements.begin(), "prog");
    std::vector<char*> argv;
    for (std::string& s : elements) argv.push_back(&s[0]);
    argv.push_back(nullptr);
    ParseOutcome run{false, 12345, "", ""};
    ConsoleCapture console;
    run.go_on = parse_options(static_cast<int>(elements.size()), argv.data(), &run.status);
    run.err = console.err();
    run.out = console.out();
    return run;
  }
};

TEST_F(OptionsTest, DefaultsWithoutOptions) {
  ParseOutcome r = parse({});
  EXPECT_TRUE(r.go_on);
  EXPECT_EQ(r.status, 12345);  // untouched when the run goes on
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(log_path, "Quorvane.log");
  EXPECT_EQ(size_limit, 4);
  EXPECT_EQ(input_path, "");
  EXPECT_EQ(output_path, "");
  EXPECT_EQ(ignore_types.size(), 0u);
}

TEST_F(OptionsTest, EverySettingInShortLongAndSlashForms) {
  ParseOutcome r = parse({"--input", "in.txt", "/o", "o.txt", "--output", "out.txt", "--log", "a.log",
                     "-l=my.log", "--hole", "10", "/nTPB", "--ignore", "GN"});
  EXPECT_TRUE(r.go_on);
  EXPECT_EQ(input_path, "in.txt");
  EXPECT_EQ(output_path, "out.txt");
  EXPECT_EQ(log_path, "my.log");
  EXPECT_EQ(size_limit, 10);
  EXPECT_EQ(ignore_types, (std::vector<std::string>{"TPB", "GN"}));
}

// The conversion itself is numeric_value's; these rows check that whatever
// it makes of the text is taken, never refused or replaced by the default.
TEST_F(OptionsTest, HoleSizeTakesTheConvertedValue) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"7x", 7}, {"abc", 0}, {"-2", -2}, {"99999999999", INT_MAX},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    reset_process_state();
    ParseOutcome r = parse({"-s", c.first});
    EXPECT_TRUE(r.go_on);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(size_limit, c.second);
  }
}

TEST_F(OptionsTest, LaterValuesReplaceEarlierOnes) {
  parse({"-i", "first.txt", "-s", "2", "-i", "second.txt", "-l", "a.log", "-s", "6"});
  EXPECT_EQ(input_path, "second.txt");
  EXPECT_EQ(size_limit, 6);
  EXPECT_EQ(log_path, "a.log");
}

TEST_F(OptionsTest, BookTypesKeptInOrderWholeAndWithoutLimit) {
  parse({"-n", "TPB", "-n", "HC", "-n", "Annual Special Edition"});
  EXPECT_EQ(ignore_types, (std::vector<std::string>{"TPB", "HC", "Annual Special Edition"}));
  EXPECT_EQ(ignore_types.size(), 3u);

  reset_process_state();
  std::vector<std::string> many;
  for (int i = 0; i < 60; ++i) {
    many.push_back("-n");
    many.push_back("T" + std::to_string(i));
  }
  EXPECT_TRUE(parse(many).go_on);
  ASSERT_EQ(ignore_types.size(), 60u);
  EXPECT_EQ(ignore_types[59], "T59");
}

TEST_F(OptionsTest, LongPathsAreKeptWhole) {
  const std::string path(300, 'p');
  parse({"-i", path, "-o", path + "o", "-l", path + "l"});
  EXPECT_EQ(input_path, path);
  EXPECT_EQ(output_path, path + "o");
  EXPECT_EQ(log_path, path + "l");
}

// A lone delimiter (0), "-:" and a missing argument (both ':'), an empty one
// and the last option's long form among them, each print a note on standard
// output and change no setting; the parse goes on.
TEST_F(OptionsTest, IgnoredOptionsPrintANoteAndTheRunGoesOn) {
  ParseOutcome r = parse({"-", "-i", "keep.txt", "/", "-:", "-i=", "-o", "out.txt", "-n", "TPB",
                          "-s", "3", "--output", "", "-l", "kept.log", "--log"});
  EXPECT_TRUE(r.go_on);
  EXPECT_EQ(r.status, 12345);
  const std::string nul_line = std::string("Invalid option '") + '\0' + "'; ignoring\n";
  const std::string colon_line = "Invalid option ':'; ignoring\n";
  EXPECT_EQ(r.out, nul_line + nul_line + colon_line + colon_line + colon_line + colon_line);
  const std::string missing = "my_getopt_long: Missing argument\n";
  EXPECT_EQ(r.err, missing + missing + missing);
  EXPECT_EQ(input_path, "keep.txt");
  EXPECT_EQ(output_path, "out.txt");
  EXPECT_EQ(log_path, "kept.log");
  EXPECT_EQ(ignore_types, std::vector<std::string>{"TPB"});
  EXPECT_EQ(size_limit, 3);
}

TEST_F(OptionsTest, DoubleDashStopsTheParse) {
  ParseOutcome r = parse({"-i", "in.txt", "--", "-o", "out.txt", "bare"});
  EXPECT_TRUE(r.go_on);
  EXPECT_EQ(input_path, "in.txt");
  EXPECT_EQ(output_path, "");
  EXPECT_EQ(r.out, "");
}

TEST_F(OptionsTest, HelpPrintsUsageAndEndsWithZero) {
  const std::vector<std::vector<std::string>> lines = {
      {"-h"}, {"-?"}, {"/?"}, {"/h"}, {"--help"}, {"-s", "9", "-h"},
      {"-i", "in.txt", "-?"}, {"-l", "x.log", "--help", "-x"}, {"-h?"},
  };
  for (const auto& line : lines) {
    SCOPED_TRACE(line.back());
    reset_process_state();
    ParseOutcome r = parse(line);
    EXPECT_FALSE(r.go_on);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kUsage);  // the defaults, whatever came before
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(OptionsTest, ParseErrorsPrintDiagnosticUsageAndEndWithMinusOne) {
  const std::string nul_diag =
      std::string("my_getopt_long: Invalid switch delimiter ") + '\0' + "\n";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"in.txt"}, "my_getopt_long: Invalid switch delimiter i\n"},
      {{"-i", "a", "b.txt"}, "my_getopt_long: Invalid switch delimiter b\n"},
      {{"-I", "in.txt"}, "my_getopt_long: Unrecognized option I\n"},
      {{"--Input", "in.txt"}, "my_getopt_long: Invalid long option Input\n"},
      {{"-h", "x"}, ""},  // help wins: it comes first
      {{""}, nul_diag},
      {{"-x?"}, "my_getopt_long: Unrecognized option x\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first[0]);
    reset_process_state();
    ParseOutcome r = parse(c.first);
    EXPECT_FALSE(r.go_on);
    EXPECT_EQ(r.err, c.second);
    EXPECT_EQ(r.out, kUsage);
    EXPECT_EQ(r.status, c.second.empty() ? 0 : -1);
  }
}

TEST_F(OptionsTest, NullArgvIsAnErrorWithANamelessUsage) {
  int status = 7;
  ConsoleCapture console;  // the parser's diagnostic is tested with the parser
  EXPECT_FALSE(parse_options(2, nullptr, &status));
  EXPECT_EQ(console.out(), expected_usage(""));
  EXPECT_EQ(status, -1);
}

TEST_F(OptionsTest, UsageTextByteForByte) {
  ConsoleCapture console;
  print_usage("C:\\bin\\quorvane.exe");
  EXPECT_EQ(console.out(), expected_usage("C:\\bin\\quorvane.exe"));
}

// Each document names every option of the table, and no other, where it
// lists them (from `from` to `to`); /x may stand for -x, and README-windows
// must give both.
TEST(OptionDocs, DocumentsNameExactlyTheOptionsOfTheTable) {
  struct Document { const char *path, *from, *to; bool slash_forms; };
  const Document documents[] = {
      {"docs/quorvane.1", "\n.SH OPTIONS", "\n.SH ", false},
      {"completion/quorvane", "options=(", ")", false},
      {"README.md", "\n### Options", "\n#", false},
      {"docs/README-windows.txt", "\nOptions\n---", "\n\n\n", true},
  };
  // An option name begins a word. In troff, \- is a minus sign and \fB and
  // the like change the font.
  const std::regex name("(^|[^\\w-])(--[a-z]+|[-/][A-Za-z?](?![A-Za-z]))");
  const std::regex troff_font(R"(\\f.|\\&)"), troff_minus(R"(\\-)");
  for (const Document& d : documents) {
    std::string text = read_file(std::string(QUORVANE_SOURCE_DIR) + "/" + d.path);
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    const std::size_t start = text.find(d.from);
    ASSERT_NE(start, std::string::npos) << d.path << " has no " << d.from;
    text = text.substr(start, text.find(d.to, start + std::strlen(d.from)) - start);
    text = std::regex_replace(std::regex_replace(text, troff_font, ""), troff_minus, "-");
    std::set<std::string> found;
    for (std::sregex_iterator it(text.begin(), text.end(), name), end; it != end; ++it) {
      found.insert((*it)[2]);
    }
    for (std::size_t k = 0; k < kOptionCount; ++k) {
      const OptionEntry& option = kOptionTable[k];
      const std::string letter(1, option.letter);
      std::vector<std::string> names{"-" + letter};
      if (option.long_name != nullptr) names.push_back(std::string("--") + option.long_name);
      if (d.slash_forms) names.push_back("/" + letter);
      for (const auto& n : names) EXPECT_EQ(found.erase(n), 1u) << d.path << " lacks " << n;
      found.erase("/" + letter);
    }
    for (const auto& n : found) ADD_FAILURE() << d.path << " names " << n << ", which is no option";
  }
}

}  // namespace

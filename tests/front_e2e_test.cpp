// The command line and the opening of files, run through the real executable.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "run_binary.h"

namespace {

using Names = std::vector<std::string>;

TEST(FrontEndToEnd, MissingFilesAreRefusedBeforeAnythingIsOpened) {
  for (const Names& args : {Names{}, Names{"-i", "in.txt"}, Names{"-o", "out.txt"}}) {
    TempDir dir;
    RunResult run = run_quorvane_binary(dir.root(), args);
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, expected_banner() + "Must supply input and output files\n");
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(dir.entries().empty());
  }
}

TEST(FrontEndToEnd, HelpInEverySpellingPrintsUsageAndSucceeds) {
  for (const Names& args : {Names{"-h"}, Names{"-?"}, Names{"/?"}, Names{"/h"}, Names{"--help"},
                            Names{"-i", "in.txt", "-o", "out.txt", "-h"},
                            Names{"-s", "9", "--help"}, Names{"-o", "out.txt", "/?"}}) {
    TempDir dir;
    dir.write("in.txt", "x\n");
    RunResult run = run_quorvane_binary(dir.root(), args);
    EXPECT_EQ(run.status, 0) << args.back();
    EXPECT_EQ(run.out, expected_banner() + expected_usage()) << args.back();
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(dir.entries(), Names{"in.txt"});
  }
}

TEST(FrontEndToEnd, ParseErrorsPrintDiagnosticAndUsageAndFail) {
  struct Case {
    Names args;
    const char* diagnostic;
  };
  const Case cases[] = {
      {{"-x"}, "my_getopt_long: Unrecognized option x\n"},
      {{"-I", "in.txt"}, "my_getopt_long: Unrecognized option I\n"},
      {{"in.txt"}, "my_getopt_long: Invalid switch delimiter i\n"},
      {{"-i", "in.txt", "out.txt"}, "my_getopt_long: Invalid switch delimiter o\n"},
      {{"--hole=3"}, "my_getopt_long: Invalid long option hole=3\n"},
      {{"--Input", "in.txt"}, "my_getopt_long: Invalid long option Input\n"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.write("in.txt", "x\n");
    RunResult run = run_quorvane_binary(dir.root(), c.args);
    EXPECT_EQ(run.status, 255) << c.diagnostic;
    EXPECT_EQ(run.err, c.diagnostic);
    EXPECT_EQ(run.out, expected_banner() + expected_usage());
    EXPECT_EQ(dir.entries(), Names{"in.txt"});
  }
}

TEST(FrontEndToEnd, MissingArgumentIsReportedAndParsingGoesOn) {
  TempDir dir;
  RunResult run = run_quorvane_binary(dir.root(), {"-o", "out.txt", "-", "-i"});
  EXPECT_EQ(run.status, 255);
  EXPECT_EQ(run.err, "my_getopt_long: Missing argument\n");
  EXPECT_EQ(run.out, expected_banner() + std::string("Invalid option '\0'; ignoring\n", 29) +
                         "Invalid option ':'; ignoring\nMust supply input and output files\n");
  EXPECT_TRUE(dir.entries().empty());
}

TEST(FrontEndToEnd, MissingInputLeavesAnExistingReportAlone) {
  for (const char* input : {"missing.txt", "adir"}) {
    TempDir dir;
    dir.write("out.txt", "an earlier report\r\n");
    ASSERT_EQ(mkdir(dir.path("adir").c_str(), 0755), 0);
    RunResult run = run_quorvane_binary(dir.root(), {"-i", input, "-o", "out.txt"});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, expected_banner() + "Couldn't open input file " + input + "\n");
    EXPECT_EQ(dir.read("out.txt"), "an earlier report\r\n");
    EXPECT_EQ(dir.entries(), (Names{"adir", "out.txt"}));
  }
}

TEST(FrontEndToEnd, UnopenableOutputOrLogFails) {
  TempDir dir;
  dir.write("in.txt", "");
  RunResult run = run_quorvane_binary(dir.root(), {"-i", "in.txt", "-o", "nodir/out.txt"});
  EXPECT_EQ(run.status, 255);
  EXPECT_EQ(run.out, expected_banner() + "Couldn't open output nodir/out.txt file\n");
  EXPECT_EQ(dir.entries(), Names{"in.txt"});

  // A run that cannot log leaves a report as it found it: absent, or earlier.
  run = run_quorvane_binary(dir.root(), {"-i", "in.txt", "-o", "out.txt", "-l", "nodir/q.log"});
  EXPECT_EQ(run.status, 255);
  EXPECT_EQ(run.out, expected_banner() + "Couldn't open log nodir/q.log file\n");
  EXPECT_EQ(dir.entries(), Names{"in.txt"});
  dir.write("out.txt", "an earlier report\r\n");
  run = run_quorvane_binary(dir.root(), {"-i", "in.txt", "-o", "out.txt", "-l", "nodir/q.log"});
  EXPECT_EQ(run.status, 255);
  EXPECT_EQ(run.out, expected_banner() + "Couldn't open log nodir/q.log file\n");
  EXPECT_EQ(dir.read("out.txt"), "an earlier report\r\n");
  EXPECT_EQ(dir.entries(), (Names{"in.txt", "out.txt"}));
}

TEST(FrontEndToEnd, TheToolNeverWritesOverItsOwnInput) {
  struct Case {
    Names args;
    std::string message;
  };
  const Case cases[] = {
      {{"-i", "in.txt", "-o", "in.txt"}, "Couldn't use in.txt as output: it is the input file\n"},
      {{"-i", "in.txt", "-o", "./in.txt"}, "Couldn't use ./in.txt as output: it is the input file\n"},
      {{"-i", "./in.txt", "-o", "link.txt"}, "Couldn't use link.txt as output: it is the input file\n"},
      {{"-i", "in.txt", "-o", "hard.txt"}, "Couldn't use hard.txt as output: it is the input file\n"},
      {{"-i", "in.txt", "-o", "out.txt", "-l", "sub/../in.txt"},
       "Couldn't use sub/../in.txt as log: it is the input file\n"},
      {{"-i", "in.txt", "-o", "out.txt", "-l", "./out.txt"},
       "Couldn't use ./out.txt as log: it is the output file\n"},
      {{"-i", "in.txt", "-o", "new.txt", "-l", "sub/../new.txt"},
       "Couldn't use sub/../new.txt as log: it is the output file\n"},
      {{"-i", "in.txt", "-o", "new.txt", "-l", "dangling.log"},
       "Couldn't use dangling.log as log: it is the output file\n"},
      {{"-i", "in.txt", "-o", "dangling.log", "-l", "sub/../new.txt"},
       "Couldn't use sub/../new.txt as log: it is the output file\n"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.write("in.txt", "the export\n");
    dir.write("out.txt", "an earlier report\n");
    ASSERT_EQ(mkdir(dir.path("sub").c_str(), 0755), 0);
    ASSERT_EQ(symlink("in.txt", dir.path("link.txt").c_str()), 0);
    ASSERT_EQ(link(dir.path("in.txt").c_str(), dir.path("hard.txt").c_str()), 0);
    ASSERT_EQ(symlink("new.txt", dir.path("dangling.log").c_str()), 0);  // to a file to come
    RunResult run = run_quorvane_binary(dir.root(), c.args);
    EXPECT_EQ(run.status, 255) << c.message;
    EXPECT_EQ(run.out, expected_banner() + c.message);
    EXPECT_EQ(dir.read("in.txt"), "the export\n");
    EXPECT_EQ(dir.read("out.txt"), "an earlier report\n");
    EXPECT_EQ(dir.entries(),
              (Names{"dangling.log", "hard.txt", "in.txt", "link.txt", "out.txt", "sub"}));
  }
}

TEST(FrontEndToEnd, EmptyInputGivesAnnouncementAndAnEmptyReport) {
  TempDir dir;
  dir.write("in.txt", "");
  RunResult run = run_quorvane_binary(dir.root(), {"-i", "in.txt", "-o", "out.txt"});
  const std::string console =
      "Searching in.txt for holes less than 4 issues\n\n\nProcessing successful; exiting\n";
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, expected_banner() + console);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(dir.read("Quorvane.log"), crlf(console));
  EXPECT_EQ(mask_date_line(dir.read("out.txt")), kMaskedReportHead);
}

TEST(FrontEndToEnd, AnnouncementShowsTheHoleSize) {
  struct Case {
    Names extra;
    const char* size;
  };
  const Case cases[] = {{{}, "4"},
                        {{"-s", "7x"}, "7"},
                        {{"/s", "-2"}, "-2"},
                        {{"--hole", "abc"}, "0"},
                        {{"-s99999999999"}, "2147483647"}};
  for (const Case& c : cases) {
    TempDir dir;
    dir.write("in.txt", "");
    Names args{"-i", "in.txt", "--output", "out.txt", "-l", "run.log"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    RunResult run = run_quorvane_binary(dir.root(), args);
    EXPECT_EQ(run.status, 0);
    std::string announcement = std::string("Searching in.txt for holes less than ") + c.size +
                               " issues\r\n\r\n";
    EXPECT_EQ(dir.read("run.log").substr(0, announcement.size()), announcement);
    EXPECT_FALSE(dir.exists("Quorvane.log"));
  }
}

TEST(FrontEndToEnd, LongPathsAreUsedWhole) {
  TempDir dir;
  std::string long_name = std::string(150, 'n') + ".txt";
  dir.write(long_name, "");
  RunResult run = run_quorvane_binary(dir.root(), {"-i", long_name, "-o", "o" + long_name,
                                                   "-l", "l" + long_name});
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(dir.exists("o" + long_name));
  EXPECT_TRUE(dir.exists("l" + long_name));
  EXPECT_EQ(dir.entries().size(), 3u);
}

TEST(FrontEndToEnd, IdentificationStringsAreInTheExecutable) {
  TempDir dir;
  std::string binary;
  {
    std::ifstream file(QUORVANE_BINARY, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    binary = bytes.str();
  }
  EXPECT_NE(binary.find("@(#)@(#)Quorvane Version 1.0.0\n@(#)"), std::string::npos);
  std::regex build_date("@\\(#\\)Build date: [A-Z][a-z]{2} [0-9]{1,2} [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}\n");
  EXPECT_TRUE(std::regex_search(binary, build_date));
  EXPECT_NE(binary.find("OF THE POSSIBILITY OF SUCH DAMAGE.\n@(#)\n"), std::string::npos);
}

}  // namespace

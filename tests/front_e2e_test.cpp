// The command line and the opening of files, run through the real executable.

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "export_lines.h"
#include "records/separator_scan.h"
#include "run_binary.h"

namespace {

// Help, and a parse error, print the usage after the banner and create no
// file; help succeeds. A missing argument is noted, and parsing goes on.
// (Every spelling of each is a row of the options' own tests.)
TEST(FrontEndToEnd, HelpAndOptionErrorsCreateNothing) {
  struct Case {
    Names args;
    const char* diagnostic;  // "" for help
    std::string out = expected_usage();  // after the banner
  };
  const Case cases[] = {
      {{"-i", "in.txt", "-o", "out.txt", "-h"}, ""},
      {{"-o", "out.txt", "/?"}, ""},
      {{"-i", "in.txt", "out.txt"}, "my_getopt_long: Invalid switch delimiter o\n"},
      {{"--hole=3"}, "my_getopt_long: Invalid long option hole=3\n"},
      {{"-o", "out.txt", "-", "-i"}, "my_getopt_long: Missing argument\n",
       std::string("Invalid option '\0'; ignoring\n", 29) +
           "Invalid option ':'; ignoring\nMust supply input and output files\n"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.write("in.txt", "x\n");
    RunResult run = run_quorvane_binary(dir.root(), c.args);
    EXPECT_EQ(run.status, *c.diagnostic == '\0' ? 0 : 255) << c.args.back();
    EXPECT_EQ(run.err, c.diagnostic);
    EXPECT_EQ(run.out, expected_banner() + c.out);
    EXPECT_EQ(dir.entries(), Names{"in.txt"});
  }
}

// A run refused before it opens its files changes none: one without its
// files, or whose files are missing, folders or not for it to read, or that
// would write over its own export. A name is used as the system resolves it: one through a folder
// that is not there names no file (where the system, like Windows, takes ".."
// away from the text first, it names the export). Standard output or error
// on the export would write the console into it.
TEST(FrontEndToEnd, RefusedRunsLeaveEveryFileAlone) {
  struct Case {
    Names args;
    std::string message;
    const char* (*needs)() = nullptr;  // what staging it needs: link.txt or dangling.log, hard.txt
    ChildSetup setup = {};  // standard output or error on in.txt: the message on the other
  };
  ChildSetup out_on_input;
  out_on_input.stdout_file = "in.txt";
  out_on_input.appends = true;
  ChildSetup err_on_input = out_on_input;
  std::swap(err_on_input.stdout_file, err_on_input.stderr_file);
  ChildSetup nobody;  // kept out of locked.txt: held by another program, or of mode 000
  nobody.as_nobody = true;
  const bool textual_dots = kRelativeNamesLoseDots;
  // The refusal of a name through a missing folder, or of the file it spells.
  auto through = [textual_dots](const std::string& refused, const std::string& same) {
    return textual_dots ? same : refused;
  };
  // More diagnostics than the console's buffers hold before the check.
  Names many_notes{"-i", "in.txt", "-o", "out.txt"};
  many_notes.insert(many_notes.end(), 4000, "-");
  const Case cases[] = {
      {many_notes, "Couldn't use standard output: it is the input file\n", nullptr, out_on_input},
      {{"-i", "in.txt", "-o", "out.txt", "--" + std::string(10000, 'x')},
       expected_usage() + "Couldn't use standard error: it is the input file\n", nullptr, err_on_input},
      {{}, "Must supply input and output files\n"},
      {{"-i", "in.txt"}, "Must supply input and output files\n"},
      {{"-o", "out.txt"}, "Must supply input and output files\n"},
      {{"-i", "missing.txt", "-o", "out.txt"}, "Couldn't open input file missing.txt\n"},
      {{"-i", "sub", "-o", "out.txt"}, "Couldn't open input file sub\n"},
      {{"-i", "locked.txt", "-o", "out.txt"}, "Couldn't open input file locked.txt\n", why_no_bound_run,
       nobody},
      {{"-i", "in.txt", "-o", "sub"}, "Couldn't open output sub file\n"},
      {{"-i", "in.txt", "-o", "nodir/new.txt"}, "Couldn't open output nodir/new.txt file\n"},
      {{"-i", "in.txt", "-o", "new.txt", "-l", "sub"}, "Couldn't open log sub file\n"},
      {{"-i", "in.txt", "-o", "out.txt", "-l", "nodir/q.log"}, "Couldn't open log nodir/q.log file\n"},
      {{"-i", "in.txt", "-o", "typo/../in.txt"},
       through("Couldn't open output typo/../in.txt file\n",
               "Couldn't use typo/../in.txt as output: it is the input file\n")},
      {{"-i", "in.txt", "-o", "in.txt/../in.txt"},
       through("Couldn't open output in.txt/../in.txt file\n",
               "Couldn't use in.txt/../in.txt as output: it is the input file\n")},
      {{"-i", "in.txt", "-o", "link.txt/../in.txt"},
       through("Couldn't open output link.txt/../in.txt file\n",
               "Couldn't use link.txt/../in.txt as output: it is the input file\n"),
       why_no_symlinks},
      {{"-i", "in.txt", "-o", "nosuch/../out.txt", "-l", "out.txt"},
       through("Couldn't open output nosuch/../out.txt file\n",
               "Couldn't use out.txt as log: it is the output file\n")},
      {{"-i", "in.txt", "-o", "out.txt", "-l", "nosuch/../in.txt"},
       through("Couldn't open log nosuch/../in.txt file\n",
               "Couldn't use nosuch/../in.txt as log: it is the input file\n")},
      {{"-i", "in.txt", "-o", "out.txt"}, "Couldn't use standard output: it is the input file\n", nullptr,
       out_on_input},
      {{"-i", "in.txt", "-o", "out.txt", "-x"},  // the diagnostic would go into the export
       expected_usage() + "Couldn't use standard error: it is the input file\n", nullptr, err_on_input},
      {{"-i", "in.txt", "-o", "in.txt"}, "Couldn't use in.txt as output: it is the input file\n"},
      {{"-i", "in.txt", "-o", "./in.txt"}, "Couldn't use ./in.txt as output: it is the input file\n"},
      {{"-i", "./in.txt", "-o", "link.txt"}, "Couldn't use link.txt as output: it is the input file\n",
       why_no_symlinks},
      {{"-i", "in.txt", "-o", "hard.txt"}, "Couldn't use hard.txt as output: it is the input file\n",
       why_no_hard_links},
      {{"-i", "in.txt", "-o", "out.txt", "-l", "sub/../in.txt"},
       "Couldn't use sub/../in.txt as log: it is the input file\n"},
      {{"-i", "in.txt", "-o", "out.txt", "-l", "./out.txt"},
       "Couldn't use ./out.txt as log: it is the output file\n"},
      {{"-i", "in.txt", "-o", "new.txt", "-l", "sub/../new.txt"},
       "Couldn't use sub/../new.txt as log: it is the output file\n"},
      {{"-i", "in.txt", "-o", "new.txt", "-l", "dangling.log"},
       "Couldn't use dangling.log as log: it is the output file\n", why_no_symlinks},
      {{"-i", "in.txt", "-o", "dangling.log", "-l", "sub/../new.txt"},
       "Couldn't use sub/../new.txt as log: it is the output file\n", why_no_symlinks},
  };
  for (const Case& c : cases) {
    if (c.needs != nullptr && not_run_here(c.needs(), c.message)) continue;
    TempDir dir;
    dir.write("in.txt", "the export\n");
    dir.write("out.txt", "an earlier report\n");
    ASSERT_TRUE(dir.make_folder("sub"));
    dir.write("locked.txt", "an export nobody may read\n");
    ASSERT_TRUE(kNoPermissionBits != nullptr || set_mode(dir.path("locked.txt"), 0));
    ASSERT_TRUE(why_no_hard_links() != nullptr || dir.make_hard_link("in.txt", "hard.txt"));
    if (why_no_symlinks() == nullptr) {
      ASSERT_TRUE(dir.make_symlink("in.txt", "link.txt"));
      ASSERT_TRUE(dir.make_symlink("new.txt", "dangling.log"));  // to a file to come
    }
    const Names entries = dir.entries();
    RunResult run;
    {
      HeldFile held(c.setup.as_nobody ? dir.path("locked.txt") : "", Sharing::kNothing);
      ASSERT_EQ(held.held(), c.setup.as_nobody && kNoHeldFiles == nullptr);
      run = run_quorvane_binary(dir.root(), c.args, c.setup);
    }
    const bool out_on_input = !c.setup.stdout_file.empty();
    EXPECT_EQ(run.status, 255) << c.message;
    EXPECT_EQ(run.out, out_on_input ? "" : expected_banner() + c.message);
    EXPECT_EQ(run.err, out_on_input ? c.message : "");
    EXPECT_EQ(dir.read("in.txt"), "the export\n");
    EXPECT_EQ(dir.read("out.txt"), "an earlier report\n");
    EXPECT_EQ(dir.entries(), entries);
  }
}

// Where the file system takes names that differ in case (or in the Unicode
// spelling of an accent) for one file, as Windows does and macOS by default,
// the tool takes them so too; where it does not, as on Linux, they are
// different files and the run goes ahead.
TEST(FrontEndToEnd, NamesTheFileSystemTakesForOneAreOneFile) {
  struct Case {
    Names args;
    std::string message;  // where the names are one file
  };
  const Case cases[] = {
      {{"-i", "in.txt", "-o", "IN.TXT"}, "Couldn't use IN.TXT as output: it is the input file\n"},
      {{"-i", "\xC3\x9C" "ber.txt", "-o", "\xC3\xBC" "ber.txt"},
       "Couldn't use \xC3\xBC" "ber.txt as output: it is the input file\n"},
      {{"-i", "in.txt", "-o", "out.txt", "-l", "sub/../In.txt"},
       "Couldn't use sub/../In.txt as log: it is the input file\n"},
      {{"-i", "in.txt", "-o", "Report.txt", "-l", "report.txt"},
       "Couldn't use report.txt as log: it is the output file\n"},
      {{"-i", "in.txt", "-o", "sub/New.txt", "-l", "sub/new.TXT"},
       "Couldn't use sub/new.TXT as log: it is the output file\n"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string export_text = export_line("A", "1") + "\r\n";
    dir.write(c.args[1], export_text);
    ASSERT_TRUE(dir.make_folder("sub"));
    // The file system's own answer, found the way a user would.
    dir.write("probe.txt", "");
    const bool one_file = dir.exists("PROBE.TXT");
    not_run_here(one_file ? nullptr : "the tests' file system takes names that differ in case for two",
                 "the refusal of " + c.message.substr(0, c.message.size() - 1));
    Names entries = dir.entries();
    RunResult run = run_quorvane_binary(dir.root(), c.args);
    EXPECT_EQ(dir.read(c.args[1]), export_text) << c.message;
    if (one_file) {
      EXPECT_EQ(run.status, 255) << c.message;
      EXPECT_EQ(run.out, expected_banner() + c.message);
      EXPECT_EQ(dir.entries(), entries) << "the run made or left a file";
    } else {
      // Report and log are files of their own.
      const std::string log = c.args.size() > 5 ? c.args[5] : "Quorvane.log";
      EXPECT_EQ(run.status, 0) << c.message;
      EXPECT_EQ(mask_date_line(dir.read(c.args[3])).substr(0, 6), "<date>");
      EXPECT_EQ(dir.read(log).substr(0, 10), "Searching ");
    }
  }
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

// Long names and names in any language (UTF-8 on the command line) are used
// whole, and echoed in UTF-8 on the console and in the log.
TEST(FrontEndToEnd, NamesAreUsedWholeInAnyLanguage) {
  const std::string names[] = {
      std::string(150, 'n') + ".txt",
      "Sammlung_\xC3\x9C" "bersicht_\xCE\xA3_\xE6\x97\xA5\xE6\x9C\xAC.txt",
  };
  for (const std::string& name : names) {
    TempDir dir;
    dir.write(name, export_line("A", "1") + "\n");
    RunResult run = run_quorvane_binary(dir.root(), {"-i", name, "-o", "o" + name, "-l", "l" + name});
    const std::string console = searching(name) + "Processing A\n" + kSuccessLine;
    EXPECT_EQ(run.status, 0) << name;
    EXPECT_EQ(run.out, expected_banner() + console);
    EXPECT_EQ(dir.read("l" + name), crlf(console));
    EXPECT_EQ(mask_date_line(dir.read("o" + name)),
              kMaskedReportHead + "A\tPub (1990)\t1\t$3.00\tnote\r\n");
    Names made{name, "l" + name, "o" + name};
    std::sort(made.begin(), made.end());
    EXPECT_EQ(dir.entries(), made);
  }
}

// QUORVANE_SCAN_PATH: each path the processor runs gives the default run's
// console, log and report; an unknown name, or a path the processor cannot
// run, stops the tool with one line on standard error before its banner and
// before it touches a file.
TEST(FrontEndToEnd, ScanPathVariablePicksAPathOrStopsFirst) {
  const std::string sample = read_file(QUORVANE_SOURCE_DIR "/examples/sample_export.txt");
  auto run_with = [&sample](const std::string& scan_path) {
    TempDir dir;
    dir.write("in.txt", sample);
    ChildSetup setup;
    setup.environment = {{"QUORVANE_SCAN_PATH", scan_path}};
    ExportRun outcome;
    outcome.run =
        run_quorvane_binary(dir.root(), {"-i", "in.txt", "-o", "out.txt", "-n", "TPB"}, setup);
    outcome.log = dir.read("Quorvane.log");
    outcome.report = mask_date_line(dir.read("out.txt"));
    outcome.entries = dir.entries();
    return outcome;
  };
  const ExportRun by_default = run_with("");  // an empty variable counts as none
  EXPECT_EQ(by_default.run.status, 0);
  EXPECT_EQ(by_default.report,
            mask_date_line(read_file(QUORVANE_SOURCE_DIR "/examples/sample_report.txt")));
  std::vector<std::pair<std::string, std::string>> rows{
      {"altivec", "Unknown scan path altivec in QUORVANE_SCAN_PATH\n"},
      {"SSE2", "Unknown scan path SSE2 in QUORVANE_SCAN_PATH\n"}};
  for (ScanPath path : kScanPaths) {
    const std::string name = scan_path_name(path);
    rows.push_back(
        {name, scan_path_runs(path) ? "" : "This processor cannot run scan path " + name + "\n"});
  }
  for (const auto& [value, message] : rows) {
    const ExportRun outcome = run_with(value);
    if (message.empty()) {
      EXPECT_EQ(outcome.run.status, 0) << value;
      EXPECT_EQ(outcome.run.err, "") << value;
      EXPECT_EQ(outcome.run.out, by_default.run.out) << value;
      EXPECT_EQ(outcome.log, by_default.log) << value;
      EXPECT_EQ(outcome.report, by_default.report) << value;
      EXPECT_EQ(outcome.entries, by_default.entries) << value;
    } else {
      EXPECT_EQ(outcome.run.status, 255) << value;
      EXPECT_EQ(outcome.run.err, message);
      EXPECT_EQ(outcome.run.out, "") << value;
      EXPECT_EQ(outcome.entries, Names{"in.txt"}) << value;
    }
  }
}

TEST(FrontEndToEnd, IdentificationStringsAreInTheExecutable) {
  const std::string binary = program_bytes();
  EXPECT_NE(binary.find("@(#)@(#)Quorvane Version 1.0.0\n@(#)"), std::string::npos);
  std::regex build_date("@\\(#\\)Build date: [A-Z][a-z]{2} [0-9]{1,2} [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}\n");
  EXPECT_TRUE(std::regex_search(binary, build_date));
  EXPECT_NE(binary.find("OF THE POSSIBILITY OF SUCH DAMAGE.\n@(#)\n"), std::string::npos);
}

}  // namespace

// Runs of the real executable traced by strace, where the machine has it:
// the order in which the report and the log reach the disk and the report
// takes its place. (Faults are rows of the system-call fault table.)

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <utility>

#include "export_lines.h"
#include "run_binary.h"

namespace {

// What a traced run did to its files, a call each, in order: "sync NAME",
// "rename FROM TO", "fchmod NAME", with temporary files as ".quorvane-*" and
// the run's folder as "<folder>".
Names calls_in_trace(const std::string& trace, const std::string& folder) {
  static const std::regex kCall(R"(^\d+\s+(\w+)\((.*)\) += -?\d+)");
  static const std::regex kName(R"(<([^>]*)>|"([^"]*)\")");
  // The folder a call is made relative to names no file of the call.
  static const std::regex kRelativeTo(R"((AT_FDCWD|\b\d+)<[^>]*>, )");
  Names calls;
  std::istringstream lines(trace);
  for (std::string line; std::getline(lines, line);) {
    std::smatch call;
    if (!std::regex_search(line, call, kCall)) continue;
    std::string name = call[1];
    if (name == "fsync" || name == "fdatasync") name = "sync";
    if (name.compare(0, 6, "rename") == 0) name = "rename";
    const std::string args = name == "rename"
                                 ? std::regex_replace(std::string(call[2]), kRelativeTo, "")
                                 : std::string(call[2]);
    for (std::sregex_iterator at(args.begin(), args.end(), kName), end; at != end; ++at) {
      std::string path = (*at)[1].matched ? (*at)[1] : (*at)[2];
      if (path == folder) {
        path = "<folder>";
      } else {
        path = path.substr(path.rfind('/') + 1);
        if (path.compare(0, 10, ".quorvane-") == 0) path = ".quorvane-*";
      }
      name += " " + path;
    }
    calls.push_back(name);
  }
  return calls;
}

// The report reaches the disk before it takes the earlier one's place, and so
// does the log that says the run succeeded; the folder's new entry after it.
// A report written in place reaches the disk before it is closed.
TEST(TracedEndToEnd, TheReportIsOnTheDiskBeforeItCountsAsWritten) {
  if (why_no_tracer() != nullptr) GTEST_SKIP() << why_no_tracer();
  const std::pair<bool, Names> cases[] = {  // with a second name, and the calls
      {false,
       {"fchmod .quorvane-*", "sync .quorvane-*", "sync Quorvane.log", "rename .quorvane-* out.txt",
        "sync <folder>"}},
      {true, {"sync out.txt", "sync Quorvane.log"}},
  };
  for (const auto& [second_name, calls] : cases) {
    SCOPED_TRACE(second_name ? "with a second name" : "replaced");
    TempDir dir;
    TempDir traces;
    dir.write("in.txt", export_line("A", "1") + "\r\n");
    dir.write("out.txt", "an earlier report\r\n");
    ASSERT_TRUE(!second_name || dir.make_hard_link("out.txt", "copy.txt"));
    ChildSetup setup;
    setup.trace_file = traces.path("trace.txt");
    const RunResult run = run_quorvane_binary(dir.root(), {"-i", "in.txt", "-o", "out.txt"}, setup);
    EXPECT_EQ(calls_in_trace(traces.read("trace.txt"), dir.root()), calls);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, expected_banner() + searching("in.txt") + "Processing A\n" + kSuccessLine);
    EXPECT_EQ(mask_date_line(dir.read("out.txt")),
              kMaskedReportHead + "A\tPub (1990)\t1\t$3.00\tnote\r\n");
  }
}

}  // namespace

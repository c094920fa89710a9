// Runs of the test-only build of the tool with system calls of placement and
// of the log failing on purpose, a row each (QUORVANE_FAIL_CALL, see
// tests/fault_injection_main.cpp): the same rows on every system, skipped
// where the system makes no such call. Every failure ends the run with its
// message and status, or the run goes on where the failure does not matter;
// the export is never touched, an earlier report stays unless the run says
// it took its place, and no temporary file is left behind unless the system
// would not remove it.

#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <string>

#include "export_lines.h"
#include "platform/system_calls.h"
#include "run_binary.h"

namespace {

// How a run ends.
enum class Ending {
  kReplaced,      // succeeds, the report a new file in the earlier one's place
  kInPlace,       // succeeds, the report written into the earlier one
  kNoOutput,      // "Couldn't open output", before anything is made
  kNoLog,         // "Couldn't open log", before anything is made
  kLogInUse,      // another run holds the log
  kReportInUse,   // another run holds the report written in place
  kWriteFailed,   // "Couldn't write output file", the earlier report kept
  kLogFailed,     // "Couldn't write log file", the earlier report kept
  kLogLost,       // "Couldn't write log file" once the report stands in its place
  kInterrupted,   // a signal: the temporary removed, the earlier report kept
  kLateSignal,    // a signal once the report stands in its place: the log says so
  kLeftBehind,    // as kWriteFailed, but the temporary could not be removed
};

// What is at out.txt before the run.
enum class Earlier {
  kNone,
  kReport,
  kLinked,      // out.txt a link to report.txt
  kSecondName,  // out.txt has the second name copy.txt: written in place
  kForeign,     // out.txt another user's: replaced, given that user, by a run permissions do not bind
};

#ifndef SIGHUP
#define SIGHUP 0  // no row with it runs here
#endif

TEST(SystemCallFaultsEndToEnd, EveryFailureEndsTheRunCleanly) {
  const std::string text = export_line("A", "1") + "\r\n" + export_line("A", "2") + "\r\n";
  const std::string report =
      kMaskedReportHead + "A\tPub (1990)\t1\t$3.00\tnote\r\nA\tPub (1990)\t2\t$3.00\tnote\r\n";
  // Longer than the report, so that one written in place must be cut.
  const std::string earlier = "an earlier report, " + std::string(400, 'x') + "\r\n";
  const std::string run = searching("in.txt") + "Processing A\n";
  // Rejections enough for a log of megabytes.
  std::string large_text;
  std::string large_run = searching("in.txt") + "Processing V\n";
  for (int n = 1; n <= 40000; ++n) {
    large_text += export_line("V", std::to_string(n) + "/V") + "\r\n";
    large_run += "\tRejecting issue " + std::to_string(n) + "/V (original owned)\n";
  }
  large_text += text;
  large_run += "Processing A\n";
  struct Case {
    const char* fault;
    Earlier before;
    Ending ending;
    int signal = 0;           // the signal of an interrupted run
    bool ignores_interruptions = false;
    bool large = false;       // an export whose log takes megabytes
  };
  const Case cases[] = {
      {"open folder:1:1:EACCES", Earlier::kReport, Ending::kNoOutput},
      {"open folder:2:1:EMFILE", Earlier::kReport, Ending::kNoLog},
      {"open folder:3:1:EIO", Earlier::kReport, Ending::kReplaced},  // the folder's sync
      {"status:1:100:EIO", Earlier::kReport, Ending::kNoOutput},
      {"read link:1:1:EIO", Earlier::kLinked, Ending::kNoOutput},
      {"open:1:1:EACCES", Earlier::kReport, Ending::kNoOutput},
      {"open:1:1:EACCES", Earlier::kNone, Ending::kNoLog},
      {"access:1:1:EIO", Earlier::kReport, Ending::kNoOutput},
      {"access:1:1:EROFS", Earlier::kReport, Ending::kInPlace},
      {"access:1:1:EACCES", Earlier::kNone, Ending::kNoOutput},
      {"lock:1:1:EWOULDBLOCK", Earlier::kReport, Ending::kLogInUse},
      {"lock:1:1:ENOLCK", Earlier::kReport, Ending::kReplaced},
      {"lock:1:1:EWOULDBLOCK", Earlier::kSecondName, Ending::kReportInUse},
      {"truncate:1:1:EIO", Earlier::kReport, Ending::kNoLog},
      {"truncate:3:1:EIO", Earlier::kSecondName, Ending::kWriteFailed},
      {"create:1:1:EEXIST", Earlier::kReport, Ending::kReplaced},  // drawn again
      {"create:1:1:ENOSPC", Earlier::kReport, Ending::kWriteFailed},
      {"create:1:1:EACCES", Earlier::kReport, Ending::kInPlace},  // refused after all
      {"create:1:1:EROFS", Earlier::kNone, Ending::kWriteFailed},
      {"owner:1:1:EPERM", Earlier::kForeign, Ending::kInPlace},
      {"mode:1:1:EPERM", Earlier::kReport, Ending::kInPlace},
      {"mode:1:1:EIO", Earlier::kReport, Ending::kWriteFailed},  // no refusal: kept, not emptied
      {"attributes:1:1:EIO", Earlier::kReport, Ending::kReplaced},  // no access list, then
      {"attributes:2:1:ENOTSUP", Earlier::kReport, Ending::kReplaced},  // none kept there
      {"attributes:2:1:ENOSPC", Earlier::kReport, Ending::kWriteFailed},
      {"write:1:1:EINTR", Earlier::kReport, Ending::kReplaced},  // written again
      {"write:2:1:ENOSPC", Earlier::kReport, Ending::kWriteFailed},
      {"write:4:1:ENOSPC", Earlier::kReport, Ending::kLogFailed},
      {"write back:1:100:EIO", Earlier::kReport, Ending::kReplaced, 0, false, true},  // the sync waits
      {"sync:1:1:EIO", Earlier::kReport, Ending::kWriteFailed},
      {"sync:1:1:EIO", Earlier::kSecondName, Ending::kWriteFailed},
      {"sync:2:1:EIO", Earlier::kReport, Ending::kLogFailed},
      {"sync:3:1:EIO", Earlier::kReport, Ending::kReplaced},  // the folder's: the report stands
      {"close:1:1:EIO", Earlier::kReport, Ending::kReplaced},  // the earlier report's
      {"close:2:1:EIO", Earlier::kReport, Ending::kWriteFailed},
      {"close:3:1:EIO", Earlier::kReport, Ending::kLogLost},
      {"close folder:1:100:EIO", Earlier::kReport, Ending::kReplaced},
      {"rename:1:1:EXDEV", Earlier::kReport, Ending::kWriteFailed},
      {"rename:1:1:EBUSY", Earlier::kNone, Ending::kWriteFailed},
      {"sync:1:1:EIO,remove:1:1:EIO", Earlier::kReport, Ending::kLeftBehind},
      {"sync:1:1:SIGTERM", Earlier::kReport, Ending::kInterrupted, SIGTERM},
      {"write:2:1:SIGINT", Earlier::kReport, Ending::kInterrupted, SIGINT},
      {"rename:1:1:SIGHUP", Earlier::kNone, Ending::kInterrupted, SIGHUP},
      {"sync:3:1:SIGTERM", Earlier::kReport, Ending::kLateSignal, SIGTERM},  // the folder's
      {"sync:1:1:SIGTERM", Earlier::kReport, Ending::kReplaced, 0, true},  // nohup
  };
  std::set<std::string> failed_purposes;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    const char* why = c.before == Earlier::kLinked       ? why_no_symlinks()
                      : c.before == Earlier::kSecondName ? why_no_hard_links()
                      : c.before == Earlier::kForeign    ? why_no_giving_away()
                      : c.signal != 0                    ? why_no_signals()
                      : c.ignores_interruptions          ? why_no_ignored_signals()
                                                         : nullptr;
    if (not_run_here(why, c.fault)) continue;
    TempDir dir;
    dir.write("in.txt", c.large ? large_text : text);
    const std::string target = c.before == Earlier::kLinked ? "report.txt" : "out.txt";
    if (c.before != Earlier::kNone) dir.write(target, earlier);
    ASSERT_TRUE((c.before != Earlier::kLinked || dir.make_symlink("report.txt", "out.txt")) &&
                (c.before != Earlier::kSecondName || dir.make_hard_link("out.txt", "copy.txt")) &&
                (c.before != Earlier::kForeign || give_file(dir.path("out.txt"), kNobody, kNobody)));
    const Names entries = dir.entries();
    const FileId before = id_of(dir.path(target));
    ChildSetup setup;
    setup.faults = true;
    setup.ignores_interruptions = c.ignores_interruptions;
    setup.environment = {{"QUORVANE_FAIL_CALL", c.fault}};
    const RunResult result = run_quorvane_binary(dir.root(), {"-i", "in.txt", "-o", "out.txt"}, setup);
    if (result.status == 99 && not_run_here("this system has no such call or error", c.fault)) continue;
    // Windows, say, syncs no folder: a row for the folder's sync tests nothing there.
    if (result.err.rfind("The run made no ", 0) == 0 &&
        not_run_here("this system makes no such call at that point", c.fault)) {
      continue;
    }
    for (std::string fault = c.fault; !fault.empty();) {
      failed_purposes.insert(fault.substr(0, fault.find(':')));
      fault.erase(0, fault.find(',') == std::string::npos ? fault.size() : fault.find(',') + 1);
    }

    const std::string& logged_before = c.large ? large_run : run;
    std::string console;
    bool logged = true;   // the log holds the console's text
    bool new_report = false;
    switch (c.ending) {
      case Ending::kReplaced:
      case Ending::kInPlace: console = logged_before + kSuccessLine, new_report = true; break;
      case Ending::kNoOutput: console = "Couldn't open output out.txt file\n", logged = false; break;
      case Ending::kNoLog: console = "Couldn't open log Quorvane.log file\n", logged = false; break;
      case Ending::kLogInUse:
        console = "Couldn't use Quorvane.log as log: another run is using it\n", logged = false;
        break;
      case Ending::kReportInUse:
        console = "Couldn't use out.txt as output: another run is using it\n", logged = false;
        break;
      case Ending::kWriteFailed:
      case Ending::kLeftBehind: console = logged_before + "\nCouldn't write output file out.txt; aborting\n"; break;
      case Ending::kLogFailed: console = logged_before + "\nCouldn't write log file Quorvane.log\n", logged = false; break;
      case Ending::kLogLost:
        console = logged_before + "\nCouldn't write log file Quorvane.log\n", logged = false, new_report = true;
        break;
      case Ending::kInterrupted: console = logged_before + "\nRun interrupted; aborting\n"; break;
      case Ending::kLateSignal: console = logged_before, logged = false, new_report = true; break;
    }
    const bool succeeds = c.ending == Ending::kReplaced || c.ending == Ending::kInPlace;
    if (c.ending == Ending::kLateSignal) {
      EXPECT_EQ(dir.read("Quorvane.log"), crlf(console + kSuccessLine));
    }
    EXPECT_EQ(result.status, c.signal != 0 ? interrupted_status(c.signal)
                             : succeeds                        ? 0
                                                               : 255);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, expected_banner() + console);
    if (logged) {
      EXPECT_EQ(dir.read("Quorvane.log"), crlf(console));
    }
    EXPECT_EQ(dir.read("in.txt"), c.large ? large_text : text);
    if (new_report) {
      EXPECT_EQ(mask_date_line(dir.read(target)), report);
    } else if (c.before == Earlier::kSecondName) {
      // A report written in place is as far as the run got with it.
    } else {
      EXPECT_EQ(dir.read(target), c.before == Earlier::kNone ? "<missing>" : earlier);
    }
    if (c.before != Earlier::kNone && new_report) {
      EXPECT_EQ(id_of(dir.path(target)) == before, c.ending == Ending::kInPlace);
    }
    Names after = dir.entries();
    if (c.ending == Ending::kLeftBehind) {
      ASSERT_EQ(after.size(), entries.size() + 2) << "the log and the temporary";
      EXPECT_EQ(after[0].substr(0, 10), ".quorvane-");
      after.erase(after.begin());
    }
    Names expected = entries;
    if (dir.exists("Quorvane.log")) expected.push_back("Quorvane.log");
    if (c.before == Earlier::kNone && new_report) expected.push_back("out.txt");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(after, expected);
  }
  // Every purpose of this system's table has a row that made it fail.
  for (const SystemCall* call = system_calls; call->purpose != nullptr; ++call) {
    EXPECT_EQ(failed_purposes.count(call->purpose), 1u) << "no row fails " << call->purpose;
  }
}

}  // namespace

#ifndef QUORVANE_TESTS_RUN_BINARY_H_
#define QUORVANE_TESTS_RUN_BINARY_H_

#include <string>
#include <vector>

/// What one run of the real executable left behind.
struct RunResult {
  int status = -1;     ///< the exit status as the shell sees it (255 for -1)
  std::string out;     ///< standard output, with the copyright line masked
  std::string err;     ///< standard error
};

/// A fresh directory under the system's temporary directory, removed again
/// when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  /// The absolute path of `name` inside the directory.
  std::string path(const std::string& name) const;
  /// Writes `bytes` to `name`, replacing it.
  void write(const std::string& name, const std::string& bytes) const;
  /// The bytes of `name`; "<missing>" when it does not exist.
  std::string read(const std::string& name) const;
  /// Whether `name` exists.
  bool exists(const std::string& name) const;
  /// The names of the directory's entries, sorted.
  std::vector<std::string> entries() const;

  const std::string& root() const { return root_; }

 private:
  std::string root_;
};

/// The bytes of the file at `path`; "<missing>" when it cannot be opened.
std::string read_file(const std::string& path);

/// What the child of run_quorvane_binary is held to.
struct ChildLimits {
  long long file_size = -1;    ///< RLIMIT_FSIZE in bytes, SIGXFSZ ignored; -1: no limit
  bool file_size_signal = false;  ///< SIGXFSZ left as the shell leaves it (ending the process)
  bool closed_stdout = false;  ///< standard output a pipe nobody reads (out stays "")
  bool closed_streams = false; ///< standard input and output closed, as some schedulers start tools
  bool as_nobody = false;      ///< run as user nobody when the tests run as root, so
                               ///< that file permissions hold (the folder must let nobody in)
  std::string stdout_file;     ///< when given, standard output goes to this file (out stays "")
  int open_files = -1;         ///< RLIMIT_NOFILE, the most descriptors open at once; -1: no limit
};

/// Runs the quorvane executable with `args` in `directory`, standard input
/// closed, under `limits`, and collects its output through pipes (which no
/// file-size limit cuts short).
RunResult run_quorvane_binary(const std::string& directory, const std::vector<std::string>& args,
                              const ChildLimits& limits = {});

/// What a run on an export left: its console and the log and report files.
struct Outcome {
  RunResult run;
  std::string log;     ///< Quorvane.log
  std::string report;  ///< the report with its date line masked
  std::vector<std::string> entries;  ///< the names in the run's folder, sorted
};

/// Runs the tool on `export_text` as in.txt with `-o out.txt` and `extra`
/// options in a fresh directory; checks that the input was left as it was.
Outcome run_on_export(const std::string& export_text, const std::vector<std::string>& extra = {});

/// Checks a successful run: `console` after the banner, the same text in the
/// log with CR LF, `report` (date line masked), and no file in the folder
/// but the export, the report and the log.
void expect_success(const Outcome& outcome, const std::string& console, const std::string& report);

/// The banner the tool prints first, with the copyright line masked.
std::string expected_banner();

/// The usage text the tool prints when run as `program`.
std::string expected_usage(const std::string& program = "quorvane");

/// The announcement that opens the console and the log.
std::string searching(const std::string& input, const std::string& size = "4");

/// The report's header line.
extern const std::string kReportHeader;

/// How every report begins once its date line is masked: the date line, two
/// empty lines and the header.
extern const std::string kMaskedReportHead;

/// The closing line of a successful run.
extern const std::string kSuccessLine;

/// `text` with every "\n" written as CR LF, as the log and report store it.
std::string crlf(const std::string& text);

/// `report` with its date line (which must have the right form) masked as
/// "<date>"; "<bad date line>" in its place when the form is wrong.
std::string mask_date_line(const std::string& report);

#endif  // QUORVANE_TESTS_RUN_BINARY_H_

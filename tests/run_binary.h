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

/// Runs the quorvane executable with `args` in `directory`, standard input
/// closed, and collects its output.
RunResult run_quorvane_binary(const std::string& directory, const std::vector<std::string>& args);

/// The banner the tool prints first, with the copyright line masked.
std::string expected_banner();

/// The usage text for the program name "quorvane".
std::string expected_usage();

/// `text` with every "\n" written as CR LF, as the log and report store it.
std::string crlf(const std::string& text);

/// `report` with its date line (which must have the right form) masked as
/// "<date>"; "<bad date line>" in its place when the form is wrong.
std::string mask_date_line(const std::string& report);

#endif  // QUORVANE_TESTS_RUN_BINARY_H_

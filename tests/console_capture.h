#ifndef QUORVANE_TESTS_CONSOLE_CAPTURE_H_
#define QUORVANE_TESTS_CONSOLE_CAPTURE_H_

#include <cstdio>
#include <string>

/// The program's console text (standard output's and standard error's, as
/// the log module gathers it) while the object lives, in files of its own:
/// the same on every system, under node too, whose standard streams a test
/// cannot take over.
class ConsoleCapture {
 public:
  ConsoleCapture();
  ~ConsoleCapture();
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;

  /// All that standard output got so far; with `flush`, after what is
  /// gathered is handed over.
  std::string out(bool flush = true);
  /// The same of standard error.
  std::string err(bool flush = true);

 private:
  std::FILE* out_;
  std::FILE* err_;
};

/// A new temporary file, open for reading and writing, or null. (The Windows
/// C runtime draws tmpfile's names from a count that every process starts
/// alike, so that tests running side by side can draw the same: it draws
/// again.)
std::FILE* temporary_file();

/// All the bytes of `file`, read from its start.
std::string file_contents(std::FILE* file);

#endif  // QUORVANE_TESTS_CONSOLE_CAPTURE_H_

#ifndef QUORVANE_TESTS_RUN_BINARY_H_
#define QUORVANE_TESTS_RUN_BINARY_H_

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

using Names = std::vector<std::string>;

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
  /// The names of the entries of the directory, or of its folder `folder`, sorted.
  std::vector<std::string> entries(const std::string& folder = "") const;
  /// Makes the folder `name`; false on failure.
  bool make_folder(const std::string& name) const;
  /// Gives the file `existing` the second name `name`; false on failure.
  bool make_hard_link(const std::string& existing, const std::string& name) const;
  /// Makes `name` a symbolic link to `target`; false on failure (see
  /// why_no_symlinks).
  bool make_symlink(const std::string& target, const std::string& name) const;
  /// Takes every write permission from `name` (on Windows: sets its
  /// read-only attribute); false on failure.
  bool make_read_only(const std::string& name) const;

  const std::string& root() const { return root_; }

 private:
  std::string root_;
};

// What this system lets the tests do, each found out once by trying it: the
// reason it does not, or null where it does.
/// Making symbolic links.
const char* why_no_symlinks();
/// Giving a file a second name (a hard link).
const char* why_no_hard_links();
/// Starting the tool with standard streams closed (`setup.closed_streams`),
/// or with a console nobody reads (`setup.closed_stdout`).
const char* why_no_closed_streams();
/// Signals raised in the tool reaching its handlers.
const char* why_no_signals();
/// A device that fails every write as a full disk does (/dev/full).
const char* why_no_full_device();
/// Holding a run to a file size (`setup.file_size`), past which writes fail.
const char* why_no_file_size_limit();
/// A file that opens but fails on reading (/proc/self/mem).
const char* why_no_unreadable_file();
/// Files whose permissions hold this process back (as they do not hold root).
const char* why_permissions_do_not_bind();
/// Whether this process is kept out of a file of mode 000 (POSIX systems).
bool kept_out_of_locked_file();
/// Runs with `as_nobody` that a file's permissions hold back.
const char* why_no_bound_run();
/// Runs with `as_nobody` as another user than the owner of the tests' files.
const char* why_no_other_user();
/// Giving a file to another user (give_file), as only a privileged run may.
const char* why_no_giving_away();
/// Files with access-control lists (see give_access_list).
const char* why_no_access_lists();
/// Mounting a file over another in a mount namespace of its own.
const char* why_no_bind_mount();
/// Tracing the tool's system calls.
const char* why_no_tracer();
/// Starting the tool with interruptions ignored, as nohup does
/// (`setup.ignores_interruptions`).
const char* why_no_ignored_signals();

/// The exit status of a run that the signal `signal_number` ended.
int interrupted_status(int signal_number);

/// Says, where `why` is a reason, that the case `what` is not run here; true then.
bool not_run_here(const char* why, const std::string& what);

/// Why files have no permission bits, owner and group that the tests can set
/// here; null where they have.
extern const char* const kNoPermissionBits;

/// Whether the system takes ".." away from a relative name's text before it
/// looks for its folders (Windows, and the web's runtime), so that
/// "typo/../x" is "x" even where there is no folder "typo".
extern const bool kRelativeNamesLoseDots;

/// The name of the device that takes anything written to it.
extern const char* const kNullDevice;

/// The names under which standard output and standard error are files; null
/// where they have none.
extern const char* const kStandardOutputName;
extern const char* const kStandardErrorName;

/// The console's text as the tool meant it, from what it wrote to a file or
/// a pipe: Windows writes each "\n" as CR LF there (a bare LF then shows as
/// "<LF without CR>").
std::string console_text(const std::string& written);

/// Why a run cannot be held to a few open files here; null where it can.
extern const char* const kNoDescriptorLimit;

/// The user that owns no file of the tests.
constexpr long kNobody = 65534;

/// The permission bits of `path`, links followed; -1 when there are none.
int mode_of(const std::string& path);
/// Sets the permission bits of `path`; false on failure.
bool set_mode(const std::string& path, int mode);
/// The owner of `path`, links followed; -1 when there is none.
long owner_of(const std::string& path);
/// The group of `path`, links followed; -1 when there is none.
long group_of(const std::string& path);
/// Gives `path` to `user` and `group`; false on failure.
bool give_file(const std::string& path, long user, long group);
/// The identity of `path`, links followed: its device and inode, or the like.
FileId id_of(const std::string& path);

/// Gives `path` an access-control list that lets user nobody read it, beyond
/// its permission bits (with `inherited`, the folder `path` the same list for
/// the files made in it); false where the file system keeps no such lists.
bool give_access_list(const std::string& path, bool inherited = false);
/// Whether `path` carries an access-control list beyond its permission bits.
bool carries_access_list(const std::string& path);
/// The access-control list of `path` as the system stores it; "" for none.
std::string access_list_of(const std::string& path);

/// Files with extended attributes of a user's own (see give_attribute).
const char* why_no_extended_attributes();
/// Gives `path` the extended attribute `name` (such as "user.note"); false
/// where it cannot.
bool give_attribute(const std::string& path, const std::string& name, const std::string& value);
/// The value of `path`'s extended attribute `name`; "<none>" without one.
std::string attribute_of(const std::string& path, const std::string& name);

/// A stream open for reading on which every read fails: a directory's.
std::FILE* open_unreadable_stream();

/// Why no program can hold a file against others opening or deleting it
/// here; null where one can (Windows).
extern const char* const kNoHeldFiles;

/// What a held file lets others do with it.
enum class Sharing { kNothing, kAllButDeleting };

/// An existing file held open by this process, as another program would hold
/// it, for reading and writing, letting others at it only as `sharing` says;
/// closed when the object goes. Holds nothing where kNoHeldFiles says why.
class HeldFile {
 public:
  HeldFile(const std::string& path, Sharing sharing);
  ~HeldFile();
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

  bool held() const;

 private:
  [[maybe_unused]] void* handle_;  // a Windows handle; unused elsewhere
};

/// The tool's program as the system runs it (the WebAssembly within the web
/// system's JavaScript file).
std::string program_bytes();

/// Files in folders deeper than the system's longest path, reached by short
/// names from where the tool runs.
extern const char* const kNoDeepFolders;

/// Locks that one process's file keeps against another's (see lock_file).
const char* why_no_locks();

/// The bytes of the file at `path`; "<missing>" when it cannot be opened.
std::string read_file(const std::string& path);

/// `out` with the banner's fourth line, its free-worded copyright line,
/// masked as "<copyright>".
std::string mask_copyright(const std::string& out);

/// How the child of run_quorvane_binary is started: its limits, where its
/// standard streams go, who it runs as, whether it is traced, which build of
/// the tool it is and what its environment holds.
struct ChildSetup {
  long long file_size = -1;    ///< RLIMIT_FSIZE in bytes, SIGXFSZ as shells leave it; -1: no
                               ///< limit (POSIX only)
  bool closed_stdout = false;  ///< standard output a pipe nobody reads (out stays "")
  int closed_streams = 0;      ///< how many standard streams are closed, from standard input on
                               ///< (2: input and output, as some schedulers start tools)
  bool as_nobody = false;      ///< run as user nobody where permissions do not bind the
                               ///< tests' user (root), so that they hold (the folder must let
                               ///< nobody in; see why_no_bound_run)
  std::string stdout_file;     ///< when given, standard output goes to this file (out stays "")
  std::string stderr_file;     ///< when given, standard error goes to this file (err stays "")
  bool appends = false;        ///< those files are written at their end, as `>>` does
  int umask = -1;              ///< the umask the tool starts with; -1: this process's (POSIX only)
  bool ignores_interruptions = false;  ///< SIGINT, SIGTERM and SIGHUP ignored, as nohup leaves them
  int open_files = -1;         ///< RLIMIT_NOFILE, the most descriptors open at once; -1: no
                               ///< limit (POSIX only)
  /// Files mounted over others for the run, as source and target, in a
  /// mount namespace of its own (see why_no_bind_mount); a source of "ro"
  /// mounts the target read-only on itself.
  std::vector<std::pair<std::string, std::string>> bind_mounts;
  /// When given, the tool runs traced (see why_no_tracer), and its syncs,
  /// renames and changes of owner and mode are written to this file, a line
  /// each.
  std::string trace_file;
  /// Runs the test-only build of the tool that makes allocations
  /// (QUORVANE_FAIL_ALLOCATION) or a system call (QUORVANE_FAIL_CALL) fail,
  /// as `environment` says.
  bool faults = false;
  /// Variables set in the child's environment, as name and value.
  std::vector<std::pair<std::string, std::string>> environment;
};

/// Runs the quorvane executable with `args` in `directory`, standard input
/// on the null device, set up as `setup` says, and collects its output through pipes (which no
/// file-size limit cuts short). On Windows the console's CR LF line ends are
/// given back as "\n" (a bare LF shows as "<LF without CR>").
RunResult run_quorvane_binary(const std::string& directory, const std::vector<std::string>& args,
                              const ChildSetup& setup = {});

/// What a run on an export left: its console and the log and report files.
struct ExportRun {
  RunResult run;
  std::string log;     ///< Quorvane.log
  std::string report;  ///< the report with its date line masked
  std::vector<std::string> entries;  ///< the names in the run's folder, sorted
};

/// Runs the tool on `export_text` as in.txt with `-o out.txt` and `extra`
/// options in a fresh directory; checks that the input was left as it was.
ExportRun run_on_export(const std::string& export_text, const std::vector<std::string>& extra = {});

/// Checks a successful run: `console` after the banner, the same text in the
/// log with CR LF, `report` (date line masked), and no file in the folder
/// but the export, the report and the log.
void expect_success(const ExportRun& outcome, const std::string& console, const std::string& report);

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

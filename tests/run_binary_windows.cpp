// The end-to-end runner on Windows: CreateProcessW with a pipe for each
// output stream, each drained by a thread of its own so that neither can fill
// up and stall the tool.

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "platform/platform.h"
#include "run_binary.h"

namespace {

// UTF-8 to UTF-16, as the tool itself turns names into paths.
std::wstring to_utf16(const std::string& text) { return std::filesystem::u8path(text).wstring(); }

// One argument as the C runtime splits a command line: quoted when it holds
// blanks or quotes or is empty, backslashes doubled before a quote.
std::wstring quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring text = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    text.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    text += c;
  }
  text.append(2 * backslashes, L'\\');
  return text + L"\"";
}

// Reads `pipe` to its end into `sink`, then closes it.
void drain(HANDLE pipe, std::string* sink) {
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) sink->append(buffer, got);
  CloseHandle(pipe);
}

// A pipe whose read end stays with this process and whose write end the
// child inherits.
bool make_pipe(HANDLE* read_end, HANDLE* write_end) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  if (!CreatePipe(read_end, write_end, &inherit, 0)) return false;
  SetHandleInformation(*read_end, HANDLE_FLAG_INHERIT, 0);
  return true;
}

}  // namespace

// The tool's standard streams are in text mode, which writes every "\n" as
// CR LF. A bare LF would mean a stream left in binary mode, and is marked so
// that no comparison overlooks it.
std::string console_text(const std::string& text) {
  std::string plain;
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (text[k] == '\r' && k + 1 < text.size() && text[k + 1] == '\n') continue;
    if (text[k] == '\n' && (k == 0 || text[k - 1] != '\r')) plain += "<LF without CR>";
    plain += text[k];
  }
  return plain;
}

const char* const kNoHeldFiles = nullptr;

HeldFile::HeldFile(const std::string& path, Sharing sharing)
    : handle_(CreateFileW(to_utf16(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                          sharing == Sharing::kNothing ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}

HeldFile::~HeldFile() {
  if (held()) CloseHandle(handle_);
}

bool HeldFile::held() const { return handle_ != INVALID_HANDLE_VALUE; }

std::FILE* open_unreadable_stream() {
  // The C runtime opens no directory; the system does, given backup semantics.
  HANDLE directory = CreateFileW(L"C:\\", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (directory == INVALID_HANDLE_VALUE) return nullptr;
  int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(directory), _O_RDONLY | _O_BINARY);
  if (descriptor < 0) {
    CloseHandle(directory);
    return nullptr;
  }
  std::FILE* stream = _fdopen(descriptor, "rb");
  if (stream == nullptr) _close(descriptor);
  return stream;
}

const char* const kNoPermissionBits =
    "Windows keeps no permission bits, owner or group that the tests can set";
const char* const kNullDevice = "NUL";
const bool kRelativeNamesLoseDots = true;
const char* const kNoDeepFolders = nullptr;
const char* const kStandardOutputName = nullptr;
const char* const kStandardErrorName = nullptr;
const char* const kNoDescriptorLimit = "Windows sets no limit on a process's open files";
int mode_of(const std::string&) { return -1; }
long owner_of(const std::string&) { return -1; }
bool set_mode(const std::string&, int) { return false; }
long group_of(const std::string&) { return -1; }
bool give_file(const std::string&, long, long) { return false; }
bool give_access_list(const std::string&, bool) { return false; }
bool carries_access_list(const std::string&) { return false; }
std::string access_list_of(const std::string&) { return ""; }
const char* why_no_extended_attributes() {
  return "Windows keeps named streams, which ReplaceFileW carries over, rather than attributes";
}
bool give_attribute(const std::string&, const std::string&, const std::string&) { return false; }
std::string attribute_of(const std::string&, const std::string&) { return "<none>"; }

const char* why_no_bind_mount() { return "Windows mounts no file over another"; }
const char* why_no_full_device() { return "Windows has no device that fails writes as a full disk"; }
const char* why_no_file_size_limit() { return "Windows sets no file-size limit for a process"; }
const char* why_no_unreadable_file() {
  return "Windows has no file that opens but fails on reading (and Wine enforces no byte-range lock)";
}

// The read-only attribute holds every user back, the administrator included;
// the run needs no other user for that.
const char* why_permissions_do_not_bind() { return nullptr; }
const char* why_no_bound_run() { return why_permissions_do_not_bind(); }

std::string program_bytes() { return read_file(QUORVANE_BINARY); }

const char* why_no_ignored_signals() { return "Windows starts no program with signals ignored"; }
const char* why_no_closed_streams() { return nullptr; }
const char* why_no_signals() { return nullptr; }

// A signal raised in a Windows program ends it as exit(3) would.
int interrupted_status(int) { return 3; }

const char* why_no_tracer() { return "the tests trace system calls with strace, which Windows lacks"; }

RunResult run_quorvane_binary(const std::string& directory, const std::vector<std::string>& args,
                              const ChildSetup& setup) {
  RunResult result;
  // as_nobody needs nothing here (see why_permissions_do_not_bind).
  if (setup.file_size >= 0 || setup.open_files >= 0 ||
      !setup.bind_mounts.empty() || !setup.trace_file.empty() || setup.umask >= 0 ||
      setup.ignores_interruptions) {
    ADD_FAILURE() << "Windows has no file-size or open-file limit, mount, tracer, umask or "
                     "ignored signals for a process";
    return result;
  }
  HANDLE out_read, out_write, err_read, err_write;
  if (!make_pipe(&out_read, &out_write)) return result;
  if (!make_pipe(&err_read, &err_write)) {
    CloseHandle(out_read);
    CloseHandle(out_write);
    return result;
  }
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE null_input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inherit, OPEN_EXISTING, 0, nullptr);
  HANDLE child_output = out_write;
  // Appending, as `>>` does, writes at the end whatever the file's offset.
  auto open_redirection = [&](const std::string& name) {
    return CreateFileW(to_utf16(directory + "/" + name).c_str(),
                       setup.appends ? FILE_APPEND_DATA : GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       setup.appends ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  if (!setup.stdout_file.empty()) child_output = open_redirection(setup.stdout_file);
  HANDLE child_error = err_write;
  if (!setup.stderr_file.empty()) child_error = open_redirection(setup.stderr_file);
  if (setup.closed_stdout) {
    // Every write to standard output then meets a pipe without a reader.
    HANDLE dead_read;
    if (make_pipe(&dead_read, &child_output)) CloseHandle(dead_read);
  }

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  // A program started without standard input and output gets null handles.
  startup.hStdInput = setup.closed_streams >= 1 ? nullptr : null_input;
  startup.hStdOutput = setup.closed_streams >= 2 ? nullptr : child_output;
  startup.hStdError = setup.closed_streams >= 3 ? nullptr : child_error;

  std::wstring command_line = L"quorvane";
  for (const std::string& arg : args) command_line += L" " + quoted(to_utf16(arg));
  const std::wstring program =
      to_utf16(setup.faults ? QUORVANE_FAULTS_BINARY : QUORVANE_BINARY);
  const std::wstring folder = to_utf16(directory);
  // The child inherits this process's environment, set for it and put back
  // after: each test runs in a process of its own, one run at a time.
  for (const auto& variable : setup.environment) {
    SetEnvironmentVariableW(to_utf16(variable.first).c_str(), to_utf16(variable.second).c_str());
  }
  PROCESS_INFORMATION process{};
  const bool started = CreateProcessW(program.c_str(), &command_line[0], nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, folder.c_str(), &startup,
                                      &process);
  for (const auto& variable : setup.environment) {
    SetEnvironmentVariableW(to_utf16(variable.first).c_str(), nullptr);
  }
  // Only the child may hold the write ends now, so that the pipes end with it.
  CloseHandle(out_write);
  CloseHandle(err_write);
  if (child_output != out_write) CloseHandle(child_output);
  if (child_error != err_write) CloseHandle(child_error);
  CloseHandle(null_input);
  std::string out;
  std::thread out_reader(drain, out_read, &out);
  std::thread err_reader(drain, err_read, &result.err);
  if (started) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.status = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  } else {
    ADD_FAILURE() << "CreateProcessW failed with error " << GetLastError();
  }
  out_reader.join();
  err_reader.join();
  result.out = mask_copyright(console_text(out));
  result.err = console_text(result.err);
  return result;
}

// What the process asks of Windows: its standard streams, its console and
// arguments in UTF-8, interruptions from the console, the local time. File
// names travel through the program as UTF-8 and reach the system as UTF-16,
// through the wide-character calls, so that a name in any language opens
// whatever the machine's code page.

#include <fcntl.h>
#include <io.h>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/interruption.h"
#include "platform/windows.h"

std::wstring to_utf16(const std::string& text) {
  if (text.empty()) return {};
  int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                   nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string to_utf8(const wchar_t* wide) {
  int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return {};
  std::string text(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, &text[0], length, nullptr, nullptr);
  text.pop_back();  // the terminating NUL
  return text;
}

void prepare_process() {
  // A write that cannot be done fails on Windows, with no signal; new files
  // take their access rights from their folder.
  for (int descriptor = 0; descriptor <= 2; ++descriptor) {
    if (_get_osfhandle(descriptor) != -1) continue;
    int null = _open("NUL", descriptor == 0 ? _O_RDONLY : _O_WRONLY);
    if (null >= 0 && null != descriptor) {
      _dup2(null, descriptor);
      _close(null);
    }
  }
}

namespace {

UINT console_code_page_at_start = 0;

void restore_console_code_page() {
  if (console_code_page_at_start != 0) SetConsoleOutputCP(console_code_page_at_start);
}

HANDLE main_thread = nullptr;

// Ctrl-C, Ctrl-Break and closing the console window come on a thread of
// their own: the run's thread is stopped where it is, the cleanup done, and
// the process ended as the console would have ended it.
BOOL WINAPI on_console_event(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  if (main_thread != nullptr) SuspendThread(main_thread);
  writing_past_the_runtime = true;
  if (interruption_cleanup != nullptr) interruption_cleanup();
  restore_console_code_page();
  TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
  return TRUE;
}

}  // namespace

void catch_interruptions(void (*cleanup)()) {
  interruption_cleanup = cleanup;
  // The C runtime takes console events for SIGINT once it is asked to; the
  // handler of our own, set after it, comes first and keeps them. A signal
  // raised within the run (std::raise) comes on the run's own thread.
  std::signal(SIGINT, end_interrupted_run);
  std::signal(SIGTERM, end_interrupted_run);
  if (main_thread == nullptr) {
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &main_thread,
                    THREAD_SUSPEND_RESUME, FALSE, 0);
    SetConsoleCtrlHandler(on_console_event, TRUE);
  }
}

void use_utf8_console() {
  // The program writes UTF-8; a console shows it as such only in code page
  // 65001. The console's own code page is given back at exit, since it
  // outlives the run (cmd.exe would show its later output in UTF-8 too).
  DWORD mode;
  if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) return;
  const UINT at_start = GetConsoleOutputCP();
  if (at_start == CP_UTF8 || !SetConsoleOutputCP(CP_UTF8)) return;
  console_code_page_at_start = at_start;
  std::atexit(restore_console_code_page);
}

void use_utf8_arguments(int* argc, char*** argv) {
  // The manifest makes the C runtime's arguments UTF-8 on Windows 10 1903 and
  // later; elsewhere they come in the machine's code page, which cannot hold
  // every name. The command line in UTF-16 holds them all.
  if (GetACP() == CP_UTF8) return;
  int count = 0;
  // Given back to the system however the conversion ends.
  std::unique_ptr<wchar_t*, decltype(&LocalFree)> wide(
      CommandLineToArgvW(GetCommandLineW(), &count), LocalFree);
  if (wide == nullptr) return;
  // Kept for the whole run, as the runtime keeps its own argv.
  static std::vector<std::string> texts;
  static std::vector<char*> pointers;
  texts.clear();
  for (int k = 0; k < count; ++k) texts.push_back(to_utf8(wide.get()[k]));
  pointers.clear();
  for (std::string& text : texts) pointers.push_back(&text[0]);
  pointers.push_back(nullptr);
  *argc = count;
  *argv = pointers.data();
}

bool local_time(std::time_t when, std::tm* out) { return localtime_s(out, &when) == 0; }

void advise_large_pages(void*, std::size_t) {
  // Large pages need a privilege that a collector's account does not have.
}

// A console tool shows no progress: its messages are its progress.
void show_progress(Progress, std::uint64_t, std::uint64_t) {}

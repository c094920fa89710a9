// libFuzzer target for the command line: the option parser over an argument
// vector, optlist and long-option table all made from the input, then
// parse_options over the same vector.
//
// Input layout: byte 0 holds flags (see below); the rest is cut at NUL bytes
// into elements. The first element is the optlist, the next ones (as many as
// the flags say) are long options (their first byte chooses has_arg, the
// flag target and the value; the rest is the name), and what is left is argv,
// program name first. Every element gets an allocation of its exact size, so
// that AddressSanitizer sees any read past an element's NUL.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "front/getopt.h"
#include "front/options.h"
#include "base/process_state.h"

namespace {

constexpr std::size_t kMaxElements = 64;
constexpr std::size_t kMaxLongOptions = 7;

enum Flags : unsigned {
  kOptErr = 1u << 0,
  kNullOptlist = 1u << 1,
  kNullLongTable = 1u << 2,
  kNullLongIndex = 1u << 3,
  kNullArgv = 1u << 7,
};

using Element = std::unique_ptr<char[]>;

Element make_element(const std::uint8_t* data, std::size_t size) {
  Element element(new char[size + 1]);
  if (size > 0) std::memcpy(element.get(), data, size);
  element[size] = '\0';
  return element;
}

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "command_line_fuzzer: invariant broken: %s\n", what);
  std::abort();
}

void check(bool holds, const char* what) {
  if (!holds) fail(what);
}

// Whether `p` points into one of the argv elements, their NULs included.
bool points_into_argv(const char* p, int argc, char* const* argv) {
  for (int i = 0; i < argc; ++i) {
    if (p >= argv[i] && p <= argv[i] + std::strlen(argv[i])) return true;
  }
  return false;
}

void check_parser_state(int argc, char* const* argv) {
  check(my_optind >= 1 && my_optind <= (argc > 0 ? argc : 1) + 1, "my_optind out of range");
  if (argv == nullptr) return;
  if (my_optarg != nullptr) check(points_into_argv(my_optarg, argc, argv), "my_optarg outside argv");
  if (my_optind < argc) {
    check(my_optpos <= std::strlen(argv[my_optind]), "my_optpos past its element");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The usage text would flood the fuzzer's output: standard output is
  // reopened. The parser's diagnostics are gathered for standard error (the
  // sanitizers' and libFuzzer's own stream) and dropped by the reset after
  // each input, never written.
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned flags = data[0];

  std::vector<Element> elements;
  std::vector<std::size_t> lengths;
  const std::uint8_t* at = data + 1;
  const std::uint8_t* end = data + size;
  const std::size_t limit = 1 + kMaxLongOptions + kMaxElements;
  while (at <= end && elements.size() < limit) {
    const std::uint8_t* nul = static_cast<const std::uint8_t*>(std::memchr(at, 0, end - at));
    const std::uint8_t* stop = nul != nullptr ? nul : end;
    elements.push_back(make_element(at, stop - at));
    lengths.push_back(stop - at);
    at = stop + 1;
  }

  std::size_t next = 0;
  const char* optlist = elements[next++].get();

  // The long-option table, its names pointing into their elements.
  std::size_t long_count = (flags >> 4) & 7u;
  std::vector<long_option> table;
  int flag_targets[kMaxLongOptions] = {};
  for (std::size_t k = 0; k < long_count && next < elements.size(); ++k, ++next) {
    const char* encoded = elements[next].get();
    unsigned char choice = lengths[next] > 0 ? static_cast<unsigned char>(encoded[0]) : 0;
    const char* name = lengths[next] > 0 ? encoded + 1 : encoded;
    int has_arg = static_cast<int>(choice % 5) - 1;  // -1 and 3 are invalid on purpose
    int* target = (choice & 0x80u) != 0 ? &flag_targets[k] : nullptr;
    table.push_back(long_option{name, has_arg, target, static_cast<signed char>(choice)});
  }
  table.push_back(long_option{nullptr, 0, nullptr, 0});

  // argv, terminated by a null pointer as the runtime gives it; a copy of
  // its bytes shows whether anything wrote into it.
  std::vector<char*> argv;
  std::string before;
  for (; next < elements.size(); ++next) {
    argv.push_back(elements[next].get());
    before.append(elements[next].get(), lengths[next] + 1);
  }
  const int argc = static_cast<int>(argv.size());
  std::vector<char*> pointers_before = argv;
  argv.push_back(nullptr);
  char** argv_arg = (flags & kNullArgv) != 0 ? nullptr : argv.data();

  reset_process_state();
  my_opterr = (flags & kOptErr) != 0 ? 1 : 0;
  int long_index = -1;
  // Errors leave the parser where it was, so a caller that carries on
  // would loop: the number of calls is bounded instead.
  const int max_calls = 4 * argc + 8;
  for (int call = 0; call < max_calls; ++call) {
    int result = my_getopt_long(argc, argv_arg, (flags & kNullOptlist) != 0 ? nullptr : optlist,
                                (flags & kNullLongTable) != 0 ? nullptr : table.data(),
                                (flags & kNullLongIndex) != 0 ? nullptr : &long_index);
    check_parser_state(argc, argv_arg);
    check(long_index >= -1 && long_index < static_cast<int>(table.size()) - 1,
          "long index outside the table");
    if (result == -1) break;
  }

  // The program's own parse over the same vector; it always ends, with
  // status 0 or -1 when it stops the run.
  reset_process_state();
  int status = 12345;
  bool go_on = parse_options(argc, argv_arg, &status);
  check(go_on ? status == 12345 : (status == 0 || status == -1), "unexpected exit status");
  if (go_on) check(log_path.size() > 0, "log path empty after a successful parse");
  check_parser_state(argc, argv_arg);

  // Neither parse may have changed the vector or its bytes.
  check(std::equal(pointers_before.begin(), pointers_before.end(), argv.begin()),
        "argv pointers changed");
  std::string after;
  for (int i = 0; i < argc; ++i) after.append(argv[i], std::strlen(argv[i]) + 1);
  check(after == before, "argv bytes changed");

  reset_process_state();
  return 0;
}

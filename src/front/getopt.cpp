#include "front/getopt.h"

#include <cstdio>
#include <cstring>

#include "base/log_message.h"
#include "base/process_state.h"

int my_optind = 1;
unsigned my_optpos = 0;
char* my_optarg = nullptr;
int my_optopt = 0;
int my_opterr = 1;

void my_getopt_reset() {
  my_optind = 1;
  my_optpos = 0;
  my_optarg = nullptr;
  my_optopt = 0;
  my_opterr = 1;
}

namespace {

const StateReset parser_reset(my_getopt_reset);

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Option characters are signed 8-bit values, so bytes above 127 come out
// negative, as in the results and in my_optopt.
int option_char(char c) { return static_cast<int>(static_cast<signed char>(c)); }

// How many arguments the listed character at `entry` takes: 0, 1 (one ':')
// or 2 (two ':', optional). The terminating NUL of optlist is a listed
// character too and takes none; nothing after it is read.
int argument_count(const char* entry) {
  if (*entry == '\0' || entry[1] != ':') return 0;
  return entry[2] == ':' ? 2 : 1;
}

// Ends an option without an argument. A long option always uses up its
// element; a short one only when it was the last character of its cluster.
int finish_without_argument(const char* element, bool is_long, int code) {
  my_optpos += 1;
  if (is_long || my_optpos >= std::strlen(element)) {
    my_optpos = 0;
    my_optind += 1;
    my_optarg = nullptr;
  }
  my_optopt = 0;
  return code;
}

// Takes the argument of an option (required when `required`): glued to a
// short option, after ':' or '=', or from the next element.
int finish_with_argument(int argc, char* const* argv, const char* optlist,
                         bool is_long, bool required, int code) {
  char* element = argv[my_optind];
  char* argument = nullptr;
  char* after = is_long ? nullptr : element + my_optpos + 1;
  if (after != nullptr && (*after == ':' || *after == '=')) {
    argument = after + 1;
    my_optind += 1;
  } else if (after == nullptr || *after == '\0') {
    argument = (my_optind + 1 < argc) ? argv[my_optind + 1] : nullptr;
    my_optind += 2;
  } else {
    argument = after;
    my_optind += 1;
  }
  if (argument != nullptr) {
    while (is_blank(*argument)) ++argument;
  }
  my_optarg = argument;
  // An option with an argument always ends its cluster.
  my_optpos = 0;
  if (required && (argument == nullptr || *argument == '\0')) {
    my_optopt = code;
    if (my_opterr) error_message("my_getopt_long: Missing argument\n");
    return optlist[0] == ':' ? ':' : '?';
  }
  my_optopt = 0;
  return code;
}

// Handles "--name": the whole rest of the element is the name.
int long_option_result(int argc, char* const* argv, const char* optlist,
                       const long_option* long_options, int* long_index,
                       const char* name) {
  if (*name == '\0') {  // the end marker "--"
    my_optind += 1;
    my_optpos = 0;
    return -1;
  }
  int k = 0;
  while (long_options[k].option_name != nullptr &&
         std::strcmp(long_options[k].option_name, name) != 0) {
    ++k;
  }
  const long_option& found = long_options[k];
  if (found.option_name == nullptr) {
    my_optopt = option_char(name[0]);
    if (my_opterr) error_message("my_getopt_long: Invalid long option %s\n", name);
    return '?';
  }
  int code = found.option_value;
  if (found.flag_target != nullptr) {
    *found.flag_target = found.option_value;
    code = 0;
  }
  if (long_index != nullptr) *long_index = k;
  if (found.has_arg < 0 || found.has_arg > 2) {
    my_optopt = code;
    if (my_opterr) {
      error_message("my_getopt_long: Invalid value of has_arg field for %s option\n",
                   found.option_name);
    }
    return '?';
  }
  if (found.has_arg == 0) return finish_without_argument(argv[my_optind], true, code);
  return finish_with_argument(argc, argv, optlist, true, found.has_arg == 1, code);
}

}  // namespace

int my_getopt_long(int argc, char* const* argv, const char* optlist,
                   const long_option* long_options, int* long_index) {
  if (my_optind >= argc) return -1;
  if (optlist == nullptr || argv == nullptr) {
    if (my_opterr) error_message("my_getopt_long: One of optlist or argv is NULL\n");
    my_optopt = 0;
    return '?';
  }
  // A null element can only mean the vector ended early; it ends the options
  // like the end of argv rather than being read.
  const char* element = argv[my_optind];
  if (element == nullptr) return -1;

  if (my_optpos != 0 && my_optpos >= std::strlen(element)) {
    // The cluster position no longer fits its element (the state was changed
    // from outside); never read past the element, go on with the next one.
    my_optpos = 0;
    my_optind += 1;
    return my_getopt_long(argc, argv, optlist, long_options, long_index);
  }

  if (my_optpos == 0) {
    // Blanks before the delimiter are skipped; my_optpos then counts them, so
    // it always indexes the option character itself inside the element.
    unsigned start = 0;
    while (is_blank(element[start])) ++start;
    const char* p = element + start;
    if (*p != '-' && *p != '/') {
      my_optopt = option_char(*p);
      if (my_opterr) error_message("my_getopt_long: Invalid switch delimiter %c\n", *p);
      return '?';
    }
    if (p[0] == '-' && p[1] == '-') {
      if (long_options == nullptr) {  // without a table any "--..." ends the options
        my_optind += 1;
        my_optpos = 0;
        return -1;
      }
      return long_option_result(argc, argv, optlist, long_options, long_index, p + 2);
    }
    my_optpos = start + 1;  // the character after the delimiter (NUL for a lone one)
  }

  const int c = option_char(element[my_optpos]);
  // strchr also finds the terminating NUL, so a lone delimiter yields 0.
  const char* entry = std::strchr(optlist, c);
  if (entry == nullptr) {
    my_optopt = c;
    if (my_opterr) error_message("my_getopt_long: Unrecognized option %c\n", c);
    return '?';
  }
  const int arguments = argument_count(entry);
  if (arguments == 0) return finish_without_argument(element, false, c);
  return finish_with_argument(argc, argv, optlist, false, arguments == 1, c);
}

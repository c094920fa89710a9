#include "front/options.h"

#include <cstdio>

#include "base/log_message.h"
#include "base/numeric_value.h"
#include "front/getopt.h"

// -? is -h by another name, and stays out of the usage. The defaults are
// given as an argument would be, so that a default and an option set a
// setting alike.
const OptionEntry kOptionTable[] = {
    {'?', nullptr, nullptr, {nullptr, nullptr}, nullptr},
    {'h', "help", nullptr, {"Print Help information", nullptr}, nullptr},
    {'i', "input", "input file", {"File to parse for missing issue holes", nullptr}, nullptr},
    {'o', "output", "output file", {"File to contain the filtered output", nullptr}, nullptr},
    {'s', "hole", "hole size",
     {"Size of the hole to capture", "If hole size is < size, keep the hole"}, "4"},
    {'n', "ignore", "book type",
     {"Don't include this type in the output", "<book type> must match those given in ComicBase"},
     nullptr},
    {'l', "log", "log file", {"Name of the log file to store output", nullptr}, "Quorvane.log"},
};
const std::size_t kOptionCount = sizeof kOptionTable / sizeof kOptionTable[0];

namespace {

// The usage's descriptions begin after this many characters.
const int kDescriptionColumn = 31;

// The leading ':' makes the parser report a missing argument as ':', which
// is ignored, rather than as '?', which ends the run. `optlist` holds
// 2 * kOptionCount + 2 bytes.
void make_optlist(char* optlist) {
  std::size_t n = 0;
  optlist[n++] = ':';
  for (const OptionEntry& option : kOptionTable) {
    optlist[n++] = option.letter;
    if (option.argument != nullptr) optlist[n++] = ':';
  }
  optlist[n] = '\0';
}

// `long_options` holds kOptionCount + 1 records.
void make_long_options(long_option* long_options) {
  std::size_t n = 0;
  for (const OptionEntry& option : kOptionTable) {
    if (option.long_name == nullptr) continue;
    long_options[n++] = long_option{option.long_name, option.argument != nullptr ? 1 : 0, nullptr,
                                    option.letter};
  }
  long_options[n] = long_option{nullptr, 0, nullptr, 0};
}

// Gives the setting of the option `letter` the value `argument`; false when
// the letter has no setting.
bool set_option(int letter, const char* argument) {
  switch (letter) {
    case 'i':
      input_path = argument;
      return true;
    case 'o':
      output_path = argument;
      return true;
    case 'l':
      log_path = argument;
      return true;
    case 's':
      size_limit = numeric_value(argument);  // saturates beyond the int range
      return true;
    case 'n':
      ignore_types.push_back(argument);
      return true;
    default:
      return false;
  }
}

// The option's lines of the usage: the option column, padded to where the
// descriptions begin, then each further line of description and the default
// beneath.
void print_option_usage(const OptionEntry& option) {
  if (option.description[0] == nullptr) return;
  const bool takes_argument = option.argument != nullptr;
  char column[64];
  std::snprintf(column, sizeof column, "  -%c  --%s%s%s%s", option.letter,
                option.long_name != nullptr ? option.long_name : "",
                takes_argument ? " <" : "", takes_argument ? option.argument : "",
                takes_argument ? ">" : "");
  log_message("%-*s%s\n", kDescriptionColumn, column, option.description[0]);
  if (option.description[1] != nullptr) {
    log_message("%*s%s\n", kDescriptionColumn, "", option.description[1]);
  }
  if (option.default_value != nullptr) {
    log_message("%*sDefault is %s\n", kDescriptionColumn, "", option.default_value);
  }
}

// The argument of the option `letter` just parsed: the parser's, or null for
// an option that takes none (the parser leaves an earlier option's argument
// in my_optarg within a cluster such as "-i in.txt -xh").
const char* argument_of(int letter) {
  for (const OptionEntry& option : kOptionTable) {
    if (option.letter == letter) return option.argument != nullptr ? my_optarg : nullptr;
  }
  return nullptr;
}

bool end_run(const char* program_name, int status, int* exit_status) {
  print_usage(program_name);
  if (exit_status != nullptr) *exit_status = status;
  return false;
}

}  // namespace

// The options that take an argument come first, help last.
void print_usage(const char* program_name) {
  log_message("%s [options]\n", program_name != nullptr ? program_name : "");
  for (const OptionEntry& option : kOptionTable) {
    if (option.argument != nullptr) print_option_usage(option);
  }
  for (const OptionEntry& option : kOptionTable) {
    if (option.argument == nullptr) print_option_usage(option);
  }
}

bool parse_options(int argc, char** argv, int* exit_status) {
  for (const OptionEntry& option : kOptionTable) {
    if (option.default_value != nullptr) set_option(option.letter, option.default_value);
  }
  char optlist[2 * kOptionCount + 2];
  make_optlist(optlist);
  long_option long_options[kOptionCount + 1];
  make_long_options(long_options);
  const char* program_name = (argv != nullptr && argc > 0) ? argv[0] : nullptr;

  for (;;) {
    const int index_before = my_optind;
    const unsigned pos_before = my_optpos;
    const int result = my_getopt_long(argc, argv, optlist, long_options, nullptr);
    switch (result) {
      case -1:
        return true;
      case 'h':
        return end_run(program_name, 0, exit_status);
      case '?': {
        // The listed option -? comes back clean and moves the parser on;
        // every error either names its culprit in my_optopt or leaves the
        // parser where it was.
        const bool moved = my_optind != index_before || my_optpos != pos_before;
        const bool asked_for_help = my_optopt == 0 && moved;
        return end_run(program_name, asked_for_help ? 0 : -1, exit_status);
      }
      default:  // ':' (a missing argument, or "-:") and 0 (a lone delimiter) set nothing
        if (!set_option(result, argument_of(result))) {
          log_message("Invalid option '%c'; ignoring\n", result);
        }
        break;
    }
  }
}

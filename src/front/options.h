#ifndef QUORVANE_FRONT_OPTIONS_H_
#define QUORVANE_FRONT_OPTIONS_H_

#include <cstddef>

#include "base/settings.h"

/// One command-line option. The parser's option letters and long options and
/// the usage text are all made from the table of these, so that an option is
/// added or changed in one place.
struct OptionEntry {
  char letter;                 ///< the short option, written -x or /x
  const char* long_name;       ///< the long option without "--"; null when there is none
  const char* argument;        ///< the argument as the usage names it; null when it takes none
  const char* description[2];  ///< its usage lines, null when fewer; none: not in the usage
  const char* default_value;   ///< the argument in force when the option is not given; null for none
};

/// The options, in the order in which the parser is given them; the usage
/// lists those that take an argument first.
extern const OptionEntry kOptionTable[];
extern const std::size_t kOptionCount;  ///< the number of entries of kOptionTable

/// Fills the settings from the command line. Returns true when the run goes
/// on; false when the process is to end now with `*exit_status`: 0 after help
/// was asked for, -1 after a parse error (both after the usage text).
bool parse_options(int argc, char** argv, int* exit_status);

/// Prints the usage text for `program_name` on standard output.
void print_usage(const char* program_name);

#endif  // QUORVANE_FRONT_OPTIONS_H_

#ifndef QUORVANE_FRONT_OPTIONS_H_
#define QUORVANE_FRONT_OPTIONS_H_

#include <string>
#include <vector>

// The settings, filled once by parse_options and only read afterwards. Paths
// and book types are kept whole, whatever their length.
extern std::string input_path;
extern std::string output_path;
extern std::string log_path;                ///< "Quorvane.log" unless named
extern int size_limit;                      ///< the hole size; 4 unless given
extern std::vector<std::string> ignore_types;  ///< book types to leave out, in command-line order

/// Fills the settings from the command line. Returns true when the run goes
/// on; false when the process is to end now with `*exit_status`: 0 after help
/// was asked for, -1 after a parse error (both after the usage text).
bool parse_options(int argc, char** argv, int* exit_status);

/// Prints the usage text for `program_name` on standard output.
void print_usage(const char* program_name);

/// Empties the settings, as at program start.
void reset_settings();

#endif  // QUORVANE_FRONT_OPTIONS_H_

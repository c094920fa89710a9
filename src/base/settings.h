#ifndef QUORVANE_BASE_SETTINGS_H_
#define QUORVANE_BASE_SETTINGS_H_

#include <string>
#include <vector>

// The settings of a run, filled once from the command line (parse_options)
// before any file is opened, and only read afterwards. Paths and book types
// are kept whole, whatever their length.
extern std::string input_path;
extern std::string output_path;
extern std::string log_path;                   ///< "Quorvane.log" unless named
extern int size_limit;                         ///< the hole size; 4 unless given
extern std::vector<std::string> ignore_types;  ///< book types to leave out, in command-line order

/// Empties the settings, as at program start.
void reset_settings();

#endif  // QUORVANE_BASE_SETTINGS_H_

#ifndef QUORVANE_TESTS_PLACE_TABLE_H_
#define QUORVANE_TESTS_PLACE_TABLE_H_

// The tables of places a report can go, run through the real executable: the
// export every row runs on, what the run prints, and the loop that runs a
// row and checks what every row must hold.

#include <functional>
#include <string>

#include "run_binary.h"

/// The export of the rows, and what a run on it prints: rejections enough to
/// overflow the console's buffer while files are open, then one title whose
/// one issue is the report.
struct PlaceRun {
  std::string text;           ///< in.txt
  std::string report;         ///< the report, its date line masked
  std::string before_report;  ///< the console after the banner, up to the report
  std::string success;        ///< the console after the banner, of a run that succeeds
};
const PlaceRun& place_run();

/// An earlier report: longer than the new one, so that one written in place
/// must be cut to it.
extern const std::string kEarlier;

/// What a row does in the run's folder before the run, or checks after it;
/// null for nothing.
using Step = std::function<void(const TempDir&)>;
/// Puts kEarlier at out.txt; finds it there still.
extern const Step kPutEarlier, kKeptEarlier;
/// Finds the report at `name`.
Step report_at(const std::string& name);

/// A ChildSetup as `set` makes it.
ChildSetup setup_of(void (*set)(ChildSetup&));

/// One row: what is at the report's place before the run, the run, and what
/// must hold after it.
struct PlaceCase {
  const char* what;
  const char* not_here;  ///< why the case cannot be staged on this system, or null
  Step prepare;
  std::string output;
  ChildSetup setup;
  std::string console;   ///< after the banner (unchecked where the console goes elsewhere);
                         ///< Quorvane.log holds it too when it exists
  Names entries;         ///< of the folder the run is in, after the run
  Step check;
  const char* log = nullptr;         ///< the log's name, when not the default
  Sharing held = Sharing::kNothing;  ///< how out.txt, with kEarlier, is held during the run
  bool is_held = false;
  std::string locked = "";           ///< a file locked, as another run locks it, during the run
  const char* run_in = "";           ///< the folder the run is in, when not the temporary one
};

/// Runs each row in a fresh folder.
void run_place_cases(const PlaceCase* cases, std::size_t count);

/// Checks console.txt, standard output's file, of a successful run with the
/// report through the console: its text up to the report, the report, and
/// the rest, after whatever it held before a run that appends to it.
void expect_console_file(const TempDir& dir, const std::string& held_before);

#endif  // QUORVANE_TESTS_PLACE_TABLE_H_

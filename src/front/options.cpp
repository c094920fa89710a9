#include "front/options.h"

#include <cstdio>

#include "front/getopt.h"
#include "holes/numeric_value.h"

std::string input_path;
std::string output_path;
std::string log_path;
int size_limit = 0;
std::vector<std::string> ignore_types;

namespace {

const char kDefaultLogPath[] = "Quorvane.log";
const int kDefaultSizeLimit = 4;

// The leading ':' makes the parser report a missing argument as ':', which
// is ignored, rather than as '?', which ends the run.
const char kOptlist[] = ":?hi:o:s:n:l:";

const long_option kLongOptions[] = {
    {"help", 0, nullptr, 'h'},  {"input", 1, nullptr, 'i'},
    {"output", 1, nullptr, 'o'}, {"hole", 1, nullptr, 's'},
    {"ignore", 1, nullptr, 'n'}, {"log", 1, nullptr, 'l'},
    {nullptr, 0, nullptr, 0},
};

bool end_run(const char* program_name, int status, int* exit_status) {
  print_usage(program_name);
  if (exit_status != nullptr) *exit_status = status;
  return false;
}

}  // namespace

void reset_settings() {
  input_path.clear();
  output_path.clear();
  log_path.clear();
  size_limit = 0;
  ignore_types.clear();
}

void print_usage(const char* program_name) {
  std::printf("%s [options]\n", program_name != nullptr ? program_name : "");
  std::printf("  -i  --input <input file>     File to parse for missing issue holes\n");
  std::printf("  -o  --output <output file>   File to contain the filtered output\n");
  std::printf("  -s  --hole <hole size>       Size of the hole to capture\n");
  std::printf("                               If hole size is < size, keep the hole\n");
  std::printf("                               Default is %d\n", kDefaultSizeLimit);
  std::printf("  -n  --ignore <book type>     Don't include this type in the output\n");
  std::printf("                               <book type> must match those given in ComicBase\n");
  std::printf("  -l  --log <log file>         Name of the log file to store output\n");
  std::printf("                               Default is %s\n", kDefaultLogPath);
  std::printf("  -h  --help                   Print Help information\n");
}

bool parse_options(int argc, char** argv, int* exit_status) {
  log_path = kDefaultLogPath;
  size_limit = kDefaultSizeLimit;
  const char* program_name = (argv != nullptr && argc > 0) ? argv[0] : nullptr;

  for (;;) {
    const int index_before = my_optind;
    const unsigned pos_before = my_optpos;
    const int result = my_getopt_long(argc, argv, kOptlist, kLongOptions, nullptr);
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
      case 'i':
        input_path = my_optarg;
        break;
      case 'o':
        output_path = my_optarg;
        break;
      case 'l':
        log_path = my_optarg;
        break;
      case 's':
        size_limit = numeric_value(my_optarg);  // saturates beyond the int range
        break;
      case 'n':
        ignore_types.push_back(my_optarg);
        break;
      default:  // ':' for a missing argument or "-:", 0 for a lone delimiter
        std::printf("Invalid option '%c'; ignoring\n", result);
        break;
    }
  }
}

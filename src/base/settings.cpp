#include "base/settings.h"

#include "base/process_state.h"

std::string input_path;
std::string output_path;
std::string log_path;
int size_limit = 0;
std::vector<std::string> ignore_types;

void reset_settings() {
  input_path.clear();
  output_path.clear();
  log_path.clear();
  size_limit = 0;
  ignore_types.clear();
}

namespace {
const StateReset settings_reset(reset_settings);
}  // namespace

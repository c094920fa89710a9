#include "records/ignored_types.h"

IgnoredTypes make_ignored_types(const std::vector<std::string>& types) {
  IgnoredTypes ignored;
  ignored.types.reserve(types.size());
  for (const std::string& type : types) ignored.types.insert(type);
  return ignored;
}

bool is_ignored_type(const IgnoredTypes& ignored, std::string_view number) {
  if (ignored.types.empty()) return false;
  // A type is followed by a space, so only the text before each of the
  // number's spaces can be one; the number is short.
  for (std::size_t space = number.find(' '); space != std::string_view::npos;
       space = number.find(' ', space + 1)) {
    if (ignored.types.count(number.substr(0, space)) != 0) return true;
  }
  return false;
}

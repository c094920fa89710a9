#ifndef QUORVANE_RECORDS_IGNORED_TYPES_H_
#define QUORVANE_RECORDS_IGNORED_TYPES_H_

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// The book types to leave out, found in time that does not grow with their
// count: a collector may name thousands, and every line is looked up.

/// Views of the types given, which must outlive the set.
struct IgnoredTypes {
  std::unordered_set<std::string_view> types;
};

/// The set of `types`, each once.
IgnoredTypes make_ignored_types(const std::vector<std::string>& types);

/// Whether `number` begins with one of the types, byte for byte, followed by
/// a space.
bool is_ignored_type(const IgnoredTypes& ignored, std::string_view number);

#endif  // QUORVANE_RECORDS_IGNORED_TYPES_H_

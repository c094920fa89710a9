#include "base/numeric_value.h"

#include <climits>

int numeric_value(const char* text) {
  if (text == nullptr) return 0;
  const unsigned char* at = reinterpret_cast<const unsigned char*>(text);
  // The white space of the "C" locale, tested inline: this runs for every
  // record several times.
  while (*at == ' ' || (*at >= '\t' && *at <= '\r')) ++at;
  bool negative = false;
  if (*at == '+' || *at == '-') {
    negative = *at == '-';
    ++at;
  }
  // Collect the magnitude toward the bound of the sign's side, so that INT_MIN
  // itself is reachable and longer texts stick at the bound instead of
  // overflowing; the bound times ten still fits a long long.
  const long long bound = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  long long magnitude = 0;
  for (; *at >= '0' && *at <= '9'; ++at) {
    magnitude = magnitude * 10 + (*at - '0');
    if (magnitude > bound) magnitude = bound;
  }
  return static_cast<int>(negative ? -magnitude : magnitude);
}

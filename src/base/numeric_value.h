#ifndef QUORVANE_BASE_NUMERIC_VALUE_H_
#define QUORVANE_BASE_NUMERIC_VALUE_H_

/// The value of a number text as the standard conversion reads it: leading
/// white space skipped, one optional sign, decimal digits up to the first other
/// character; 0 when there are none. Saturates at the ends of the int range.
int numeric_value(const char* text);

#endif  // QUORVANE_BASE_NUMERIC_VALUE_H_

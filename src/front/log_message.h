#ifndef QUORVANE_FRONT_LOG_MESSAGE_H_
#define QUORVANE_FRONT_LOG_MESSAGE_H_

#include <cstdio>

/// The log file the driver opened (in binary mode), or null outside a run.
/// Only log_message writes to it.
extern std::FILE* log_file;

/// Formats a printf-style message and writes it to standard output, then to
/// `log_file` with every "\n" stored as CR LF. Adds nothing and flushes nothing.
void log_message(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// Writes `text` to `stream` with every "\n" stored as CR LF, whatever the
/// platform: the log ends its lines so.
void write_crlf_text(std::FILE* stream, const char* text, std::size_t length);

#endif  // QUORVANE_FRONT_LOG_MESSAGE_H_

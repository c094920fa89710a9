#ifndef QUORVANE_BASE_LOG_MESSAGE_H_
#define QUORVANE_BASE_LOG_MESSAGE_H_

#include <cstdio>

#include "base/compiler.h"

/// The log file the driver opened (in binary mode), or null outside a run.
/// Only log_message writes to it; close it with close_log_file. It may be a
/// standard stream, when the log is named like the file that stream goes
/// to: standard output then takes the console's copy alone, which is the
/// log's text already.
extern std::FILE* log_file;

/// Formats a printf-style message and writes it to standard output, then to
/// `log_file` with every "\n" stored as CR LF. Adds nothing. While the log
/// file is open both copies are gathered in large buffers; without a log file
/// the console copy goes out at once.
void log_message(const char* format, ...) QUORVANE_PRINTF_FORMAT(1, 2);

/// Hands every message gathered so far to standard output and then to the
/// log file (without flushing the streams themselves).
void flush_log_output();

/// Hands over what is gathered and closes `log_file` (null is fine; a
/// standard stream is flushed and stays open); true when every byte of the
/// log reached the file.
bool close_log_file();

/// Writes `text` to the log file alone, with every "\n" stored as CR LF, after
/// every message gathered so far (without flushing the stream itself).
void write_to_log(const char* text);

#endif  // QUORVANE_BASE_LOG_MESSAGE_H_

#ifndef QUORVANE_BASE_LOG_MESSAGE_H_
#define QUORVANE_BASE_LOG_MESSAGE_H_

#include <cstdint>

#include "base/compiler.h"
#include "platform/platform.h"

/// The log file the driver opened, or kNoFile outside a run. Only the
/// functions here write to it; close it with close_log_file. It may be a
/// standard stream, when the log is the file that stream goes to: standard
/// output then takes the console's copy alone, which is the log's text
/// already, and standard error the log's copy.
extern FileHandle log_file;

/// Formats a printf-style message and gathers it for standard output, then,
/// while the log file is open, for the log with every "\n" stored as CR LF.
/// Adds nothing. Both copies go out in large pieces (flush_log_output).
void log_message(const char* format, ...) QUORVANE_PRINTF_FORMAT(1, 2);

/// Formats a message and gathers it for standard error (the option parser's
/// diagnostics), to go out with the console's text.
void error_message(const char* format, ...) QUORVANE_PRINTF_FORMAT(1, 2);

/// Hands everything gathered to standard output, the log file and standard
/// error, in that order. Safe in a signal handler. False when a write to the
/// log has failed.
bool flush_log_output();

/// Points the text gathered for standard output and for standard error at
/// the files `out` and `err` (a test's, say), after handing over what was
/// gathered; kStandardOutput and kStandardError point them back.
void direct_console(FileHandle out, FileHandle err);

/// Holds back (true) or lets go (false) what standard output and standard
/// error gather: a run holds it until it knows that neither stream is open on
/// the export. Held text past a buffer's room is dropped.
void hold_console(bool held);

/// Drops all that standard output (kStandardOutput) or standard error
/// gathered, and everything later: for a stream that is open on the export.
void mute_standard_stream(FileHandle standard);

/// Points the log's copy at `log_file`, which the driver just opened.
void start_log_file();

/// Writes `text` to the log file alone, with every "\n" stored as CR LF,
/// after every message gathered so far; false when that failed.
bool write_to_log(const char* text);

/// How many bytes the log file has been given since it was opened.
std::uint64_t log_size();

/// Has the system put the log on the disk (see sync_file); false when the log
/// or its sync failed.
bool sync_log_file();

/// Hands over what is gathered and closes `log_file` (kNoFile is fine; a
/// standard stream only gets what it is owed); true when every byte of the
/// log reached the file.
bool close_log_file();

#endif  // QUORVANE_BASE_LOG_MESSAGE_H_

#ifndef QUORVANE_TESTS_PROCESS_STATE_H_
#define QUORVANE_TESTS_PROCESS_STATE_H_

/// Puts every piece of process-wide state back as at program start: the option
/// parser, the settings, the three queues (their records released), the log
/// file (closed) and the reader's separator scan path. Tests call it so that
/// each starts from a clean process.
void reset_process_state();

#endif  // QUORVANE_TESTS_PROCESS_STATE_H_

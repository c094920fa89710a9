#ifndef QUORVANE_BASE_PROCESS_STATE_H_
#define QUORVANE_BASE_PROCESS_STATE_H_

/// Puts every piece of process-wide state back as it is at program start:
/// the settings, the option parser's position, the log and the console's
/// text, the queues and their records, the scan path. Every run begins with
/// it (a page may run the program many times in one process), and so does
/// every test and fuzz target that runs a part of the program.
void reset_process_state();

/// The owner of a piece of process-wide state registers its reset with one of
/// these, defined beside the state, so that reset_process_state reaches it on
/// whatever floor it lives.
struct StateReset {
  explicit StateReset(void (*reset)());
};

#endif  // QUORVANE_BASE_PROCESS_STATE_H_

#ifndef QUORVANE_PLATFORM_INTERRUPTION_H_
#define QUORVANE_PLATFORM_INTERRUPTION_H_

// What every system's catch_interruptions shares: the cleanup it was given,
// and the end of a process that a signal interrupted.

/// The cleanup of catch_interruptions, or null.
extern void (*interruption_cleanup)();

/// A signal's handler: runs the cleanup, then lets the signal end the process
/// as it would have. Once the handler returns, the signal (blocked while it
/// runs) comes again with its default action, and the shell sees what ended
/// the run.
void end_interrupted_run(int signal_number);

#endif  // QUORVANE_PLATFORM_INTERRUPTION_H_

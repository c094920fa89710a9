#ifndef QUORVANE_FRONT_DRIVER_H_
#define QUORVANE_FRONT_DRIVER_H_

/// The program, for `main`: starts from a clean process state (a page may run
/// it many times in one process), takes QUORVANE_SCAN_PATH, and runs the job.
/// Returns the exit status: 0 on success and after help, 255 on every failure
/// (the driver's -1 is what POSIX systems make of it, while Windows would pass
/// on -1 itself, which `if errorlevel 1` in a batch file takes for success).
int quorvane_main(int argc, char** argv);

/// Runs the whole job for one command line: banner, options, files, the
/// stages one after another, the report. Returns 0 on success and after
/// help, -1 on every failure. `argv` is the process's own: where it is not
/// UTF-8, it is taken afresh from the system.
int run_quorvane(int argc, char** argv);

#endif  // QUORVANE_FRONT_DRIVER_H_

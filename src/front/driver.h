#ifndef QUORVANE_FRONT_DRIVER_H_
#define QUORVANE_FRONT_DRIVER_H_

/// Runs the whole job for one command line: banner, options, files, the
/// stages one after another, the report. Returns 0 on success and after
/// help, -1 on every failure (main exits with 255 for it). `argv` is the
/// process's own: where it is not UTF-8, it is taken afresh from the system.
int run_quorvane(int argc, char** argv);

#endif  // QUORVANE_FRONT_DRIVER_H_

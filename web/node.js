// Run before the program under node (build-web/quorvane.js): the program is
// called quorvane, as on every other system, and reads the variables of its
// environment (QUORVANE_SCAN_PATH and the tests' own), which the runtime
// would otherwise leave out.
Module['thisProgram'] = 'quorvane';
Module['preRun'] = [function () {
  for (var name in process.env) ENV[name] = process.env[name];
}];

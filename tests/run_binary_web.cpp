// The end-to-end runner on the web system, the tests running under node: the
// tool is started through node's child_process, as `node quorvane.js ARGS`,
// its output collected whole. What node cannot give a child (limits, closed
// streams, another user, mounts, signals) is not staged, and says why.

#include <emscripten.h>

#include <gtest/gtest.h>

#include <string>

#include "run_binary.h"

namespace {

// Runs the tool; its standard output and error wait in JavaScript until they
// are copied out (taken). The words come joined by NULs.
EM_JS(int, start_tool, (const char* binary, const char* directory, const char* words,
                        int words_size, const char* stdout_file, const char* stderr_file,
                        int appends, int umask, const char* environment, int environment_size), {
  var fs = require("fs");
  var split = function (pointer, size) {
    var text = new TextDecoder().decode(HEAPU8.subarray(pointer, pointer + size));
    return size > 0 ? text.split(String.fromCharCode(0)).slice(0, -1) : [];
  };
  var cwd = UTF8ToString(directory);
  var env = Object.assign({}, process.env);
  var pairs = split(environment, environment_size);
  for (var k = 0; k + 1 < pairs.length; k += 2) env[pairs[k]] = pairs[k + 1];
  var open = function (name) {
    name = UTF8ToString(name);
    if (name === "") return "pipe";
    return fs.openSync(name[0] === "/" ? name : cwd + "/" + name, appends ? "a" : "w");
  };
  var out = open(stdout_file);
  var err = open(stderr_file);
  var old_mask = umask >= 0 ? process.umask(umask) : -1;
  var result = require("child_process").spawnSync(
      process.execPath, [UTF8ToString(binary)].concat(split(words, words_size)),
      {cwd: cwd, env: env, stdio: ["ignore", out, err], maxBuffer: 1 << 30});
  if (old_mask >= 0) process.umask(old_mask);
  [out, err].forEach(function (fd) { if (fd !== "pipe") fs.closeSync(fd); });
  Module.waiting = result.output;
  return result.status === null ? -1 : result.status;
});

// Leaves the WebAssembly that `program`, a JavaScript file, carries as text
// waiting as bytes 0.
EM_JS(void, find_embedded_program, (const char* program), {
  var text = require("fs").readFileSync(UTF8ToString(program), "latin1");
  var start = text.indexOf("base64,AGFzbQ") + 7;  // the WebAssembly magic, \0asm
  Module.waiting = [Buffer.from(text.slice(start, text.indexOf("'", start)), "base64")];
});

// The size of the waiting bytes `which` (1 and 2 for the tool's standard
// output and error), copied to `into` when that is not null.
EM_JS(int, take_waiting, (int which, char* into), {
  var bytes = Module.waiting[which];
  if (!bytes) return 0;
  if (into) HEAPU8.set(bytes, into);
  return bytes.length;
});

std::string taken(int which) {
  std::string bytes(static_cast<std::size_t>(take_waiting(which, nullptr)), '\0');
  if (!bytes.empty()) take_waiting(which, &bytes[0]);
  return bytes;
}

std::string joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += word + '\0';
  return text;
}

}  // namespace

const char* const kNoDescriptorLimit = "node sets no limit on a program's open files";
const bool kRelativeNamesLoseDots = true;
const char* const kNoDeepFolders = "the web's runtime reaches every file by its whole path";

int interrupted_status(int signal_number) { return 128 + signal_number; }

const char* why_no_bind_mount() { return "node mounts no file over another"; }
const char* why_no_file_size_limit() { return "node holds no program to a file size"; }
const char* why_no_bound_run() { return "node starts no program as another user"; }
const char* why_no_tracer() { return "the tests trace system calls with strace, which sees no WebAssembly"; }
const char* why_no_ignored_signals() { return "no signal reaches a program on the web"; }
const char* why_no_signals() { return why_no_ignored_signals(); }
const char* why_no_closed_streams() { return "node starts no program with its standard streams closed"; }
const char* why_no_extended_attributes() { return "the web's files carry no extended attributes"; }
bool give_access_list(const std::string&, bool) { return false; }
bool carries_access_list(const std::string&) { return false; }
std::string access_list_of(const std::string&) { return ""; }
bool give_attribute(const std::string&, const std::string&, const std::string&) { return false; }
std::string attribute_of(const std::string&, const std::string&) { return "<none>"; }

std::string program_bytes() {
  find_embedded_program(QUORVANE_BINARY);
  return taken(0);
}

RunResult run_quorvane_binary(const std::string& directory, const std::vector<std::string>& args,
                              const ChildSetup& setup) {
  RunResult result;
  if (setup.file_size >= 0 || setup.closed_stdout ||
      setup.closed_streams > 0 || setup.as_nobody || setup.open_files >= 0 ||
      !setup.bind_mounts.empty() || !setup.trace_file.empty() || setup.ignores_interruptions) {
    ADD_FAILURE() << "node gives a program no limits, closed streams, other user, mount, tracer "
                     "or ignored signals";
    return result;
  }
  std::vector<std::string> environment;
  for (const auto& [name, value] : setup.environment) environment.insert(environment.end(), {name, value});
  const std::string words = joined(args);
  const std::string variables = joined(environment);
  result.status = start_tool(setup.faults ? QUORVANE_FAULTS_BINARY : QUORVANE_BINARY,
                             directory.c_str(), words.data(), static_cast<int>(words.size()),
                             setup.stdout_file.c_str(), setup.stderr_file.c_str(), setup.appends,
                             setup.umask, variables.data(), static_cast<int>(variables.size()));
  result.out = mask_copyright(taken(1));
  result.err = taken(2);
  return result;
}

// The page's worker: the program itself (this file runs before Emscripten's
// code of it), given each export the page sends, run as the command line
// runs it, in a folder of its own. The export is read from the File as it is
// (WORKERFS), piece by piece as the program reads it; an engine that lets no
// worker read a File (WebKit, for a page opened from the disk) is sent its
// bytes instead, which stay outside the program's memory. The report and the
// log are made in memory and handed back whole. Nothing here leaves the
// machine.

/* global Module, FS, MEMFS, WORKERFS, callMain, HEAPU8, getBinary, wasmBinaryFile */

var kShownLines = 300;  // of the console, on the page; the log holds all

var console_state = null;

// The console's bytes as the program writes them: the first lines as text,
// the rest only counted, handed to the page every tenth of a second.
function take_console(bytes) {
  var state = console_state;
  if (state.lines >= kShownLines) {
    for (var at = bytes.indexOf(10); at >= 0; at = bytes.indexOf(10, at + 1)) state.lines += 1;
  } else {
    var text = state.decoder.decode(bytes, {stream: true});
    for (var start = 0; start < text.length;) {
      var end = text.indexOf('\n', start);
      var next = end < 0 ? text.length : end + 1;
      if (state.lines < kShownLines) state.pending += text.slice(start, next);
      if (end >= 0) state.lines += 1;
      start = next;
    }
  }
  var now = Date.now();
  if (now - state.sent > 100) send_console(now);
}

function send_console(now) {
  var state = console_state;
  postMessage({type: 'console', text: state.pending, lines: state.lines});
  state.pending = '';
  state.sent = now;
}

Module['onConsole'] = function (stream, bytes) {
  if (console_state !== null) take_console(bytes);
};

Module['onProgress'] = function (stage, done, total) {
  postMessage({type: 'progress', stage: stage === 0 ? 'reading' : 'analysing', done: done, total: total});
};

var export_mounted = false;

// The report and the log grow in memory as the program writes them: by half
// their size again each time, rather than the runtime's eighth, so that a
// report of megabytes is copied a few times, not dozens.
var expand_file = null;
function expand_by_half(node, capacity) {
  var had = node.contents ? node.contents.length : 0;
  expand_file(node, capacity > had ? Math.max(capacity, had + (had >> 1)) : capacity);
}

// The program reads its export 128 KiB at a time, and each read of a File
// costs the browser about as much as the program's work on it: the reads go
// through pieces of 8 MiB, read ahead.
var kReadAhead = 8 << 20;
var read_ahead = {node: null, start: 0, bytes: new Uint8Array(0)};
function read_export(stream, buffer, offset, length, position) {
  var node = stream.node;
  if (position >= node.size) return 0;
  var held = read_ahead;
  if (held.node !== node || position < held.start || position + length > held.start + held.bytes.length) {
    var end = Math.min(node.size, position + Math.max(length, kReadAhead));
    var bytes = WORKERFS.reader.readAsArrayBuffer(node.contents.slice(position, end));
    held = read_ahead = {node: node, start: position, bytes: new Uint8Array(bytes)};
  }
  var size = Math.min(length, held.start + held.bytes.length - position);
  buffer.set(held.bytes.subarray(position - held.start, position - held.start + size), offset);
  return size;
}

// What a run leaves in its folders: nothing, before the next run.
function clear_folders() {
  if (FS.analyzePath('/run').exists) {
    FS.chdir('/');
    FS.readdir('/run').forEach(function (name) {
      if (name !== '.' && name !== '..') FS.unlink('/run/' + name);
    });
    FS.rmdir('/run');
  }
  if (FS.analyzePath('/export').exists) {
    if (export_mounted) {
      FS.unmount('/export');
      export_mounted = false;
      read_ahead = {node: null, start: 0, bytes: new Uint8Array(0)};
    } else {
      FS.readdir('/export').forEach(function (name) {
        if (name !== '.' && name !== '..') FS.unlink('/export/' + name);
      });
    }
    FS.rmdir('/export');
  }
}

// Whether this worker may read `file` as WORKERFS does, a piece at a time.
function readable(file) {
  try {
    new FileReaderSync().readAsArrayBuffer(file.slice(0, 1));
    return true;
  } catch (e) {
    return false;
  }
}

// A file's bytes, handed over without a copy: the folder is emptied next.
function file_bytes(path) {
  if (!FS.analyzePath(path).exists) return null;
  var node = FS.lookupPath(path).node;
  return node.contents ? node.contents.subarray(0, node.usedBytes) : new Uint8Array(0);
}

// (The runtime has a run of its own, hence the name.)
// The command line's run: quorvane -i NAME -o NAME-holes.txt -l Quorvane.log
// [-s N] [-n TYPE]..., in the export's own folder.
function run_export(request) {
  var name = request.file.name;
  var report_name = name + '-holes.txt';
  clear_folders();
  FS.mkdir('/export');
  if (request.bytes) {
    FS.writeFile('/export/' + name, new Uint8Array(request.bytes));
  } else if (readable(request.file)) {
    WORKERFS.stream_ops.read = read_export;
    FS.mount(WORKERFS, {files: [request.file]}, '/export');
    export_mounted = true;
  } else {
    FS.rmdir('/export');
    postMessage({type: 'need bytes'});
    return;
  }
  FS.mkdir('/run');
  FS.symlink('/export/' + name, '/run/' + name);
  FS.chdir('/run');
  var args = ['-i', name, '-o', report_name, '-l', 'Quorvane.log'];
  if (request.hole !== '') args.push('-s', request.hole);
  request.ignore.forEach(function (type) {
    args.push('-n', type);
  });
  console_state = {decoder: new TextDecoder(), lines: 0, pending: '', sent: Date.now()};
  var status = callMain(args);
  send_console(Date.now());
  console_state = null;
  var report = file_bytes('/run/' + report_name);
  var log = file_bytes('/run/Quorvane.log');
  var moved = [];
  if (report !== null) moved.push(report.buffer);
  if (log !== null) moved.push(log.buffer);
  postMessage({type: 'done', status: status, report: report, report_name: report_name, log: log,
               memory: HEAPU8.length}, moved);
  clear_folders();
}

// The program's WebAssembly is within this file; the runtime would fetch it
// from there, which the page's policy forbids (it allows no connection of
// any kind), so it is taken from the text directly.
Module['instantiateWasm'] = function (imports, done) {
  WebAssembly.instantiate(getBinary(wasmBinaryFile), imports).then(function (made) {
    done(made.instance, made.module);
  });
  return {};
};

Module['noInitialRun'] = true;
Module['thisProgram'] = 'quorvane';
Module['onRuntimeInitialized'] = function () {
  expand_file = MEMFS.expandFileStorage;
  MEMFS.expandFileStorage = expand_by_half;
  postMessage({type: 'ready'});
};
onmessage = function (event) {
  try {
    run_export(event.data);
  } catch (e) {
    // A fault of the page's own, not the program's: said in words all the same.
    postMessage({type: 'failed', message: String(e && e.message || e)});
  }
};

// The page: takes the export and the settings, hands them to the worker that
// runs the program, and shows what comes back: progress, the outcome in
// words, the report as a table, the console's first lines, and the report
// and the log to download, byte for byte what the command line makes.
(function () {
  'use strict';

  var kShownRows = 500;  // of the report, in the table; the download holds all

  var $ = function (id) { return document.getElementById(id); };
  var chosen = null;       // the File to run on
  var downloads = [];      // object URLs of the last run, given back before the next
  var worker = null;
  var ready = false;
  var started = 0;

  function start_worker() {
    var source = $('worker-source').textContent;
    var url = URL.createObjectURL(new Blob([source], {type: 'text/javascript'}));
    worker = new Worker(url);
    worker.onmessage = function (event) { on_message(event.data); };
    worker.onerror = function (event) {
      show_outcome('The page could not start the program: ' + (event.message || 'unknown error'), false);
    };
  }

  function choose(file) {
    chosen = file || null;
    $('chosen').textContent = chosen ? 'Export: ' + chosen.name + ' (' + size_text(chosen.size) + ')'
                                     : 'or drop the file here.';
    $('run').disabled = !(chosen && ready);
  }

  function size_text(bytes) {
    if (bytes < 1024) return bytes + ' bytes';
    if (bytes < 1048576) return (bytes / 1024).toFixed(0) + ' KB';
    return (bytes / 1048576).toFixed(1) + ' MB';
  }

  // Book types as several -n would give them: separated by spaces or commas.
  function book_types() {
    return $('ignore').value.split(/[\s,]+/).filter(function (type) { return type !== ''; });
  }

  function run() {
    if (!chosen || !ready) return;
    delete document.body.dataset.exit;
    downloads.forEach(function (url) { URL.revokeObjectURL(url); });
    downloads = [];
    $('results').hidden = true;
    $('console').textContent = '';
    $('console-more').textContent = '';
    $('progress-area').hidden = false;
    show_progress('reading', 0, chosen.size);
    $('run').disabled = true;
    started = performance.now();
    request = {file: chosen, hole: $('hole').value.trim(), ignore: book_types()};
    worker.postMessage(request);
  }

  var request = null;

  // A worker that may not read the File itself gets its bytes.
  function send_bytes() {
    request.file.arrayBuffer().then(function (bytes) {
      request.bytes = bytes;
      worker.postMessage(request, [bytes]);
    }, function (error) {
      show_outcome('The page could not read ' + request.file.name + ': ' + error.message, false);
      $('progress-area').hidden = true;
      $('run').disabled = false;
    });
  }

  function show_progress(stage, done, total) {
    var bar = $('progress');
    bar.max = total > 0 ? total : 1;
    bar.value = total > 0 ? done : 0;
    var part = total > 0 ? Math.floor(100 * done / total) + '%' : '';
    $('progress-text').textContent =
        stage === 'reading' ? 'Reading the export\u2026 ' + part
                            : 'Analysing titles\u2026 ' + done.toLocaleString() + ' of ' +
                                  total.toLocaleString();
  }

  function show_outcome(text, good) {
    var outcome = $('outcome');
    outcome.textContent = text;
    outcome.className = good ? 'good' : 'bad';
    $('results').hidden = false;
  }

  function on_message(message) {
    if (message.type === 'ready') {
      ready = true;
      choose(chosen);
    } else if (message.type === 'need bytes') {
      send_bytes();
    } else if (message.type === 'progress') {
      show_progress(message.stage, message.done, message.total);
    } else if (message.type === 'console') {
      $('console').textContent += message.text;
      console_lines = message.lines;
    } else if (message.type === 'done') {
      finish(message);
    } else if (message.type === 'failed') {
      $('progress-area').hidden = true;
      show_outcome('The page could not run the program: ' + message.message, false);
      $('run').disabled = false;
    }
  }

  var console_lines = 0;

  // The report's first lines, CR LF each: the date, two empty lines, the
  // header, then one a record, as many as the table shows; and how many
  // lines it has in all.
  function report_lines(bytes) {
    var count = 0;
    var shown_end = bytes.length;
    for (var at = bytes.indexOf(10); at >= 0; at = bytes.indexOf(10, at + 1)) {
      count += 1;
      if (count === kShownRows + 4) shown_end = at + 1;
    }
    var lines = new TextDecoder().decode(bytes.subarray(0, shown_end)).split('\r\n');
    if (lines.length > 0 && lines[lines.length - 1] === '') lines.pop();
    return {lines: lines, count: count};
  }

  function fill_table(report) {
    var lines = report.lines;
    var table = $('report');
    var head = table.tHead;
    var body = table.tBodies[0];
    head.textContent = '';
    body.textContent = '';
    var header = document.createElement('tr');
    (lines[3] || '').split('\t').forEach(function (name) {
      var cell = document.createElement('th');
      cell.scope = 'col';
      cell.textContent = name;
      header.appendChild(cell);
    });
    head.appendChild(header);
    var records = lines.slice(4);
    var total = Math.max(report.count - 4, 0);
    var rows = document.createDocumentFragment();
    records.forEach(function (line) {
      var row = document.createElement('tr');
      line.split('\t').forEach(function (field) {
        var cell = document.createElement('td');
        cell.textContent = field;
        row.appendChild(cell);
      });
      rows.appendChild(row);
    });
    body.appendChild(rows);
    $('report-caption').textContent =
        (lines[0] || '') + (total > records.length
                                ? ': the first ' + records.length + ' of ' + total.toLocaleString() +
                                      ' issues (the download holds them all)'
                                : '');
    return total;
  }

  function offer(link, bytes, name) {
    if (bytes === null) {
      link.hidden = true;
      return;
    }
    var blob = new Blob([bytes], {type: 'text/plain'});
    var url = URL.createObjectURL(blob);
    downloads.push(url);
    link.blob = blob;  // for a test that reads the download's bytes
    link.href = url;
    link.download = name;
    link.hidden = false;
  }

  // The last line the program wrote that says anything: its failure message.
  function last_message() {
    var lines = $('console').textContent.split('\n').filter(function (line) { return line.trim() !== ''; });
    return lines.length > 0 ? lines[lines.length - 1] : 'The program ended without a word';
  }

  function finish(message) {
    $('progress-area').hidden = true;
    offer($('report-download'), message.report, message.report_name);
    offer($('log-download'), message.log, 'Quorvane.log');
    var count = message.report !== null ? fill_table(report_lines(message.report)) : 0;
    $('report-area').hidden = message.report === null || message.status !== 0;
    var shown = $('console').textContent.split('\n').length - 1;
    $('console-more').textContent = console_lines > shown
        ? (console_lines - shown).toLocaleString() + ' more lines: the log holds them all.' : '';
    if (message.status === 0) {
      show_outcome('Done: ' + count.toLocaleString('en-US') + (count === 1 ? ' issue' : ' issues') +
                       ' in small holes', true);
    } else {
      show_outcome(last_message(), false);
    }
    document.body.dataset.seconds = ((performance.now() - started) / 1000).toFixed(3);
    document.body.dataset.memory = String(message.memory);
    document.body.dataset.exit = String(message.status);
    $('outcome').focus();
    $('run').disabled = false;
  }

  $('export').addEventListener('change', function () { choose(this.files[0]); });
  var drop = $('drop');
  ['dragenter', 'dragover'].forEach(function (name) {
    drop.addEventListener(name, function (event) {
      event.preventDefault();
      drop.classList.add('over');
    });
  });
  ['dragleave', 'drop'].forEach(function (name) {
    drop.addEventListener(name, function () { drop.classList.remove('over'); });
  });
  drop.addEventListener('drop', function (event) {
    event.preventDefault();
    if (event.dataTransfer.files.length > 0) choose(event.dataTransfer.files[0]);
  });
  $('settings').addEventListener('submit', function (event) {
    event.preventDefault();
    run();
  });
  start_worker();
})();

// The content check: asked of the host, followed as it goes, and shown on the rows, in a line
// and in a map of the pieces.
'use strict';

// The last check's status for each row (a file's word, or "complete"/"incomplete" for a folder).
// A shared file's note names the damaged neighbour it shares a piece with.
const CHECK = { status: null, notes: null, pieces: '' };

const STATUS_MARK = { complete: '✓', partial: 'damaged', missing: 'missing', 'wrong-size': 'wrong size',
  unreadable: 'unreadable', unsafe: 'unsafe', incomplete: 'incomplete', unchecked: 'unchecked',
  shared: 'not verifiable' };
const STATUS_TIP = { partial: 'Some of its pieces do not match the torrent', missing: 'Not found where the content is',
  unchecked: 'The check was stopped before it read all of this file', incomplete: 'Something inside is not complete' };

// One check at a time: "Check files" waits while one runs, and Cancel shows only then.
function setChecking(running) {
  $('checkBtn').disabled = running;
  $('checkBtn').setAttribute('aria-disabled', String(running));
  $('checkCancel').hidden = !running;
  $('checkProgress').hidden = !running;
  if (!running) $('checkRate').textContent = '';
}

function startCheck() {
  if ($('checkBtn').disabled) return;
  $('checkPanel').hidden = false;
  $('checkStatus').textContent = 'Checking…';
  setChecking(true);
  try {
    post(JSON.stringify({ check: 'start', content: $('checkPath').value.trim() }));
  } catch (err) {
    setChecking(false);
    $('checkStatus').textContent = 'Checking needs the file manager.';
  }
}

// The field takes the focus at once: the host's picker, where there is one, fills it in.
function chooseFolder() {
  $('checkPanel').hidden = false;
  $('checkPath').focus();
  post(JSON.stringify({ check: 'choose' }));
}

function cancelCheck() {
  post(JSON.stringify({ check: 'cancel' }));
}

// What the check found, on the rows: a file's own status, a folder complete only when all it
// holds is.
function markRows(files) {
  const byPath = new Map(files.map((file) => [file.path, file]));
  const status = new Array(TREE.nodes.length).fill(null);
  const notes = new Array(TREE.nodes.length).fill('');
  for (let row = TREE.nodes.length - 1; row >= 0; row--) {
    if (!TREE.nodes[row].dir) {
      const file = byPath.get(rowNames(row).join('/')) || (TREE.nodes.length === 1 && files.length === 1 ? files[0] : null);
      status[row] = file ? String(file.status) : null;
      if (file && file.with !== undefined) notes[row] = 'Not verifiable: shares a damaged piece with ' + String(file.with);
      else if (file) notes[row] = STATUS_TIP[file.status] || '';
    }
    const folder = TREE.parent[row];
    if (folder >= 0 && status[row]) {
      status[folder] = status[folder] === 'incomplete' || status[row] !== 'complete' ? 'incomplete' : 'complete';
    }
  }
  for (let row = 0; row < status.length; row++) {
    if (TREE.nodes[row].dir && status[row] === 'incomplete') notes[row] = STATUS_TIP.incomplete;
  }
  CHECK.status = status;
  CHECK.notes = notes;
}

function checkSummary(done) {
  const count = (word) => done.files.filter((file) => file.status === word).length;
  if (done.files.length && done.files.every((file) => file.status === 'complete')) {
    return 'All ' + fmtCount(done.files.length) + ' file' + (done.files.length === 1 ? '' : 's') + ' complete';
  }
  // Nothing there at all is one fact, said with where it was looked for.
  if (!done.cancelled && done.files.length && count('missing') === done.files.length) {
    return 'No download found at ' + String(done.content || '');
  }
  const damaged = done.files.filter((file) => file.status === 'partial');
  const bad = damaged.reduce((sum, file) => sum + file.pieces - file.good, 0);
  const pieces = damaged.reduce((sum, file) => sum + file.pieces, 0);
  const parts = [];
  if (damaged.length) parts.push(fmtCount(damaged.length) + ' damaged (' + fmtCount(bad) + ' of ' + fmtCount(pieces) + ' pieces)');
  for (const [word, label] of [['missing', 'missing'], ['wrong-size', 'of the wrong size'], ['unreadable', 'unreadable'],
    ['unsafe', 'unsafe'], ['shared', 'not verifiable (sharing a damaged piece)']]) {
    if (count(word)) parts.push(fmtCount(count(word)) + ' ' + label);
  }
  // A stopped check says how far it got; pieces it did not reach are not bad.
  if (done.cancelled) {
    const map = String(done.pieces || '');
    const reached = map.length - (map.match(/U/g) || []).length;
    return 'Stopped after ' + fmtCount(reached) + ' of ' + fmtCount(map.length) + ' pieces; ' +
      (parts.length ? parts.join(', ') : 'all good so far');
  }
  parts.push(fmtCount(count('complete')) + ' complete');
  return parts.join(', ');
}

// One cell a piece where they fit, else a column for each group of pieces in its worst state,
// never narrower than a few pixels: one bad piece among thousands still shows.
function drawPieceMap() {
  const canvas = $('pieceMap');
  const pieces = CHECK.pieces;
  canvas.hidden = !pieces.length;
  if (!pieces.length) return;
  const width = Math.max(1, Math.floor(canvas.parentElement.clientWidth));
  const height = 16;
  canvas.width = width;
  canvas.height = height;
  const style = getComputedStyle(document.documentElement);
  const colour = (name, fallback) => style.getPropertyValue(name).trim() || fallback;
  const colours = { G: colour('--good', '#16a34a'), B: colour('--bad', '#dc2626'), M: colour('--warn', '#b45309'),
    U: colour('--muted', '#888888') };
  const context = canvas.getContext('2d');
  const rank = { U: 0, G: 1, M: 2, B: 3 };
  const columns = Math.max(1, Math.min(Math.floor(width / 3), pieces.length));
  const columnWidth = width / columns;
  const counts = { U: 0, G: 0, M: 0, B: 0 };
  for (const piece of pieces) counts[piece] = (counts[piece] || 0) + 1;
  for (let column = 0; column < columns; column++) {
    const from = Math.floor(column * pieces.length / columns);
    const to = Math.max(from + 1, Math.floor((column + 1) * pieces.length / columns));
    let worst = 'U';
    for (let i = from; i < to; i++) if (rank[pieces[i]] > rank[worst]) worst = pieces[i];
    // Not yet checked is faint, in the theme's own muted colour.
    context.globalAlpha = worst === 'U' ? 0.3 : 1;
    context.fillStyle = colours[worst];
    context.fillRect(Math.floor(column * columnWidth), 0, Math.ceil(columnWidth), height);
  }
  context.globalAlpha = 1;
  canvas.setAttribute('aria-label', 'Pieces: ' + fmtCount(counts.G) + ' good, ' + fmtCount(counts.B) + ' bad, ' +
    fmtCount(counts.M) + ' missing, ' + fmtCount(counts.U) + ' not checked');
}

// "about 12 s left", "about 3 min left".
function timeLeft(seconds) {
  if (!(seconds >= 0) || !Number.isFinite(seconds)) return '';
  if (seconds < 90) return 'about ' + Math.max(1, Math.round(seconds)) + ' s left';
  if (seconds < 90 * 60) return 'about ' + Math.round(seconds / 60) + ' min left';
  return 'about ' + Math.round(seconds / 3600) + ' h left';
}

function onCheckMessage(data) {
  if (data.checkChooser !== undefined) {
    $('checkPanel').hidden = false;
    if (data.checkChooser === 'field') $('checkPath').focus();
    else $('checkPath').value = String(data.checkChooser);
    return;
  }
  $('checkPanel').hidden = false;
  if (data.checkStarted) {
    $('checkPath').value = String(data.checkStarted.content || '');
    setChecking(true);
    $('checkProgress').value = 0;
    $('checkStatus').textContent = 'Checking…';
  } else if (data.checkProgress) {
    const { done, total, rate } = data.checkProgress;
    const percent = Math.floor(total > 0 ? 100 * done / total : 0);
    $('checkProgress').value = total > 0 ? done / total : 0;
    $('checkProgress').setAttribute('aria-valuenow', String(percent));
    $('checkRate').textContent = percent + ' % · ' + fmtSize(done) + ' of ' + fmtSize(total) + ' at ' + fmtSize(rate) + '/s' +
      (rate > 0 ? ' · ' + timeLeft((total - done) / rate) : '');
    if (typeof data.checkProgress.map === 'string') {
      CHECK.pieces = data.checkProgress.map;
      drawPieceMap();
    }
  } else if (data.checkDone) {
    const done = data.checkDone;
    setChecking(false);
    $('checkPath').value = String(done.content || '');
    CHECK.pieces = String(done.pieces || '');
    if (TREE.nodes.length) markRows(Array.isArray(done.files) ? done.files : []);
    $('checkStatus').textContent = checkSummary({ ...done, files: Array.isArray(done.files) ? done.files : [] });
    drawPieceMap();
    if (TREE.nodes.length) drawTree();
  } else if (data.checkRefused !== undefined) {
    setChecking(false);
    $('checkStatus').textContent = 'Cannot check: ' + String(data.checkRefused);
  }
}

// The file filter: every word of the text in each file's path, narrowing the last result as
// letters are typed.
'use strict';

// Whether rows in tree order (ascending) hold a row.
function sortedHas(rows, row) {
  let low = 0, high = rows.length;
  while (low < high) {
    const middle = (low + high) >> 1;
    if (rows[middle] < row) low = middle + 1;
    else high = middle;
  }
  return low < rows.length && rows[low] === row;
}

// Paths below the top, lower case, made at the first filter.
function loweredPaths() {
  if (TREE.lowered) return TREE.lowered;
  const { nodes, parent } = TREE;
  const lowered = new Array(nodes.length);
  for (let row = 0; row < nodes.length; row++) {
    const name = String(nodes[row].name);
    // Lower case makes each path one flat string: a joined one would be flattened at each search.
    lowered[row] = (parent[row] >= 0 ? lowered[parent[row]] + '/' + name : name).toLowerCase();
  }
  TREE.lowered = lowered;
  return lowered;
}

// One word of a filter as a test of a lower-case path. "-word" leaves out what the word finds.
// "*" and "?" make a pattern: matched against the whole path, or within the name ("set0?" finds
// "set01.bin"), held at the name's end when it starts with "*" ("*.srt") and at its start when it
// ends with one ("season*"). Anything else is looked for anywhere in the path.
function wordTest(word) {
  if (word.length > 1 && word.startsWith('-')) {
    const found = wordTest(word.slice(1));
    return (path) => !found(path);
  }
  if (!/[*?]/.test(word)) return (path) => path.includes(word);
  const body = word.replace(/[.+^${}()|[\]\\]/g, '\\$&').replace(/\*/g, '.*').replace(/\?/g, '.');
  const whole = new RegExp('^' + body + '$');
  const within = new RegExp((word.endsWith('*') ? '^' : '') + body + (word.startsWith('*') ? '$' : ''));
  return (path) => whole.test(path) || within.test(path.slice(path.lastIndexOf('/') + 1));
}

// A word found by any path holding a longer plain word that contains it.
const isPlain = (word) => !/[*?]/.test(word) && !(word.length > 1 && word.startsWith('-'));

// Whether every path holding all the words of `now` holds all those of `before`: then the last
// result can be narrowed. A plain word is implied by any plain word holding it, a pattern or an
// exclusion only by itself.
function implies(now, before) {
  return before.every((word) => now.includes(word) ||
    (isPlain(word) && now.some((other) => isPlain(other) && other.includes(word))));
}

// Shows only the files whose path holds every word of the text (any letter case; "*.srt" for a
// pattern), with their folders open. A text that implies the last one narrows its result, testing
// only the words that are new.
function filterFiles(text) {
  const wanted = text.toLowerCase().trim();
  TREE.hit = null;
  if (!wanted) {
    // The tree as it was before the filter opened the folders of its matches.
    if (TREE.filter && TREE.unfiltered) TREE.collapsed.set(TREE.unfiltered);
    TREE.filter = null;
    TREE.matched = null;
    $('filterCount').textContent = '';
  } else {
    if (!TREE.filter) TREE.unfiltered = TREE.collapsed.slice();
    const { nodes, parent, collapsed } = TREE;
    const paths = loweredPaths();
    const words = [...new Set(wanted.split(/\s+/))];
    const last = TREE.filter && TREE.matched;
    const previous = last && implies(words, last.words) ? last.rows : null;
    const tests = (previous ? words.filter((word) => !last.words.includes(word)) : words).map(wordTest);
    // Two buffers of rows, the last result and this one, and one of shown rows: made once a
    // tree, so that letters typed one after another allocate nothing.
    if (!TREE.fileRows) {
      TREE.fileRows = Int32Array.from(nodes.keys()).filter((i) => !nodes[i].dir);
      TREE.sizes = Float64Array.from(nodes, (node) => Number(node.size) || 0);
      TREE.buffers = [new Int32Array(TREE.fileRows.length), new Int32Array(TREE.fileRows.length)];
      TREE.shown = new Int32Array(nodes.length);
      TREE.emitted = new Uint8Array(nodes.length);
    }
    const candidates = previous || TREE.fileRows;
    let rows = candidates;
    if (tests.length) {
      const matched = previous && previous.buffer === TREE.buffers[0].buffer ? TREE.buffers[1] : TREE.buffers[0];
      const test = tests.length === 1 ? tests[0] : (path) => tests.every((one) => one(path));
      let matches = 0;
      for (let k = 0; k < candidates.length; k++) {
        const i = candidates[k];
        if (test(paths[i])) matched[matches++] = i;
      }
      rows = matched.subarray(0, matches);
    }
    TREE.matched = { words, rows };
    // A text that keeps every match keeps the rows: only the marks change.
    if (previous && rows.length === previous.length) {
      requestDraw();
      return;
    }
    // Each match after the folders above it not yet shown, in the tree's order: matches come in
    // that order, so those folders are the top of its chain, written upwards and turned around.
    const { emitted, shown, sizes } = TREE;
    let count = 0;
    let bytes = 0;
    for (let k = 0; k < rows.length; k++) {
      const i = rows[k];
      bytes += sizes[i];
      const from = count;
      for (let at = i; at >= 0 && !emitted[at]; at = parent[at]) {
        emitted[at] = 1;
        collapsed[at] = 0;
        shown[count++] = at;
      }
      for (let low = from, high = count - 1; low < high; low++, high--) {
        const row = shown[low];
        shown[low] = shown[high];
        shown[high] = row;
      }
    }
    for (let k = 0; k < count; k++) emitted[shown[k]] = 0;
    // Copied out: the buffer is this filter's, the shown rows may outlive it.
    TREE.filter = shown.slice(0, count);
    $('filterCount').textContent = fmtCount(rows.length) + ' of ' + fmtCount(TREE.fileCount) + ' files' +
      (rows.length ? ', ' + fmtSize(bytes) : '');
  }
  // A new result opens every folder it shows: its rows are the visible ones.
  if (TREE.filter) TREE.visible = TREE.filter;
  else computeVisible();
  if (!sortedHas(TREE.visible, TREE.focus)) TREE.focus = TREE.visible.length ? TREE.visible[0] : -1;
  // Letters typed faster than frames come are drawn once, with the last one.
  requestDraw();
}

// Down goes from the field into the results; Escape empties the field, then leaves it.
function onFilterKey(ev) {
  if (ev.key === 'ArrowDown' && TREE.visible.length) {
    ev.preventDefault();
    $('files').focus();
    focusRow(TREE.visible[0]);
    return;
  }
  if (ev.key !== 'Escape') return;
  ev.preventDefault();
  if (ev.target.value) {
    ev.target.value = '';
    filterFiles('');
  } else {
    $('files').focus();
  }
}

// The file manager's side: its commands, its find and the keys it binds.
'use strict';

// The file manager selected everything, and nobody has touched the page since.
let ALL_SELECTED = false;

// Every file, drawn or not: its path and its size in bytes, tab-separated, a line each.
function fileListText() {
  const lines = [];
  const line = (row) => lines.push(rowPath(row) + '\t' + Math.round(Number(TREE.nodes[row].size) || 0));
  // What is shown: with a filter, its files, after a line that says which.
  if (TREE.filter && TREE.matched) {
    const rows = TREE.matched.rows;
    lines.push('Files matching "' + $('fileFilter').value.trim() + '": ' + fmtCount(rows.length) + ' of ' + fmtCount(TREE.fileCount));
    for (let k = 0; k < rows.length; k++) line(rows[k]);
    return lines.join('\r\n');
  }
  for (let row = 0; row < TREE.nodes.length; row++) {
    if (!TREE.nodes[row].dir) line(row);
  }
  return lines.join('\r\n');
}

function selectPageText() {
  $('metaSec').open = true;
  const range = document.createRange();
  range.selectNodeContents($('app'));
  const selection = window.getSelection();
  selection.removeAllRanges();
  selection.addRange(range);
}

// Selects part of an element's text, as the browser's own find shows a hit.
function selectText(element, start, length) {
  const text = element.firstChild;
  if (!text || text.nodeType !== Node.TEXT_NODE) return;
  const from = Math.min(start, text.length);
  const range = document.createRange();
  range.setStart(text, from);
  range.setEnd(text, Math.min(from + length, text.length));
  const selection = window.getSelection();
  selection.removeAllRanges();
  selection.addRange(range);
}

// Shows a hit of the host's find: a metadata value, or a tree row, with its folders opened and
// any filter dropped.
function showFind(hit) {
  TREE.hit = null;
  if (hit.meta !== undefined) {
    const element = document.querySelector('[data-find="' + CSS.escape(String(hit.meta)) + '"]');
    if (!element) return;
    $('metaSec').open = true;
    const list = element.closest('.trk-list[hidden]');
    if (list) $('meta').querySelector('[data-trk]').click();
    element.scrollIntoView({ block: 'nearest' });
    selectText(element, Number(hit.start) || 0, Number(hit.length) || 0);
    if (TREE.nodes.length) drawTree();
    return;
  }
  const index = TREE.nodes.length ? TREE.docRow[Number(hit.node)] : undefined;
  if (index === undefined || index < 0) return;
  if (TREE.filter) {
    $('fileFilter').value = '';
    filterFiles('');
  }
  for (let at = TREE.parent[index]; at >= 0; at = TREE.parent[at]) TREE.collapsed[at] = 0;
  computeVisible();
  window.getSelection().removeAllRanges();
  TREE.hit = { row: index, start: Number(hit.start) || 0, length: Number(hit.length) || 0 };
  focusRow(index);
}

function setHostDark(dark) {
  CFG.tcDark = dark;
  if (String(CFG.mode || 'auto').toLowerCase() === 'auto') applyThemeByName(resolveThemeName('auto'));
}

function onHostMessage(data) {
  if (!data || typeof data !== 'object') return;
  if (data.reload) main();
  else if (data.command === 'copy') {
    // After the file manager's select all, its copy is the file list, as the page's own button.
    const selected = ALL_SELECTED ? fileListText() : String(window.getSelection());
    const text = selected || (TREE.focus >= 0 && TREE.nodes.length ? rowPath(TREE.focus) : '');
    post(JSON.stringify({ copy: text }));
  } else if (data.command === 'selectAll') {
    selectPageText();
    ALL_SELECTED = TREE.nodes.length > 0;
  }
  else if (typeof data.dark === 'boolean') setHostDark(data.dark);
  else if (data.find) showFind(data.find);
  else if (data.settingNotSaved) $('saveNotice').hidden = false;
  else if (data.checkStarted || data.checkProgress || data.checkDone || data.checkRefused !== undefined ||
    data.checkChooser !== undefined) onCheckMessage(data);
  else if (data.trackerAnswer || data.trackersDone) onTrackerMessage(data);
}

// Plain keys the file manager binds: the host never sees them unless the page passes them on.
// Keys with Ctrl or Alt, function keys and Escape reach the host before the page.
const HOST_KEYS = new Set(['n', 'p', '1', '2', '3', '4', '5', '6', '7', 'a', 's', 'v', 'w', 'f', 'l', 'c', 'Tab']);

const isField = (element) => !!element && (element.matches('input, select, textarea') || element.isContentEditable);

function onPageKey(ev) {
  if (ev.defaultPrevented || ev.ctrlKey || ev.altKey || ev.metaKey || isField(ev.target)) return;
  if (ev.key === 'Escape' && $('pop').classList.contains('open')) {
    closePanel();
    return;
  }
  const key = ev.key.length === 1 ? ev.key.toLowerCase() : ev.key;
  if (ev.shiftKey || !HOST_KEYS.has(key)) return;
  // Tab still moves the focus in the page: only in Quick View does the host pass it on.
  if (key !== 'Tab') ev.preventDefault();
  try {
    post(JSON.stringify({ key: key }));
  } catch (err) {
    // Outside the control there is no file manager to tell.
  }
}

// The host takes Escape, Ctrl+A and Ctrl+C for itself unless the page says it needs them: while
// a field has the focus or the settings panel is open.
let PAGE_KEYS = false;
function updateKeyOwner() {
  const wanted = isField(document.activeElement) || $('pop').classList.contains('open');
  if (wanted === PAGE_KEYS) return;
  PAGE_KEYS = wanted;
  try {
    post(JSON.stringify({ keys: wanted ? 'page' : 'host' }));
  } catch (err) {
    // No host.
  }
}

function closePanel() {
  $('pop').classList.remove('open');
  updateKeyOwner();
}

// Escape in any control of the settings panel closes it, the focus going back to its button.
function onPanelKey(ev) {
  if (ev.key !== 'Escape') return;
  ev.preventDefault();
  ev.stopPropagation();
  closePanel();
  $('gearBtn').focus();
}

// The file tree: one flat model in display order, drawn only where it shows.
'use strict';

// Past this depth rows indent no further, and show their level as a number instead, so that a
// deep tree's names stay in a Quick View pane.
const INDENT_LEVELS = 10;

const CAT_EXT = {
  video: ['mkv', 'mp4', 'avi', 'mov', 'wmv', 'flv', 'webm', 'm4v', 'mpg', 'mpeg', 'ts', 'm2ts', 'vob'],
  audio: ['mp3', 'flac', 'wav', 'aac', 'ogg', 'm4a', 'opus', 'wma', 'cue'],
  image: ['jpg', 'jpeg', 'png', 'gif', 'webp', 'bmp', 'tif', 'tiff', 'svg', 'heic', 'avif'],
  archive: ['zip', 'rar', '7z', 'tar', 'gz', 'bz2', 'xz', 'iso', 'cab'],
  doc: ['doc', 'docx', 'xls', 'xlsx', 'ppt', 'pptx', 'odt', 'ods', 'odp', 'rtf', 'epub', 'mobi'],
  pdf: ['pdf'],
  text: ['txt', 'nfo', 'diz', 'md', 'log', 'csv', 'ini', 'cfg', 'conf'],
  subtitle: ['srt', 'ass', 'ssa', 'sub', 'vtt', 'idx'],
  code: ['html', 'htm', 'css', 'js', 'json', 'xml', 'yml', 'yaml', 'py', 'cpp', 'c', 'h', 'hpp', 'cs', 'java', 'sh', 'bat', 'ps1', 'php', 'rb', 'go', 'rs'],
  app: ['exe', 'msi', 'apk', 'appx', 'dll'],
  disc: ['iso', 'bin', 'img', 'mdf', 'nrg'],
};

// A later row wins: "iso" ends up in disc.
const EXT_CAT = new Map();
for (const [cat, exts] of Object.entries(CAT_EXT)) {
  for (const ext of exts) EXT_CAT.set(ext, cat);
}

function extOf(name) {
  const text = String(name || '');
  const dot = text.lastIndexOf('.');
  if (dot < 0) return '';
  const ext = text.slice(dot + 1);
  if (!ext || /[./\\]/.test(ext)) return '';
  return ext.toLowerCase();
}

function categoryOf(n) {
  if (n.dir) return 'folder';
  return EXT_CAT.get(extOf(n.name)) || 'unknown';
}

function iconImg(n) {
  const cat = n.link !== undefined ? 'link' : categoryOf(n);
  return '<i class="ico cat-' + cat + '"></i>';
}

// Each icon becomes a mask painted in its row's colour: one image per kind, decoded once, where
// an SVG reference in every row would copy its drawing into each row drawn.
function installIconMasks() {
  const style = document.createElement('style');
  style.textContent = [...document.querySelectorAll('symbol[id^="i-"]')].map((symbol) => {
    const svg = '<svg xmlns="http://www.w3.org/2000/svg" viewBox="' + symbol.getAttribute('viewBox') +
      '" fill="none" stroke="#000" stroke-width="1.8" stroke-linecap="round" stroke-linejoin="round">' +
      symbol.innerHTML + '</svg>';
    const image = 'url("data:image/svg+xml,' + encodeURIComponent(svg) + '")';
    return '.ico.cat-' + symbol.id.slice(2) + ' { -webkit-mask-image: ' + image + '; mask-image: ' + image + '; }';
  }).join('\n');
  document.head.appendChild(style);
}

// Files Windows runs when opened: marked as the executable attribute is.
const RUNS_WHEN_OPENED = new Set(['exe', 'scr', 'com', 'bat', 'cmd', 'msi', 'ps1', 'js', 'vbs', 'lnk']);

const COLLATOR = new Intl.Collator(undefined, { numeric: false });

// The column the files are sorted by, and its direction: folders first whatever it is.
const SORT = { key: 'name', descending: false };

function ordered(nodes) {
  const sign = SORT.descending ? -1 : 1;
  return nodes.slice().sort((a, b) => {
    if (!a.dir !== !b.dir) return a.dir ? -1 : 1;
    if (SORT.key === 'size' && Number(a.size) !== Number(b.size)) return sign * (Number(a.size) - Number(b.size));
    return sign * COLLATOR.compare(String(a.name || ''), String(b.name || ''));
  });
}

// The tree as one flat model in display order, made once per document and kept in typed arrays
// indexed by row: a tree of 200,000 files is a handful of allocations. Only the rows in and near
// view are drawn.
const TREE = {
  nodes: [],            // each row's node of the document
  depth: null,          // Int32Array: the row's level below the top, from 0
  parent: null,         // Int32Array: the row of its folder, or -1
  end: null,            // Int32Array: the row after its subtree
  docRow: null,         // Int32Array: the document's depth-first node number -> row (-1 for none)
  collapsed: null,      // Uint8Array: folder rows that are closed
  visible: new Int32Array(0),
  filter: null,         // Int32Array of rows shown while filtering, else null
  lowered: null,        // lower-case names, made at the first filter
  focus: -1,            // the focused row
  hit: null,            // { row, start, length }: the host's last find in the tree
  rowHeight: 0,
  fileCount: 0,
};
const OVERSCAN = 20;

function buildTree(top) {
  // The document numbers its nodes depth first in its own order, the root being 0.
  let total = 0;
  const stack = top.slice().reverse();
  while (stack.length) {
    const n = stack.pop();
    n.docNumber = ++total;
    const kids = n.dir && Array.isArray(n.children) ? n.children : null;
    if (kids) for (let i = kids.length - 1; i >= 0; i--) stack.push(kids[i]);
  }
  const nodes = new Array(total);
  const depth = new Int32Array(total);
  const parent = new Int32Array(total);
  const end = new Int32Array(total);
  const docRow = new Int32Array(total + 1).fill(-1);
  // Rows still to lay out, last first, as three parallel stacks.
  const pendingNode = [], pendingDepth = [], pendingParent = [];
  const pend = (list, level, folder) => {
    for (let i = list.length - 1; i >= 0; i--) {
      pendingNode.push(list[i]);
      pendingDepth.push(level);
      pendingParent.push(folder);
    }
  };
  pend(ordered(top), 0, -1);
  const open = [];  // folder rows whose subtree is still being laid out
  let count = 0, files = 0;
  while (pendingNode.length) {
    const node = pendingNode.pop(), level = pendingDepth.pop(), folder = pendingParent.pop();
    while (open.length && depth[open[open.length - 1]] >= level) end[open.pop()] = count;
    const row = count++;
    nodes[row] = node;
    depth[row] = level;
    parent[row] = folder;
    end[row] = row + 1;
    docRow[node.docNumber] = row;
    if (!node.dir) {
      files++;
      continue;
    }
    open.push(row);
    if (Array.isArray(node.children)) pend(ordered(node.children), level + 1, row);
  }
  while (open.length) end[open.pop()] = count;
  // Each folder's files, counted from the last row up.
  const filesIn = new Int32Array(total);
  for (let row = total - 1; row >= 0; row--) {
    if (!nodes[row].dir) filesIn[row] = 1;
    if (parent[row] >= 0) filesIn[parent[row]] += filesIn[row];
  }
  if (typeof CHECK !== 'undefined' && TREE.top !== top) CHECK.status = null;
  Object.assign(TREE, { top, nodes, depth, parent, end, docRow, filesIn, collapsed: new Uint8Array(total),
    filter: null, lowered: null, matched: null, fileRows: null, sizes: null, buffers: null, shown: null, emitted: null,
    fileCount: files });
}

// Sorts by a column: a new column starts ascending for names and descending for sizes, the same
// one turns around. The model is made again in the new order; the filter and focus stay.
function sortBy(key) {
  if (!TREE.nodes.length) return;
  SORT.descending = SORT.key === key ? !SORT.descending : key === 'size';
  SORT.key = key;
  const focused = TREE.nodes[TREE.focus];
  const collapsed = new Set();
  TREE.nodes.forEach((node, row) => { if (TREE.collapsed[row]) collapsed.add(node); });
  buildTree(TREE.top);
  TREE.nodes.forEach((node, row) => { if (collapsed.has(node)) TREE.collapsed[row] = 1; });
  TREE.focus = Math.max(0, TREE.nodes.indexOf(focused));
  for (const [id, column] of [['sortName', 'name'], ['sortSize', 'size']]) {
    $(id).setAttribute('aria-sort', SORT.key !== column ? 'none' : SORT.descending ? 'descending' : 'ascending');
  }
  const text = $('fileFilter').value;
  if (text) filterFiles(text);
  else {
    computeVisible();
    drawTree();
  }
  setTimeout(postTreeOrder, 0);
}

// A row's names from the top of the tree down to its own.
function rowNames(index) {
  const names = [];
  for (let at = index; at >= 0; at = TREE.parent[at]) names.push(String(TREE.nodes[at].name));
  return names.reverse();
}

// A row's path as the file manager writes one: from the torrent's folder down.
function rowPath(index) {
  const names = rowNames(index);
  if (DATA && DATA.multiFile && DATA.tree && DATA.tree.name) names.unshift(String(DATA.tree.name));
  return names.join('\\');
}

// The rows shown: every row, or the filter's, less those inside closed folders.
function computeVisible() {
  const { nodes, collapsed, end } = TREE;
  if (TREE.filter) {
    const visible = new Int32Array(TREE.filter.length);
    let count = 0;
    let skipUntil = -1;
    for (const row of TREE.filter) {
      if (row < skipUntil) continue;
      visible[count++] = row;
      if (nodes[row].dir && collapsed[row]) skipUntil = end[row];
    }
    TREE.visible = visible.subarray(0, count);
    return;
  }
  const visible = new Int32Array(nodes.length);
  let count = 0;
  for (let i = 0; i < nodes.length;) {
    visible[count++] = i;
    i = nodes[i].dir && collapsed[i] ? end[i] : i + 1;
  }
  TREE.visible = visible.subarray(0, count);
}

const isOpen = (index) => TREE.nodes[index].dir && !TREE.collapsed[index];

// The part of a row's name to mark: the host's find hit, or the filter's word.
function markedSpan(index, word) {
  if (TREE.hit && TREE.hit.row === index) return [TREE.hit.start, TREE.hit.length];
  if (!word) return null;
  const name = String(TREE.nodes[index].name);
  const lowered = name.toLowerCase();
  const at = lowered.indexOf(word);
  // A few letters change length in lower case; their names go unmarked rather than mismarked.
  return at >= 0 && lowered.length === name.length ? [at, word.length] : null;
}

function rowHtml(index, position, markWord) {
  const n = TREE.nodes[index];
  const level = TREE.depth[index];
  const text = String(n.name);
  const span = markedSpan(index, markWord);
  const name = span ? esc(text.slice(0, span[0])) + '<mark>' + esc(text.slice(span[0], span[0] + span[1])) +
    '</mark>' + esc(text.slice(span[0] + span[1])) : esc(text);
  let marks = '';
  if (n.link !== undefined) marks += '<span class="target">→ ' + esc(n.link) + '</span>';
  if (n.executable || (!n.dir && RUNS_WHEN_OPENED.has(extOf(text)))) {
    marks += '<span class="mark" title="Runs when opened">exec</span>';
  }
  if (n.hidden) marks += '<span class="mark" title="Hidden">hidden</span>';
  const status = CHECK.status && CHECK.status[index];
  const note = status && CHECK.notes ? CHECK.notes[index] : '';
  if (status) {
    marks += '<span class="st st-' + esc(status) + '"' + (note ? ' title="' + esc(note) + '"' : '') + '>' +
      esc(STATUS_MARK[status] || status) + '</span>';
  }
  const open = isOpen(index);
  return '<div class="row' + (n.dir ? ' dir' : '') + (index === TREE.focus ? ' focused' : '') +
    '" role="treeitem" id="row-' + index + '" data-row="' + index + '" aria-level="' + (level + 1) + '"' +
    (status ? ' data-status="' + esc(status) + '"' : '') +
    (n.dir ? ' aria-expanded="' + open + '"' : '') + ' style="top:' + position * TREE.rowHeight +
    'px;padding-left:' + (4 + Math.min(level, INDENT_LEVELS) * 18) + 'px"><div class="nm">' +
    (level > INDENT_LEVELS ? '<span class="depth" aria-hidden="true" title="Level ' + (level + 1) + '">' + (level + 1) + '</span>' : '') +
    '<span class="twisty" aria-hidden="true">' + (n.dir ? (open ? '▾' : '▸') : '') + '</span>' + iconImg(n) + '<span class="t" title="' +
    esc(rowPath(index) + '\n' + fmtCount(n.size) + ' bytes') + '">' + name + '</span>' + marks +
    (n.dir ? '<span class="cnt">' + fmtCount(TREE.filesIn[index]) + ' file' + (TREE.filesIn[index] === 1 ? '' : 's') + '</span>' : '') +
    '</div><span class="sz">' + esc(fmtSize(n.size)) + '</span></div>';
}

function measureRow() {
  const files = $('files');
  files.innerHTML = '<div class="row"><div class="nm"><span class="t">M</span></div></div>';
  TREE.rowHeight = files.firstChild.offsetHeight || 21;
}

// Draws the rows in and near view; the rest of the tree is an empty, full-height container.
function drawTree() {
  const files = $('files');
  const main = document.querySelector('main');
  const total = TREE.visible.length;
  if (TREE.filter && !total) {
    files.style.height = '';
    files.innerHTML = '<div class="empty">No files match “' + esc($('fileFilter').value.trim()) + '”.</div>';
    files.setAttribute('aria-activedescendant', '');
    return;
  }
  files.style.height = total * TREE.rowHeight + 'px';
  const top = main.scrollTop - (files.getBoundingClientRect().top - main.getBoundingClientRect().top + main.scrollTop);
  // A scroll position the shorter tree no longer reaches still draws its last rows.
  const first = Math.max(0, Math.min(total - 1, Math.floor(top / TREE.rowHeight)) - OVERSCAN);
  const last = Math.min(total, Math.max(first + OVERSCAN, Math.ceil((top + main.clientHeight) / TREE.rowHeight) + OVERSCAN));
  // The filter's first plain word within a name is marked in each row.
  const markWord = TREE.filter ? $('fileFilter').value.toLowerCase().split(/\s+/).find((w) => w && !/[*?/]/.test(w) && !w.startsWith('-')) : '';
  let html = '';
  for (let position = first; position < last; position++) html += rowHtml(TREE.visible[position], position, markWord);
  files.innerHTML = html;
  // Only a row that is drawn can be pointed at.
  files.setAttribute('aria-activedescendant', TREE.focus >= 0 && document.getElementById('row-' + TREE.focus) ? 'row-' + TREE.focus : '');
}

let DRAW_PENDING = false;
function requestDraw() {
  if (DRAW_PENDING) return;
  DRAW_PENDING = true;
  requestAnimationFrame(() => {
    DRAW_PENDING = false;
    if (TREE.nodes.length) drawTree();
  });
}

// Opens or closes every folder. A filter stays as it was typed: it shows its matches open.
function setAll(collapsed) {
  if (!TREE.nodes.length) return;
  TREE.collapsed.fill(collapsed ? 1 : 0);
  computeVisible();
  drawTree();
}

function toggleRow(index, collapsed = !TREE.collapsed[index]) {
  if (!TREE.nodes[index] || !TREE.nodes[index].dir) return;
  TREE.collapsed[index] = collapsed ? 1 : 0;
  computeVisible();
  drawTree();
}

// One listener for every row: twisties open and close folders, a click focuses the row.
function onTreeClick(ev) {
  const rowElement = ev.target.closest ? ev.target.closest('.row') : null;
  if (!rowElement) return;
  const index = Number(rowElement.dataset.row);
  TREE.focus = index;
  if (ev.target.closest('.twisty') && TREE.nodes[index].dir) {
    ev.stopPropagation();
    toggleRow(index);
  } else {
    drawTree();
  }
}

// What was typed into the tree, and when: letters within a second make one prefix.
const TYPED = { text: '', at: -Infinity };

// Keys of a desktop tree view. Only the keys it uses are taken; the others go on to the host.
function onTreeKey(ev) {
  const visible = TREE.visible;
  // Ctrl+C on a row, nothing selected: that row's path, as the file manager's copy gives it.
  if ((ev.ctrlKey || ev.metaKey) && !ev.altKey && ev.key.toLowerCase() === 'c' && TREE.focus >= 0 && !String(window.getSelection())) {
    ev.preventDefault();
    copyText(rowPath(TREE.focus));
    return;
  }
  if (!visible.length || ev.altKey || ev.ctrlKey || ev.metaKey) return;
  const position = Math.max(0, visible.indexOf(TREE.focus));
  const focus = visible[position];
  const node = TREE.nodes[focus];
  const next = visible[Math.min(visible.length - 1, position + 1)];
  let target = focus;
  switch (ev.key) {
    case 'ArrowDown': target = next; break;
    case 'ArrowUp': target = visible[Math.max(0, position - 1)]; break;
    case 'Home': target = visible[0]; break;
    case 'End': target = visible[visible.length - 1]; break;
    case 'ArrowRight':
      if (node.dir && !isOpen(focus)) toggleRow(focus, false);
      else if (node.dir && TREE.parent[next] === focus) target = next;
      break;
    case 'ArrowLeft':
      if (isOpen(focus)) toggleRow(focus, true);
      else if (TREE.parent[focus] >= 0) target = TREE.parent[focus];
      break;
    case 'Enter': toggleRow(focus); break;
    case 'PageDown':
    case 'PageUp': {
      const page = Math.max(1, Math.floor(document.querySelector('main').clientHeight / TREE.rowHeight) - 1);
      const to = ev.key === 'PageDown' ? Math.min(visible.length - 1, position + page) : Math.max(0, position - page);
      target = visible[to];
      break;
    }
    default: {
      // Letters typed quickly move to the next name that starts with them, as a Windows tree
      // view does; a pause starts a new prefix.
      if (ev.key.length !== 1 || ev.shiftKey || !/[\p{L}\p{N} ._-]/u.test(ev.key)) return;
      const now = performance.now();
      const typed = now - TYPED.at < 1000 ? TYPED.text + ev.key.toLowerCase() : ev.key.toLowerCase();
      TYPED.text = typed;
      TYPED.at = now;
      // A longer prefix may still fit the row it is on; a first letter looks past it.
      for (let step = typed.length > 1 ? 0 : 1; step <= visible.length; step++) {
        const candidate = visible[(position + step) % visible.length];
        if (String(TREE.nodes[candidate].name).toLowerCase().startsWith(typed)) {
          target = candidate;
          break;
        }
      }
    }
  }
  ev.preventDefault();
  focusRow(target);
}

// Focuses a row and scrolls it into view.
function focusRow(index) {
  TREE.focus = index;
  const position = TREE.visible.indexOf(index);
  const main = document.querySelector('main');
  const files = $('files');
  const rowTop = files.getBoundingClientRect().top - main.getBoundingClientRect().top + main.scrollTop + position * TREE.rowHeight;
  // The head stays over the top of the tree: a row is in view below it.
  const head = document.querySelector('.files-head').offsetHeight;
  if (rowTop - head < main.scrollTop) main.scrollTop = rowTop - head;
  else if (rowTop + TREE.rowHeight > main.scrollTop + main.clientHeight) main.scrollTop = rowTop + TREE.rowHeight - main.clientHeight;
  drawTree();
}

function renderFiles(t) {
  const files = $('files');
  const ctrls = document.querySelector('.ctrls');
  const filter = document.querySelector('.filter');
  let top = t.tree && Array.isArray(t.tree.children) ? t.tree.children : [];
  const single = !top.length && t.name;
  if (!top.length && !t.name) {
    TREE.nodes = [];
    files.style.height = '';
    files.innerHTML = '<div class="empty">No files.</div>';
    ctrls.style.display = 'none';
    filter.style.display = 'none';
    return;
  }
  if (single) top = [{ name: t.name, dir: false, size: t.totalSize }];
  // A single file has the same toolbar, less what folders need.
  ctrls.style.display = '';
  filter.style.display = '';
  $('expand').hidden = !!single;
  $('collapse').hidden = !!single;
  buildTree(top);
  showTree(t);
  if (!single) setTimeout(postTreeOrder, 0);
}

// The host's find goes through the tree in the order shown: it learns it once the rows are up.
function postTreeOrder() {
  if (!window.chrome || !window.chrome.webview) return;
  const numbers = new Array(TREE.nodes.length);
  for (let row = 0; row < numbers.length; row++) numbers[row] = TREE.nodes[row].docNumber;
  post(JSON.stringify({ order: numbers.join(' ') }));
}

// Shows the model from the start: folders as the tree setting says, the filter applied, sizes
// in the current unit. A change of unit or separator comes here without building the model
// again.
function showTree(t) {
  TREE.collapsed.fill(CFG.tree === 'collapsed' ? 1 : 0);
  TREE.focus = TREE.nodes.length ? 0 : -1;
  TREE.hit = null;
  measureRow();
  const text = $('fileFilter').value;
  if (text) filterFiles(text);
  else {
    computeVisible();
    drawTree();
  }
  const pads = Number(t.padFileCount) || 0;
  $('padNote').hidden = !pads;
  $('padNote').textContent = pads ? pads + ' padding file' + (pads === 1 ? '' : 's') + ' (' + fmtSize(t.padFileSize) + ') not shown.' : '';
}

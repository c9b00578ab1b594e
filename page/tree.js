// The file tree: one flat model in display order, drawn only where it shows.
'use strict';

// ---- file tree ----

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
  return '<svg class="ico cat-' + cat + '"><use href="#i-' + cat + '"/></svg>';
}

const COLLATOR = new Intl.Collator(undefined, { numeric: false });

function ordered(nodes) {
  return nodes.slice().sort((a, b) => {
    if (!a.dir !== !b.dir) return a.dir ? -1 : 1;
    return COLLATOR.compare(String(a.name || ''), String(b.name || ''));
  });
}

// The tree as one flat model in display order, made once per document: each row's node, depth,
// parent row and the row after its subtree. Only the rows in and near view are drawn.
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
  Object.assign(TREE, { nodes, depth, parent, end, docRow, collapsed: new Uint8Array(total), filter: null,
    lowered: null, fileCount: files });
}

function computeVisible() {
  if (TREE.filter) {
    TREE.visible = TREE.filter;
    return;
  }
  const { nodes, collapsed, end } = TREE;
  const visible = new Int32Array(nodes.length);
  let count = 0;
  for (let i = 0; i < nodes.length;) {
    visible[count++] = i;
    i = nodes[i].dir && collapsed[i] ? end[i] : i + 1;
  }
  TREE.visible = visible.subarray(0, count);
}

const isOpen = (index) => TREE.nodes[index].dir && (TREE.filter !== null || !TREE.collapsed[index]);

// The part of a row's name to mark: the host's find hit, or what the filter matched.
function markedSpan(index, filterText) {
  if (TREE.hit && TREE.hit.row === index) return [TREE.hit.start, TREE.hit.length];
  if (!filterText) return null;
  const lowered = TREE.lowered[index];
  const at = lowered.indexOf(filterText);
  // A few letters change length in lower case; their names go unmarked rather than mismarked.
  return at >= 0 && lowered.length === String(TREE.nodes[index].name).length ? [at, filterText.length] : null;
}

function rowHtml(index, position, filterText) {
  const n = TREE.nodes[index];
  const level = TREE.depth[index];
  const text = String(n.name);
  const span = markedSpan(index, filterText);
  const name = span ? esc(text.slice(0, span[0])) + '<mark>' + esc(text.slice(span[0], span[0] + span[1])) +
    '</mark>' + esc(text.slice(span[0] + span[1])) : esc(text);
  let marks = '';
  if (n.link !== undefined) marks += '<span class="target">→ ' + esc(n.link) + '</span>';
  if (n.executable) marks += '<span class="mark" title="Executable">exec</span>';
  if (n.hidden) marks += '<span class="mark" title="Hidden">hidden</span>';
  const open = isOpen(index);
  return '<div class="row' + (n.dir ? ' dir' : '') + (index === TREE.focus ? ' focused' : '') +
    '" role="treeitem" id="row-' + index + '" data-row="' + index + '" aria-level="' + (level + 1) + '"' +
    (n.dir ? ' aria-expanded="' + open + '"' : '') + ' style="top:' + position * TREE.rowHeight +
    'px;padding-left:' + (4 + level * 18) + 'px"><div class="nm"><span class="twisty">' +
    (n.dir ? (open ? '▾' : '▸') : '') + '</span>' + iconImg(n) + '<span class="t">' + name + '</span>' +
    marks + '</div><span class="sz">' + esc(fmtSize(n.size)) + '</span></div>';
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
  files.style.height = total * TREE.rowHeight + 'px';
  const top = main.scrollTop - (files.getBoundingClientRect().top - main.getBoundingClientRect().top + main.scrollTop);
  const first = Math.max(0, Math.floor(top / TREE.rowHeight) - OVERSCAN);
  const last = Math.min(total, Math.ceil((top + main.clientHeight) / TREE.rowHeight) + OVERSCAN);
  const filterText = TREE.filter ? $('fileFilter').value.toLowerCase() : '';
  let html = '';
  for (let position = first; position < last; position++) html += rowHtml(TREE.visible[position], position, filterText);
  files.innerHTML = html;
  files.setAttribute('aria-activedescendant', TREE.focus >= 0 ? 'row-' + TREE.focus : '');
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

// Expand all and Collapse all act on the whole tree, so they end a filter.
function setAll(collapsed) {
  if (!TREE.nodes.length) return;
  if (TREE.filter) $('fileFilter').value = '';
  TREE.filter = null;
  $('filterCount').textContent = '';
  TREE.collapsed.fill(collapsed ? 1 : 0);
  computeVisible();
  drawTree();
}

function toggleRow(index, collapsed = !TREE.collapsed[index]) {
  if (!TREE.nodes[index] || !TREE.nodes[index].dir || TREE.filter) return;
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

// Keys of a desktop tree view. Only the keys it uses are taken; the others go on to the host.
function onTreeKey(ev) {
  const visible = TREE.visible;
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
      if (isOpen(focus) && !TREE.filter) toggleRow(focus, true);
      else if (TREE.parent[focus] >= 0) target = TREE.parent[focus];
      break;
    case 'Enter': toggleRow(focus); break;
    default: return;
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
  if (rowTop < main.scrollTop) main.scrollTop = rowTop;
  else if (rowTop + TREE.rowHeight > main.scrollTop + main.clientHeight) main.scrollTop = rowTop + TREE.rowHeight - main.clientHeight;
  drawTree();
}

// Shows only the files whose name holds the text (any letter case), with their folders open.
function filterFiles(text) {
  const wanted = text.toLowerCase();
  TREE.hit = null;
  if (!wanted) {
    TREE.filter = null;
    $('filterCount').textContent = '';
  } else {
    const { nodes, parent } = TREE;
    if (!TREE.lowered) TREE.lowered = nodes.map((node) => String(node.name).toLowerCase());
    const shown = new Int32Array(nodes.length);
    const emitted = new Uint8Array(nodes.length);
    let count = 0;
    let matches = 0;
    const emit = (index) => {
      if (index < 0 || emitted[index]) return;
      emit(parent[index]);
      emitted[index] = 1;
      shown[count++] = index;
    };
    for (let i = 0; i < nodes.length; i++) {
      if (!nodes[i].dir && TREE.lowered[i].includes(wanted)) {
        matches++;
        emit(i);
      }
    }
    TREE.filter = shown.subarray(0, count);
    $('filterCount').textContent = matches.toLocaleString('en') + ' of ' + TREE.fileCount.toLocaleString('en') + ' files';
  }
  computeVisible();
  if (!TREE.visible.includes(TREE.focus)) TREE.focus = TREE.visible.length ? TREE.visible[0] : -1;
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
  ctrls.style.display = single ? 'none' : '';
  filter.style.display = single ? 'none' : '';
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

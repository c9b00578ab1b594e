// The torrent's metadata: the summary, values, copy buttons and trackers.
'use strict';

// ---- metadata ----

function trackerInfo(t) {
  let tiers = [];
  if (Array.isArray(t.trackerTiers) && t.trackerTiers.length) tiers = t.trackerTiers;
  else if (t.announce) tiers = [[t.announce]];
  const seen = new Set();
  const all = [];
  for (const tier of tiers) {
    for (const url of (Array.isArray(tier) ? tier : [])) {
      if (!url || seen.has(url)) continue;
      seen.add(url);
      all.push(url);
    }
  }
  return { primary: all.length ? all[0] : '', rest: all.slice(1) };
}

// A value the host's find can point at: `key` names it in the find message.
function findable(key, value, cls = '') {
  return '<span data-find="' + key + '"' + (cls ? ' class="' + cls + '"' : '') + '>' + esc(value) + '</span>';
}

function copyButton(value) {
  return '<button type="button" class="copy" data-copy="' + esc(value) + '">Copy</button>';
}

function listValue(key, values) {
  let list = '';
  values.forEach((value, i) => { list += '<li>' + findable(key + '.' + i, value, 'mono') + '</li>'; });
  return '<ul class="trk-list">' + list + '</ul>';
}

const textList = (value) => (Array.isArray(value) ? value.map(String) : []);

function renderMeta(t) {
  const rows = [];
  const add = (label, value, labelIsMarkup) => rows.push([labelIsMarkup ? label : esc(label), value]);
  add('Name', findable('name', t.name));
  add(t.multiFile ? 'Total size' : 'Size', esc(fmtSize(t.totalSize)));
  add('Files', esc(String(t.fileCount)));
  add('Pieces', esc(String(t.pieceCount)) + ' × ' + esc(fmtSize(t.pieceLength)));
  const trk = trackerInfo(t);
  if (!trk.primary) {
    add('Trackers', '<span class="muted">none</span>');
  } else if (!trk.rest.length) {
    add('Trackers', findable('tracker.0', trk.primary, 'mono'));
  } else {
    let list = '';
    trk.rest.forEach((url, i) => { list += '<li>' + findable('tracker.' + (i + 1), url, 'mono') + '</li>'; });
    add('<span class="trk-toggle" data-trk="1"><span class="trk-arrow">▸</span> Trackers</span>',
      findable('tracker.0', trk.primary, 'mono') + '<ul class="trk-list" hidden>' + list + '</ul>', true);
  }
  if (t.infoHashV1) add('Infohash (SHA-1)', findable('v1', t.infoHashV1, 'mono') + copyButton(t.infoHashV1));
  if (t.infoHashV2) add('Infohash (SHA-256)', findable('v2', t.infoHashV2, 'mono') + copyButton(t.infoHashV2));
  add('Private', t.hasPrivate && t.isPrivate
    ? '<span class="chip chip-private-yes">Yes</span>'
    : '<span class="chip chip-private-no">No</span>');
  if (t.comment) add('Comment', findable('comment', t.comment));
  if (t.createdBy) add('Created by', findable('createdBy', t.createdBy));
  const created = fmtDate(t.creationDate);
  if (created) add('Created', esc(created));
  (Array.isArray(t.custom) ? t.custom : []).forEach((c, i) => add(c.k, findable('custom.' + i, c.v)));
  if (t.source) add('Source', findable('source', t.source));
  const lists = [['Web seeds', 'webSeed', t.webSeeds], ['HTTP seeds', 'httpSeed', t.httpSeeds],
    ['DHT nodes', 'node', t.nodes], ['Similar torrents', 'similar', t.similar], ['Collections', 'collection', t.collections]];
  for (const [label, key, values] of lists) {
    const list = textList(values);
    if (list.length) add(label, listValue(key, list));
  }
  if (t.magnet) add('Magnet link', findable('magnet', t.magnet, 'mono') + copyButton(t.magnet));

  let html = '';
  for (const [label, value] of rows) html += '<dt>' + label + '</dt><dd>' + value + '</dd>';
  $('meta').innerHTML = html;
}

// Copies a text with the clipboard interface, or with the older command where a page may not
// use it.
function copyText(text) {
  const fallback = () => {
    const area = document.createElement('textarea');
    area.value = text;
    document.body.appendChild(area);
    area.select();
    document.execCommand('copy');
    area.remove();
  };
  try {
    return navigator.clipboard.writeText(text).catch(fallback);
  } catch (err) {
    fallback();
    return Promise.resolve();
  }
}

function onMetaClick(ev) {
  const toggle = ev.target.closest('[data-trk]');
  if (toggle) {
    const list = toggle.parentElement.nextElementSibling.querySelector('.trk-list');
    list.hidden = !list.hidden;
    toggle.querySelector('.trk-arrow').textContent = list.hidden ? '▸' : '▾';
    return;
  }
  const button = ev.target.closest('[data-copy]');
  if (!button) return;
  copyText(button.dataset.copy).then(() => {
    button.textContent = 'Copied';
    setTimeout(() => { button.textContent = 'Copy'; }, 1500);
  });
}

function summaryOf(t) {
  const count = Number(t.fileCount);
  return count + ' file' + (count === 1 ? '' : 's') + ' · ' + fmtSize(t.totalSize) + (t.isV2 ? ' · v2' : '');
}

function rerenderSizes() {
  if (!DATA) return;
  const start = performance.now();
  renderMeta(DATA);
  if (TREE.nodes.length) showTree(DATA);
  perf('rerenderSizes', start);
  $('summary').textContent = summaryOf(DATA);
}

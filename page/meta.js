// The torrent's metadata: the summary, values, copy buttons and trackers.
'use strict';

// The trackers as the document lists them, each address once already: tiers of addresses, the
// announce address alone when there are none. Numbered in that order for the host's find.
function trackerTiers(t) {
  let tiers = Array.isArray(t.trackerTiers) && t.trackerTiers.length ? t.trackerTiers : [];
  if (!tiers.length && t.announce) tiers = [[t.announce]];
  return tiers.map((tier) => (Array.isArray(tier) ? tier.map(String).filter(Boolean) : [])).filter((tier) => tier.length);
}

function trackerCount(t) {
  return trackerTiers(t).reduce((sum, tier) => sum + tier.length, 0);
}

// A value the host's find can point at: `key` names it in the find message.
function findable(key, value, cls = '') {
  return '<span data-find="' + key + '"' + (cls ? ' class="' + cls + '"' : '') + '>' + esc(value) + '</span>';
}

function copyButton(value) {
  return '<button type="button" class="copy" data-copy="' + esc(value) + '" aria-label="Copy">Copy</button>';
}

function listValue(key, values) {
  let list = '';
  values.forEach((value, i) => { list += '<li>' + findable(key + '.' + i, value, 'mono') + copyButton(value) + '</li>'; });
  return '<ul class="trk-list">' + list + '</ul>';
}

const textList = (value) => (Array.isArray(value) ? value.map(String) : []);

function versionOf(t) {
  if (!t.isV2) return 'v1';
  return t.infoHashV1 ? 'hybrid (v1 + v2)' : 'v2 only';
}


function trackersRow(t) {
  const tiers = trackerTiers(t);
  const count = trackerCount(t);
  if (!count) return '<span class="muted">none</span>';
  let number = 0;
  let list = '';
  for (let i = 0; i < tiers.length; i++) {
    if (tiers.length > 1) list += '<li class="tier">Tier ' + (i + 1) + '</li>';
    for (const url of tiers[i]) {
      list += '<li>' + findable('tracker.' + number, url, 'mono') + copyButton(url) +
        '<span class="answer muted" data-answer="' + number + '"></span></li>';
      number++;
    }
  }
  const label = 'Trackers (' + fmtCount(count) + (tiers.length > 1 ? ', in ' + tiers.length + ' tiers' : '') + ')';
  return '<button type="button" class="trk-toggle" data-trk="1" aria-expanded="false">' +
    '<span class="trk-arrow">▸</span> ' + esc(label) + '</button><button type="button" class="ask" id="askTrackers">Ask trackers</button>' +
    '<ul class="trk-list" hidden>' + list + '</ul>';
}

function renderMeta(t) {
  const rows = [];
  const add = (label, value) => rows.push([esc(label), value]);
  // A value as text, findable, with its copy control.
  const text = (label, key, value, cls = '') => add(label, findable(key, value, cls) + copyButton(value));
  text('Name', 'name', t.name);
  add(t.multiFile ? 'Total size' : 'Size', esc(fmtSize(t.totalSize)) + copyButton(String(t.totalSize)));
  add('Files', esc(fmtCount(t.fileCount)) + copyButton(String(t.fileCount)));
  const pieces = fmtCount(t.pieceCount) + ' × ' + fmtSize(t.pieceLength, 'auto');
  add('Pieces', esc(pieces) + copyButton(pieces));
  add('Version', esc(versionOf(t)) + copyButton(versionOf(t)));
  add('Trackers', trackersRow(t));
  if (t.infoHashV1) text('Infohash (SHA-1)', 'v1', t.infoHashV1, 'mono');
  if (t.infoHashV2) text('Infohash (SHA-256)', 'v2', t.infoHashV2, 'mono');
  const isPrivate = t.hasPrivate && t.isPrivate;
  add('Private', (isPrivate ? '<span class="chip chip-private-yes">Yes</span>' : 'No') + copyButton(isPrivate ? 'Yes' : 'No'));
  if (t.comment) {
    add('Comment', '<div class="clamp">' + findable('comment', t.comment, 'comment') + '</div>' +
      '<button type="button" class="more" hidden>More</button>' + copyButton(t.comment));
  }
  if (t.createdBy) text('Created by', 'createdBy', t.createdBy);
  const created = fmtDate(t.creationDate);
  if (created) {
    add('Created', esc(created) + (t.creationDateInMilliseconds ? ' <span class="notice">(stored in milliseconds)</span>' : '') +
      copyButton(created));
  }
  (Array.isArray(t.custom) ? t.custom : []).forEach((c, i) => text(c.k, 'custom.' + i, c.v));
  if (t.source) text('Source', 'source', t.source);
  const lists = [['Web seeds', 'webSeed', t.webSeeds], ['HTTP seeds', 'httpSeed', t.httpSeeds],
    ['DHT nodes', 'node', t.nodes], ['Similar torrents', 'similar', t.similar], ['Collections', 'collection', t.collections]];
  for (const [label, key, values] of lists) {
    const list = textList(values);
    if (list.length) add(label, listValue(key, list));
  }
  if (t.magnet) {
    const passkey = t.magnetHoldsPasskey === true;  // a private tracker's secret, not to be handed on
    add('Magnet link', '<span class="oneline">' + findable('magnet', t.magnet, 'mono') + '</span>' +
      copyButton(t.magnet) + (passkey ? '<span class="notice">holds a tracker passkey: keep it to yourself</span>' : ''));
  }

  let html = '';
  for (const [label, value] of rows) html += '<dt>' + label + '</dt><dd>' + value + '</dd>';
  $('meta').innerHTML = html;
  // "More" only where the clamp cuts something.
  for (const clamp of $('meta').querySelectorAll('.clamp')) {
    clamp.nextElementSibling.hidden = clamp.scrollHeight <= clamp.clientHeight + 1;
  }
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
  if (ev.target.closest('#askTrackers')) {
    askTrackers();
    return;
  }
  const toggle = ev.target.closest('[data-trk]');
  if (toggle) {
    const list = toggle.parentElement.querySelector('.trk-list');
    list.hidden = !list.hidden;
    toggle.setAttribute('aria-expanded', String(!list.hidden));
    toggle.querySelector('.trk-arrow').textContent = list.hidden ? '▸' : '▾';
    return;
  }
  const more = ev.target.closest('.more');
  if (more) {
    const clamp = more.previousElementSibling;
    clamp.classList.toggle('open');
    more.textContent = clamp.classList.contains('open') ? 'Less' : 'More';
    return;
  }
  const button = ev.target.closest('[data-copy]');
  if (!button) return;
  copyText(button.dataset.copy).then(() => {
    button.textContent = 'Copied';
    setTimeout(() => { button.textContent = 'Copy'; }, 1500);
  });
}

// What the trackers said, kept so that a redraw (another size unit, another theme) shows it again.
const TRACKERS = { asking: false, answers: new Map(), done: null };

// Asks the trackers through the host, only now: the page never does by itself.
function askTrackers() {
  const button = $('askTrackers');
  button.textContent = 'Asking…';
  button.disabled = true;
  TRACKERS.asking = true;
  TRACKERS.answers.clear();
  TRACKERS.done = null;
  showAnswers();
  post(JSON.stringify({ trackers: 'ask' }));
}

// Each state at a glance: an icon and a colour besides the words.
const ANSWER_ICON = { asking: '…', ok: '✓', error: '✕', timeout: '⏱', skipped: '–', unsupported: '–' };

function answerText(answer) {
  if (answer.status === 'asking') return 'asking…';
  if (answer.status === 'ok') return figuresText(answer);
  if (answer.status === 'error') return String(answer.message || 'error');
  if (answer.status === 'timeout') return 'timed out after 8 s';
  if (answer.status === 'unsupported') return 'not asked: no scrape address';
  if (answer.status === 'skipped') return 'not asked: ' + String(answer.message || 'local address');
  return String(answer.status);
}

// Every tracker's line as the trackers left it: an answer, or "asking…" while none came.
function showAnswers() {
  for (const slot of document.querySelectorAll('[data-answer]')) {
    const answer = TRACKERS.answers.get(Number(slot.dataset.answer)) || (TRACKERS.asking ? { status: 'asking' } : null);
    const status = answer ? String(answer.status) : '';
    slot.className = 'answer' + (status ? ' ans-' + status.replace(/[^a-z]/g, '') : '');
    slot.innerHTML = answer ? '<span class="ans-icon" aria-hidden="true">' + esc(ANSWER_ICON[status] || '?') + '</span>' + esc(answerText(answer)) : '';
  }
}

// The header's line, with the trackers' figures once they answered.
function headline() {
  if (!DATA) return '';
  const done = TRACKERS.done;
  return summaryOf(DATA) + (done ? ' · ' + (done.seeders !== undefined ? figuresText(done) : 'no tracker answered') : '');
}

function figuresText(figures) {
  return fmtCount(figures.seeders) + ' seeders · ' + fmtCount(figures.leechers) + ' leechers · ' +
    fmtCount(figures.completed) + ' completed';
}

// A tracker's answer on its line, the list opened; the headline under the title at the end.
function onTrackerMessage(data) {
  if (data.trackerAnswer) {
    const answer = data.trackerAnswer;
    const list = document.querySelector('.trk-list');
    if (list && list.hidden) document.querySelector('[data-trk]').click();
    $('metaSec').open = true;
    TRACKERS.answers.set(Number(answer.index), answer);
    showAnswers();
  } else if (data.trackersDone) {
    const button = $('askTrackers');
    if (button) {
      button.textContent = 'Ask trackers';
      button.disabled = false;
    }
    TRACKERS.asking = false;
    TRACKERS.done = data.trackersDone;
    showAnswers();
    $('summary').textContent = headline();
  }
}

// The header's line: what a user came to see first.
function summaryOf(t) {
  const count = Number(t.fileCount);
  const trackers = trackerCount(t);
  return [fmtSize(t.totalSize), fmtCount(count) + ' file' + (count === 1 ? '' : 's'), versionOf(t),
    t.isPrivate ? 'private' : 'public', trackers ? fmtCount(trackers) + ' tracker' + (trackers === 1 ? '' : 's') : 'no trackers']
    .join(' · ');
}

function rerenderSizes() {
  if (!DATA) return;
  const start = performance.now();
  renderMeta(DATA);
  showAnswers();
  if (TREE.nodes.length) showTree(DATA);
  perf('rerenderSizes', start);
  $('summary').textContent = headline();
}

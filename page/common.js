// The page's shared state, text formatting and messages to the host.
'use strict';

// The configuration as served, then as the settings panel changes it: the one copy of the
// page's settings.
let CFG = { themes: [], theme: '', mode: 'auto', tree: 'expanded', cachemode: 'portable', cachepath: '', perf: false };
let DATA = null;
let SETTINGS_READY = false;

const $ = (id) => document.getElementById(id);

// ---- formatting ----

// Bidirectional controls are shown, never applied: "invoice_2024_\u202Efdp.exe" must not read as
// a PDF.
const BIDI_MARKS = {
  '\u202A': 'LRE', '\u202B': 'RLE', '\u202C': 'PDF', '\u202D': 'LRO', '\u202E': 'RLO',
  '\u2066': 'LRI', '\u2067': 'RLI', '\u2068': 'FSI', '\u2069': 'PDI',
};
const visibleBidi = (text) => text.replace(/[\u202A-\u202E\u2066-\u2069]/g, (c) => '\u27E8' + BIDI_MARKS[c] + '\u27E9');

function esc(s) {
  if (s === null || s === undefined || s === '') return '';
  return visibleBidi(String(s)).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;');
}

// Digits in groups of three, by a space or the given separator.
function groupDigits(intStr, separator = ' ') {
  return String(intStr).replace(/\B(?=(\d{3})+(?!\d))/g, separator);
}

// Groups the integer part of a decimal text when the separator is on; decimals never.
function groupNumber(text) {
  if (!CFG.sepspace) return text;
  const dot = text.indexOf('.');
  return dot < 0 ? groupDigits(text) : groupDigits(text.slice(0, dot)) + text.slice(dot);
}

const FIXED_UNITS = { kb: [1024, 'KB'], mb: [1048576, 'MB'], gb: [1073741824, 'GB'] };
const AUTO_UNITS = ['B', 'KB', 'MB', 'GB', 'TB', 'PB'];

// A count as every count of the page shows it: grouped by the separator setting, else by commas.
function fmtCount(value) {
  const n = Math.round(Number(value) || 0);
  return groupDigits(String(n), CFG.sepspace ? ' ' : ',');
}

function fmtSize(b, chosen = CFG.sizeunit) {
  if (b === null || b === undefined) return '';
  let n = Number(b);
  // A damaged torrent's negative length is no size at all.
  if (!(n >= 0)) return '—';
  const wanted = chosen || 'auto';
  if (wanted === 'bytes') return groupNumber(String(Math.round(n))) + ' B';
  const fixed = FIXED_UNITS[wanted];
  // Too small for the unit: a smaller one, never a "0 GB" for something.
  if (fixed && (n === 0 || n / fixed[0] >= 0.005)) return groupNumber(String(Math.round(n / fixed[0] * 100) / 100)) + ' ' + fixed[1];
  let unit = 0;
  while (n >= 1024 && unit < AUTO_UNITS.length - 1) {
    n /= 1024;
    unit++;
  }
  if (unit === 0) return groupNumber(String(Math.round(n))) + ' B';
  // toFixed rounds the exact binary value and takes the larger neighbour on a tie.
  return groupNumber(n.toFixed(n < 10 ? 2 : 1)) + ' ' + AUTO_UNITS[unit];
}

function fmtDate(e) {
  if (!e) return '';
  const d = new Date(Number(e) * 1000);
  const format = CFG.datefmt || 'dmy';
  if (format === 'os') {
    try {
      return d.toLocaleString(navigator.language || undefined, { hourCycle: 'h23' });
    } catch (err) {
      return d.toLocaleString();  // a language tag the engine does not know
    }
  }
  const p = (v) => String(v).padStart(2, '0');
  const day = p(d.getDate()), month = p(d.getMonth() + 1), year = String(d.getFullYear());
  const time = p(d.getHours()) + ':' + p(d.getMinutes()) + ':' + p(d.getSeconds());
  if (format === 'mdy') return month + '/' + day + '/' + year + ' ' + time;
  if (format === 'iso') return year + '-' + month + '-' + day + ' ' + time;
  return day + '.' + month + '.' + year + ' ' + time;
}

// ---- messages ----

function post(text) {
  window.chrome.webview.postMessage(text);
}

// Reports a timing when tracing is on (the configuration's perf, unless told otherwise).
function perf(label, start, tracing = CFG.perf) {
  if (!tracing) return;
  const ms = (performance.now() - start).toFixed(3);
  try {
    post(JSON.stringify({ perf: '1', label: label, ms: ms }));
  } catch (err) {
    console.log('[Marrowpeek]', label, ms + ' ms');  // shown outside the control
  }
}

function postSetting(set, value) {
  $('saveNotice').hidden = true;
  try {
    post(JSON.stringify({ set: set, value: String(value) }));
  } catch (err) {
    // Outside the control nothing persists; the change still applies to the page.
  }
}

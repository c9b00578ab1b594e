// The page's run: documents fetched, everything drawn, the listeners set.
'use strict';

async function main() {
  const t0 = performance.now();
  installIconMasks();
  $('expand').onclick = () => setAll(false);
  $('collapse').onclick = () => setAll(true);
  $('checkBtn').onclick = startCheck;
  $('checkCancel').onclick = cancelCheck;
  $('checkChoose').onclick = chooseFolder;
  $('checkPath').onkeydown = (event) => {
    if (event.key === 'Enter' && !$('checkBtn').disabled) {
      event.preventDefault();
      startCheck();
    }
  };
  $('copyList').onclick = (ev) => copyText(fileListText()).then(() => {
    ev.target.textContent = 'Copied';
    setTimeout(() => { ev.target.textContent = 'Copy file list'; }, 1500);
  });

  try {
    // Timed under the configuration in force before it: only a run that already traced
    // reports this fetch.
    const tracing = CFG.perf;
    const start = performance.now();
    const response = await fetch('/config.json');
    CFG = JSON.parse(await response.text());
    perf('fetch config.json', start, tracing);
  } catch (err) {
    // No configuration (or a broken one): the previous one stays in force.
  }
  try {
    applyThemeByName(resolveThemeName(CFG.mode));
  } catch (err) {
    // Palettes the page cannot apply: the style sheet's colours and the fallbacks govern.
  }
  try {
    if (!SETTINGS_READY) {
      initSettings();
      SETTINGS_READY = true;
    } else {
      syncSettingsControls();
    }
  } catch (err) {
    // The page works without its panel.
  }
  applyFontSize(fontSizeOf(CFG));
  $('metaSec').open = CFG.details === true;

  try {
    const start = performance.now();
    const response = await fetch('/data.json');
    const t = JSON.parse(await response.text());
    perf('fetch data.json', start);
    if (!t || !t.ok) {
      $('title').textContent = 'Not a valid torrent';
      return;
    }
    DATA = t;
    TRACKERS.asking = false;
    TRACKERS.answers.clear();
    TRACKERS.done = null;
    $('title').textContent = t.name || '(unnamed)';
    $('summary').textContent = summaryOf(t);
    const warnings = textList(t.warnings);
    $('warnings').hidden = !warnings.length;
    $('warnings').textContent = warnings.join(' ');
    let step = performance.now();
    renderMeta(t);
    perf('renderMeta', step);
    step = performance.now();
    renderFiles(t);
    perf('renderFiles', step);
    perf('frontend main total', t0);
  } catch (err) {
    $('title').textContent = 'Failed to load data';
  }
}


// Details as the user last left it: only the user's own opening or closing is remembered, not the
// page's when it shows a find or a tracker's answer.
$('metaSec').querySelector('summary').addEventListener('click', () => setTimeout(() => {
  CFG.details = $('metaSec').open;
  postSetting('details', CFG.details ? '1' : '0');
}, 0));
$('files').addEventListener('click', onTreeClick);
$('files').addEventListener('keydown', onTreeKey);
$('meta').addEventListener('click', onMetaClick);
$('fileFilter').addEventListener('input', () => filterFiles($('fileFilter').value));
$('fileFilter').addEventListener('keydown', onFilterKey);
$('pop').addEventListener('keydown', onPanelKey);
for (const [id, key] of [['sortName', 'name'], ['sortSize', 'size']]) {
  $(id).addEventListener('click', () => sortBy(key));
  $(id).addEventListener('keydown', (ev) => {
    if (ev.key !== 'Enter' && ev.key !== ' ') return;
    ev.preventDefault();
    sortBy(key);
  });
}
for (const kind of ['mousedown', 'keydown']) document.addEventListener(kind, () => { ALL_SELECTED = false; }, true);
document.querySelector('main').addEventListener('scroll', requestDraw, { passive: true });
window.addEventListener('resize', () => {
  fitHead();
  requestDraw();
});
document.addEventListener('keydown', onPageKey);
document.addEventListener('focusin', updateKeyOwner);
document.addEventListener('focusout', () => setTimeout(updateKeyOwner, 0));
if (window.chrome && window.chrome.webview) {
  window.chrome.webview.addEventListener('message', (ev) => onHostMessage(ev.data));
}
main();

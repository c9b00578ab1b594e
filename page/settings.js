// The settings panel and the colour themes.
'use strict';

// The configuration's palettes, or null when it carries none.
function palettesOf(cfg) {
  return cfg.palettes && typeof cfg.palettes === 'object' ? cfg.palettes : null;
}

function paletteNames() {
  const palettes = palettesOf(CFG);
  if (palettes) return Object.keys(palettes);
  return Array.isArray(CFG.themes) ? CFG.themes.map(String) : [];
}

function resolveThemeName(mode) {
  if (mode && String(mode).toLowerCase() !== 'auto') return mode;
  const names = Object.keys(palettesOf(CFG) || {});
  const wanted = CFG.tcDark ? 'dark' : 'light';
  return names.find((n) => n.toLowerCase() === wanted) ||
    names.find((n) => n.toLowerCase() === 'light') || names[0] || '';
}

// The red, green and blue of "#rrggbb" or "#rgb", or null for another form.
function channelsOf(color) {
  const hex = /^#([0-9a-f]{3}|[0-9a-f]{6})$/i.exec(String(color).trim());
  if (!hex) return null;
  const full = hex[1].length === 3 ? hex[1].replace(/./g, '$&$&') : hex[1];
  return [0, 2, 4].map((i) => parseInt(full.slice(i, i + 2), 16));
}

// WCAG's relative luminance of a colour `channelsOf` reads, or null for another form.
function luminance(color) {
  const channels = channelsOf(color);
  if (!channels) return null;
  const [r, g, b] = channels.map((value) => {
    const c = value / 255;
    return c <= 0.03928 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4;
  });
  return 0.2126 * r + 0.7152 * g + 0.0722 * b;
}

const contrastOf = (a, b) => (Math.max(a, b) + 0.05) / (Math.min(a, b) + 0.05);

// A text colour moved toward black or white, as little as it takes, until it reads on the
// background at 4.5:1 (WCAG AA): a theme whose text is too faint still shows every text.
function readable(color, background) {
  const bg = luminance(background);
  const own = luminance(color);
  if (bg === null || own === null || contrastOf(own, bg) >= 4.5) return color;
  const toward = bg > 0.18 ? 0 : 255;
  const parts = channelsOf(color);
  for (let step = 1; step <= 20; step++) {
    const mixed = '#' + parts.map((c) => Math.round(c + (toward - c) * step / 20).toString(16).padStart(2, '0')).join('');
    if (contrastOf(luminance(mixed), bg) >= 4.5) return mixed;
  }
  return toward ? '#ffffff' : '#000000';
}

// The palette's text colours made readable on its background, and the colours of warnings and of
// good and bad checks with them (a theme may set its own).
function readablePalette(palette) {
  const bg = palette.bg || '#ffffff';
  const light = luminance(bg) > 0.18;
  const adjusted = { ...palette, warn: palette.warn || (light ? '#b45309' : '#f59e0b'),
    good: palette.good || (light ? '#15803d' : '#4ade80'), bad: palette.bad || (light ? '#b91c1c' : '#f87171') };
  for (const key of ['fg', 'muted', 'accent', 'dir', 'warn', 'good', 'bad']) {
    if (adjusted[key]) adjusted[key] = readable(adjusted[key], bg);
  }
  return adjusted;
}

function applyThemeByName(name) {
  const palettes = palettesOf(CFG);
  let palette = null;
  if (palettes) {
    if (Object.prototype.hasOwnProperty.call(palettes, name)) palette = palettes[name];
    else {
      const lower = String(name).toLowerCase();
      const key = Object.keys(palettes).find((n) => n.toLowerCase() === lower);
      if (key !== undefined) palette = palettes[key];
    }
  }
  let el = $('livetheme');
  if (!el) {
    el = document.createElement('style');
    el.id = 'livetheme';
    document.head.appendChild(el);
  }
  if (!palette) {
    el.textContent = '';
    return;
  }
  let css = ':root{';
  for (const [k, v] of Object.entries(readablePalette(palette))) css += '--' + k + ':' + v + ';';
  el.textContent = css + '}';
}

// A large font in a small pane: the head gives way, smaller and scrolling with the files, so that
// files still show on the first screen.
function fitHead() {
  const fontSize = parseFloat(getComputedStyle(document.body).fontSize) || 13;
  document.body.classList.toggle('compact', window.innerHeight < 16 * fontSize);
}

function applyFontSize(px) {
  document.documentElement.style.setProperty('--fs', px + 'px');
  fitHead();
  // The rows are placed by their height, which the font decides.
  if (TREE.nodes.length) {
    measureRow();
    drawTree();
  }
}

function fontSizeOf(cfg) {
  return Number(cfg.fontsize) || 13;
}

function showCachePath() {
  $('cachePathGrp').hidden = $('cacheSel').value !== 'custom';
}

function syncSettingsControls() {
  const set = (id, apply) => { const el = $(id); if (el) apply(el); };
  set('themeSel', (el) => { el.value = CFG.mode === 'auto' ? 'auto' : String(CFG.mode ?? ''); });
  set('treeSel', (el) => { el.value = CFG.tree || 'expanded'; });
  set('unitSel', (el) => { el.value = CFG.sizeunit || 'auto'; });
  set('dateSel', (el) => { el.value = CFG.datefmt || 'dmy'; });
  set('sepChk', (el) => { el.checked = !!CFG.sepspace; });
  set('fontRange', (el) => { el.value = String(fontSizeOf(CFG)); });
  set('fsVal', (el) => { el.textContent = String(fontSizeOf(CFG)); });
  set('cacheSel', (el) => { el.value = CFG.cachemode || 'portable'; });
  set('cachePath', (el) => { el.value = CFG.cachepath || ''; });
  if ($('cacheSel') && $('cachePathGrp')) showCachePath();
}

function initSettings() {
  const pop = $('pop');
  const gear = $('gearBtn');
  gear.addEventListener('click', (ev) => {
    ev.stopPropagation();
    pop.classList.toggle('open');
    updateKeyOwner();
  });
  document.addEventListener('click', (ev) => {
    if (pop.contains(ev.target) || ev.target === gear || !pop.classList.contains('open')) return;
    closePanel();
  });

  const themeSel = $('themeSel');
  for (const name of paletteNames()) {
    const option = document.createElement('option');
    option.value = name;
    option.textContent = name;
    themeSel.appendChild(option);
  }
  syncSettingsControls();

  themeSel.addEventListener('change', () => {
    CFG.mode = themeSel.value;
    applyThemeByName(resolveThemeName(CFG.mode));
    postSetting('theme', CFG.mode);
  });
  $('treeSel').addEventListener('change', (ev) => {
    CFG.tree = ev.target.value;
    postSetting('tree', CFG.tree);
    setAll(CFG.tree === 'collapsed');
  });
  $('unitSel').addEventListener('change', (ev) => {
    CFG.sizeunit = ev.target.value;
    postSetting('sizeunit', CFG.sizeunit);
    rerenderSizes();
  });
  $('dateSel').addEventListener('change', (ev) => {
    CFG.datefmt = ev.target.value;
    postSetting('datefmt', CFG.datefmt);
    rerenderSizes();
  });
  $('cacheSel').addEventListener('change', (ev) => {
    CFG.cachemode = ev.target.value;
    showCachePath();
    postSetting('cachemode', CFG.cachemode);
  });
  // "change" fires when the field loses focus or Enter is pressed after an edit.
  $('cachePath').addEventListener('change', (ev) => {
    CFG.cachepath = ev.target.value;
    postSetting('cachepath', CFG.cachepath);
  });
  $('sepChk').addEventListener('change', (ev) => {
    CFG.sepspace = ev.target.checked;
    postSetting('sepspace', CFG.sepspace ? '1' : '0');
    rerenderSizes();
  });
  const range = $('fontRange');
  range.addEventListener('input', () => {
    $('fsVal').textContent = range.value;
    applyFontSize(range.value);
  });
  range.addEventListener('change', () => {
    CFG.fontsize = Number(range.value);
    postSetting('fontsize', range.value);
  });
}

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { writeFileSync, mkdirSync, renameSync } from 'node:fs';
import { join } from 'node:path';
import { ARTIFACTS, bencode, launchBrowser, openPage, scratch, startPreview, torrent, writeTorrent } from './helpers.mjs';

let browser;
before(async () => { browser = await launchBrowser(); });
after(async () => { await browser.close(); });

// Shows a torrent in the page through the preview host and hands page and host to `body`.
async function withView(bytes, body, { dark = false, perf = false, themes, settings } = {}) {
  const dir = scratch();
  const configDir = join(dir, 'config');
  mkdirSync(configDir);
  if (themes) writeFileSync(join(configDir, 'themes.ini'), themes);
  if (settings) writeFileSync(join(configDir, 'Marrowpeek.ini'), settings);
  const host = await startPreview(writeTorrent(dir, 'view.torrent', bytes), { configDir, dark, perf });
  const page = await openPage(browser, host.address);
  try {
    await body(page, host, dir);
  } finally {
    await page.context().close();
    host.stop();
  }
}

const text = (page, selector) => page.locator(selector).first().textContent();
// The metadata rows as label and value, the copy and "More" controls left out.
const meta = async (page) => Object.fromEntries(await page.$$eval('#meta dt', (dts) => dts.map((dt) => {
  const value = dt.nextElementSibling.cloneNode(true);
  value.querySelectorAll('.copy, .more, .ask').forEach((control) => control.remove());
  return [dt.textContent, value.textContent];
})));
// The drawn rows, top to bottom: level and name. A filter draws in the next frame.
const rows = async (page) => {
  await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(resolve)));
  return page.$$eval('#files .row', (els) => els.sort((a, b) => a.offsetTop - b.offsetTop)
    .map((e) => `${e.getAttribute('aria-level')} ${e.querySelector('.t').textContent}`));
};
const until = async (check) => {
  for (let i = 0; i < 100 && !(await check()); i++) await new Promise((r) => setTimeout(r, 20));
};
const posts = (page, member) => {
  const seen = [];
  page.on('request', (r) => r.url().endsWith('/__preview/message') && r.postData().includes(`"${member}"`) && seen.push(JSON.parse(r.postData())));
  return seen;
};

const MULTI = torrent({
  name: 'Season <b>1</b>',
  files: [['Season/b.mkv', 2048], ['Season/a.srt', 100], ['readme.txt', 1000], ['file10.bin', 1], ['file9.bin', 1]],
  extra: {
    'announce-list': [['http://a.example/', 'http://b.example/'], ['http://a.example/', 'http://c.example/']],
    comment: 'Fish & <chips>', 'creation date': 1781613000, 'x-<key>&': 'value <i>',
    'url-list': ['https://seed.example/', 'https://seed.example/'], nodes: [['router.example', 6881], ['::1', 7000]],
  },
  info: { source: 'TRK' },
});

// A flat folder of `count` files: all/f000001.txt ...
const bigFolder = (count) => torrent({
  name: 'big', pieceLength: 1 << 24, files: Array.from({ length: count }, (_, i) => [`all/f${String(i + 1).padStart(6, '0')}.txt`, 10]),
});

test('header, metadata rows, trackers and copy', async () => {
  await withView(MULTI, async (page) => {
    assert.equal(await text(page, '#summary'), '3.08 KB · 5 files · v1 · public · 3 trackers');
    const value = await meta(page);
    assert.deepEqual(Object.keys(value), ['Name', 'Total size', 'Files', 'Pieces', 'Version', 'Trackers', 'Infohash (SHA-1)',
      'Private', 'Comment', 'Created', 'x-<key>&', 'Source', 'Web seeds', 'DHT nodes', 'Magnet link']);
    assert.equal(value['Created'], '16.06.2026 14:30:00');
    assert.equal(value['Web seeds'], 'https://seed.example/');
    assert.equal(value['DHT nodes'], 'router.example:6881[::1]:7000');
    assert.match(value['Magnet link'], /^magnet:\?xt=urn:btih:[0-9a-f]{40}&dn=Season%20%3Cb%3E1%3C%2Fb%3E&tr=/);
    await page.context().grantPermissions(['clipboard-read', 'clipboard-write']);
    await page.click('#metaSec > summary');
    assert.equal(await page.isVisible('#meta .more'), false, 'a one-line comment has no More');
    await page.click('#meta dd:has-text("magnet:") .copy');
    await page.waitForSelector('#meta dd:has-text("magnet:") .copy:text-is("Copied")');
    assert.match(await page.evaluate(() => navigator.clipboard.readText()), /^magnet:\?xt=/);
    // The trackers behind a button that counts them, each once, by tier.
    assert.equal(await text(page, '.trk-toggle'), '▸ Trackers (3, in 2 tiers)');
    assert.deepEqual(await page.$$eval('.trk-list[hidden] li', (lis) => lis.map((li) => (li.querySelector('[data-find]') || li).textContent)),
      ['Tier 1', 'http://a.example/', 'http://b.example/', 'Tier 2', 'http://c.example/']);
  });
  // Version 2 only: no SHA-1 hash; a pad file counted, not shown.
  const v2 = bencode({ info: { 'meta version': 2, name: 'v2', 'piece length': 16384, private: 1, 'file tree': {
    'a.txt': { '': { length: 5, 'pieces root': Buffer.alloc(32, 1) } }, '.pad': { 16379: { '': { length: 16379, attr: 'p' } } } } } });
  await withView(v2, async (page) => {
    assert.equal(await text(page, '#summary'), '5 B · 1 file · v2 only · private · no trackers');
    const value = await meta(page);
    assert.deepEqual(Object.keys(value).filter((k) => k.startsWith('Infohash')), ['Infohash (SHA-256)']);
    assert.equal(value['Private'] + value['Trackers'], 'Yesnone');
    assert.deepEqual(await rows(page), ['1 a.txt']);
  });
  // A private tracker's passkey travels in the magnet link: said when the torrent is private.
  for (const isPrivate of [1, 0]) {
    const keyed = torrent({ extra: { announce: 'http://t.example/0123456789abcdef0123456789abcdef/announce' }, info: { private: isPrivate } });
    await withView(keyed, async (page) => {
      assert.equal((await meta(page))['Magnet link'].includes('holds a tracker passkey'), isPrivate === 1);
    });
  }
});

test('file tree: order, icons, marks, expand and collapse all, the tree setting', async () => {
  const bytes = torrent({ name: 'root', files: [['zeta/inner/deep.txt', 1], ['zeta/x.pdf', 1], ['b/movie.MKV', 1048575],
    ['a.iso', 1], ['README', 1], ['file10.zip', 1], ['file9.zip', 1], ['.hidden.srt', 1]] });
  await withView(bytes, async (page) => {
    const collapsed = ['1 b', '1 zeta', '1 .hidden.srt', '1 a.iso', '1 file10.zip', '1 file9.zip', '1 README'];
    assert.deepEqual(await rows(page), collapsed);
    await page.click('#expand');
    assert.deepEqual((await rows(page)).slice(0, 6), ['1 b', '2 movie.MKV', '1 zeta', '2 inner', '3 deep.txt', '2 x.pdf']);
    // Each kind's icon with its drawing: without one it would be a filled square.
    const icon = (name) => page.$eval(`#files .row:has(.t:text-is("${name}")) .ico`,
      (element) => [element.getAttribute('class'), getComputedStyle(element).webkitMaskImage.startsWith('url("data:image/svg+xml,')]);
    for (const [name, kind] of [['movie.MKV', 'video'], ['a.iso', 'disc'], ['README', 'unknown'], ['.hidden.srt', 'subtitle'], ['zeta', 'folder']]) {
      assert.deepEqual(await icon(name), [`ico cat-${kind}`, true], name);
    }
    await page.click('#collapse');
    assert.deepEqual(await rows(page), collapsed);
    // One folder opened: its subfolder stays closed.
    await page.click('#files .row:has(.t:text-is("zeta")) .twisty');
    assert.deepEqual((await rows(page)).slice(1, 4), ['1 zeta', '2 inner', '2 x.pdf']);
  }, { settings: '[settings]\ntree=collapsed\n' });
  const v2 = bencode({ info: { 'meta version': 2, name: 'm', 'piece length': 16384, 'file tree': {
    'run.sh': { '': { length: 1, attr: 'xh', 'pieces root': Buffer.alloc(32, 2) } }, latest: { '': { length: 0, attr: 'l', 'symlink path': ['run.sh'] } } } } });
  await withView(v2, async (page) => {
    assert.equal(await text(page, '#files .row:has(.t:text-is("latest")) .target'), '→ run.sh');
    assert.deepEqual(await page.$$eval('#files .row:has(.t:text-is("run.sh")) .mark', (m) => m.map((e) => e.textContent)), ['exec', 'hidden']);
  });
});

test('a folder of 100,000 files: only the rows in view drawn, scrolling, collapsing, the focused row kept in view', async () => {
  await withView(bigFolder(100000), async (page) => {
    const drawn = await page.locator('#files .row').count();
    assert.ok(drawn > 10 && drawn < 120, `${drawn} rows drawn`);
    const rowHeight = await page.$eval('#files .row', (e) => e.offsetHeight);
    assert.equal(await page.$eval('#files', (e) => e.offsetHeight), 100001 * rowHeight);
    await page.$eval('main', (m) => { m.scrollTop = m.scrollHeight / 2; });
    await until(async () => (await rows(page)).includes('2 f050000.txt'));
    assert.ok((await rows(page)).includes('2 f050000.txt'));
    await page.click('#collapse');
    assert.deepEqual(await rows(page), ['1 all']);
    await page.click('#expand');
    await page.focus('#files');
    await page.keyboard.press('End');
    assert.equal((await rows(page)).at(-1), '2 f100000.txt');
    assert.ok(await page.isVisible('#files .row.focused'));
    // A page up is a window of rows less one, and stays in view; a page down comes back.
    const focusedName = () => page.$eval('#files .row.focused .t', (e) => e.textContent);
    const perPage = await page.$eval('main', (m, height) => Math.floor(m.clientHeight / height) - 1, rowHeight);
    await page.keyboard.press('PageUp');
    assert.equal(await focusedName(), `f${String(100000 - perPage).padStart(6, '0')}.txt`);
    assert.ok(await page.isVisible('#files .row.focused'));
    await page.keyboard.press('PageDown');
    await page.keyboard.press('PageDown');
    assert.equal(await focusedName(), 'f100000.txt');
  });
});

test('search by name: matches with their folders, a count, and the tree restored', async () => {
  await withView(bigFolder(2000), async (page) => {
    await page.click('#collapse');
    await page.fill('#fileFilter', 'F00012');
    assert.deepEqual(await rows(page), ['1 all', ...Array.from({ length: 10 }, (_, i) => `2 f00012${i}.txt`)]);
    assert.equal(await text(page, '#filterCount'), '10 of 2,000 files, 100 B');
    assert.equal(await text(page, '#files .row mark'), 'f00012');
    await page.fill('#fileFilter', 'nothing');
    assert.equal(await text(page, '#filterCount'), '0 of 2,000 files');
    await page.press('#fileFilter', 'Escape');
    assert.equal(await page.inputValue('#fileFilter'), '');
    assert.deepEqual(await rows(page), ['1 all']);
  });
});

test('keyboard: the tree pattern', async () => {
  const bytes = torrent({ name: 'k', files: [['a/one.txt', 1], ['a/two.txt', 1], ['b/three.txt', 1], ['z.txt', 1]] });
  await withView(bytes, async (page) => {
    await page.focus('#files');
    const focused = () => page.$eval('#files', (f) => document.getElementById(f.getAttribute('aria-activedescendant')).querySelector('.t').textContent);
    for (const [key, expected] of [['ArrowDown', 'one.txt'], ['End', 'z.txt'], ['ArrowUp', 'three.txt'], ['ArrowLeft', 'b'],
      ['ArrowLeft', 'b'], ['ArrowRight', 'b'], ['ArrowRight', 'three.txt'], ['Home', 'a'], ['Enter', 'a'], ['ArrowDown', 'b']]) {
      await page.keyboard.press(key);
      assert.equal(await focused(), expected, key);
    }
    assert.deepEqual(await rows(page), ['1 a', '1 b', '2 three.txt', '1 z.txt']);
    assert.equal(await page.getAttribute('#files .row:has(.t:text-is("a"))', 'aria-expanded'), 'false');
    // Letters typed quickly make one prefix: "th" is "three.txt", past "two.txt" that "t" finds.
    await page.keyboard.press('Home');
    await page.keyboard.press('ArrowRight');
    await page.keyboard.type('th');
    assert.equal(await focused(), 'three.txt');
  });
  // The tree points a screen reader only at a row that is drawn.
  await withView(bigFolder(2000), async (page) => {
    await page.focus('#files');
    await page.keyboard.press('ArrowDown');
    await page.mouse.move(300, 400);
    await page.mouse.wheel(0, 20000);
    await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))));
    const pointed = await page.getAttribute('#files', 'aria-activedescendant');
    assert.ok(pointed === '' || (await page.$('#' + pointed)) !== null, `points at ${pointed}`);
  });
});

test('settings panel: every control applies at once and posts its change once; a failed save shows', async () => {
  await withView(MULTI, async (page) => {
    const posted = posts(page, 'set');
    await page.click('#gearBtn');
    await page.selectOption('#themeSel', 'Night Owl');
    assert.equal(await page.evaluate(() => getComputedStyle(document.body).backgroundColor), 'rgb(1, 22, 39)');
    await page.selectOption('#treeSel', 'collapsed');
    await page.selectOption('#unitSel', 'bytes');
    await page.check('#sepChk');
    // Drawn again for the unit and the separator, the tree keeps the new default.
    assert.equal((await meta(page))['Total size'], '3 150 B');
    assert.equal(await page.locator('#files [aria-expanded="false"]').count(), 1);
    await page.$eval('#fontRange', (range) => {
      range.value = '20';
      range.dispatchEvent(new Event('input', { bubbles: true }));
      range.dispatchEvent(new Event('change', { bubbles: true }));
    });
    assert.equal(await page.evaluate(() => getComputedStyle(document.body).fontSize), '20px');
    // The rows are placed for the new size: none overlaps the one above it.
    const gaps = await page.$$eval('#files .row', (r) => r.sort((a, b) => a.offsetTop - b.offsetTop)
      .slice(1).map((row, i) => row.offsetTop - r[i].offsetTop - r[i].offsetHeight));
    assert.ok(gaps.length && gaps.every((gap) => gap >= 0), String(gaps));
    await until(() => posted.length >= 5);
    assert.deepEqual(posted.map(({ set, value }) => `${set}=${value}`),
      ['theme=Night Owl', 'tree=collapsed', 'sizeunit=bytes', 'sepspace=1', 'fontsize=20']);
    await page.selectOption('#cacheSel', 'custom');
    await page.fill('#cachePath', 'x'.repeat(40000));
    await page.press('#cachePath', 'Enter');
    await page.waitForSelector('#saveNotice:not([hidden])');
  }, { themes: '[Light]\nbg=#ffffff\n[Night Owl]\nbg=#011627\n' });
});

test('themes: automatic follows the host, live too; a reload re-runs the page in place', async () => {
  await withView(MULTI, async (page, host, dir) => {
    assert.equal(await page.$eval('#livetheme', (e) => e.textContent), ':root{--bg:#fafafa;--warn:#b45309;--good:#15803d;--bad:#b91c1c;}');
    assert.equal(await host.command('dark 1'), 204);
    await page.waitForFunction(() => document.getElementById('livetheme').textContent === ':root{--bg:#101010;--warn:#f59e0b;--good:#4ade80;--bad:#f87171;}');
    await page.evaluate(() => { window.samePage = true; });
    await host.load(writeTorrent(dir, 'next.torrent', torrent({ name: 'Next one', length: 5 })));
    await page.waitForFunction(() => document.getElementById('title').textContent === 'Next one');
    assert.equal(await page.evaluate(() => window.samePage), true);
  }, { themes: '[light]\nbg=#fafafa\n[dark]\nbg=#101010\n' });
});

test('the Lister: keys relayed or kept, copy, select all and find', async () => {
  const bytes = torrent({ name: 'L', files: [['b.txt', 1], ['deep/inner/Target.mkv', 1], ['a.txt', 1]], extra: { comment: 'the comment' } });
  await withView(bytes, async (page, host) => {
    const told = (what) => host.stderr.filter((l) => l.includes(what)).map((l) => l.slice(l.indexOf(what) + what.length));
    await page.click('h1');
    for (const key of ['n', 'p', '7', 'q', 'Shift+N', 'Control+n']) await page.keyboard.press(key);
    await until(() => told('Lister: ').length >= 3);
    // Typing into a field, or arrows in the tree, reach no one else.
    await page.type('#fileFilter', 'np');
    await page.fill('#fileFilter', '');
    await page.focus('#files');
    await page.keyboard.press('ArrowDown');
    await new Promise((r) => setTimeout(r, 150));
    assert.deepEqual(told('Lister: '), ['N', 'P', '7']);
    // The panel and the fields keep Escape: the host hears who has the keys.
    const owners = posts(page, 'keys');
    await page.click('#gearBtn');
    await page.keyboard.press('Escape');
    assert.equal(await page.locator('#pop').isVisible(), false);
    await page.focus('#fileFilter');
    await page.keyboard.press('Escape');
    await until(() => owners.length >= 4);
    assert.deepEqual(owners.map((m) => m.keys), ['page', 'host', 'page', 'host']);

    // Copy: the focused row's path without a selection, the selection with one.
    assert.equal(await host.command('copy'), 204);
    await until(() => told('clipboard: ').length === 1);
    assert.deepEqual(told('clipboard: '), ['L\\deep\\inner']);
    assert.equal(await host.command('selectAll'), 204);
    await until(() => page.evaluate(() => String(window.getSelection()).includes('the comment')));
    assert.match(await page.evaluate(() => String(window.getSelection())), /Target\.mkv/);

    // Find opens the folders to a hit, marks it, and walks on to the metadata backwards.
    await page.click('#collapse');
    assert.equal(await host.command('find 1 target'), 204);
    await page.waitForSelector('#files .row.focused mark');
    assert.equal(await text(page, '#files .row.focused mark'), 'Target');
    assert.equal(await host.command('find 8 COMMENT'), 204);
    await until(() => page.evaluate(() => String(window.getSelection()) === 'comment'));
    assert.equal(await host.command('find 1 nowhere'), 404);
    // Find goes through the rows in the page's order (a.txt before b.txt), not the document's.
    assert.equal(await host.command('find 1 .txt'), 204);
    await until(() => page.evaluate(() => /a\.txt/.test(document.querySelector('#files .row.focused')?.textContent || '')));
    assert.equal(await host.command('find 0 .txt'), 204);
    await until(() => page.evaluate(() => /b\.txt/.test(document.querySelector('#files .row.focused')?.textContent || '')));
  });
});

test('failed and invalid documents; warnings', async () => {
  await withView(MULTI, async (page) => {
    for (const [body, title] of [['{"ok":false}', 'Not a valid torrent'], ['{"ok":tr', 'Failed to load data'],
      ['{"ok":true,"name":"w","tree":{"name":"w","children":[]},"warnings":["Lists <disagree>."]}', 'w']]) {
      await page.unroute('**/data.json');
      await page.route('**/data.json', (route) => route.fulfill({ body, contentType: 'application/json' }));
      await page.reload();
      await page.waitForFunction(() => document.getElementById('title').textContent !== '—');
      assert.equal(await text(page, '#title'), title);
    }
    assert.equal(await text(page, '#warnings'), 'Lists <disagree>.');
  });
});

test('hostile texts show literally and run nothing', async () => {
  const evil = '<img src=x onerror="window.pwned=1"><script>window.pwned=1</script>';
  const bytes = torrent({ name: evil, files: [[[evil, 'a.txt'], 1], ['b.txt', 2]], extra: { announce: evil, comment: evil, [evil]: evil, 'url-list': evil } });
  await withView(bytes, async (page) => {
    assert.equal(await text(page, '#title'), evil);
    const value = await meta(page);
    for (const key of ['Name', 'Comment', evil, 'Web seeds']) assert.equal(value[key], evil, key);
    assert.equal(value['Trackers'], '▸ Trackers (1)' + evil);
    assert.equal(await text(page, '#files .row.dir .t'), evil);
    assert.equal(await page.locator('#app img, #app script').count(), 0);
    assert.equal(await page.evaluate(() => window.pwned), undefined);
    assert.equal(page.dialogs || 0, 0);
  }, { themes: `[Light]\nbg=#fff\n[${evil}]\nbg=#000\n` });
});

test('screenshots of a multi-file torrent in the Light and Dark themes', async () => {
  mkdirSync(ARTIFACTS, { recursive: true });
  for (const dark of [false, true]) {
    await withView(MULTI, (page) => page.screenshot({ path: join(ARTIFACTS, dark ? 'page-dark.png' : 'page-light.png') }), { dark });
  }
});

// Files first at a Lister's size and at Quick View's, on torrents whose details once pushed the
// files off the first screen; long values held to a few lines.
test('files first at 900×700 and 600×400, every value readable', async () => {
  const trackers = Array.from({ length: 50 }, (_, i) => `http://t${i}.example/announce`);
  const cases = [
    ['many trackers and a long comment', torrent({ name: 'Busy', files: [['d/a.bin', 5], ['b.bin', 7]],
      extra: { 'announce-list': [trackers.slice(0, 20), trackers.slice(20, 40), trackers.slice(40)], comment: 'word '.repeat(400) + '\nend' } })],
    ['a single file', torrent({ name: 'one.iso', length: 123456 })],
    ['a big folder', bigFolder(2000)],
  ];
  for (const [label, bytes] of cases) {
    for (const [width, height] of [[900, 700], [600, 400]]) {
      await withView(bytes, async (page) => {
        await page.setViewportSize({ width, height });
        const top = await page.$eval('#files .row', (row) => row.getBoundingClientRect().bottom);
        assert.ok(top <= height, `${label} at ${width}×${height}: first file row ends at ${top}`);
        if (bytes === cases[0][1]) await page.screenshot({ path: join(ARTIFACTS, `first-screen-${width}x${height}.png`) });
        await page.click('#metaSec > summary');
        const tallest = await page.$$eval('#meta dd', (dds) => Math.max(...dds.map((dd) => dd.getBoundingClientRect().height)));
        const line = await page.$eval('#meta dd', (dd) => parseFloat(getComputedStyle(dd).lineHeight));
        assert.ok(tallest <= line * 7, `${label}: a value ${tallest}px tall`);
      });
    }
  }
  await withView(cases[0][1], async (page) => {
    // The settings panel fits Quick View or scrolls inside it; the font size scales every text.
    await page.setViewportSize({ width: 600, height: 400 });
    await page.click('#gearBtn');
    assert.ok(await page.$eval('#pop', (pop) => pop.getBoundingClientRect().bottom <= 400 || pop.scrollHeight > pop.clientHeight));
    await page.keyboard.press('Escape');
    await page.evaluate(() => applyFontSize(20));
    for (const selector of ['#title', '#summary', '#fileFilter', '#expand', '#files .row .t', '.cols [role=columnheader]']) {
      assert.ok(await page.$eval(selector, (e) => parseFloat(getComputedStyle(e).fontSize) >= 16), selector);
    }
    await page.click('#metaSec > summary');
    assert.equal(await page.isVisible('#meta .more'), true);
    assert.ok(await page.$eval('.oneline', (e) => e.scrollWidth > e.clientWidth));
    await page.focus('.trk-toggle');
    await page.keyboard.press('Enter');
    assert.equal(await page.getAttribute('.trk-toggle', 'aria-expanded'), 'true');
    assert.equal(await text(page, '.trk-toggle'), '▸ Trackers (50, in 3 tiers)'.replace('▸', '▾'));
  });
});

// Quick View's size at its hardest: a tree forty folders deep keeps its names in the pane, its
// rows under the head; a large font still leaves three files on the first screen.
test('deep trees and large fonts at 600×400', async () => {
  const deep = Array.from({ length: 40 }, (_, i) => `level${i + 1}`).join('/');
  const bytes = torrent({ name: 'Deep', files: [[deep + '/deepest file.bin', 5], ['a.bin', 1], ['b.bin', 2], ['c.bin', 3]] });
  await withView(bytes, async (page) => {
    await page.setViewportSize({ width: 600, height: 400 });
    await page.click('#expand');
    const frame = () => page.evaluate(() => new Promise((resolve) => requestAnimationFrame(resolve)));
    await frame();
    const head = await page.$eval('.files-head', (e) => e.getBoundingClientRect().bottom);
    const tops = await page.$$eval('#files .row', (rows) => rows.map((r) => r.getBoundingClientRect().top));
    assert.ok(tops.every((top) => top >= head - 1), 'a row drawn over the head');
    // Names hold no glyphs for a screen reader: the twisty is hidden from it.
    assert.ok(await page.$$eval('#files .row .twisty', (twisties) => twisties.every((t) => t.getAttribute('aria-hidden') === 'true')));
    await page.mouse.move(300, 300);
    await page.mouse.wheel(0, 5000);
    await until(() => page.$$eval('#files .row .t', (names) => names.some((t) => t.textContent === 'deepest file.bin')));
    const box = await page.$eval('#files', (files) => {
      const deepest = [...files.querySelectorAll('.row .t')].find((t) => t.textContent === 'deepest file.bin');
      const rect = deepest.getBoundingClientRect();
      return { left: rect.left, right: rect.right, wide: document.documentElement.scrollWidth,
        depth: deepest.closest('.row').querySelector('.depth').textContent };
    });
    assert.ok(box.left < 500 && box.right <= 600, `deepest name drawn from ${box.left} to ${box.right}`);
    assert.ok(box.wide <= 600, `the page is ${box.wide}px wide`);
    assert.equal(box.depth, '41');
    await page.screenshot({ path: join(ARTIFACTS, 'deep-tree-600x400.png') });
    await page.evaluate(() => applyFontSize(28));
    await page.mouse.wheel(0, -10000);
    await frame();
    const shown = await page.$$eval('#files .row', (rows) => rows.filter((r) => r.getBoundingClientRect().bottom <= window.innerHeight).length);
    assert.ok(shown >= 3, `${shown} rows on the first screen at 28 px`);
  });
});

// The Details section opens as the user last left it, from the settings file.
test('details remembered', async () => {
  const { readFileSync } = await import('node:fs');
  await withView(MULTI, async (page, host, dir) => {
    assert.equal(await page.$eval('#metaSec', (d) => d.open), false);
    await page.click('#metaSec > summary');
    await until(() => readFileSync(join(dir, 'config', 'Marrowpeek.ini'), 'utf8').includes('details=1'));
    assert.match(readFileSync(join(dir, 'config', 'Marrowpeek.ini'), 'utf8'), /\ndetails=1\n/);
    const again = await openPage(browser, host.address);
    assert.equal(await again.$eval('#metaSec', (d) => d.open), true);
    await again.context().close();
  });
});

// Pressing Tab from the top reaches every button, and each shows that it has the focus.
test('focus is visible on every button', async () => {
  await withView(MULTI, async (page) => {
    const seen = new Map();
    await page.evaluate(() => document.activeElement && document.activeElement.blur());
    for (let i = 0; i < 30; i++) {
      await page.keyboard.press('Tab');
      const focused = await page.evaluate(() => {
        const e = document.activeElement;
        const style = getComputedStyle(e);
        return { id: e.id, button: e.tagName === 'BUTTON', ring: style.outlineStyle !== 'none' && parseFloat(style.outlineWidth) > 0 };
      });
      if (focused.button) seen.set(focused.id, focused.ring);
    }
    for (const id of ['gearBtn', 'expand', 'collapse', 'copyList', 'checkBtn']) {
      assert.equal(seen.get(id), true, `${id}: ${seen.has(id) ? 'no visible focus' : 'never reached'}`);
    }
  });
});

// What a damaged or deceptive torrent says is shown as such.
test('damage named, names that cannot lie, sorting, counting, filtering and copying the list', async () => {
  const rlo = '\u202E';
  const bytes = torrent({ name: 'Pack', files: [['Season/a.srt', 100], ['Season/b.mkv', 2048], [`invoice_2024_${rlo}fdp.exe`, 5], ['readme.txt', 1000], ['z.bin', -4]] });
  await withView(bytes, async (page, host) => {
    assert.match(await text(page, '#warnings[role=alert]'), /negative length/);
    const names = await rows(page);
    assert.deepEqual(names, ['1 Season', '2 a.srt', '2 b.mkv', '1 invoice_2024_⟨RLO⟩fdp.exe', '1 readme.txt', '1 z.bin']);
    assert.equal(await text(page, '#files .row:has(.t:text-is("z.bin")) .sz'), '—');
    assert.equal(await text(page, '#files .row:has(.t:has-text("invoice")) .mark'), 'exec');
    assert.equal(await text(page, '#files .row.dir .cnt'), '2 files');
    assert.match(await page.getAttribute('#files .row:has(.t:text-is("b.mkv")) .t', 'title'), /^Pack\\Season\\b\.mkv\n2,048 bytes$/);
    // Sizes descending first, folders first still; the same header again turns it round.
    await page.click('#sortSize');
    assert.equal(await page.getAttribute('#sortSize', 'aria-sort'), 'descending');
    assert.deepEqual((await rows(page)).map((r) => r.slice(2)), ['Season', 'b.mkv', 'a.srt', 'readme.txt', 'invoice_2024_⟨RLO⟩fdp.exe', 'z.bin']);
    await page.click('#sortName');
    // Every word in the whole path; patterns for names; a count with the size; nothing said so.
    // A text that holds the last one narrows its result, any other starts again.
    for (const [filter, expected] of [['srt season', ['1 Season', '2 a.srt']], ['*.mkv', ['1 Season', '2 b.mkv']],
      ['*.mkv season', ['1 Season', '2 b.mkv']], ['e', ['1 Season', '2 a.srt', '2 b.mkv', '1 invoice_2024_⟨RLO⟩fdp.exe', '1 readme.txt']],
      ['SEASON', ['1 Season', '2 a.srt', '2 b.mkv']], ['rea?me', ['1 readme.txt']], ['season* -srt', ['1 Season', '2 b.mkv']],
      ['-e', ['1 z.bin']], ['SEASON', ['1 Season', '2 a.srt', '2 b.mkv']]]) {
      await page.fill('#fileFilter', filter);
      assert.deepEqual(await rows(page), expected, filter);
    }
    assert.equal(await text(page, '#filterCount'), '2 of 5 files, 2.10 KB');
    await page.click('#collapse');
    assert.equal(await page.inputValue('#fileFilter'), 'SEASON');
    await page.keyboard.press('ArrowDown');
    for (const filter of ['nothing', 'nothing more']) {
      await page.fill('#fileFilter', filter);
      assert.deepEqual(await rows(page), []);
      assert.equal(await text(page, '#files .empty'), `No files match “${filter}”.`);
    }
    // What is copied is what is shown: the filter's files, and a line saying which.
    await page.fill('#fileFilter', '*.srt');
    await page.context().grantPermissions(['clipboard-read', 'clipboard-write']);
    await page.click('#copyList');
    await until(async () => (await page.evaluate(() => navigator.clipboard.readText())).startsWith('Files'));
    assert.equal(await page.evaluate(() => navigator.clipboard.readText()), 'Files matching "*.srt": 1 of 5\r\nPack\\Season\\a.srt\t100');
    await page.fill('#fileFilter', '');
    // Down from the field into the tree; letters typed quickly go to the next name with them;
    // Ctrl+C there copies that row.
    await page.focus('#fileFilter');
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('r');
    assert.equal(await text(page, '#files .row.focused .t'), 'readme.txt');
    await new Promise((resolve) => setTimeout(resolve, 1100));  // a pause starts a new prefix
    await page.keyboard.press('i');
    await page.keyboard.press('n');
    assert.equal(await text(page, '#files .row.focused .t'), 'invoice_2024_⟨RLO⟩fdp.exe');
    await page.keyboard.press('Control+c');
    await until(async () => (await page.evaluate(() => navigator.clipboard.readText())).includes('invoice'));
    assert.equal(await page.evaluate(() => navigator.clipboard.readText()), 'Pack\\invoice_2024_\u202Efdp.exe');
    // The file manager's select all and copy give every file with its size.
    assert.equal(await host.command('selectAll'), 204);
    assert.equal(await host.command('copy'), 204);
    await until(() => host.stderr.some((line) => line.includes('clipboard: ')));
    const copied = host.stderr.find((line) => line.includes('clipboard: '));
    assert.equal(copied.slice(copied.indexOf('clipboard: ') + 11),
      'Pack\\Season\\a.srt\\x09100\\x0d\\x0aPack\\Season\\b.mkv\\x092048\\x0d\\x0aPack\\invoice_2024_\u202Efdp.exe\\x095' +
      '\\x0d\\x0aPack\\readme.txt\\x091000\\x0d\\x0aPack\\z.bin\\x09-4');
    // Escape in any control of the settings panel closes it.
    await page.click('#gearBtn');
    await page.focus('#themeSel');
    await page.keyboard.press('Escape');
    assert.equal(await page.locator('#pop').isVisible(), false);
  }, { settings: '[settings]\nsizeunit=gb\n' });
});

// Every text of the six built-in themes reads at WCAG AA: 4.5:1 on the page's background.
test('every built-in theme reads at 4.5:1', async () => {
  const themes = ['Light', 'Dark', 'Dracula', 'Night Owl', 'Craver', 'Catppuccin'];
  const texts = ['body', '#summary', '.copy', '#files .row.dir .nm', '#files .row .sz', '.cols [role=columnheader]', '#warnings', '#meta dt'];
  const damaged = torrent({ name: 'T', files: [['Folder/a.bin', 5], ['b.bin', -1]] });
  for (const theme of themes) {
    await withView(damaged, async (page) => {
      await page.click('#metaSec > summary');
      const ratios = await page.evaluate((selectors) => {
        const rgb = (text) => text.match(/\d+(\.\d+)?/g).slice(0, 3).map(Number);
        const lum = ([r, g, b]) => [r, g, b].map((c) => c / 255).map((c) => (c <= 0.03928 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4))
          .reduce((sum, c, i) => sum + c * [0.2126, 0.7152, 0.0722][i], 0);
        const bg = lum(rgb(getComputedStyle(document.body).backgroundColor));
        const hex = (name) => {
          const value = getComputedStyle(document.documentElement).getPropertyValue(name).trim();
          return [1, 3, 5].map((i) => parseInt(value.slice(i, i + 2), 16));
        };
        // The check's marks and map: good, bad and warning colours, each its theme's own.
        const colours = ['--good', '--bad', '--warn'].map((name) => [name, lum(hex(name))]);
        return selectors.map((selector) => [selector, lum(rgb(getComputedStyle(document.querySelector(selector)).color))])
          .concat(colours).map(([selector, fg]) => [selector, (Math.max(fg, bg) + 0.05) / (Math.min(fg, bg) + 0.05)]);
      }, texts);
      for (const [selector, ratio] of ratios) assert.ok(ratio >= 4.5, `${theme} ${selector}: ${ratio.toFixed(2)}:1`);
    }, { settings: `[settings]\ntheme=${theme}\n` });
  }
});

// The content check through the host: whole, one piece damaged, a file gone, a renamed folder
// chosen in the field; the rows, the line and the map of pieces say what it found.
test('check files: rows marked, a status line and a map of the pieces', async () => {
  const { createHash } = await import('node:crypto');
  const a = Buffer.alloc(40000, 1);
  const b = Buffer.alloc(30000, 2);
  const stream = Buffer.concat([a, b]);
  const pieces = [];
  for (let at = 0; at < stream.length; at += 16384) pieces.push(createHash('sha1').update(stream.subarray(at, at + 16384)).digest());
  const bytes = torrent({ name: 'Pack', pieceLength: 16384, files: [['a.bin', a.length], ['sub/b.bin', b.length]], info: { pieces: Buffer.concat(pieces) } });
  await withView(bytes, async (page, host, dir) => {
    mkdirSync(join(dir, 'Pack', 'sub'), { recursive: true });
    writeFileSync(join(dir, 'Pack', 'a.bin'), a);
    writeFileSync(join(dir, 'Pack', 'sub', 'b.bin'), b);
    const check = async (expected) => {
      await page.click('#checkBtn');
      await page.waitForFunction((want) => document.getElementById('checkStatus').textContent === want, expected);
    };
    const statuses = () => page.$$eval('#files .row', (rows) => rows.map((r) => r.querySelector('.t').textContent + '=' + r.dataset.status));
    await check('All 2 files complete');
    assert.deepEqual(await statuses(), ['sub=complete', 'b.bin=complete', 'a.bin=complete']);
    assert.equal(await page.inputValue('#checkPath'), join(dir, 'Pack'));
    assert.equal(await page.isVisible('#pieceMap'), true);
    const damaged = Buffer.from(b);
    damaged[29999] ^= 1;
    writeFileSync(join(dir, 'Pack', 'sub', 'b.bin'), damaged);
    await check('1 damaged (1 of 3 pieces), 1 complete');
    assert.deepEqual(await statuses(), ['sub=incomplete', 'b.bin=partial', 'a.bin=complete']);
    assert.equal(await text(page, '#files .row[data-status=partial] .st'), 'damaged');
    // The map shows the bad piece in its place, at the end.
    const colours = await page.$eval('#pieceMap', (canvas) => {
      const context = canvas.getContext('2d');
      return [1, canvas.width - 2].map((x) => Array.from(context.getImageData(x, 8, 1, 1).data.slice(0, 3)).join(','));
    });
    assert.notEqual(colours[0], colours[1]);
    // Version 1 blames the file damaged elsewhere too; its neighbour, whose own pieces verify,
    // cannot be verified, and says with what it shares its failing piece.
    damaged[0] ^= 1;
    writeFileSync(join(dir, 'Pack', 'sub', 'b.bin'), damaged);
    await check('1 damaged (2 of 3 pieces), 1 not verifiable (sharing a damaged piece), 0 complete');
    assert.deepEqual(await statuses(), ['sub=incomplete', 'b.bin=partial', 'a.bin=shared']);
    assert.equal(await page.getAttribute('#files .row[data-status=shared] .st', 'title'),
      'Not verifiable: shares a damaged piece with sub/b.bin');
    await page.screenshot({ path: join(ARTIFACTS, 'check-shared-piece.png') });
    // Moved: said once, with where it looked; the folder is then chosen in the field here (the
    // system's picker in the plug-in), and Enter there checks it.
    renameSync(join(dir, 'Pack'), join(dir, 'Moved'));
    await check('No download found at ' + join(dir, 'Pack'));
    await page.screenshot({ path: join(ARTIFACTS, 'check-no-download.png') });
    for (let i = 0; i < 5; i++) {
      await page.focus('#checkBtn');
      await page.click('#checkChoose');
      await page.waitForFunction(() => document.activeElement.id === 'checkPath');
    }
    await page.fill('#checkPath', join(dir, 'Moved'));
    await page.press('#checkPath', 'Enter');
    await page.waitForFunction(() => document.getElementById('checkStatus').textContent === '1 damaged (2 of 3 pieces), 1 not verifiable (sharing a damaged piece), 0 complete');
  });
});

// One check at a time, and a stop that tells the truth: pieces not reached are not bad.
test('check files: one at a time, and a cancel says how far it got', async () => {
  const { createHash } = await import('node:crypto');
  const pieceLength = 16 << 20;
  const count = 512;  // 8 GiB of zeros, sparse on disk: seconds to read, never there to cancel
  const zeros = createHash('sha1').update(Buffer.alloc(pieceLength)).digest();
  const bytes = torrent({ name: 'zeros.bin', pieceLength, length: pieceLength * count, info: { pieces: Buffer.concat(Array(count).fill(zeros)) } });
  await withView(bytes, async (page, host, dir) => {
    const { truncateSync, closeSync, openSync } = await import('node:fs');
    closeSync(openSync(join(dir, 'zeros.bin'), 'w'));
    truncateSync(join(dir, 'zeros.bin'), pieceLength * count);
    // A single file has the toolbar too, less Expand and Collapse.
    for (const [control, shown] of [['#checkBtn', true], ['#copyList', true], ['#fileFilter', true], ['#expand', false], ['#collapse', false], ['#checkCancel', false]]) {
      assert.equal(await page.isVisible(control), shown, control);
    }
    await page.click('#checkBtn');
    assert.equal(await page.isDisabled('#checkBtn'), true);
    await page.waitForFunction(() => document.getElementById('checkRate').textContent.includes('left'));
    assert.match(await text(page, '#checkRate'), /^\d+ % · .+ of 8\.00 GB at .+\/s · about \d+ (s|min) left$/);
    assert.equal(await page.isVisible('#checkCancel'), true);
    // The map fills in as the check goes, and says what it shows.
    assert.equal(await page.isVisible('#pieceMap'), true);
    assert.match(await page.getAttribute('#pieceMap', 'aria-label'), /^Pieces: [\d,]+ good, 0 bad, 0 missing, [\d,]+ not checked$/);
    await page.click('#checkCancel');
    await page.waitForFunction(() => document.getElementById('checkStatus').textContent.startsWith('Stopped'));
    assert.match(await text(page, '#checkStatus'), /^Stopped after [\d,]+ of 512 pieces; all good so far$/);
    assert.equal(await page.isVisible('#checkCancel'), false);
    assert.equal(await page.isVisible('#checkProgress'), false);
    assert.equal(await page.isDisabled('#checkBtn'), false);
    await page.screenshot({ path: join(ARTIFACTS, 'check-cancelled.png') });
    // One bad piece among ten thousand is a column of its own, a few pixels wide.
    const bad = await page.evaluate(() => {
      onCheckMessage({ checkDone: { content: '', complete: false, cancelled: false, files: [], pieces: 'G'.repeat(7000) + 'B' + 'G'.repeat(2999) } });
      const canvas = document.getElementById('pieceMap');
      const row = canvas.getContext('2d').getImageData(0, 8, canvas.width, 1).data;
      const colours = new Map();
      for (let x = 0; x < canvas.width; x++) {
        const key = row.slice(x * 4, x * 4 + 3).join(',');
        colours.set(key, (colours.get(key) || 0) + 1);
      }
      return Math.min(...colours.values());
    });
    assert.ok(bad >= 3, `the bad piece is ${bad}px wide`);
  });
});

// Asking the trackers, only when asked: each answer on its tracker's line, the figures under the
// title, against trackers of the test's own on 127.0.0.1.
test('ask trackers: answers as they come and the figures under the title', async () => {
  const { spawn } = await import('node:child_process');
  const { existsSync, readFileSync } = await import('node:fs');
  const { fileURLToPath } = await import('node:url');
  const folder = scratch();
  const script = join(fileURLToPath(new URL('.', import.meta.url)), '..', 'loopback_trackers.py');
  const trackers = spawn('/usr/bin/python3', [script], { cwd: folder, stdio: 'ignore' });
  try {
    for (let i = 0; i < 100 && !['answering', 'udp', 'silent', 'refusing'].every((k) => existsSync(join(folder, k + '.port'))); i++) {
      await new Promise((r) => setTimeout(r, 50));
    }
    const port = (kind) => readFileSync(join(folder, kind + '.port'), 'utf8');
    const bytes = torrent({ name: 'Alive', extra: { 'announce-list': [[`http://127.0.0.1:${port('answering')}/announce`,
      `udp://127.0.0.1:${port('udp')}/announce`], ['wss://t.example/announce', `http://127.0.0.1:${port('refusing')}/announce`,
      `http://127.0.0.1:${port('silent')}/announce`]] } });
    const answers = () => page.$$eval('[data-answer]', (slots) => slots.map((s) => s.className.replace('answer ', '') + ' ' + s.textContent));
    let page;
    await withView(bytes, async (shown) => {
      page = shown;
      assert.equal(await page.$$eval('[data-answer]', (slots) => slots.map((s) => s.textContent).join('')), '');
      await page.click('#metaSec > summary');
      await page.click('#askTrackers');
      // A tracker that says nothing is "asking…" at once, not blank until its time is up.
      assert.equal((await answers())[4], 'ans-asking …asking…');
      await page.waitForFunction(() => document.getElementById('summary').textContent.includes('completed'), null, { timeout: 20000 });
      const headline = '700 B · 1 file · v1 · public · 5 trackers · 5 seeders · 7 leechers · 1,000 completed';
      assert.equal(await text(page, '#summary'), headline);
      const expected = ['ans-ok ✓5 seeders · 7 leechers · 1,000 completed', 'ans-ok ✓5 seeders · 7 leechers · 1,000 completed',
        'ans-unsupported –not asked: no scrape address', 'ans-error ✕torrent not registered', 'ans-timeout ⏱timed out after 8 s'];
      assert.deepEqual(await answers(), expected);
      assert.equal(await page.getAttribute('.trk-toggle', 'aria-expanded'), 'true');
      // Another size unit redraws the details: what the trackers said stays.
      await page.click('#gearBtn');
      await page.selectOption('#unitSel', 'bytes');
      await page.keyboard.press('Escape');
      assert.equal(await text(page, '#summary'), headline);
      assert.deepEqual(await answers(), expected);
    });
  } finally {
    trackers.kill();
  }
});

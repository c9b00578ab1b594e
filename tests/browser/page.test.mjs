import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { writeFileSync, mkdirSync } from 'node:fs';
import { join } from 'node:path';
import {
  ARTIFACTS, bencode, launchBrowser, openPage, scratch, startPreview, torrent, writeTorrent,
} from './helpers.mjs';

let browser;
before(async () => { browser = await launchBrowser(); });
after(async () => { await browser.close(); });

// Shows a torrent in the page through the preview host and hands page and host to `body`.
async function withView(bytes, body, { dark = false, perf = false, themes, settings } = {}) {
  const dir = scratch();
  const configDir = join(dir, 'config');
  mkdirSync(configDir, { recursive: true });
  if (themes) writeFileSync(join(configDir, 'themes.ini'), themes);
  if (settings) writeFileSync(join(configDir, 'Marrowpeek.ini'), settings);
  const path = writeTorrent(dir, 'view.torrent', bytes);
  const host = await startPreview(path, { configDir, dark, perf });
  const page = await openPage(browser, host.address);
  try {
    await body(page, host, dir);
  } finally {
    await page.context().close();
    host.stop();
  }
}

const text = (page, selector) => page.locator(selector).first().textContent();
const metaRows = (page) => page.$$eval('#meta dt', (dts) => dts.map((dt) => [dt.textContent, dt.nextElementSibling.textContent]));
// The drawn rows, top to bottom: indentation level and name.
const rows = (page) => page.$$eval('#files .row', (els) => els.sort((a, b) => a.offsetTop - b.offsetTop)
  .map((e) => `${e.getAttribute('aria-level')} ${e.querySelector('.t').textContent}`));
const until = async (check) => {
  for (let i = 0; i < 100 && !(await check()); i++) await new Promise((r) => setTimeout(r, 20));
};

const MULTI = torrent({
  name: 'Season <b>1</b>',
  files: [['Season/b.mkv', 2048], ['Season/a.srt', 100], ['readme.txt', 1000], ['file10.bin', 1], ['file9.bin', 1]],
  extra: {
    announce: 'http://x.example/announce',
    'announce-list': [['http://a.example/', 'http://b.example/'], ['http://a.example/', 'http://c.example/']],
    comment: 'Fish & <chips>',
    'created by': 'tool "q"',
    'creation date': 1781613000,
    'x-<key>&': 'value <i>',
    'url-list': ['https://seed.example/', 'https://seed.example/'],
    nodes: [['router.example', 6881], ['::1', 7000]],
  },
  info: { source: 'TRK' },
});

// A flat folder of `count` files: f000001.txt ...
const bigFolder = (count, folder = 'all') => torrent({
  name: 'big',
  pieceLength: 1 << 24,
  files: Array.from({ length: count }, (_, i) => [`${folder}/f${String(i + 1).padStart(6, '0')}.txt`, 10]),
});

test('header, summary and metadata rows', async () => {
  await withView(MULTI, async (page) => {
    assert.equal(await text(page, '#title'), 'Season <b>1</b>');
    assert.equal(await text(page, '#summary'), '5 files · 3.08 KB');
    const meta = await metaRows(page);
    assert.deepEqual(meta.map(([k]) => k), ['Name', 'Total size', 'Files', 'Pieces', '▸ Trackers',
      'Infohash (SHA-1)', 'Private', 'Comment', 'Created by', 'Created', 'x-<key>&', 'Source', 'Web seeds',
      'DHT nodes', 'Magnet link']);
    const value = Object.fromEntries(meta);
    assert.equal(value['Pieces'], '1 × 256.0 KB');
    assert.equal(value['Comment'], 'Fish & <chips>');
    assert.equal(value['Created'], '16.06.2026 14:30:00');
    assert.equal(value['Private'], 'No');
    assert.equal(value['Source'], 'TRK');
    assert.equal(value['Web seeds'], 'https://seed.example/');
    assert.equal(value['DHT nodes'], 'router.example:6881[::1]:7000');
    assert.match(value['Infohash (SHA-1)'], /^[0-9a-f]{40}Copy$/);
    assert.match(value['Magnet link'], /^magnet:\?xt=urn:btih:[0-9a-f]{40}&dn=Season%20%3Cb%3E1%3C%2Fb%3E&tr=.*Copy$/);
    // Copy confirms, and the clipboard holds the value.
    await page.context().grantPermissions(['clipboard-read', 'clipboard-write']);
    await page.click('#meta dd:has-text("magnet:") .copy');
    await page.waitForSelector('#meta dd:has-text("magnet:") .copy:text-is("Copied")');
    assert.match(await page.evaluate(() => navigator.clipboard.readText()), /^magnet:\?xt=/);
  });
  await withView(torrent({ name: 'one', length: 700, info: { private: 1 } }), async (page) => {
    assert.equal(await text(page, '#summary'), '1 file · 700 B');
    assert.deepEqual(await rows(page), ['1 one']);
    assert.equal(await page.locator('.ctrls').isVisible(), false);
    const value = Object.fromEntries(await metaRows(page));
    assert.equal(value['Size'], '700 B');
    assert.equal(value['Private'], 'Yes');
    assert.equal(value['Trackers'], 'none');
    assert.equal(value['Created'], undefined);
  });
  // Version 2 only: no SHA-1 hash; a pad file is counted, not shown.
  const root = Buffer.alloc(32, 1);
  const v2 = bencode({ info: { 'meta version': 2, name: 'v2', 'piece length': 16384, 'file tree': {
    'a.txt': { '': { length: 5, 'pieces root': root } }, '.pad': { 16379: { '': { length: 16379, attr: 'p' } } } } } });
  await withView(v2, async (page) => {
    assert.match(await text(page, '#summary'), / · v2$/);
    assert.deepEqual((await metaRows(page)).map(([k]) => k).filter((k) => k.startsWith('Infohash')), ['Infohash (SHA-256)']);
    assert.deepEqual(await rows(page), ['1 a.txt']);
  });
});

test('trackers: primary, hidden rest, toggle, repeats dropped', async () => {
  await withView(MULTI, async (page) => {
    const list = page.locator('.trk-list').first();
    assert.equal(await list.isHidden(), true);
    assert.deepEqual(await page.$$eval('.trk-list[hidden] li', (lis) => lis.map((li) => li.textContent)),
      ['http://b.example/', 'http://c.example/']);
    assert.equal(await text(page, '#meta [data-find="tracker.0"]'), 'http://a.example/');
    await page.click('.trk-toggle');
    assert.equal(await list.isVisible(), true);
    assert.equal(await text(page, '.trk-arrow'), '▾');
    await page.click('.trk-toggle');
    assert.equal(await list.isHidden(), true);
  });
});

test('file tree: order, icons, marks, expand and collapse all, the tree setting', async () => {
  const bytes = torrent({
    name: 'root',
    files: [['zeta/inner/deep.txt', 1], ['zeta/x.pdf', 1], ['b/movie.MKV', 1048575], ['a.iso', 1],
      ['README', 1], ['notes.', 1], ['file10.zip', 1], ['file9.zip', 1], ['.hidden.srt', 1]],
  });
  await withView(bytes, async (page) => {
    const collapsed = ['1 b', '1 zeta', '1 .hidden.srt', '1 a.iso', '1 file10.zip', '1 file9.zip', '1 notes.', '1 README'];
    assert.deepEqual(await rows(page), collapsed);
    await page.click('#expand');
    assert.deepEqual(await rows(page), ['1 b', '2 movie.MKV', '1 zeta', '2 inner', '3 deep.txt', '2 x.pdf',
      '1 .hidden.srt', '1 a.iso', '1 file10.zip', '1 file9.zip', '1 notes.', '1 README']);
    const icon = (name) => page.$eval(`#files .row:has(.t:text-is("${name}")) svg`, (svg) => svg.getAttribute('class'));
    for (const [name, cls] of [['movie.MKV', 'video'], ['a.iso', 'disc'], ['README', 'unknown'], ['notes.', 'unknown'],
      ['.hidden.srt', 'subtitle'], ['x.pdf', 'pdf'], ['zeta', 'folder']]) {
      assert.equal(await icon(name), `ico cat-${cls}`, name);
    }
    assert.equal(await text(page, '#files .row:has(.t:text-is("movie.MKV")) .sz'), '1024.0 KB');
    await page.click('#collapse');
    assert.deepEqual(await rows(page), collapsed);
    // One folder opened: its subfolder stays closed.
    await page.click('#files .row:has(.t:text-is("zeta")) .twisty');
    assert.deepEqual((await rows(page)).slice(1, 4), ['1 zeta', '2 inner', '2 x.pdf']);
    assert.equal(await page.getAttribute('#files .row:has(.t:text-is("inner"))', 'aria-expanded'), 'false');
  }, { settings: '[settings]\ntree=collapsed\n' });
  await withView(bencode({ info: { name: '', 'piece length': 16384, pieces: Buffer.alloc(20), files: [] } }), async (page) => {
    assert.equal(await text(page, '#files .empty'), 'No files.');
    assert.equal(await page.locator('.ctrls').isVisible(), false);
  });
  // Links and executable and hidden marks, from version 2 attributes.
  const v2 = bencode({ info: { 'meta version': 2, name: 'm', 'piece length': 16384, 'file tree': {
    'run.sh': { '': { length: 1, attr: 'xh', 'pieces root': Buffer.alloc(32, 2) } },
    'latest': { '': { length: 0, attr: 'l', 'symlink path': ['run.sh'] } } } } });
  await withView(v2, async (page) => {
    assert.equal(await text(page, '#files .row:has(.t:text-is("latest")) .target'), '→ run.sh');
    assert.deepEqual(await page.$$eval('#files .row:has(.t:text-is("run.sh")) .mark', (m) => m.map((e) => e.textContent)), ['exec', 'hidden']);
  });
});

test('only the rows in and near view are drawn; a folder of 100,000 files scrolls and collapses', async () => {
  await withView(bigFolder(100000), async (page) => {
    const drawn = await page.locator('#files .row').count();
    assert.ok(drawn > 10 && drawn < 120, `${drawn} rows drawn`);
    const height = await page.$eval('#files', (e) => e.offsetHeight);
    const rowHeight = await page.$eval('#files .row', (e) => e.offsetHeight);
    assert.equal(height, 100001 * rowHeight);
    await page.$eval('main', (m) => { m.scrollTop = m.scrollHeight / 2; });
    await until(async () => (await rows(page)).includes('2 f050000.txt'));
    assert.ok((await rows(page)).includes('2 f050000.txt'));
    assert.ok(await page.locator('#files .row').count() < 120);
    await page.click('#collapse');
    assert.deepEqual(await rows(page), ['1 all']);
    await page.click('#expand');
    await page.$eval('main', (m) => { m.scrollTop = m.scrollHeight; });
    await until(async () => (await rows(page)).includes('2 f100000.txt'));
    assert.equal((await rows(page)).at(-1), '2 f100000.txt');
  });
});

test('search by name: matches with their folders, a count, and the tree restored', async () => {
  await withView(bigFolder(2000), async (page) => {
    await page.click('#collapse');
    await page.fill('#fileFilter', 'F00012');
    assert.deepEqual(await rows(page), ['1 all', ...Array.from({ length: 10 }, (_, i) => `2 f00012${i}.txt`)]);
    assert.equal(await text(page, '#filterCount'), '10 of 2,000 files');
    assert.equal(await text(page, '#files .row mark'), 'f00012');
    await page.fill('#fileFilter', 'nothing');
    assert.deepEqual(await rows(page), []);
    assert.equal(await text(page, '#filterCount'), '0 of 2,000 files');
    await page.press('#fileFilter', 'Escape');
    assert.equal(await page.inputValue('#fileFilter'), '');
    assert.deepEqual(await rows(page), ['1 all']);
    assert.equal(await text(page, '#filterCount'), '');
  });
});

test('keyboard: the tree pattern, with the focused row kept in view', async () => {
  const bytes = torrent({ name: 'k', files: [['a/one.txt', 1], ['a/two.txt', 1], ['b/three.txt', 1], ['z.txt', 1]] });
  await withView(bytes, async (page) => {
    await page.focus('#files');
    const focused = () => page.$eval('#files', (f) => document.getElementById(f.getAttribute('aria-activedescendant')).querySelector('.t').textContent);
    const steps = [['ArrowDown', 'one.txt'], ['End', 'z.txt'], ['ArrowUp', 'three.txt'], ['ArrowLeft', 'b'],
      ['ArrowLeft', 'b'], ['ArrowRight', 'b'], ['ArrowRight', 'three.txt'], ['Home', 'a'], ['Enter', 'a'], ['ArrowDown', 'b']];
    for (const [key, expected] of steps) {
      await page.keyboard.press(key);
      assert.equal(await focused(), expected, key);
    }
    assert.deepEqual(await rows(page), ['1 a', '1 b', '2 three.txt', '1 z.txt']);
    assert.equal(await page.getAttribute('#files .row:has(.t:text-is("a"))', 'aria-expanded'), 'false');
  });
  await withView(bigFolder(5000), async (page) => {
    await page.focus('#files');
    await page.keyboard.press('End');
    assert.ok((await rows(page)).includes('2 f005000.txt'));
    assert.ok(await page.isVisible('#files .row.focused'));
  });
});

test('settings panel: every control applies at once and posts its change once', async () => {
  const themes = '[Light]\nbg=#ffffff\nfg=#111111\n[Dark]\nbg=#1e1e1e\nfg=#e6e6e6\n[Night Owl]\nbg=#011627\nfg=#d6deeb\n';
  await withView(MULTI, async (page) => {
    const posted = [];
    page.on('request', (request) => {
      if (request.url().endsWith('/__preview/message')) {
        const { set, value } = JSON.parse(request.postData());
        if (set) posted.push(`${set}=${value}`);
      }
    });
    await page.click('#gearBtn');
    assert.equal(await page.locator('#pop').isVisible(), true);
    await page.selectOption('#themeSel', 'Night Owl');
    assert.equal(await page.$eval('#livetheme', (e) => e.textContent), ':root{--bg:#011627;--fg:#d6deeb;}');
    assert.equal(await page.evaluate(() => getComputedStyle(document.body).backgroundColor), 'rgb(1, 22, 39)');
    await page.selectOption('#treeSel', 'collapsed');
    assert.equal(await page.locator('#files [aria-expanded="false"]').count(), 1);
    await page.selectOption('#unitSel', 'bytes');
    assert.equal(await text(page, '#summary'), '5 files · 3150 B');
    assert.equal(await page.locator('#files [aria-expanded="false"]').count(), 1);
    await page.check('#sepChk');
    assert.equal(Object.fromEntries(await metaRows(page))['Total size'], '3 150 B');
    await page.selectOption('#dateSel', 'iso');
    assert.equal(Object.fromEntries(await metaRows(page))['Created'], '2026-06-16 14:30:00');
    await page.selectOption('#cacheSel', 'custom');
    assert.equal(await page.locator('#cachePathGrp').isVisible(), true);
    await page.fill('#cachePath', 'D:\\cache\\wv');
    await page.press('#cachePath', 'Enter');
    await page.click('#sepChk');
    await page.$eval('#fontRange', (range) => {
      for (let v = 14; v <= 20; v++) {
        range.value = String(v);
        range.dispatchEvent(new Event('input', { bubbles: true }));
      }
    });
    assert.equal(await page.evaluate(() => getComputedStyle(document.body).fontSize), '20px');
    await page.$eval('#fontRange', (range) => range.dispatchEvent(new Event('change', { bubbles: true })));
    await page.click('h1');
    assert.equal(await page.locator('#pop').isVisible(), false);
    await until(() => posted.length >= 9);
    assert.deepEqual(posted, ['theme=Night Owl', 'tree=collapsed', 'sizeunit=bytes', 'sepspace=1',
      'datefmt=iso', 'cachemode=custom', 'cachepath=D:\\cache\\wv', 'sepspace=0', 'fontsize=20']);
  }, { themes });
  // A change the host could not save says so.
  await withView(MULTI, async (page) => {
    await page.click('#gearBtn');
    await page.selectOption('#cacheSel', 'custom');
    await page.fill('#cachePath', 'x'.repeat(40000));
    await page.press('#cachePath', 'Enter');
    await page.waitForSelector('#saveNotice:not([hidden])');
  });
});

test('themes: automatic follows the host, live too; a reload re-runs the page in place', async () => {
  const themes = '[light]\nbg=#fafafa\n[dark]\nbg=#101010\n';
  await withView(MULTI, async (page, host, dir) => {
    assert.equal(await page.$eval('#livetheme', (e) => e.textContent), ':root{--bg:#fafafa;}');
    assert.equal(await host.command('dark 1'), 204);
    await page.waitForFunction(() => document.getElementById('livetheme').textContent === ':root{--bg:#101010;}');
    await page.evaluate(() => { window.__samePage = true; });
    await host.load(writeTorrent(dir, 'next.torrent', torrent({ name: 'Next one', length: 5 })));
    await page.waitForFunction(() => document.getElementById('title').textContent === 'Next one');
    assert.equal(await page.evaluate(() => window.__samePage), true);
    assert.equal(await page.$eval('#livetheme', (e) => e.textContent), ':root{--bg:#101010;}');
    assert.equal(await page.locator('.ctrls').isVisible(), false);
  }, { themes });
});

test('the Lister: keys relayed or kept, copy, select all and find', async () => {
  const bytes = torrent({ name: 'L', files: [['deep/inner/Target.mkv', 1], ['a.txt', 1]], extra: { comment: 'the comment' } });
  await withView(bytes, async (page, host) => {
    const keys = () => host.stderr.filter((l) => l.includes('key to the Lister')).map((l) => l.at(-1));
    await page.click('h1');
    for (const key of ['n', 'p', '7', 'q', 'N', 'Shift+N', 'Control+n']) await page.keyboard.press(key);
    await until(() => keys().length >= 4);
    assert.deepEqual(keys(), ['N', 'P', '7', 'N']);
    // Typing into a field, or arrows in the tree, reach no one else.
    await page.fill('#fileFilter', '');
    await page.type('#fileFilter', 'np');
    await page.fill('#fileFilter', '');
    await page.focus('#files');
    await page.keyboard.press('ArrowDown');
    await new Promise((r) => setTimeout(r, 150));
    assert.equal(keys().length, 4);
    // The panel and the fields keep Escape: the host hears who has the keys.
    const owners = [];
    page.on('request', (r) => r.url().endsWith('/__preview/message') && r.postData().includes('keys') && owners.push(JSON.parse(r.postData()).keys));
    await page.click('#gearBtn');
    await page.keyboard.press('Escape');
    assert.equal(await page.locator('#pop').isVisible(), false);
    await page.focus('#fileFilter');
    await page.keyboard.press('Escape');
    await until(() => owners.length >= 4);
    assert.deepEqual(owners, ['page', 'host', 'page', 'host']);

    // Copy: the focused row's path without a selection, the selection with one.
    const clipboard = () => host.stderr.filter((l) => l.includes('clipboard: ')).map((l) => l.slice(l.indexOf('clipboard: ') + 11));
    assert.equal(await host.command('copy'), 204);
    await until(() => clipboard().length === 1);
    assert.deepEqual(clipboard(), ['L\\deep\\inner']);
    assert.equal(await host.command('selectAll'), 204);
    await until(() => page.evaluate(() => String(window.getSelection()).includes('the comment')));
    assert.match(await page.evaluate(() => String(window.getSelection())), /Target\.mkv/);
    await host.command('copy');
    await until(() => clipboard().length === 2);
    assert.match(clipboard()[1], /^L/);

    // Find opens the folders to a hit, marks it, and walks on to the metadata backwards.
    await page.click('#collapse');
    assert.equal(await host.command('find 1 target'), 204);
    await page.waitForSelector('#files .row.focused mark');
    assert.equal(await text(page, '#files .row.focused mark'), 'Target');
    assert.equal(await host.command('find 8 COMMENT'), 204);
    await until(() => page.evaluate(() => String(window.getSelection()) === 'comment'));
    assert.equal(await host.command('find 1 nowhere'), 404);
  });
});

test('timing reports reach the host only when tracing is on', async () => {
  await withView(MULTI, async (page, host) => {
    await until(() => host.stderr.some((l) => l.includes('frontend main total')));
    const labels = host.stderr.filter((l) => l.includes('frontend')).map((l) => l.slice(l.indexOf('frontend ') + 9, l.lastIndexOf(': ')));
    assert.deepEqual(labels, ['fetch data.json', 'renderMeta', 'renderFiles', 'frontend main total']);
  }, { perf: true });
  await withView(MULTI, async (page, host) => {
    await new Promise((r) => setTimeout(r, 200));
    assert.equal(host.stderr.filter((l) => l.includes('frontend')).length, 0);
  });
});

test('failed and invalid documents; warnings', async () => {
  await withView(MULTI, async (page) => {
    const serve = (body) => page.route('**/data.json', (route) => route.fulfill({ body, contentType: 'application/json' }));
    const reload = async () => {
      await page.reload();
      await page.waitForFunction(() => document.getElementById('title').textContent !== '—');
    };
    await serve('{"ok":false}');
    await reload();
    assert.equal(await text(page, '#title'), 'Not a valid torrent');
    await page.unroute('**/data.json');
    await serve('{"ok":tr');
    await reload();
    assert.equal(await text(page, '#title'), 'Failed to load data');
    await page.unroute('**/data.json');
    await serve('{"ok":true,"name":"w","tree":{"name":"w","children":[]},"warnings":["Lists <disagree>."]}');
    await reload();
    assert.equal(await text(page, '#warnings'), 'Lists <disagree>.');
  });
});

test('value formatting', async () => {
  await withView(MULTI, async (page) => {
    const cases = [
      ['auto', false, 0, '0 B'], ['auto', false, 1023, '1023 B'], ['auto', false, 1024, '1.00 KB'],
      ['auto', false, 10240, '10.0 KB'], ['auto', true, 1048575, '1 024.0 KB'], ['auto', false, 1152, '1.13 KB'],
      ['kb', false, 1000, '0.98 KB'], ['mb', true, 5 * 1073741824, '5 120 MB'], ['bytes', true, 1234567, '1 234 567 B'],
      ['gb', false, 262144, '0 GB'], ['auto', false, null, ''], ['weird', false, 2048, '2.00 KB'], ['auto', false, 1024 ** 6 * 2, '2048.0 PB'],
    ];
    for (const [unit, sep, bytes, expected] of cases) {
      const got = await page.evaluate(([u, s, b]) => { CFG.sizeunit = u; CFG.sepspace = s; return fmtSize(b); }, [unit, sep, bytes]);
      assert.equal(got, expected, `${unit} ${sep} ${bytes}`);
    }
    const dates = [['dmy', '16.06.2026 14:30:00'], ['mdy', '06/16/2026 14:30:00'], ['iso', '2026-06-16 14:30:00'], ['xyz', '16.06.2026 14:30:00']];
    for (const [fmt, expected] of dates) {
      assert.equal(await page.evaluate((f) => { CFG.datefmt = f; return fmtDate(1781613000); }, fmt), expected);
    }
    assert.equal(await page.evaluate(() => fmtDate(0)), '');
    assert.match(await page.evaluate(() => { CFG.datefmt = 'os'; return fmtDate(1781613000); }), /14:30:00/);
    assert.equal(await page.evaluate(() => esc('a&<b>"')), 'a&amp;&lt;b&gt;&quot;');
    assert.equal(await page.evaluate(() => EXT_CAT.size), 101);
  });
});

test('hostile texts show literally and run nothing', async () => {
  const evil = '<img src=x onerror="window.__pwned=1"><script>window.__pwned=1</script>';
  const bytes = torrent({
    name: evil,
    files: [[[evil, 'a.txt'], 1], ['b.txt', 2]],
    extra: { announce: evil, comment: evil, 'created by': evil, [evil]: evil, 'url-list': evil },
  });
  const themes = `[Light]\nbg=#fff\n[${evil}]\nbg=#000\n`;
  await withView(bytes, async (page) => {
    assert.equal(await text(page, '#title'), evil);
    const value = Object.fromEntries(await metaRows(page));
    for (const key of ['Name', 'Comment', evil, 'Trackers', 'Web seeds']) assert.equal(value[key], evil, key);
    assert.equal(await text(page, '#files .row.dir .t'), evil);
    assert.ok((await page.$$eval('#themeSel option', (o) => o.map((x) => x.textContent))).includes(evil));
    assert.equal(await page.locator('#app img, #app script').count(), 0);
    assert.equal(await page.evaluate(() => window.__pwned), undefined);
    assert.equal(page.__dialogs || 0, 0);
  }, { themes });
});

test('screenshots of a multi-file torrent in the Light and Dark themes', async () => {
  mkdirSync(ARTIFACTS, { recursive: true });
  for (const dark of [false, true]) {
    await withView(MULTI, async (page) => {
      await page.screenshot({ path: join(ARTIFACTS, dark ? 'page-dark.png' : 'page-light.png') });
    }, { dark });
  }
});

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
  },
});

test('header and summary', async () => {
  await withView(MULTI, async (page) => {
    assert.equal(await text(page, '#title'), 'Season <b>1</b>');
    assert.equal(await text(page, '#summary'), '5 files · 3.08 KB');
  });
  await withView(torrent({ name: 'one', length: 700 }), async (page) => {
    assert.equal(await text(page, '#summary'), '1 file · 700 B');
    // A single-file torrent: one row, no Expand all / Collapse all.
    assert.equal(await page.locator('#files li').count(), 1);
    assert.equal(await text(page, '#files .t'), 'one');
    assert.equal(await page.locator('.ctrls').isVisible(), false);
  });
  await withView(torrent({ name: 'none', files: [] }), async (page) => {
    assert.equal(await text(page, '#summary'), '0 files · 0 B');
  });
  const v2 = bencode({ info: { 'meta version': 2, 'file tree': { 'a.txt': { '': { length: 5, 'pieces root': Buffer.alloc(32) } } }, name: 'v2', 'piece length': 16384 } });
  await withView(v2, async (page) => {
    assert.match(await text(page, '#summary'), / · v2$/);
    assert.deepEqual((await metaRows(page)).map(([k]) => k).filter((k) => k.startsWith('Infohash')), ['Infohash (SHA-1)', 'Infohash (SHA-256)']);
  });
});

test('metadata rows, their order and their values', async () => {
  await withView(MULTI, async (page) => {
    const rows = await metaRows(page);
    assert.deepEqual(rows.map(([k]) => k), ['Name', 'Total size', 'Files', 'Pieces', '▸ Trackers',
      'Infohash (SHA-1)', 'Private', 'Comment', 'Created by', 'Created', 'x-<key>&']);
    const value = Object.fromEntries(rows);
    assert.equal(value['Pieces'], '1 × 256.0 KB');
    assert.equal(value['Comment'], 'Fish & <chips>');
    assert.equal(value['Created by'], 'tool "q"');
    assert.equal(value['Created'], '16.06.2026 14:30:00');
    assert.equal(value['x-<key>&'], 'value <i>');
    assert.equal(value['Private'], 'No');
    assert.match(value['Infohash (SHA-1)'], /^[0-9a-f]{40}$/);
  });
  await withView(torrent({ name: 'p', info: { private: 1 } }), async (page) => {
    const rows = Object.fromEntries(await metaRows(page));
    assert.equal(rows['Size'], '700 B');
    assert.equal(rows['Private'], 'Yes');
    assert.equal(rows['Trackers'], 'none');
    assert.equal(await page.locator('#meta dd .muted').textContent(), 'none');
    assert.equal(await page.locator('.chip-private-yes').count(), 1);
    assert.equal(rows['Created'], undefined);
  });
});

test('trackers: primary, hidden rest, toggle, repeats dropped', async () => {
  await withView(MULTI, async (page) => {
    const list = page.locator('.trk-list');
    assert.equal(await list.isHidden(), true);
    assert.deepEqual(await page.$$eval('.trk-list li', (lis) => lis.map((li) => li.textContent)),
      ['http://b.example/', 'http://c.example/']);
    assert.equal(await text(page, '#meta dd .mono'), 'http://a.example/');
    assert.equal(await page.locator('text=http://x.example/announce').count(), 0);
    await page.click('.trk-toggle');
    assert.equal(await list.isVisible(), true);
    assert.equal(await text(page, '.trk-arrow'), '▾');
    await page.click('.trk-toggle');
    assert.equal(await list.isHidden(), true);
    assert.equal(await text(page, '.trk-arrow'), '▸');
  });
  await withView(torrent({ name: 'a', extra: { announce: 'udp://only.example:1/' } }), async (page) => {
    assert.equal(Object.fromEntries(await metaRows(page))['Trackers'], 'udp://only.example:1/');
    assert.equal(await page.locator('.trk-toggle').count(), 0);
  });
});

test('file tree: order, icons, twisties, expand and collapse all', async () => {
  const bytes = torrent({
    name: 'root',
    files: [['zeta/inner/deep.txt', 1], ['zeta/x.pdf', 1], ['b/movie.MKV', 1048575], ['a.iso', 1],
      ['README', 1], ['notes.', 1], ['file10.zip', 1], ['file9.zip', 1], ['.hidden.srt', 1]],
  });
  await withView(bytes, async (page) => {
    const top = await page.$$eval('#files > ul.tree > li > .row .t', (els) => els.map((e) => e.textContent));
    assert.deepEqual(top, ['b', 'zeta', '.hidden.srt', 'a.iso', 'file10.zip', 'file9.zip', 'notes.', 'README']);
    const icon = async (name) => page.$eval(`xpath=//span[@class="t" and text()="${name}"]/preceding-sibling::*[name()="svg"]`, (svg) => svg.getAttribute('class'));
    assert.equal(await icon('movie.MKV'), 'ico cat-video');
    assert.equal(await icon('a.iso'), 'ico cat-disc');
    assert.equal(await icon('README'), 'ico cat-unknown');
    assert.equal(await icon('notes.'), 'ico cat-unknown');
    assert.equal(await icon('.hidden.srt'), 'ico cat-subtitle');
    assert.equal(await icon('x.pdf'), 'ico cat-pdf');
    assert.equal(await icon('zeta'), 'ico cat-folder');
    assert.equal(await page.$eval('xpath=//span[text()="movie.MKV"]/../../span[@class="sz"]', (e) => e.textContent), '1024.0 KB');

    const dirs = page.locator('#files li.dir');
    assert.equal(await dirs.count(), 3);
    await page.click('#collapse');
    assert.equal(await page.locator('#files li.dir.collapsed').count(), 3);
    // One folder opened: its subfolder stays collapsed.
    await page.click('xpath=//span[text()="zeta"]/preceding-sibling::span[@class="twisty"]');
    assert.equal(await page.locator('#files li.dir.collapsed').count(), 2);
    assert.equal(await page.isVisible('text=x.pdf'), true);
    assert.equal(await page.isVisible('text=deep.txt'), false);
    await page.click('#expand');
    assert.equal(await page.locator('#files li.dir.collapsed').count(), 0);
    assert.deepEqual(await page.$$eval('#files li.dir > .row .twisty', (t) => t.map((e) => e.textContent)), ['▾', '▾', '▾']);
  });
  await withView(bencode({ info: { name: '', 'piece length': 16384, pieces: Buffer.alloc(20), files: [] } }), async (page) => {
    assert.equal(await text(page, '#files .empty'), 'No files.');
    assert.equal(await page.locator('.ctrls').isVisible(), false);
  });
});

test('settings panel: every control applies at once and posts its change once', async () => {
  const themes = '[Light]\nbg=#ffffff\nfg=#111111\n[Dark]\nbg=#1e1e1e\nfg=#e6e6e6\n[Night Owl]\nbg=#011627\nfg=#d6deeb\n';
  await withView(MULTI, async (page) => {
    const posted = [];
    page.on('request', (request) => {
      if (request.url().endsWith('/__preview/message')) {
        const { set, value } = JSON.parse(request.postData());
        posted.push(`${set}=${value}`);
      }
    });
    await page.click('#gearBtn');
    await page.click('#unitSel');
    assert.equal(await page.locator('#pop').isVisible(), true);

    await page.selectOption('#themeSel', 'Night Owl');
    assert.equal(await page.$eval('#livetheme', (e) => e.textContent), ':root{--bg:#011627;--fg:#d6deeb;}');
    assert.equal(await page.evaluate(() => getComputedStyle(document.body).backgroundColor), 'rgb(1, 22, 39)');
    await page.selectOption('#treeSel', 'collapsed');
    assert.equal(await page.locator('#files li.dir.collapsed').count(), 1);
    await page.selectOption('#unitSel', 'bytes');
    assert.equal(await text(page, '#summary'), '5 files · 3150 B');
    // The tree re-rendered by the unit change keeps the new default.
    assert.equal(await page.locator('#files li.dir.collapsed').count(), 1);
    await page.check('#sepChk');
    assert.equal(Object.fromEntries(await metaRows(page))['Total size'], '3 150 B');
    await page.selectOption('#dateSel', 'iso');
    assert.equal(Object.fromEntries(await metaRows(page))['Created'], '2026-06-16 14:30:00');
    assert.equal(await page.locator('#cachePathGrp').isVisible(), false);
    await page.selectOption('#cacheSel', 'custom');
    assert.equal(await page.locator('#cachePathGrp').isVisible(), true);
    // The path is posted when the edit is committed: Enter, or leaving the field.
    await page.fill('#cachePath', 'D:\\cache\\wv');
    await page.press('#cachePath', 'Enter');
    await page.fill('#cachePath', 'E:\\other');
    await page.click('#sepChk');
    // Dragging the slider follows live; only the release is posted.
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
    for (let i = 0; i < 50 && posted.length < 10; i++) await new Promise((r) => setTimeout(r, 20));
    assert.deepEqual(posted, ['theme=Night Owl', 'tree=collapsed', 'sizeunit=bytes', 'sepspace=1',
      'datefmt=iso', 'cachemode=custom', 'cachepath=D:\\cache\\wv', 'cachepath=E:\\other', 'sepspace=0',
      'fontsize=20']);
  }, { themes });
});

test('automatic theme follows the host and the palettes present', async () => {
  const themes = '[light]\nbg=#fafafa\n[dark]\nbg=#101010\n';
  await withView(MULTI, async (page) => {
    assert.equal(await page.$eval('#livetheme', (e) => e.textContent), ':root{--bg:#101010;}');
  }, { themes, dark: true });
  await withView(MULTI, async (page) => {
    assert.equal(await page.$eval('#livetheme', (e) => e.textContent), ':root{--bg:#fafafa;}');
  }, { themes });
});

test('reload message re-runs the page in place with the new documents', async () => {
  await withView(MULTI, async (page, host, dir) => {
    await page.click('#gearBtn');
    await page.click('.trk-toggle');
    await page.evaluate(() => { window.__samePage = true; });
    const options = await page.$$eval('#themeSel option', (o) => o.length);
    await host.load(writeTorrent(dir, 'next.torrent', torrent({ name: 'Next one', length: 5 })));
    await page.waitForFunction(() => document.getElementById('title').textContent === 'Next one');
    assert.equal(await page.evaluate(() => window.__samePage), true);
    assert.equal(await text(page, '#summary'), '1 file · 5 B');
    assert.equal(await page.$$eval('#themeSel option', (o) => o.length), options);
    assert.equal(await page.locator('.ctrls').isVisible(), false);
  });
});

test('timing reports reach the host only when tracing is on', async () => {
  await withView(MULTI, async (page, host) => {
    for (let i = 0; i < 100 && !host.stderr.some((l) => l.includes('frontend main total')); i++) {
      await new Promise((r) => setTimeout(r, 20));
    }
    const labels = host.stderr.filter((l) => l.includes('frontend')).map((l) => l.slice(l.indexOf('frontend ') + 9, l.lastIndexOf(': ')));
    assert.deepEqual(labels, ['fetch data.json', 'renderMeta', 'renderFiles', 'frontend main total']);
  }, { perf: true });
  await withView(MULTI, async (page, host) => {
    await new Promise((r) => setTimeout(r, 200));
    assert.equal(host.stderr.filter((l) => l.includes('frontend')).length, 0);
  });
});

test('failed and invalid documents', async () => {
  await withView(MULTI, async (page) => {
    await page.route('**/data.json', (route) => route.fulfill({ body: '{"ok":false}', contentType: 'application/json' }));
    await page.reload();
    await page.waitForFunction(() => document.getElementById('title').textContent !== '—');
    assert.equal(await text(page, '#title'), 'Not a valid torrent');
    await page.route('**/data.json', (route) => route.fulfill({ body: '{"ok":tr', contentType: 'application/json' }));
    await page.reload();
    await page.waitForFunction(() => document.getElementById('title').textContent !== '—');
    assert.equal(await text(page, '#title'), 'Failed to load data');
  });
});

test('value formatting', async () => {
  await withView(MULTI, async (page) => {
    const cases = [
      ['auto', false, 0, '0 B'], ['auto', false, 1023, '1023 B'], ['auto', false, 1024, '1.00 KB'],
      ['auto', false, 1536, '1.50 KB'], ['auto', false, 10240, '10.0 KB'], ['auto', false, 1048576, '1.00 MB'],
      ['auto', true, 1023, '1 023 B'], ['auto', true, 1048575, '1 024.0 KB'], ['auto', false, 1152, '1.13 KB'],
      ['kb', false, 1536, '1.5 KB'], ['kb', false, 1024, '1 KB'], ['kb', false, 1000, '0.98 KB'],
      ['mb', true, 5 * 1073741824, '5 120 MB'], ['bytes', true, 1234567, '1 234 567 B'], ['gb', false, 262144, '0 GB'],
      ['auto', false, null, ''], ['weird', false, 2048, '2.00 KB'],
      ['auto', false, 1024 ** 6 * 2, '2048.0 PB'],
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
    assert.equal(await page.evaluate(() => { CFG.datefmt = 'iso'; return fmtDate(-86400); }), '1969-12-31 01:00:00');
    assert.match(await page.evaluate(() => { CFG.datefmt = 'os'; return fmtDate(1781613000); }), /14:30:00/);
    assert.equal(await page.evaluate(() => groupDigits('1234567')), '1 234 567');
    assert.equal(await page.evaluate(() => esc('a&<b>"')), 'a&amp;&lt;b&gt;"');
    assert.equal(await page.evaluate(() => EXT_CAT.size), 101);
  });
});

test('hostile texts show literally and run nothing', async () => {
  const evil = '<img src=x onerror="window.__pwned=1"><script>window.__pwned=1</script>';
  const bytes = torrent({
    name: evil,
    files: [[[evil, 'a.txt'], 1], ['b.txt', 2]],
    extra: { announce: evil, comment: evil, 'created by': evil, [evil]: evil },
  });
  const themes = `[Light]\nbg=#fff\n[${evil}]\nbg=#000\n`;
  await withView(bytes, async (page) => {
    assert.equal(await text(page, '#title'), evil);
    const rows = Object.fromEntries(await metaRows(page));
    assert.equal(rows['Name'], evil);
    assert.equal(rows['Comment'], evil);
    assert.equal(rows[evil], evil);
    assert.equal(rows['Trackers'], evil);
    assert.equal(await page.$eval('#files li.dir .t', (e) => e.textContent), evil);
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

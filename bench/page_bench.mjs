// Page timings for large torrents in headless Chromium, as figures (never as pass or fail):
// navigation to the end of main, the page's own main and renderFiles, and Collapse all.
// Usage: node bench/page_bench.mjs [fileCount ...]   (default: 2000 200000)

import { join } from 'node:path';
import { launchBrowser, scratch, startPreview, torrent, writeTorrent } from '../tests/browser/helpers.mjs';

const counts = process.argv.slice(2).map(Number);
const browser = await launchBrowser();

function manyFiles(count) {
  const files = [];
  for (let i = 0; i < count; i++) {
    files.push([`folder${i % 100}/sub${i % 7}/file ${i}.${['mkv', 'txt', 'jpg', 'srt'][i % 4]}`, 1000 + i]);
  }
  return torrent({ name: `${count} files`, files, pieceLength: 4194304 });
}

async function waitForLine(lines, label) {
  for (;;) {
    const line = lines.find((l) => l.includes(`frontend ${label}:`));
    if (line) return Number(line.split(': ')[1].split(' ')[0]);
    await new Promise((r) => setTimeout(r, 10));
  }
}

for (const count of counts.length ? counts : [2000, 200000]) {
  const dir = scratch();
  const path = writeTorrent(dir, 'big.torrent', manyFiles(count));
  const host = await startPreview(path, { configDir: join(dir, 'config'), perf: true });
  const context = await browser.newContext({ viewport: { width: 900, height: 700 } });
  const page = await context.newPage();
  const started = Date.now();
  await page.goto(host.address, { waitUntil: 'commit' });
  const main = await waitForLine(host.stderr, 'frontend main total');
  const wall = Date.now() - started;
  const render = await waitForLine(host.stderr, 'renderFiles');
  const collapse = await page.evaluate(() => {
    const t = performance.now();
    document.getElementById('collapse').click();
    return performance.now() - t;
  });
  const expand = await page.evaluate(() => {
    const t = performance.now();
    document.getElementById('expand').click();
    void document.querySelector('main').scrollHeight;  // the layout the click causes
    return performance.now() - t;
  });
  const scroll = await page.evaluate(async () => {
    const main = document.querySelector('main');
    const t = performance.now();
    main.scrollTop = main.scrollHeight / 2;
    await new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)));
    return performance.now() - t;
  });
  console.log(`${count} files: navigation to end of main ${wall} ms (main ${main.toFixed(1)} ms, ` +
    `renderFiles ${render.toFixed(1)} ms); Collapse all ${collapse.toFixed(1)} ms; ` +
    `Expand all with its layout ${expand.toFixed(1)} ms; scroll to the middle, two frames ` +
    `${scroll.toFixed(1)} ms`);
  await context.close();
  host.stop();
}
await browser.close();

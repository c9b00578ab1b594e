// Fixtures and plumbing for the page tests: torrents written in code, the preview host built
// from the project's own C++ code, and Debian's Chromium kept off the network.

import { spawn } from 'node:child_process';
import { mkdtempSync, writeFileSync, mkdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const root = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
export const TOOL = process.env.MARROWPEEK_TOOL || join(root, 'build', 'native', 'bin', 'marrowpeek');
export const ARTIFACTS = join(root, 'test-artifacts');

export function bencode(value) {
  if (typeof value === 'number') return Buffer.from(`i${Math.trunc(value)}e`);
  if (typeof value === 'string' || Buffer.isBuffer(value)) {
    const bytes = Buffer.isBuffer(value) ? value : Buffer.from(value, 'utf8');
    return Buffer.concat([Buffer.from(`${bytes.length}:`), bytes]);
  }
  if (Array.isArray(value)) return Buffer.concat([Buffer.from('l'), ...value.map(bencode), Buffer.from('e')]);
  const keys = Object.keys(value).sort((a, b) => Buffer.compare(Buffer.from(a), Buffer.from(b)));
  return Buffer.concat([Buffer.from('d'), ...keys.flatMap((key) => [bencode(key), bencode(value[key])]), Buffer.from('e')]);
}

// A version 1 torrent. `files`: [path, length] pairs, a path being 'a/b/c.txt' or a list of
// elements; without them, a single-file torrent of `length` bytes.
export function torrent({ name = 'Sample', files, length = 700, pieceLength = 262144, extra = {}, info = {} } = {}) {
  const total = files ? files.reduce((sum, [, size]) => sum + size, 0) : length;
  const body = { name, 'piece length': pieceLength, pieces: Buffer.alloc(20 * Math.max(1, Math.ceil(total / pieceLength)), 7), ...info };
  if (files) body.files = files.map(([path, size]) => ({ length: size, path: Array.isArray(path) ? path : path.split('/') }));
  else body.length = length;
  return bencode({ ...extra, info: body });
}

// Folders the tests make, removed with everything in them when the test process ends.
const made = [];
process.on('exit', () => {
  for (const folder of made) rmSync(folder, { recursive: true, force: true });
});
export const scratch = () => {
  const folder = mkdtempSync(join(tmpdir(), 'marrowpeek-page-'));
  made.push(folder);
  return folder;
};

export function writeTorrent(folder, fileName, bytes) {
  writeFileSync(join(folder, fileName), bytes);
  return join(folder, fileName);
}

// Starts the preview host for a torrent; resolves with its address and the lines it writes to
// standard error (timing lines, and what it would hand the Lister window and the clipboard).
export async function startPreview(torrentPath, { configDir = scratch(), dark = false, perf = false } = {}) {
  mkdirSync(configDir, { recursive: true });
  const args = ['preview', torrentPath, '--port', '0', '--config-dir', configDir, ...(dark ? ['--dark'] : [])];
  const env = { ...process.env };
  if (perf) env.MARROWPEEK_PERF = '1';
  else delete env.MARROWPEEK_PERF;
  const child = spawn(TOOL, args, { env, stdio: ['ignore', 'pipe', 'pipe'] });
  const stderr = [];
  child.stderr.setEncoding('utf8');
  child.stderr.on('data', (text) => stderr.push(...text.split('\n').filter(Boolean)));
  const address = await new Promise((resolve, reject) => {
    child.stdout.setEncoding('utf8');
    child.stdout.once('data', (text) => resolve(text.split('\n')[0].trim()));
    child.on('exit', (code) => reject(new Error(`preview exited with ${code}: ${stderr.join('\n')}`)));
  });
  const origin = new URL(address).origin;
  return {
    address,
    origin,
    stderr,
    // Acts as the page does: from its origin, with the run's token from its bridge.
    async post(path, body) {
      const token = (await (await fetch(`${origin}/index.html`)).text()).match(/'X-Preview-Token': '([0-9a-f]+)'/)[1];
      return fetch(origin + path, { method: 'POST', body, headers: { Origin: origin, 'X-Preview-Token': token } });
    },
    async load(path) {
      const response = await this.post('/__preview/load', path);
      if (response.status !== 204) throw new Error(`load refused: ${await response.text()}`);
    },
    // Plays the file manager: "copy", "selectAll", "dark 1", "find FLAGS TEXT"; the status.
    command(body) {
      return this.post('/__preview/host', body).then((response) => response.status);
    },
    stop() { child.kill(); },
  };
}

export function launchBrowser() {
  return chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--disable-default-apps'],
  });
}

// Opens the page and waits for its first run to finish.
export async function openPage(browser, address) {
  const context = await browser.newContext({ viewport: { width: 900, height: 700 }, timezoneId: 'Europe/Berlin', locale: 'en-US' });
  const page = await context.newPage();
  page.on('dialog', (dialog) => { page.dialogs = (page.dialogs || 0) + 1; dialog.dismiss(); });
  await page.goto(address);
  await page.waitForFunction(() => document.getElementById('title').textContent !== '—');
  return page;
}

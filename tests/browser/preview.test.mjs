// The preview host as a neighbour sees it: another site, a rebound name, a slow or greedy client.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { request } from 'node:http';
import { connect } from 'node:net';
import { join } from 'node:path';
import { scratch, startPreview, torrent, writeTorrent } from './helpers.mjs';

// One request with exactly these headers; resolves with status and body.
function raw(port, { method = 'GET', path = '/index.html', headers = {}, body } = {}) {
  return new Promise((resolve, reject) => {
    const req = request({ host: '127.0.0.1', port, method, path, headers, agent: false }, (res) => {
      let text = '';
      res.on('data', (chunk) => { text += chunk; });
      res.on('end', () => resolve({ status: res.statusCode, text }));
    });
    req.on('error', reject);
    req.end(body);
  });
}

// A host that waits on a client would hang here: the test has a deadline of its own.
test('only the preview\'s own page reads it or acts on it, and no client can hold it', { timeout: 30000 }, async () => {
  const dir = scratch();
  const path = writeTorrent(dir, 'a.torrent', torrent({ name: 'a' }));
  const host = await startPreview(path);
  try {
    const port = Number(new URL(host.origin).port);
    const own = `127.0.0.1:${port}`;
    for (const [host_, path, status] of [[own, '/index.html', 200], [`localhost:${port}`, '/index.html', 200],
      [`evil.example:${port}`, '/index.html', 403], [`127.0.0.1:${port + 1}`, '/data.json', 403]]) {
      assert.equal((await raw(port, { path, headers: { Host: host_ } })).status, status, host_);
    }
    const token = (await raw(port, { headers: { Host: own } })).text.match(/'X-Preview-Token': '([0-9a-f]+)'/)[1];
    const act = (headers, body = '{"set":"fontsize","value":"20"}', route = '/__preview/message') =>
      raw(port, { method: 'POST', path: route, body, headers: { Host: own, 'X-Preview-String': '1', ...headers } });
    const mine = { Origin: host.origin, 'X-Preview-Token': token };
    for (const [headers, status] of [[{ Origin: host.origin }, 403], [{ 'X-Preview-Token': token }, 403],
      [{ ...mine, Origin: 'http://evil.example' }, 403], [{ ...mine, 'X-Preview-Token': 'f'.repeat(32) }, 403],
      [mine, 204], [{ ...mine, 'Content-Encoding': 'gzip' }, 415]]) {
      assert.equal((await act(headers)).status, status, JSON.stringify(headers));
    }
    assert.equal((await act(mine, 'x'.repeat(2 << 20))).status, 413);

    // Another file: beside the first only, and a refusal tells nothing about the file system.
    writeTorrent(dir, 'b.torrent', torrent({ name: 'b' }));
    assert.equal((await act(mine, join(dir, 'b.torrent'), '/__preview/load')).status, 204);
    for (const file of ['/etc/passwd', join(dir, 'missing.torrent'), join(scratch(), 'c.torrent'), dir]) {
      assert.deepEqual(await act(mine, file, '/__preview/load'), { status: 422, text: 'cannot be shown' }, file);
    }

    // A client that never finishes its request is let go; the event streams are bounded.
    const slow = connect(port, '127.0.0.1').resume();
    const letGo = new Promise((resolve) => slow.on('close', resolve));
    slow.write('GET /index.html HTTP/1.1\r\nHost: ' + own + '\r\n');
    const streams = [];
    for (let i = 0; i < 5; i++) {
      streams.push(await new Promise((resolve) => {
        const req = request({ host: '127.0.0.1', port, path: '/__preview/events', headers: { Host: own }, agent: false },
          (res) => resolve({ status: res.statusCode, req }));
        req.end();
      }));
    }
    assert.deepEqual(streams.map((s) => s.status), [200, 200, 200, 200, 503]);
    assert.equal((await raw(port, { headers: { Host: own } })).status, 200);
    await letGo;
    streams.forEach((s) => s.req.destroy());
  } finally {
    host.stop();
  }
});

// scripts/plant-demo as a user runs it: two lines printed, the page and both buses there, and
// nothing left running once --for has passed or a signal came.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { createRequire } from 'node:module';
import net from 'node:net';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const mqtt = createRequire(path.join(here, '../../web/package.json'))('mqtt');
const script = path.join(here, '../../scripts/plant-demo');

function accepts(port) {
  return new Promise((resolve) => {
    const socket = net.connect(port, '127.0.0.1');
    socket.on('connect', () => { socket.destroy(); resolve(true); });
    socket.on('error', () => resolve(false));
  });
}

function startDemo(args) {
  const demo = spawn(script, args, { stdio: ['ignore', 'pipe', 'pipe'], env: process.env });
  demo.stdoutText = '';
  demo.stdout.on('data', (chunk) => { demo.stdoutText += chunk; });
  demo.stderrText = '';
  demo.stderr.on('data', (chunk) => { demo.stderrText += chunk; process.stderr.write(chunk); });
  demo.exited = new Promise((resolve) => demo.on('exit', (code, signal) => resolve({ code, signal })));
  demo.printed = new Promise((resolve) => demo.stdout.on('data', () => {
    if (demo.stdoutText.split('\n').length > 2) resolve(demo.stdoutText);
  }));
  return demo;
}

// Each bus's console port, as standard error names it; it accepts a console.
async function consolePorts(demo) {
  const named = () => [...demo.stderrText.matchAll(/^console port (line\d): 127\.0\.0\.1:(\d+)$/gm)];
  for (let i = 0; i < 200 && named().length < 2; ++i) await new Promise((r) => setTimeout(r, 50));
  assert.deepEqual(named().map((m) => m[1]), ['line1', 'line2'], demo.stderrText);
  const ports = named().map((m) => Number(m[2]));
  for (const port of ports) assert.equal(await accepts(port), true, `console port ${port}`);
  return ports;
}

async function check(printed) {
  const [broker, page, rest] = printed.split('\n');
  const mqttPort = Number(/^broker: mqtt:\/\/127\.0\.0\.1:(\d+)$/.exec(broker)?.[1]);
  const webPort = Number(/^plant view: http:\/\/127\.0\.0\.1:(\d+)\/$/.exec(page)?.[1]);
  assert.ok(mqttPort && webPort, `printed: ${printed}`);
  assert.equal(rest, '');
  const html = await (await fetch(`http://127.0.0.1:${webPort}/`)).text();
  assert.match(html, /plant-view\.js/);
  // Both gateways come online with the six devices.
  const client = await mqtt.connectAsync(`mqtt://127.0.0.1:${mqttPort}`);
  const online = new Set();
  const devices = new Map();
  client.on('message', (topic, payload) => {
    if (topic.endsWith('/status') && JSON.parse(payload).state === 'online') online.add(topic);
    if (topic.endsWith('/devices')) devices.set(topic, JSON.parse(payload).map((d) => `${d.kind} ${d.serial} ${d.group}${d.unit}`));
  });
  await client.subscribeAsync(['tvxorm/+/status', 'tvxorm/+/devices']);
  for (let i = 0; i < 200 && (online.size < 2 || devices.size < 2); ++i) await new Promise((r) => setTimeout(r, 50));
  await client.endAsync();
  assert.deepEqual([...online].sort(), ['tvxorm/line1/status', 'tvxorm/line2/status']);
  assert.deepEqual(devices.get('tvxorm/line2/devices'), ['andon 10001 0101', 'marquee 10002 0102',
    'numeric 10003 0103', 'stacklight 10004 0104', 'tune 10005 0105', 'headend 10006 0106']);
  return [mqttPort, webPort];
}

for (const [how, args, stop] of [
  ['--for', ['--for', '4'], null],
  ['SIGTERM', [], 'SIGTERM'],
  ['SIGINT', [], 'SIGINT'],
]) {
  test(`plant-demo stops everything it started on ${how}`, async () => {
    const demo = startDemo(args);
    const ports = [...(await check(await demo.printed)), ...(await consolePorts(demo))];
    if (stop) demo.kill(stop);
    assert.deepEqual(await demo.exited, { code: 0, signal: null });
    for (const port of ports) assert.equal(await accepts(port), false, `port ${port} still open`);
  });
}

test('plant-demo refuses what it does not know', async () => {
  for (const args of [['--for'], ['--for', 'x'], ['--for', '0'], ['--bogus']]) {
    const demo = startDemo(args);
    assert.deepEqual(await demo.exited, { code: 2, signal: null }, args.join(' '));
  }
});

// The plant view under load: 20 buses of 10 devices (real gateways on simulated buses), 10
// requests a second on each, the page open in headless chromium. Prints the page's main-thread
// busy share and JS heap over time (Chrome's own task accounting), and the time from a request
// published to its number drawn on the page (p50, p90).
//   TVX_BINARY=build/app/tvxorm TVX_WEB_SITE=build/web/site node bench/web/plant_view_bench.mjs
//     [--seconds N] (default 60; --seconds 300 for five minutes) [--buses N]
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { readFileSync, readdirSync, writeFileSync } from 'node:fs';
import { Chain, until } from '../../tests/web/chain.mjs';
import { launch } from '../../tests/web/browser.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const mqtt = createRequire(path.join(here, '../../web/package.json'))('mqtt');
const arg = (name, fallback) => {
  const at = process.argv.indexOf(name);
  return at > 0 ? Number(process.argv[at + 1]) : fallback;
};
const seconds = arg('--seconds', 60);
const busCount = arg('--buses', 20);
const RATE = 10; // requests a second per bus

const KINDS = ['andon', 'andon', 'marquee', 'numeric', 'numeric', 'stacklight', 'stacklight', 'tune', 'headend', 'marquee'];
const chain = new Chain({ binary: process.env.TVX_BINARY, site: process.env.TVX_WEB_SITE });
writeFileSync(path.join(chain.dir, 'devices'),
  KINDS.map((kind, i) => `${kind} ${20001 + i} 01 ${String(i + 1).padStart(2, '0')}`).join('\n') + '\n');

const addresses = await chain.startBroker({ viewer: { password: 'bench', acl: ['read tvxorm/#'] } });
const buses = Array.from({ length: busCount }, (_, i) => `bus${String(i + 1).padStart(2, '0')}`);
// The gateways get a shorter pace than the requests' 100 ms, so what is timed is the page and not
// a bus queue that grows whenever the machine delays a tick.
for (const bus of buses) await chain.startBus(bus, { pace: 20 });
const client = await mqtt.connectAsync(addresses.broker, { protocolVersion: 5 });
const online = new Set();
client.on('message', (topic, payload) => { if (String(payload).includes('"online"')) online.add(topic); });
await client.subscribeAsync('tvxorm/+/status');
await until('every gateway online', () => online.size === busCount, 60000);

const browser = await launch();
const page = await browser.newPage({ viewport: { width: 1366, height: 768 } });
await page.goto(addresses.page);
await page.fill('#login-user', 'viewer');
await page.fill('#login-password', 'bench');
await page.press('#login-password', 'Enter');
await page.locator('#connection[data-state="up"]').waitFor();
await until('every bus drawn', async () => (await page.locator('.device').count()) === busCount * 10, 60000);
// Each number drawn is timed when the frame that shows it is about to paint.
await page.evaluate(() => {
  window.drawnAt = new Map();
  new MutationObserver((records) => {
    const numbers = records.map((r) => r.target.dataset?.number).filter(Boolean);
    requestAnimationFrame(() => { for (const n of numbers) if (!drawnAt.has(n)) drawnAt.set(n, Date.now()); });
  }).observe(document.body, { subtree: true, attributes: true, attributeFilter: ['data-number'] });
});
const cdp = await page.context().newCDPSession(page);
await cdp.send('Performance.enable');
const metrics = async () => Object.fromEntries((await cdp.send('Performance.getMetrics')).metrics.map((m) => [m.name, m.value]));

const sentAt = new Map();
let count = 0;
const numericUnits = ['04', '05'];
const timer = setInterval(() => {
  for (const bus of buses) {
    ++count;
    let request;
    if (count % 2 === 0) {
      const number = String(count % 10000);
      if (!sentAt.has(number)) sentAt.set(number, Date.now()); // past 9999 numbers repeat: not timed again
      request = { id: `b${count}`, command: 'NUM', fields: { group: '01', unit: numericUnits[count % 4 === 0 ? 0 : 1], number } };
    } else {
      const attribute = process.env.BENCH_STEADY ? 'ON' : ['ON', 'FS', 'FF'][count % 3];
      request = { id: `b${count}`, command: 'AC2', fields: { group: '01', unit: count % 3 ? '01' : '02',
        row: String(1 + (count % 6)), column: String(1 + (count % 25)), attribute, primary: 'RYG'[count % 3], secondary: 'B' } };
    }
    client.publish(`tvxorm/${bus}/request`, JSON.stringify(request), { qos: 1 });
  }
}, 1000 / RATE);

// The renderer's processor time, from /proc: what the page really cost, where Chrome's task
// time also counts the time a busy machine kept it waiting.
const browserPid = process.pid; // the browser is this program's child
function rendererTicks() {
  let ticks = 0;
  const parents = new Map();
  const pids = readdirSync('/proc').filter((d) => /^\d+$/.test(d));
  for (const pid of pids) {
    try { parents.set(pid, readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ')[1]); } catch { /* gone */ }
  }
  const ours = (pid) => { for (let p = pid, n = 0; p && n < 8; p = parents.get(p), ++n) if (p === String(browserPid)) return true; return false; };
  for (const pid of pids) {
    try {
      const cmd = readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      if (!cmd.includes('--type=renderer') || !ours(pid)) continue;
      const stat = readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
      ticks += Number(stat[11]) + Number(stat[12]); // utime, stime
    } catch { /* gone meanwhile */ }
  }
  return ticks;
}
const TICKS_PER_SECOND = 100;
let lastTicks = rendererTicks();
const start = await metrics();
let last = start;
const t0 = Date.now();
console.log(`plant view bench: ${busCount} buses x 10 devices, ${RATE} requests/s per bus, ${seconds} s`);
console.log('  t(s)  task busy%  renderer CPU%  JS heap used (MB)');
const step = Math.max(5, Math.floor(seconds / 12));
for (let t = step; t <= seconds; t += step) {
  await new Promise((r) => setTimeout(r, t * 1000 - (Date.now() - t0)));
  const now = await metrics();
  const busy = (now.TaskDuration - last.TaskDuration) / (now.Timestamp - last.Timestamp) * 100;
  const ticks = rendererTicks();
  const cpu = (ticks - lastTicks) / TICKS_PER_SECOND / (now.Timestamp - last.Timestamp) * 100;
  console.log(`  ${String(t).padStart(4)}  ${busy.toFixed(1).padStart(10)}  ${cpu.toFixed(1).padStart(13)}  ${(now.JSHeapUsedSize / 2 ** 20).toFixed(1)}`);
  last = now;
  lastTicks = ticks;
}
if (process.argv.includes('--profile')) {
  await cdp.send('Profiler.enable');
  await cdp.send('Profiler.start');
  await new Promise((r) => setTimeout(r, 5000));
  const { profile } = await cdp.send('Profiler.stop');
  const self = new Map();
  const dt = profile.timeDeltas;
  const byId = new Map(profile.nodes.map((n) => [n.id, n]));
  profile.samples.forEach((id, i) => {
    const f = byId.get(id).callFrame;
    const key = `${f.functionName || '(anon)'} ${f.url.split('/').pop()}:${f.lineNumber}`;
    self.set(key, (self.get(key) || 0) + (dt[i] || 0));
  });
  console.log('profile, self time over 5 s:');
  for (const [k, us] of [...self].sort((a, b) => b[1] - a[1]).slice(0, 15)) console.log(`  ${(us / 1000).toFixed(0).padStart(6)} ms  ${k}`);
}
clearInterval(timer);
const end = await metrics();
const drawn = new Map(await page.evaluate(() => [...drawnAt]));
const latencies = [];
for (const [number, at] of sentAt) if (drawn.has(number)) latencies.push(drawn.get(number) - at);
latencies.sort((a, b) => a - b);
const q = (p) => latencies[Math.min(latencies.length - 1, Math.floor(p * latencies.length))];
console.log(`overall busy ${((end.TaskDuration - start.TaskDuration) / (end.Timestamp - start.Timestamp) * 100).toFixed(1)}%` +
  `, requests ${count}, numbers drawn ${latencies.length} of ${sentAt.size}`);
console.log(`request published to drawn: p50 ${q(0.5)} ms, p90 ${q(0.9)} ms, max ${latencies.at(-1)} ms`);
await browser.close();
await client.endAsync();
await chain.close();

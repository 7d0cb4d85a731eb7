// The plant view under load: 20 buses of 10 devices (real gateways on simulated buses), 10
// requests a second on each, the page open in headless chromium. Prints the page's main-thread
// busy share and JS heap over time (Chrome's own task accounting), and the time from a request
// published to its number drawn on the page (p50, p90).
//   TVX_BINARY=build/app/tvxorm TVX_WEB_SITE=build/web/site node bench/web/plant_view_bench.mjs
//     [--seconds N] (default 60; --seconds 300 for five minutes) [--buses N]
//     [--compare SITE_A,SITE_B [--rounds N]] (each build of the page --seconds a round, interleaved)
//     [--profile] (a JS CPU profile) [--trace] (where the main thread's time goes, from a Chrome trace)
//   BENCH_STEADY=1 sends cells that do not flash.
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { cpSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import os from 'node:os';
import { Chain, until } from '../../tests/web/chain.mjs';
import { launch } from '../../tests/web/browser.mjs';
import { TRACE_CATEGORIES, report, summarise } from './trace_summary.mjs';

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
// --compare A,B[,...] opens builds of the page in turn (A B A B ...), each for --seconds, under
// the same traffic and the same load: a before/after figure that a busy machine cannot skew.
const at = process.argv.indexOf('--compare');
const sites = at > 0 ? process.argv[at + 1].split(',') : [process.env.TVX_WEB_SITE];
const rounds = at > 0 ? arg('--rounds', 2) : 1;
const siteRoot = mkdtempSync(path.join(os.tmpdir(), 'tvx-web-sites-'));
sites.forEach((site, i) => cpSync(site, path.join(siteRoot, `s${i}`), { recursive: true }));
const chain = new Chain({ binary: process.env.TVX_BINARY, site: siteRoot });
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

// Requests go out all along; each page times the numbers sent while it is measured. The bench's
// own client also times each number's state arriving from the broker: the part of the latency
// that is the gateways' and the broker's, not the page's.
let sentAt = new Map();
let arrivedAt = new Map();
client.on('message', (topic, payload) => {
  const number = /"number":"(\d+)"/.exec(payload)?.[1];
  if (number && sentAt.has(number)) arrivedAt.set(number, Date.now());
});
await client.subscribeAsync('tvxorm/+/device/+/state');
let count = 0;
const numericUnits = ['04', '05'];
const timer = setInterval(() => {
  for (const bus of buses) {
    ++count;
    let request;
    if (count % 2 === 0) {
      const number = String(count % 10000);
      sentAt.set(number, Date.now()); // numbers repeat after 100 s: each is timed from its last send
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
// time also counts the time a busy machine kept it waiting. Its main thread (the one whose id is
// the process's) is counted on its own too.
const browserPid = process.pid; // the browser is this program's child
const threadTicks = (pid, tid) => {
  const stat = readFileSync(`/proc/${pid}/task/${tid}/stat`, 'utf8').split(') ')[1].split(' ');
  return Number(stat[11]) + Number(stat[12]); // utime, stime
};
function rendererTicks() {
  let all = 0;
  let main = 0;
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
      all += Number(stat[11]) + Number(stat[12]); // utime, stime
      main += threadTicks(pid, pid);
    } catch { /* gone meanwhile */ }
  }
  return { all, main };
}
const TICKS_PER_SECOND = 100;
const loadAverage = () => readFileSync('/proc/loadavg', 'utf8').split(' ')[0];

async function measure(site) {
  const page = await browser.newPage({ viewport: { width: 1366, height: 768 } });
  await page.goto(`${addresses.page}s${site}/`);
  await page.fill('#login-user', 'viewer');
  await page.fill('#login-password', 'bench');
  await page.press('#login-password', 'Enter');
  await page.locator('#connection[data-state="up"]').waitFor();
  await until('every bus drawn', async () => (await page.locator('.device').count()) === busCount * 10, 60000);
  await new Promise((r) => setTimeout(r, 3000)); // the retained states' first burst drawn
  // Each number is timed when it is written: the page writes in an animation frame's callback, so
  // that frame's style, layout and paint follow. (Timing in a frame of its own would ask the page
  // for frames it does not draw.)
  await page.evaluate(() => {
    window.drawnAt = new Map();
    new MutationObserver((records) => {
      const now = Date.now();
      for (const r of records) {
        const n = r.target.dataset?.number;
        if (n) drawnAt.set(n, now);
      }
    }).observe(document.body, { subtree: true, attributes: true, attributeFilter: ['data-number'] });
  });
  sentAt = new Map();
  arrivedAt = new Map();
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Performance.enable');
  const metrics = async () => Object.fromEntries((await cdp.send('Performance.getMetrics')).metrics.map((m) => [m.name, m.value]));
  let lastTicks = rendererTicks();
  const startTicks = lastTicks;
  const share = (from, to, what, seconds) => (to[what] - from[what]) / TICKS_PER_SECOND / seconds * 100;
  const start = await metrics();
  let last = start;
  const t0 = Date.now();
  console.log(`page ${sites[site]}`);
  console.log('  t(s)  task busy%  renderer CPU%  main thread CPU%  JS heap used (MB)  load');
  const step = Math.max(5, Math.floor(seconds / 12));
  for (let t = step; t <= seconds; t += step) {
    await new Promise((r) => setTimeout(r, t * 1000 - (Date.now() - t0)));
    const now = await metrics();
    const busy = (now.TaskDuration - last.TaskDuration) / (now.Timestamp - last.Timestamp) * 100;
    const ticks = rendererTicks();
    const cpu = share(lastTicks, ticks, 'all', now.Timestamp - last.Timestamp);
    const mainCpu = share(lastTicks, ticks, 'main', now.Timestamp - last.Timestamp);
    console.log(`  ${String(t).padStart(4)}  ${busy.toFixed(1).padStart(10)}  ${cpu.toFixed(1).padStart(13)}  ${mainCpu.toFixed(1).padStart(16)}  ` +
      `${(now.JSHeapUsedSize / 2 ** 20).toFixed(1).padStart(17)}  ${loadAverage()}`);
    last = now;
    lastTicks = ticks;
  }
  const end = await metrics();
  const drawn = new Map(await page.evaluate(() => [...drawnAt]));
  const latencies = [];
  const arrivals = [];
  // A number drawn or arrived only before its last send was not seen since: not counted.
  for (const [number, sent] of sentAt) {
    if (drawn.get(number) >= sent) latencies.push(drawn.get(number) - sent);
    if (arrivedAt.get(number) >= sent) arrivals.push(arrivedAt.get(number) - sent);
  }
  const q = (list, p) => list.sort((a, b) => a - b)[Math.min(list.length - 1, Math.floor(p * list.length))];
  const span = end.Timestamp - start.Timestamp;
  const result = { busy: (end.TaskDuration - start.TaskDuration) / span * 100,
    cpu: share(startTicks, rendererTicks(), 'all', span), main: share(startTicks, rendererTicks(), 'main', span),
    p50: q(latencies, 0.5), p90: q(latencies, 0.9),
    brokerP50: q(arrivals, 0.5) };
  console.log(`overall busy ${result.busy.toFixed(1)}%, renderer CPU ${result.cpu.toFixed(1)}%, ` +
    `main thread CPU ${result.main.toFixed(1)}%, requests ${count}, ` +
    `numbers drawn ${latencies.length} of ${sentAt.size}`);
  console.log(`request published to drawn: p50 ${result.p50} ms, p90 ${result.p90} ms, max ${latencies.at(-1)} ms`);
  console.log(`request published to its state at the bench's client: p50 ${result.brokerP50} ms, p90 ${q(arrivals, 0.9)} ms`);
  if (process.argv.includes('--trace')) {
    await browser.startTracing(page, { categories: TRACE_CATEGORIES });
    await new Promise((r) => setTimeout(r, 5000));
    const trace = JSON.parse(await browser.stopTracing());
    if (process.env.BENCH_TRACE_OUT) writeFileSync(`${process.env.BENCH_TRACE_OUT}.s${site}.json`, JSON.stringify(trace));
    console.log(report(summarise(trace.traceEvents)));
  }
  if (process.argv.includes('--profile')) await profile(cdp);
  await page.close();
  return result;
}

async function profile(cdp) {
  await cdp.send('Profiler.enable');
  await cdp.send('Profiler.start');
  await new Promise((r) => setTimeout(r, 5000));
  const { profile: taken } = await cdp.send('Profiler.stop');
  const self = new Map();
  const dt = taken.timeDeltas;
  const byId = new Map(taken.nodes.map((n) => [n.id, n]));
  taken.samples.forEach((id, i) => {
    const f = byId.get(id).callFrame;
    const key = `${f.functionName || '(anon)'} ${f.url.split('/').pop()}:${f.lineNumber}`;
    self.set(key, (self.get(key) || 0) + (dt[i] || 0));
  });
  console.log('profile, self time over 5 s:');
  for (const [k, us] of [...self].sort((a, b) => b[1] - a[1]).slice(0, 40)) console.log(`  ${(us / 1000).toFixed(0).padStart(6)} ms  ${k}`);
}

console.log(`plant view bench: ${busCount} buses x 10 devices, ${RATE} requests/s per bus, ${seconds} s a page`);
const results = sites.map(() => []);
for (let round = 0; round < rounds; ++round) {
  for (let site = 0; site < sites.length; ++site) results[site].push(await measure(site));
}
if (sites.length > 1) {
  console.log('summary (each round):');
  sites.forEach((site, i) => console.log(`  ${site}: ` + results[i].map((r) =>
    `busy ${r.busy.toFixed(0)}% cpu ${r.cpu.toFixed(0)}% main ${r.main.toFixed(0)}% p50 ${r.p50} p90 ${r.p90} (at client ${r.brokerP50})`).join(' | ')));
}
clearInterval(timer);
await browser.close();
await client.endAsync();
await chain.close();
rmSync(siteRoot, { recursive: true, force: true });

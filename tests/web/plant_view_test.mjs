// The plant view in a real browser (Debian's chromium, headless), served by a real mosquitto,
// with real gateways on simulated buses. Run by ctest with TVX_BINARY and TVX_WEB_SITE set.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import net from 'node:net';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { Chain, until } from './chain.mjs';
import { chromiumPresent, launch, CHROMIUM } from './browser.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const mqtt = createRequire(path.join(here, '../../web/package.json'))('mqtt');

if (!chromiumPresent()) {
  // CI installs it (scripts/install-deps): there a missing browser is a failure.
  if (process.env.CI) throw new Error(`${CHROMIUM} is missing; scripts/install-deps installs it`);
  console.log(`SKIPPED: ${CHROMIUM} is not installed (scripts/install-deps installs chromium)`);
  process.exit(77);
}

const USERS = {
  operator: { password: 'op-secret', acl: ['readwrite tvxorm/#'] },
  viewer: { password: 'view-only', acl: ['read tvxorm/#'] },
};
const chain = new Chain({ binary: process.env.TVX_BINARY, site: process.env.TVX_WEB_SITE });
let browser;
let addresses;
let client; // the test's own MQTT client: an MES publishing requests

async function openPage(user, viewport = { width: 1366, height: 768 }) {
  const page = await browser.newPage({ viewport });
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  page.errors = errors;
  await page.goto(addresses.page);
  // The page's listener wants a user: the page asks, and the test answers as one.
  await page.locator('#login-user').waitFor({ state: 'visible' });
  await page.fill('#login-user', user);
  await page.fill('#login-password', USERS[user].password);
  await page.press('#login-password', 'Enter');
  await page.locator('#connection[data-state="up"]').waitFor();
  return page;
}

function publishRequest(bus, request) {
  return client.publishAsync(`tvxorm/${bus}/request`, JSON.stringify(request), { qos: 1 });
}

before(async () => {
  addresses = await chain.startBroker(USERS);
  await chain.startBus('line1', { consolePort: true });
  await chain.startBus('line2');
  client = await mqtt.connectAsync(addresses.broker, { protocolVersion: 5 });
  // Both gateways online before any page looks.
  const online = new Set();
  // Listening before subscribing: retained statuses may come with the subscription's answer.
  client.on('message', (topic, payload) => {
    if (JSON.parse(payload.toString() || '{}').state === 'online') online.add(topic);
  });
  await client.subscribeAsync('tvxorm/+/status');
  await until('both gateways online', () => online.size === 2).catch((error) => {
    throw new Error(`${error.message}; saw ${[...online]}\n${chain.logs()}`);
  });
  browser = await launch();
});

after(async () => {
  await browser?.close();
  await client?.endAsync();
  await chain.close();
});

test('every bus and device appears, with the data the issue names', async () => {
  const page = await openPage('operator');
  for (const bus of ['line1', 'line2']) {
    await page.locator(`section.bus[data-bus="${bus}"][data-status="online"]`).waitFor();
    const kinds = await page.locator(`.device[data-bus="${bus}"]`).evaluateAll(
      (nodes) => nodes.map((n) => `${n.dataset.kind} ${n.dataset.serial}`));
    assert.deepEqual(kinds, ['andon 10001', 'marquee 10002', 'numeric 10003', 'stacklight 10004',
      'tune 10005', 'headend 10006']);
  }
  const cells = page.locator('.device[data-bus="line1"][data-kind="andon"] [data-row][data-column]');
  assert.equal(await cells.count(), 150);
  assert.equal(await cells.first().getAttribute('data-code'), '', 'a cell never set has no codes');
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('NUM, MRQ and a flashing AC2 cell sent by MQTT show, and the cell blinks', async () => {
  const page = await openPage('operator');
  await page.locator('section.bus[data-bus="line1"][data-status="online"]').waitFor();
  await publishRequest('line1', { id: 'mes-num', command: 'NUM', fields: { group: '01', unit: '03', number: '4321' } });
  await publishRequest('line1', { id: 'mes-mrq', command: 'MRQ', fields: { group: '01', unit: '02', message: 'Line 1 stopped' } });
  await publishRequest('line1', { id: 'mes-ac2', command: 'AC2',
    fields: { group: '01', unit: '01', row: '3', column: '7', attribute: 'FF', primary: 'G', secondary: 'R' } });
  const line1 = '.device[data-bus="line1"]';
  await page.locator(`${line1}[data-serial="10003"] [data-number="4321"]`).waitFor();
  await page.locator(`${line1}[data-serial="10002"] [data-text="Line 1 stopped"]`).waitFor();
  const cell = page.locator(`${line1}[data-serial="10001"] [data-row="3"][data-column="7"]`);
  await until('the AC2 cell', async () => (await cell.getAttribute('data-code')) === '3A3P1S');
  // Fast flash: green and red alternate every 250 ms; over a second both show.
  const colours = new Set();
  for (let i = 0; i < 12; ++i) {
    colours.add(await cell.evaluate((n) => getComputedStyle(n).backgroundColor));
    await page.waitForTimeout(90);
  }
  assert.deepEqual([...colours].sort(), ['rgb(0, 255, 0)', 'rgb(255, 0, 0)']);
  // The bus's other cells stay as they were.
  assert.equal(await page.locator(`${line1}[data-serial="10001"] [data-code]:not([data-code=""])`).count(), 1);
  await page.close();
});

test('a command sent from the form, by keyboard, reaches the simulated bus and its answer shows', async () => {
  const page = await openPage('operator');
  const bus = page.locator('section.bus[data-bus="line2"]');
  // From the keyboard alone: Enter opens the form, Space presses Send.
  await bus.locator('.send-box > summary').focus();
  await page.keyboard.press('Enter');
  await bus.locator('.send-form select[name="command"]').selectOption('NUM');
  const form = bus.locator('.send-form');
  await form.locator('input[name="group"]').fill('01');
  await form.locator('input[name="unit"]').fill('03');
  await form.locator('input[name="number"]').fill('77');
  // Enter in a box does not send: only the button does.
  await form.locator('input[name="number"]').press('Enter');
  await page.waitForTimeout(300);
  assert.equal(await form.locator('.answer').textContent(), '');
  await form.locator('button.send').focus();
  await page.keyboard.press('Space');
  await form.locator('.answer[data-result="written"]').waitFor();
  assert.match(await form.locator('.answer').textContent(),
    /written — The 'Number ' command has been sent to Group = 01, Unit = 03/);
  await bus.locator('.device[data-serial="10003"] [data-number="77"]').waitFor();
  await bus.locator('.sent li.ok', { hasText: '<02>0103<1B>NUM77' }).waitFor();
  const sim = chain.children.get('sim-line2');
  await until('the packet on the simulated bus', () => sim.output.includes('NUM77'));

  // A value the console refuses is answered, not sent.
  await form.locator('input[name="number"]').fill('12345'.slice(0, 4));
  await form.locator('input[name="unit"]').fill('x');
  await form.locator('button.send').click();
  await until('the refusal', async () => ['rejected', 'invalid'].includes(await form.locator('.answer').getAttribute('data-result')));
  await page.close();
});

test('a viewer whose ACL forbids publishing sees the denial', async () => {
  const page = await openPage('viewer');
  const bus = page.locator('section.bus[data-bus="line1"]');
  await bus.locator('.send-box > summary').click();
  const form = bus.locator('.send-form');
  await form.locator('select[name="command"]').selectOption('NUM');
  await form.locator('input[name="group"]').fill('01');
  await form.locator('input[name="unit"]').fill('03');
  await form.locator('input[name="number"]').fill('9');
  await form.locator('button.send').click();
  await form.locator('.answer[data-result="denied"]').waitFor();
  assert.match(await form.locator('.answer').textContent(), /the broker denied it/);
  await page.close();
});

test("a console's packet on the gateway's console port shows, with its source", async () => {
  const page = await openPage('operator');
  const port = chain.consolePorts.line1;
  const consoles = page.locator('section.bus[data-bus="line1"] .badge.consoles');
  await page.locator('section.bus[data-bus="line1"] .badge.consoles[data-consoles="0"]').waitFor();
  assert.equal(await consoles.textContent(), 'no console connected');
  // A console on its TCP/IP link: one whole packet, NUM 4242 to group 01 unit 03.
  const socket = net.connect(port, '127.0.0.1');
  await new Promise((resolve, reject) => socket.once('connect', resolve).once('error', reject));
  await page.locator('section.bus[data-bus="line1"] .badge.consoles[data-consoles="1"]').waitFor();
  assert.equal(await consoles.textContent(), '1 console connected');
  socket.write('\x020103\x1bNUM4242N1A\x04');
  const line1 = page.locator('section.bus[data-bus="line1"]');
  await line1.locator('.device[data-serial="10003"] [data-number="4242"]').waitFor();
  const sent = line1.locator('.sent li.ok', { hasText: '<02>0103<1B>NUM4242' });
  await sent.waitFor();
  // The connection's number counts the readiness probe's connection too.
  assert.match(await sent.locator('.source').textContent(), new RegExp(`^tcp:${port}#\\d+$`));
  socket.end();
  await page.locator('section.bus[data-bus="line1"] .badge.consoles[data-consoles="0"]').waitFor();
  // line2's gateway has no console port: no badge.
  assert.equal(await page.locator('section.bus[data-bus="line2"] .badge.consoles').isHidden(), true);
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('a bus far below the window draws what came meanwhile once scrolled to', async () => {
  const page = await openPage('operator', { width: 1366, height: 200 });
  const line2 = page.locator('section.bus[data-bus="line2"]');
  await page.locator('section.bus[data-bus="line2"][data-status="online"]').waitFor();
  // More than a window's height below it.
  const top = await line2.evaluate((n) => n.getBoundingClientRect().top);
  assert.ok(top > 2 * 200, `line2 is far out of sight (${top} px down)`);
  const published = new Promise((resolve) => client.on('message', (topic, payload) => {
    if (topic === 'tvxorm/line2/device/10002/state' && String(payload).includes('far below')) resolve();
  }));
  await client.subscribeAsync('tvxorm/line2/device/10002/state');
  await publishRequest('line2', { id: 'mes-far', command: 'MRQ', fields: { group: '01', unit: '02', message: 'far below' } });
  await published;
  await line2.locator('.device[data-serial="10002"]').scrollIntoViewIfNeeded();
  await line2.locator('.device[data-serial="10002"] [data-text="far below"]').waitFor();
  await line2.locator('.sent li.ok', { hasText: 'far below' }).waitFor();
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('a stopped gateway shows its bus stale, the other stays live', async () => {
  const page = await openPage('operator');
  await page.locator('section.bus[data-bus="line2"][data-status="online"]').waitFor();
  await chain.stop('gateway-line2');
  const line2 = page.locator('section.bus[data-bus="line2"]');
  await page.locator('section.bus[data-bus="line2"][data-status="offline"].stale').waitFor();
  assert.match(await line2.locator('.news').textContent(), /stale · last news/);
  assert.equal(await page.locator('section.bus[data-bus="line1"]').getAttribute('data-status'), 'online');
  // What the bus last showed is still drawn, greyed.
  assert.equal(await line2.locator('.device[data-serial="10003"] .digits').getAttribute('data-number'), '77');
  await page.close();
});

test('screenshots at 1366 x 768 and 768 x 1024', async () => {
  const dir = process.env.TVX_SCREENSHOTS;
  for (const viewport of [{ width: 1366, height: 768 }, { width: 768, height: 1024 }]) {
    const page = await openPage('operator', viewport);
    // The device states come after the inventory: a picture of what the earlier cases sent.
    await page.locator('.device[data-bus="line1"][data-serial="10003"] .digits:not([data-number=""])').waitFor();
    // Nothing wider than the window: no sideways scrolling.
    assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= innerWidth),
      `the page is wider than ${viewport.width}`);
    if (dir) await page.screenshot({ path: path.join(dir, `plant-view-${viewport.width}x${viewport.height}.png`) });
    await page.close();
  }
});

// The plant view: connects to the broker that served the page, finds every bus under the
// prefix and draws it. The page's address may say ?prefix=plant1/area2 and ?broker=ws://...
import mqtt from 'mqtt/dist/mqtt.esm';
import { DevicePanel } from './devices.js';
import { BLINK_TICK_MS, blinkPhase, secondState } from './looks.js';
import { SendForm } from './form.js';
import { DrawPacer, busDraw } from './pacing.js';
import { SentRows, sentRow } from './sent.js';
import {
  Bus, SENT_KEPT, answersTopic, consolesText, parsePayload, requestIds, route, statesTopic, subscriptions,
} from './plant.js';

const params = new URLSearchParams(location.search);
const prefix = (params.get('prefix') || 'tvxorm').replace(/^\/+|\/+$/g, '');
const brokerUrl = params.get('broker') ||
  `${location.protocol === 'https:' ? 'wss' : 'ws'}://${location.host}/mqtt`;

const $ = (id) => document.getElementById(id);
const busList = $('bus-list');
const busesMain = $('buses');
const connection = $('connection');
const login = $('login');
const nextId = requestIds(() => crypto.getRandomValues(new Uint32Array(1))[0] / 2 ** 32);

const buses = new Map(); // name -> {bus, view}
const decoder = new TextDecoder();
let client = null;
let brokerUp = false;
let credentials = null; // only in this page's memory: a reload asks again

function el(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined) node.textContent = text;
  return node;
}

// Writes only what changed: drawing a bus every frame must not make the browser lay it out again.
function setText(node, text) {
  if (node.textContent !== text) node.textContent = text;
}

function setData(node, key, value) {
  if (node.dataset[key] !== value) node.dataset[key] = value;
}

function localTime(iso) {
  if (!iso) return 'no news yet';
  const when = new Date(iso);
  return Number.isNaN(when.getTime()) ? iso : when.toLocaleString();
}

// --- one bus's section and its entry in the list

class BusView {
  constructor(bus) {
    this.bus = bus;
    this.near = true;
    this.behind = false; // states or sends kept undrawn while far out of sight
    this.following = false; // subscribed to its device states
    const name = bus.name;
    this.section = el('section', 'bus');
    this.section.id = `bus-${name}`;
    this.section.dataset.bus = name;
    this.section.dataset.status = 'offline';
    this.section.setAttribute('aria-labelledby', `bus-title-${name}`);
    const head = el('header', 'bus-header');
    const title = el('h2', '', name);
    title.id = `bus-title-${name}`;
    this.statusBadge = el('span', 'badge status');
    this.statusBadge.dataset.status = 'offline';
    this.linkBadge = el('span', 'badge link', 'link unknown');
    // Only a gateway with a shared port says how many consoles are connected to it.
    this.consolesBadge = el('span', 'badge consoles');
    this.consolesBadge.hidden = true;
    this.news = el('span', 'news dim');
    head.append(title, this.statusBadge, this.consolesBadge, this.linkBadge, this.news);
    this.devicesBox = el('div', 'devices');
    this.panels = new Map();

    this.formBox = el('details', 'send-box');
    const summary = el('summary', '', 'Send a command');
    this.formBox.append(summary);
    this.formBox.addEventListener('toggle', () => this.ensureForm());
    this.form = null;

    const sentBox = el('details', 'sent-box');
    sentBox.open = true;
    this.sentSummary = el('summary', '', 'Last sends (none yet)');
    this.sentList = el('div', 'sent');
    this.sentList.setAttribute('aria-label', `last sends on ${name}`);
    this.sentList.tabIndex = 0;
    const recent = el('ol', 'sent-rows');
    const older = el('ol', 'sent-rows older');
    this.sentList.append(recent, older);
    this.sentRows = new SentRows(recent, older, { kept: SENT_KEPT });
    // Measured after layout, never read in a draw: the older rows' room follows the rows' height.
    new ResizeObserver(([entry]) => this.sentRows.measured(entry.contentRect.height)).observe(recent);
    // The older sends are drawn from the list's first scroll on, and no longer once back at its top.
    this.sentList.addEventListener('scroll', () => {
      const scrolled = this.sentList.scrollTop > 0;
      if (older.classList.contains('shown') !== scrolled) older.classList.toggle('shown', scrolled);
    }, { passive: true });
    sentBox.append(this.sentSummary, this.sentList);

    this.section.append(head, this.devicesBox, this.formBox, sentBox);

    this.item = el('li', 'bus-item');
    this.itemLink = el('a', '', name);
    this.itemLink.href = `#bus-${name}`;
    this.itemDot = el('span', 'dot');
    this.itemLink.prepend(this.itemDot);
    this.item.append(this.itemLink);
    this.item.dataset.bus = name;
    this.item.dataset.status = 'offline';
  }

  drawStatus() {
    const { bus } = this;
    const state = bus.online ? 'online' : 'offline';
    setData(this.section, 'status', state);
    setData(this.item, 'status', state);
    setData(this.statusBadge, 'status', state);
    const reason = bus.status?.reason ? ` (${bus.status.reason})` : '';
    const queue = bus.online && bus.status.queue > 0 ? ` · ${bus.status.queue} waiting` : '';
    setText(this.statusBadge, (bus.status ? state : 'no status') + reason + queue);
    const stale = !bus.online || !brokerUp;
    if (this.section.classList.contains('stale') !== stale) this.section.classList.toggle('stale', stale);
    const news = stale ? `stale · last news ${bus.lastNews}` : `since ${bus.status?.since}`;
    if (news !== this.newsKey) {
      this.newsKey = news;
      setText(this.news, stale ? `stale · last news ${localTime(bus.lastNews)}` : `since ${localTime(bus.status?.since)}`);
    }
    const consoles = bus.online ? consolesText(bus.status.consoles) : '';
    if (this.consolesBadge.hidden !== !consoles) this.consolesBadge.hidden = !consoles;
    setData(this.consolesBadge, 'consoles', consoles ? String(bus.status.consoles) : '');
    setText(this.consolesBadge, consoles);
    const link = bus.link;
    setData(this.linkBadge, 'link', link?.state || '');
    setText(this.linkBadge, !link ? 'link unknown'
      : link.state === 'up' ? `link up · ${link.destination || ''}`
        : `link ${link.state}${link.error ? `: ${link.error}` : ''}`);
    const title = [this.statusBadge, this.consolesBadge, this.linkBadge]
      .filter((badge) => !badge.hidden).map((badge) => badge.textContent).join(', ');
    if (this.itemLink.title !== title) this.itemLink.title = title;
  }

  drawDevices() {
    const wanted = new Map(this.bus.devices.map((d) => [String(d.serial), d]));
    // A gateway started without --devices keeps no states: say so rather than show nothing.
    this.noDevices ??= this.devicesBox.appendChild(el('p', 'dim', 'no devices listed: the gateway has no devices file'));
    this.noDevices.hidden = wanted.size > 0;
    for (const [serial, panel] of this.panels) {
      if (!wanted.has(serial) || wanted.get(serial).kind !== panel.kind) {
        panel.root.remove();
        this.panels.delete(serial);
      }
    }
    for (const [serial, entry] of wanted) {
      if (!this.panels.has(serial)) {
        const panel = new DevicePanel(this.bus.name, entry);
        this.panels.set(serial, panel);
        const state = this.bus.states.get(serial);
        if (state) panel.update(state);
      }
      this.devicesBox.append(this.panels.get(serial).root); // keeps the inventory's order
    }
  }

  drawState(serial) {
    this.panels.get(serial)?.update(this.bus.states.get(serial));
  }

  // The sends that came since the last frame, oldest first, at most what the list keeps.
  drawSents() {
    const fresh = this.bus.sent.slice(0, Math.min(this.bus.sentUndrawn, SENT_KEPT));
    this.bus.sentUndrawn = 0;
    for (let i = fresh.length - 1; i >= 0; --i) this.sentRows.add(sentRow(fresh[i]));
    if (fresh.length) setText(this.sentSummary, `Last sends (${this.sentRows.count} shown, newest first)`);
  }

  ensureForm() {
    if (!this.formBox.open || !this.bus.catalogue) return;
    // Retained topics come again after every reconnect: the same catalogue keeps the form.
    const text = JSON.stringify(this.bus.catalogue);
    if (this.form && this.formCatalogue === text) return;
    if (!answerSubscriptions.has(this.bus.name) && brokerUp) subscribeAnswers(this.bus.name);
    const form = new SendForm(this.bus.name, this.bus.catalogue, (request) => publishRequest(this.bus.name, request), nextId);
    this.formCatalogue = text;
    if (this.form) this.form.root.replaceWith(form.root); else this.formBox.append(form.root);
    this.form = form;
  }
}

// Whether each bus is near sight: within a window's height of it. Until told, a bus is near.
// A bus far from it is not sent its device states at all; they come again when it comes near.
const nearness = new IntersectionObserver((entries) => {
  for (const entry of entries) {
    const { view } = buses.get(entry.target.dataset.bus);
    view.near = entry.isIntersecting;
    followStates(view, view.near);
    if (view.near && view.behind) mark(view.bus.name, 'near');
  }
}, { rootMargin: '100% 0px' });

function followStates(view, follow) {
  if (view.following === follow) return;
  view.following = follow;
  // Not connected: the next connection subscribes to what is followed then.
  if (!client || !brokerUp) return;
  const topic = statesTopic(prefix, view.bus.name);
  if (follow) client.subscribe(topic, { qos: 0 }); else client.unsubscribe(topic);
}

function viewOf(name) {
  let entry = buses.get(name);
  if (entry) return entry;
  const bus = new Bus(name);
  entry = { bus, view: new BusView(bus) };
  buses.set(name, entry);
  // Buses in name order, in the list and on the page alike.
  const names = [...buses.keys()].sort();
  const after = names[names.indexOf(name) + 1];
  busesMain.insertBefore(entry.view.section, after ? buses.get(after).view.section : null);
  busList.insertBefore(entry.view.item, after ? buses.get(after).view.item : null);
  $('no-buses').hidden = true;
  nearness.observe(entry.view.section);
  followStates(entry.view, true);
  entry.view.drawStatus();
  mark(name, 'devices');
  return entry;
}

// --- the blink: one clock for the page, as the simulator's window has one. Each phase sets
// two attributes on <body> that the style sheet reads; it ticks only while something flashes,
// so an idle page wakes nobody, and a phase costs one style pass, not one a frame.

let blinkTimer = 0;
let blinkNeeded = false;

function blinkTick() {
  const now = performance.now();
  const phase = blinkPhase(now);
  setData(document.body, 'ff', secondState('FF', phase) ? '1' : '0');
  setData(document.body, 'fs', secondState('FS', phase) ? '1' : '0');
  // The next tick just after the next phase begins, so no phase is missed or shown twice.
  blinkTimer = blinkNeeded ? setTimeout(blinkTick, BLINK_TICK_MS - (now % BLINK_TICK_MS) + 2) : 0;
  pacer.flush();
}

function runBlink() {
  blinkNeeded = document.querySelector('[data-flash="FF"], [data-flash="FS"]') !== null;
  if (blinkNeeded && !blinkTimer) blinkTick();
}

// --- drawing in a frame, at most once an interval, whatever arrives in between

const dirty = new Map(); // name -> Set of what changed ('status', 'devices', 'state:SERIAL', ...)
const pacer = new DrawPacer({
  now: () => performance.now(),
  later: (fn, ms) => setTimeout(fn, ms),
  frame: (fn) => requestAnimationFrame(fn),
  draw: drawDirty,
});

function mark(name, what) {
  if (!dirty.has(name)) dirty.set(name, new Set());
  dirty.get(name).add(what);
  pacer.ask();
}

function drawDirty() {
  for (const [name, whats] of dirty) {
    const { view } = buses.get(name);
    const plan = busDraw(whats, view.near, view.behind);
    view.behind = plan.behind;
    if (whats.has('devices')) view.drawDevices();
    for (const serial of plan.all ? [...view.panels.keys()] : plan.states) view.drawState(serial);
    if (whats.has('catalogue')) view.ensureForm();
    if (plan.sents) view.drawSents();
    view.drawStatus();
  }
  dirty.clear();
  runBlink();
}

function onMessage(topic, payload) {
  const where = route(prefix, topic);
  if (!where) return;
  const { bus, view } = viewOf(where.bus);
  const text = decoder.decode(payload);
  const changed = bus.take(where, text);
  if (changed === 'sent') {
    mark(bus.name, 'sent');
  } else if (changed === 'response') {
    const answer = view.form?.pending.size ? parsePayload(text) : null;
    if (answer && typeof answer === 'object') view.form.answerWith(answer);
  } else if (changed === 'state') {
    mark(bus.name, `state:${where.serial}`);
  } else if (changed) {
    mark(bus.name, changed);
  }
}

// --- the broker

// A bus's answers are read from when its send form is first built: bus name -> the subscription.
const answerSubscriptions = new Map();

function subscribeAnswers(name) {
  const subscribed = new Promise((resolve, reject) => {
    client.subscribe(answersTopic(prefix, name), { qos: 1 }, (error) => (error ? reject(error) : resolve()));
  });
  subscribed.catch(() => {}); // the request that waits for it goes out all the same
  answerSubscriptions.set(name, subscribed);
  return subscribed;
}

async function publishRequest(name, request) {
  if (!client || !brokerUp) throw new Error('not connected to the broker');
  // Subscribed before the request goes out, so its answer cannot come first and be missed.
  await (answerSubscriptions.get(name) ?? subscribeAnswers(name)).catch(() => {});
  return new Promise((resolve, reject) => {
    if (!client || !brokerUp) {
      reject(new Error('not connected to the broker'));
      return;
    }
    client.publish(`${prefix}/${name}/request`, JSON.stringify(request), { qos: 1 }, (error) => {
      if (error) reject(error); else resolve();
    });
  });
}

function showConnection(state, text) {
  connection.dataset.state = state;
  connection.textContent = text;
  for (const { view } of buses.values()) view.drawStatus();
}

// The broker refused who we are: ask, and try again with what the user types.
function isAuthRefusal(error) {
  return [4, 5, 134, 135].includes(error?.code);
}

function connect() {
  if (client) client.end(true);
  showConnection('connecting', `connecting to ${brokerUrl}…`);
  // Every connection subscribes to what the page reads then (the 'connect' handler), no more.
  const options = { protocolVersion: 5, clean: true, reconnectPeriod: 2000, connectTimeout: 10000, resubscribe: false };
  if (credentials) Object.assign(options, credentials);
  client = mqtt.connect(brokerUrl, options);
  client.on('connect', () => {
    brokerUp = true;
    login.hidden = true;
    showConnection('up', `connected to ${brokerUrl} · prefix ${prefix}`);
    // QoS 0: a live view needs no acknowledgements; retained topics come again on reconnect.
    client.subscribe(subscriptions(prefix), { qos: 0 });
    for (const { view } of buses.values()) {
      if (view.following) client.subscribe(statesTopic(prefix, view.bus.name), { qos: 0 });
    }
    for (const name of answerSubscriptions.keys()) subscribeAnswers(name);
  });
  client.on('message', onMessage);
  client.on('close', () => {
    if (brokerUp) showConnection('down', 'broker unreachable: showing what was last known, trying again…');
    brokerUp = false;
  });
  client.on('error', (error) => {
    if (isAuthRefusal(error)) {
      client.end(true);
      brokerUp = false;
      showConnection('login', `the broker asks who you are (${error.message})`);
      login.hidden = false;
      $('login-user').focus();
    } else {
      showConnection('down', `broker: ${error.message}`);
    }
  });
}

login.addEventListener('submit', (event) => {
  event.preventDefault();
  credentials = { username: $('login-user').value, password: $('login-password').value };
  $('login-password').value = '';
  connect();
});

$('prefix').textContent = prefix;
connect();

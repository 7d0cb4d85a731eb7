// What the page knows of the plant, from the gateways' topics: no DOM and no MQTT here, so
// node's tests drive it with the topics and payloads a broker would deliver.

export const SENT_KEPT = 200;
const BUS_NAME = /^[A-Za-z0-9_-]{1,64}$/;

// The topics a viewer subscribes to under a prefix (which may hold levels). Device states and
// answers are read per bus: states only while the bus is near sight (statesTopic; they are
// retained, so they come again when it comes near), answers only on a bus whose send form is
// open (answersTopic). Every bus's would be most of what comes, drawn nowhere.
export function subscriptions(prefix) {
  return ['status', 'link', 'devices', 'catalogue', 'sent'].map((what) => `${prefix}/+/${what}`);
}

export function statesTopic(prefix, bus) {
  return `${prefix}/${bus}/device/+/state`;
}

export function answersTopic(prefix, bus) {
  return `${prefix}/${bus}/response`;
}

// {bus, what, serial} for a topic under the prefix; null for anything else.
export function route(prefix, topic) {
  if (!topic.startsWith(`${prefix}/`)) return null;
  const levels = topic.slice(prefix.length + 1).split('/');
  const bus = levels[0];
  if (!BUS_NAME.test(bus)) return null;
  if (levels.length === 2) {
    const what = levels[1];
    return ['status', 'link', 'devices', 'catalogue', 'sent', 'response'].includes(what) ? { bus, what } : null;
  }
  if (levels.length === 4 && levels[1] === 'device' && levels[3] === 'state' && /^\d{1,5}$/.test(levels[2])) {
    return { bus, what: 'state', serial: levels[2] };
  }
  return null;
}

// A payload as JSON; null for an empty (cleared retained) or unreadable one.
export function parsePayload(text) {
  if (!text) return null;
  try {
    return JSON.parse(text);
  } catch {
    return null;
  }
}

function later(a, b) {
  if (typeof b !== 'string' || !b) return a;
  return !a || b > a ? b : a;
}

// One bus as its gateway publishes it.
export class Bus {
  constructor(name) {
    this.name = name;
    this.status = null;
    this.link = null;
    this.devices = [];
    this.states = new Map();
    this.catalogue = null;
    this.sent = []; // newest first, at most SENT_KEPT
    this.sentUndrawn = 0; // of those, how many the page has not drawn yet
    this.lastNews = ''; // the latest time any of its payloads carried
  }

  // Online only while its gateway says so; a bus seen only through its other topics is not.
  get online() {
    return this.status?.state === 'online';
  }

  note(time) {
    this.lastNews = later(this.lastNews, time);
  }

  // Takes one message; returns what changed ('status', 'devices', 'state', ...) or null.
  take(where, payload) {
    // Every answer on the bus comes by; only the page's own are read (by the form).
    if (where.what === 'response') return payload ? 'response' : null;
    const value = parsePayload(payload);
    switch (where.what) {
      case 'status':
        // An empty retained status is a bus taken away: shown offline, not forgotten.
        this.status = value && typeof value === 'object' ? value : { state: 'offline' };
        this.note(this.status.since);
        return 'status';
      case 'link':
        this.link = value && typeof value === 'object' ? value : null;
        this.note(this.link?.since);
        return 'link';
      case 'devices':
        this.devices = Array.isArray(value) ? value.filter((d) => d && typeof d === 'object' && d.kind) : [];
        return 'devices';
      case 'catalogue':
        this.catalogue = Array.isArray(value) ? value : null;
        return 'catalogue';
      case 'state':
        if (value && typeof value === 'object') {
          this.states.set(where.serial, value);
          this.note(value.updated);
        } else {
          this.states.delete(where.serial);
        }
        return 'state';
      case 'sent':
        if (!value || typeof value !== 'object') return null;
        this.sent.unshift(value);
        this.sentUndrawn = Math.min(this.sentUndrawn + 1, SENT_KEPT);
        if (this.sent.length > SENT_KEPT) this.sent.length = SENT_KEPT;
        this.note(value.utc || value.time);
        return 'sent';
      default:
        return null;
    }
  }
}

// Whether a B/sent entry is a failure: anything the link did not take whole.
export function sentFailed(entry) {
  return (entry.outcome && entry.outcome !== 'written') || Boolean(entry.error);
}

// What B/status's "consoles" (connections to the gateway's shared port) says; '' when the
// status has none (no shared port) or an unreadable one.
export function consolesText(count) {
  if (!Number.isSafeInteger(count) || count < 0) return '';
  if (count === 0) return 'no console connected';
  return count === 1 ? '1 console connected' : `${count} consoles connected`;
}

// A request id no other page or tab will choose: the page's random part and a count.
export function requestIds(random = Math.random) {
  const page = Math.floor(random() * 36 ** 8).toString(36).padStart(8, '0');
  let count = 0;
  return () => `view-${page}-${++count}`;
}

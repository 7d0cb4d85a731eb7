// Each device's panel, drawn as the simulator's window draws it: a header (kind, address,
// serial, packets), the body by kind, a footer (maintenance and settings). Texts from the bus
// only ever go in as text, never as markup.
import { COLOURS, cellLook, describeCell, displayForm, flashOf } from './looks.js';

const ROWS = 6;
const COLUMNS = 25;
const TITLES = {
  andon: 'andon board', marquee: 'marquee', numeric: 'numeric display',
  stacklight: 'stack light', tune: 'tune unit', headend: 'head-end controller',
};

function el(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined) node.textContent = text;
  return node;
}

function counted(n, one, many) {
  return `${n} ${n === 1 ? one : many}`;
}

function upkeepOf(state) {
  const m = state.maintenance || {};
  const parts = [];
  for (const [key, name] of [['lamp-tests', 'lamp tests'], ['clears', 'clears'],
    ['diagnostics', 'diagnostics'], ['soft-boots', 'soft boots']]) {
    if (m[key] > 0) parts.push(`${name} ${m[key]}`);
  }
  const settings = Object.keys(state.settings || {}).length;
  if (settings > 0) parts.push(counted(settings, 'setting', 'settings'));
  return parts.length ? parts.join(' · ') : 'no maintenance, no settings';
}

function summaryOf(state) {
  const m = state.maintenance || {};
  const lines = [`${TITLES[state.kind] || state.kind} ${state.serial}`];
  const sets = (state['device-sets'] || []).map((s) => `${s.set} at ${s.group}${s.unit}`);
  lines.push(`device sets: ${sets.length ? sets.join(', ') : 'none'}`);
  lines.push(`packets: ${state.packets ?? 0} (${state.ignored ?? 0} changed nothing)`);
  lines.push(`version requests ${m['version-requests'] ?? 0}, lamp tests ${m['lamp-tests'] ?? 0}, ` +
    `clears ${m.clears ?? 0}, diagnostics ${m.diagnostics ?? 0}, soft boots ${m['soft-boots'] ?? 0}`);
  const settings = Object.entries(state.settings || {});
  if (!settings.length) lines.push('no settings');
  for (const [name, value] of settings) lines.push(`  ${name} = ${value}`);
  if (state.updated) lines.push(`updated ${state.updated}`);
  return lines.join('\n');
}

// What flashes says so; the page's one blink clock (main.js) does the rest through CSS.
function setFlash(node, flash) {
  if (node.dataset.flash !== flash) node.dataset.flash = flash;
}

// --- andon board

function makeAndonBody(body) {
  const grid = el('div', 'andon-grid');
  grid.setAttribute('role', 'grid');
  const cells = [];
  for (let r = 1; r <= ROWS; ++r) {
    const row = el('div', 'andon-row');
    row.setAttribute('role', 'row');
    for (let c = 1; c <= COLUMNS; ++c) {
      const cell = el('div', 'cell');
      cell.setAttribute('role', 'gridcell');
      cell.dataset.row = String(r);
      cell.dataset.column = String(c);
      cell.dataset.code = '';
      cell.title = `row ${r}, column ${c}: unset`;
      row.append(cell);
      cells.push(cell);
    }
    grid.append(row);
  }
  body.append(grid);
  return { cells, codes: new Array(ROWS * COLUMNS).fill(undefined), marks: new Set() };
}

function updateAndon(parts, state) {
  const rows = Array.isArray(state.cells) ? state.cells : [];
  const subCells = Array.isArray(state['sub-cells']) ? state['sub-cells'] : [];
  const subs = new Map();
  for (const s of subCells) {
    const key = (s.row - 1) * COLUMNS + (s.column - 1);
    if (!subs.has(key)) subs.set(key, []);
    const where = [s['sub-row'] !== null ? `sub-row ${s['sub-row']}` : '',
      s['sub-column'] !== null ? `sub-column ${s['sub-column']}` : ''].filter(Boolean).join(', ');
    subs.get(key).push(`  ${where}: ${s.codes} (${describeCell(cellLook(s.codes))})`);
  }
  for (let i = 0; i < ROWS * COLUMNS; ++i) {
    const r = Math.floor(i / COLUMNS);
    const c = i % COLUMNS;
    const codes = Array.isArray(rows[r]) && typeof rows[r][c] === 'string' ? rows[r][c] : null;
    const sub = subs.get(i);
    const subKey = sub ? sub.join('\n') : '';
    // Only what changed is touched: a board of 150 cells updates one cell at a time.
    if (parts.codes[i] === codes && (parts.marks.has(i) ? parts.subText[i] : '') === subKey) continue;
    parts.codes[i] = codes;
    const cell = parts.cells[i];
    const look = cellLook(codes);
    cell.dataset.code = codes ?? '';
    cell.className = 'cell' + (look.set ? ' set' : '') + (look.set && !look.lit ? ' dark' : '') +
      (look.characters ? ' chars' : '') + (sub ? ' subs' : '');
    cell.textContent = look.characters;
    cell.style.setProperty('--p', COLOURS[look.primary].css);
    cell.style.setProperty('--s', COLOURS[look.secondary].css);
    setFlash(cell, look.lit ? look.flash : '');
    cell.title = `row ${r + 1}, column ${c + 1}: ` +
      (codes === null ? 'unset' : `${codes} (${describeCell(look)})`) + (sub ? `\n${subKey}` : '');
    parts.subText = parts.subText || [];
    parts.subText[i] = subKey;
    if (sub) parts.marks.add(i); else parts.marks.delete(i);
  }
}

// --- marquee

const MARQUEE_TAGS = [['clear-home', 'clear-home'], ['carriage-return', 'CR'], ['flash', 'flash'],
  ['auto-centre', 'auto-centre']];

function makeMarqueeBody(body) {
  const face = el('div', 'face marquee-face');
  const text = el('span', 'marquee-text');
  text.dataset.text = '';
  face.append(text);
  const tags = el('div', 'tags');
  const tagNodes = MARQUEE_TAGS.map(([, label]) => tags.appendChild(el('span', 'tag', label)));
  const template = el('div', 'line', 'no display template');
  body.append(face, tags, template);
  return { face, text, tagNodes, template };
}

function updateMarquee(parts, state) {
  const text = displayForm(state.text);
  parts.text.dataset.text = text;
  parts.text.textContent = text || 'no message';
  parts.text.classList.toggle('none', !text);
  parts.face.classList.toggle('centred', state['auto-centre'] === true);
  setFlash(parts.text, state.flash && text ? 'FS' : '');
  MARQUEE_TAGS.forEach(([key], i) => parts.tagNodes[i].classList.toggle('on', state[key] === true));
  parts.template.textContent = typeof state.template === 'string' ? `template ${state.template}` : 'no display template';
}

// --- numeric display

function makeNumericBody(body) {
  const face = el('div', 'face numeric-face');
  const digits = el('span', 'digits');
  digits.dataset.number = '';
  face.append(digits);
  const details = el('div', 'line');
  body.append(face, details);
  return { digits, details };
}

function updateNumeric(parts, state) {
  const number = typeof state.number === 'string' ? state.number : '';
  const attribute = typeof state.attribute === 'string' ? state.attribute : '';
  parts.digits.dataset.number = number;
  parts.digits.textContent = number;
  parts.digits.classList.toggle('unlit', attribute === 'OFF');
  setFlash(parts.digits, number ? flashOf(attribute) : '');
  const details = [];
  if (!number) {
    details.push('nothing shown');
  } else {
    if (!state.row) details.push('no position');
    else details.push(`row ${state.row}`, `column ${state.column}`);
    details.push(attribute || 'no attribute');
  }
  parts.details.textContent = details.join(' · ');
}

// --- stack light

function makeStackBody(body) {
  const face = el('div', 'face lamps');
  body.append(face);
  return { face, key: null };
}

function updateStack(parts, state) {
  const rows = Object.entries(state.rows || {}).sort((a, b) => Number(a[0]) - Number(b[0]));
  const key = JSON.stringify(rows);
  if (key === parts.key) return;
  parts.key = key;
  parts.face.replaceChildren();
  if (!rows.length) parts.face.append(el('span', 'dim', 'no rows set'));
  for (const [row, attribute] of rows) {
    const slot = el('div', 'lamp-slot');
    const lamp = el('div', 'lamp');
    lamp.dataset.row = row;
    lamp.dataset.attribute = attribute ?? '';
    if (attribute === null) lamp.classList.add('untold');
    else if (attribute !== 'OFF') lamp.classList.add('lit');
    setFlash(lamp, flashOf(attribute));
    slot.append(lamp, el('div', 'lamp-label', `${row}\n${attribute ?? '?'}`));
    parts.face.append(slot);
  }
}

// --- tune unit and head-end

function makeTextBody(body) {
  const lines = el('div', 'text-lines');
  body.append(lines);
  return { lines };
}

function tuneLines(state) {
  if (state.kind === 'headend') return [`version requests ${state.maintenance?.['version-requests'] ?? 0}`];
  const tune = state['last-tune'];
  if (!tune) return ['no tune yet'];
  const timing = [];
  for (const name of ['seconds', 'repeat', 'duration', 'priority']) {
    if (tune[name] !== null && tune[name] !== undefined && tune[name] !== '') timing.push(`${name} ${tune[name]}`);
  }
  if (tune.code === 'TU2') timing.unshift('double speed');
  const played = state['tunes-played'] ?? 0;
  return [`${tune.code} tune ${tune.tune}`, timing.length ? timing.join(' · ') : 'no timing given',
    played === 1 ? 'played once' : `played ${played} times`];
}

function updateText(parts, state) {
  parts.lines.replaceChildren(...tuneLines(state).map((line, i) => el('div', i === 0 ? 'big' : 'line', line)));
}

const BODIES = {
  andon: [makeAndonBody, updateAndon],
  marquee: [makeMarqueeBody, updateMarquee],
  numeric: [makeNumericBody, updateNumeric],
  stacklight: [makeStackBody, updateStack],
  tune: [makeTextBody, updateText],
  headend: [makeTextBody, updateText],
};

// A panel for one device of the inventory; update() draws a state published for it.
export class DevicePanel {
  constructor(bus, entry) {
    this.kind = entry.kind;
    const root = el('article', `device kind-${entry.kind}`);
    root.dataset.bus = bus;
    root.dataset.kind = entry.kind;
    root.dataset.serial = String(entry.serial);
    root.tabIndex = 0;
    const header = el('header', 'device-header');
    this.title = el('span', 'kind', TITLES[entry.kind] || entry.kind);
    this.address = el('span', 'address', `at ${entry.group}${entry.unit}`);
    header.append(this.title, this.address);
    const sub = el('div', 'device-sub');
    sub.append(el('span', '', `serial ${entry.serial}`));
    this.packets = sub.appendChild(el('span', 'dim', 'no state yet'));
    const body = el('div', 'device-body');
    this.footer = el('footer', 'device-footer', '');
    root.append(header, sub, body, this.footer);
    const [make, update] = BODIES[entry.kind] || [makeTextBody, () => {}];
    this.parts = make(body);
    this.updateBody = update;
    this.root = root;
    root.setAttribute('aria-label', `${this.title.textContent} ${entry.serial} at ${entry.group}${entry.unit}`);
  }

  update(state) {
    if (!state || typeof state !== 'object') return;
    const sets = (state['device-sets'] || []).length;
    if (state.group && state.unit) {
      this.address.textContent = sets === 0 ? 'no address'
        : `at ${state.group}${state.unit}` + (sets > 1 ? ` +${sets - 1}` : '');
    }
    const packets = counted(state.packets ?? 0, 'packet', 'packets');
    if (this.packets.textContent !== packets) this.packets.textContent = packets;
    const upkeep = upkeepOf(state);
    if (this.footer.textContent !== upkeep) this.footer.textContent = upkeep;
    this.root.title = summaryOf(state);
    this.updateBody(this.parts, state);
  }
}

// How a device's commanded state is shown, as the simulator's window shows it: an andon
// cell's codes read back into attribute and colours, texts with control bytes as tokens, and
// the blink every flashing thing on the page shares. No DOM here: node's tests load it too.

// The console grid's colours: B dark grey, R red, Y yellow, G green, by the digit sent.
export const COLOURS = [
  { letter: 'B', name: 'dark', css: 'rgb(128, 128, 128)' },
  { letter: 'R', name: 'red', css: 'rgb(255, 0, 0)' },
  { letter: 'Y', name: 'yellow', css: 'rgb(255, 255, 0)' },
  { letter: 'G', name: 'green', css: 'rgb(0, 255, 0)' },
];
export const ATTRIBUTES = ['OFF', 'ON', 'FS', 'FF'];

// The shared blink: phases of 250 ms; FF shows each state one phase, FS three.
export const BLINK_TICK_MS = 250;

// The codes a cell packet carried ("2A1P2S", "0A2A1S", "[AB]2A"): attributes in ascending
// order, then the primary (P), then the secondary (S), each a digit and its mark. Null for
// text that is not the grammar: such a cell is shown dark, as a board that cannot read it.
export function parseCellCodes(text) {
  if (typeof text !== 'string') return null;
  const codes = { characters: '', attributes: [false, false, false, false], primary: null, secondary: null };
  let rest = text;
  if (rest.startsWith('[')) {
    // Characters may hold brackets themselves; the codes after them never do.
    const close = rest.lastIndexOf(']');
    if (close < 2) return null;
    codes.characters = rest.slice(1, close);
    rest = rest.slice(close + 1);
  }
  let after = -1;
  for (; rest.length >= 2; rest = rest.slice(2)) {
    const digit = rest.charCodeAt(0) - 48;
    if (digit < 0 || digit > 3) return null;
    const mark = rest[1];
    const order = mark === 'A' ? digit : mark === 'P' ? 4 : mark === 'S' ? 5 : -1;
    if (order <= after) return null;
    after = order;
    if (order < 4) codes.attributes[order] = true;
    if (order === 4) codes.primary = digit;
    if (order === 5) codes.secondary = digit;
  }
  return rest.length === 0 ? codes : null;
}

// What a cell shows: {set, lit, flash ('' | 'FS' | 'FF'), primary, secondary, characters}.
// A cell never painted whole (null codes) is unset: an empty socket, not a dark lamp.
export function cellLook(text) {
  const look = { set: false, lit: false, flash: '', primary: 0, secondary: 0, characters: '' };
  if (text === null || text === undefined) return look;
  look.set = true;
  const codes = parseCellCodes(text);
  if (!codes) return look;
  look.characters = codes.characters;
  if (codes.primary !== null) look.primary = codes.primary;
  if (codes.secondary !== null) look.secondary = codes.secondary;
  // The row sender writes OFF beside a flash for a flashing dark cell; alone, OFF is dark.
  look.flash = codes.attributes[3] ? 'FF' : codes.attributes[2] ? 'FS' : '';
  look.lit = codes.attributes[1] || look.flash !== '';
  return look;
}

// "flash slow, red / yellow", "on, green", "off", "characters AB, flash fast", "unset".
export function describeCell(look) {
  if (!look.set) return 'unset';
  const attribute = !look.lit ? 'off' : look.flash === 'FF' ? 'flash fast' : look.flash === 'FS' ? 'flash slow' : 'on';
  if (look.characters) return `characters ${look.characters}, ${attribute}`;
  if (!look.lit) return attribute;
  let text = `${attribute}, ${COLOURS[look.primary].name}`;
  if (look.flash) text += ` / ${COLOURS[look.secondary].name}`;
  return text;
}

// The attribute names NUM and SL1 carry: FS and FF flash, anything else does not.
export function flashOf(attribute) {
  return attribute === 'FS' || attribute === 'FF' ? attribute : '';
}

// A device's text as the window shows it: bytes below 32 as <XX> tokens, the rest as they are.
export function displayForm(text) {
  if (typeof text !== 'string') return '';
  let out = '';
  for (const ch of text) {
    const code = ch.codePointAt(0);
    out += code < 32 ? `<${code.toString(16).toUpperCase().padStart(2, '0')}>` : ch;
  }
  return out;
}

// The shared blink's phase at a time on the page's clock, and whether a thing flashing at
// `flash` shows its second state in it (a cell's secondary colour, a lamp or text dark).
export function blinkPhase(nowMs) {
  return Math.floor(nowMs / BLINK_TICK_MS);
}

export function secondState(flash, phase) {
  if (flash === 'FF') return phase % 2 === 1;
  if (flash === 'FS') return Math.floor(phase / 3) % 2 === 1;
  return false;
}

// How the page spends its frames, without a browser: draws paced to one an interval yet prompt
// after a quiet spell and never losing a change, buses far out of sight catching up when they
// come near, and the last sends split into the rows in sight and the older ones, in order, at
// most the kept number.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { DrawPacer, busDraw } from '../../web/js/pacing.js';
import { SentRows } from '../../web/js/sent.js';

const FRAME_MS = 16;

// Runs a pacer on a virtual clock: timers at their time, animation frames at the next 16 ms
// boundary. changes: the times something changes; inDraw(n): whether draw n changes something;
// flushes: the times a frame comes anyway (the blink's).
function paced(changes, { interval = 100, inDraw = () => false, flushes = [] } = {}) {
  let now = 0;
  const queue = []; // [time, fn]
  const at = (time, fn) => queue.push([time, fn]);
  const draws = [];
  const pacer = new DrawPacer({
    interval, now: () => now,
    later: (fn, ms) => at(now + ms, fn),
    frame: (fn) => at((Math.floor(now / FRAME_MS) + 1) * FRAME_MS, fn),
    draw: () => {
      draws.push(now);
      if (inDraw(draws.length)) pacer.ask();
    },
  });
  for (const time of changes) at(time, () => pacer.ask());
  for (const time of flushes) at(time, () => pacer.flush());
  while (queue.length) {
    queue.sort((a, b) => a[0] - b[0]);
    const [time, fn] = queue.shift();
    now = time;
    fn();
  }
  return draws;
}

test('draws are paced, prompt after a quiet spell, and every change is drawn', () => {
  const steady = Array.from({ length: 100 }, (_, i) => 1000 + i * 5); // a change every 5 ms for 0.5 s
  const cases = [
    ['one change', [1000], [1008]],
    ['two changes in a frame: one draw', [1000, 1003], [1008]],
    ['a change after a quiet spell: the next frame', [1000, 1500], [1008, 1504]],
    ['a change just after a draw waits for the interval', [1000, 1010], [1008, 1120]],
    ['a steady stream', steady, null],
  ];
  for (const [name, changes, expected] of cases) {
    const draws = paced(changes);
    if (expected) assert.deepEqual(draws, expected, name);
    for (let i = 1; i < draws.length; ++i) assert.ok(draws[i] - draws[i - 1] >= 100, `${name}: draws ${draws}`);
    // No change is left undrawn, nor drawn later than an interval and a frame after it.
    for (const change of changes) {
      const drawn = draws.find((d) => d >= change);
      assert.ok(drawn !== undefined && drawn - change <= 100 + FRAME_MS, `${name}: change at ${change}, draws ${draws}`);
    }
  }
  assert.ok(paced(steady).length <= 6, 'half a second of changes: about five draws');
  // What a draw changes itself is drawn by the next one, not lost.
  assert.deepEqual(paced([1000], { inDraw: (n) => n === 1 }), [1008, 1120]);
});

test("a frame that comes anyway draws what waits, once, and the interval starts again from it", () => {
  const cases = [
    ['nothing waits: no draw', [1000], [1050], [1008]],
    ['a change waiting for the interval is drawn at the flush', [1000, 1010], [1050], [1008, 1050]],
    ['the next change waits a whole interval from the flush', [1000, 1010, 1060], [1050], [1008, 1050, 1152]],
    ['a flush before the frame: drawn once', [1000], [1001], [1001]],
  ];
  for (const [name, changes, flushes, expected] of cases) assert.deepEqual(paced(changes, { flushes }), expected, name);
});

test('a bus far out of sight keeps what changed, and draws all of it when it comes near', () => {
  const changed = (...whats) => new Set(whats);
  const cases = [
    // what changed, near, behind before -> states, all, sents, behind after
    ['near: what changed', changed('state:1', 'state:3', 'sent'), true, false, ['1', '3'], false, true, false],
    ['near, status only', changed('status'), true, false, [], false, false, false],
    ['far: kept', changed('state:1'), false, false, [], false, false, true],
    ['far, sends: kept', changed('sent'), false, false, [], false, false, true],
    ['far, status only: nothing kept', changed('status', 'devices'), false, false, [], false, false, false],
    ['far, already behind: still behind', changed('status'), false, true, [], false, false, true],
    ['come near: everything', changed('near'), true, true, [], true, true, false],
    ['come near with a change: everything', changed('state:2'), true, true, [], true, true, false],
  ];
  for (const [name, whats, near, behind, states, all, sents, after] of cases) {
    assert.deepEqual(busDraw(whats, near, behind), { states, all, sents, behind: after }, name);
  }
});

// Stand-ins for the two <ol>: children in order, prepend moves a node as the DOM does.
class List {
  constructor() { this.children = []; this.style = {}; }
  prepend(node) {
    node.parent?.children.splice(node.parent.children.indexOf(node), 1);
    node.parent = this;
    this.children.unshift(node);
  }
  get lastElementChild() { return this.children.at(-1) ?? null; }
}
const row = (id) => ({ id, remove() { this.parent.children.splice(this.parent.children.indexOf(this), 1); } });
const ids = (list) => list.children.map((node) => node.id);
const range = (from, to) => Array.from({ length: from - to + 1 }, (_, i) => from - i); // from down to to

test('the last sends: newest first across both lists, at most the kept number', () => {
  const cases = [
    // adds, kept, in sight, recent, older
    [5, 200, 15, range(5, 1), []],
    [15, 200, 15, range(15, 1), []],
    [16, 200, 15, range(16, 2), [1]],
    [230, 200, 15, range(230, 216), range(215, 31)],
    [12, 10, 15, range(12, 3), []], // keeps fewer than it shows: the recent list drops rows
    [3, 200, 0, [], [3, 2, 1]],
  ];
  for (const [adds, kept, inSight, recent, older] of cases) {
    const lists = [new List(), new List()];
    const rows = new SentRows(lists[0], lists[1], { kept, inSight });
    for (let i = 1; i <= adds; ++i) rows.add(row(i));
    const name = `${adds} sends, ${kept} kept, ${inSight} in sight`;
    assert.deepEqual(ids(lists[0]), recent, name);
    assert.deepEqual(ids(lists[1]), older, name);
    assert.equal(rows.count, recent.length + older.length, name);
    // Undrawn, the older rows keep the room they take, so the list scrolls as far.
    assert.equal(lists[1].style.containIntrinsicHeight, `${(older.length * 19.2).toFixed(1)}px`, name);
  }
  // Rows of two lines (a time that wraps): the older ones' room follows what the recent ones take.
  const lists = [new List(), new List()];
  const rows = new SentRows(lists[0], lists[1], { kept: 200, inSight: 15 });
  for (let i = 1; i <= 40; ++i) rows.add(row(i));
  rows.measured(15 * 35.4);
  assert.equal(lists[1].style.containIntrinsicHeight, `${(25 * 35.4).toFixed(1)}px`);
  rows.add(row(41));
  assert.equal(lists[1].style.containIntrinsicHeight, `${(26 * 35.4).toFixed(1)}px`);
  rows.measured(0); // not laid out (a closed list): the last measure stands
  assert.equal(lists[1].style.containIntrinsicHeight, `${(26 * 35.4).toFixed(1)}px`);
});

// What the page makes of the gateways' payloads, without a browser: the andon cell grammar, the
// topics under a prefix, the last sends kept, the requests the form makes.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { cellLook, describeCell, displayForm, blinkPhase, secondState } from '../../web/js/looks.js';
import { Bus, SENT_KEPT, consolesText, route, requestIds, sentFailed } from '../../web/js/plant.js';
import { requestOf, gridOf } from '../../web/js/form.js';

test('andon cell codes read as the simulator reads them', () => {
  const cases = [
    [null, 'unset'],
    ['1A1P', 'on, red'],
    ['3A3P1S', 'flash fast, green / red'],
    ['0A2A1S', 'flash slow, dark / red'], // the row sender's flashing dark cell
    ['0A2P', 'off'], // OFF with a colour stays dark
    ['[AB]1A', 'characters AB, on'],
    ['[A]B]3A', 'characters A]B, flash fast'], // brackets inside the characters
    ['1P1A', 'off'], // out of the builders' order: not the grammar, shown dark
    ['4A', 'off'], // no such colour digit
    ['1A1', 'off'], // a code cut short
    ['[]1A', 'off'], // brackets with nothing in them
    ['', 'off'], // set but no attribute
  ];
  for (const [codes, described] of cases) {
    assert.equal(describeCell(cellLook(codes)), described, `codes ${JSON.stringify(codes)}`);
  }
  assert.deepEqual(cellLook('3A3P1S'), { set: true, lit: true, flash: 'FF', primary: 3, secondary: 1, characters: '' });
});

test('control bytes show as tokens, other text as it is', () => {
  for (const [text, shown] of [
    ['Hello', 'Hello'], ['a\u001bb', 'a<1B>b'], ['\u0000\u001f', '<00><1F>'],
    ['<1B> typed', '<1B> typed'], ['Ünïcode', 'Ünïcode'], [null, ''],
  ]) assert.equal(displayForm(text), shown);
});

test("the blink follows the simulator's clock: FF one 250 ms phase a state, FS three", () => {
  const shown = (flash) => Array.from({ length: 12 }, (_, i) => (secondState(flash, blinkPhase(i * 250 + 10)) ? '2' : '1')).join('');
  assert.equal(shown('FF'), '121212121212');
  assert.equal(shown('FS'), '111222111222');
  assert.equal(shown(''), '111111111111');
  assert.equal(blinkPhase(249.9), 0);
  assert.equal(blinkPhase(250), 1);
});

test('topics under a prefix find their bus, and nothing else does', () => {
  const cases = [
    ['tvxorm', 'tvxorm/line1/status', { bus: 'line1', what: 'status' }],
    ['tvxorm', 'tvxorm/line1/device/10003/state', { bus: 'line1', what: 'state', serial: '10003' }],
    ['plant1/area2', 'plant1/area2/L-2_b/sent', { bus: 'L-2_b', what: 'sent' }],
    ['tvxorm', 'tvxorm/line1/request', null], // not the viewer's
    ['tvxorm', 'tvxormx/line1/status', null],
    ['tvxorm', 'tvxorm/line1/device/abc/state', null],
    ['tvxorm', 'tvxorm/line1/device/1/state/x', null],
    ['plant1/area2', 'plant1/line1/status', null],
  ];
  for (const [prefix, topic, where] of cases) assert.deepEqual(route(prefix, topic), where, topic);
});

test("a bus's state follows its topics; bad payloads change nothing they should not", () => {
  const bus = new Bus('line1');
  assert.equal(bus.online, false, 'no status yet is not online');
  bus.take({ what: 'status' }, '{"state":"online","since":"2026-12-08T10:00:00.000Z"}');
  assert.equal(bus.online, true);
  bus.take({ what: 'state', serial: '10003' }, '{"kind":"numeric","number":"12","updated":"2026-12-08T10:05:00.000Z"}');
  bus.take({ what: 'state', serial: '10003' }, '{not json');
  assert.equal(bus.states.has('10003'), false, 'an unreadable state is not drawn as the old one');
  bus.take({ what: 'status' }, '{"state":"offline"}'); // the Will carries no time
  assert.equal(bus.online, false);
  assert.equal(bus.lastNews, '2026-12-08T10:05:00.000Z');
  bus.take({ what: 'status' }, ''); // a cleared retained status
  assert.equal(bus.online, false);
  assert.equal(bus.take({ what: 'sent' }, 'garbage'), null);
});

test('the last sends keep the newest 200, failures marked', () => {
  const bus = new Bus('line1');
  for (let i = 1; i <= SENT_KEPT + 5; ++i) {
    bus.take({ what: 'sent' }, JSON.stringify({ id: `r${i}`, outcome: 'written', error: '' }));
  }
  assert.equal(bus.sent.length, SENT_KEPT);
  assert.equal(bus.sent[0].id, `r${SENT_KEPT + 5}`);
  assert.equal(bus.sent.at(-1).id, 'r6');
  for (const [entry, failed] of [
    [{ outcome: 'written', error: '' }, false], [{ outcome: 'failed', error: 'broken pipe' }, true],
    [{ outcome: 'error', error: 'packet cut off' }, true], [{ error: 'timed out' }, true],
  ]) assert.equal(sentFailed(entry), failed, JSON.stringify(entry));
  // B/status's consoles: absent (no shared port) or unreadable shows nothing, 0 still shows.
  for (const [count, text] of [
    [undefined, ''], [null, ''], ['2', ''], [-1, ''], [1.5, ''],
    [0, 'no console connected'], [1, '1 console connected'], [20, '20 consoles connected'],
  ]) assert.equal(consolesText(count), text, String(count));
});

test("the form's requests: fresh ids, empty boxes left to the gateway's defaults", () => {
  const next = requestIds(() => 0.5);
  const ids = new Set([next(), next(), next()]);
  assert.equal(ids.size, 3);
  assert.deepEqual(requestOf('i1', 'NUM', { group: '01', unit: '03', number: '7', row: '', attribute: 'ON' }),
    { id: 'i1', command: 'NUM', fields: { group: '01', unit: '03', number: '7', attribute: 'ON' } });
  assert.deepEqual(requestOf('i2', 'MRQ', { 'auto-centre': '' }).fields, {});
  assert.deepEqual(gridOf('R . .\n\n  G Y B  \n'), ['R . .', 'G Y B']);
  assert.deepEqual(requestOf('i3', 'AC1', { group: '01' }, ['R']).grid, ['R']);
});

// Where a Chrome trace says the page's main thread spent its time: the share of the traced span
// its tasks took, and each kind of work's self time (work inside work counts once, in the inner).
// Times are the thread's own processor time: on a loaded machine wall time also counts the
// time the thread waited for a processor.
export const TRACE_CATEGORIES = ['devtools.timeline', 'disabled-by-default-devtools.timeline',
  'toplevel', 'v8.execute', 'blink.user_timing'];

const KIND = [
  [/^(FunctionCall|EvaluateScript|TimerFire|FireAnimationFrame|EventDispatch|RunMicrotasks|v8\.|V8\.|MajorGC|MinorGC|ParseScript|CompileScript|XHR|WebSocket)/, 'scripting'],
  [/^(UpdateLayoutTree|RecalculateStyles|ParseAuthorStyleSheet|ScheduleStyleRecalculation|InvalidateLayout)/, 'style'],
  [/^(Layout|UpdateLayer$|HitTest|ScrollLayer)/, 'layout'],
  [/^(Paint|PrePaint|PaintImage|Rasterize|RasterTask|Decode)/, 'paint'],
  [/^(CompositeLayers|UpdateLayerTree|Layerize|Commit|ActivateLayerTree|DrawFrame|BeginMainThreadFrame|BeginFrame)/, 'composite'],
];

export function kindOf(name) {
  for (const [pattern, kind] of KIND) if (pattern.test(name)) return kind;
  return 'other';
}

// events: the trace's traceEvents. Returns {thread, spanMs, busyMs, byName: Map, byKind: Map}
// for the renderer's main thread with the most work.
export function summarise(events) {
  const mains = new Set();
  for (const e of events) {
    if (e.ph === 'M' && e.name === 'thread_name' && e.args?.name === 'CrRendererMain') mains.add(`${e.pid}:${e.tid}`);
  }
  const perThread = new Map();
  for (const e of events) {
    const key = `${e.pid}:${e.tid}`;
    if (!mains.has(key) || (e.ph !== 'X' && e.ph !== 'B' && e.ph !== 'E')) continue;
    if (!perThread.has(key)) perThread.set(key, []);
    perThread.get(key).push(e);
  }
  let best = null;
  for (const [key, list] of perThread) if (!best || list.length > best[1].length) best = [key, list];
  if (!best) return null;
  const [thread, list] = best;
  // Complete events from X, and from B/E pairs in order.
  const spans = [];
  const open = [];
  for (const e of list.sort((a, b) => a.ts - b.ts)) {
    if (e.tts === undefined) continue;
    if (e.ph === 'X') spans.push({ name: e.name, start: e.tts, end: e.tts + (e.tdur || 0), wallStart: e.ts });
    else if (e.ph === 'B') open.push(e);
    else if (open.length) {
      const b = open.pop();
      spans.push({ name: b.name, start: b.tts, end: e.tts, wallStart: b.ts });
    }
  }
  spans.sort((a, b) => a.start - b.start || b.end - a.end);
  const byName = new Map();
  const stack = [];
  let busy = 0;
  const walls = spans.map((span) => span.wallStart);
  const first = Math.min(...walls);
  const last = Math.max(...walls);
  const close = (span) => {
    byName.set(span.name, (byName.get(span.name) || 0) + span.self);
  };
  for (const span of spans) {
    while (stack.length && stack.at(-1).end <= span.start) close(stack.pop());
    span.self = span.end - span.start;
    if (stack.length) stack.at(-1).self -= Math.min(span.end, stack.at(-1).end) - span.start;
    else busy += span.end - span.start;
    stack.push(span);
  }
  while (stack.length) close(stack.pop());
  const byKind = new Map();
  for (const [name, us] of byName) byKind.set(kindOf(name), (byKind.get(kindOf(name)) || 0) + us);
  const ms = (m) => new Map([...m].map(([k, v]) => [k, v / 1000]).sort((a, b) => b[1] - a[1]));
  return { thread, spanMs: (last - first) / 1000, busyMs: busy / 1000, byName: ms(byName), byKind: ms(byKind) };
}

export function report(summary, top = 14) {
  if (!summary) return 'trace: no renderer main thread found';
  const { spanMs, busyMs, byKind, byName } = summary;
  const pct = (v) => `${(v / spanMs * 100).toFixed(1)}%`;
  const lines = [`trace: main thread's processor time ${pct(busyMs)} of ${(spanMs / 1000).toFixed(1)} s`];
  lines.push('  by kind: ' + [...byKind].map(([k, v]) => `${k} ${pct(v)}`).join(', '));
  for (const [name, v] of [...byName].slice(0, top)) lines.push(`  ${pct(v).padStart(6)}  ${name}`);
  return lines.join('\n');
}

// Draws what changed at most once an interval. At 200 requests a second something changes every
// frame, and each frame that draws costs style, layout and paint of the buses in sight, however
// little it changed; drawing ten times a second keeps the page cheap and still prompt. A change
// after a quiet spell is drawn at the next frame. No DOM here: node's tests drive it.
export const DRAW_INTERVAL_MS = 100;

export class DrawPacer {
  // now() a clock in ms; later(fn, ms) a timer; frame(fn) the next animation frame; draw() the work.
  constructor({ interval = DRAW_INTERVAL_MS, now, later, frame, draw }) {
    Object.assign(this, { interval, now, later, frame, draw });
    this.asked = 0; // which ask the coming draw answers; 0 when none is due
    this.asks = 0;
    this.last = -Infinity;
  }

  // Something changed: a draw is due, once, however many changes come before it.
  ask() {
    if (this.asked) return;
    const ask = ++this.asks;
    this.asked = ask;
    const run = () => {
      if (this.asked === ask) this.run();
    };
    const wait = this.last + this.interval - this.now();
    if (wait > 0) this.later(() => this.frame(run), wait);
    else this.frame(run);
  }

  // A frame comes anyway (the blink's): what waits is drawn in it rather than in a frame of its own.
  flush() {
    if (this.asked) this.run();
  }

  run() {
    // Cleared first: what the draw itself changes asks for the next one.
    this.asked = 0;
    this.last = this.now();
    this.draw();
  }
}

// What one bus draws this time, from what changed (whats: 'state:SERIAL', 'sent', ...). A bus far
// out of sight keeps its devices' states and its sends for when it comes near (behind): twenty
// buses would otherwise cost the page's script twenty times what the ones in sight do. Its
// inventory and status are drawn whatever its distance.
// Returns {states: serials to draw, all: every device's state, sents, behind: what it keeps now}.
export function busDraw(whats, near, behind) {
  const states = [...whats].filter((what) => what.startsWith('state:')).map((what) => what.slice(6));
  const sents = whats.has('sent');
  if (!near) return { states: [], all: false, sents: false, behind: behind || sents || states.length > 0 };
  if (behind) return { states: [], all: true, sents: true, behind: false };
  return { states, all: false, sents, behind: false };
}

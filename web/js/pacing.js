// Draws what changed at most once an interval. At 200 requests a second something changes every
// frame, and each frame that draws costs style, layout and paint of the buses in sight, however
// little it changed; drawing ten times a second keeps the page cheap and still prompt. A change
// after a quiet spell is drawn at the next frame. No DOM here: node's tests drive it.
export const DRAW_INTERVAL_MS = 100;

export class DrawPacer {
  // now() a clock in ms; later(fn, ms) a timer; frame(fn) the next animation frame; draw() the work.
  constructor({ interval = DRAW_INTERVAL_MS, now, later, frame, draw }) {
    Object.assign(this, { interval, now, later, frame, draw });
    this.asked = false;
    this.last = -Infinity;
  }

  // Something changed: a draw is due, once, however many changes come before it.
  ask() {
    if (this.asked) return;
    this.asked = true;
    const wait = this.last + this.interval - this.now();
    if (wait > 0) this.later(() => this.frame(() => this.run()), wait);
    else this.frame(() => this.run());
  }

  run() {
    // Cleared first: what the draw itself changes asks for the next one.
    this.asked = false;
    this.last = this.now();
    this.draw();
  }
}

// The last sends, newest first, in two lists: the rows in sight and the older ones. A send moves
// every row down one; the older rows are neither laid out nor painted until the user scrolls the
// list (style.css, main.js), so a send costs a few rows, not two hundred. SentRows makes plain
// DOM calls only, so node's tests drive it with stand-ins.
import { sentFailed } from './plant.js';

export const SENT_IN_SIGHT = 15; // more than the list's 180 px show
const ROW_PX = 19.2; // a row of one line in the style sheet: 12 px at 1.35, padding and rule

// The lists hold only the rows added here; their counts are kept, as the DOM counts children one
// by one.
export class SentRows {
  constructor(recent, older, { kept, inSight = SENT_IN_SIGHT }) {
    Object.assign(this, { recent, older, kept, inSight });
    this.recentCount = 0;
    this.olderCount = 0;
    this.rowPx = ROW_PX; // what a row takes; main.js measures the rows in sight (times may wrap)
  }

  // The recent rows take this much room: the older ones take as much each.
  measured(recentPx) {
    if (this.recentCount === 0 || !(recentPx > 0)) return;
    this.rowPx = recentPx / this.recentCount;
    this.sizeOlder();
  }

  // While not drawn, the older rows take the room they would: the list scrolls as far as it would.
  sizeOlder() {
    const height = `${(this.olderCount * this.rowPx).toFixed(1)}px`;
    if (this.older.style.containIntrinsicHeight !== height) this.older.style.containIntrinsicHeight = height;
  }

  get count() {
    return this.recentCount + this.olderCount;
  }

  add(row) {
    this.recent.prepend(row);
    if (++this.recentCount > this.inSight) {
      this.older.prepend(this.recent.lastElementChild);
      --this.recentCount;
      ++this.olderCount;
    }
    while (this.count > this.kept) {
      if (this.olderCount > 0) {
        this.older.lastElementChild.remove();
        --this.olderCount;
      } else {
        this.recent.lastElementChild.remove();
        --this.recentCount;
      }
    }
    this.sizeOlder();
  }
}

// toLocaleTimeString()'s form, with one formatter for every row rather than one made per call.
const clockTime = new Intl.DateTimeFormat(undefined, { hour: 'numeric', minute: 'numeric', second: 'numeric' });

function el(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined) node.textContent = text;
  return node;
}

// One B/sent entry's row: time, outcome (a failure marked, not by colour alone), source, tokens, status.
export function sentRow(entry) {
  const row = el('li', sentFailed(entry) ? 'failed' : 'ok');
  const time = entry.utc || entry.time || '';
  row.append(
    el('time', '', time ? clockTime.format(new Date(time)) : ''),
    el('span', 'outcome', sentFailed(entry) ? `✗ ${entry.outcome || 'failed'}` : '✓ written'),
    el('span', 'source', entry.source || ''),
    el('span', 'tokens', entry.tokens || ''),
    el('span', 'status', entry.error || entry.status || ''),
  );
  if (entry.id) row.title = `request ${entry.id}`;
  return row;
}

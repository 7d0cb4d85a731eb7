// The last sends, newest first, in two lists: the rows in sight and the older ones. A send moves
// every row down one; the older rows are neither laid out nor painted until the user scrolls the
// list (style.css, main.js), so a send costs a few rows, not two hundred. SentRows makes plain
// DOM calls only, so node's tests drive it with stand-ins.
import { sentFailed } from './plant.js';

export const SENT_IN_SIGHT = 15; // more than the list's 180 px show
const ROW_PX = 19.2; // a row's height in the style sheet: a 12 px line at 1.35, padding and rule

// The lists hold only the rows added here; their counts are kept, as the DOM counts children one
// by one.
export class SentRows {
  constructor(recent, older, { kept, inSight = SENT_IN_SIGHT }) {
    Object.assign(this, { recent, older, kept, inSight });
    this.recentCount = 0;
    this.olderCount = 0;
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
    // While not drawn, the older rows take the room they would: the list scrolls as far as it would.
    const height = `${(this.olderCount * ROW_PX).toFixed(1)}px`;
    if (this.older.style.containIntrinsicHeight !== height) this.older.style.containIntrinsicHeight = height;
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

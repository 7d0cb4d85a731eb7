// The send form of one bus, built from its catalogue: a command, its fields with their limits,
// choices and defaults. Only the Send button sends; Enter in a box does not.

function el(tag, props = {}, text) {
  const node = Object.assign(document.createElement(tag), props);
  if (text !== undefined) node.textContent = text;
  return node;
}

// The request a filled form makes: empty boxes and "no choice" are left out, so the gateway
// applies the field's default exactly as `tvxorm send` would.
export function requestOf(id, command, values, grid) {
  const fields = {};
  for (const [name, value] of Object.entries(values)) {
    if (value !== '') fields[name] = value;
  }
  const request = { id, command, fields };
  if (grid) request.grid = grid;
  return request;
}

// AC1's grid from the box: six lines, each the 25 cells of one row; blank lines are dropped.
export function gridOf(text) {
  return text.split('\n').map((line) => line.trim()).filter((line) => line !== '');
}

let formCount = 0;

export class SendForm {
  // send(request) returns a promise of the broker's acceptance; answers come through answer().
  constructor(bus, catalogue, send, nextId) {
    this.bus = bus;
    this.nextId = nextId;
    this.send = send;
    this.pending = new Map();
    const n = ++formCount;
    this.root = el('form', { className: 'send-form', noValidate: false });
    this.root.setAttribute('aria-label', `send a command on ${bus}`);
    const commandLabel = el('label', { htmlFor: `cmd-${n}` }, 'command');
    this.command = el('select', { id: `cmd-${n}`, name: 'command' });
    for (const entry of catalogue) {
      this.command.append(el('option', { value: entry.command }, `${entry.command}: ${entry.summary}`));
    }
    this.catalogue = new Map(catalogue.map((entry) => [entry.command, entry]));
    this.reaches = el('p', { className: 'reaches dim' });
    this.fields = el('div', { className: 'fields' });
    this.sendButton = el('button', { type: 'submit', className: 'send' }, 'Send');
    this.answer = el('output', { className: 'answer' });
    this.answer.setAttribute('aria-live', 'polite');
    this.root.append(commandLabel, this.command, this.reaches, this.fields, this.sendButton, this.answer);
    this.command.addEventListener('change', () => this.build());
    this.root.addEventListener('keydown', (event) => {
      if (event.key === 'Enter' && event.target instanceof HTMLInputElement) event.preventDefault();
    });
    this.root.addEventListener('submit', (event) => {
      event.preventDefault();
      if (event.submitter === this.sendButton) this.submit();
    });
    this.n = n;
    this.build();
  }

  build() {
    const entry = this.catalogue.get(this.command.value);
    this.fields.replaceChildren();
    this.inputs = new Map();
    this.gridBox = null;
    if (!entry) return;
    this.reaches.textContent = `reaches ${entry.reaches || 'the addressed devices'}`;
    for (const field of entry.fields || []) {
      const id = `f-${this.n}-${field.name}`;
      const label = el('label', { htmlFor: id }, field.name);
      let input;
      if (field.kind === 'choice') {
        input = el('select', { id, name: field.name });
        if (field['may-choose-none']) input.append(el('option', { value: '' }, '(none)'));
        for (const choice of field.choices || []) input.append(el('option', { value: choice }, choice));
        input.value = (field.choices || []).includes(field.default) ? field.default : '';
      } else {
        input = el('input', { id, name: field.name, type: 'text', value: field.default || '', autocomplete: 'off' });
        if (field.limit > 0) {
          input.maxLength = field.limit;
          input.size = Math.min(Math.max(field.limit, 3), 40);
        }
      }
      const hint = [field.limit > 0 ? `up to ${field.limit}` : '', field.sent || ''].filter(Boolean).join('; ');
      if (hint) input.title = hint;
      const wrap = el('div', { className: 'field' });
      wrap.append(label, input);
      this.fields.append(wrap);
      this.inputs.set(field.name, input);
    }
    if (entry.grid) {
      const id = `grid-${this.n}`;
      this.gridBox = el('textarea', { id, rows: entry.grid.rows || 6, cols: 60, spellcheck: false });
      this.gridBox.title = entry.grid.cells || '';
      const wrap = el('div', { className: 'field grid-field' });
      wrap.append(el('label', { htmlFor: id }, `grid (${entry.grid.rows} rows of ${entry.grid.columns} cells)`), this.gridBox);
      this.fields.append(wrap);
    }
  }

  async submit() {
    const values = {};
    for (const [name, input] of this.inputs) values[name] = input.value;
    const grid = this.gridBox ? gridOf(this.gridBox.value) : null;
    const request = requestOf(this.nextId(), this.command.value, values, grid);
    this.pending.set(request.id, true);
    this.show('waiting', `${request.id}: sent, waiting for the gateway's answer`);
    try {
      await this.send(request);
    } catch (error) {
      this.pending.delete(request.id);
      this.show('denied', `${request.id}: the broker denied it (${error.message})`);
    }
  }

  // An answer from B/response; true when it was this form's.
  answerWith(response) {
    if (!this.pending.has(response.id)) return false;
    this.pending.delete(response.id);
    const text = response.status || response.error || '';
    this.show(response.result === 'written' ? 'written' : 'refused', `${response.id}: ${response.result}${text ? ` — ${text}` : ''}`);
    this.answer.dataset.result = response.result;
    return true;
  }

  show(kind, text) {
    this.answer.className = `answer ${kind}`;
    this.answer.dataset.result = kind;
    this.answer.textContent = text;
  }
}

// The calculator page: sends key codes to the engine (WebAssembly, built from
// the engine's own sources by web/build.sh) and draws what the device's screen
// draws from the context block and the status word. No arithmetic happens here.
//
// The numbers this file takes from the engine's header (the context block's
// offsets, the status bits and result states, the key codes it presses and
// the key groups: CONTEXT_BYTES, AT_*, ST_*, RES_*, MODE_*, KEY_*,
// FUNCTION_KEYS, RESULT_KEYS, NOTHING_ENTERED, KEY_OF, RESULT_OF and the rest) are
// not written here: web/build.sh puts them before this file as it serves it,
// written from tqcal.h by web/page_facts.c.
//
// The keys are in index.html, one button each, and are the page's key table:
// data-code the engine's key code, data-n the name the host program's --keys
// accepts (else the label), data-t the tape's label (else the label), data-k
// the computer keyboard's keys, aria-label the label and the name in words.
// Codes, names and keyboard keys are the project's one key table
// (conformance/key_table.h), which web/tests/keys.test.mjs holds them to.
//
// Keyboard: every key of the list works wherever the focus is, except in the
// command field; single letters can be turned off, and never act while a
// control outside the calculator has the focus. Enter is '=' while a calculation is typed; it presses the
// focused control only when the focus was moved there (Tab, the arrow keys)
// after the last key typed. Space presses the focused control. The keypad is
// one tab stop; the arrow keys, Home and End move inside it. Ctrl+C copies
// the number shown, Ctrl+V types a number in.
'use strict';

const $ = (id) => document.getElementById(id);

const KEY = {};         // code -> { code, name, tape, keyboard, button }
const KEYBOARD = {};    // KeyboardEvent.key -> code
const KEYS = [...document.querySelectorAll('#keypad button[data-code]')];
for (const button of KEYS) {
  const code = Number(button.dataset.code);
  button.tabIndex = code === KEY_7 ? 0 : -1;   // the keypad's tab stop, at first 7
  const label = button.textContent;
  const key = {
    code, button,
    name: button.dataset.n || label,
    tape: button.dataset.t || label,
    keyboard: button.dataset.k ? button.dataset.k.split(' ') : [],
  };
  KEY[code] = key;
  for (const k of key.keyboard) KEYBOARD[k] = code;
  button.setAttribute('aria-keyshortcuts',
    key.keyboard.map((k) => (/^[A-Z]$/.test(k) ? 'Shift+' + k : k)).join(' '));
  const shortcut = key.keyboard.map((k) => tqcalCaps[k] || k).join(' or ');
  const name = button.getAttribute('aria-label') || label;
  button.title = (button.title || (FUNCTION_KEYS.has(code) ? name.split(', ')[1] + ' of the number shown' : name)) +
    ` (key ${shortcut})`;
}

// A calculator as saved: its context block and its 32-bit status word.
const BLOCK_BYTES = CONTEXT_BYTES + 4, CALCULATORS = 3;
// Calculator 0 is on the screen; 1 and 2 replay its keys in one mode each.
const SHADOW = { [MODE_ALGEBRAIC]: 1, [MODE_EQUAL]: 2 };

// The tape keeps its last lines, and a line of keys at most so many keys;
// the command replays at most so many keys (a longer one says so).
const TAPE_LINES = 500, LINE_KEYS = 40, COMMAND_KEYS = 2000;

const state = {
  engine: null,
  mode: MODE_ALGEBRAIC,
  queue: [],            // what was pressed before the engine was ready
  tape: [],             // rows: ['entry', label...], ['result', text, failed], ['note', text]
  tokens: [],           // the accepted keys since the last new calculator, as --keys names; null past COMMAND_KEYS
  numberOpen: false,    // the last token is a number still being typed
  shown: null,          // the screen as drawn last (readScreen)
  announced: '',
  message: '',          // a hint, until the next key
  letters: true,         // single letters are keys
  focusMoved: false,    // the focus moved (Tab, arrows) after the last key typed
  undo: null,           // the calculator New calculator replaced
  copying: null,        // the text a copy command in progress puts on the clipboard
  scrolling: false,     // the tape scrolls to its end at the next frame
  timing: { firstAnswered: null, ready: null },
};
window.tqcalTiming = state.timing;

// --- the screen ----------------------------------------------------------------

// What the device's screen reads from a block (bytes at offset 0): the
// display text (magnitude only), the exponent text, the negative flag and the
// status word.
function readScreen(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, BLOCK_BYTES);
  const cells = (at, max) => {
    let text = '';
    for (let i = 0; i < max; i++) {
      const c = view.getUint16(at + 2 * i, true);
      if (c === 0) break;
      text += String.fromCharCode(c);
    }
    return text;
  };
  const exponent = cells(AT_EXPONENT, EXPONENT_CELLS);
  const status = view.getUint32(CONTEXT_BYTES, true);
  const digits = exponent.slice(1);
  return {
    text: cells(AT_DISPLAY, DISPLAY_AREA).trim(),
    expSign: exponent[0] === '-' ? '-' : '',
    expDigits: digits,
    // Shown while it is typed, and whenever it is not zero.
    expShown: (status & ST_EXP_ENTRY) !== 0 || /[1-9]/.test(digits),
    negative: view.getInt32(AT_NEGATIVE, true) !== 0,
    status,
    result: RESULT_OF(status),
    lastKey: view.getInt32(AT_LAST_KEY, true),
  };
}

// The screen as one line, as the host program prints it: 0.01, -5,
// 1.2345678901234E13, Error, Full.
function oneLine(s) {
  if (s.result === RES_FULL) return 'Full';
  if (s.result === RES_ERROR) return 'Error';
  let line = s.text.endsWith('.') ? s.text.slice(0, -1) : s.text;
  if (line === '') line = '0';
  if (s.negative) line = '-' + line;
  if (s.expShown) line += 'E' + s.expSign + s.expDigits;
  return line;
}

// The same line for the ear: "minus 5", "1.2 times ten to the power minus 5".
function spoken(s) {
  return oneLine(s).replace(/^-/, 'minus ')
    .replace(/E(-?)(\d+)$/, (m, sign, d) => ` times ten to the power ${sign ? 'minus ' : ''}${Number(d)}`);
}

// A point on the glass: a character that takes no room of its own.
function point() {
  const pt = document.createElement('span');
  pt.className = 'pt';
  pt.textContent = '.';
  return pt;
}

function draw(s) {
  state.shown = s;
  const failed = s.result === RES_ERROR || s.result === RES_FULL;
  // Each digit cell carries the point after it, as on the device's glass; a
  // failure reads Error or Full across the cells, as the host program prints.
  const cells = [];
  if (failed) {
    for (const ch of oneLine(s)) cells.push({ digit: ch, point: false });
  } else {
    for (const ch of s.text) {
      if (ch === '.' && cells.length > 0 && !cells[cells.length - 1].point) {
        cells[cells.length - 1].point = true;
      } else {
        cells.push(ch === '.' ? { digit: '', point: true } : { digit: ch, point: false });
      }
    }
  }
  while (cells.length < DIGIT_CELLS) cells.unshift({ digit: '', point: false });
  const row = $('cells');
  const spans = row.children;
  for (let i = 0; i < cells.length; i++) {
    if (i >= spans.length) {
      const span = document.createElement('span');
      span.className = 'cell';
      row.appendChild(span);
    }
    spans[i].textContent = cells[i].digit;
    if (cells[i].point) spans[i].appendChild(point());
  }
  while (spans.length > cells.length) row.removeChild(row.lastChild);
  $('sign').textContent = s.negative && !failed ? '\u2212' : '';

  const shown = s.expShown && !failed;
  $('mark').textContent = shown ? 'E' : '';
  const exp = $('exponent').children;
  exp[0].textContent = shown && s.expSign ? '\u2212' : '';
  exp[1].textContent = shown ? s.expDigits[0] || '' : '';
  exp[2].textContent = shown ? s.expDigits[1] || '' : '';

  const lit = {
    memory: (s.status & ST_MEMORY) !== 0,
    const: (s.status & ST_CONST) !== 0,
    pct: (s.status & ST_PCT_BASE) !== 0,
    error: s.result === RES_ERROR,
    full: s.result === RES_FULL,
  };
  for (const ind of document.querySelectorAll('.ind[data-ind]')) {
    if (ind.dataset.ind in lit) ind.classList.toggle('on', lit[ind.dataset.ind]);
  }
  const words = { memory: 'memory', const: 'constant', pct: 'percent base' };
  $('reading').textContent = ['Display: ' + spoken(s),
    ...Object.keys(words).filter((k) => lit[k]).map((k) => words[k])].join(', ');
  showHint();
}

// The lines under the display: a hint until the next key, else what clears
// Error and Full while they are shown; else (#expr, which a screen reader
// does not hear: the tape says it) the keys of the calculation so far, the
// tape's last line of keys.
function showHint() {
  const s = state.shown;
  let text = state.message;
  if (!text && s && s.result === RES_ERROR) text = 'Error: AC or Esc clears it (a digit also starts afresh).';
  if (!text && s && s.result === RES_FULL) text = 'Full: no room for another operation. AC or Esc clears it.';
  if ($('hint').textContent !== text) $('hint').textContent = text;
  const row = state.tape.findLast((r) => r[0] === 'entry');
  $('expr').textContent = row ? row.slice(1).join('').slice(-60) : '';
}

function hint(text) {
  state.message = text;
  showHint();
}

// Says a result once, through the live region; the same text twice in a row
// differs by a no-break space, or it would not be heard again.
function announce(s) {
  let text = spoken(s);
  if (text === state.announced) text += '\u00a0';
  state.announced = text;
  $('announce').textContent = text;
}

// Before the engine is ready the display says that it is starting, and shows
// the keys that wait (the page's head shows those pressed before this script).
function echo() {
  const labels = state.queue.filter((a) => a.key !== undefined).map((a) => KEY[a.key].tape);
  $('echo').textContent = labels.join('');
  $('reading').textContent = 'Display: starting' + (labels.length ? ', keys waiting: ' + labels.join(' ') : '');
}

// --- the engine's memory -------------------------------------------------------

function blockAt(e, which) {
  return [e.tqcal_web_context(which), e.tqcal_web_status_word(which)];
}

// Copies calculator which's context block and status word out of the engine.
function getBlock(which) {
  const e = state.engine;
  const [context, status] = blockAt(e, which);
  const out = new Uint8Array(BLOCK_BYTES);
  out.set(new Uint8Array(e.memory.buffer, context, CONTEXT_BYTES));
  out.set(new Uint8Array(e.memory.buffer, status, 4), CONTEXT_BYTES);
  return out;
}

function putBlock(which, bytes) {
  const e = state.engine;
  const [context, status] = blockAt(e, which);
  new Uint8Array(e.memory.buffer, context, CONTEXT_BYTES).set(bytes.subarray(0, CONTEXT_BYTES));
  new Uint8Array(e.memory.buffer, status, 4).set(bytes.subarray(CONTEXT_BYTES, BLOCK_BYTES));
}

const sameBytes = (a, b) => a.length === b.length && a.every((x, i) => x === b[i]);

// --- the tape -------------------------------------------------------------------

// A result's number is a button that enters it again, with one that copies
// it; inside the tape the arrow keys move between them (onTapeKey).
function renderRow(row) {
  const li = document.createElement('li');
  const failed = row[0] === 'result' && row[2];
  li.className = failed ? 'result failed' : row[0];
  if (row[0] === 'entry') {
    for (const label of row.slice(1)) li.appendChild(document.createElement('span')).textContent = label;
  } else if (row[0] === 'result' && !failed) {
    for (const [cls, name] of [['use', 'Enter'], ['copy-line', 'Copy']]) {
      const b = li.appendChild(document.createElement('button'));
      b.className = cls;
      b.tabIndex = -1;
      b.dataset.v = row[1];
      b.setAttribute('aria-label', `${name} ${row[1]}`);
    }
    li.firstChild.textContent = row[1];
  } else {
    li.textContent = row[1];
  }
  return li;
}

function renderTape() {
  $('tape').replaceChildren(...state.tape.map(renderRow));
  scrollTape();
  showHint();
}

// Keeps the last row in sight: once a frame, so that keys in quick
// succession do not each wait for the page's layout.
function scrollTape() {
  if (state.scrolling) return;
  state.scrolling = true;
  requestAnimationFrame(() => {
    state.scrolling = false;
    $('tape-box').scrollTop = $('tape-box').scrollHeight;
  });
}

// Adds or changes the last row, then keeps it in sight. The oldest row goes
// when there are more than TAPE_LINES.
function tapeAppend(row, replace) {
  const tape = $('tape');
  if (replace) tape.lastElementChild.replaceWith(renderRow(row));
  else {
    state.tape.push(row);
    tape.appendChild(renderRow(row));
    if (state.tape.length > TAPE_LINES) {
      state.tape.shift();
      tape.firstElementChild.remove();
    }
  }
  scrollTape();
}

function tapeKey(code) {
  let row = state.tape[state.tape.length - 1];
  const fresh = !row || row[0] !== 'entry' || row.length > LINE_KEYS;
  if (fresh) row = ['entry'];
  const digit = code <= KEY_POINT;
  const tokens = state.tokens;
  if (tokens && digit && state.numberOpen) tokens[tokens.length - 1] += KEY[code].name;
  else if (tokens) tokens.push(KEY[code].name);
  if (tokens && tokens.length > COMMAND_KEYS) state.tokens = null;
  if (digit && state.numberOpen && !fresh) row[row.length - 1] += KEY[code].tape;
  else row.push(KEY[code].tape);
  state.numberOpen = digit;
  tapeAppend(row, !fresh);
}

// The command that replays the tape in the host program. The host runs a
// whole sequence in one mode; after a mode change the page offers the mode
// whose replay ends on this very calculator, and says so when neither does.
function command() {
  if (!state.tokens) {
    return `# More than ${COMMAND_KEYS} keys since New calculator: too many for one command.`;
  }
  const keys = `tqcal --keys '${state.tokens.join(' ')}'`;
  const main = getBlock(0);
  const replays = (mode) => sameBytes(main, getBlock(SHADOW[mode]));
  const other = state.mode === MODE_ALGEBRAIC ? MODE_EQUAL : MODE_ALGEBRAIC;
  const mode = replays(state.mode) ? state.mode : replays(other) ? other : null;
  if (mode === null) {
    return '# No command replays this tape: the mode changed on the way, and tqcal --keys runs one mode.';
  }
  return mode === MODE_EQUAL ? keys + ' --mode equal' : keys;
}

function updateCommand() {
  if (state.engine) $('command').value = command();
}

// --- keeping the calculator over a reload -------------------------------------------

const STORE = 'tqcal-calculator', VERSION = 'tqcal-page/1';

// FNV-1a over the text's UTF-16 units: enough to notice a damaged record.
function checksum(text) {
  let h = 0x811c9dc5;
  for (let i = 0; i < text.length; i++) h = Math.imul(h ^ text.charCodeAt(i), 0x01000193) >>> 0;
  return h;
}

// The whole calculator: the three blocks, the mode and the tape.
function snapshot() {
  const bytes = new Uint8Array(BLOCK_BYTES * CALCULATORS);
  for (let i = 0; i < CALCULATORS; i++) bytes.set(getBlock(i), i * BLOCK_BYTES);
  return { bytes, mode: state.mode, tape: state.tape, tokens: state.tokens, numberOpen: state.numberOpen };
}

function save() {
  const r = snapshot();
  const body = JSON.stringify({
    blocks: btoa(String.fromCharCode(...r.bytes)),
    mode: r.mode, tape: r.tape, tokens: r.tokens, numberOpen: r.numberOpen,
  });
  try {
    localStorage.setItem(STORE, JSON.stringify({ v: VERSION, sum: checksum(body), body }));
  } catch {
    // No storage (a private window, a full quota): the calculator forgets.
  }
}

// The stored calculator, or null when there is none or it is damaged or
// foreign: another version, a wrong checksum, a malformed field.
function loadRecord() {
  try {
    const outer = JSON.parse(localStorage.getItem(STORE));
    if (!outer || outer.v !== VERSION || checksum(outer.body) !== outer.sum) return null;
    const r = JSON.parse(outer.body);
    const bytes = Uint8Array.from(atob(r.blocks), (c) => c.charCodeAt(0));
    const names = new Set(Object.values(KEY).map((k) => k.name));
    const ok = bytes.length === BLOCK_BYTES * CALCULATORS &&
      (r.mode === MODE_ALGEBRAIC || r.mode === MODE_EQUAL) &&
      (r.tokens === null || (Array.isArray(r.tokens) && r.tokens.length <= COMMAND_KEYS &&
        r.tokens.every((t) => names.has(t) || /^[0-9.]+$/.test(t)))) &&
      Array.isArray(r.tape) && r.tape.every((row) => Array.isArray(row) &&
        ['entry', 'result', 'note'].includes(row[0]) && row.slice(1).every((x) => typeof x !== 'object'));
    // A tape stored before it kept only its last lines keeps them now.
    return ok ? { ...r, tape: r.tape.slice(-TAPE_LINES), bytes } : null;
  } catch {
    return null;
  }
}

function forget() {
  try { localStorage.removeItem(STORE); } catch { /* nothing stored */ }
}

// Shows a calculator's mode and tape, and its screen from its block.
function show(r) {
  showMode(r.mode);
  state.tape = r.tape;
  state.tokens = r.tokens;
  state.numberOpen = Boolean(r.numberOpen);
  renderTape();
  draw(readScreen(r.bytes));
}

// Shows a stored calculator before the engine is ready. Returns the record.
function showStored() {
  const r = loadRecord();
  if (r) show(r);
  return r;
}

// Copies a calculator into the engine.
function putCalculator(r) {
  for (let i = 0; i < CALCULATORS; i++) putBlock(i, r.bytes.subarray(i * BLOCK_BYTES, (i + 1) * BLOCK_BYTES));
}

// Copies a stored calculator into the engine, which must find every block
// one that keys could have left; otherwise a fresh calculator, silently.
function restore(r) {
  if (r) {
    putCalculator(r);
    let ok = true;
    for (let i = 0; i < CALCULATORS; i++) ok = ok && state.engine.tqcal_web_check(i) === 1;
    if (ok) {
      draw(readScreen(getBlock(0)));
      updateCommand();
      return;
    }
  }
  forget();
  if (state.queue.length === 0) showMode(MODE_ALGEBRAIC);
  newCalculator();
}

// --- keys -------------------------------------------------------------------------

function newCalculator() {
  state.tape = [];
  state.tokens = [];
  state.numberOpen = false;
  renderTape();
  if (state.engine) {
    state.engine.tqcal_web_new();
    draw(readScreen(getBlock(0)));
    updateCommand();
    save();
  }
}

// What the tape panel says after its buttons; Undo shows while there is a
// calculator to bring back.
function status(text) {
  $('status').textContent = text;
  $('undo').hidden = !state.undo;
}

// New calculator: says what it cleared, and can be undone until the next key.
function replaceCalculator() {
  const before = snapshot();
  const s = readScreen(before.bytes);
  const cleared = [`the display (${oneLine(s)})`];
  if (s.status & ST_MEMORY) cleared.push('the memory');
  cleared.push(`${before.tape.length} tape line${before.tape.length === 1 ? '' : 's'}`);
  newCalculator();
  state.undo = before;
  status(`New calculator: cleared ${cleared.join(', ')}.`);
}

function undo() {
  if (!state.undo) return;
  putCalculator(state.undo);
  show(state.undo);
  state.undo = null;
  // Undo hides itself: the focus goes back to New calculator.
  if (document.activeElement === $('undo')) $('reset').focus();
  updateCommand();
  save();
  status('The calculator is back.');
}

// Any key or mode change ends the chance to undo.
function settle() {
  if (state.undo) {
    state.undo = null;
    status('');
  }
}

function press(code, mode) {
  const e = state.engine;
  const before = getBlock(0);
  const was = readScreen(before);
  const outcome = e.tqcal_web_press(0, code, mode);
  const after = getBlock(0);
  const s = readScreen(after);
  state.message = '';
  // A function key with no number of the user's on the display: say what
  // it works on.
  if (FUNCTION_KEYS.has(code) && was.result === RES_OK &&
      !(was.status & ST_TYPED) && NOTHING_ENTERED.has(was.lastKey)) {
    state.message = `${KEY[code].tape} works on the number shown (${oneLine(was)}): type the number first, then ${KEY[code].tape}.`;
  }
  draw(s);
  settle();
  if (state.timing.firstAnswered === null) state.timing.firstAnswered = performance.now();
  // A digit that no longer fits, a second point: the calculator ignored the
  // key, and so does the tape.
  if (outcome < 0 || (outcome === 0 && sameBytes(before, after))) return;
  for (const m of [MODE_ALGEBRAIC, MODE_EQUAL]) e.tqcal_web_press(SHADOW[m], code, m);
  tapeKey(code);
  if (outcome === 1 && (RESULT_KEYS.has(code) || FUNCTION_KEYS.has(code) || s.result !== RES_OK)) {
    tapeAppend(['result', oneLine(s), s.result !== RES_OK]);
    state.numberOpen = false;
    announce(s);
  }
  showHint();
  updateCommand();
  save();
}

// A mode change mid-way is a line on the tape.
function changeMode(from, to) {
  showMode(to);
  settle();
  if (from !== to && state.tape.length > 0) {
    tapeAppend(['note', to === MODE_ALGEBRAIC ? 'mode: algebraic' : 'mode: equal']);
    state.numberOpen = false;
  }
  updateCommand();
  save();
}

function showMode(mode) {
  state.mode = mode;
  for (const b of document.querySelectorAll('.mode-btn')) {
    b.setAttribute('aria-pressed', String(Number(b.dataset.mode) === mode));
  }
  $('mode-ind').textContent = mode === MODE_ALGEBRAIC ? 'ALG' : 'EQU';
}

// Everything the user does goes through here, so that what happens before
// the engine is ready happens afterwards in the same order.
function act(action) {
  if (!state.engine) {
    // The mode shows at once; a key waits with the mode it was pressed in.
    action.in = state.mode;
    if (action.mode !== undefined) showMode(action.mode);
    state.queue.push(action);
    echo();
    return;
  }
  const mode = action.in ?? state.mode;
  if (action.key !== undefined) press(action.key, mode);
  else if (action.mode !== undefined) changeMode(mode, action.mode);
  else if (action.reset) replaceCalculator();
  else if (action.clearTape) {
    state.tape = [];
    renderTape();
    save();
    settle();
    status('Tape cleared.');
  } else if (action.undo) undo();
}

function pressed(code) {
  const button = KEY[code].button;
  button.classList.add('down');
  setTimeout(() => button.classList.remove('down'), 90);
  act({ key: code });
}

const isField = (e) => Boolean(e && /^(INPUT|TEXTAREA|SELECT)$/.test(e.tagName));

function onKeyDown(event) {
  if (event.ctrlKey || event.metaKey || event.altKey || event.defaultPrevented) return;
  const target = event.target;
  if (isField(target)) return;
  // A letter is a key only while letters are on, and the focus is on the
  // calculator or nowhere: on the tape, say, it is the user's letter.
  if (/^[a-z]$/i.test(event.key) && (!state.letters ||
      (target !== document.body && target.closest && !target.closest('.device')))) return;
  // Space presses the focused control; Enter does when the focus was moved
  // there after the last key typed, and is '=' otherwise.
  const control = target && target.closest && target.closest('button, a[href], summary');
  if (control && (event.key === ' ' || (event.key === 'Enter' && state.focusMoved))) return;
  if (event.key === 'o') {
    act({ mode: state.mode === MODE_ALGEBRAIC ? MODE_EQUAL : MODE_ALGEBRAIC });
    event.preventDefault();
    return;
  }
  const code = KEYBOARD[event.key];
  if (code === undefined) return;
  event.preventDefault();   // no quick find on '/', no press of a focused button by Enter
  state.focusMoved = false;
  pressed(code);
}

function onClick(event) {
  const button = event.target.closest && event.target.closest('button');
  if (!button) return;
  // A key clicked counts as a key typed; Enter and Space on a focused key
  // (a click of detail 0) leave the focus where it was moved.
  if (event.detail > 0) state.focusMoved = false;
  if (button.dataset.code !== undefined) pressed(Number(button.dataset.code));
  else if (button.dataset.mode !== undefined) act({ mode: Number(button.dataset.mode) });
  else if (button.id === 'reset') act({ reset: true });
  else if (button.id === 'clear-tape') act({ clearTape: true });
  else if (button.id === 'undo') act({ undo: true });
  else if (button.id === 'copy') copyCommand();
  else if (button.id === 'copy-value') copyValue();
  else if (button.id === 'letters') setLetters(!state.letters, true);
  else if (button.className === 'use') enterNumber(button.dataset.v);
  else if (button.className === 'copy-line') copyValue(button.dataset.v);
}

// Single letters as keys, on or off; the choice is kept.
function setLetters(on, keep) {
  state.letters = on;
  $('letters').setAttribute('aria-pressed', String(on));
  if (keep) try { localStorage.setItem(STORE + '-letters', on ? '1' : '0'); } catch { /* not kept */ }
}

// Inside the tape the arrow keys move between the results' buttons, up and
// down by the results, left and right between a number and its Copy (and on
// to the next result's number).
function onTapeKey(event) {
  const all = [...$('tape').querySelectorAll('button')];
  const i = all.indexOf(document.activeElement);
  const step = { ArrowUp: -2, ArrowDown: 2, ArrowLeft: -1, ArrowRight: 1 }[event.key];
  if (!step || all.length === 0 || event.ctrlKey || event.metaKey || event.altKey) return;
  event.preventDefault();
  const next = all[i < 0 ? all.length - 2 : i + step];
  if (next) next.focus();
}

// The keypad is one tab stop (the last key focused); the arrow keys move by
// the keys as they are laid out, six to a row in both blocks, Home and End
// to the first and the last.
function onKeypadKey(event) {
  const i = KEYS.indexOf(document.activeElement);
  if (i < 0 || event.ctrlKey || event.metaKey || event.altKey) return;
  const move = { ArrowLeft: -1, ArrowRight: 1, ArrowUp: -6, ArrowDown: 6, Home: -i, End: KEYS.length - 1 - i }[event.key];
  if (move === undefined) return;
  event.preventDefault();
  if (KEYS[i + move]) focusKey(KEYS[i + move]);
  state.focusMoved = true;
}

function focusKey(button) {
  for (const b of KEYS) b.tabIndex = b === button ? 0 : -1;
  button.focus();
}

// --- copy and paste ------------------------------------------------------------------

// Writes text to the clipboard: the clipboard interface, else the copy
// command, whose copy event (onCopy) puts the text in.
async function toClipboard(text) {
  try {
    await navigator.clipboard.writeText(text);
  } catch {
    state.copying = text;
    document.execCommand('copy');
    state.copying = null;
  }
}

async function copyCommand() {
  await toClipboard($('command').value);
  status('Keys copied.');
}

const STARTING = 'The calculator is still starting: try again in a moment.';

// The number to copy, as one number (0.01, -5, 1.7112245242814E98): a
// result of the tape that has the focus, else the number shown; or null
// with the reason on the hint line. Error and Full are no numbers.
function shownNumber() {
  const s = state.shown;
  const v = document.activeElement.dataset.v;
  if (v) return v;
  if (!state.engine || !s) return hint(STARTING), null;
  if (s.result !== RES_OK) return hint(`The display reads ${oneLine(s)}: nothing to copy.`), null;
  return oneLine(s);
}

// Copies text, by default the number to copy, and says so.
function copyValue(text = shownNumber()) {
  if (text !== null) hint(`Copied ${text}.`), toClipboard(text);
}

// A copy outside the fields and outside a selection of the page's text is a
// copy of the number shown: Ctrl+C, or the display selected.
function copiesValue() {
  if (isField(document.activeElement)) return false;
  const selection = getSelection();
  return selection.isCollapsed || $('lcd').contains(selection.anchorNode);
}

function onCopy(event) {
  if (state.copying) {
    event.clipboardData.setData('text/plain', state.copying);
    event.preventDefault();
  } else if (copiesValue()) {
    event.preventDefault();
    const text = shownNumber();
    if (text !== null) hint(`Copied ${text}.`), event.clipboardData.setData('text/plain', text);
  }
}

// A pasted number as the user meant it: { sign, digits, power } (the
// significant digits, the power of ten of the first), or why it is none.
// The last point or comma is the decimal one, unless it repeats alone; the
// other marks and spaces group thousands. A lone comma before three digits
// (1,234) could be either, and is refused.
function readNumber(text) {
  const t = text.trim(), q = `\u201c${t.length > 16 ? t.slice(0, 15) + '\u2026' : t}\u201d`;
  const m = /^([-+\u2212]?)([\d.,' \u00a0\u202f]*\d[\d.,' \u00a0\u202f]*)(?:[eE]([-+\u2212]?\d+))?$/.exec(t);
  if (!m) return { why: `Paste takes a number, like 12.5, -0.01 or 1.5E-7; not ${q}.` };
  const body = m[2].replace(/[' \u00a0\u202f]/g, ' '), marks = body.replace(/[\d ]/g, '');
  const point = marks.length > 1 && marks[0] === marks.slice(-1) ? '' : marks.slice(-1);
  if (point === ',' && /^\d{1,3},\d{3}$/.test(body)) {
    return { why: `${q}: thousands or decimals? Paste ${body.replace(',', '')} or ${body.replace(',', '.')}.` };
  }
  const at = point ? body.lastIndexOf(point) : body.length, whole = body.slice(0, at), fraction = body.slice(at + 1);
  if (!/^\d*$/.test(fraction) || !/^(\d*|\d{1,3}([ ,.])\d{3}(\2\d{3})*)$/.test(whole)) {
    return { why: `${q}: digits not grouped in threes. Paste it without separators.` };
  }
  const all = (whole + fraction).replace(/\D/g, ''), lead = all.length - all.replace(/^0+/, '').length;
  const digits = all.slice(lead).replace(/0+$/, '');
  const power = Number((m[3] || '0').replace('\u2212', '-')) + whole.replace(/\D/g, '').length - 1 - lead;
  if (!digits) return { sign: '', digits, power: 0, q };
  if (Math.abs(power) > 99) return { why: `${q} is out of range: the calculator holds 1E-99 to 9.9999999999999E99.` };
  return { sign: m[1] && m[1] !== '+' ? '-' : '', digits, power, q };
}

// The keys that type digits (at most 14 of them) times ten to the power:
// typed in full where they fit the 13 digits a number takes, else with EXP,
// or divided by a power of ten when the exponent is negative (no key types
// one); a 14th digit is added to the first 13, in parentheses.
function numberKeys(digits, power) {
  if (!digits) return '0';
  if (digits.length > 13) {
    return `(${numberKeys(digits.slice(0, 13), power)}+${numberKeys(digits.slice(13, 14), power - 13)})`;
  }
  if (power >= 0 && power < 13) {
    const keys = digits.padEnd(power + 1, '0');
    return keys.slice(0, power + 1) + (keys.length > power + 1 ? '.' + keys.slice(power + 1) : '');
  }
  if (power < 0 && digits.length - power <= 13) return '0.' + '0'.repeat(-power - 1) + digits;
  const mantissa = digits[0] + (digits.length > 1 ? '.' + digits.slice(1) : '');
  return power > 0 ? `${mantissa}E${power}` : `(${mantissa}/1E${-power})`;
}


// Enters a number (pasted, or a result of the tape) as the keys that type
// it, in place of a number being typed: first on calculator 0 itself, which
// gets its bytes back, and for real only when the display then reads
// exactly that number. Otherwise the hint says why, and no key is pressed.
function enterNumber(text) {
  const n = readNumber(text), e = state.engine;
  if (n.why || !e) return hint(n.why || STARTING);
  const codes = [...numberKeys(n.digits.slice(0, DIGIT_CELLS), n.power)].map((ch) => KEY_OF[ch] ?? Number(ch));
  if (n.sign) codes.push(KEY_SIGN);
  if (state.shown.status & ST_TYPED) codes.unshift(KEY_CE);
  const before = getBlock(0);
  for (const code of codes) e.tqcal_web_press(0, code, state.mode);
  const s = readScreen(getBlock(0)), got = readNumber(oneLine(s));
  putBlock(0, before);
  if (s.result !== RES_OK || got.digits !== n.digits || got.power !== n.power || got.sign !== n.sign) {
    return hint(s.result !== RES_OK ? `${n.q} cannot be entered now: it would end in ${oneLine(s)}.`
      : `${n.q} has more digits than the display: it would read ${oneLine(s)}.`);
  }
  state.focusMoved = false;
  for (const code of codes) pressed(code);
}

function onPaste(event) {
  if (isField(event.target)) return;
  event.preventDefault();
  enterNumber(event.clipboardData.getData('text/plain'));
}

// --- start ---------------------------------------------------------------------------

function notice(text) {
  $('notice').textContent = text;
  $('notice').hidden = false;
}

// The module imports nothing. Over HTTP it is the .wasm file, compiled while
// it arrives; from the disk (or when the file is missing) the same bytes come
// as base64 in tqcal-engine.js.
async function loadEngine() {
  if (/^https?:$/.test(location.protocol)) {
    try {
      const response = await (window.tqcalModule || fetch('tqcal-engine.wasm'));
      if (response.ok) {
        try {
          return (await WebAssembly.instantiateStreaming(response.clone(), {})).instance;
        } catch {
          return (await WebAssembly.instantiate(await response.arrayBuffer(), {})).instance;
        }
      }
    } catch {
      // Fall back on the script.
    }
  }
  await new Promise((resolve) => {
    const script = document.createElement('script');
    script.src = 'tqcal-engine.js';
    script.onload = script.onerror = resolve;
    document.head.appendChild(script);
  });
  if (typeof TQCAL_ENGINE_WASM === 'undefined') return null;
  const bytes = Uint8Array.from(atob(TQCAL_ENGINE_WASM), (c) => c.charCodeAt(0));
  return (await WebAssembly.instantiate(bytes, {})).instance;
}

function setup() {
  const stored = showStored();

  // Whatever arrived before this script, in order, then the page's own handlers.
  const early = window.tqcalEarly || [];
  document.removeEventListener('click', window.tqcalHold, true);
  document.removeEventListener('keydown', window.tqcalHold, true);
  document.addEventListener('click', onClick);
  document.addEventListener('keydown', onKeyDown);
  document.addEventListener('focusin', () => { state.focusMoved = true; });
  $('keypad').addEventListener('keydown', onKeypadKey);
  $('tape-box').addEventListener('keydown', onTapeKey);
  try { setLetters(localStorage.getItem(STORE + '-letters') !== '0'); } catch { /* letters on */ }
  // Copy and paste work with nothing selected: the browser offers them when
  // beforecopy and beforepaste are cancelled.
  document.addEventListener('beforecopy', (e) => { if (copiesValue()) e.preventDefault(); });
  document.addEventListener('copy', onCopy);
  document.addEventListener('beforepaste', (e) => { if (!isField(document.activeElement)) e.preventDefault(); });
  document.addEventListener('paste', onPaste);
  for (const event of early) {
    if (event.type === 'click') onClick(event);
    else if (!(event.target && event.target.closest && event.target.closest('#keypad') &&
               /^(Arrow|Home|End)/.test(event.key))) onKeyDown(event);
  }
  echo();

  loadEngine().then((instance) => {
    if (!instance) {
      notice('The engine is not built yet: run  bash scripts/run-web.sh  and reload.');
      return;
    }
    const e = instance.exports;
    if (e._initialize) e._initialize();
    state.engine = e;
    e.tqcal_web_new();
    restore(stored);
    state.timing.ready = performance.now();
    for (const action of state.queue.splice(0)) act(action);
    document.documentElement.dataset.ready = 'true';
    // The offline copy, once the files it keeps are all here.
    if ('serviceWorker' in navigator && /^https?:$/.test(location.protocol)) {
      navigator.serviceWorker.register('sw.js').catch(() => { /* no offline copy */ });
    }
  }, (error) => notice('The engine did not load: ' + error.message));
}

setup();

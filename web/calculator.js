// The calculator page: sends key codes to the engine (WebAssembly, built from
// the engine's own sources by web/build.sh) and draws what the device's screen
// draws from the context block and the status word. No arithmetic happens here.
'use strict';

// Every key: its code, the name the host program's --keys accepts, the label
// on the key (HTML), the label on the tape, computer keyboard keys, and its
// look. The order is the keypad's, row by row.
const SCIENCE_KEYS = [
  [22, 'MRC', 'MRC', 'MRC', 'r', 'mem'],
  [21, 'M-', 'M&minus;', 'M\u2212', 'M', 'mem'],
  [20, 'M+', 'M+', 'M+', 'm', 'mem'],
  [19, 'MS', 'MS', 'MS', 'R', 'mem'],
  [251, 'MSalt', 'MS<sub>2</sub>', 'MS\u2082', '', 'mem'],
  [252, 'pct', 'pct', 'pct', 'P', 'mem'],
  [33, 'sin', 'sin', 'sin', 's', 'fn'],
  [35, 'cos', 'cos', 'cos', 'c', 'fn'],
  [37, 'tan', 'tan', 'tan', 't', 'fn'],
  [42, 'log', 'log', 'log', 'g', 'fn'],
  [40, 'ln', 'ln', 'ln', 'l', 'fn'],
  [30, 'pi', '&pi;', '\u03c0', 'p', 'fn'],
  [34, 'asin', 'sin<sup>&minus;1</sup>', 'sin\u207b\u00b9', 'S', 'fn'],
  [36, 'acos', 'cos<sup>&minus;1</sup>', 'cos\u207b\u00b9', 'C', 'fn'],
  [38, 'atan', 'tan<sup>&minus;1</sup>', 'tan\u207b\u00b9', 'T', 'fn'],
  [39, '10^x', '10<sup>x</sup>', '10\u02e3', 'G', 'fn'],
  [41, 'e^x', 'e<sup>x</sup>', 'e\u02e3', 'L', 'fn'],
  [31, '!', 'n!', 'n!', '!', 'fn'],
  [25, 'x^2', 'x<sup>2</sup>', 'x\u00b2', 'V', 'fn'],
  [26, 'sqrt', '&radic;x', '\u221a', 'v', 'fn'],
  [43, '^', 'x<sup>y</sup>', 'x\u02b8', '^ y', 'fn'],
  [44, 'root', '<sup>y</sup>&radic;x', '\u02b8\u221a', 'Y', 'fn'],
  [32, '1/x', '1/x', '1/x', 'i', 'fn'],
  [253, 'blank', 'blank', 'blank', '', 'fn'],
];
const MAIN_KEYS = [
  [7, '7', '7', '7', '7', 'num'],
  [8, '8', '8', '8', '8', 'num'],
  [9, '9', '9', '9', '9', 'num'],
  [17, '(', '(', '(', '(', 'op'],
  [18, ')', ')', ')', ')', 'op'],
  [28, 'AC', 'AC', 'AC', 'Escape a', 'clr'],
  [4, '4', '4', '4', '4', 'num'],
  [5, '5', '5', '5', '5', 'num'],
  [6, '6', '6', '6', '6', 'num'],
  [14, '*', '&times;', '\u00d7', '*', 'op'],
  [15, '/', '&divide;', '\u00f7', '/', 'op'],
  [27, 'CE', 'CE', 'CE', 'Delete k', 'clr'],
  [1, '1', '1', '1', '1', 'num'],
  [2, '2', '2', '2', '2', 'num'],
  [3, '3', '3', '3', '3', 'num'],
  [12, '+', '+', '+', '+', 'op'],
  [13, '-', '&minus;', '\u2212', '-', 'op'],
  [23, 'BS', '&#9003;', '\u232b', 'Backspace', 'clr'],
  [0, '0', '0', '0', '0', 'num'],
  [10, '.', '.', '.', '. ,', 'num'],
  [29, 'EXP', 'EXP', 'EXP', 'E', 'num'],
  [24, '+/-', '&plusmn;', '\u00b1', 'n', 'num'],
  [16, '%', '%', '%', '%', 'op'],
  [11, '=', '=', '=', 'Enter =', 'eq'],
];

const KEY = {};         // code -> key record
const KEYBOARD = {};    // KeyboardEvent.key -> code
function addKeys(rows, container) {
  for (const [code, name, label, tape, keyboard, kind] of rows) {
    const key = { code, name, label, tape, keyboard: keyboard ? keyboard.split(' ') : [], kind };
    KEY[code] = key;
    for (const k of key.keyboard) KEYBOARD[k] = code;
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'key ' + kind;
    button.dataset.code = code;
    button.innerHTML = label;
    button.setAttribute('aria-label', name);
    key.button = button;
    container.appendChild(button);
  }
}

// Status word bits the screen shows; the result state is (status >> 1) & 3.
const ST_MEMORY = 0x8, ST_CONST = 0x10, ST_PCT_BASE = 0x20, ST_EXP_ENTRY = 0x80;
const RES_ERROR = 0, RES_FULL = 2;
const DISPLAY_AREA = 17, EXPONENT_CELLS = 4, DIGIT_CELLS = 14;
const MODE_ALGEBRAIC = 1, MODE_EQUAL = 0;

// Keys after which the tape prints what the screen shows.
const RESULT_KEYS = new Set([11, 16, 19, 20, 21, 22, 25, 26, 30, 31, 32, 33, 34, 35, 36, 37, 38,
                             39, 40, 41, 42, 251, 252]);

const state = {
  engine: null,
  mode: MODE_ALGEBRAIC,
  queue: [],            // keys pressed before the engine was ready
  tokens: [],           // the key sequence since the last new calculator, as --keys names
  numberOpen: false,    // the last token is a number still being typed
  modes: new Set([MODE_ALGEBRAIC]),
  timing: { firstPressed: null, firstAnswered: null, ready: null },
};
window.tqcalTiming = state.timing;

const $ = (id) => document.getElementById(id);

// Reads cells up to the terminator, at most max of them.
function cellText(read, max) {
  let text = '';
  for (let i = 0; i < max; i++) {
    const c = read(i);
    if (c === 0) break;
    text += String.fromCharCode(c);
  }
  return text;
}

// What the device's screen reads: the display text (magnitude only), the
// exponent text, the negative flag and the status word.
function readScreen(e) {
  const text = cellText(e.tqcal_web_display_cell, DISPLAY_AREA).trim();
  const exponent = cellText(e.tqcal_web_exponent_cell, EXPONENT_CELLS);
  const status = e.tqcal_web_status() >>> 0;
  const digits = exponent.slice(1);
  return {
    text,
    expSign: exponent[0] === '-' ? '-' : '',
    expDigits: digits,
    // Shown while it is typed, and whenever it is not zero.
    expShown: (status & ST_EXP_ENTRY) !== 0 || /[1-9]/.test(digits),
    negative: e.tqcal_web_negative() !== 0,
    status,
    result: (status >>> 1) & 3,
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

function draw(s) {
  // Each digit cell carries the point after it, as on the device's glass.
  const cells = [];
  for (const ch of s.text) {
    if (ch === '.' && cells.length > 0 && !cells[cells.length - 1].point) {
      cells[cells.length - 1].point = true;
    } else {
      cells.push(ch === '.' ? { digit: '', point: true } : { digit: ch, point: false });
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
    spans[i].classList.toggle('pt', cells[i].point);
  }
  while (spans.length > cells.length) row.removeChild(row.lastChild);
  $('sign').textContent = s.negative ? '\u2212' : '';

  const exp = $('exponent').children;
  exp[0].textContent = s.expShown && s.expSign ? '\u2212' : '';
  exp[1].textContent = s.expShown ? s.expDigits[0] || '' : '';
  exp[2].textContent = s.expShown ? s.expDigits[1] || '' : '';

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
  $('lcd').classList.toggle('failed', lit.error || lit.full);
  $('lcd').setAttribute('aria-label', oneLine(s));
}

// --- tape -----------------------------------------------------------------

function tapeRow(kind) {
  const li = document.createElement('li');
  li.className = kind;
  const tape = $('tape');
  tape.appendChild(li);
  tape.scrollTop = tape.scrollHeight;
  return li;
}

function tapeKey(code) {
  const tape = $('tape');
  let row = tape.lastElementChild;
  if (!row || !row.classList.contains('entry')) row = tapeRow('entry');
  const digit = code <= 10;
  const label = KEY[code].tape;
  if (digit && state.numberOpen && !(code === 10 && /\./.test(state.tokens[state.tokens.length - 1]))) {
    state.tokens[state.tokens.length - 1] += KEY[code].name;
    row.lastElementChild.textContent += label;
  } else {
    state.tokens.push(KEY[code].name);
    const span = document.createElement('span');
    span.textContent = label;
    row.appendChild(span);
  }
  state.numberOpen = digit;
  updateCommand();
}

function tapeResult(s) {
  const row = tapeRow(s.result === 1 ? 'result' : 'result failed');
  row.textContent = oneLine(s);
}

function updateCommand() {
  let command = 'tqcal --keys "' + state.tokens.join(' ') + '"';
  if (state.mode === MODE_EQUAL) command += ' --mode equal';
  if (state.modes.size > 1) command += '   (the mode changed on the way)';
  $('command').value = command;
}

function newCalculator() {
  if (state.engine) {
    state.engine.tqcal_web_new();
    draw(readScreen(state.engine));
  }
  state.tokens = [];
  state.numberOpen = false;
  state.modes = new Set([state.mode]);
  $('tape').textContent = '';
  updateCommand();
}

// --- keys -------------------------------------------------------------------

function press(code) {
  if (!state.engine) {
    state.queue.push(code);
    return;
  }
  const e = state.engine;
  const outcome = e.tqcal_web_press(code, state.mode);
  const s = readScreen(e);
  draw(s);
  if (state.timing.firstAnswered === null) state.timing.firstAnswered = performance.now();
  if (outcome < 0) return;
  tapeKey(code);
  if (outcome === 1 && (RESULT_KEYS.has(code) || s.result !== 1)) {
    tapeResult(s);
    state.numberOpen = false;
  }
}

function pressed(code) {
  if (state.timing.firstPressed === null) state.timing.firstPressed = performance.now();
  const button = KEY[code] && KEY[code].button;
  if (button) {
    button.classList.add('down');
    setTimeout(() => button.classList.remove('down'), 90);
  }
  press(code);
}

function setMode(mode) {
  state.mode = mode;
  for (const b of document.querySelectorAll('.mode-btn')) {
    b.setAttribute('aria-pressed', String(Number(b.dataset.mode) === mode));
  }
  $('mode-ind').textContent = mode === MODE_ALGEBRAIC ? 'ALG' : 'EQU';
  if (state.tokens.length > 0) {
    state.modes.add(mode);
    tapeRow('note').textContent = mode === MODE_ALGEBRAIC ? 'mode: algebraic' : 'mode: equal';
    state.numberOpen = false;
  } else {
    state.modes = new Set([mode]);
  }
  updateCommand();
}

function onKeyDown(event) {
  if (event.ctrlKey || event.metaKey || event.altKey) return;
  if (event.target && event.target.id === 'command') return;
  if (event.key === 'o') {
    setMode(state.mode === MODE_ALGEBRAIC ? MODE_EQUAL : MODE_ALGEBRAIC);
    event.preventDefault();
    return;
  }
  const code = KEYBOARD[event.key];
  if (code === undefined) return;
  event.preventDefault();   // no quick find on '/', no button activation on Enter
  pressed(code);
}

// The keyboard list on the page, in the order of the keypad's families.
const LEGEND_ORDER = [11, 12, 13, 14, 15, 17, 18, 16, 252, 24, 29, 23, 27, 28, 22, 19, 20, 21,
                      43, 44, 26, 25, 32, 31, 30, 33, 34, 35, 36, 37, 38, 42, 39, 40, 41];
const KEY_CAPS = { Escape: 'Esc', Delete: 'Del', Backspace: 'Bksp' };
function buildLegend() {
  const rows = [[['0', '\u2026', '9', '.'], 'digits, point'], [['o'], 'mode ALG / EQU']];
  for (const code of LEGEND_ORDER) rows.push([KEY[code].keyboard, KEY[code].tape]);
  const legend = $('legend');
  for (const [caps, what] of rows) {
    const dt = document.createElement('dt');
    for (const cap of caps) {
      const kbd = document.createElement(cap === '\u2026' ? 'span' : 'kbd');
      kbd.textContent = KEY_CAPS[cap] || cap;
      dt.appendChild(kbd);
    }
    const dd = document.createElement('dd');
    dd.textContent = what;
    legend.append(dt, dd);
  }
}

async function copyKeys() {
  const text = state.tokens.join(' ');
  try {
    await navigator.clipboard.writeText(text);
  } catch {
    // Without the clipboard interface (an older browser, a page from disk):
    // the copy command over a selected text field.
    const field = document.createElement('textarea');
    field.value = text;
    document.body.appendChild(field);
    field.select();
    document.execCommand('copy');
    field.remove();
  }
  $('copied').textContent = 'copied';
  setTimeout(() => { $('copied').textContent = ''; }, 1500);
}

function setup() {
  addKeys(SCIENCE_KEYS, $('keys-science'));
  addKeys(MAIN_KEYS, $('keys-main'));
  buildLegend();
  for (const container of [$('keys-science'), $('keys-main')]) {
    // Keys never take the focus, so Enter always means '='.
    container.addEventListener('mousedown', (event) => event.preventDefault());
    container.addEventListener('click', (event) => {
      const button = event.target.closest('button[data-code]');
      if (button) pressed(Number(button.dataset.code));
    });
  }
  for (const b of document.querySelectorAll('.mode-btn')) {
    b.addEventListener('mousedown', (event) => event.preventDefault());
    b.addEventListener('click', () => setMode(Number(b.dataset.mode)));
  }
  $('copy').addEventListener('click', copyKeys);
  $('reset').addEventListener('click', newCalculator);
  document.addEventListener('keydown', onKeyDown);
  draw({ text: '0.', expSign: '', expDigits: '00', expShown: false, negative: false, status: 0x102, result: 1 });

  // The module imports nothing: instantiate it straight from its bytes.
  if (typeof TQCAL_ENGINE_WASM === 'undefined') {
    notice('The engine is not built yet: run  bash scripts/run-web.sh  and reload.');
    return;
  }
  const bytes = Uint8Array.from(atob(TQCAL_ENGINE_WASM), (c) => c.charCodeAt(0));
  WebAssembly.instantiate(bytes, {}).then(({ instance }) => {
    const e = instance.exports;
    if (e._initialize) e._initialize();
    state.engine = e;
    newCalculator();
    state.timing.ready = performance.now();
    for (const code of state.queue.splice(0)) press(code);
    document.documentElement.dataset.ready = 'true';
  }, (error) => notice('The engine did not load: ' + error.message));
}

function notice(text) {
  $('notice').textContent = text;
  $('notice').hidden = false;
}

setup();

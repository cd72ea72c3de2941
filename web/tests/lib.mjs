// Helpers of the browser tests: the host program as the reference, a static
// server for web/, headless Chromium, and reading the page's screen.
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

export const ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
export const WEB = path.join(ROOT, 'web');
export const ARTIFACTS = path.join(ROOT, 'build-web');
// The page as web/build.sh builds it, and as it is served.
export const SITE = path.join(ARTIFACTS, 'site');
export const HOST = process.env.TQCAL_HOST || path.join(ROOT, 'build/host/tqcal');
export const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';

// The key sequences typed by hand (conformance/sequences.txt, whose header
// gives the format) that the page clicks: the lines marked "page:" and every
// line of a "page only" group, as [{ group, keys, mode }], once for each
// mode the line is pressed in. The conformance record reads the same file.
export function readSequences() {
  const out = [];
  let group = '';
  let pageOnly = false;
  for (const raw of fs.readFileSync(path.join(ROOT, 'conformance/sequences.txt'), 'utf8').split('\n')) {
    const line = raw.trimEnd();
    if (line.startsWith('## ')) {
      pageOnly = line.startsWith('## page only: ');
      group = line.slice(pageOnly ? 14 : 3);
      continue;
    }
    if (line === '' || line === '#' || line.startsWith('# ')) continue;
    const m = /^(page: )?(?:(algebraic|equal): )?(.*)$/.exec(line);
    if (!m[1] && !pageOnly) continue;
    const modes = m[2] ? [m[2]] : ['algebraic', 'equal'];
    for (const mode of modes) out.push({ group, keys: m[3], mode });
  }
  return out;
}

// A seeded run of random sequences: numbers, operators, functions, memory,
// parentheses and edit keys in the proportions a person might press them.
export function randomSequences(count, seed) {
  let s = seed >>> 0;
  const random = () => {
    s = (s + 0x6d2b79f5) >>> 0;
    let t = Math.imul(s ^ (s >>> 15), s | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  const pick = (list) => list[Math.floor(random() * list.length)];
  const number = () => {
    let n = String(1 + Math.floor(random() * 9));
    for (let k = Math.floor(random() * 5); k > 0; k--) n += Math.floor(random() * 10);
    if (random() < 0.3) n = n.slice(0, 1) + '.' + n.slice(1);
    if (random() < 0.1) n = '0.' + n.replace('.', '');
    return n;
  };
  const kinds = [
    [30, () => number()],
    [20, () => pick(['+', '-', '*', '/', '^', 'root'])],
    [9, () => '='],
    [10, () => pick(['sqrt', 'x^2', '1/x', '!', 'sin', 'cos', 'tan', 'asin', 'acos', 'atan',
                     'log', 'ln', '10^x', 'e^x', 'pi'])],
    [6, () => pick(['M+', 'M-', 'MRC', 'MS', 'MSalt'])],
    [6, () => pick(['(', ')'])],
    [8, () => pick(['+/-', 'BS', 'CE', '%'])],
    [3, () => pick(['pct', 'blank'])],
    [3, () => 'EXP ' + Math.floor(random() * 30)],
    [1, () => 'AC'],
  ];
  const total = kinds.reduce((sum, [weight]) => sum + weight, 0);
  const token = () => {
    let r = random() * total;
    for (const [weight, make] of kinds) if ((r -= weight) < 0) return make();
    return '=';
  };
  const out = [];
  for (let i = 0; i < count; i++) {
    const tokens = [];
    for (let n = 3 + Math.floor(random() * 10); n > 0; n--) {
      let t = token();
      // Two numbers in a row would type as one.
      if (/^[0-9.]/.test(t) && /[0-9.]$/.test(tokens[tokens.length - 1] || '')) t = '+ ' + t;
      tokens.push(t);
    }
    out.push({ group: 'random', keys: tokens.join(' '), mode: random() < 0.5 ? 'algebraic' : 'equal' });
  }
  return out;
}

// Runs the host program over sequences in one mode with --trace --json:
// for each sequence, the fresh state and then the state after every key.
export function hostTraces(sequences, mode) {
  if (!fs.existsSync(HOST)) {
    throw new Error(`no host program at ${HOST}: build it (cmake --build build --target tqcal_host)`);
  }
  const result = spawnSync(HOST, ['--trace', '--json', '--mode', mode], {
    input: sequences.join('\n') + '\n', encoding: 'utf8', maxBuffer: 1 << 28,
  });
  // Status 3 only says that some key ended in Error or Full: the screens are
  // still printed, and those sequences are part of what is compared.
  if (result.status !== 0 && result.status !== 3) throw new Error(`tqcal refused the sequences: ${result.stderr}`);
  const runs = [];
  for (const line of result.stdout.split('\n')) {
    if (line === '') continue;
    const state = JSON.parse(line);
    if (state.key === 'start') runs.push([]);
    runs[runs.length - 1].push(state);
  }
  if (runs.length !== sequences.length) throw new Error(`tqcal answered ${runs.length} of ${sequences.length}`);
  return runs;
}

// The final screen line of each sequence (the host's one-line form).
export function hostScreens(sequences, mode) {
  const result = spawnSync(HOST, ['--mode', mode], { input: sequences.join('\n') + '\n', encoding: 'utf8' });
  // Status 3 only says that some key ended in Error or Full: the screens are
  // still printed, and those sequences are part of what is compared.
  if (result.status !== 0 && result.status !== 3) throw new Error(`tqcal refused the sequences: ${result.stderr}`);
  return result.stdout.trimEnd().split('\n');
}

// What the page should show for a host state, in the form readScreen returns.
// After an error or a full stack the display reads Error or Full, as the
// host program prints it, with no sign and no exponent.
export function expectedScreen(state) {
  const minus = '\u2212';
  const failed = state.result === 'error' || state.result === 'full';
  return {
    display: failed ? state.screen : state.display,
    sign: state.negative && !failed ? minus : '',
    exponent: state.exponentShown && !failed ? (state.exponent[0] === '-' ? minus : '') + state.exponent.slice(1) : '',
    memory: state.bits.includes('memory'),
    constant: state.bits.includes('const'),
    percent: state.bits.includes('pct-base'),
    error: state.result === 'error',
    full: state.result === 'full',
    mode: state.mode === 'algebraic' ? 'ALG' : 'EQU',
    line: state.screen,
  };
}

// Reads what the page draws: the text of the digit cells (with the point,
// a character of its own), the sign cell, the exponent cells, the lit
// indicators, and from those the screen as the host program's one line.
export function readScreen(page) {
  return page.evaluate(() => {
    const text = (sel) => [...document.querySelectorAll(sel)].map((c) => c.textContent).join('');
    const lit = (name) => document.querySelector(`.ind[data-ind="${name}"]`).classList.contains('on');
    const screen = {
      display: document.getElementById('cells').textContent,
      sign: document.getElementById('sign').textContent,
      exponent: text('#exponent > span'),
      memory: lit('memory'),
      constant: lit('const'),
      percent: lit('pct'),
      error: lit('error'),
      full: lit('full'),
      mode: document.getElementById('mode-ind').textContent,
    };
    const digits = screen.display.replace(/\.$/, '') || '0';
    screen.line = (screen.sign ? '-' : '') + digits + (screen.exponent ? 'E' + screen.exponent.replace('\u2212', '-') : '');
    return screen;
  });
}

// Splits a --keys sequence into key names: a number is one name per
// character, everything else is one name per blank-separated word.
export function keyNames(sequence) {
  const names = [];
  for (const word of sequence.trim().split(/\s+/)) {
    if (word === '') continue;
    if (/^[0-9.]+$/.test(word)) names.push(...word);
    else names.push(word);
  }
  return names;
}

// The page's own server (scripts/serve-web.py, as scripts/run-web.sh runs
// it) on 127.0.0.1, by default on a free port, serving the built page, each
// response held delay seconds. Every response is logged in sent:
// { method, path, status, sent (bytes on the wire), size (of the file) }.
export function serve({ port = 0, dir = SITE, delay = 0 } = {}) {
  const child = spawn('python3', [path.join(ROOT, 'scripts/serve-web.py'), '--port', String(port), '--dir', dir,
    '--delay', String(delay)], { stdio: ['ignore', 'pipe', 'pipe'] });
  const sent = [];
  let rest = '';
  child.stderr.on('data', (chunk) => {
    const lines = (rest + chunk).split('\n');
    rest = lines.pop();
    for (const line of lines) {
      const m = /^(\S+) (\S+) (\d+) (\d+) (\d+)$/.exec(line);
      if (m) sent.push({ method: m[1], path: m[2], status: +m[3], sent: +m[4], size: +m[5] });
    }
  });
  const stop = () => new Promise((resolve) => {
    if (child.exitCode !== null || child.signalCode !== null) return resolve();
    child.once('exit', resolve);
    child.kill();
  });
  return new Promise((resolve, reject) => {
    child.once('error', reject);
    child.once('exit', (code) => reject(new Error(`serve-web.py exited with ${code}`)));
    child.stdout.once('data', (chunk) => resolve({ url: String(chunk).trim(), sent, stop }));
  });
}

// Headless Chromium from the system, with a throwaway profile and nothing
// that reaches out to the network on its own.
export async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'tqcal-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  const close = async () => {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return { browser, close };
}

export async function openPage(browser, url) {
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  page.on('response', (r) => { if (r.status() >= 400) errors.push(`${r.status()} ${r.url()}`); });
  await page.setViewport({ width: 1000, height: 900 });
  await page.goto(url);
  await page.waitForSelector('html[data-ready]');
  page.errors = errors;
  return page;
}

// Waits until the page's offline copy is kept and the page is its client.
export function controlled(page) {
  return page.evaluate(async () => {
    await navigator.serviceWorker.ready;
    if (!navigator.serviceWorker.controller) {
      await new Promise((resolve) => navigator.serviceWorker.addEventListener('controllerchange', resolve, { once: true }));
    }
  });
}

// Centre of every key on the page, by the name the host program's --keys
// gives it: name -> { code, x, y }.
export async function keyPositions(page) {
  const keys = await page.evaluate(() => [...document.querySelectorAll('button[data-code]')].map((b) => {
    const r = b.getBoundingClientRect();
    return { name: b.dataset.n || b.textContent, code: Number(b.dataset.code), x: r.x + r.width / 2, y: r.y + r.height / 2 };
  }));
  return new Map(keys.map((k) => [k.name, k]));
}

// Opens url in page with the page's script and the engine held back, so that
// only the HTML (keys and display) has arrived. Returns the page's load and
// what lets the script, then the engine, through.
export async function openHeldBack(page, url) {
  await page.setRequestInterception(true);
  const held = { 'calculator.js': [], 'tqcal-engine.wasm': [] };
  page.on('request', (r) => {
    const name = new URL(r.url()).pathname.slice(1);
    if (held[name]) held[name].push(r);
    else r.continue();
  });
  const loaded = page.goto(url);
  await page.waitForSelector('#keypad [data-code="7"]');
  const release = async (name) => { for (const r of held[name]) await r.continue(); };
  return {
    loaded,
    releaseScript: () => release('calculator.js'),
    releaseEngine: () => release('tqcal-engine.wasm'),
  };
}

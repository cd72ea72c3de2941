// The calculator page for everyone, in headless Chromium: high contrast,
// Enter, target sizes, contrast, zoom, hints, loading, copy and paste, names,
// dark mode, the tape's limits and a first visit's requests (issue 27, one
// test for each of its thirteen points), and axe-core's WCAG 2.2 A/AA rules
// in every state the issue lists. One browser; each page in a context of its
// own (its own storage and cache).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import { pathToFileURL } from 'node:url';
import { AxePuppeteer } from '@axe-core/puppeteer';
import { ARTIFACTS, SITE, WEB, hostScreens, launch, openHeldBack, readScreen, serve } from './lib.mjs';

const WCAG_TAGS = ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22aa'];

let site;
let chromium;

before(async () => {
  site = await serve();
  chromium = await launch();
  fs.mkdirSync(ARTIFACTS, { recursive: true });
});

after(async () => {
  await chromium?.close();
  await site?.stop();
});

// A page in a browser context of its own, at a window size, in a colour
// scheme, with forced colours (a contrast theme) or without; script errors
// and console errors are collected in page.errors.
async function open({ width = 1280, height = 800, scheme = 'light', forced = false, url = site.url, wait = true, shared = false } = {}) {
  // The browser's own context (not an incognito one) where a test needs it.
  const context = shared ? chromium.browser.defaultBrowserContext() : await chromium.browser.createBrowserContext();
  await context.overridePermissions(site.url, ['clipboard-read', 'clipboard-write', 'clipboard-sanitized-write']);
  const page = await context.newPage();
  page.errors = [];
  page.on('pageerror', (e) => page.errors.push(e.message));
  page.on('console', (m) => { if (m.type() === 'error') page.errors.push(m.text()); });
  await page.setViewport({ width, height });
  const cdp = await page.createCDPSession();
  await cdp.send('Emulation.setEmulatedMedia', {
    features: [{ name: 'prefers-color-scheme', value: scheme }, { name: 'forced-colors', value: forced ? 'active' : 'none' }],
  });
  if (wait) {
    await page.goto(url);
    await page.waitForSelector('html[data-ready]');
  }
  return { page, close: () => (shared ? page.close() : context.close()) };
}

// Keys as the keyboard sends them, many at once: keydown events at the page.
const keys = (page, text) => page.evaluate((t) => {
  for (const key of t) document.dispatchEvent(new KeyboardEvent('keydown', { key, bubbles: true, cancelable: true }));
}, text);
const line = async (page) => (await readScreen(page)).line;
const text = (page, selector) => page.$eval(selector, (e) => e.textContent);
const tapeRows = (page) => page.$$eval('#tape li', (li) => li.map((e) => e.textContent));
const focused = (page) => page.evaluate(() => {
  const e = document.activeElement;
  return e.closest('#keypad') ? e.dataset.n || e.textContent : e.id;
});

// Ctrl and a key, with the browser's editing command that the key stands for.
async function ctrl(page, key, command) {
  await page.keyboard.down('Control');
  await page.keyboard.press(key, { commands: [command] });
  await page.keyboard.up('Control');
}

// A calculator in Error with the tape full: 250 sums of two lines each.
async function errorWithFullTape(page) {
  await keys(page, '1+1='.repeat(250) + '1/0=');
  assert.equal(await line(page), 'Error');
  assert.equal((await tapeRows(page)).length, 500);
}

// Checks in the page where axe-core cannot decide: every text against every
// colour behind it (each stop of a gradient), 4.5:1, or 3:1 for large text;
// the focus ring against what it sits on, 3:1.
function pageChecks(what) {
  const parse = (c) => {
    const n = c.match(/[\d.]+/g).map(Number);
    return [n[0], n[1], n[2], n.length > 3 ? n[3] : 1];
  };
  const luminance = (rgb) => {
    const f = (v) => { const s = v / 255; return s <= 0.04045 ? s / 12.92 : ((s + 0.055) / 1.055) ** 2.4; };
    return 0.2126 * f(rgb[0]) + 0.7152 * f(rgb[1]) + 0.0722 * f(rgb[2]);
  };
  const ratio = (a, b) => {
    const [hi, lo] = [luminance(a), luminance(b)].sort((x, y) => y - x);
    return (hi + 0.05) / (lo + 0.05);
  };
  const blend = (top, under) => [0, 1, 2].map((i) => top[i] * top[3] + under[i] * (1 - top[3])).concat(1);
  // The colours behind element e: the first background up its ancestors.
  const behind = (e) => {
    for (; e; e = e.parentElement) {
      const style = getComputedStyle(e);
      const stops = (style.backgroundImage.match(/rgba?\([^)]*\)/g) || []).map(parse);
      if (stops.length > 0) return stops;
      const colour = parse(style.backgroundColor);
      if (colour[3] === 1) return [colour];
      if (colour[3] > 0) return behind(e.parentElement).map((under) => blend(colour, under));
    }
    return [[255, 255, 255, 1]];
  };
  if (what === 'ring') {
    const e = document.activeElement;
    if (e === document.body) return null;
    const style = getComputedStyle(e);
    const ring = parse(style.outlineColor);
    return {
      name: e.id || e.getAttribute('aria-label') || e.textContent,
      style: style.outlineStyle,
      width: parseFloat(style.outlineWidth),
      ratio: Math.min(...behind(e.parentElement).map((b) => ratio(ring, b))),
    };
  }
  const failures = [];
  const check = (e, content) => {
    const style = getComputedStyle(e);
    let opacity = 1;
    for (let a = e; a; a = a.parentElement) opacity *= Number(getComputedStyle(a).opacity);
    const fg = parse(style.color);
    fg[3] *= opacity;
    const size = parseFloat(style.fontSize);
    const large = size >= 24 || (size >= 18.66 && Number(style.fontWeight) >= 700);
    const worst = Math.min(...behind(e).map((bg) => ratio(blend(fg, bg), bg)));
    if (worst < (large ? 3 : 4.5)) failures.push(`${content.trim().slice(0, 40)}: ${worst.toFixed(2)}`);
  };
  const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  const seen = new Set();
  for (let node = walker.nextNode(); node; node = walker.nextNode()) {
    const e = node.parentElement;
    if (!node.textContent.trim() || seen.has(e) || e.closest('.sr, script, style, [hidden]')) continue;
    if (!e.checkVisibility({ visibilityProperty: true })) continue;
    seen.add(e);
    check(e, node.textContent);
  }
  for (const input of document.querySelectorAll('input')) check(input, input.value);
  return failures;
}

describe('the page for everyone (issue 27)', () => {
  test('1. in forced colours 12.5 reads 12.5, as text, and every key keeps an edge', async () => {
    const { page, close } = await open({ forced: true });
    assert.equal(await page.evaluate(() => matchMedia('(forced-colors: active)').matches), true);
    await page.keyboard.type('12.5');
    assert.equal((await readScreen(page)).display, '12.5');
    assert.equal(await text(page, '#reading'), 'Display: 12.5');
    // What a selection of the display holds, and what copying it gives.
    const selected = await page.evaluate(() => {
      const range = document.createRange();
      range.selectNodeContents(document.getElementById('digits'));
      getSelection().removeAllRanges();
      getSelection().addRange(range);
      return getSelection().toString();
    });
    assert.equal(selected, '12.5');
    await ctrl(page, 'KeyC', 'Copy');
    assert.equal(await page.evaluate(() => navigator.clipboard.readText()), '12.5');
    await page.keyboard.type('=');                 // a result on the tape, with its two buttons
    const m = await page.evaluate(() => {
      const pt = document.querySelector('#cells .pt');
      const style = getComputedStyle(pt);
      const box = pt.getBoundingClientRect();
      const edges = [...document.querySelectorAll('.key, .bar button, .tape button')].filter((b) => {
        const s = getComputedStyle(b);
        return !(parseFloat(s.borderTopWidth) >= 1 && s.borderTopStyle !== 'none' && s.borderTopColor !== s.backgroundColor);
      }).map((b) => b.textContent);
      const [alg, equ] = [...document.querySelectorAll('.mode-btn')].map((b) => getComputedStyle(b).backgroundColor);
      return { point: [style.visibility, style.color, box.width > 0 && box.height > 0], edges, alg, equ };
    });
    assert.deepEqual(m.point.slice(0, 1).concat(m.point[2]), ['visible', true]);
    assert.doesNotMatch(m.point[1], /rgba\(.*, 0\)/, 'the point has a colour');
    assert.deepEqual(m.edges, [], 'keys without an edge');
    assert.notEqual(m.alg, m.equ, 'the pressed mode shows');
    await page.evaluate(() => getSelection().removeAllRanges());
    await page.screenshot({ path: path.join(ARTIFACTS, 'web-forced-colors.png') });
    await close();
  });

  test('2. Enter is = while a calculation is typed, presses a control the focus was moved to; New calculator can be undone', async () => {
    const { page, close } = await open();
    await page.keyboard.press('Tab');
    await page.keyboard.type('12+3');
    await page.keyboard.press('Enter');
    assert.equal(await line(page), '15');
    // The arrow keys move the focus onto 7: Enter presses it, twice.
    await page.keyboard.press('Escape');
    while (!(await page.evaluate(() => document.activeElement.closest('#keypad') !== null))) await page.keyboard.press('Tab');
    await page.keyboard.press('Home');
    for (let i = 0; i < 4; i++) await page.keyboard.press('ArrowDown');
    assert.equal(await focused(page), '7');
    await page.keyboard.press('Enter');
    await page.keyboard.press('Enter');
    assert.equal(await line(page), '77');
    // Typed keys take Enter back to =; Space still presses the focused key.
    await page.keyboard.type('+1');
    await page.keyboard.press(' ');
    assert.equal(await line(page), '17');
    await page.keyboard.press('Enter');
    assert.equal(await line(page), '94');
    // On New calculator: typing, then Enter, is =; nothing is cleared.
    await page.keyboard.press('Escape');
    while (await focused(page) !== 'reset') await page.keyboard.press('Tab');
    await page.keyboard.type('2+2');
    await page.keyboard.press('Enter');
    assert.equal(await line(page), '4');
    const tape = await tapeRows(page);
    assert.ok(tape.length >= 4);
    // Moved there afresh, Enter presses it: it says what it cleared, and Undo
    // brings everything back.
    await page.keyboard.down('Shift');
    await page.keyboard.press('Tab');
    await page.keyboard.up('Shift');
    await page.keyboard.press('Tab');
    assert.equal(await focused(page), 'reset');
    await page.keyboard.press('Enter');
    assert.equal(await line(page), '0');
    assert.deepEqual(await tapeRows(page), []);
    assert.equal(await text(page, '#status'), `New calculator: cleared the display (4), ${tape.length} tape lines.`);
    await page.keyboard.press('Tab');
    assert.equal(await focused(page), 'undo');
    await page.keyboard.press('Enter');
    assert.equal(await line(page), '4');
    assert.deepEqual(await tapeRows(page), tape);
    assert.equal(await page.$eval('#undo', (e) => e.hidden), true);
    assert.deepEqual(page.errors, []);
    await close();
  });

  test('3. every control 44 by 44 px at 360 by 740 (the tape\'s too); every control 24 by 24 px from 320 px wide', async () => {
    const { page, close } = await open({ width: 360, height: 740 });
    await keys(page, '1+1=');
    await page.$eval('.dev', (d) => { d.open = true; });
    const sizes = () => page.evaluate(() => [...document.querySelectorAll('button, input, textarea, summary, [tabindex="0"]')]
      .filter((e) => e.checkVisibility())
      .map((e) => { const r = e.getBoundingClientRect(); return { name: e.id || e.getAttribute('aria-label') || e.textContent, key: e.matches('.key'), w: r.width, h: r.height }; }));
    const at360 = await sizes();
    assert.equal(at360.filter((s) => s.key).length, 48);
    assert.equal(at360.length, 48 + 12, at360.map((s) => s.name).join(', '));
    for (const s of at360) assert.ok(s.w >= 44 && s.h >= 44, `${s.name}: ${s.w} by ${s.h}`);
    for (const [width, height] of [[320, 568], [360, 740], [390, 844], [600, 900], [844, 390], [1024, 768], [1280, 800]]) {
      await page.setViewport({ width, height });
      for (const s of await sizes()) {
        assert.ok(s.w >= 24 && s.h >= 24, `${width}\u00d7${height}: ${s.name} ${s.w} by ${s.h}`);
      }
    }
    await close();
  });

  test('5. at 320 by 256 px (1280 by 1024 at 400 %) nothing is cut and nothing scrolls sideways', async () => {
    const { page, close } = await open({ width: 320, height: 256 });
    await page.keyboard.type('1234567.89n*9E12=');
    const m = await page.evaluate(() => {
      const clipped = [...document.querySelectorAll('button, .lcd, .lcd *, .hint, .legend dd, .help p')]
        .filter((e) => e.checkVisibility() && !e.closest('.sr') && (e.scrollWidth > e.clientWidth + 1 || e.scrollHeight > e.clientHeight + 1) &&
          getComputedStyle(e).overflow !== 'visible')
        .map((e) => e.id || e.className || e.textContent);
      const lcd = document.getElementById('lcd').getBoundingClientRect();
      const glass = [...document.querySelectorAll('#sign, #cells, #exponent')].map((e) => e.getBoundingClientRect())
        .filter((r) => r.left < lcd.left - 0.5 || r.right > lcd.right + 0.5);
      const small = [...document.querySelectorAll('.key')].map((k) => k.getBoundingClientRect())
        .filter((r) => r.width < 44 || r.height < 44).length;
      return { page: document.documentElement.scrollWidth, view: innerWidth, clipped, glass: glass.length, small };
    });
    assert.ok(m.page <= m.view, `the page is ${m.page} px wide in ${m.view}`);
    assert.deepEqual(m.clipped, []);
    assert.equal(m.glass, 0, 'the display shows all of the number');
    assert.equal(m.small, 0, 'keys under 44 px');
    const [expected] = hostScreens(['1234567.89 +/- * 9 EXP 12 ='], 'algebraic');
    assert.equal(await line(page), expected);
    // Scrolled down to =, the display is still in view, above the keys; the
    // tape is no taller than the screen.
    const scrolled = await page.evaluate(() => {
      document.querySelector('[data-code="11"]').scrollIntoView({ block: 'end' });
      const box = (s) => { const r = document.querySelector(s).getBoundingClientRect(); return { top: r.top, bottom: r.bottom, height: r.height }; };
      return { lcd: box('#lcd'), eq: box('[data-code="11"]'), tape: box('#tape-box').height, height: innerHeight, y: scrollY };
    });
    assert.ok(scrolled.y > 0);
    assert.ok(scrolled.lcd.top >= 0 && scrolled.lcd.bottom <= scrolled.eq.top && scrolled.eq.bottom <= scrolled.height + 0.5,
      `display ${scrolled.lcd.top}-${scrolled.lcd.bottom}, = ${scrolled.eq.top}-${scrolled.eq.bottom} in ${scrolled.height}`);
    assert.ok(scrolled.tape <= scrolled.height, `the tape is ${scrolled.tape} px in ${scrolled.height}`);
    await page.screenshot({ path: path.join(ARTIFACTS, 'web-320x256.png'), fullPage: true });
    await close();
  });

  test('6. a function key with nothing entered says, each time, that it works on the number shown; the percent keys say what they do', async () => {
    const { page, close } = await open();
    await page.keyboard.type('30s');
    assert.equal(await text(page, '#hint'), '', 'a number was typed');
    await page.keyboard.type('as');
    assert.equal(await text(page, '#hint'),
      'sin works on the number shown (0): type the number first, then sin.');
    await page.keyboard.type('30=');
    assert.equal(await text(page, '#hint'), '');
    assert.equal(await line(page), hostScreens(['sin 3 0 ='], 'algebraic')[0]);
    await page.keyboard.type('a+c');
    assert.equal(await text(page, '#hint'), 'cos works on the number shown (0): type the number first, then cos.', 'said again');
    await page.keyboard.type('45');
    assert.equal(await text(page, '#hint'), '');
    const [pct, percent] = hostScreens(['200 + 10 pct =', '200 + 10 % ='], 'algebraic');
    assert.deepEqual([pct, percent], ['220', '200.1']);
    await page.keyboard.type('a200+10P=');
    assert.equal(await line(page), pct);
    await page.keyboard.type('a200+10%=');
    assert.equal(await line(page), percent);
    const said = await page.evaluate(() => ({
      pct: document.querySelector('[data-code="252"]').getAttribute('aria-label'),
      percent: document.querySelector('[data-code="16"]').getAttribute('aria-label'),
      help: document.querySelector('.help').textContent,
    }));
    assert.equal(said.pct, 'pct, percent completion: 200 + 10 pct = gives 220');
    assert.equal(said.percent, '%, percent: divides by 100');
    assert.match(said.help, /% divides by 100 \(200 \+ 10 % = gives 200\.1\); pct adds a percentage: 200 \+ 10 pct = gives 220/);
    assert.match(said.help, /work on the number shown: type 30, then sin/);
    await close();
  });

  test('the help\'s examples are what the host program prints (how the display is made, exponent entry)', async () => {
    const { page, close } = await open();
    const help = (await text(page, '.help')).replace(/\s+/g, ' ');
    const examples = [
      ['8727 \u00f7 522 = shows', '16.718390804597'],
      ['1.234567890123 + 699 \u00f7 1 EXP 16 = shows', '1.2345678901231'],
      ['5 EXP 3 \u00b1 gives', '\u22125000'],
      ['12 EXP 5 \u232b gives', '1E05'],
      ['5 \u00f7 1 EXP 3 = gives', '0.005'],
      ['200 + 10 % = gives', '200.1'],
      ['200 + 10 pct = gives', '220'],
    ];
    const host = (said) => said.replace(/ (shows|gives)$/, '').replace(/\u00f7/g, '/').replace(/\u00b1/g, '+/-').replace(/\u232b/g, 'BS');
    const screens = hostScreens(examples.map(([said]) => host(said)), 'algebraic');
    examples.forEach(([said, shown], i) => {
      assert.ok(help.includes(`${said} ${shown}`), `the help says: ${said} ${shown}`);
      assert.equal(screens[i], shown.replace('\u2212', '-'), said);
    });
    await close();
  });

  test('7. in Error the page says that AC or Esc clears it', async () => {
    const { page, close } = await open();
    await page.keyboard.type('1/0=');
    const says = 'Error: AC or Esc clears it (a digit also starts afresh).';
    assert.equal(await text(page, '#hint'), says);
    await page.keyboard.type('k');
    await page.keyboard.press('Backspace');
    assert.equal(await line(page), 'Error', 'CE and backspace leave Error');
    assert.equal(await text(page, '#hint'), says);
    await page.keyboard.press('Escape');
    assert.equal(await line(page), '0');
    assert.equal(await text(page, '#hint'), '');
    assert.match(await text(page, '.help'), /After Error or Full, AC or Esc clears the calculator/);
    assert.deepEqual(hostScreens(['1 / 0 = CE', '1 / 0 = BS', '1 / 0 = AC', '1 / 0 = 5'], 'algebraic'), ['Error', 'Error', '0', '5']);
    await close();
  });

  test('8. while the engine loads, the display says that it is starting and shows each key pressed', async () => {
    const { page, close } = await open({ wait: false });
    const { loaded, releaseScript, releaseEngine } = await openHeldBack(page, site.url);
    const screen = () => page.evaluate(() => ({
      echo: getComputedStyle(document.querySelector('.echo')).display !== 'none' && document.querySelector('.echo').textContent,
      digits: getComputedStyle(document.getElementById('digits')).display,
      reading: document.getElementById('reading').textContent,
    }));
    assert.deepEqual(await screen(), { echo: 'starting\u2026', digits: 'none', reading: 'Display: starting' });
    assert.equal(await page.$$eval('#legend dt', (dt) => dt.length), 41, 'the keyboard list, before calculator.js');
    await page.click('#keypad [data-code="8"]');
    await page.keyboard.type('1+');
    assert.equal((await screen()).echo, 'starting\u202681+');
    await releaseScript();
    await page.waitForFunction(() => window.tqcalTiming !== undefined);
    await page.keyboard.type('2');
    await page.click('#keypad [data-code="11"]');
    assert.deepEqual(await screen(), {
      echo: 'starting\u202681+2=', digits: 'none', reading: 'Display: starting, keys waiting: 8 1 + 2 =',
    });
    await releaseEngine();
    await loaded;
    await page.waitForSelector('html[data-ready]');
    assert.deepEqual(await screen(), { echo: false, digits: 'block', reading: 'Display: 83' });
    assert.deepEqual(await tapeRows(page), ['81+2=', '83']);
    await close();
  });

  test('9. Ctrl+C and the Copy key copy the number shown; Ctrl+V types a number in; x and X multiply', async () => {
    const { page, close } = await open();
    const clipboard = () => page.evaluate(() => navigator.clipboard.readText());
    const cases = [['2/3=', '2 / 3 ='], ['0.01n', '0.01 +/-'], ['69!', '69 !'], ['5E20*2=', '5 EXP 20 * 2 =']];
    const expected = hostScreens(cases.map(([, k]) => k), 'algebraic');
    assert.deepEqual(expected, ['0.6666666666666', '-0.01', '1.7112245242814E98', '1E21']);
    for (const [i, [typed]] of cases.entries()) {
      await page.keyboard.type('a' + typed);
      await ctrl(page, 'KeyC', 'Copy');
      assert.equal(await clipboard(), expected[i], typed);
      assert.equal(await text(page, '#hint'), `Copied ${expected[i]}.`);
      await page.evaluate(() => navigator.clipboard.writeText(''));
      await page.click('#copy-value');
      await page.waitForFunction(() => navigator.clipboard.readText().then((t) => t !== ''));
      assert.equal(await clipboard(), expected[i], `${typed}, Copy key`);
    }
    // A selection of the page's own text copies that text.
    const paragraph = await page.evaluate(() => {
      const p = document.querySelector('.help p');
      getSelection().selectAllChildren(p);
      return p.textContent;
    });
    await ctrl(page, 'KeyC', 'Copy');
    assert.equal(await clipboard(), paragraph);
    await page.evaluate(() => getSelection().removeAllRanges());
    // Error and Full are nothing to copy, by Ctrl+C or by the Copy key.
    for (const [typed, shown] of [['a1/0=', 'Error'], ['a' + '('.repeat(18), 'Full']]) {
      await page.keyboard.type(typed);
      assert.equal(await line(page), shown);
      await ctrl(page, 'KeyC', 'Copy');
      await page.click('#copy-value');
      assert.equal(await clipboard(), paragraph, shown);
      assert.equal(await text(page, '#hint'), `The display reads ${shown}: nothing to copy.`);
    }
    // A paste reads the number exactly as it was meant, or types nothing and
    // says why.
    const paste = async (pasted) => {
      await page.evaluate((t) => navigator.clipboard.writeText(t), pasted);
      await ctrl(page, 'KeyV', 'Paste');
    };
    await page.click('#reset');
    const pastes = [
      ['12.5', '12.5'], ['+12.5', '12.5'], ['-0.01', '-0.01'], ['\u22123', '-3'], ['1.5E-7', '0.00000015'],
      ['-2.5e3', '-2500'], ['1.7112245242814E98', '1.7112245242814E98'], ['3E-20', '3E-20'],
      ['0.6666666666666', '0.6666666666666'], ['3.1415926535898', '3.1415926535898'], [' 7,25 ', '7.25'],
      ['1,234.5', '1234.5'], ['1.234,5', '1234.5'], ['1 234', '1234'], ['1,234,567', '1234567'],
    ];
    for (const [pasted, shown] of pastes) {
      await page.keyboard.press('Escape');
      await keys(page, '12');                    // a number being typed: the paste replaces it
      await paste(pasted);
      assert.equal(await line(page), shown, pasted);
    }
    // The keys it pressed, replayed by the host program, end on the same number.
    const replay = /^tqcal --keys '(.*)'$/.exec(await page.$eval('#command', (e) => e.value))[1];
    assert.equal(hostScreens([replay], 'algebraic')[0], '1234567');
    const refusals = [
      ['abc', /^Paste takes a number, like 12\.5, -0\.01 or 1\.5E-7; not \u201cabc\u201d\.$/],
      ['1+1', /^Paste takes a number/], ['', /^Paste takes a number/],
      ['1,234', /^\u201c1,234\u201d: thousands or decimals\? Paste 1234 or 1\.234\.$/],
      ['1,23,4', /: digits not grouped in threes/],
      ['1e100', /^\u201c1e100\u201d is out of range: the calculator holds 1E-99 to 9\.9999999999999E99\.$/],
      ['1E-100', /is out of range/],
      ['3.14159265358979323', /^\u201c3\.1415926535897\u2026\u201d has more digits than the display: it would read 3\.1415926535897\.$/],
      ['0.012345678901234', /has more digits than the display: it would read 0\.0123456789012\./],
    ];
    for (const [pasted, says] of refusals) {
      await paste(pasted);
      assert.equal(await line(page), '1234567', pasted);
      assert.match(await text(page, '#hint'), says, pasted);
    }
    await page.keyboard.press('Escape');
    await paste('7,25');
    await page.keyboard.type('+1=');
    assert.equal(await line(page), '8.25');
    for (const typed of ['8x2=', '8X2=', '8*2=']) {
      await page.keyboard.type('a' + typed);
      assert.equal(await line(page), '16', typed);
    }
    assert.deepEqual(page.errors, []);
    await close();
  });

  test('10. every accessible name starts with the label shown; one h1', async () => {
    const { page, close } = await open();
    const labels = await page.evaluate(() => Object.fromEntries([...document.querySelectorAll('button')]
      .map((b) => [b.getAttribute('aria-label') || b.textContent, b.dataset.t || b.textContent])));
    const tree = await page.accessibility.snapshot({ interestingOnly: false });
    const names = [];
    const headings = [];
    const walk = (node) => {
      if (node.role === 'button') names.push(node.name);
      if (node.role === 'heading') headings.push([node.level, node.name]);
      for (const child of node.children || []) walk(child);
    };
    walk(tree);
    assert.equal(names.length, 48 + 6);
    for (const name of names) {
      assert.ok(name in labels, `${name} is a button's name`);
      assert.ok(name.startsWith(labels[name]), `"${name}" starts with "${labels[name]}"`);
    }
    for (const [name, label] of [['AC, all clear', 'AC'], ['CE, clear entry', 'CE'], ['MRC, memory recall', 'MRC'],
                                 ['ln, natural logarithm', 'ln'], ['pct, percent completion: 200 + 10 pct = gives 220', 'pct']]) {
      assert.equal(labels[name], label);
    }
    assert.deepEqual(headings.filter(([level]) => level === 1), [[1, 'tqcal 14-digit scientific']]);
    await close();
  });

  test('11. a dark scheme follows prefers-color-scheme', async () => {
    const colours = async (scheme) => {
      const { page, close } = await open({ scheme });
      const c = await page.evaluate(() => ['body', '.tape', '#command'].map((s) => {
        const style = getComputedStyle(document.querySelector(s));
        return [style.backgroundColor, style.color];
      }));
      if (scheme === 'dark') {
        await page.keyboard.type('100-99.99=');
        await page.screenshot({ path: path.join(ARTIFACTS, 'web-dark-1280x800.png') });
      }
      await close();
      return c;
    };
    const light = await colours('light');
    const dark = await colours('dark');
    const lightness = (rgb) => rgb.match(/\d+/g).slice(0, 3).reduce((a, b) => a + Number(b), 0) / 3;
    for (let i = 0; i < light.length; i++) {
      assert.ok(lightness(light[i][0]) > 200 && lightness(light[i][1]) < 80, `light ${light[i]}`);
      assert.ok(lightness(dark[i][0]) < 60 && lightness(dark[i][1]) > 180, `dark ${dark[i]}`);
    }
  });

  test('12. the tape keeps its last 500 lines, has a label and a Clear of its own, and a key is as quick at 10^4 keys', async (t) => {
    const { page, close } = await open();
    const region = await page.$eval('#tape-box', (e) => [e.getAttribute('role'), e.getAttribute('aria-label'), e.tabIndex]);
    assert.deepEqual(region, ['region', 'Tape, the last 500 lines', 0]);
    await keys(page, '2+3=');
    await page.click('#clear-tape');
    assert.deepEqual(await tapeRows(page), []);
    await keys(page, '*2=');
    assert.deepEqual(await tapeRows(page), ['\u00d72=', '10']);
    assert.equal(await page.$eval('#command', (e) => e.value), "tqcal --keys '2 + 3 = * 2 ='");
    // 10^4 keys, timed in blocks of 1000.
    const times = await page.evaluate(() => {
      const out = [];
      for (let block = 0; block < 10; block++) {
        const start = performance.now();
        for (let i = 0; i < 200; i++) {
          for (const key of '12+7=') document.dispatchEvent(new KeyboardEvent('keydown', { key, bubbles: true, cancelable: true }));
        }
        out.push((performance.now() - start) / 1000);
      }
      return out;
    });
    t.diagnostic(`ms per key, by 1000 keys: ${times.map((x) => x.toFixed(3)).join(' ')}`);
    // Flat: the last 3000 keys no slower than keys 1000 to 4000 (twice, and
    // half a millisecond, for a busy machine).
    const mean = (list) => list.reduce((a, b) => a + b, 0) / list.length;
    const [early, late] = [mean(times.slice(1, 4)), mean(times.slice(7))];
    assert.ok(late < 2 * early + 0.5, `${late} ms per key at 10^4 keys, ${early} ms at 2000`);
    assert.equal((await tapeRows(page)).length, 500);
    const stored = await page.evaluate(() => localStorage.getItem('tqcal-calculator').length);
    assert.ok(stored < 64 * 1024, `${stored} characters stored`);
    assert.match(await page.$eval('#command', (e) => e.value), /^# More than 2000 keys since New calculator/);
    // A reload brings back the 500 lines.
    await page.reload();
    await page.waitForSelector('html[data-ready]');
    assert.equal((await tapeRows(page)).length, 500);
    assert.equal(await line(page), '19');
    assert.deepEqual(page.errors, []);
    await close();
  });

  test('13. a first visit fetches each file once; opened from the disk, no console error', async () => {
    const from = site.sent.length;
    const { page, close } = await open({ shared: true });
    await page.evaluate(() => navigator.serviceWorker.ready.then(() => true));
    const cdp = await page.createCDPSession();
    assert.deepEqual((await cdp.send('Page.getInstallabilityErrors')).installabilityErrors, []);
    const paths = site.sent.slice(from).map((r) => r.path);
    assert.deepEqual(paths.filter((p, i) => paths.indexOf(p) !== i), [], `fetched more than once: ${paths}`);
    assert.ok(paths.includes('/icon.svg') && paths.includes('/manifest.webmanifest'), paths.join(' '));
    await close();
    // The tab's icon is in the page, in icon.svg's colours.
    const tabIcon = /<link rel="icon" href="data:image\/svg\+xml,([^"]*)">/.exec(fs.readFileSync(path.join(WEB, 'index.html'), 'utf8'));
    for (const colour of ['#2b303b', '#c9d2bf', '#eef0f3']) {
      assert.ok(fs.readFileSync(path.join(WEB, 'icon.svg'), 'utf8').includes(colour) && tabIcon[1].includes(colour.replace('#', '%23')), colour);
    }
    const local = await open({ url: pathToFileURL(path.join(SITE, 'index.html')).href });
    await local.page.keyboard.type('100-99.99=');
    assert.equal(await line(local.page), '0.01');
    assert.deepEqual(local.page.errors, []);
    await local.close();
  });
});

describe('what a new user still met', () => {
  test('letter keys can be turned off, and never act while a control outside the calculator has the focus', async () => {
    const { page, close } = await open();
    const cases = [
      // [where the focus is, keys typed, the screen after 12+3 and them]
      ['body', 'a', '0'],
      ['clear-tape', 'a', '3'],
      ['tape-box', 'k', '3'],
      ['letters', 's', '3'],
      ['clear-tape', '*2=', '18'],             // digits and signs still count
    ];
    for (const [where, typed, shown] of cases) {
      await page.keyboard.press('Escape');
      await keys(page, '12+3');
      await page.evaluate((id) => (id === 'body' ? document.activeElement.blur() : document.getElementById(id).focus()), where);
      await page.keyboard.type(typed);
      assert.equal(await line(page), shown, `${typed} on ${where}`);
    }
    // Turned off, letters are no keys anywhere, and stay off after a reload.
    await page.click('#letters');
    assert.equal(await page.$eval('#letters', (b) => b.getAttribute('aria-pressed')), 'false');
    await page.evaluate(() => document.activeElement.blur());
    await page.reload();
    await page.waitForSelector('html[data-ready]');
    await page.keyboard.type('2vo5');
    assert.deepEqual([await line(page), (await readScreen(page)).mode], ['25', 'ALG']);
    await page.click('#letters');
    await page.keyboard.type('v');
    assert.equal(await line(page), '5');
    await close();
  });

  test('a tape result is entered again, or copied, by mouse, touch and keyboard', async () => {
    const { page, close } = await open();
    const clipboard = () => page.evaluate(() => navigator.clipboard.readText());
    await keys(page, '2v5n*3=');                   // 1.4142135623731 (14 digits), -15
    await page.keyboard.press('Escape');
    const results = await page.$$eval('#tape .use', (b) => b.map((e) => [e.textContent, e.getAttribute('aria-label')]));
    assert.deepEqual(results, [['1.4142135623731', 'Enter 1.4142135623731'], ['-15', 'Enter -15']]);
    // Mouse: the number enters it, as the number being typed; its Copy copies it.
    await page.click('#tape .use');
    assert.equal(await line(page), '1.4142135623731');
    await keys(page, '+1=');
    assert.equal(await line(page), '2.4142135623731');
    await page.click('#tape li:nth-child(2) .copy-line');
    assert.equal(await clipboard(), '1.4142135623731');
    // Touch.
    const at = await page.$eval('#tape li:nth-child(4) .use', (b) => { const r = b.getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; });
    await page.keyboard.press('Escape');
    await page.touchscreen.tap(...at);
    assert.equal(await line(page), '-15');
    // Keyboard: Tab to the tape, the arrows to a result, Enter enters it, Ctrl+C copies it.
    await page.keyboard.press('Escape');
    await page.focus('#tape-box');
    await page.keyboard.press('ArrowUp');          // the last result
    for (let i = 0; i < 3; i++) await page.keyboard.press('ArrowUp');
    assert.equal(await page.evaluate(() => document.activeElement.dataset.v), '1.4142135623731');
    await page.keyboard.press('Enter');
    assert.equal(await line(page), '1.4142135623731');
    await page.keyboard.press('ArrowDown');
    await page.evaluate(() => navigator.clipboard.writeText(''));
    await ctrl(page, 'KeyC', 'Copy');
    assert.equal(await clipboard(), '-15');
    await page.keyboard.press('ArrowRight');
    assert.equal(await page.evaluate(() => document.activeElement.getAttribute('aria-label')), 'Copy -15');
    // The keys it pressed, in the host program, end on the same screen.
    await page.$eval('.dev', (d) => { d.open = true; });
    const replay = /^tqcal --keys '(.*)'$/.exec(await page.$eval('#command', (e) => e.value))[1];
    assert.equal(hostScreens([replay], 'algebraic')[0], '1.4142135623731');
    assert.deepEqual(page.errors, []);
    await close();
  });

  test('the exponent has its mark; a hint moves no key; the developers\' line is folded away and shows all of itself; the Copy key\'s edge holds 3:1', async () => {
    const { page, close } = await open({ width: 360, height: 740 });
    const equals = async () => {
      await page.waitForFunction(() => !document.querySelector('.key.down'));
      return page.$eval('[data-code="11"]', (b) => b.getBoundingClientRect().top);
    };
    const at = await equals();
    await keys(page, '1/0=');
    assert.match(await text(page, '#hint'), /^Error/);
    assert.equal(await equals(), at, 'the keys stay where they were');
    await page.keyboard.press('Escape');
    await keys(page, '5E20*2=');
    const glass = () => page.evaluate(() => {
      const [cells, mark, exponent] = ['cells', 'mark', 'exponent'].map((id) => document.getElementById(id));
      return { mark: mark.textContent, between: cells.getBoundingClientRect().right <= mark.getBoundingClientRect().left + 0.5 &&
        mark.getBoundingClientRect().right <= exponent.getBoundingClientRect().left + 0.5 };
    });
    assert.deepEqual(await glass(), { mark: 'E', between: true });
    await keys(page, '*1=');
    assert.equal((await glass()).mark, 'E');
    await keys(page, 'a12');
    assert.equal((await glass()).mark, '');
    // 2,000 keys and more: the command says so, in full, folded away at first.
    assert.equal(await page.$eval('.dev', (d) => d.open), false);
    await keys(page, '1+'.repeat(1001));
    await page.$eval('.dev', (d) => { d.open = true; });
    const field = await page.$eval('#command', (e) => [e.value, e.scrollHeight - e.clientHeight, e.scrollWidth - e.clientWidth]);
    assert.match(field[0], /^# More than 2000 keys since New calculator/);
    assert.deepEqual(field.slice(1), [0, 0], 'the field shows all of it');
    // The Copy key's edge against every colour of the calculator's body.
    const edge = await page.evaluate(() => {
      const lum = (c) => c.match(/[\d.]+/g).slice(0, 3).map(Number).map((v) => { v /= 255; return v <= 0.04045 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4; })
        .reduce((sum, v, i) => sum + [0.2126, 0.7152, 0.0722][i] * v, 0);
      const style = getComputedStyle(document.getElementById('copy-value'));
      const body = getComputedStyle(document.querySelector('.device')).backgroundImage.match(/rgba?\([^)]*\)/g);
      return Math.min(...body.map((c) => { const [a, b] = [lum(style.borderTopColor), lum(c)].sort((x, y) => y - x); return (a + 0.05) / (b + 0.05); }));
    });
    assert.ok(edge >= 3, `${edge.toFixed(2)}:1`);
    await close();
  });
});

describe('axe-core: no WCAG 2.2 A/AA violation, and the page\'s own contrast checks (issue 27, 4)', () => {
  // The window sizes of the layouts: wide, a phone, 400 % zoom; and, light
  // only, the laptop with the keys side by side and the shortest phone.
  for (const [width, height, schemes] of [[1280, 800], [360, 740], [320, 256], [1280, 620, ['light']], [320, 480, ['light']]]) {
    for (const scheme of schemes || ['light', 'dark']) {
      test(`${width}\u00d7${height}, ${scheme}, the display in Error, the tape full`, async () => {
        const { page, close } = await open({ width, height, scheme });
        await errorWithFullTape(page);
        const result = await new AxePuppeteer(page).withTags(WCAG_TAGS).analyze();
        const violations = result.violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
        assert.deepEqual(violations, []);
        assert.ok(result.passes.some((p) => p.id === 'color-contrast') && result.passes.some((p) => p.id === 'target-size'));
        // Where axe cannot tell (gradients, text scrolled away), the page's own check.
        assert.deepEqual(await page.evaluate(pageChecks, 'text'), []);
        // The focus ring at every tab stop, and on a key.
        const rings = [];
        await page.evaluate(() => document.activeElement.blur());
        for (let i = 0; i < 12; i++) {
          await page.keyboard.press('Tab');
          const ring = await page.evaluate(pageChecks, 'ring');
          if (ring === null || rings.some((r) => r.name === ring.name)) break;
          rings.push(ring);
        }
        assert.ok(rings.length >= 9, rings.map((r) => r.name).join(', '));
        for (const r of rings) {
          assert.ok(r.style === 'solid' && r.width >= 2 && r.ratio >= 3, `${r.name}: ${r.style} ${r.width} px, ${r.ratio.toFixed(2)}:1`);
        }
        await close();
      });
    }
  }
});

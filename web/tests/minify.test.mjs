// The page as served is the page as written: web/minify.cjs only drops
// comments and blanks, so the scripts it writes parse to the very same
// program (the same syntax tree, positions aside) as web/'s sources.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { test } from 'node:test';
import vm from 'node:vm';
import { ARTIFACTS, ROOT, SITE, WEB } from './lib.mjs';

// The acorn that web/build.sh gives web/minify.cjs: Debian's, as Emscripten's.
const require = createRequire(import.meta.url);
const acornDir = ['/usr/share/nodejs/acorn', '/usr/lib/nodejs/acorn'].find((d) => fs.existsSync(d));
const acorn = acornDir && require(acornDir);

const tree = (source) => JSON.stringify(acorn.parse(source, { ecmaVersion: 'latest' }),
  (key, value) => (key === 'start' || key === 'end' ? undefined : value));
const inline = (html) => [...html.matchAll(/<script>([\s\S]*?)<\/script>/g)].map((m) => tree(m[1]));
const read = (dir, file) => fs.readFileSync(path.join(dir, file), 'utf8');
// The numbers calculator.js takes from tqcal.h, as web/build.sh wrote them
// (web/page_facts.c) and put after the served file's 'use strict'.
const facts = () => read(path.join(ARTIFACTS, 'obj'), 'page_facts.js').trim();
const STRICT = "'use strict';";

test('the served scripts are the written ones, without comments and blanks', { skip: !acorn && 'no acorn' }, () => {
  for (const file of ['calculator.js', 'sw.js']) {
    let [written, served] = [read(WEB, file), read(SITE, file)];
    if (file === 'calculator.js') written = written.replace(STRICT, STRICT + facts());
    assert.ok(served.length < 0.8 * written.length, `${file}: ${served.length} of ${written.length} bytes`);
    assert.equal(tree(served), tree(written), file);
  }
  const [written, served] = [read(WEB, 'index.html'), read(SITE, 'index.html')];
  assert.deepEqual(inline(served), inline(written), 'the scripts in index.html');
  // The HTML keeps every element, attribute and text; only indentation,
  // comments and the quotes around plain values go.
  const bare = (html) => html.replace(/<!--[\s\S]*?-->/g, '').replace(/<style>[\s\S]*?<\/style>|<script>[\s\S]*?<\/script>/g, '')
    .replace(/="([\w#.,:;/+^*!%()\u0080-\uffff-]+)"/g, '=$1').replace(/\s+/g, ' ').replace(/> </g, '><');
  assert.equal(bare(served), bare(written));
});

// calculator.js writes none of the numbers it takes from the header: they
// come from web/page_facts.c, compiled against tqcal.h, and each is the
// value the header's text gives it.
test("the page's numbers from tqcal.h are the header's, and only there", () => {
  const header = fs.readFileSync(path.join(ROOT, 'include/tqcal.h'), 'utf8');
  const named = (name) => {
    const m = header.match(new RegExp(`\\b${name} = (0x[0-9a-fA-F]+|\\d+)\\b`));
    assert.ok(m, `tqcal.h has no ${name}`);
    return Number(m[1]);
  };
  const offset = (field) => Number(header.match(new RegExp(`offsetof\\(TQCAL_Context, ${field}\\) == (\\d+)`))[1]);
  const page = vm.runInNewContext(`${facts()} ({ CONTEXT_BYTES, AT_LAST_KEY, AT_DISPLAY, AT_EXPONENT,
    AT_NEGATIVE, DISPLAY_AREA, EXPONENT_CELLS, DIGIT_CELLS, ST_TYPED, ST_MEMORY, ST_CONST, ST_PCT_BASE,
    ST_EXP_ENTRY, RES_ERROR, RES_OK, RES_FULL, MODE_ALGEBRAIC, MODE_EQUAL, KEY_7, KEY_POINT, KEY_SIGN,
    KEY_CE, KEY_OF, RESULT_OF, FUNCTION_KEYS: [...FUNCTION_KEYS] })`);
  const expected = {
    CONTEXT_BYTES: offset('reserved1') + 4, AT_LAST_KEY: offset('lastKey'), AT_DISPLAY: offset('display'),
    AT_EXPONENT: offset('exponent'), AT_NEGATIVE: offset('negative'),
    DISPLAY_AREA: named('TQCAL_DISPLAY_AREA'), EXPONENT_CELLS: named('TQCAL_EXPONENT_CELLS'),
    DIGIT_CELLS: named('TQCAL_DISPLAY_DIGITS'), MODE_ALGEBRAIC: named('TQCAL_MODE_ALGEBRAIC'),
    MODE_EQUAL: named('TQCAL_MODE_EQUAL'), KEY_7: named('TQCAL_KEY_7'), KEY_POINT: named('TQCAL_KEY_POINT'),
    KEY_SIGN: named('TQCAL_KEY_SIGN'), KEY_CE: named('TQCAL_KEY_CE'),
  };
  for (const name of ['TYPED', 'MEMORY', 'CONST', 'PCT_BASE', 'EXP_ENTRY']) expected[`ST_${name}`] = named(`TQCAL_ST_${name}`);
  for (const name of ['ERROR', 'OK', 'FULL']) expected[`RES_${name}`] = named(`TQCAL_RES_${name}`);
  for (const [name, value] of Object.entries(expected)) assert.equal(page[name], value, name);
  assert.deepEqual({ ...page.KEY_OF }, { E: named('TQCAL_KEY_EXP'), '(': named('TQCAL_KEY_LPAREN'),
    ')': named('TQCAL_KEY_RPAREN'), '/': named('TQCAL_KEY_DIV'), '+': named('TQCAL_KEY_ADD'), '.': named('TQCAL_KEY_POINT') });
  const fn = header.match(/#define TQCAL_FUNCTION_KEYS\(X\)([\s\S]*?)\n\n/)[1] +
    header.match(/#define TQCAL_ELEMENTARY_FUNCTION_KEYS\(X\)([\s\S]*?)\n\n/)[1];
  assert.deepEqual([...page.FUNCTION_KEYS].sort((a, b) => a - b),
    [...fn.matchAll(/X\((TQCAL_KEY_\w+)\)/g)].map((m) => named(m[1])).sort((a, b) => a - b));
  for (const result of [0, 1, 2]) assert.equal(page.RESULT_OF(named('TQCAL_ST_MRC') | (result << 1)), result);
  // The written file declares none of these names and spells none of the
  // block's offsets or a set of key codes.
  const written = read(WEB, 'calculator.js');
  for (const name of Object.keys(page)) {
    assert.doesNotMatch(written, new RegExp(`\\b(const|let|var)\\s+${name}\\b|[,{]\\s*${name}\\s*=[^=>]`), name);
  }
  assert.doesNotMatch(written, /new Set\(\[\s*\d/, 'a set of key codes');
  for (const value of [expected.AT_LAST_KEY, expected.AT_DISPLAY, expected.AT_EXPONENT, expected.AT_NEGATIVE, expected.CONTEXT_BYTES]) {
    assert.doesNotMatch(written, new RegExp(`[^\\w.]${value}\\b`), `the offset ${value}`);
  }
});

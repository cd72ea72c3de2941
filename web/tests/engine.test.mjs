// The page's module in Node, without a browser: the check that a reload
// runs on a stored calculator accepts every calculator that keys can leave
// and refuses blocks that no key sequence leaves.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { before, describe, test } from 'node:test';
import { SITE } from './lib.mjs';

const CODES = [...Array(45).keys(), 251, 252, 253];
let e;

before(async () => {
  const { instance } = await WebAssembly.instantiate(fs.readFileSync(path.join(SITE, 'tqcal-engine.wasm')), {});
  e = instance.exports;
  if (e._initialize) e._initialize();
});

// A seeded generator, so that a failure can be replayed.
function generator(seed) {
  let s = seed >>> 0;
  return (n) => {
    s = (Math.imul(s, 1664525) + 1013904223) >>> 0;
    return Math.floor((s / 4294967296) * n);
  };
}

// Calculator 0's context block and status word, as DataView over the module's memory.
const view = () => new DataView(e.memory.buffer, e.tqcal_web_context(0), 288);
const status = () => new DataView(e.memory.buffer, e.tqcal_web_status_word(0), 4);

describe('the check of a stored calculator', () => {
  test('accepts every calculator that keys leave', () => {
    const random = generator(23);
    // Digits and operators more often than the rest, so that entries get long
    // and stacks get deep.
    const weighted = [...CODES, ...Array(30).fill(0).map((_, i) => i % 10), 12, 13, 14, 15, 17, 17, 17, 18, 11];
    let keys = 0;
    for (let run = 0; run < 400; run++) {
      e.tqcal_web_new();
      const mode = run % 2;
      const pressed = [];
      for (let k = 0; k < 60; k++) {
        const key = weighted[random(weighted.length)];
        pressed.push(key);
        e.tqcal_web_press(0, key, mode);
        keys++;
        assert.equal(e.tqcal_web_check(0), 1, `refused after ${pressed.join(' ')} (mode ${mode})`);
      }
    }
    assert.ok(keys >= 24000);
  });

  test('refuses a block that no key sequence leaves', () => {
    const cases = [
      ['the operator stack top past its slots', () => view().setInt32(144, 18, true)],
      ['the operand stack top below empty', () => view().setInt32(148, -2, true)],
      ['a negative parenthesis count', () => view().setInt32(136, -1, true)],
      ['12 digits instead of 14', () => view().setInt32(152, 12, true)],
      ['a negative flag of 2', () => view().setInt32(280, 2, true)],
      ['an operator above the top', () => view().setInt32(208 + 4 * 5, 12, true)],
      ['a digit key on the operator stack', () => view().setInt32(208, 7, true)],
      ['an operand above the top', () => view().setFloat64(8 * 3, 1.5, true)],
      ['a display without a terminator', () => { for (let i = 0; i < 17; i++) view().setUint16(164 + 2 * i, 0x31, true); }],
      ['a second point on the display', () => view().setUint16(164 + 2 * 11, 0x2e, true)],
      ['a letter on the display', () => view().setUint16(164 + 2 * 12, 0x41, true)],
      ['an exponent sign of +', () => view().setUint16(198, 0x2b, true)],
      ['an exponent without its terminator', () => view().setUint16(204, 0x30, true)],
      ['a written reserved byte', () => view().setUint8(285, 1)],
      ['an infinite memory', () => view().setFloat64(128, Infinity, true)],
      ['a display text ending in cell 16', () => { for (const i of [14, 15]) view().setUint16(164 + 2 * i, 0x30, true); view().setUint16(164 + 2 * 16, 0, true); }],
      ['a constant operator that is no operator', () => view().setInt32(160, 28, true)],
      ['a result state of 3', () => status().setUint32(0, 0x106, true)],
      ['a status bit no key sets', () => status().setUint32(0, 0x102 | 0x4000, true)],
    ];
    e.tqcal_web_new();
    assert.equal(e.tqcal_web_check(0), 1, 'a fresh calculator');
    for (const [what, damage] of cases) {
      e.tqcal_web_new();
      for (const key of [1, 2, 12, 17, 3, 14]) e.tqcal_web_press(0, key, 1);   // 12 + ( 3 ×
      assert.equal(e.tqcal_web_check(0), 1, what);
      damage();
      assert.equal(e.tqcal_web_check(0), 0, what);
    }
    assert.equal(e.tqcal_web_check(3), 0, 'no fourth calculator');
  });
});

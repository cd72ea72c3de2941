// The page's key table (the buttons of index.html) against the one key table
// of the project, conformance/key_table.h: every button's code, --keys name
// and keyboard keys are the table's, and the table has no key the page lacks.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';

const ROOT = path.join(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
const read = (file) => fs.readFileSync(path.join(ROOT, file), 'utf8');

// TQCAL_KEY_ADD -> 12, from the public header.
const CODE = Object.fromEntries(
  [...read('include/tqcal.h').matchAll(/\b(TQCAL_KEY_\w+) = (\d+)/g)].map((m) => [m[1], Number(m[2])]));

// code -> { name, keyboard } from the rows of the C table.
const TABLE = new Map();
const field = '"((?:[^"\\\\]|\\\\.)*)"';
const row = new RegExp(`\\{(TQCAL_KEY_\\w+),\\s*${field},\\s*${field},\\s*${field},\\s*${field}\\}`, 'g');
for (const m of read('conformance/key_table.h').matchAll(row)) {
  TABLE.set(CODE[m[1]], { name: m[2], keyboard: m[4] });
}
for (let d = 0; d <= 9; d++) TABLE.set(d, { name: String(d), keyboard: String(d) });

const BUTTONS = [...read('web/index.html').matchAll(/<button([^>]*\bdata-code="(\d+)"[^>]*)>(.*?)<\/button>/g)]
  .map(([, attributes, code, label]) => {
    const attribute = (name) => (attributes.match(new RegExp(`\\b${name}="([^"]*)"`)) || [])[1];
    return { code: Number(code), name: attribute('data-n') ?? label.replace(/<[^>]*>/g, ''), keyboard: attribute('data-k') };
  });

test('every button of the page is the key table\'s, and every key has a button', () => {
  assert.equal(TABLE.size, 48, 'the table: 10 digits, the point and 37 named keys');
  for (const button of BUTTONS) {
    const key = TABLE.get(button.code);
    assert.ok(key, `button #${button.code} is in the key table`);
    assert.deepEqual({ name: button.name, keyboard: button.keyboard }, key, `button #${button.code}`);
  }
  assert.deepEqual(BUTTONS.map((b) => b.code).sort((a, b) => a - b), [...TABLE.keys()].sort((a, b) => a - b));
});

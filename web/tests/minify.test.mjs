// The page as served is the page as written: web/minify.cjs only drops
// comments and blanks, so the scripts it writes parse to the very same
// program (the same syntax tree, positions aside) as web/'s sources.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { test } from 'node:test';
import { SITE, WEB } from './lib.mjs';

// The acorn that web/build.sh gives web/minify.cjs: Debian's, as Emscripten's.
const require = createRequire(import.meta.url);
const acornDir = ['/usr/share/nodejs/acorn', '/usr/lib/nodejs/acorn'].find((d) => fs.existsSync(d));
const acorn = acornDir && require(acornDir);

const tree = (source) => JSON.stringify(acorn.parse(source, { ecmaVersion: 'latest' }),
  (key, value) => (key === 'start' || key === 'end' ? undefined : value));
const inline = (html) => [...html.matchAll(/<script>([\s\S]*?)<\/script>/g)].map((m) => tree(m[1]));
const read = (dir, file) => fs.readFileSync(path.join(dir, file), 'utf8');

test('the served scripts are the written ones, without comments and blanks', { skip: !acorn && 'no acorn' }, () => {
  for (const file of ['calculator.js', 'sw.js']) {
    const [written, served] = [read(WEB, file), read(SITE, file)];
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

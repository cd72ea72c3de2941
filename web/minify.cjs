// Shrinks the page's text files for serving, without renaming anything:
//
//   node web/minify.cjs IN OUT
//
// JavaScript (.js) loses its comments and the blanks between tokens, by the
// tokens acorn reads (the same acorn Emscripten runs on); a line break stays
// wherever dropping it could change the program (automatic semicolons,
// return), so the result is the same program. CSS loses comments and the
// blanks around its punctuation; HTML its indentation, with its <style> and
// <script> shrunk as above; JSON (the manifest) its blanks. Other files are
// copied.
'use strict';
const fs = require('fs');
const path = require('path');
const acorn = require('acorn');

// After these tokens (acorn's labels) a line break can go: the statement or
// expression goes on, so no semicolon is inserted there.
const OPEN = new Set([';', '{', ',', '(', '[', ':', '?', '?.', '.', '=>', '...', '${', '_=', '=',
  '||', '&&', '??', '|', '^', '&', '==/!=/===/!==', '</>/<=/>=', '<</>>/>>>', '+/-', '%', '*', '/',
  '**', '!/~']);
// Before these a line break can go too.
const CLOSE = new Set(['}', ')', ']', ',', ';', '.', '?.', ':', '?']);
const word = /[\w$\\]/;

function minifyJs(source) {
  const tokens = [];
  acorn.parse(source, { ecmaVersion: 'latest', sourceType: 'script', allowHashBang: true, onToken: tokens });
  let out = '';
  let prev = null;
  for (const token of tokens) {
    if (token.type.label === 'eof') break;
    const text = source.slice(token.start, token.end);
    if (prev) {
      const gap = source.slice(prev.end, token.start);
      const last = out[out.length - 1];
      if (/[\n\r\u2028\u2029]/.test(gap) && !OPEN.has(prev.type.label) && !CLOSE.has(token.type.label)) {
        out += '\n';
      } else if (gap !== '' && ((word.test(last) && word.test(text[0])) ||
                 (/[+\-/]/.test(last) && last === text[0]) ||
                 (prev.type.label === 'num' && text[0] === '.'))) {
        out += ' ';
      }
    }
    out += text;
    prev = token;
  }
  return out + '\n';
}

function minifyCss(source) {
  return source
    .replace(/\/\*[\s\S]*?\*\//g, '')
    .replace(/\s+/g, ' ')
    .replace(/\s*([{};,>])\s*/g, '$1')
    .replace(/:\s+/g, ':')
    .replace(/;}/g, '}')
    .trim();
}

function minifyHtml(source) {
  return source
    .replace(/<!--[\s\S]*?-->/g, '')
    .replace(/(<style>)([\s\S]*?)(<\/style>)/g, (m, open, css, close) => open + minifyCss(css) + close)
    .replace(/(<script>)([\s\S]*?)(<\/script>)/g, (m, open, js, close) => open + minifyJs(js).trim() + close)
    .replace(/\n\s+/g, '\n');
}

const [input, output] = process.argv.slice(2);
if (!input || !output) {
  console.error('usage: node web/minify.cjs IN OUT');
  process.exit(2);
}
const source = fs.readFileSync(input, 'utf8');
const minifyJson = (text) => JSON.stringify(JSON.parse(text)) + '\n';
const minify = { '.js': minifyJs, '.css': minifyCss, '.html': minifyHtml, '.webmanifest': minifyJson }[path.extname(input)];
fs.writeFileSync(output, minify ? minify(source) : source);

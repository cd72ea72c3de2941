// Shrinks the page's text files for serving, without renaming anything:
//
//   node web/minify.cjs IN OUT
//
// JavaScript (.js) loses its comments and the blanks between tokens, by the
// tokens acorn reads (the same acorn Emscripten runs on), its trailing
// commas and the parentheses around an arrow function's one parameter; a line break stays
// wherever dropping it could change the program (automatic semicolons,
// return), so the result is the same program. After a closing brace the
// break goes too: the page's scripts end their statements with semicolons,
// so a brace there closes a block, and the test of the served scripts holds
// them to the same syntax tree. CSS loses comments and the
// blanks around its punctuation, and a colour is written short where it can
// be (#aabbcc as #abc); HTML its indentation, the line breaks between tags
// and the quotes a value does not need, with its <style> and <script>
// shrunk as above; JSON (the manifest) its blanks. Other files are
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

// The parentheses around an arrow function's one plain parameter, (x) => …,
// are no part of the program: x => … is the same syntax tree.
function withoutArrowParens(tokens) {
  const label = (i) => tokens[i] && tokens[i].type.label;
  return tokens.filter((t, i) => !(
    (label(i) === '(' && label(i + 1) === 'name' && label(i + 2) === ')' && label(i + 3) === '=>') ||
    (label(i) === ')' && label(i - 1) === 'name' && label(i - 2) === '(' && label(i + 1) === '=>')));
}

function minifyJs(source) {
  let tokens = [];
  acorn.parse(source, { ecmaVersion: 'latest', sourceType: 'script', allowHashBang: true, onToken: tokens });
  tokens = withoutArrowParens(tokens);
  let out = '';
  let prev = null;
  for (const token of tokens) {
    if (token.type.label === 'eof') break;
    const text = source.slice(token.start, token.end);
    // A trailing comma is no part of the program.
    if (prev && prev.type.label === ',' && /^[}\])]$/.test(text)) out = out.slice(0, -1);
    if (prev) {
      const gap = source.slice(prev.end, token.start);
      const last = out[out.length - 1];
      if (/[\n\r\u2028\u2029]/.test(gap) && !OPEN.has(prev.type.label) && !CLOSE.has(token.type.label) &&
          prev.type.label !== '}') {
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
    .replace(/#([\da-f])\1([\da-f])\2([\da-f])\3\b/gi, '#$1$2$3')
    .trim();
}

function minifyHtml(source) {
  return source
    .replace(/<!--[\s\S]*?-->/g, '')
    .replace(/(<style>)([\s\S]*?)(<\/style>)/g, (m, open, css, close) => open + minifyCss(css) + close)
    .replace(/(<script>)([\s\S]*?)(<\/script>)/g, (m, open, js, close) => open + minifyJs(js).trim() + close)
    .replace(/\n\s+/g, '\n')
    // No line breaks between tags (the page lays out no text there), and no
    // quotes around a value that needs none.
    .replace(/>\n+</g, '><')
    .replace(/<[a-z][^<>]*>/g, (tag) => tag.replace(/="([^\s"'=<>`]+)"/g, '=$1'));
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

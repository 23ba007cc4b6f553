'use strict';
// What the IE11-mode browser control needs of the page, checked without a browser: ES5 and no newer built-ins
// or DOM members (eslint with es-x), no CSS custom properties, grid or other things IE11 lacks (css-tree).
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const path = require('path');
const { Linter } = require('eslint');
const esx = require('eslint-plugin-es-x');
const csstree = require('css-tree');
const { REPO } = require('./lib/harness');

const read = (f) => fs.readFileSync(path.join(REPO, 'ui', f), 'utf8');
const html = read('index.html');
const scripts = [...html.matchAll(/<script\b[^>]*src="([^"]+)"/gi)].map((m) => ({ name: m[1], code: read(m[1]) }))
  .concat([...html.matchAll(/<script\b(?![^>]*src=)[^>]*>([\s\S]*?)<\/script>/gi)].map((m) => ({ name: 'inline', code: m[1] })))
  .concat([...html.matchAll(/\son[a-z]+\s*=\s*"([^"]*)"/gi)].map((m) => ({ name: 'event attribute', code: m[1] })));
const styles = [...html.matchAll(/<link\b[^>]*rel="stylesheet"[^>]*href="([^"]+)"/gi)].map((m) => ({ name: m[1], code: read(m[1]) }))
  .concat([...html.matchAll(/<style\b[^>]*>([\s\S]*?)<\/style>/gi)].map((m) => ({ name: 'inline', code: m[1] })))
  .concat([...html.matchAll(/\sstyle="([^"]*)"/gi)].map((m) => ({ name: 'style attribute', code: 'x{' + m[1] + '}' })));

const IE11_MISSING = ['closest', 'matches', 'append', 'prepend', 'replaceWith', 'replaceChildren', 'toggleAttribute', 'before', 'after',
  'remove', 'scrollTo', 'scrollBy', 'getRootNode', 'isConnected', 'dataset', 'animate', 'requestIdleCallback', 'fetch', 'Promise'];
const GLOBALS = Object.fromEntries(('window document navigator setTimeout clearTimeout setInterval clearInterval encodeURIComponent JSON ' +
  'decodeURIComponent Math Date Number String Object Array RegExp isNaN isFinite parseFloat parseInt Error').split(' ').map((g) => [g, 'readonly']));
const lintErrors = (code) => new Linter({ configType: 'flat' }).verify(code, [esx.configs['flat/restrict-to-es5'], {
  languageOptions: { ecmaVersion: 2024, sourceType: 'script', globals: GLOBALS }, settings: { 'es-x': { aggressive: true } },
  rules: { 'no-undef': 'error', 'no-restricted-properties': ['error'].concat(IE11_MISSING.map((p) => ({ property: p, message: 'not in IE11' }))),
    'no-restricted-globals': ['error', 'fetch', 'Promise', 'Symbol', 'Map', 'Set', 'WeakMap', 'Proxy', 'Reflect', 'CustomEvent', 'URL',
      'URLSearchParams', 'requestIdleCallback'] },
}]).map((m) => m.line + ':' + m.column + ' ' + m.message);

function cssErrors(code) {
  const out = [];
  const ast = csstree.parse(code, { positions: true, onParseError: (e) => out.push('parse: ' + e.message) });
  csstree.walk(ast, (node) => {
    const at = node.loc ? node.loc.start.line + ': ' : '';
    const decl = node.type === 'Declaration' && node.property.toLowerCase() + ': ' + csstree.generate(node.value).toLowerCase();
    if (decl && /^(--|(-ms-)?grid|(row-|column-)?gap:)|: (.*\bvar\(|(inline-)?grid$|.*sticky)/.test(decl)) out.push(at + decl);
    if (node.type === 'Atrule' && /^(supports|layer|container|property)$/i.test(node.name)) out.push(at + '@' + node.name);
    if (node.type === 'PseudoClassSelector' && /^(focus-visible|focus-within|is|where|has|not)$/i.test(node.name)) out.push(at + ':' + node.name);
  });
  return out;
}

test('the page is three scripts and one stylesheet (so the checks below see all of it), IE11 asked for its newest mode first', () => {
  assert.deepEqual([scripts, styles].map((l) => l.map((s) => s.name)), [['pankor-core.js', 'pankor-cards.js', 'pankor.js'], ['pankor.css']]);
  assert.match(html, /^<!DOCTYPE html>\s*<html[^>]*>\s*<head>\s*<meta http-equiv="X-UA-Compatible" content="IE=edge">/);
});

test('scripts are ES5, use nothing IE11 lacks and build no markup from strings; styles use nothing IE11 lacks', () => {
  for (const s of scripts) {
    assert.deepEqual(lintErrors(s.code), [], s.name);
    assert.doesNotMatch(s.code, /\.(inner|outer)HTML\s*=|insertAdjacentHTML|document\.write|\beval\(|new Function/, s.name);
  }
  for (const s of styles) assert.deepEqual(cssErrors(s.code), [], s.name);
});

test('the checks refuse what IE11 cannot run', () => {
  const bad = (check, cases) => cases.filter((c) => check(c).length === 0);
  // One case per kind of rule: ES2015+ syntax, new built-ins, new methods on any object, DOM members and globals IE11 lacks, unknown names.
  assert.deepEqual(bad((c) => lintErrors('var x, el;\n' + c), ['var f = (a) => a;', 'let z = 1;', 'Array.from(x);', 'x.includes("a");',
    'el.closest("a");', 'fetch("a");', 'structuredClone(x);']), []);
  assert.deepEqual(bad(cssErrors, [':root{--accent:#fff}', 'a{color:var(--accent)}', 'a{display:grid}', 'a{display:inline-grid}', 'a{gap:1rem}',
    'a{grid-template-columns:1fr 1fr}', 'a{position:sticky}', '@supports (display:grid){a{color:red}}', 'a:focus-visible{color:red}']), []);
});

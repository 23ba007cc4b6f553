'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const { UI, pageSources, es5SyntaxErrors, lintErrors, cssErrors } = require('./lib/static');

const src = pageSources();

test('the page uses three scripts and one stylesheet, all beside it', () => {
  assert.deepEqual(src.scripts.map((s) => s.name), ['pankor-core.js', 'pankor-cards.js', 'pankor.js']);
  assert.deepEqual(src.styles.map((s) => s.name), ['pankor.css']);
  for (const f of fs.readdirSync(UI)) assert.match(f, /^(index\.html|pankor[\w-]*\.(js|css))$/);
});

test('IE11 is asked for its newest document mode before anything else in the head', () => {
  const head = /<head>([\s\S]*?)<\/head>/i.exec(src.html)[1].trim();
  assert.match(head, /^<meta http-equiv="X-UA-Compatible" content="IE=edge">/);
  assert.match(src.html, /^<!DOCTYPE html>/);
});

test('script syntax is ES5', async (t) => {
  for (const s of src.scripts) {
    await t.test(s.name, () => assert.deepEqual(es5SyntaxErrors(s.code), []));
  }
  await t.test('the check refuses ES2015 syntax', () => {
    for (const bad of ['var f = (a) => a;', 'let x = 1;', 'const y = 2;', 'var s = `t${1}`;',
      'class A {}', 'var {a} = o;', 'function f(a = 1) {}', 'for (var x of y) {}', 'var o = {a, b};']) {
      assert.notDeepEqual(es5SyntaxErrors(bad), [], bad);
    }
  });
});

test('scripts call no ES2015+ built-in and no DOM method IE11 lacks', async (t) => {
  for (const s of src.scripts) {
    await t.test(s.name, () => assert.deepEqual(lintErrors(s.code), []));
  }
  await t.test('the lint refuses newer built-ins', () => {
    for (const bad of ['Array.from(x);', 'Object.assign({}, x);', 'x.includes("a");', '"a".startsWith("b");',
      'new Promise(function () {});', 'x.find(function () {});', 'Number.isNaN(x);', 'el.closest("a");',
      'el.remove();', 'fetch("a");', 'Object.entries(x);', '"a".repeat(2);', 'x.padStart(2);']) {
      assert.notDeepEqual(lintErrors('var x, el;\n' + bad), [], bad);
    }
  });
});

test('styles use no custom properties, grid or other things IE11 lacks', async (t) => {
  for (const s of src.styles) {
    await t.test(s.name, () => assert.deepEqual(cssErrors(s.code), []));
  }
  await t.test('the check refuses them', () => {
    for (const bad of [':root{--accent:#fff}', 'a{color:var(--accent)}', 'a{display:grid}',
      'a{display:inline-grid}', 'a{grid-template-columns:1fr 1fr}', 'a{gap:1rem}',
      'a{position:sticky}', '@supports (display:grid){a{color:red}}', 'a:focus-visible{color:red}']) {
      assert.notDeepEqual(cssErrors(bad), [], bad);
    }
  });
});

test('no markup is built from strings in the scripts', () => {
  for (const s of src.scripts) {
    assert.doesNotMatch(s.code, /\.(innerHTML|outerHTML)\s*=|insertAdjacentHTML|document\.write|\beval\(|new Function/,
      s.name);
  }
});

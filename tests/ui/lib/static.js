'use strict';
// Checks that the page's script and styles need nothing the IE11-mode browser
// control lacks: ES5 syntax (acorn), no ES2015+ built-ins and no DOM methods IE11
// does not have (eslint with es-x), and no CSS custom properties or grid (css-tree).
const fs = require('fs');
const path = require('path');
const acorn = require('acorn');
const { Linter } = require('eslint');
const esx = require('eslint-plugin-es-x');
const csstree = require('css-tree');

const UI = path.resolve(__dirname, '..', '..', '..', 'ui');

// Every script and style the page uses: the files it links plus inline blocks.
function pageSources() {
  const html = fs.readFileSync(path.join(UI, 'index.html'), 'utf8');
  const scripts = [];
  const styles = [];
  html.replace(/<script\b([^>]*)>([\s\S]*?)<\/script>/gi, (m, attrs, body) => {
    const src = /\bsrc\s*=\s*"([^"]+)"/i.exec(attrs);
    if (src) scripts.push({ name: src[1], code: fs.readFileSync(path.join(UI, src[1]), 'utf8') });
    else if (body.trim()) scripts.push({ name: 'index.html <script>', code: body });
    return m;
  });
  html.replace(/<link\b[^>]*rel="stylesheet"[^>]*href="([^"]+)"[^>]*>/gi, (m, href) => {
    styles.push({ name: href, code: fs.readFileSync(path.join(UI, href), 'utf8') });
    return m;
  });
  html.replace(/<style\b[^>]*>([\s\S]*?)<\/style>/gi, (m, body) => {
    styles.push({ name: 'index.html <style>', code: body });
    return m;
  });
  html.replace(/\sstyle="([^"]*)"/gi, (m, body) => {
    styles.push({ name: 'index.html style attribute', code: 'x{' + body + '}' });
    return m;
  });
  html.replace(/\son[a-z]+\s*=\s*"([^"]*)"/gi, (m, body) => {
    scripts.push({ name: 'index.html event attribute', code: body });
    return m;
  });
  return { html, scripts, styles };
}

function es5SyntaxErrors(code) {
  try {
    acorn.parse(code, { ecmaVersion: 5, sourceType: 'script' });
    return [];
  } catch (e) {
    return [e.message];
  }
}

// DOM members that modern engines have and IE11 does not.
const IE11_MISSING = ['closest', 'matches', 'append', 'prepend', 'replaceWith', 'replaceChildren',
  'toggleAttribute', 'before', 'after', 'remove', 'scrollTo', 'scrollBy', 'getRootNode',
  'isConnected', 'dataset', 'animate', 'requestIdleCallback', 'fetch', 'Promise'];

const browserGlobals = {};
for (const g of ['window', 'document', 'navigator', 'setTimeout', 'clearTimeout', 'setInterval',
  'clearInterval', 'encodeURIComponent', 'decodeURIComponent', 'JSON', 'Math', 'Date', 'Number',
  'String', 'Object', 'Array', 'RegExp', 'isNaN', 'isFinite', 'parseFloat', 'parseInt', 'Error']) {
  browserGlobals[g] = 'readonly';
}

function lintErrors(code) {
  const linter = new Linter({ configType: 'flat' });
  const restricted = IE11_MISSING.map((p) => ({ property: p, message: p + ' is missing in IE11' }));
  const config = [
    esx.configs['flat/restrict-to-es5'],
    {
      languageOptions: { ecmaVersion: 2024, sourceType: 'script', globals: browserGlobals },
      settings: { 'es-x': { aggressive: true } },
      rules: {
        'no-undef': 'error',
        'no-restricted-properties': ['error'].concat(restricted),
        'no-restricted-globals': ['error', 'fetch', 'Promise', 'Symbol', 'Map', 'Set', 'WeakMap',
          'Proxy', 'Reflect', 'CustomEvent', 'URL', 'URLSearchParams', 'requestIdleCallback'],
      },
    },
  ];
  return linter.verify(code, config).map((m) => m.line + ':' + m.column + ' ' + m.message);
}

function cssErrors(code) {
  const out = [];
  let ast;
  try {
    ast = csstree.parse(code, {
      positions: true,
      onParseError: (e) => out.push('parse: ' + e.message),
    });
  } catch (e) {
    return ['parse: ' + e.message];
  }
  csstree.walk(ast, (node) => {
    const line = node.loc ? node.loc.start.line + ': ' : '';
    if (node.type === 'Declaration') {
      const prop = node.property.toLowerCase();
      const value = csstree.generate(node.value).toLowerCase();
      if (prop.indexOf('--') === 0) out.push(line + 'custom property ' + prop);
      if (/^(grid|grid-.*|-ms-grid.*)$/.test(prop)) out.push(line + 'grid property ' + prop);
      if (/^(display)$/.test(prop) && /grid/.test(value)) out.push(line + 'display ' + value);
      if (/\bvar\(/.test(value)) out.push(line + 'var() in ' + prop);
      if (prop === 'gap' || prop === 'row-gap' || prop === 'column-gap') out.push(line + prop + ' is not in IE11');
      if (/^(position)$/.test(prop) && /sticky/.test(value)) out.push(line + 'position: sticky');
    }
    if (node.type === 'Atrule' && /^(supports|layer|container|property)$/i.test(node.name)) {
      out.push(line + '@' + node.name);
    }
    if (node.type === 'PseudoClassSelector' &&
        /^(focus-visible|focus-within|is|where|has|not)$/i.test(node.name)) {
      out.push(line + ':' + node.name + ' is not in IE11');
    }
  });
  return out;
}

module.exports = { UI, pageSources, es5SyntaxErrors, lintErrors, cssErrors };

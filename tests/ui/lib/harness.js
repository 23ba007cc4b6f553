'use strict';
// Plays the host against the page in Debian's Chromium: window.pk calls in, every "app:"
// command URL out, both checked against the page contract the host is built from.
const fs = require('fs');
const path = require('path');
const assert = require('node:assert/strict');
const { pathToFileURL } = require('url');
const { setTimeout: sleep } = require('timers/promises');
const { before, after, afterEach } = require('node:test');
const { chromium } = require('playwright-core');

const REPO = path.resolve(__dirname, '..', '..', '..');
const PAGE_URL = pathToFileURL(path.join(REPO, 'ui', 'index.html')).href;
const CONTRACT = JSON.parse(fs.readFileSync(path.join(REPO, 'src', 'host', 'page_contract.json'), 'utf8'));

async function waitFor(pred, what) {
  for (const end = Date.now() + 10000; !(await pred()); await sleep(20)) if (Date.now() > end) throw new Error('timed out waiting for ' + what);
}

// The host's text escaper, page calls and rows (contract members in order; other control characters pass raw).
const jsonEscape = (s) => String(s).replace(/\\/g, '\\\\').replace(/"/g, '\\"').replace(/\r\n?|\n/g, '\\n').replace(/\t/g, '\\t');
function statement(name, args) {
  assert.ok(CONTRACT.functions.some((f) => f.name === name), name + ' is not a page function of the contract');
  return 'window.pk.' + name + '(' + args.map((a) => (typeof a === 'string' ? '"' + jsonEscape(a) + '"' : String(a))).join(',') + ');';
}
const rowsJson = (fields, rows) => '[' + rows.map((r) => '{' + fields.map((f) => '"' + f.name + '":' +
  (f.type === 'bool' ? String(!!r[f.name]) : '"' + jsonEscape(r[f.name] || '') + '"')).join(',') + '}').join(',') + ']';
const appsJson = (rows) => rowsJson(CONTRACT.appRow, rows);
const skinsJson = (rows) => rowsJson(CONTRACT.skinRow, rows);

// As the host reads a command URL: command up to "?", argument after the first "=", "+" a blank, bad escapes throw.
function hostDispatch(url) {
  const [, cmd, arg] = /^app:([^?]*)(?:\?(?:[^=]*=)?(.*))?$/s.exec(url);
  return { cmd: cmd.toLowerCase(), arg: decodeURIComponent((arg || '').replace(/\+/g, ' ')) };
}

// What the document shows, read by probes "kind selector [name]" (overflow: what sticks out of the content area sideways).
function probe(list) {
  const main = document.getElementById('main');
  const all = (sel) => Array.prototype.slice.call(document.querySelectorAll(sel));
  const box = (x) => x.getBoundingClientRect();
  return Object.fromEntries(list.map((p) => {
    const [kind, ...w] = p.split(' ');
    const name = /^(attrs?|css|inline)$/.test(kind) ? w.pop() : null;
    const sel = w.join(' ');
    const e = sel && kind !== 'global' ? document.querySelector(sel) : null;
    return [p, {
      text: () => e && e.textContent, texts: () => all(sel).map((x) => x.textContent), value: () => e.value,
      checked: () => e.checked, hidden: () => e.hidden, disabled: () => e.disabled, class: () => e.className,
      attr: () => e && e.getAttribute(name), attrs: () => all(sel).map((x) => x.getAttribute(name)), count: () => all(sel).length,
      css: () => getComputedStyle(e).getPropertyValue(name), inline: () => e.style.getPropertyValue(name),
      height: () => e.offsetHeight, width: () => e.offsetWidth, scrolls: () => e.scrollHeight > e.clientHeight,
      global: () => window[sel], tab: () => all('#main > section').filter((s) => !s.hidden).map((s) => s.id.slice(4)),
      covers: () => [[5, 5], [innerWidth - 5, innerHeight - 5]].every(([x, y]) => e.contains(document.elementFromPoint(x, y))),
      focus: () => ((a) => a.id || (a.getAttribute('data-do') || a.tagName.toLowerCase()) + ':' + (a.getAttribute('data-slug') || ''))(
        document.activeElement),
      inview: () => box(e).top >= box(main).top && box(e).top < box(main).bottom,
      inside: () => box(e).bottom <= box(e.parentNode).bottom + 0.5 && box(e).right <= box(e.parentNode).right + 0.5,
      stacked: () => all(sel).every((x, i, a) => i === 0 || box(x).top >= box(a[i - 1]).bottom),
      overflow: () => all('#main button, #main .btn, #main .card, #main input, #main select, #main textarea')
        .filter((x) => x.offsetParent !== null && box(x).right > box(main).right + 0.5).map((x) => x.className)
        .concat(main.scrollWidth > main.clientWidth ? ['#main scrolls sideways'] : [],
          document.documentElement.scrollWidth > innerWidth ? ['the page scrolls sideways'] : []),
    }[kind]()];
  }));
}

// Chromium hands "app:" to the desktop behind an invisible prompt that swallows later real input; the
// hosts cancel these navigations, and so does this stand-in unless a test wants them ({ real: true }).
async function openPage(browser, opts) {
  const page = await browser.newPage({ viewport: opts.viewport || { width: 920, height: 620 } });
  if (opts.init) await page.addInitScript(opts.init);
  const commands = [], errors = [];
  if (opts.real) {
    page.on('request', (r) => /^app:/i.test(r.url()) && commands.push({ url: r.url(), frame: r.frame() }));
  } else {
    await page.exposeBinding('pankorHost', (src, url) => commands.push({ url }));
    await page.addInitScript(() => {
      const d = Object.getOwnPropertyDescriptor(HTMLIFrameElement.prototype, 'src');
      Object.defineProperty(HTMLIFrameElement.prototype, 'src', { get: d.get, set(v) {
        d.set.call(this, /^app:/i.test(v) ? (window.pankorHost(String(v)), 'about:blank') : v);
      } });
    });
  }
  page.on('pageerror', (e) => errors.push(String((e && e.message) || e)));
  // Web pictures named in the rows are answered offline with a tile of their own colour.
  await page.route(/^https?:/, (route) => (/\.(png|jpe?g|svg)(\?|$)/i.test(route.request().url())
    ? route.fulfill({ contentType: 'image/svg+xml', body: '<svg xmlns="http://www.w3.org/2000/svg" width="640" height="360">' +
      `<rect width="640" height="360" fill="hsl(${route.request().url().length * 37 % 360},60%,40%)"/></svg>` })
    : route.fulfill({ status: 404, body: '' })));
  await page.goto(PAGE_URL, { waitUntil: 'load' });
  await waitFor(() => commands.some((c) => c.url === 'app:ready'), 'the ready command');
  const h = {
    page, commands, errors,
    call: (name, ...args) => page.evaluate((s) => (0, eval)(s), statement(name, args)),
    calls: async (list) => { for (const c of list) await h.call(...c); return h; },
    async settle() {
      await page.waitForFunction(() => Array.prototype.every.call(document.images, (i) => i.complete));
      await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
    },
    look: async (probes) => { await h.settle(); return page.evaluate(probe, probes); },
    // Asserts what the document shows: { probe: value, or a RegExp the text matches }.
    async expect(show) {
      const got = await h.look(Object.keys(show));
      for (const k in show) if (show[k] instanceof RegExp && show[k].test(String(got[k]))) got[k] = show[k];
      assert.deepEqual(got, show);
    },
    // The command URLs an action sends: waits for as many as the page counts, however slow the machine.
    async commandsAfter(fn) {
      const count = () => page.evaluate(() => window.PK.sentCount);
      const before = await count();
      await fn();
      const after = await count();
      await waitFor(() => commands.length >= after, after - before + ' command(s)');
      return commands.slice(before, after).map((c) => c.url);
    },
  };
  return h;
}

// One browser per file, a fresh page per test; after each, no script error, and every command sent is one the host
// knows, with the argument it expects.
function session() {
  let browser = null;
  const open = [];
  before(async () => (browser = await chromium.launch({ executablePath: process.env.PANKOR_CHROMIUM || '/usr/bin/chromium', args: [
    '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking', '--disable-component-update'] })));
  after(() => browser && browser.close());
  afterEach(async () => {
    for (const h of open.splice(0)) {
      const pkErrors = await h.page.evaluate(() => window.PK.errors.slice());
      await h.page.close();
      assert.deepEqual(h.errors.concat(pkErrors), [], 'script errors');
      for (const { url } of h.commands) {
        const d = hostDispatch(url), c = CONTRACT.commands.find((x) => x.name === d.cmd);
        assert.ok(c, url + ' is not a command of the contract');
        assert.equal(url.includes('?'), c.arg !== 'none', url + ' carries an argument exactly when the command takes one');
        if (c.arg === 'flag') assert.match(d.arg, /^[01]$/, url);
      }
    }
  });
  return async (opts = {}) => open[open.push(await openPage(browser, opts)) - 1];
}

// One step: a page call (an array), what the document then shows (an object) or a user action (a string:
// "click sel" as a user clicks, "fire sel" even on a disabled control, "key sel Key", "down sel button"
// (mouse-down), "fill sel text", "select sel value", "js code" the host runs, "wait code").
async function perform(h, step) {
  if (Array.isArray(step)) return h.call(...step);
  if (typeof step === 'object') return h.expect(step);
  const [kind, ...w] = step.split(' ');
  const last = /^(key|down)$/.test(kind) ? w.pop() : null;
  const loc = h.page.locator(w.join(' ')).first();
  if (/^(fill|select)$/.test(kind)) return h.page[kind === 'fill' ? 'fill' : 'selectOption'](w[0], w.slice(1).join(' '));
  if (kind === 'js' || kind === 'wait') return kind === 'js' ? h.page.evaluate(w.join(' ')) : h.page.waitForFunction(w.join(' '));
  if (kind === 'click' || kind === 'fire') return kind === 'click' ? loc.click({ timeout: 15000 }) : loc.dispatchEvent('click');
  if (kind === 'down') return loc.dispatchEvent('mousedown', { button: Number(last), bubbles: true });
  return loc.focus().then(() => h.page.keyboard.press(last));
}

const scaled = (dpi) => ({ width: Math.floor(920 * dpi / 100), height: Math.floor(620 * dpi / 100) });

const IMG = 'https://img.tarnwick.test/';
const APPS = [
  { slug: 'clock', name: 'Tarnwick Clock', headline: 'A desk clock with alarms and timers', installed: '2.0.0.1', latest: '2.1.0.0',
    desc: 'World times, alarms that wake the screen, and a stopwatch that keeps running.', running: true, icon: IMG + 'icons/clock.png' },
  { slug: 'jotter', name: 'Jotter', headline: 'Sticky notes that stay put', desc: 'Notes on the desktop, with reminders.',
    installed: '3.4.0.12', latest: '3.4.0.12', icon: IMG + 'icons/jotter.png' },
  { slug: 'weather-eye', name: 'Weather Eye', headline: 'The forecast in your notification area', desc: 'Hourly forecast.', latest: '1.2.0.0' },
  { slug: 'marbles', name: 'Marble Run', headline: 'Build tracks, drop marbles', kind: 'game', desc: 'Build a run and watch the marbles go.',
    latest: '1.0.3.0', shot: IMG + 'shots/marbles.png', requires: 'Windows 7 or later, 120 MB free' },
  { slug: 'tiles', name: 'Tile Tumble', headline: 'Match three, chain five', kind: 'game', desc: 'A quick match-three game.',
    installed: '0.9.0.0', latest: '1.0.0.0', shot: IMG + 'shots/tiles.png', requires: 'Any PC from the last ten years' },
];
const SKINS = [
  { name: 'Midnight', forApp: 'clock', author: 'Tarnwick', shot: IMG + 'skins/midnight.png', url: 'https://tarnwick.test/skins/midnight/' },
  { name: 'Paper', forApp: 'jotter', author: 'Ana Ruiz', shot: IMG + 'skins/paper.png', url: 'https://tarnwick.test/skins/paper/?from=pankor&b=%20' },
  { name: 'Retro LCD', forApp: 'clock', author: 'k.b.', shot: '', url: 'https://tarnwick.test/skins/lcd/' },
];
const TELEMETRY = '{"v":1,"os":"10.0.19045","screen":"1920x1080","scale":125,"lang":"en-GB","pankor":"1.0.0.12","wine":false,' +
  '"source":"web","removed":"","apps":[{"slug":"clock","version":"2.0.0.1","autostart":true,"running":true,"ageDays":41,"skin":""}]}';
const HOSTILE = 'a\u2028b\u2029 "q" \\ </script><b>x</b>';

module.exports = { REPO, PAGE_URL, CONTRACT, session, perform, hostDispatch, scaled, appsJson, skinsJson, APPS, SKINS, TELEMETRY, HOSTILE };

'use strict';
// Plays the host against the page in Debian's Chromium: window.pk calls in, every "app:"
// command URL out, both checked against the page contract the host is built from.
const fs = require('fs');
const os = require('os');
const path = require('path');
const assert = require('node:assert/strict');
const { pathToFileURL } = require('url');
const { chromium } = require('playwright-core');

const REPO = path.resolve(__dirname, '..', '..', '..');
const PAGE_URL = pathToFileURL(path.join(REPO, 'ui', 'index.html')).href;
const CONTRACT = JSON.parse(fs.readFileSync(path.join(REPO, 'src', 'host', 'page_contract.json'), 'utf8'));
const ARGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'pankor-ui-profile-'));
  const context = await chromium.launchPersistentContext(profile, { executablePath: process.env.PANKOR_CHROMIUM ||
    '/usr/bin/chromium', headless: true, args: ARGS, viewport: { width: 920, height: 620 } });
  return { context, close: async () => { await context.close(); fs.rmSync(profile, { recursive: true, force: true }); } };
}

// Web pictures named in the rows, answered offline so cards show real images.
function pictureSvg(url) {
  const h = [...url].reduce((a, c) => (a * 31 + c.charCodeAt(0)) % 360, 0);
  return `<svg xmlns="http://www.w3.org/2000/svg" width="640" height="360"><defs><linearGradient id="g" x2="1" y2="1">
<stop offset="0" stop-color="hsl(${h},70%,45%)"/><stop offset="1" stop-color="hsl(${(h + 60) % 360},70%,25%)"/>
</linearGradient></defs><rect width="640" height="360" fill="url(#g)"/><circle cx="470" cy="120" r="70" fill="#fff" fill-opacity=".25"/></svg>`;
}

async function waitFor(pred, ms, what) {
  for (const end = Date.now() + ms; !(await pred());) {
    if (Date.now() > end) throw new Error('timed out waiting for ' + what);
    await new Promise((r) => setTimeout(r, 20));
  }
}

// The host's text escaper, and a page call written as the host writes it.
const jsonEscape = (s) => String(s).replace(/\\/g, '\\\\').replace(/"/g, '\\"').replace(/\r\n?|\n/g, '\\n').replace(/\t/g, '\\t');
function statement(name, args) {
  assert.ok(CONTRACT.functions.some((f) => f.name === name), name + ' is not a page function of the contract');
  return 'window.pk.' + name + '(' + args.map((a) => (typeof a === 'string' ? '"' + jsonEscape(a) + '"' : String(a))).join(',') + ');';
}

// How the host reads a command URL: the command up to the first "?", the argument after
// the first "=", URL-decoded with "+" as a blank, kept as it was on a bad escape.
function hostDispatch(url) {
  let cmd = url.slice(4);
  let arg = '';
  const p = cmd.indexOf('?');
  if (p > 0) {
    arg = cmd.slice(p + 1).replace(/^[^=]*=/, '');
    cmd = cmd.slice(0, p);
    try { arg = decodeURIComponent(arg.replace(/\+/g, ' ')); } catch (e) { /* kept undecoded */ }
  }
  return { cmd: cmd.toLowerCase(), arg };
}

// Every command the page sends must be one the host knows, with the argument it expects.
function checkCommand(url) {
  const d = hostDispatch(url);
  const c = CONTRACT.commands.find((x) => x.name === d.cmd);
  assert.ok(c, url + ' is not a command of the contract');
  assert.equal(url.includes('?'), c.arg !== 'none', url + ' carries an argument exactly when the command takes one');
  if (c.arg === 'flag') assert.match(d.arg, /^[01]$/, url);
}

// What the document shows, read by probes "kind selector [name]" (listed in calls.test.js).
function probe(list) {
  const main = document.getElementById('main');
  const all = (sel) => Array.prototype.slice.call(document.querySelectorAll(sel));
  const box = (x) => x.getBoundingClientRect();
  const out = {};
  for (const p of list) {
    const w = p.split(' ');
    const kind = w.shift();
    const name = /^(attrs?|css|inline)$/.test(kind) ? w.pop() : null;
    const sel = w.join(' ');
    const e = sel && kind !== 'global' ? document.querySelector(sel) : null;
    out[p] = {
      text: () => e && e.textContent, texts: () => all(sel).map((x) => x.textContent), value: () => e.value,
      checked: () => e.checked, hidden: () => e.hidden, disabled: () => e.disabled, class: () => e.className,
      attr: () => e && e.getAttribute(name), attrs: () => all(sel).map((x) => x.getAttribute(name)), count: () => all(sel).length,
      css: () => getComputedStyle(e).getPropertyValue(name), inline: () => e.style.getPropertyValue(name),
      height: () => e.offsetHeight, width: () => e.offsetWidth, scrolls: () => e.scrollHeight > e.clientHeight,
      global: () => window[sel], tab: () => all('#main > section').filter((s) => !s.hidden).map((s) => s.id.slice(4)),
      focus: () => {
        const a = document.activeElement;
        return a.id || (a.getAttribute('data-do') || a.tagName.toLowerCase()) + ':' + (a.getAttribute('data-slug') || '');
      },
      inview: () => box(e).top >= box(main).top && box(e).top < box(main).bottom,
      inside: () => box(e).bottom <= box(e.parentNode).bottom + 0.5 && box(e).right <= box(e.parentNode).right + 0.5,
      stacked: () => all(sel).every((x, i, a) => i === 0 || box(x).top >= box(a[i - 1]).bottom),
      // Nothing may stick out sideways, and no control may be cut off at the right.
      overflow: () => all('#main button, #main .btn, #main .card, #main input, #main select, #main textarea')
        .filter((x) => x.offsetParent !== null && box(x).right > box(main).right + 0.5).map((x) => x.className)
        .concat(main.scrollWidth > main.clientWidth ? ['#main scrolls sideways'] : [],
          document.documentElement.scrollWidth > innerWidth ? ['the page scrolls sideways'] : []),
    }[kind]();
  }
  return out;
}

// Chromium hands an unknown scheme such as "app:" to the desktop and, for the first request
// and any request that follows real input, opens an invisible tab-modal prompt that swallows
// all further real input to that tab; no DevTools interception reaches it. The product's
// hosts cancel these navigations, and so does the host stand-in here, which all tests use
// except those about the command navigations themselves ({ real: true }).
async function openPage(context, opts) {
  const page = await context.newPage();
  if (opts.viewport) await page.setViewportSize(opts.viewport);
  const commands = [];
  const errors = [];
  const saw = (url, frame) => commands.push({ url, frame });
  if (opts.real) {
    page.on('request', (r) => /^app:/i.test(r.url()) && saw(r.url(), r.frame()));
  } else {
    await page.exposeBinding('pankorHost', (src, url) => saw(url, null));
    await page.addInitScript(() => {
      const d = Object.getOwnPropertyDescriptor(HTMLIFrameElement.prototype, 'src');
      Object.defineProperty(HTMLIFrameElement.prototype, 'src', { get: d.get, set(v) {
        d.set.call(this, /^app:/i.test(v) ? (window.pankorHost(String(v)), 'about:blank') : v);
      } });
    });
  }
  page.on('pageerror', (e) => errors.push(String((e && e.message) || e)));
  await page.route(/^https?:/, (route) => (/\.(png|jpe?g|svg)(\?|$)/i.test(route.request().url())
    ? route.fulfill({ contentType: 'image/svg+xml', body: pictureSvg(route.request().url()) })
    : route.fulfill({ status: 404, body: '' })));
  await page.goto(PAGE_URL, { waitUntil: 'load' });
  await waitFor(() => commands.some((c) => c.url === 'app:ready'), 10000, 'the ready command');
  const h = {
    page, commands, errors,
    call: (name, ...args) => page.evaluate((s) => (0, eval)(s), statement(name, args)),
    async settle() {
      await page.waitForFunction(() => Array.prototype.every.call(document.images, (i) => i.complete));
      await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
    },
    look: async (probes) => { await h.settle(); return page.evaluate(probe, probes); },
    // Asserts what the document shows: { probe: value or RegExp }.
    async expect(show) {
      const got = await h.look(Object.keys(show));
      for (const [k, want] of Object.entries(show)) {
        if (want instanceof RegExp) assert.match(String(got[k]), want, k);
        else assert.deepEqual(got[k], want, k);
      }
    },
    click: (target) => (typeof target === 'string' ? page.locator(target) : target).click({ timeout: 15000 }),
    // The command URLs an action sends: the page counts what it sent, so this waits for
    // exactly that many to reach the browser, however slow the machine is.
    async commandsAfter(fn) {
      const count = () => page.evaluate(() => window.PK.sentCount);
      const before = await count();
      await fn();
      const after = await count();
      await waitFor(() => commands.length >= after, 10000, after - before + ' command(s)');
      return commands.slice(before, after).map((c) => c.url);
    },
  };
  return h;
}

// One browser per test file, a fresh page per test; after each test no script error may
// have happened and every command sent must fit the contract.
function session({ before, after, afterEach }) {
  let browser = null;
  const open = [];
  before(async () => { browser = await launch(); });
  after(async () => { if (browser) await browser.close(); });
  afterEach(async () => {
    for (const h of open.splice(0)) {
      const pkErrors = await h.page.evaluate(() => window.PK.errors.slice());
      await h.page.close();
      assert.deepEqual(h.errors.concat(pkErrors), [], 'script errors');
      h.commands.forEach((c) => checkCommand(c.url));
    }
  });
  return async (opts = {}) => {
    const h = await openPage(browser.context, opts);
    open.push(h);
    return h;
  };
}

const scaled = (dpi) => ({ width: Math.floor(920 * dpi / 100), height: Math.floor(620 * dpi / 100) });

module.exports = { REPO, PAGE_URL, CONTRACT, launch, session, waitFor, jsonEscape, hostDispatch, scaled };

'use strict';
// Starts Debian's Chromium through playwright-core and opens the page from its file
// address, recording every "app:" command URL the page navigates to.
const fs = require('fs');
const os = require('os');
const path = require('path');
const { pathToFileURL } = require('url');
const { chromium } = require('playwright-core');

const REPO = path.resolve(__dirname, '..', '..', '..');
const PAGE_URL = pathToFileURL(path.join(REPO, 'ui', 'index.html')).href;
const CHROMIUM = process.env.PANKOR_CHROMIUM || '/usr/bin/chromium';
const ARGS = [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
];

async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'pankor-ui-profile-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    headless: true,
    args: ARGS,
    viewport: { width: 920, height: 620 },
  });
  // Chromium hands an unknown scheme such as "app:" to the desktop and, for the first
  // request and for any request that follows real input, opens an invisible tab-modal
  // prompt that swallows all further real input to that tab. The product's hosts
  // cancel these navigations instead. So: a throw-away tab takes the very first prompt,
  // and the tests click through the page's own event path (see click below) after
  // Playwright's actionability checks, keeping real keyboard input for pages that
  // have not sent a command since loading.
  for (const p of context.pages()) await p.close();
  const warm = await context.newPage();
  await warm.setContent('<iframe src="app:warm-up"></iframe>');
  await warm.waitForTimeout(200);
  await warm.close();
  const close = async () => {
    await context.close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return { context, close };
}

// Pictures for web addresses in the fixtures, so cards show real images offline.
function pictureSvg(url) {
  let h = 0;
  for (const c of url) h = (h * 31 + c.charCodeAt(0)) % 360;
  return `<svg xmlns="http://www.w3.org/2000/svg" width="640" height="360" viewBox="0 0 640 360">
<defs><linearGradient id="g" x1="0" y1="0" x2="1" y2="1">
<stop offset="0" stop-color="hsl(${h},70%,45%)"/><stop offset="1" stop-color="hsl(${(h + 60) % 360},70%,25%)"/></linearGradient></defs>
<rect width="640" height="360" fill="url(#g)"/>
<circle cx="470" cy="120" r="70" fill="rgba(255,255,255,0.25)"/>
<rect x="60" y="220" width="300" height="40" rx="8" fill="rgba(255,255,255,0.3)"/>
<rect x="60" y="280" width="200" height="24" rx="6" fill="rgba(255,255,255,0.2)"/></svg>`;
}

async function openPage(context, opts = {}) {
  const page = await context.newPage();
  if (opts.viewport) await page.setViewportSize(opts.viewport);
  const commands = [];
  const errors = [];
  page.on('request', (r) => {
    const url = r.url();
    if (/^app:/i.test(url)) {
      commands.push({ url, frame: r.frame(), main: r.frame() === page.mainFrame(), t: Date.now() });
    }
  });
  page.on('pageerror', (e) => errors.push(String(e && e.message ? e.message : e)));
  await page.route(/^https?:/, (route) => {
    const url = route.request().url();
    if (/\.(png|jpe?g|svg)(\?|$)/i.test(url)) {
      return route.fulfill({ status: 200, contentType: 'image/svg+xml', body: pictureSvg(url) });
    }
    return route.fulfill({ status: 404, body: '' });
  });
  await page.goto(PAGE_URL, { waitUntil: 'load' });
  await waitFor(() => commands.some((c) => c.url === 'app:ready'), 5000, 'the ready command');
  await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
  return {
    page,
    commands,
    errors,
    // Command URLs seen since the last take, in order.
    take() {
      return commands.splice(0, commands.length).map((c) => c.url);
    },
    // A click as the user makes it, as far as Chromium lets us: the target must be
    // visible, enabled, stable and not covered; then it gets the click event.
    async click(target) {
      const loc = typeof target === 'string' ? page.locator(target) : target;
      await loc.click({ trial: true, timeout: 3000 });
      await loc.dispatchEvent('click');
    },
    // The commands an action sends: waits until every command the page counted
    // as sent has reached the browser, however slow the machine is.
    async commandsAfter(fn) {
      commands.splice(0, commands.length);
      const before = await page.evaluate(() => window.PK.sentCount);
      await fn();
      await page.waitForTimeout(50);  // actions that send from a timer of their own
      const sent = (await page.evaluate(() => window.PK.sentCount)) - before;
      await waitFor(() => commands.length >= sent, 10000, sent + ' command(s)');
      return commands.splice(0, commands.length).map((c) => c.url);
    },
    async pkErrors() {
      return page.evaluate(() => window.PK.errors.slice());
    },
  };
}

async function waitFor(pred, ms, what) {
  const end = Date.now() + ms;
  for (;;) {
    if (await pred()) return;
    if (Date.now() > end) throw new Error('timed out waiting for ' + what);
    await new Promise((r) => setTimeout(r, 20));
  }
}

// Calls window.pk.<name>(...args) exactly as the host does: one statement whose
// arguments are JavaScript source text.
async function hostCall(page, name, argsSource) {
  return page.evaluate((stmt) => {
    // eslint-disable-next-line no-eval
    (0, eval)(stmt);
  }, 'window.pk.' + name + '(' + argsSource + ');');
}

// The host's text escaper for text arguments into the page.
function jsonEscape(s) {
  return String(s).replace(/\\/g, '\\\\').replace(/"/g, '\\"')
    .replace(/\r\n/g, '\\n').replace(/\r/g, '\\n').replace(/\n/g, '\\n').replace(/\t/g, '\\t');
}
function q(s) {
  return '"' + jsonEscape(s) + '"';
}

module.exports = { REPO, PAGE_URL, launch, openPage, waitFor, hostCall, jsonEscape, q };

// One browser per test file, a fresh page per test.
function session(hooks) {
  let browser = null;
  const open = [];
  hooks.before(async () => { browser = await launch(); });
  hooks.after(async () => { if (browser) await browser.close(); });
  hooks.afterEach(async () => {
    while (open.length) await open.pop().page.close();
  });
  return async function fresh(opts) {
    const h = await openPage(browser.context, opts);
    open.push(h);
    h.take();
    return h;
  };
}

// How the host reads a command URL: scheme "app:" in any case, the command up to the
// first "?", the argument after the first "=" of the query, URL-decoded with "+" as a
// blank; a malformed escape leaves the argument as it was.
function hostDispatch(url) {
  if (url.slice(0, 4).toLowerCase() !== 'app:') return null;
  let s = url.slice(4);
  let arg = '';
  const p = s.indexOf('?');
  if (p > 0) {
    arg = s.slice(p + 1);
    s = s.slice(0, p);
    const e = arg.indexOf('=');
    if (e >= 0) arg = arg.slice(e + 1);
    try {
      arg = decodeURIComponent(arg.replace(/\+/g, ' '));
    } catch (err) { /* kept undecoded */ }
  }
  return { cmd: s.toLowerCase(), arg };
}

module.exports.session = session;
module.exports.hostDispatch = hostDispatch;

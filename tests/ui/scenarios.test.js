'use strict';
// What the tables cannot say: loading, the command channel, the welcome, the report form, a walk
// through the page with the keyboard alone; and every section at 100 % and 150 % (and with forced
// colours) as screenshots for people to look at, checked for sideways overflow and by axe-core
// against WCAG 2.1 A/AA and axe's best practices, with the welcome, a failed update and the
// answered report form open too.
const { describe, it, before, after, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { pathToFileURL } = require('url');
const { session, perform, waitFor, hostDispatch, scaled, CONTRACT, PAGE_URL, REPO, appsJson, skinsJson, APPS, SKINS, TELEMETRY } = require('./lib/harness');

const fresh = session({ before, after, afterEach });

describe('loading and the command channel', () => {
  it('defines the contract\'s functions before the document is complete, then sends "ready" once, from a sub-frame', async () => {
    const page = await (await fresh()).page.context().newPage();
    const seen = [];
    page.on('request', (r) => r.url().startsWith('app:') && seen.push([r.url(), r.frame() !== page.mainFrame()]));
    await page.addInitScript(() => document.addEventListener('DOMContentLoaded', () => {
      window.early = { state: document.readyState, fns: Object.keys(window.pk).map((k) => [k, window.pk[k].length]) };
    }, true));
    await page.goto(PAGE_URL, { waitUntil: 'load' });
    await waitFor(() => seen.length > 0, 10000, 'ready');
    const r = await page.evaluate(() => ({ early: window.early, commands: window.PK.COMMANDS, sent: window.PK.sentCount,
      refused: (() => { try { window.PK.send('nosuch'); } catch (e) { return true; } })() }));
    await page.close();
    assert.notEqual(r.early.state, 'complete');
    assert.deepEqual(r.early.fns.sort(), CONTRACT.functions.map((f) => [f.name, f.args.length]).sort());
    assert.deepEqual(CONTRACT.commands.map((c) => [c.name, c.arg === 'none']), Object.keys(r.commands).map((k) => [k, !r.commands[k]]));
    assert.deepEqual([seen, r.sent, r.refused], [[['app:ready', true]], 1, true]);
  });

  it('delivers commands sent in one turn in order, each through a frame of its own, encoded for the host to decode', async () => {
    const h = await fresh({ real: true });
    const values = ['clock', 'we"ird<slug>&x=1', 'a+b c', '100%', 'päivä-ünï', 'emoji-\u{1F600}', "it's (fine)!*~",
      'back\\slash', 'line\nbreak\ttab', '#frag?q=1', '', 'https://t.test/skins/a b/?x=1&y=%41', 'a\uD800b\uDC00'];
    const urls = await h.commandsAfter(() => h.page.evaluate((vs) => {
      [['refresh'], ['start', 'clock'], ['notify', '1'], ['backup']].concat(vs.map((v) => ['open', v])).forEach((c) => window.PK.send(...c));
    }, values));
    assert.deepEqual(urls.slice(0, 4), ['app:refresh', 'app:start?slug=clock', 'app:notify?on=1', 'app:backup']);
    assert.deepEqual(urls.slice(4).map((u) => hostDispatch(u).arg), values.slice(0, -1).concat('a\uFFFDb\uFFFD'));
    assert.deepEqual([urls[5], urls[6], urls[10], urls[16]], ['app:open?url=we%22ird%3Cslug%3E%26x%3D1', 'app:open?url=a%2Bb%20c',
      'app:open?url=it%27s%20%28fine%29%21%2A%7E', 'app:open?url=a%EF%BF%BDb%EF%BF%BD']);
    const frames = new Set(h.commands.slice(-urls.length).map((c) => c.frame));
    assert.deepEqual([frames.size, frames.has(h.page.mainFrame()), h.page.url()], [urls.length, false, PAGE_URL]);
  });
});

describe('keyboard only', () => {
  it('Tab, Shift+Tab, Enter and Space update an app, send a report and answer the welcome (over the page, Tab kept inside)', async () => {
    const h = await (await fresh()).calls([['setApps', appsJson(APPS)]]);
    const reached = [];
    const press = async (key) => { await h.page.keyboard.press(key); reached.push((await h.look(['focus'])).focus); };
    async function go(want, key = 'Tab') {
      for (let i = 0; i < 40 && reached[reached.length - 1] !== want; i++) await press(key);
      assert.equal(reached[reached.length - 1], want, want + ' is reachable with ' + key);
    }
    await go('inupdate:clock');
    assert.deepEqual(await h.commandsAfter(() => h.page.keyboard.press('Enter')), ['app:inupdate?slug=clock']);
    await go('refresh:');
    for (const want of ['min:', 'close:', 'nav-apps', 'nav-toybox', 'nav-skins', 'nav-settings', 'quit:', 'start:clock',
      'notes:clock', 'uninstall:clock', 'start:jotter', 'update:weather-eye']) assert.ok(reached.includes(want), want);
    await go('nav-report', 'Shift+Tab');
    await h.page.keyboard.press('Space');
    await go('isText');
    await h.page.keyboard.type('The alarm does not ring.');
    await go('isSend');
    assert.deepEqual(await h.commandsAfter(() => h.page.keyboard.press('Enter')), ['app:issue']);
    await h.calls([['setIssueResult', true, 'Sent - thank you.'], ['setTelemetry', -1, TELEMETRY], ['showWelcome', true]]);
    await h.expect({ 'hidden #welcome': false, 'checked #wAutostart': true, 'checked #optAutostart': true, focus: 'wYes',
      'hidden #wDoc': true, 'attr #main aria-hidden': 'true', 'text #wAutoNote': /^It is switched on/ });
    assert.ok(await h.page.evaluate(() => {
      const b = document.querySelector('[data-slug=clock] button').getBoundingClientRect();
      return document.getElementById('welcome').contains(document.elementFromPoint(b.left + 5, b.top + 5));
    }), 'the welcome covers the cards');
    await go('wShowDoc');
    await h.page.keyboard.press('Space');
    await h.expect({ 'hidden #wDoc': false, 'text #wDoc': TELEMETRY, 'attr #wShowDoc aria-expanded': 'true' });
    const inside = reached.length;
    for (const key of ['Tab', 'Tab', 'Tab', 'Tab', 'Tab', 'Shift+Tab', 'Shift+Tab', 'Shift+Tab']) await press(key);
    assert.deepEqual([...new Set(reached.slice(inside))].sort(), ['wAutostart', 'wDoc', 'wNo', 'wShowDoc', 'wYes']);
    await go('wNo', 'Shift+Tab');
    assert.deepEqual(await h.commandsAfter(() => h.page.keyboard.press('Space')), ['app:consent?yes=0']);
    await h.expect({ 'hidden #welcome': true, tab: ['report'], 'text #isResult': 'Sent - thank you.', 'attr #main aria-hidden': null,
      focus: 'main' });
  });
});

const OUT = path.resolve(REPO, process.env.PANKOR_UI_OUT || path.join('build', 'ui-shots'));
const AXE = require.resolve('axe-core/axe.min.js');

// Icons as the host hands them over: file addresses of 64 x 64 24-bit bitmaps in its data folder.
const iconDir = fs.mkdtempSync(path.join(os.tmpdir(), 'pankor-icons-'));
after(() => fs.rmSync(iconDir, { recursive: true, force: true }));
const COLORS = { clock: [240, 127, 61], jotter: [68, 181, 245], tiles: [240, 92, 123] };  // in a bitmap's order: B, G, R
const rows = APPS.map((r) => {
  if (!COLORS[r.slug]) return Object.assign({}, r, { icon: '' });
  const file = path.join(iconDir, r.slug + '.bmp');
  const b = Buffer.alloc(54 + 64 * 64 * 3);
  b.write('BM', 0, 'ascii');
  [[2, b.length], [10, 54], [14, 40], [18, 64], [22, 64], [26, 1 + (24 << 16)], [34, 64 * 64 * 3]].forEach(([o, v]) => b.writeUInt32LE(v, o));
  for (let i = 0; i < 64 * 64; i++) b.set(COLORS[r.slug], 54 + i * 3);
  fs.writeFileSync(file, b);
  return Object.assign({}, r, { icon: pathToFileURL(file).href });
});

async function filled(dpi) {
  return (await fresh({ viewport: scaled(dpi) })).calls([['setDpi', dpi], ['setApps', appsJson(rows)],
    ['setSkins', skinsJson(SKINS)], ['setSelfVersion', '1.0.0.12'], ['setSelfUpdate', '1.1.0.0'], ['setAutostart', true], ['setNotify', true],
    ['setTelemetry', 1, TELEMETRY], ['setStatus', 'Checked 09:05'], ['setBusy', 'tiles|Downloading Tile Tumble...'], ['setProgress', 'tiles', 64]]);
}

async function shoot(h, name) {
  await h.settle();
  const file = path.join(OUT, name + '.png');
  await h.page.screenshot({ path: file, animations: 'disabled' });
  assert.ok(fs.statSync(file).size > 5000, name + ' was written');
  assert.deepEqual((await h.look(['overflow'])).overflow, [], name + ' sticks out sideways');
}

// axe's violations in the page as it is now, one line per rule with the elements it names.
async function axe(h, where) {
  if (!(await h.page.evaluate(() => !!window.axe))) await h.page.addScriptTag({ path: AXE });
  const r = await h.page.evaluate(() => window.axe.run(document, { runOnly: { type: 'tag',
    values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'best-practice'] } }));
  return r.violations.map((v) => where + ': ' + v.id + ' ' + v.nodes.map((n) => n.target.join(' ')).join(', '));
}

// What each pass shows, one after the other: [steps, what axe is told it looks at, screenshot].
const SHOWN = ['apps', 'toybox', 'skins', 'settings', 'report'].map((t) => [[['showTabExternal', t]], t, t]).concat([
  [['fill #isText It crashes when I open the alarms page.', 'click #isSend',
    ['setIssueResult', false, 'The report could not be sent. Please try again later.']], 'answered report form'],
  [[['setSelfUpdateState', 'working'], ['showTabExternal', 'settings']], 'settings while updating'],
  [[['updateFailed', 'clock'], ['showInstalled', 'clock']], 'failed update', 'apps-failed'],
  [[['showWelcome', true], 'click #wShowDoc'], 'welcome', 'welcome']]);

describe('screenshots and accessibility', () => {
  fs.mkdirSync(OUT, { recursive: true });
  for (const dpi of [100, 150]) {
    it('every section at ' + dpi + ' %', async () => {
      const h = await filled(dpi);
      const found = [];
      const check = async (where, shot) => { if (shot) await shoot(h, shot + '-' + dpi); found.push(...await axe(h, where)); };
      for (const [steps, where, shot] of SHOWN) {
        for (const s of steps) await perform(h, s);
        await check(where, shot);
      }
      assert.deepEqual(found, []);
      if (dpi !== 100) return;
      // Icons from the host's data folder load from their file addresses.
      assert.deepEqual(await h.page.evaluate(() => Array.prototype.map.call(document.querySelectorAll('.app-icon img'),
        (i) => [i.naturalWidth, i.style.display])), [[64, ''], [64, ''], [64, '']]);
    });
  }

  it('a forced-colours theme keeps switches, bars and the current section visible', async () => {
    const h = await filled(100);
    await h.page.emulateMedia({ forcedColors: 'active' });
    for (const [t, show] of [['toybox', { 'css #nav-toybox outline-style': 'solid', 'css [data-slug=tiles] .bar border-top-style': 'solid' }],
      ['settings', { 'css #optAutostart opacity': '1', 'css #optAutostart position': 'static' }]]) {
      await h.call('showTabExternal', t);
      await shoot(h, t + '-forced-100');
      await h.expect(show);
    }
  });
});

'use strict';
// What the tables cannot say: loading, the command channel, a keyboard-only walk into the welcome; every screen
// at 100 % and 150 % (and forced colours) as screenshots, checked for sideways overflow and by axe-core (WCAG 2.1 AA).
const { describe, it } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const path = require('path');
const { pathToFileURL } = require('url');
const { session, perform, hostDispatch, scaled, CONTRACT, PAGE_URL, REPO, appsJson, skinsJson, APPS, SKINS, TELEMETRY } = require('./lib/harness');

const fresh = session();

it('defines the contract\'s functions before the document is complete, sends "ready" once, then delivers commands sent in ' +
  'one turn in order, each through a frame of its own, encoded for the host to decode', async () => {
  const h = await fresh({ real: true, init: () => document.addEventListener('DOMContentLoaded', () => {
    window.early = { state: document.readyState, fns: Object.keys(window.pk).map((k) => [k, window.pk[k].length]) };
  }, true) });
  const r = await h.page.evaluate(() => ({ early: window.early, sent: window.PK.sentCount,
    refused: (() => { try { window.PK.send('nosuch'); } catch (e) { return true; } })() }));
  assert.notEqual(r.early.state, 'complete');
  assert.deepEqual(r.early.fns.sort(), CONTRACT.functions.map((f) => [f.name, f.args.length]).sort());
  assert.deepEqual([h.commands.map((c) => c.url), r.sent, r.refused], [['app:ready'], 1, true]);
  const values = ['clock', 'we"ird<slug>&x=1', 'a+b c', '100%', 'päivä-ünï', 'emoji-\u{1F600}', "it's (fine)!*~",
    'back\\slash', 'line\nbreak\ttab', '#frag?q=1', '', 'https://t.test/skins/a b/?x=1&y=%41', 'a\uD800b\uDC00'];
  const urls = await h.commandsAfter(() => h.page.evaluate((vs) => {
    [['refresh'], ['start', 'clock'], ['notify', '1'], ['backup']].concat(vs.map((v) => ['open', v])).forEach((c) => window.PK.send(...c));
  }, values));
  assert.deepEqual(urls.slice(0, 4), ['app:refresh', 'app:start?slug=clock', 'app:notify?on=1', 'app:backup']);
  assert.deepEqual(urls.slice(4).map((u) => hostDispatch(u).arg), values.slice(0, -1).concat('a\uFFFDb\uFFFD'));
  assert.deepEqual([urls[5], urls[6], urls[10], urls[16]], ['app:open?url=we%22ird%3Cslug%3E%26x%3D1', 'app:open?url=a%2Bb%20c',
    'app:open?url=it%27s%20%28fine%29%21%2A%7E', 'app:open?url=a%EF%BF%BDb%EF%BF%BD']);
  const frames = new Set(h.commands.map((c) => c.frame));  // "ready" included
  assert.deepEqual([frames.size, frames.has(h.page.mainFrame()), h.page.url()], [urls.length + 1, false, PAGE_URL]);
});

it('Tab walks every control in order, Enter and Space press them; the welcome covers the window and keeps Tab inside', async () => {
  const h = await (await fresh()).calls([['setApps', appsJson(APPS)]]);
  const walk = async (...keys) => {
    const reached = [];
    for (const key of keys) reached.push(await h.page.keyboard.press(key).then(() => h.look(['focus'])).then((r) => r.focus));
    return reached;
  };
  assert.deepEqual(await walk(...Array(18).fill('Tab')), ['min:', 'close:', 'nav-apps', 'nav-toybox', 'nav-skins', 'nav-settings',
    'nav-report', 'quit:', 'inupdate:clock', 'start:clock', 'notes:clock', 'uninstall:clock', 'start:jotter', 'notes:jotter',
    'uninstall:jotter', 'update:weather-eye', 'notes:weather-eye', 'refresh:']);
  assert.deepEqual(await h.commandsAfter(() => h.page.keyboard.press('Enter')), ['app:refresh']);
  await h.calls([['setTelemetry', -1, TELEMETRY], ['showWelcome', true]]);
  await h.expect({ 'hidden #welcome': false, 'checked #wAutostart': true, 'checked #optAutostart': true, focus: 'wYes',
    'hidden #wDoc': true, 'attr #main aria-hidden': 'true', 'text #wAutoNote': /^It is switched on/, 'covers #welcome': true });
  assert.deepEqual(await walk('Tab', 'Tab', 'Space'), ['wAutostart', 'wShowDoc', 'wShowDoc']);
  await h.expect({ 'hidden #wDoc': false, 'text #wDoc': TELEMETRY, 'attr #wShowDoc aria-expanded': 'true' });
  assert.deepEqual(await walk('Tab', 'Tab', 'Tab', 'Tab', 'Shift+Tab', 'Shift+Tab'), ['wDoc', 'wNo', 'wYes', 'wAutostart', 'wYes', 'wNo']);
});

const OUT = path.resolve(REPO, process.env.PANKOR_UI_OUT || path.join('build', 'ui-shots'));

// Icons as the host hands them over: file addresses in its data folder (decoding the picture is the browser's job).
fs.mkdirSync(OUT, { recursive: true });
const COLORS = { clock: '#3d7ff0', jotter: '#f5b544', tiles: '#7b5cf0' };
const rows = APPS.map((r) => {
  const file = path.join(OUT, r.slug + '.svg');
  if (COLORS[r.slug]) fs.writeFileSync(file, '<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64">' +
    `<rect width="64" height="64" fill="${COLORS[r.slug]}"/></svg>`);
  return Object.assign({}, r, { icon: COLORS[r.slug] ? pathToFileURL(file).href : '' });
});

async function shoot(h, name) {
  await h.settle();
  await h.page.screenshot({ path: path.join(OUT, name + '.png'), animations: 'disabled' });
  assert.deepEqual((await h.look(['overflow'])).overflow, [], name + ' sticks out sideways');
}

// What each pass shows, one after the other: [steps, what axe is told it looks at, screenshot].
const SHOWN = ['apps', 'toybox', 'skins', 'settings', 'report'].map((t) => [[['showTabExternal', t]], t, t]).concat([
  [['fill #isText It crashes when I open the alarms page.', 'click #isSend',
    ['setIssueResult', false, 'The report could not be sent. Please try again later.']], 'answered report form'],
  [[['setSelfUpdateState', 'working'], ['showTabExternal', 'settings']], 'settings while updating'],
  [[['updateFailed', 'clock'], ['showInstalled', 'clock']], 'failed update', 'apps-failed'],
  [[['showWelcome', true], 'click #wShowDoc'], 'welcome', 'welcome']]);

describe('screenshots and accessibility', () => {
  for (const dpi of [100, 150]) {
    it('every section at ' + dpi + ' %', async () => {
      const h = await (await fresh({ viewport: scaled(dpi) })).calls([['setDpi', dpi], ['setApps', appsJson(rows)], ['setSkins', skinsJson(SKINS)],
        ['setSelfVersion', '1.0.0.12'], ['setSelfUpdate', '1.1.0.0'], ['setAutostart', true], ['setNotify', true], ['setTelemetry', 1, TELEMETRY],
        ['setStatus', 'Checked 09:05'], ['setBusy', 'tiles|Downloading Tile Tumble...'], ['setProgress', 'tiles', 64]]);
      await h.page.addScriptTag({ path: require.resolve('axe-core/axe.min.js') });
      const found = [];
      for (const [steps, where, shot] of SHOWN) {
        for (const s of steps) await perform(h, s);
        if (shot) await shoot(h, shot + '-' + dpi);
        // axe's violations in the page as it is now, one line per rule with the elements it names.
        const r = await h.page.evaluate(() => window.axe.run(document, { runOnly: { type: 'tag',
          values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'best-practice'] } }));
        found.push(...r.violations.map((v) => where + ': ' + v.id + ' ' + v.nodes.map((n) => n.target.join(' ')).join(', ')));
      }
      assert.deepEqual(found, []);
      if (dpi !== 100) return;
      // Icons from the host's data folder load from their file addresses.
      assert.deepEqual(await h.page.evaluate(() => Array.prototype.map.call(document.querySelectorAll('.app-icon img'),
        (i) => [i.naturalWidth, i.style.display])), [[64, ''], [64, ''], [64, '']]);
      // A forced-colours theme keeps switches, bars and the current section visible.
      await perform(h, 'click #wNo');
      await h.page.emulateMedia({ forcedColors: 'active' });
      for (const [t, show] of [['toybox', { 'css #nav-toybox outline-style': 'solid', 'css [data-slug=tiles] .bar border-top-style': 'solid' }],
        ['settings', { 'css #optAutostart opacity': '1', 'css #optAutostart position': 'static' }]]) {
        await h.call('showTabExternal', t);
        await shoot(h, t + '-forced-100');
        await h.expect(show);
      }
    });
  }
});

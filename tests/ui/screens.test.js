'use strict';
// Every section at 100 % and 150 % (and a high-contrast theme) as screenshots for people to
// look at, checked for sideways overflow and by axe-core against WCAG 2.1 A/AA and axe's
// best practices, with the welcome and the answered report form open too.
const { describe, it, before, after, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { pathToFileURL } = require('url');
const { session, scaled, REPO } = require('./lib/browser');
const { appsJson, skinsJson, APPS, SKINS, TELEMETRY, iconBmp } = require('./lib/fixtures');

const OUT = path.resolve(REPO, process.env.PANKOR_UI_OUT || path.join('build', 'ui-shots'));
const AXE = require.resolve('axe-core/axe.min.js');
const AXE_TAGS = ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'best-practice'];
const fresh = session({ before, after, afterEach });

// Icons as the host hands them over: file addresses of bitmaps in its data folder.
const iconDir = fs.mkdtempSync(path.join(os.tmpdir(), 'pankor-icons-'));
const COLORS = { clock: [61, 127, 240], jotter: [245, 181, 68], tiles: [123, 92, 240] };
const rows = APPS.map((r) => {
  const file = path.join(iconDir, r.slug + '.bmp');
  if (COLORS[r.slug]) fs.writeFileSync(file, iconBmp(COLORS[r.slug]));
  return Object.assign({}, r, { icon: COLORS[r.slug] ? pathToFileURL(file).href : '' });
});
after(() => fs.rmSync(iconDir, { recursive: true, force: true }));

async function filled(dpi, viewport) {
  const h = await fresh({ viewport: viewport || scaled(dpi) });
  for (const c of [['setDpi', dpi], ['setApps', appsJson(rows)], ['setSkins', skinsJson(SKINS)], ['setSelfVersion', '1.0.0.12'],
    ['setSelfUpdate', '1.1.0.0'], ['setAutostart', true], ['setNotify', true], ['setTelemetry', 1, TELEMETRY],
    ['setStatus', 'Checked 09:05'], ['setBusy', 'tiles|Downloading Tile Tumble...'], ['setProgress', 'tiles', 64]]) {
    await h.call(...c);
  }
  return h;
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
  const r = await h.page.evaluate((tags) => window.axe.run(document, { runOnly: { type: 'tag', values: tags } }), AXE_TAGS);
  return r.violations.map((v) => where + ': ' + v.id + ' ' + v.nodes.map((n) => n.target.join(' ')).join(', '));
}

describe('screenshots and accessibility', () => {
  fs.mkdirSync(OUT, { recursive: true });
  for (const dpi of [100, 150]) {
    it('every section at ' + dpi + ' %', async () => {
      const h = await filled(dpi);
      const found = [];
      for (const t of ['apps', 'toybox', 'skins', 'settings', 'report']) {
        await h.call('showTabExternal', t);
        await shoot(h, t + '-' + dpi);
        found.push(...await axe(h, t));
      }
      await h.page.fill('#isText', 'It crashes when I open the alarms page.');
      await h.click('#isSend');
      await h.call('setIssueResult', false, 'The report could not be sent. Please try again later.');
      found.push(...await axe(h, 'answered report form'));
      await h.call('setSelfUpdateState', 'working');
      await h.call('showTabExternal', 'settings');
      found.push(...await axe(h, 'settings while updating'));
      await h.call('updateFailed', 'clock');
      await h.call('showInstalled', 'clock');
      await shoot(h, 'apps-failed-' + dpi);
      found.push(...await axe(h, 'failed update'));
      await h.call('showWelcome', true);
      await h.click('#wShowDoc');
      await shoot(h, 'welcome-' + dpi);
      found.push(...await axe(h, 'welcome'));
      assert.deepEqual(found, []);
    });
  }

  it('a high-contrast theme keeps switches, bars and the current section visible', async () => {
    const h = await filled(100);
    await h.page.emulateMedia({ forcedColors: 'active' });
    await h.call('showTabExternal', 'toybox');
    await shoot(h, 'toybox-forced-100');
    await h.expect({ 'css #nav-toybox outline-style': 'solid', 'css [data-slug=tiles] .bar border-top-style': 'solid' });
    await h.call('showTabExternal', 'settings');
    await shoot(h, 'settings-forced-100');
    await h.expect({ 'css #optAutostart opacity': '1', 'css #optAutostart position': 'static' });
  });

  it('icons from the host\'s data folder load from their file addresses', async () => {
    const h = await filled(100);
    await h.settle();
    const loaded = await h.page.evaluate(() => Array.prototype.map.call(document.querySelectorAll('.app-icon img'),
      (i) => [i.naturalWidth, i.style.display]));
    assert.deepEqual(loaded, [[64, ''], [64, ''], [64, '']]);
  });

  it('the 200 % page on a window clamped by a small screen', async () => {
    await shoot(await filled(200, { width: 1256, height: 706 }), 'apps-200-clamped');
  });
});

'use strict';
// Screenshots of every section at 100 % and 150 %, written for people to look at,
// with the layout checks that can be read off the same pages.
const { describe, it, before, after, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { pathToFileURL } = require('url');
const { session, hostCall, q, REPO } = require('./lib/browser');
const { appsJson, skinsJson, APPS, SKINS, TELEMETRY } = require('./lib/fixtures');
const { iconBmp } = require('./lib/bmp');

const OUT = path.resolve(REPO, process.env.PANKOR_UI_OUT || path.join('build', 'ui-shots'));
const fresh = session({ before, after, afterEach });

// Icons as the host hands them over: file addresses of bitmaps in its data folder.
const iconDir = fs.mkdtempSync(path.join(os.tmpdir(), 'pankor-icons-'));
const COLORS = { clock: [61, 127, 240], jotter: [245, 181, 68], tiles: [123, 92, 240] };
const rows = APPS.map((r) => {
  if (!COLORS[r.slug]) return Object.assign({}, r, { icon: '' });
  const file = path.join(iconDir, r.slug + '.bmp');
  fs.writeFileSync(file, iconBmp(COLORS[r.slug]));
  return Object.assign({}, r, { icon: pathToFileURL(file).href });
});
after(() => fs.rmSync(iconDir, { recursive: true, force: true }));

async function filled(dpi) {
  const h = await fresh({ viewport: { width: Math.floor(920 * dpi / 100), height: Math.floor(620 * dpi / 100) } });
  await hostCall(h.page, 'setDpi', String(dpi));
  await hostCall(h.page, 'setApps', q(appsJson(rows)));
  await hostCall(h.page, 'setSkins', q(skinsJson(SKINS)));
  await hostCall(h.page, 'setSelfVersion', q('1.0.0.12'));
  await hostCall(h.page, 'setSelfUpdate', q('1.1.0.0'));
  await hostCall(h.page, 'setAutostart', 'true');
  await hostCall(h.page, 'setNotify', 'true');
  await hostCall(h.page, 'setTelemetry', '1,' + q(TELEMETRY));
  await hostCall(h.page, 'setStatus', q('Checked 09:05'));
  await hostCall(h.page, 'setBusy', q('tiles|Downloading Tile Tumble...'));
  await hostCall(h.page, 'setProgress', '"tiles",64');
  return h;
}

async function settle(page) {
  await page.waitForFunction(() => Array.prototype.every.call(document.images, (i) => i.complete));
  await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
}

async function shoot(page, name) {
  await settle(page);
  const file = path.join(OUT, name + '.png');
  await page.screenshot({ path: file, animations: 'disabled' });
  assert.ok(fs.statSync(file).size > 5000, name + ' was written');
}

// Nothing may stick out sideways, and no control may be cut off at the right.
async function fitsSideways(page) {
  return page.evaluate(() => {
    const main = document.getElementById('main');
    const limit = main.getBoundingClientRect().right;
    const bad = Array.prototype.filter.call(main.querySelectorAll('button, .btn, .card, input, select, textarea'),
      (e) => e.offsetParent !== null && e.getBoundingClientRect().right > limit + 0.5);
    return { over: main.scrollWidth - main.clientWidth, bad: bad.map((e) => e.className || e.tagName) };
  });
}

describe('screenshots', () => {
  fs.mkdirSync(OUT, { recursive: true });
  for (const dpi of [100, 150]) {
    it('every section at ' + dpi + ' %', async () => {
      const h = await filled(dpi);
      for (const tab of ['apps', 'toybox', 'skins', 'settings', 'report']) {
        await hostCall(h.page, 'showTabExternal', q(tab));
        await shoot(h.page, tab + '-' + dpi);
        assert.deepEqual(await fitsSideways(h.page), { over: 0, bad: [] }, tab + ' at ' + dpi);
      }
      await hostCall(h.page, 'updateFailed', q('clock'));
      await hostCall(h.page, 'showInstalled', q('clock'));
      await shoot(h.page, 'apps-failed-' + dpi);
      await hostCall(h.page, 'showWelcome', 'true');
      await h.click('#wShowDoc');
      await shoot(h.page, 'welcome-' + dpi);
      assert.deepEqual(await h.pkErrors(), []);
      assert.deepEqual(h.errors, []);
    });
  }

  it('the icons from the host\'s data folder load from their file addresses', async () => {
    const h = await filled(100);
    await settle(h.page);
    const loaded = await h.page.evaluate(() => Array.prototype.map.call(
      document.querySelectorAll('.app-icon img'), (i) => [i.naturalWidth, i.style.display]));
    assert.deepEqual(loaded, [[64, ''], [64, ''], [64, '']]);
  });

  it('the 200 % page on a clamped window', async () => {
    const h = await fresh({ viewport: { width: 1256, height: 706 } });
    await hostCall(h.page, 'setDpi', '200');
    await hostCall(h.page, 'setApps', q(appsJson(rows)));
    await shoot(h.page, 'apps-200-clamped');
    assert.deepEqual(await fitsSideways(h.page), { over: 0, bad: [] });
  });
});

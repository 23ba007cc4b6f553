'use strict';
// Every section at 100 % and 150 % as screenshots for people to look at, checked for
// sideways overflow.
const { describe, it, before, after, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { pathToFileURL } = require('url');
const { session, scaled, REPO } = require('./lib/browser');
const { appsJson, skinsJson, APPS, SKINS, TELEMETRY, iconBmp } = require('./lib/fixtures');

const OUT = path.resolve(REPO, process.env.PANKOR_UI_OUT || path.join('build', 'ui-shots'));
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

describe('screenshots', () => {
  fs.mkdirSync(OUT, { recursive: true });
  for (const dpi of [100, 150]) {
    it('every section at ' + dpi + ' %', async () => {
      const h = await filled(dpi);
      for (const t of ['apps', 'toybox', 'skins', 'settings', 'report']) {
        await h.call('showTabExternal', t);
        await shoot(h, t + '-' + dpi);
      }
      await h.call('updateFailed', 'clock');
      await h.call('showInstalled', 'clock');
      await shoot(h, 'apps-failed-' + dpi);
      await h.call('showWelcome', true);
      await h.click('#wShowDoc');
      await shoot(h, 'welcome-' + dpi);
    });
  }

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

'use strict';
// The two directions between page and host: command URLs out, window.pk calls in.
const { describe, it, before, after, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const { session, hostCall, q, waitFor, hostDispatch, PAGE_URL } = require('./lib/browser');

const fresh = session({ before, after, afterEach });

const PAGE_FUNCTIONS = ['setApps', 'setAutostart', 'setBusy', 'setDpi', 'setIssueResult', 'setNotify',
  'setProgress', 'setSelfUpdate', 'setSelfUpdateState', 'setSelfVersion', 'setSkins', 'setStatus',
  'setTelemetry', 'showInstalled', 'showTabExternal', 'showWelcome', 'updateFailed'];

describe('loading', () => {
  it('defines every page function before the document has finished loading', async () => {
    const h = await fresh();
    const page = await h.page.context().newPage();
    await page.addInitScript(() => {
      window.__seen = null;
      document.addEventListener('DOMContentLoaded', () => {
        const pk = window.pk || {};
        window.__seen = { state: document.readyState, fns: Object.keys(pk).filter((k) => typeof pk[k] === 'function') };
      }, true);
    });
    await page.goto(PAGE_URL);
    const seen = await page.evaluate(() => window.__seen);
    await page.close();
    assert.notEqual(seen.state, 'complete');
    assert.deepEqual(seen.fns.sort(), PAGE_FUNCTIONS);
  });

  it('sends "ready" exactly once, from a sub-frame, after the load event', async () => {
    const h = await fresh();
    // fresh() already waited for ready and took it; nothing more may follow.
    await h.page.waitForTimeout(300);
    assert.deepEqual(h.take(), []);
    const page = await h.page.context().newPage();
    const seen = [];
    page.on('request', (r) => {
      if (r.url().startsWith('app:')) seen.push({ url: r.url(), sub: r.frame() !== page.mainFrame() });
    });
    await page.addInitScript(() => {
      window.__loaded = false;
      window.addEventListener('load', () => { window.__loaded = true; }, true);
    });
    await page.goto(PAGE_URL, { waitUntil: 'load' });
    await waitFor(() => seen.length > 0, 3000, 'ready');
    await page.waitForTimeout(200);
    assert.deepEqual(seen, [{ url: 'app:ready', sub: true }]);
    assert.equal(page.url(), PAGE_URL);
    await page.close();
  });

  it('tolerates calls that the host makes in any order, even before any data', async () => {
    const h = await fresh();
    await hostCall(h.page, 'showInstalled', q('clock'));
    await hostCall(h.page, 'setBusy', q('clock|Downloading Clock...'));
    await hostCall(h.page, 'setProgress', '"clock",50');
    await hostCall(h.page, 'updateFailed', q('clock'));
    await hostCall(h.page, 'setSelfUpdateState', q('ready'));
    await hostCall(h.page, 'showTabExternal', q(''));
    assert.deepEqual(await h.pkErrors(), []);
    assert.deepEqual(h.errors, []);
  });
});

describe('commands', () => {
  // True when some frame was navigated to a command again within `ms` of its previous
  // one: the case in which WebKit drops the earlier navigation.
  function reusedTooSoon(commands, ms) {
    const last = new Map();
    for (const c of commands) {
      if (last.has(c.frame) && c.t - last.get(c.frame) < ms) return true;
      last.set(c.frame, c.t);
    }
    return false;
  }

  it('delivers five commands sent in one click, in order, none sharing a frame', async () => {
    const h = await fresh();
    await h.page.evaluate(() => {
      const b = document.createElement('button');
      b.id = 'burst';
      b.textContent = 'burst';
      b.style.cssText = 'position:absolute;left:300px;top:300px;z-index:99';
      b.addEventListener('click', () => {
        window.PK.send('refresh');
        window.PK.send('start', 'slug', 'clock');
        window.PK.send('notify', 'on', '1');
        window.PK.send('open', 'url', 'https://tarnwick.test/a?b=c&d=e');
        window.PK.send('backup');
      });
      document.body.appendChild(b);
    });
    await h.page.locator('#burst').click();
    await waitFor(() => h.commands.length >= 5, 3000, 'five commands');
    await h.page.waitForTimeout(200);
    const cmds = h.commands.slice();
    assert.deepEqual(cmds.map((c) => c.url), [
      'app:refresh', 'app:start?slug=clock', 'app:notify?on=1',
      'app:open?url=https%3A%2F%2Ftarnwick.test%2Fa%3Fb%3Dc%26d%3De', 'app:backup']);
    assert.ok(cmds.every((c) => !c.main), 'the page itself never navigates away');
    assert.equal(reusedTooSoon(cmds, 2000), false);
    assert.equal(h.page.url(), PAGE_URL);
  });

  it('the frame check catches a sender that navigates one frame repeatedly', async () => {
    const h = await fresh();
    await h.page.evaluate(() => {
      const f = document.createElement('iframe');
      document.body.appendChild(f);
      for (let i = 0; i < 3; i++) f.src = 'app:naive' + i;
    });
    await waitFor(() => h.commands.length >= 1, 3000, 'a naive command');
    await h.page.waitForTimeout(200);
    assert.equal(reusedTooSoon(h.commands, 2000) || h.commands.length < 3, true);
  });

  it('encodes arguments so that the host decodes them unchanged', async () => {
    const h = await fresh();
    const values = ['clock', 'we"ird<slug>&x=1', 'a+b c', '100%', 'päivä-ünï', 'emoji-\u{1F600}',
      "it's (fine)!*~", 'back\\slash', 'line\nbreak\ttab', '#frag?q=1', '', 'https://tarnwick.test/skins/a b/?x=1&y=%41'];
    const urls = await h.page.evaluate((vs) => vs.map((v) => {
      window.PK.send('open', 'url', v);
      return window.PK.commandUrl('open', 'url', v);
    }), values);
    await waitFor(() => h.commands.length >= values.length, 3000, 'all commands');
    const got = h.take();
    assert.deepEqual(got, urls);
    assert.deepEqual(got.map((u) => hostDispatch(u)), values.map((v) => ({ cmd: 'open', arg: v })));
    assert.equal(got[1], 'app:open?url=we%22ird%3Cslug%3E%26x%3D1');
    assert.equal(got[2], 'app:open?url=a%2Bb%20c');
    assert.equal(got[6], 'app:open?url=it%27s%20%28fine%29%21%2A%7E');
    // Half a surrogate pair cannot be encoded; it must not stop the command.
    const half = await h.page.evaluate(() => window.PK.commandUrl('start', 'slug', 'a\uD800b\uDC00'));
    assert.equal(half, 'app:start?slug=a%EF%BF%BDb%EF%BF%BD');
  });

  it('removes old command frames but keeps recent ones', async () => {
    const h = await fresh();
    const counts = await h.page.evaluate(() => {
      const real = window.PK.now;
      let fake = real();
      window.PK.now = () => fake;
      for (let i = 0; i < 4; i++) window.PK.send('refresh');
      const before = document.getElementById('cmdframes').getElementsByTagName('iframe').length;
      fake += 60000;
      window.PK.send('refresh');
      const afterSweep = document.getElementById('cmdframes').getElementsByTagName('iframe').length;
      window.PK.now = real;
      return [before, afterSweep];
    });
    assert.ok(counts[0] >= 4);
    assert.equal(counts[1], 1);
  });
});

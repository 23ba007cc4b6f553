'use strict';
// App and game cards: what setApps shows, the commands behind every action, and the
// busy / progress / failure / highlight states the host drives.
const { describe, it, before, after, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const { session, hostCall, q, waitFor } = require('./lib/browser');
const { appsJson, APPS } = require('./lib/fixtures');

const fresh = session({ before, after, afterEach });

async function withApps(rows, opts) {
  const h = await fresh(opts);
  await hostCall(h.page, 'setApps', q(appsJson(rows || APPS)));
  return h;
}

// What one card shows, read back from the page.
async function card(page, slug) {
  return page.evaluate((s) => {
    const c = window.PK.cardsFor(s)[0];
    if (!c) return null;
    const txt = (cls) => {
      const e = c.getElementsByClassName(cls)[0];
      return e ? e.textContent : null;
    };
    const buttons = Array.prototype.map.call(c.getElementsByTagName('button'),
      (b) => ({ text: b.textContent, cmd: b.getAttribute('data-do'), disabled: b.disabled }));
    const badges = Array.prototype.map.call(c.getElementsByClassName('badge'), (b) => b.textContent);
    const panel = c.parentNode.parentNode.parentNode.id;
    const img = c.getElementsByTagName('img')[0];
    return { name: txt('card-name'), headline: txt('card-headline'), desc: txt('card-desc'),
      meta: txt('card-meta'), req: txt('card-req'), busy: txt('busytext'), note: txt('card-note'),
      buttons, badges, panel, visible: c.offsetParent !== null, img: img ? img.getAttribute('src') : null,
      highlight: / highlight /.test(' ' + c.className + ' ') };
  }, slug);
}

async function clickAction(h, slug, label) {
  const b = h.page.locator('article[data-slug="' + slug.replace(/"/g, '\\"') + '"] button', { hasText: label }).first();
  await h.click(b);
}

async function nextCommand(h) {
  await waitFor(() => h.commands.length > 0, 3000, 'a command');
  await h.page.waitForTimeout(60);
  return h.take();
}

describe('app cards', () => {
  it('show name, headline, description, versions and the running and update badges', async () => {
    const h = await withApps();
    const clock = await card(h.page, 'clock');
    assert.equal(clock.name, 'Tarnwick Clock');
    assert.equal(clock.headline, 'A desk clock with alarms and timers');
    assert.match(clock.desc, /^World times, alarms/);
    assert.equal(clock.meta, 'Installed 2.0.0.1\u00b7Latest 2.1.0.0');
    assert.deepEqual(clock.badges, ['Running', 'Update']);
    assert.equal(clock.panel, 'tab-apps');
    assert.equal(clock.img, 'https://img.tarnwick.test/icons/clock.png');
    const jot = await card(h.page, 'jotter');
    assert.deepEqual(jot.badges, []);
    assert.deepEqual(jot.buttons.map((b) => b.cmd), ['start', 'notes', 'uninstall']);
    const weather = await card(h.page, 'weather-eye');
    assert.equal(weather.meta, 'Not installed\u00b7Latest 1.2.0.0');
    assert.deepEqual(weather.buttons.map((b) => b.cmd), ['update', 'notes']);
    const counts = await h.page.evaluate(() => [document.getElementById('appsCount').textContent,
      document.getElementById('appsLead').textContent]);
    assert.deepEqual(counts, ['1', '2 installed \u00b7 1 update waiting']);
  });

  it('offer an update in place only when the installed version is older, compared part by part', async () => {
    const rows = [
      { slug: 'a', name: 'A', installed: '1.0.0.9', latest: '1.0.0.12' },
      { slug: 'b', name: 'B', installed: '1.0.0.12', latest: '1.0.0.9' },
      { slug: 'c', name: 'C', installed: '1.2', latest: '1.2.0.0' },
      { slug: 'd', name: 'D', installed: '1.2.3.4', latest: '1.2.3.4.9' },
      { slug: 'e', name: 'E', installed: '3-beta', latest: '3.1' },
      { slug: 'f', name: 'F', installed: '2.0', latest: '' },
    ];
    const h = await withApps(rows);
    const offered = [];
    for (const r of rows) {
      const c = await card(h.page, r.slug);
      if (c.buttons.some((b) => b.cmd === 'inupdate')) offered.push(r.slug);
    }
    assert.deepEqual(offered, ['a', 'e']);
  });

  it('send the exact command for every action', async () => {
    const h = await withApps();
    await clickAction(h, 'clock', 'Update to 2.1.0.0');
    assert.deepEqual(await nextCommand(h), ['app:inupdate?slug=clock']);
    await clickAction(h, 'clock', 'Start');
    assert.deepEqual(await nextCommand(h), ['app:start?slug=clock']);
    await clickAction(h, 'clock', 'Release notes');
    assert.deepEqual(await nextCommand(h), ['app:notes?slug=clock']);
    await clickAction(h, 'weather-eye', 'Get it');
    assert.deepEqual(await nextCommand(h), ['app:update?slug=weather-eye']);
    await h.page.evaluate(() => window.pk.showTabExternal('toybox'));
    await clickAction(h, 'marbles', 'Get the game');
    assert.deepEqual(await nextCommand(h), ['app:update?slug=marbles']);
    await clickAction(h, 'tiles', 'Update to 1.0.0.0');
    assert.deepEqual(await nextCommand(h), ['app:inupdate?slug=tiles']);
  });

  it('ask for a second click before uninstalling, and forget the first one after a while', async () => {
    const h = await withApps();
    await clickAction(h, 'jotter', 'Uninstall');
    await h.page.waitForTimeout(150);
    assert.deepEqual(h.take(), []);
    assert.ok((await card(h.page, 'jotter')).buttons.some((b) => b.text === 'Click again to uninstall'));
    await clickAction(h, 'jotter', 'Click again to uninstall');
    assert.deepEqual(await nextCommand(h), ['app:uninstall?slug=jotter']);
    assert.ok((await card(h.page, 'jotter')).buttons.some((b) => b.text === 'Uninstall'));
    // An armed button falls back once its time is up.
    await h.page.evaluate(() => {
      const real = window.PK.now;
      window.PK.armUninstall('clock');
      window.PK.state.confirm.clock = real() - 1;
    });
    await clickAction(h, 'clock', 'Uninstall');
    await h.page.waitForTimeout(150);
    assert.deepEqual(h.take(), []);
  });

  it('encode slugs that are not plain', async () => {
    const slug = 'we"ird&slug=1?x y';
    const h = await withApps([{ slug, name: 'Weird', installed: '1.0', latest: '1.0' }]);
    await clickAction(h, slug, 'Start');
    assert.deepEqual(await nextCommand(h), ['app:start?slug=we%22ird%26slug%3D1%3Fx%20y']);
  });

  it('show hostile catalog text as text, never as markup', async () => {
    const evil = '<script>window.__pwned=1</script><img src=x onerror="window.__pwned=2">';
    const h = await withApps([{ slug: 'x', name: evil, headline: '"quoted" & \'single\'', desc: evil + '\\ back\\slash',
      installed: '1.0', latest: '<b>2.0</b>', icon: 'javascript:window.__pwned=3', running: true }]);
    await h.page.waitForTimeout(200);
    const c = await card(h.page, 'x');
    assert.equal(c.name, evil);
    assert.equal(c.headline, '"quoted" & \'single\'');
    assert.equal(c.desc, evil + '\\ back\\slash');
    assert.equal(c.img, null);
    const found = await h.page.evaluate(() => ({
      pwned: window.__pwned,
      scripts: document.getElementById('main').getElementsByTagName('script').length,
      imgs: document.getElementById('main').querySelectorAll('img[src="x"]').length,
      bold: document.getElementById('main').getElementsByTagName('b').length,
    }));
    assert.deepEqual(found, { pwned: undefined, scripts: 0, imgs: 0, bold: 0 });
  });

  it('keep very long names and words inside their card', async () => {
    const long = 'N'.repeat(400);
    const h = await withApps([{ slug: 'long', name: long, headline: long, desc: 'D'.repeat(3000),
      installed: '1.0', latest: '2.0' }, APPS[1]]);
    const m = await h.page.evaluate(() => {
      const main = document.getElementById('main');
      const c = window.PK.cardsFor('long')[0];
      const r = c.getBoundingClientRect();
      const mr = main.getBoundingClientRect();
      return { over: main.scrollWidth - main.clientWidth, right: r.right - mr.right, width: r.width };
    });
    assert.ok(m.over <= 0, 'no sideways scrolling');
    assert.ok(m.right <= 0, 'card ends inside the content area');
    assert.equal((await card(h.page, 'long')).name, long);
  });

  it('show an empty state for an empty list, and keep the rows when the text is not a list', async () => {
    const h = await fresh();
    const loading = await h.page.evaluate(() => document.getElementById('appsList').textContent);
    assert.match(loading, /Looking for your apps/);
    await hostCall(h.page, 'setApps', q(appsJson(APPS)));
    for (const bad of ['not json', '{"slug":"x"}', '', '[1,2']) {
      await hostCall(h.page, 'setApps', q(bad));
    }
    assert.equal((await card(h.page, 'clock')).name, 'Tarnwick Clock');
    await hostCall(h.page, 'setApps', q('[]'));
    const empty = await h.page.evaluate(() => [document.getElementById('appsList').textContent,
      document.getElementById('gamesList').textContent, document.getElementById('appsCount').hidden]);
    assert.match(empty[0], /No apps to show/);
    assert.match(empty[1], /Toy box is empty/);
    assert.equal(empty[2], true);
    assert.deepEqual(await h.pkErrors(), []);
  });

  it('accept rows with raw control characters and escaped line breaks', async () => {
    const h = await withApps([{ slug: 'ctl', name: 'Bell\u0007Name', desc: 'one\r\ntwo\tthree', installed: '', latest: '1' }]);
    const c = await card(h.page, 'ctl');
    assert.equal(c.name, 'Bell Name');
    assert.equal(c.desc, 'one\ntwo\tthree');
  });
});

describe('game cards', () => {
  it('live in the Toy box with screenshot, requirements and their own badges', async () => {
    const h = await withApps();
    const marbles = await card(h.page, 'marbles');
    assert.equal(marbles.panel, 'tab-toybox');
    assert.equal(marbles.req, 'Needs: Windows 7 or later, 120 MB free');
    assert.deepEqual(marbles.badges, ['Free']);
    await h.page.evaluate(() => window.pk.showTabExternal('toybox'));
    await h.page.waitForFunction(() =>
      /marbles\.png/.test(window.PK.cardsFor('marbles')[0].getElementsByClassName('shot')[0].style.backgroundImage));
    const tiles = await card(h.page, 'tiles');
    assert.deepEqual(tiles.badges, ['Update']);
    assert.equal(await h.page.evaluate(() => document.getElementById('gamesCount').textContent), '1');
    const apps = await h.page.evaluate(() => Array.prototype.map.call(
      document.getElementById('appsList').getElementsByTagName('article'), (a) => a.getAttribute('data-slug')));
    assert.deepEqual(apps, ['clock', 'jotter', 'weather-eye']);
  });

  it('fall back to a lettered tile when the screenshot cannot load, and keep quotes out of the style', async () => {
    const h = await withApps([{ slug: 'g1', name: 'Gone', kind: 'game', latest: '1', shot: 'https://img.tarnwick.test/missing' },
      { slug: 'g2', name: 'Quote', kind: 'game', latest: '1', shot: 'https://img.tarnwick.test/a")b;color:red.png' }]);
    await h.page.evaluate(() => window.pk.showTabExternal('toybox'));
    await h.page.waitForTimeout(300);
    const r = await h.page.evaluate(() => {
      const s1 = window.PK.cardsFor('g1')[0].getElementsByClassName('shot')[0];
      const s2 = window.PK.cardsFor('g2')[0].getElementsByClassName('shot')[0];
      return { letter: s1.getElementsByClassName('shot-letter')[0].textContent, bg1: s1.style.backgroundImage, color2: s2.style.color,
        bg2: getComputedStyle(s2).backgroundImage };
    });
    assert.equal(r.letter, 'G');
    assert.equal(r.bg1, '');
    assert.equal(r.color2, '');
    assert.match(r.bg2, /^url\(".*a%22\)b;color:red\.png"\)$/);
  });
});

describe('busy, progress and failure', () => {
  it('show the busy line, disable the card, and clear it on an empty text', async () => {
    const h = await withApps();
    await hostCall(h.page, 'setBusy', q('clock|Downloading Tarnwick Clock...'));
    let c = await card(h.page, 'clock');
    assert.equal(c.busy, 'Downloading Tarnwick Clock...');
    assert.deepEqual(c.buttons.filter((b) => b.disabled).map((b) => b.cmd), ['inupdate', 'start', 'uninstall']);
    assert.equal(await h.page.evaluate(() => window.PK.cardsFor('clock')[0]
      .getElementsByClassName('bar')[0].className), 'bar indeterminate');
    // A redraw of the rows keeps the busy line.
    await hostCall(h.page, 'setApps', q(appsJson(APPS)));
    assert.equal((await card(h.page, 'clock')).busy, 'Downloading Tarnwick Clock...');
    await hostCall(h.page, 'setBusy', q('clock|Installing A|B...'));
    assert.equal((await card(h.page, 'clock')).busy, 'Installing A|B...');
    await hostCall(h.page, 'setBusy', q('clock|'));
    c = await card(h.page, 'clock');
    assert.equal(c.busy, null);
    assert.ok(c.buttons.every((b) => !b.disabled));
    assert.equal((await card(h.page, 'jotter')).busy, null);
  });

  it('draw a determinate bar for a percentage and an indeterminate one for an unknown size', async () => {
    const h = await withApps();
    const bar = () => h.page.evaluate(() => {
      const c = window.PK.cardsFor('clock')[0];
      const b = c.getElementsByClassName('bar')[0];
      return b ? { cls: b.className, width: b.firstChild.style.width,
        pct: c.getElementsByClassName('pct')[0].textContent, now: b.getAttribute('aria-valuenow') } : null;
    });
    await hostCall(h.page, 'setProgress', '"clock",30');
    assert.equal(await bar(), null, 'no bar while not busy');
    await hostCall(h.page, 'setBusy', q('clock|Downloading Tarnwick Clock...'));
    await hostCall(h.page, 'setProgress', '"clock",42');
    assert.deepEqual(await bar(), { cls: 'bar', width: '42%', pct: '42%', now: '42' });
    await hostCall(h.page, 'setProgress', '"clock",250');
    assert.equal((await bar()).width, '100%');
    await hostCall(h.page, 'setProgress', '"clock","x"');
    assert.equal((await bar()).width, '100%');
    await hostCall(h.page, 'setProgress', '"clock",-1');
    assert.deepEqual(await bar(), { cls: 'bar indeterminate', width: '', pct: '', now: null });
    await hostCall(h.page, 'setProgress', '"clock",10');
    await hostCall(h.page, 'setBusy', q('clock|Installing Tarnwick Clock...'));
    assert.equal((await bar()).cls, 'bar indeterminate', 'a new phase starts without a figure');
  });

  it('after a failed update, clear the busy line and offer the download page instead', async () => {
    const h = await withApps();
    await hostCall(h.page, 'setBusy', q('clock|Downloading Tarnwick Clock...'));
    await hostCall(h.page, 'updateFailed', q('clock'));
    let c = await card(h.page, 'clock');
    assert.equal(c.busy, null);
    assert.deepEqual(c.badges, ['Running', 'Update failed']);
    assert.match(c.note, /download page/);
    assert.deepEqual(c.buttons.map((b) => b.cmd), ['update', 'start', 'notes', 'uninstall']);
    await clickAction(h, 'clock', 'Get 2.1.0.0 from the website');
    assert.deepEqual(await nextCommand(h), ['app:update?slug=clock']);
    // The same rows again keep the failure; a new installed version ends it.
    await hostCall(h.page, 'setApps', q(appsJson(APPS)));
    assert.equal((await card(h.page, 'clock')).buttons[0].cmd, 'update');
    const moved = APPS.map((r) => (r.slug === 'clock' ? Object.assign({}, r, { installed: '2.0.5.0' }) : r));
    await hostCall(h.page, 'setApps', q(appsJson(moved)));
    c = await card(h.page, 'clock');
    assert.equal(c.buttons[0].cmd, 'inupdate');
    assert.equal(c.note, null);
  });

  it('highlight and scroll to the card of an installed app, on its own tab', async () => {
    const many = APPS.concat(Array.from({ length: 12 }, (_, i) => ({ slug: 'filler' + i, name: 'Filler ' + i,
      installed: '1.0', latest: '1.0', desc: 'x' })), [{ slug: 'last', name: 'Last', installed: '1.0', latest: '1.0' }]);
    const h = await withApps(many);
    await hostCall(h.page, 'showTabExternal', q('settings'));
    await hostCall(h.page, 'showInstalled', q('LAST'));
    const r = await h.page.evaluate(() => {
      const main = document.getElementById('main');
      const c = window.PK.cardsFor('last')[0];
      const cr = c.getBoundingClientRect();
      const mr = main.getBoundingClientRect();
      return { top: cr.top >= mr.top && cr.top < mr.bottom, scrolled: main.scrollTop > 0,
        focused: document.activeElement === c, tab: window.PK.state.tab };
    });
    assert.deepEqual(r, { top: true, scrolled: true, focused: true, tab: 'apps' });
    assert.equal((await card(h.page, 'last')).highlight, true);
    await hostCall(h.page, 'showInstalled', q('tiles'));
    assert.equal(await h.page.evaluate(() => window.PK.state.tab), 'toybox');
    assert.equal((await card(h.page, 'tiles')).highlight, true);
    await hostCall(h.page, 'showInstalled', q('no-such-app'));
    assert.equal(await h.page.evaluate(() => window.PK.state.tab), 'toybox');
  });
});

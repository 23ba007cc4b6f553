'use strict';
// Window chrome, sections, status line, scaling and keyboard use.
const { describe, it, before, after, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const { session, hostCall, q, waitFor } = require('./lib/browser');
const { appsJson, APPS } = require('./lib/fixtures');

const fresh = session({ before, after, afterEach });

const visibleTab = (page) => page.evaluate(() =>
  ['apps', 'toybox', 'skins', 'settings', 'report'].filter((t) => !document.getElementById('tab-' + t).hidden));

const commandsAfter = (h, fn) => h.commandsAfter(fn);

describe('window chrome', () => {
  it('minimise, close and both quit buttons send their commands', async () => {
    const h = await fresh();
    assert.deepEqual(await commandsAfter(h, () => h.click('#titlebar [data-do="min"]')), ['app:min']);
    assert.deepEqual(await commandsAfter(h, () => h.click('#titlebar [data-do="close"]')), ['app:close']);
    assert.deepEqual(await commandsAfter(h, () => h.click('#nav [data-do="quit"]')), ['app:quit']);
    await hostCall(h.page, 'showTabExternal', q('settings'));
    assert.deepEqual(await commandsAfter(h, () => h.click('#tab-settings [data-do="quit"]')), ['app:quit']);
  });

  it('the title area asks the host to drag on a left mouse-down, but not on its buttons', async () => {
    const h = await fresh();
    const down = (sel, button) => h.page.locator(sel).dispatchEvent('mousedown', { button, bubbles: true });
    assert.deepEqual(await commandsAfter(h, () => down('#titlebar .brand', 0)), ['app:drag']);
    assert.deepEqual(await commandsAfter(h, () => down('#titlebar .title-spacer', 0)), ['app:drag']);
    assert.deepEqual(await commandsAfter(h, () => down('#titlebar .title-spacer', 2)), []);
    assert.deepEqual(await commandsAfter(h, () => down('#titlebar [data-do="min"]', 0)), []);
    assert.deepEqual(await commandsAfter(h, () => down('#main', 0)), []);
  });

  it('a real press on the title area sends "drag" at once, before the button is released', async () => {
    const h = await fresh();
    const box = await h.page.locator('#titlebar .title-spacer').boundingBox();
    await h.page.mouse.move(box.x + 20, box.y + 10);
    await h.page.mouse.down();
    await waitFor(() => h.commands.length > 0, 2000, 'drag');
    assert.deepEqual(h.take(), ['app:drag']);
    await h.page.mouse.up();
  });
});

describe('sections', () => {
  it('showTabExternal opens each section by name and ignores unknown names', async () => {
    const h = await fresh();
    assert.deepEqual(await visibleTab(h.page), ['apps']);
    for (const [name, want] of [['toybox', 'toybox'], ['skins', 'skins'], ['settings', 'settings'], ['report', 'report'],
      ['apps', 'apps'], [' Settings ', 'settings'], ['TOYBOX', 'toybox'], ['games', 'toybox']]) {
      await hostCall(h.page, 'showTabExternal', q(name));
      assert.deepEqual(await visibleTab(h.page), [want], name);
    }
    for (const bad of ['', 'nonsense', '<script>', 'tab-apps']) {
      await hostCall(h.page, 'showTabExternal', q(bad));
      assert.deepEqual(await visibleTab(h.page), ['toybox'], bad);
    }
    const sel = await h.page.evaluate(() => document.getElementById('nav-toybox').getAttribute('aria-selected'));
    assert.equal(sel, 'true');
  });

  it('the section buttons switch sections without sending anything', async () => {
    const h = await fresh();
    for (const t of ['toybox', 'skins', 'settings', 'report', 'apps']) {
      assert.deepEqual(await commandsAfter(h, () => h.click('#nav-' + t)), []);
      assert.deepEqual(await visibleTab(h.page), [t]);
    }
  });

  it('the content area is the scrolling element "main", and settings sit in "tab-settings"', async () => {
    const h = await fresh({ viewport: { width: 920, height: 620 } });
    await hostCall(h.page, 'showTabExternal', q('settings'));
    const m = await h.page.evaluate(() => {
      const main = document.getElementById('main');
      const set = document.getElementById('tab-settings');
      return { mainScroll: main.scrollHeight > main.clientHeight, style: getComputedStyle(main).overflowY,
        bodyScroll: document.body.scrollHeight <= document.body.clientHeight + 1, setH: set.offsetHeight > 0,
        inside: set.parentNode === main };
    });
    assert.deepEqual(m, { mainScroll: true, style: 'auto', bodyScroll: true, setH: true, inside: true });
  });
});

describe('status line', () => {
  it('shows the host text as text and keeps a long line on one row', async () => {
    const h = await fresh();
    await hostCall(h.page, 'setStatus', q('Checked 09:05'));
    assert.equal(await h.page.locator('#status').textContent(), 'Checked 09:05');
    const long = '<i>Couldn\'t reach</i> "tarnwick.test" \\ ' + 'x'.repeat(600);
    await hostCall(h.page, 'setStatus', q(long));
    const s = await h.page.evaluate(() => {
      const e = document.getElementById('status');
      return { text: e.textContent, italics: e.getElementsByTagName('i').length, h: e.offsetHeight,
        bar: document.getElementById('statusbar').offsetHeight, over: document.body.scrollWidth - innerWidth };
    });
    assert.equal(s.text, long);
    assert.equal(s.italics, 0);
    assert.ok(s.h <= s.bar && s.over <= 0);
    assert.deepEqual(await commandsAfter(h, () => h.click('#statusbar [data-do="refresh"]')), ['app:refresh']);
  });
});

describe('scale', () => {
  it('setDpi scales everything through the root size; nonsense falls back to 100', async () => {
    const h = await fresh();
    const sizes = () => h.page.evaluate(() => [getComputedStyle(document.documentElement).fontSize,
      document.getElementById('titlebar').offsetHeight, document.getElementById('nav').offsetWidth]);
    // The host sizes the window with the scale (920 x 620 at 100 %).
    const at = async (dpi, arg) => {
      await h.page.setViewportSize({ width: Math.floor(920 * dpi / 100), height: Math.floor(620 * dpi / 100) });
      await hostCall(h.page, 'setDpi', arg === undefined ? String(dpi) : arg);
      return sizes();
    };
    assert.deepEqual(await at(100), ['16px', 40, 200]);
    assert.deepEqual(await at(150), ['24px', 60, 300]);
    assert.deepEqual(await at(125), ['20px', 50, 250]);
    assert.deepEqual(await at(100, '"abc"'), ['16px', 40, 200]);
    assert.deepEqual(await at(100, '50'), ['16px', 40, 200]);
  });

  it('at 200 % on a window clamped by a small screen, the sidebar folds and cards stack', async () => {
    const h = await fresh({ viewport: { width: 1256, height: 706 } });
    await hostCall(h.page, 'setApps', q(appsJson(APPS)));
    await hostCall(h.page, 'setDpi', '200');
    const r = await h.page.evaluate(() => {
      const main = document.getElementById('main');
      const cards = window.PK.cardsFor('clock').concat(window.PK.cardsFor('jotter'));
      return { cls: document.body.className, over: main.scrollWidth - main.clientWidth,
        stacked: cards[1].getBoundingClientRect().top > cards[0].getBoundingClientRect().bottom };
    });
    assert.match(r.cls, /compact/);
    assert.match(r.cls, /cols-1/);
    assert.ok(r.over <= 0);
    assert.equal(r.stacked, true);
  });
});

describe('keyboard', () => {
  it('every control can be reached with Tab, and arrow keys move between sections', async () => {
    const h = await fresh();
    await hostCall(h.page, 'setApps', q(appsJson(APPS)));
    const reached = new Set();
    for (let i = 0; i < 40; i++) {
      await h.page.keyboard.press('Tab');
      reached.add(await h.page.evaluate(() => {
        const a = document.activeElement;
        return a.id || (a.getAttribute('data-do') || '') + ':' + (a.getAttribute('data-slug') || '');
      }));
    }
    for (const want of ['min:', 'close:', 'nav-apps', 'quit:', 'inupdate:clock', 'start:clock', 'notes:clock',
      'uninstall:clock', 'update:weather-eye', 'refresh:']) {
      assert.ok(reached.has(want), want + ' is reachable');
    }
    await h.page.focus('#nav-apps');
    await h.page.keyboard.press('ArrowDown');
    assert.deepEqual(await visibleTab(h.page), ['toybox']);
    assert.equal(await h.page.evaluate(() => document.activeElement.id), 'nav-toybox');
    await h.page.keyboard.press('End');
    assert.deepEqual(await visibleTab(h.page), ['report']);
    await h.page.keyboard.press('ArrowDown');
    assert.deepEqual(await visibleTab(h.page), ['apps']);
  });

  it('a redraw of the rows keeps the keyboard focus on the same action', async () => {
    const h = await fresh();
    await hostCall(h.page, 'setApps', q(appsJson(APPS)));
    await h.page.focus('article[data-slug="jotter"] button[data-do="start"]');
    const running = APPS.map((r) => (r.slug === 'jotter' ? Object.assign({}, r, { running: true }) : r));
    await hostCall(h.page, 'setApps', q(appsJson(running)));
    const f = await h.page.evaluate(() => [document.activeElement.getAttribute('data-do'),
      document.activeElement.getAttribute('data-slug')]);
    assert.deepEqual(f, ['start', 'jotter']);
  });
});

'use strict';
// What the tables cannot say: loading, the command channel, the welcome, the report form,
// busy, progress and failed rows, and a walk through the page with the keyboard alone.
const { describe, it, before, after, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const { session, waitFor, hostDispatch, CONTRACT, PAGE_URL } = require('./lib/browser');
const { appsJson, APPS, TELEMETRY } = require('./lib/fixtures');

const fresh = session({ before, after, afterEach });
const withApps = async () => { const h = await fresh(); await h.call('setApps', appsJson(APPS)); return h; };

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

  it('delivers commands sent in one turn in order, each through a frame of its own, never moving the page', async () => {
    const h = await fresh({ real: true });
    const urls = await h.commandsAfter(() => h.page.evaluate(() => ['refresh', 'start', 'notify', 'open', 'backup']
      .forEach((c, i) => window.PK.send(c, ['', 'clock', '1', 'https://t.test/a?b=c&d=e', ''][i]))));
    assert.deepEqual(urls, ['app:refresh', 'app:start?slug=clock', 'app:notify?on=1',
      'app:open?url=https%3A%2F%2Ft.test%2Fa%3Fb%3Dc%26d%3De', 'app:backup']);
    const frames = h.commands.slice(-5).map((c) => c.frame);
    assert.equal(new Set(frames).size, 5);
    assert.ok(frames.every((f) => f !== h.page.mainFrame()));
    assert.equal(h.page.url(), PAGE_URL);
  });

  it('encodes arguments so that the host decodes them unchanged', async () => {
    const h = await fresh({ real: true });
    const values = ['clock', 'we"ird<slug>&x=1', 'a+b c', '100%', 'päivä-ünï', 'emoji-\u{1F600}', "it's (fine)!*~",
      'back\\slash', 'line\nbreak\ttab', '#frag?q=1', '', 'https://t.test/skins/a b/?x=1&y=%41', 'a\uD800b\uDC00'];
    const urls = await h.commandsAfter(() => h.page.evaluate((vs) => vs.forEach((v) => window.PK.send('open', v)), values));
    assert.deepEqual(urls.map((u) => hostDispatch(u).arg), values.slice(0, -1).concat('a\uFFFDb\uFFFD'));
    assert.deepEqual([urls[1], urls[2], urls[6], urls[12]], ['app:open?url=we%22ird%3Cslug%3E%26x%3D1', 'app:open?url=a%2Bb%20c',
      'app:open?url=it%27s%20%28fine%29%21%2A%7E', 'app:open?url=a%EF%BF%BDb%EF%BF%BD']);
  });

  it('removes old command frames but keeps recent ones', async () => {
    const h = await fresh();
    const n = () => h.look(['count #cmdframes iframe']).then((r) => r['count #cmdframes iframe']);
    await h.page.evaluate(() => ['refresh', 'refresh', 'refresh', 'refresh'].forEach((c) => window.PK.send(c)));
    assert.equal(await n(), 5);
    await h.page.evaluate(() => { const real = window.PK.now; window.PK.now = () => real() + 60000; window.PK.send('refresh'); });
    assert.equal(await n(), 1);
  });
});

describe('dialogs', () => {
  it('the welcome covers the page, shows the report on request, keeps Tab inside and answers yes', async () => {
    const h = await withApps();
    await h.call('setTelemetry', -1, TELEMETRY);
    await h.call('showWelcome', true);
    await h.expect({ 'hidden #welcome': false, 'checked #wAutostart': true, 'checked #optAutostart': true, focus: 'wYes',
      'hidden #wDoc': true, 'attr #main aria-hidden': 'true', 'text #wAutoNote': /^It is switched on/ });
    assert.ok(await h.page.evaluate(() => {
      const b = document.querySelector('[data-slug=clock] button').getBoundingClientRect();
      return document.getElementById('welcome').contains(document.elementFromPoint(b.left + 5, b.top + 5));
    }), 'the welcome covers the cards');
    await h.click('#wShowDoc');
    await h.expect({ 'hidden #wDoc': false, 'text #wDoc': TELEMETRY, 'attr #wShowDoc aria-expanded': 'true' });
    const ids = new Set();
    for (const key of ['Tab', 'Tab', 'Tab', 'Tab', 'Tab', 'Tab', 'Shift+Tab', 'Shift+Tab', 'Shift+Tab']) {
      await h.page.keyboard.press(key);
      ids.add((await h.look(['focus'])).focus);
    }
    assert.deepEqual([...ids].sort(), ['wAutostart', 'wDoc', 'wNo', 'wShowDoc', 'wYes']);
    assert.deepEqual(await h.commandsAfter(() => h.click('#wYes')), ['app:consent?yes=1']);
    await h.expect({ 'hidden #welcome': true, 'checked #optConsent': true, 'attr #main aria-hidden': null, focus: 'main' });
  });

  it('the report form holds what the host reads, sends "issue" and shows the answer as text', async () => {
    const h = await withApps();
    await h.call('showTabExternal', 'report');
    const fields = ['value #isApp', 'value #isKind', 'value #isContact', 'value #isText'];
    const values = async () => Object.values(await h.look(fields));
    assert.deepEqual(await values(), ['pankor', 'problem', '', '']);
    await h.expect({ 'attrs #isKind option value': ['problem', 'feature'], 'attr #isContact maxlength': '200',
      'attrs #isAppPick option value': ['pankor', 'clock', 'jotter', 'weather-eye', 'marbles', 'tiles', 'other'],
      'attr #isText maxlength': '4000' });
    await h.page.selectOption('#isAppPick', 'weather-eye');
    await h.page.selectOption('#isKind', 'feature');
    await h.page.fill('#isContact', 'me@example.test');
    await h.page.fill('#isText', 'Please add a "rain" alarm.\n\nThanks \\o/');
    await h.call('setApps', appsJson(APPS));
    assert.deepEqual(await values(), ['weather-eye', 'feature', 'me@example.test', 'Please add a "rain" alarm.\n\nThanks \\o/']);
    await h.expect({ 'text #isTextLabel': 'What would you like it to do?', 'text #isCount': '38 / 4000 characters' });
    assert.deepEqual(await h.commandsAfter(() => h.click('#isSend')), ['app:issue']);
    await h.expect({ 'disabled #isSend': true, 'class #isResult': 'result wait', 'text #isResult': 'Sending\u2026' });
    await h.call('setIssueResult', false, 'That\'s a few in quick succession - try again shortly.');
    await h.expect({ 'disabled #isSend': false, 'class #isResult': 'result err', 'value #isText': /rain/,
      'text #isResult': 'That\'s a few in quick succession - try again shortly.' });
    assert.deepEqual(await h.commandsAfter(() => h.click('#isSend')), ['app:issue']);
    await h.call('setIssueResult', true, 'Sent - thank you. <b>x</b>');
    await h.expect({ 'class #isResult': 'result ok', 'text #isResult': 'Sent - thank you. <b>x</b>', 'value #isText': '' });
    // The host's self-test writes the fields itself; they must read back as written.
    await h.page.evaluate(() => {
      document.getElementById('isApp').value = 'not-in-catalog';
      document.getElementById('isText').value = 'SELF TEST - line one.\r\n\r\nA "quoted" word and a \\ backslash.';
    });
    assert.deepEqual(await values(), ['not-in-catalog', 'feature', 'me@example.test',
      'SELF TEST - line one.\n\nA "quoted" word and a \\ backslash.']);
    // Should no answer come, the user may try again: the wait is cut short here.
    await h.page.evaluate(() => {
      const real = window.setTimeout;
      window.setTimeout = (fn, ms) => real(fn, ms > 1000 ? 10 : ms);
    });
    await h.click('#isSend');
    await h.page.waitForFunction(() => !document.getElementById('isSend').disabled);
    await h.expect({ 'class #isResult': 'result err', 'text #isResult': 'No answer came back. Please try again.' });
  });
});

describe('busy, progress and failed rows', () => {
  const card = (what) => '[data-slug=clock] ' + what;

  it('a busy row shows its line, keeps only the notes enabled and outlives a redraw', async () => {
    const h = await withApps();
    await h.call('setBusy', 'clock|Downloading Tarnwick Clock...');
    const busy = { [`text ${card('.busytext')}`]: 'Downloading Tarnwick Clock...', [`class ${card('.bar')}`]: 'bar indeterminate',
      [`attrs ${card('button:disabled')} data-do`]: ['inupdate', 'start', 'uninstall'], 'count [data-slug=jotter] .busyline': 0,
      [`attr ${card('.bar')} aria-label`]: 'Downloading Tarnwick Clock...' };
    await h.expect(busy);
    await h.call('setApps', appsJson(APPS));
    await h.expect(busy);
    await h.call('setBusy', 'clock|Installing A|B...');
    await h.expect({ [`text ${card('.busytext')}`]: 'Installing A|B...' });
    await h.call('setBusy', 'clock|');
    await h.expect({ [`count ${card('.busyline')}`]: 0, [`count ${card('button:disabled')}`]: 0 });
  });

  it('setProgress draws a percentage on a busy row; -1 or a new phase makes it indeterminate again', async () => {
    const h = await withApps();
    const bar = (cls, width, pct, now) => ({ [`class ${card('.bar')}`]: cls, [`inline ${card('.fill')} width`]: width,
      [`text ${card('.pct')}`]: pct, [`attr ${card('.bar')} aria-valuenow`]: now });
    await h.call('setProgress', 'clock', 30);
    await h.expect({ [`count ${card('.bar')}`]: 0 });
    await h.call('setBusy', 'clock|Downloading Tarnwick Clock...');
    for (const [percent, want] of [[42, bar('bar', '42%', '42%', '42')], [250, bar('bar', '100%', '100%', '100')],
      ['x', bar('bar', '100%', '100%', '100')], [-1, bar('bar indeterminate', '', '', null)], [10, bar('bar', '10%', '10%', '10')]]) {
      await h.call('setProgress', 'clock', percent);
      await h.expect(want);
    }
    await h.call('setBusy', 'clock|Installing Tarnwick Clock...');
    await h.expect(bar('bar indeterminate', '', '', null));
  });

  it('a failed update clears the busy line and offers the download page until the installed version moves', async () => {
    const h = await withApps();
    await h.call('setBusy', 'clock|Downloading Tarnwick Clock...');
    await h.call('updateFailed', 'clock');
    const failed = { [`count ${card('.busyline')}`]: 0, [`texts ${card('.badge')}`]: ['Running', 'Update failed'],
      [`text ${card('.card-note')}`]: /download page/, [`attrs ${card('button')} data-do`]: ['update', 'start', 'notes', 'uninstall'] };
    await h.expect(failed);
    await h.call('setApps', appsJson(APPS));
    await h.expect(failed);
    await h.call('setApps', appsJson(APPS.map((r) => (r.slug === 'clock' ? Object.assign({}, r, { installed: '2.0.5.0' }) : r))));
    await h.expect({ [`count ${card('.card-note')}`]: 0, [`attrs ${card('button')} data-do`]: ['inupdate', 'start', 'notes', 'uninstall'] });
  });

  it('uninstall forgets the first click after a while, and a redraw keeps the focused action', async () => {
    const h = await withApps();
    await h.page.evaluate(() => {
      const real = window.PK.now;
      window.PK.now = () => real() + (window.skew || 0);
    });
    assert.deepEqual(await h.commandsAfter(() => h.click('[data-slug=jotter][data-do=uninstall]')), []);
    await h.page.evaluate(() => { window.skew = 6000; });
    assert.deepEqual(await h.commandsAfter(() => h.click('[data-slug=jotter][data-do=uninstall]')), []);
    await h.page.focus('[data-slug=jotter][data-do=start]');
    await h.call('setApps', appsJson(APPS.map((r) => Object.assign({}, r, { running: true }))));
    await h.expect({ focus: 'start:jotter', 'text [data-slug=jotter][data-do=uninstall]': 'Click again to uninstall' });
  });
});

describe('keyboard only', () => {
  it('Tab, Shift+Tab, Enter and Space update an app, send a report and close the welcome', async () => {
    const h = await withApps();
    const reached = [];
    async function go(want, key) {
      for (let i = 0; i < 40 && reached[reached.length - 1] !== want; i++) {
        await h.page.keyboard.press(key || 'Tab');
        reached.push((await h.look(['focus'])).focus);
      }
      assert.equal(reached[reached.length - 1], want, want + ' is reachable with ' + (key || 'Tab'));
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
    await h.call('setIssueResult', true, 'Sent - thank you.');
    await h.call('showWelcome', false);
    await go('wNo', 'Shift+Tab');
    assert.deepEqual(await h.commandsAfter(() => h.page.keyboard.press('Space')), ['app:consent?yes=0']);
    await h.expect({ 'hidden #welcome': true, tab: ['report'], 'text #isResult': 'Sent - thank you.' });
  });
});

'use strict';
// The first-run welcome with its consent question, and the report form.
const { describe, it, before, after, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const { session, hostCall, q } = require('./lib/browser');
const { appsJson, APPS, TELEMETRY } = require('./lib/fixtures');

const fresh = session({ before, after, afterEach });

const commandsAfter = (h, fn) => h.commandsAfter(fn);

const welcomeOpen = (page) => page.evaluate(() => !document.getElementById('welcome').hidden);

describe('welcome', () => {
  it('shows the autostart state, the report on request, and answers yes with "consent"', async () => {
    const h = await fresh();
    await hostCall(h.page, 'setTelemetry', '-1,' + q(TELEMETRY));
    await hostCall(h.page, 'showWelcome', 'true');
    assert.equal(await welcomeOpen(h.page), true);
    const st = await h.page.evaluate(() => [document.getElementById('wAutostart').checked,
      document.getElementById('optAutostart').checked, document.activeElement.id, document.getElementById('wDoc').hidden]);
    assert.deepEqual(st, [true, true, 'wYes', true]);
    await h.click('#wShowDoc');
    assert.equal(await h.page.evaluate(() => document.getElementById('wDoc').hidden), false);
    assert.equal(await h.page.locator('#wDoc').textContent(), TELEMETRY);
    assert.deepEqual(await commandsAfter(h, () => h.click('#wYes')), ['app:consent?yes=1']);
    assert.equal(await welcomeOpen(h.page), false);
    assert.equal(await h.page.evaluate(() => document.getElementById('optConsent').checked), true);
  });

  it('lets the user switch autostart on there, and answers no with "consent" 0', async () => {
    const h = await fresh();
    await hostCall(h.page, 'showWelcome', 'false');
    assert.equal(await h.page.evaluate(() => document.getElementById('wAutostart').checked), false);
    assert.deepEqual(await commandsAfter(h, () => h.click('.dialog label.toggle')), ['app:autostart?on=1']);
    assert.equal(await h.page.evaluate(() => document.getElementById('optAutostart').checked), true);
    assert.deepEqual(await commandsAfter(h, () => h.click('#wNo')), ['app:consent?yes=0']);
    assert.equal(await welcomeOpen(h.page), false);
    assert.match(await h.page.locator('#consentState').textContent(), /don\u2019t send/);
  });

  it('covers the page and keeps Tab inside the dialog while it is open', async () => {
    const h = await fresh();
    await hostCall(h.page, 'setApps', q(appsJson(APPS)));
    await hostCall(h.page, 'showWelcome', 'true');
    const covered = await h.page.evaluate(() => {
      const b = document.querySelector('article[data-slug="clock"] button').getBoundingClientRect();
      return document.elementFromPoint(b.left + 5, b.top + 5).closest('#welcome') !== null;
    });
    assert.equal(covered, true);
    const ids = [];
    for (let i = 0; i < 8; i++) {
      await h.page.keyboard.press('Tab');
      ids.push(await h.page.evaluate(() => document.activeElement.id));
    }
    assert.deepEqual([...new Set(ids)].sort(), ['wAutostart', 'wNo', 'wShowDoc', 'wYes']);
    await h.page.keyboard.press('Shift+Tab');
    assert.ok(['wAutostart', 'wNo', 'wShowDoc', 'wYes'].includes(await h.page.evaluate(() => document.activeElement.id)));
  });
});

describe('report form', () => {
  async function form() {
    const h = await fresh();
    await hostCall(h.page, 'setApps', q(appsJson(APPS)));
    await hostCall(h.page, 'showTabExternal', q('report'));
    return h;
  }
  // What the host reads: each field's value, by id.
  const fields = (page) => page.evaluate(() => ['isApp', 'isKind', 'isContact', 'isText']
    .map((id) => document.getElementById(id).value));

  it('holds the fields the host reads, with the app picked by slug and the two kinds', async () => {
    const h = await form();
    assert.deepEqual(await fields(h.page), ['pankor', 'problem', '', '']);
    const kinds = await h.page.evaluate(() => Array.prototype.map.call(document.getElementById('isKind').options, (o) => o.value));
    assert.deepEqual(kinds, ['problem', 'feature']);
    const slugs = await h.page.evaluate(() => Array.prototype.map.call(document.getElementById('isAppPick').options, (o) => o.value));
    assert.deepEqual(slugs, ['pankor', 'clock', 'jotter', 'weather-eye', 'marbles', 'tiles', 'other']);
    await h.page.selectOption('#isAppPick', 'weather-eye');
    await h.page.selectOption('#isKind', 'feature');
    await h.page.fill('#isContact', 'me@example.test');
    await h.page.fill('#isText', 'Please add a "rain" alarm.\n\nThanks \\o/');
    assert.deepEqual(await fields(h.page), ['weather-eye', 'feature', 'me@example.test',
      'Please add a "rain" alarm.\n\nThanks \\o/']);
    assert.equal(await h.page.locator('#isTextLabel').textContent(), 'What would you like it to do?');
    const limits = await h.page.evaluate(() => [document.getElementById('isContact').maxLength,
      document.getElementById('isText').maxLength]);
    assert.deepEqual(limits, [200, 4000]);
    // The chosen app survives a redraw of the rows.
    await hostCall(h.page, 'setApps', q(appsJson(APPS)));
    assert.equal((await fields(h.page))[0], 'weather-eye');
  });

  it('keeps what the host itself writes into the fields (its self-test)', async () => {
    const h = await form();
    await h.page.evaluate(() => {
      document.getElementById('isApp').value = 'not-in-catalog';
      document.getElementById('isContact').value = 'selftest@example.test';
      document.getElementById('isText').value = 'SELF TEST - line one.\r\n\r\nA "quoted" word and a \\ backslash.';
    });
    assert.deepEqual(await fields(h.page), ['not-in-catalog', 'problem', 'selftest@example.test',
      'SELF TEST - line one.\n\nA "quoted" word and a \\ backslash.']);
  });

  it('sends "issue" without an argument and shows the host\'s answer as text', async () => {
    const h = await form();
    await h.page.fill('#isText', 'It crashes when I open the alarms page.');
    assert.deepEqual(await commandsAfter(h, () => h.click('#isSend')), ['app:issue']);
    let r = await h.page.evaluate(() => [document.getElementById('isSend').disabled,
      document.getElementById('isResult').className, document.getElementById('isResult').textContent]);
    assert.deepEqual(r, [true, 'result wait', 'Sending\u2026']);
    await hostCall(h.page, 'setIssueResult', 'false,' + q('That\'s a few in quick succession - try again shortly.'));
    r = await h.page.evaluate(() => [document.getElementById('isSend').disabled,
      document.getElementById('isResult').className, document.getElementById('isResult').textContent,
      document.getElementById('isText').value]);
    assert.deepEqual(r, [false, 'result err', 'That\'s a few in quick succession - try again shortly.',
      'It crashes when I open the alarms page.']);
    assert.deepEqual(await commandsAfter(h, () => h.click('#isSend')), ['app:issue']);
    await hostCall(h.page, 'setIssueResult', 'true,' + q('Sent - thank you. I read all of these. <b>x</b>'));
    r = await h.page.evaluate(() => [document.getElementById('isResult').className,
      document.getElementById('isResult').textContent, document.getElementById('isResult').getElementsByTagName('b').length,
      document.getElementById('isText').value]);
    assert.deepEqual(r, ['result ok', 'Sent - thank you. I read all of these. <b>x</b>', 0, '']);
  });

  it('lets the user try again when no answer comes', async () => {
    const h = await form();
    await h.page.fill('#isText', 'Nothing happens when I press start.');
    await h.page.evaluate(() => {
      // Run the wait out at once instead of after its real length.
      const real = window.setTimeout;
      window.setTimeout = (fn, ms) => real(fn, ms > 1000 ? 10 : ms);
    });
    await h.click('#isSend');
    await h.page.waitForTimeout(100);
    const r = await h.page.evaluate(() => [document.getElementById('isSend').disabled,
      document.getElementById('isResult').className]);
    assert.deepEqual(r, [false, 'result err']);
  });
});

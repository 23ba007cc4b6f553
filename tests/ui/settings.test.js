'use strict';
// Settings (start-up, balloons, usage report, backup, self-update) and skins.
const { describe, it, before, after, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const { session, hostCall, q } = require('./lib/browser');
const { appsJson, skinsJson, APPS, SKINS, TELEMETRY } = require('./lib/fixtures');

const fresh = session({ before, after, afterEach });

const commandsAfter = (h, fn) => h.commandsAfter(fn);

async function settings() {
  const h = await fresh();
  await hostCall(h.page, 'showTabExternal', q('settings'));
  return h;
}

const checked = (page, id) => page.evaluate((i) => document.getElementById(i).checked, id);

describe('start-up and notifications', () => {
  it('show the host state and send "1" or "0" when switched', async () => {
    const h = await settings();
    await hostCall(h.page, 'setAutostart', 'true');
    await hostCall(h.page, 'setNotify', 'false');
    assert.equal(await checked(h.page, 'optAutostart'), true);
    assert.equal(await checked(h.page, 'optNotify'), false);
    assert.deepEqual(await commandsAfter(h, () => h.click('label:has(#optAutostart)')), ['app:autostart?on=0']);
    assert.deepEqual(await commandsAfter(h, () => h.click('label:has(#optNotify)')), ['app:notify?on=1']);
    assert.deepEqual(await commandsAfter(h, () => h.click('label:has(#optNotify)')), ['app:notify?on=0']);
    // The host does not answer these; the switch keeps what the user chose.
    assert.equal(await checked(h.page, 'optAutostart'), false);
    await hostCall(h.page, 'setNotify', 'true');
    assert.equal(await checked(h.page, 'optNotify'), true);
  });
});

describe('usage report', () => {
  it('shows the exact report text, the consent state, and sends the answer', async () => {
    const h = await settings();
    const doc = TELEMETRY.replace('"lang":"en-GB"', '"lang":"<b>x</b> \\"q\\""');
    await hostCall(h.page, 'setTelemetry', '-1,' + q(doc));
    const shown = await h.page.evaluate(() => [document.getElementById('reportDoc').textContent,
      document.getElementById('reportDoc').getElementsByTagName('b').length,
      document.getElementById('consentState').textContent, document.getElementById('optConsent').checked]);
    assert.deepEqual(shown, [doc, 0, 'You haven\u2019t decided yet.', false]);
    assert.deepEqual(await commandsAfter(h, () => h.click('label:has(#optConsent)')), ['app:consent?yes=1']);
    assert.match(await h.page.locator('#consentState').textContent(), /once a day/);
    await hostCall(h.page, 'setTelemetry', '0,' + q(TELEMETRY));
    assert.equal(await checked(h.page, 'optConsent'), false);
    assert.equal(await h.page.locator('#consentState').textContent(), 'You don\u2019t send usage reports.');
    await hostCall(h.page, 'setTelemetry', '1,' + q(TELEMETRY));
    assert.equal(await checked(h.page, 'optConsent'), true);
    assert.deepEqual(await commandsAfter(h, () => h.click('label:has(#optConsent)')), ['app:consent?yes=0']);
    await hostCall(h.page, 'setTelemetry', '1,' + q(''));
    assert.match(await h.page.locator('#reportDoc').textContent(), /appears here/);
  });
});

describe('backup and checking', () => {
  it('back up, restore and check now send their commands', async () => {
    const h = await settings();
    assert.deepEqual(await commandsAfter(h, () => h.click('#tab-settings [data-do="backup"]')), ['app:backup']);
    assert.deepEqual(await commandsAfter(h, () => h.click('#tab-settings [data-do="restore"]')), ['app:restore']);
    assert.deepEqual(await commandsAfter(h, () => h.click('#tab-settings [data-do="refresh"]')), ['app:refresh']);
  });
});

describe('self-update', () => {
  const view = (page) => page.evaluate(() => {
    const pill = document.getElementById('selfPill');
    const btn = document.getElementById('selfBtn');
    return { version: document.getElementById('selfVersion').textContent,
      state: document.getElementById('selfState').textContent,
      pill: pill.hidden ? null : pill.textContent, pillEnabled: !pill.disabled, button: btn.hidden ? null : btn.textContent };
  });

  it('shows the version, the offer and each state, and offers the press only when it makes sense', async () => {
    const h = await settings();
    await hostCall(h.page, 'setSelfVersion', q('1.0.0.12'));
    await hostCall(h.page, 'setSelfUpdate', q(''));
    assert.deepEqual(await view(h.page), { version: 'Pankor 1.0.0.12', state: 'You have the latest version.',
      pill: null, pillEnabled: false, button: null });
    await hostCall(h.page, 'setSelfUpdate', q('1.1.0.0'));
    assert.deepEqual(await view(h.page), { version: 'Pankor 1.0.0.12', state: 'Pankor 1.1.0.0 is available.',
      pill: 'Update Pankor to 1.1.0.0', pillEnabled: true, button: 'Update now' });
    assert.deepEqual(await commandsAfter(h, () => h.click('#selfBtn')), ['app:selfupdate']);
    assert.deepEqual(await commandsAfter(h, () => h.click('#selfPill')), ['app:selfupdate']);
    await hostCall(h.page, 'setSelfUpdateState', q('working'));
    let v = await view(h.page);
    assert.deepEqual([v.state, v.pill, v.pillEnabled, v.button], ['Downloading Pankor 1.1.0.0\u2026',
      'Downloading update\u2026', false, null]);
    await hostCall(h.page, 'setSelfUpdateState', q('failed'));
    v = await view(h.page);
    assert.match(v.state, /could not be downloaded/);
    assert.deepEqual([v.pill, v.pillEnabled, v.button], ['Update failed \u2013 try again', true, 'Try again']);
    assert.deepEqual(await commandsAfter(h, () => h.click('#selfBtn')), ['app:selfupdate']);
    await hostCall(h.page, 'setSelfUpdateState', q('ready'));
    v = await view(h.page);
    assert.equal(v.state, 'Pankor 1.1.0.0 is ready. It installs when you close the window.');
    assert.deepEqual([v.pill, v.pillEnabled, v.button], ['Update ready \u2013 installs on close', false, null]);
    await hostCall(h.page, 'setSelfUpdateState', q('bogus'));
    assert.deepEqual(await view(h.page), v);
    await hostCall(h.page, 'setSelfUpdate', q(''));
    assert.equal((await view(h.page)).pill, null);
  });

  it('shows "ready" even when no offer came first (an update staged earlier)', async () => {
    const h = await settings();
    await hostCall(h.page, 'setSelfUpdateState', q('ready'));
    const v = await view(h.page);
    assert.equal(v.state, 'The update is ready. It installs when you close the window.');
    assert.equal(v.pill, 'Update ready \u2013 installs on close');
  });
});

describe('skins', () => {
  async function withSkins(skins) {
    const h = await fresh();
    await hostCall(h.page, 'setApps', q(appsJson(APPS)));
    await hostCall(h.page, 'setSkins', q(skinsJson(skins || SKINS)));
    await hostCall(h.page, 'showTabExternal', q('skins'));
    return h;
  }

  it('show name, the app by its name, the author, and open the address through "open"', async () => {
    const h = await withSkins();
    const cards = await h.page.evaluate(() => Array.prototype.map.call(
      document.getElementById('skins').getElementsByTagName('article'),
      (a) => [a.getElementsByClassName('card-name')[0].textContent, a.getElementsByClassName('skin-by')[0].textContent]));
    assert.deepEqual(cards, [['Midnight', 'for Tarnwick Clock \u00b7 by Tarnwick'], ['Paper', 'for Jotter \u00b7 by Ana Ruiz'],
      ['Retro LCD', 'for Tarnwick Clock \u00b7 by k.b.']]);
    const paper = h.page.locator('#skins article', { hasText: 'Paper' }).locator('span[data-do="skin"]');
    assert.deepEqual(await commandsAfter(h, () => h.click(paper)),
      ['app:open?url=https%3A%2F%2Ftarnwick.test%2Fskins%2Fpaper%2F%3Ffrom%3Dpankor%26x%3D1']);
    await paper.focus();
    assert.deepEqual(await commandsAfter(h, () => h.page.keyboard.press('Enter')),
      ['app:open?url=https%3A%2F%2Ftarnwick.test%2Fskins%2Fpaper%2F%3Ffrom%3Dpankor%26x%3D1']);
  });

  it('answer the host\'s skin self-test script with the first skin\'s address', async () => {
    const h = await withSkins();
    await hostCall(h.page, 'showTabExternal', q('apps'));
    const cmds = await commandsAfter(h, () => h.page.evaluate(() => {
      // The host's script, verbatim.
      // eslint-disable-next-line
      var b=document.getElementById('skins').getElementsByTagName('span');for(var i=0;i<b.length;i++){if(b[i].getAttribute('data-do')==='skin'){b[i].click();break;}}
    }));
    assert.deepEqual(cmds, ['app:open?url=https%3A%2F%2Ftarnwick.test%2Fskins%2Fmidnight%2F']);
  });

  it('skip a skin without an address, show hostile text as text, and show an empty state', async () => {
    const evil = '<img src=x onerror="window.__pwned=1">';
    const h = await withSkins([{ name: evil, forApp: 'no-such-app', author: '"me" & <you>', url: '' },
      { name: 'Second', forApp: 'jotter', url: 'https://tarnwick.test/s?a=1&b=%20' }]);
    const r = await h.page.evaluate(() => {
      const spans = Array.prototype.filter.call(document.getElementById('skins').getElementsByTagName('span'),
        (s) => s.getAttribute('data-do') === 'skin');
      const a = document.getElementById('skins').getElementsByTagName('article')[0];
      return { spans: spans.length, name: a.getElementsByClassName('card-name')[0].textContent,
        by: a.getElementsByClassName('skin-by')[0].textContent, imgs: a.querySelectorAll('img[src="x"]').length,
        pwned: window.__pwned };
    });
    assert.deepEqual(r, { spans: 1, name: evil, by: 'for no-such-app \u00b7 by "me" & <you>', imgs: 0, pwned: undefined });
    const first = h.page.locator('#skins .skinlink span').first();
    assert.deepEqual(await commandsAfter(h, () => first.dispatchEvent('click')), []);
    assert.deepEqual(await commandsAfter(h, () => h.click('#skins span[data-do="skin"]')),
      ['app:open?url=https%3A%2F%2Ftarnwick.test%2Fs%3Fa%3D1%26b%3D%2520']);
    await hostCall(h.page, 'setSkins', q('[]'));
    assert.match(await h.page.locator('#skins').textContent(), /No skins yet/);
  });
});

'use strict';
// User actions on real controls and the exact command URLs each sends. Steps: "click sel"
// (after the checks a user's click needs), "fire sel" (a click even on a disabled control),
// "key sel Key" (real key on the focused control), "down sel button" (mouse-down event),
// "press sel" (real mouse button held down), "js code" (a script the host runs).
const { describe, it, before, after, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const { session, CONTRACT, hostDispatch } = require('./lib/browser');
const { appsJson, skinsJson, APPS, SKINS, TELEMETRY } = require('./lib/fixtures');

const fresh = session({ before, after, afterEach });
const A = ['setApps', appsJson(APPS)];
const tab = (t) => ['showTabExternal', t];
const SKINS_SHOWN = [A, ['setSkins', skinsJson(SKINS)], tab('skins')];
const PAPER = 'app:open?url=https%3A%2F%2Ftarnwick.test%2Fskins%2Fpaper%2F%3Ffrom%3Dpankor%26x%3D1';
const OFFER = ['setSelfUpdate', '1.1.0.0'];
// The host's skin self-test, verbatim.
const HOST_SKIN_TEST = 'var b=document.getElementById(\'skins\').getElementsByTagName(\'span\');for(var i=0;i<b.length;i++)' +
  '{if(b[i].getAttribute(\'data-do\')===\'skin\'){b[i].click();break;}}';

const ROWS = [
  { do: ['click #titlebar [data-do=min]'], sends: ['app:min'] },
  { do: ['click #titlebar [data-do=close]'], sends: ['app:close'] },
  { do: ['click #nav [data-do=quit]'], sends: ['app:quit'] },
  { given: [tab('settings')], do: ['click #tab-settings [data-do=quit]'], sends: ['app:quit'] },
  { do: ['down #titlebar .brand 0'], sends: ['app:drag'] },
  { do: ['down #titlebar .title-spacer 0'], sends: ['app:drag'] },
  { do: ['down #titlebar .title-spacer 2'], sends: [] },
  { do: ['down #titlebar [data-do=min] 0'], sends: [] },
  { do: ['down #main 0'], sends: [] },
  { do: ['press #titlebar .title-spacer'], sends: ['app:drag'] },
  ...['apps', 'toybox', 'skins', 'settings', 'report'].map((t) => ({ given: [tab(t === 'apps' ? 'report' : 'apps')],
    do: ['click #nav-' + t], sends: [], show: { tab: [t], ['attr #nav-' + t + ' aria-selected']: 'true' } })),
  { do: ['key #nav-apps ArrowDown'], sends: [], show: { tab: ['toybox'], focus: 'nav-toybox' } },
  { do: ['key #nav-apps ArrowUp'], sends: [], show: { tab: ['report'], focus: 'nav-report' } },
  { do: ['key #nav-apps End', 'key #nav-report ArrowDown'], sends: [], show: { tab: ['apps'], focus: 'nav-apps' } },
  { given: [tab('skins')], do: ['key #nav-skins Home'], sends: [], show: { tab: ['apps'] } },
  { do: ['click #statusbar [data-do=refresh]'], sends: ['app:refresh'] },
  { given: [['setAutostart', true], tab('settings')], do: ['click label:has(#optAutostart)'], sends: ['app:autostart?on=0'],
    show: { 'checked #optAutostart': false, 'checked #wAutostart': false } },
  { given: [tab('settings')], do: ['click label:has(#optNotify)', 'click label:has(#optNotify)'],
    sends: ['app:notify?on=1', 'app:notify?on=0'] },
  { given: [['setTelemetry', -1, TELEMETRY], tab('settings')], do: ['click label:has(#optConsent)'],
    sends: ['app:consent?yes=1'], show: { 'text #consentState': /once a day/ } },
  { given: [['setTelemetry', 1, TELEMETRY], tab('settings')], do: ['click label:has(#optConsent)'], sends: ['app:consent?yes=0'] },
  { given: [tab('settings')], do: ['click #tab-settings [data-do=backup]', 'click #tab-settings [data-do=restore]',
    'click #tab-settings [data-do=refresh]'], sends: ['app:backup', 'app:restore', 'app:refresh'] },
  { given: [OFFER, tab('settings')], do: ['click #selfBtn', 'click #selfPill'], sends: ['app:selfupdate', 'app:selfupdate'] },
  { given: [OFFER, ['setSelfUpdateState', 'failed'], tab('settings')], do: ['click #selfBtn', 'click #selfPill'],
    sends: ['app:selfupdate', 'app:selfupdate'] },
  { given: [OFFER, ['setSelfUpdateState', 'ready']], do: ['fire #selfPill'], sends: [] },
  { given: [OFFER, ['setSelfUpdateState', 'working']], do: ['fire #selfPill'], sends: [] },
  { given: [A], do: ['click [data-slug=clock] button:has-text("Update to 2.1.0.0")'], sends: ['app:inupdate?slug=clock'] },
  { given: [A], do: ['click [data-slug=clock] button:has-text("Start")'], sends: ['app:start?slug=clock'] },
  { given: [A], do: ['click [data-slug=clock] button:has-text("Release notes")'], sends: ['app:notes?slug=clock'] },
  { given: [A], do: ['click [data-slug=weather-eye] button:has-text("Get it")'], sends: ['app:update?slug=weather-eye'] },
  { given: [A, tab('toybox')], do: ['click [data-slug=marbles] button:has-text("Get the game")'], sends: ['app:update?slug=marbles'] },
  { given: [A, tab('toybox')], do: ['click [data-slug=tiles] button:has-text("Update to 1.0.0.0")'], sends: ['app:inupdate?slug=tiles'] },
  { given: [A], do: ['click [data-slug=jotter] button:has-text("Uninstall")'], sends: [],
    show: { 'text [data-slug=jotter] .warn': 'Click again to uninstall' } },
  { given: [A], do: ['click [data-slug=jotter] button:has-text("Uninstall")', 'click [data-slug=jotter] button:has-text("Click again")'],
    sends: ['app:uninstall?slug=jotter'], show: { 'text [data-slug=jotter] [data-do=uninstall]': 'Uninstall' } },
  { given: [['setApps', appsJson([{ slug: 'we"ird&slug=1?x y', name: 'Weird', installed: '1.0', latest: '1.0' }])]],
    do: ['click article button:has-text("Start")'], sends: ['app:start?slug=we%22ird%26slug%3D1%3Fx%20y'] },
  { given: [A, ['setBusy', 'clock|Downloading']], do: ['fire [data-slug=clock][data-do=inupdate]', 'fire [data-slug=clock][data-do=start]',
    'fire [data-slug=clock][data-do=uninstall]', 'click [data-slug=clock][data-do=notes]'], sends: ['app:notes?slug=clock'] },
  { given: [A, ['updateFailed', 'clock']], do: ['click button:has-text("Get 2.1.0.0 from the website")'], sends: ['app:update?slug=clock'] },
  { given: SKINS_SHOWN, do: ['click #skins article:has-text("Paper") [data-do=skin]'], sends: [PAPER] },
  { given: SKINS_SHOWN, do: ['key #skins article:has-text("Paper") [data-do=skin] Enter'], sends: [PAPER] },
  { given: SKINS_SHOWN, do: ['key #skins article:has-text("Paper") [data-do=skin] Space'], sends: [PAPER] },
  { given: SKINS_SHOWN.concat([tab('apps')]), do: ['js ' + HOST_SKIN_TEST],
    sends: ['app:open?url=https%3A%2F%2Ftarnwick.test%2Fskins%2Fmidnight%2F'] },
  { given: [['setSkins', skinsJson([{ name: 'No address' }, { name: 'S', url: 'https://tarnwick.test/s?a=1&b=%20' }])], tab('skins')],
    do: ['fire #skins .skinlink span', 'click #skins [data-do=skin]'], sends: ['app:open?url=https%3A%2F%2Ftarnwick.test%2Fs%3Fa%3D1%26b%3D%2520'] },
  { given: [['showWelcome', false]], do: ['click #welcome label.toggle'], sends: ['app:autostart?on=1'],
    show: { 'checked #optAutostart': true, 'hidden #welcome': false } },
  { given: [['setTelemetry', -1, TELEMETRY], ['showWelcome', true]], do: ['click #wYes'], sends: ['app:consent?yes=1'],
    show: { 'hidden #welcome': true, 'checked #optConsent': true, 'text #consentState': /once a day/ } },
  { given: [['showWelcome', true]], do: ['click #wNo'], sends: ['app:consent?yes=0'],
    show: { 'hidden #welcome': true, 'text #consentState': 'You don\u2019t send usage reports.' } },
  { given: [tab('report')], do: ['click #isSend'], sends: ['app:issue'], show: { 'disabled #isSend': true } },
];

async function perform(h, step) {
  const w = step.split(' ');
  const kind = w.shift();
  if (kind === 'js') return h.page.evaluate(w.join(' '));
  const last = kind === 'key' || kind === 'down' ? w.pop() : null;
  const loc = h.page.locator(w.join(' ')).first();
  if (kind === 'click') return h.click(loc);
  if (kind === 'fire') return loc.dispatchEvent('click');
  if (kind === 'down') return loc.dispatchEvent('mousedown', { button: Number(last), bubbles: true });
  if (kind === 'key') return loc.focus().then(() => h.page.keyboard.press(last));
  const b = await loc.boundingBox();
  await h.page.mouse.move(b.x + 20, b.y + 10);
  return h.page.mouse.down();
}

describe('user actions', () => {
  for (const row of ROWS) {
    it(row.do.join(', then ') + (row.given ? ' (after ' + row.given.map((g) => g[0]).join(', ') + ')' : ''), async () => {
      const h = await fresh();
      for (const c of row.given || []) await h.call(...c);
      assert.deepEqual(await h.commandsAfter(async () => { for (const s of row.do) await perform(h, s); }), row.sends);
      if (row.show) await h.expect(row.show);
    });
  }

  it('every command of the contract has a control that sends it ("ready" is sent on load)', () => {
    const sent = new Set(ROWS.flatMap((r) => r.sends).map((u) => hostDispatch(u).cmd).concat('ready'));
    assert.deepEqual(CONTRACT.commands.map((c) => c.name).filter((n) => !sent.has(n)), []);
  });
});

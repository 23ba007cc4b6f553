'use strict';
// Page calls as the host makes them, and what the document shows afterwards. Probes read
// "kind selector [name]": text(s), value, checked, hidden, disabled, class, attr(s), count,
// css and inline (style values), height, width, scrolls, inview, inside, stacked, tab, focus,
// global, overflow (what sticks out of the content area sideways).
const { describe, it, before, after, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const { session, scaled } = require('./lib/browser');
const { appsJson, skinsJson, APPS, SKINS, TELEMETRY, HOSTILE } = require('./lib/fixtures');

const fresh = session({ before, after, afterEach });
const A = ['setApps', appsJson(APPS)];
const tab = (t) => ['showTabExternal', t];
const EVIL = '<script>window.__pwned=1</script><img src=x onerror="window.__pwned=2">';
const LONG = '<i>Couldn\'t reach</i> "tarnwick.test" \\ ' + 'x'.repeat(600);
const DOC = TELEMETRY.replace('"lang":"en-GB"', '"lang":"<b>x</b> \\"q\\""');
const app = (slug, more) => Object.assign({ slug, name: slug.toUpperCase(), installed: '1.0', latest: '1.0' }, more);
const MANY = APPS.concat(Array.from({ length: 12 }, (_, i) => app('filler' + i, { desc: 'x' })), [app('last')]);
const OFFER = [['setSelfVersion', '1.0.0.12'], ['setSelfUpdate', '1.1.0.0']];
const self = (state, pill, pillOff, btn) => Object.assign({ 'text #selfState': state, 'hidden #selfPill': !pill,
  'hidden #selfBtn': !btn }, pill && { 'text #selfPill': pill, 'disabled #selfPill': pillOff }, btn && { 'text #selfBtn': btn });

const ROWS = [
  { it: 'before any data it says it is looking, and takes calls in any order',
    call: [['showInstalled', 'clock'], ['setBusy', 'clock|Downloading'], ['setProgress', 'clock', 50],
      ['updateFailed', 'clock'], ['setSelfUpdateState', 'ready'], tab('')],
    show: { 'text #appsList': /Looking for your apps/, 'text #gamesList': /Looking for games/, tab: ['apps'],
      'text #appsLead': 'Your Tarnwick apps, kept up to date.' } },
  { it: 'setStatus shows a long line as text, on one row', call: [['setStatus', LONG]],
    show: { 'text #status': LONG, 'count #status i': 0, 'inside #status': true, overflow: [] } },
  { it: 'texts carrying U+2028, U+2029, quotes, backslashes and </script> arrive unchanged',
    call: [['setStatus', HOSTILE], ['setApps', appsJson([app('h', { name: HOSTILE })])], ['setSelfUpdate', HOSTILE],
      ['setSkins', skinsJson([{ name: HOSTILE, url: 'https://x.test/' }])], ['setIssueResult', false, HOSTILE],
      ['setTelemetry', 1, HOSTILE]],
    show: { 'text #status': HOSTILE, 'text [data-slug=h] .card-name': HOSTILE, 'text #skins .card-name': HOSTILE,
      'text #selfState': 'Pankor ' + HOSTILE + ' is available.', 'text #isResult': HOSTILE, 'text #reportDoc': HOSTILE,
      'count body b': 0 } },
  ...[[100, [100], '16px', 40, 200], [150, [150], '24px', 60, 300], [125, [125], '20px', 50, 250],
    [100, [150, 'abc'], '16px', 40, 200], [100, [150, 50], '16px', 40, 200]].map(([dpi, args, px, bar, nav]) => ({
    it: 'setDpi(' + args.join(', then ') + ') scales through the root size, nonsense means 100', dpi,
    call: args.map((a) => ['setDpi', a]), show: { 'css html font-size': px, 'height #titlebar': bar, 'width #nav': nav } })),
  { it: 'at 200 % on a window clamped by a small screen, the sidebar folds and cards stack',
    viewport: { width: 1256, height: 706 }, call: [A, ['setDpi', 200]],
    show: { 'class body': 'compact cols-1', 'stacked #appsList .card': true, overflow: [] } },
  ...[['toybox', 'toybox'], ['skins', 'skins'], ['settings', 'settings'], ['report', 'report'], [' Settings ', 'settings'],
    ['TOYBOX', 'toybox'], ['games', 'toybox']].map(([name, t]) => ({ it: 'showTabExternal("' + name + '") opens ' + t,
    call: [tab(name)], show: { tab: [t], ['attr #nav-' + t + ' aria-selected']: 'true', 'attr #nav-apps aria-selected': 'false' } })),
  { it: 'showTabExternal ignores unknown names', call: [tab('toybox'), tab(''), tab('nonsense'), tab('<script>'), tab('tab-apps')],
    show: { tab: ['toybox'], 'attr #nav-toybox aria-selected': 'true' } },
  { it: 'showTabExternal("apps") comes back to the apps', call: [tab('settings'), tab('apps')], show: { tab: ['apps'] } },
  { it: 'the content area "main" scrolls, not the page, and holds the settings', call: [tab('settings')],
    show: { 'css #main overflow-y': 'auto', 'scrolls #main': true, 'scrolls body': false, 'count #main > #tab-settings': 1 } },
  { it: 'app cards show name, headline, description, versions, badges, icon and actions', call: [A],
    show: { 'texts #appsList .group-title': ['Installed', 'More from Tarnwick'],
      'texts #appsList .card-name': ['Tarnwick Clock', 'Jotter', 'Weather Eye'],
      'text [data-slug=clock] .card-headline': 'A desk clock with alarms and timers',
      'text [data-slug=clock] .card-desc': /^World times, alarms/, 'text [data-slug=clock] .card-meta': 'Installed 2.0.0.1\u00b7Latest 2.1.0.0',
      'texts [data-slug=clock] .badge': ['Running', 'Update'], 'attr [data-slug=clock] img src': APPS[0].icon,
      'texts [data-slug=clock] button': ['Update to 2.1.0.0', 'Start', 'Release notes', 'Uninstall'],
      'texts [data-slug=jotter] .badge': [], 'attrs [data-slug=jotter] button data-do': ['start', 'notes', 'uninstall'],
      'text [data-slug=weather-eye] .card-meta': 'Not installed\u00b7Latest 1.2.0.0',
      'texts [data-slug=weather-eye] button': ['Get it', 'Release notes'],
      'text #appsCount': '1', 'hidden #appsCount': false, 'attr #appsCount title': '1 update waiting',
      'text #appsLead': '2 installed \u00b7 1 update waiting' } },
  { it: 'game cards live in the Toy box with screenshot, requirements and their own badges', call: [A, tab('toybox')],
    show: { 'attrs #gamesList article data-slug': ['marbles', 'tiles'], 'css [data-slug=marbles] .shot background-image': /marbles\.png/,
      'text [data-slug=marbles] .card-req': 'Needs: Windows 7 or later, 120 MB free', 'texts [data-slug=marbles] .badge': ['Free'],
      'texts [data-slug=marbles] button': ['Get the game', 'Release notes'], 'texts [data-slug=tiles] .badge': ['Update'],
      'text #gamesCount': '1' } },
  { it: 'an update in place is offered only for an older installed version, compared part by part',
    call: [['setApps', appsJson([app('a', { installed: '1.0.0.9', latest: '1.0.0.12' }), app('b', { installed: '1.0.0.12', latest: '1.0.0.9' }),
      app('c', { installed: '1.2', latest: '1.2.0.0' }), app('d', { installed: '1.2.3.4', latest: '1.2.3.4.9' }),
      app('e', { installed: '3-beta', latest: '3.1' }), app('f', { installed: '2.0', latest: '' })])]],
    show: { 'attrs [data-do=inupdate] data-slug': ['a', 'e'] } },
  { it: 'hostile catalog text is shown as text, never as markup',
    call: [['setApps', appsJson([app('x', { name: EVIL, headline: '"quoted" & \'single\'', desc: EVIL + '\\ back\\slash',
      latest: '<b>2.0</b>', icon: 'javascript:window.__pwned=3', running: true })])]],
    show: { 'text [data-slug=x] .card-name': EVIL, 'text [data-slug=x] .card-headline': '"quoted" & \'single\'',
      'text [data-slug=x] .card-desc': EVIL + '\\ back\\slash', 'count [data-slug=x] img': 0, 'count #main script': 0,
      'count #main img[src="x"]': 0, 'count #main b': 0, 'global __pwned': undefined } },
  { it: 'very long names and words stay inside their card',
    call: [['setApps', appsJson([app('long', { name: 'N'.repeat(400), headline: 'N'.repeat(400), desc: 'D'.repeat(3000),
      latest: '2.0' }), APPS[1]])]], show: { overflow: [], 'text [data-slug=long] .card-name': 'N'.repeat(400) } },
  { it: 'text that is not a list of rows leaves the cards as they were',
    call: [A, ['setApps', 'not json'], ['setApps', '{"slug":"x"}'], ['setApps', ''], ['setApps', '[1,2']],
    show: { 'texts #appsList .card-name': ['Tarnwick Clock', 'Jotter', 'Weather Eye'] } },
  { it: 'an empty list says so on both tabs', call: [A, ['setApps', '[]']],
    show: { 'text #appsList': /No apps to show/, 'text #gamesList': /Toy box is empty/, 'hidden #appsCount': true } },
  { it: 'rows with raw control characters and escaped line breaks are read',
    call: [['setApps', appsJson([app('ctl', { name: 'Bell\u0007Name', desc: 'one\r\ntwo\tthree' })])]],
    show: { 'text [data-slug=ctl] .card-name': 'Bell Name', 'text [data-slug=ctl] .card-desc': 'one\ntwo\tthree' } },
  { it: 'a screenshot that cannot load leaves a lettered tile; quotes stay inside the address',
    call: [['setApps', appsJson([app('g1', { name: 'Gone', kind: 'game', shot: 'https://img.tarnwick.test/missing' }),
      app('g2', { kind: 'game', shot: 'https://img.tarnwick.test/a")b;color:red.png' })])], tab('toybox')],
    show: { 'text [data-slug=g1] .shot-letter': 'G', 'inline [data-slug=g1] .shot background-image': '',
      'css [data-slug=g2] .shot background-image': /^url\(".*a%22\)b;color:red\.png"\)$/, 'inline [data-slug=g2] .shot color': '' } },
  { it: 'showInstalled opens the app\'s tab, scrolls to its card, focuses and highlights it',
    call: [['setApps', appsJson(MANY)], tab('settings'), ['showInstalled', 'LAST']],
    show: { tab: ['apps'], focus: 'article:last', 'inview [data-slug=last]': true, 'class [data-slug=last]': /\bhighlight\b/ } },
  { it: 'showInstalled finds games in the Toy box and ignores unknown slugs; the highlight outlives a redraw',
    call: [A, ['showInstalled', 'tiles'], ['showInstalled', 'no-such-app'], A],
    show: { tab: ['toybox'], 'class [data-slug=tiles]': /\bhighlight\b/ } },
  { it: 'setAutostart and setNotify set their switches', call: [['setAutostart', true], ['setNotify', false]],
    show: { 'checked #optAutostart': true, 'checked #wAutostart': true, 'checked #optNotify': false } },
  { it: 'setAutostart and setNotify switch back', call: [['setAutostart', true], ['setNotify', false], ['setAutostart', false],
    ['setNotify', true]], show: { 'checked #optAutostart': false, 'checked #wAutostart': false, 'checked #optNotify': true } },
  { it: 'setTelemetry -1 shows the exact report as text and asks', call: [['setTelemetry', -1, DOC]],
    show: { 'text #reportDoc': DOC, 'text #wDoc': DOC, 'count #reportDoc b': 0, 'checked #optConsent': false,
      'text #consentState': 'You haven\u2019t decided yet.' } },
  { it: 'setTelemetry 0 means no', call: [['setTelemetry', 0, TELEMETRY]],
    show: { 'checked #optConsent': false, 'text #consentState': 'You don\u2019t send usage reports.' } },
  { it: 'setTelemetry 1 means yes; an empty report says when it appears', call: [['setTelemetry', 1, '']],
    show: { 'checked #optConsent': true, 'text #consentState': 'You send this report once a day. Thank you!',
      'text #reportDoc': /appears here/ } },
  { it: 'the own version without an offer', call: [['setSelfVersion', '1.0.0.12'], ['setSelfUpdate', '']],
    show: Object.assign({ 'text #selfVersion': 'Pankor 1.0.0.12' }, self('You have the latest version.')) },
  { it: 'an offered update', call: OFFER, show: self('Pankor 1.1.0.0 is available.', 'Update Pankor to 1.1.0.0', false, 'Update now') },
  { it: 'a self-update at work', call: OFFER.concat([['setSelfUpdateState', 'working']]),
    show: Object.assign(self('Downloading Pankor 1.1.0.0\u2026', 'Downloading update\u2026', true),
      { 'attr #selfState .bar aria-label': 'Downloading Pankor 1.1.0.0\u2026' }) },
  { it: 'a failed self-update', call: OFFER.concat([['setSelfUpdateState', 'failed']]),
    show: self('The update could not be downloaded. Its download page was opened in your browser.',
      'Update failed \u2013 try again', false, 'Try again') },
  { it: 'a staged self-update; unknown states are ignored', call: OFFER.concat([['setSelfUpdateState', 'ready'],
    ['setSelfUpdateState', 'bogus']]), show: self('Pankor 1.1.0.0 is ready. It installs when you close the window.',
    'Update ready \u2013 installs on close', true) },
  { it: 'a staged self-update without an offer (staged earlier)', call: [['setSelfUpdateState', 'ready']],
    show: self('The update is ready. It installs when you close the window.', 'Update ready \u2013 installs on close', true) },
  { it: 'an offer withdrawn', call: OFFER.concat([['setSelfUpdateState', 'ready'], ['setSelfUpdate', '']]),
    show: self('You have the latest version.') },
  { it: 'skin cards show the name, the app by its name (the apps may come later) and the author',
    call: [['setSkins', skinsJson(SKINS)], A, tab('skins')],
    show: { 'texts #skins .card-name': ['Midnight', 'Paper', 'Retro LCD'], 'attrs #skins [data-do=skin] data-url': SKINS.map((s) => s.url),
      'texts #skins .skin-by': ['for Tarnwick Clock \u00b7 by Tarnwick', 'for Jotter \u00b7 by Ana Ruiz', 'for Tarnwick Clock \u00b7 by k.b.'] } },
  { it: 'a skin without an address offers nothing to press; hostile text stays text',
    call: [A, ['setSkins', skinsJson([{ name: EVIL, forApp: 'no-such-app', author: '"me" & <you>' }, { name: 'S', url: 'https://s.test/' }])]],
    show: { 'count #skins [data-do=skin]': 1, 'text #skins .card-name': EVIL, 'text #skins .skin-by': 'for no-such-app \u00b7 by "me" & <you>',
      'count #skins img[src="x"]': 0, 'global __pwned': undefined } },
  { it: 'an empty skin list says so', call: [['setSkins', skinsJson(SKINS)], ['setSkins', '[]']], show: { 'text #skins': /No skins yet/ } },
  { it: 'showWelcome(false) shows autostart off', call: [['showWelcome', false]],
    show: { 'hidden #welcome': false, 'checked #wAutostart': false, 'text #wAutoNote': 'It waits quietly in the notification area.' } },
];

describe('page calls', () => {
  for (const row of ROWS) {
    it(row.it, async () => {
      const h = await fresh({ viewport: row.viewport || (row.dpi && scaled(row.dpi)) });
      for (const c of row.call) await h.call(...c);
      await h.expect(row.show);
      assert.deepEqual(h.commands.map((c) => c.url), ['app:ready'], 'page calls send no command');
    });
  }
});

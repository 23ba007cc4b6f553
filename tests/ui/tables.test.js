'use strict';
// Rows of steps (see perform in lib/harness.js): page calls as the host makes them, what the
// document then shows and user actions, with the exact command URLs a row sends.
const { describe, it } = require('node:test');
const assert = require('node:assert/strict');
const { session, perform, scaled, hostDispatch, CONTRACT, appsJson, skinsJson, APPS, SKINS, TELEMETRY, HOSTILE } = require('./lib/harness');

const fresh = session();
const A = ['setApps', appsJson(APPS)];
const tab = (t) => ['showTabExternal', t];
const EVIL = '<script>window.__pwned=1</script><img src=x onerror="window.__pwned=2">';
const LONG = '<i>Couldn\'t reach</i> "tarnwick.test" \\ ' + 'x'.repeat(600);
const GIF = 'R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7';  // a picture that would load
const DOC = TELEMETRY.replace('"lang":"en-GB"', '"lang":"<b>x</b> \\"q\\""');
const app = (slug, more) => Object.assign({ slug, name: slug.toUpperCase(), installed: '1.0', latest: '1.0' }, more);
const MANY = APPS.concat(Array.from({ length: 12 }, (_, i) => app('filler' + i, { desc: 'x' })), [app('last')]);
const self = (state, pill, pillOff, btn) => Object.assign({ 'text #selfState': state, 'hidden #selfPill': !pill,
  'hidden #selfBtn': !btn }, pill && { 'text #selfPill': pill, 'disabled #selfPill': pillOff }, btn && { 'text #selfBtn': btn });
const button = (slug, text) => 'click [data-slug=' + slug + '] button:has-text("' + text + '")';
const shows = (t) => ({ tab: [t], ['attr #nav-' + t + ' aria-selected']: 'true' });
const card = (what) => '[data-slug=clock] ' + what;
const DL = ['setBusy', 'clock|Downloading Tarnwick Clock...'];
const BUSY = { [`text ${card('.busytext')}`]: 'Downloading Tarnwick Clock...', [`class ${card('.bar')}`]: 'bar indeterminate',
  [`attrs ${card('button:disabled')} data-do`]: ['inupdate', 'start', 'uninstall'], 'count [data-slug=jotter] .busyline': 0,
  [`attr ${card('.bar')} aria-label`]: 'Downloading Tarnwick Clock...' };
const bar = (now) => ({ [`class ${card('.bar')}`]: now ? 'bar' : 'bar indeterminate', [`inline ${card('.fill')} width`]: now ? now + '%' : '',
  [`text ${card('.pct')}`]: now ? now + '%' : '', [`attr ${card('.bar')} aria-valuenow`]: now });
const FAILED = { [`count ${card('.busyline')}`]: 0, [`texts ${card('.badge')}`]: ['Running', 'Update failed'],
  [`text ${card('.card-note')}`]: /download page/, [`attrs ${card('button')} data-do`]: ['update', 'start', 'notes', 'uninstall'] };
const ASK = 'Please add a "rain" alarm.\n\nThanks \\o/';
const REPORT = (app, kind, contact, text) => ({ 'value #isApp': app, 'value #isKind': kind, 'value #isContact': contact, 'value #isText': text });

const ROWS = [
  { it: 'before any data it says it is looking and takes calls in any order (an update staged earlier without an offer); no rows is empty',
    do: [['showInstalled', 'clock'], ['setBusy', 'clock|Downloading'], ['setProgress', 'clock', 50], ['updateFailed', 'clock'],
      ['setSelfUpdateState', 'ready'], tab(''), Object.assign({ 'text #appsList': /Looking for your apps/, 'text #gamesList': /Looking for games/,
        tab: ['apps'], 'text #appsLead': 'Your Tarnwick apps, kept up to date.' }, self('The update is ready. It installs when you close the window.',
        'Update ready \u2013 installs on close', true)), A, ['setApps', '[]'],
      { 'text #appsList': /No apps to show/, 'text #gamesList': /Toy box is empty/, 'hidden #appsCount': true }] },
  { it: 'texts carrying U+2028, U+2029, quotes, backslashes and markup arrive unchanged and show as text; a data address is no icon',
    do: [['setStatus', HOSTILE], ['setApps', appsJson([app('h', { name: HOSTILE, desc: EVIL, icon: 'data:image/gif;base64,' + GIF })])],
      ['setSelfUpdate', HOSTILE], ['setSkins', skinsJson([{ name: HOSTILE, url: 'https://x.test/' }])], ['setIssueResult', false, HOSTILE],
      ['setTelemetry', 1, HOSTILE], { 'text #status': HOSTILE, 'text [data-slug=h] .card-name': HOSTILE, 'text #skins .card-name': HOSTILE,
        'count body b': 0, 'text #selfState': 'Pankor ' + HOSTILE + ' is available.', 'text #isResult': HOSTILE, 'text #reportDoc': HOSTILE,
        'text [data-slug=h] .card-desc': EVIL, 'count [data-slug=h] img': 0, 'global __pwned': undefined }] },
  ...[[150, [150]], [100, [150, 'abc']], [100, [150, 50]]].map(([dpi, args]) => ({ viewport: scaled(dpi),
    it: 'setDpi(' + args.join(', then ') + ') scales through the root size, nonsense means 100', do: args.map((a) => ['setDpi', a])
      .concat([{ 'css html font-size': 16 * dpi / 100 + 'px', 'height #titlebar': 40 * dpi / 100, 'width #nav': 2 * dpi }]) })),
  { it: 'at 200 % on a window clamped by a small screen, the sidebar folds and cards stack', viewport: { width: 1256, height: 706 },
    do: [A, ['setDpi', 200], { 'class body': 'compact cols-1', 'stacked #appsList .card': true, overflow: [] }] },
  { it: 'showTabExternal takes names in any case and blanks, games means the Toy box, and ignores unknown names',
    do: [...[['toybox', 'toybox'], [' Settings ', 'settings'], ['skins', 'skins'], ['REPORT', 'report'], ['apps', 'apps'],
      ['games', 'toybox']].flatMap(([name, t]) => [tab(name), Object.assign(shows(t), t !== 'apps' && { 'attr #nav-apps aria-selected': 'false' })]),
    tab(''), tab('nonsense'), tab('<script>'), tab('tab-apps'), shows('toybox')] },
  { it: 'app cards show name, headline, description, versions, badges, icon and actions; games live in the Toy box', do: [A, {
    'texts #appsList .group-title': ['Installed', 'More from Tarnwick'], 'texts #appsList .card-name': ['Tarnwick Clock', 'Jotter', 'Weather Eye'],
    'text [data-slug=clock] .card-headline': 'A desk clock with alarms and timers', 'text [data-slug=clock] .card-desc': /^World times, alarms/,
    'text [data-slug=clock] .card-meta': 'Installed 2.0.0.1\u00b7Latest 2.1.0.0', 'texts [data-slug=clock] .badge': ['Running', 'Update'],
    'attr [data-slug=clock] img src': APPS[0].icon, 'texts [data-slug=clock] button': ['Update to 2.1.0.0', 'Start', 'Release notes', 'Uninstall'],
    'texts [data-slug=jotter] .badge': [], 'attrs [data-slug=jotter] button data-do': ['start', 'notes', 'uninstall'], 'text #appsCount': '1',
    'text [data-slug=weather-eye] .card-meta': 'Not installed\u00b7Latest 1.2.0.0', 'text #appsLead': '2 installed \u00b7 1 update waiting',
    'texts [data-slug=weather-eye] button': ['Get it', 'Release notes'], 'hidden #appsCount': false, 'attr #appsCount title': '1 update waiting' },
    tab('toybox'), { 'attrs #gamesList article data-slug': ['marbles', 'tiles'], 'css [data-slug=marbles] .shot background-image': /marbles\.png/,
    'text [data-slug=marbles] .card-req': 'Needs: Windows 7 or later, 120 MB free', 'texts [data-slug=marbles] .badge': ['Free'],
    'texts [data-slug=marbles] button': ['Get the game', 'Release notes'], 'texts [data-slug=tiles] .badge': ['Update'], 'text #gamesCount': '1' }] },
  { it: 'an update in place is offered only for an older installed version, compared part by part',
    do: [['setApps', appsJson([['a', '1.0.0.9', '1.0.0.12'], ['b', '1.0.0.12', '1.0.0.9'], ['c', '1.2', '1.2.0.0'], ['d', '1.2.3.4', '1.2.3.4.9'],
      ['e', '3-beta', '3.1'], ['f', '2.0', '']].map(([slug, installed, latest]) => app(slug, { installed, latest })))],
    { 'attrs [data-do=inupdate] data-slug': ['a', 'e'] }] },
  { it: 'a long status line and very long names and words stay inside their row and card', do: [['setStatus', LONG],
    ['setApps', appsJson([app('long', { name: 'N'.repeat(400), headline: 'N'.repeat(400), desc: 'D'.repeat(3000), latest: '2.0' }), APPS[1]])],
    { 'text #status': LONG, 'count #status i': 0, 'inside #status': true, overflow: [], 'text [data-slug=long] .card-name': 'N'.repeat(400) }] },
  { it: 'rows with raw control characters are read; text that is not a list of rows leaves the cards as they were',
    do: [['setApps', appsJson([app('ctl', { name: 'Bell\u0007Name', desc: 'one\r\ntwo\tthree' })])], ['setApps', 'not json'],
      ['setApps', '{"slug":"x"}'], ['setApps', ''], ['setApps', '[1,2'],
      { 'text [data-slug=ctl] .card-name': 'Bell Name', 'text [data-slug=ctl] .card-desc': 'one\ntwo\tthree', 'count #appsList .card': 1 }] },
  { it: 'a screenshot that cannot load leaves a lettered tile; quotes stay inside the address',
    do: [['setApps', appsJson([app('g1', { name: 'Gone', kind: 'game', shot: 'https://img.tarnwick.test/missing' }),
      app('g2', { kind: 'game', shot: 'https://img.tarnwick.test/a")b;color:red.png' })])], tab('toybox'),
    { 'text [data-slug=g1] .shot-letter': 'G', 'inline [data-slug=g1] .shot background-image': '', 'inline [data-slug=g2] .shot color': '',
      'css [data-slug=g2] .shot background-image': /^url\(".*a%22\)b;color:red\.png"\)$/ }] },
  { it: 'the content area "main" scrolls, not the page; showInstalled opens the app\'s tab (games: the Toy box), scrolls to its card, ' +
    'focuses and highlights it past a redraw', do: [['setApps', appsJson(MANY)], tab('settings'), { 'css #main overflow-y': 'auto',
      'scrolls #main': true, 'scrolls body': false, 'count #main > #tab-settings': 1 }, ['showInstalled', 'LAST'], { tab: ['apps'], focus: 'article:last',
      'inview [data-slug=last]': true, 'class [data-slug=last]': /\bhighlight\b/ }, ['showInstalled', 'tiles'], ['showInstalled', 'no-such-app'],
    ['setApps', appsJson(MANY)], { tab: ['toybox'], 'class [data-slug=tiles]': /\bhighlight\b/ }] },
  { it: 'setTelemetry -1 shows the exact report as text and asks, 0 means no, 1 yes; an empty report says when it appears',
    do: [['setTelemetry', -1, DOC], { 'text #reportDoc': DOC, 'text #wDoc': DOC, 'count #reportDoc b': 0, 'checked #optConsent': false,
      'text #consentState': 'You haven\u2019t decided yet.' }, ['setTelemetry', 0, TELEMETRY], { 'checked #optConsent': false,
      'text #consentState': 'You don\u2019t send usage reports.' }, ['setTelemetry', 1, ''], { 'checked #optConsent': true,
      'text #consentState': 'You send this report once a day. Thank you!', 'text #reportDoc': /appears here/ }] },
  { it: 'the own version, an offered update at work, failed, staged (unknown states ignored) and withdrawn',
    do: [['setSelfVersion', '1.0.0.12'], ['setSelfUpdate', ''], Object.assign({ 'text #selfVersion': 'Pankor 1.0.0.12' },
      self('You have the latest version.')), ['setSelfUpdate', '1.1.0.0'], self('Pankor 1.1.0.0 is available.', 'Update Pankor to 1.1.0.0', false,
      'Update now'), ['setSelfUpdateState', 'working'], Object.assign(self('Downloading Pankor 1.1.0.0\u2026', 'Downloading update\u2026', true),
      { 'attr #selfState .bar aria-label': 'Downloading Pankor 1.1.0.0\u2026' }), ['setSelfUpdateState', 'failed'],
    self('The update could not be downloaded. Its download page was opened in your browser.', 'Update failed \u2013 try again', false, 'Try again'),
    ['setSelfUpdateState', 'ready'], ['setSelfUpdateState', 'bogus'], self('Pankor 1.1.0.0 is ready. It installs when you close the window.',
      'Update ready \u2013 installs on close', true), ['setSelfUpdate', ''], self('You have the latest version.')] },
  { it: 'skin cards show the name, the app by its name (the apps may come later) and the author; an empty list says so',
    do: [['setSkins', skinsJson(SKINS)], A, tab('skins'), { 'texts #skins .card-name': ['Midnight', 'Paper', 'Retro LCD'],
      'attrs #skins [data-do=skin] data-url': SKINS.map((s) => s.url), 'texts #skins .skin-by': ['for Tarnwick Clock \u00b7 by Tarnwick',
        'for Jotter \u00b7 by Ana Ruiz', 'for Tarnwick Clock \u00b7 by k.b.'] }, ['setSkins', '[]'], { 'text #skins': /No skins yet/ }] },
  { it: 'old command frames are removed, recent ones kept', do: ['js for (var i = 0; i < 4; i++) window.PK.send("refresh")',
    { 'count #cmdframes iframe': 5 }, 'js window.PK.now = ((real) => () => real() + 60000)(window.PK.now); window.PK.send("refresh")',
    { 'count #cmdframes iframe': 1 }], sends: Array(5).fill('app:refresh') },
  { it: 'a busy row shows its line, keeps only the notes enabled and outlives a redraw; setProgress draws a percentage on it, ' +
    '-1 or a new phase makes it indeterminate again', do: [A, ['setProgress', 'clock', 30], { [`count ${card('.bar')}`]: 0 }, DL, BUSY, A,
    BUSY, ...[[42, bar('42')], [250, bar('100')], ['x', bar('100')], [-1, bar(null)], [10, bar('10')]].flatMap(([p, want]) =>
      [['setProgress', 'clock', p], want]), ['setBusy', 'clock|Installing A|B...'], Object.assign(bar(null),
      { [`text ${card('.busytext')}`]: 'Installing A|B...' }), ['setBusy', 'clock|'],
    { [`count ${card('.busyline')}`]: 0, [`count ${card('button:disabled')}`]: 0 }] },
  { it: 'a failed update clears the busy line and offers the download page until the installed version moves',
    do: [A, DL, ['updateFailed', 'clock'], FAILED, A, FAILED, ['setApps', appsJson(APPS.map((r) => Object.assign({}, r,
      r.slug === 'clock' && { installed: '2.0.5.0' })))], { [`count ${card('.card-note')}`]: 0,
      [`attrs ${card('button')} data-do`]: ['inupdate', 'start', 'notes', 'uninstall'] }] },
  { do: ['click [data-do=min]', 'click [data-do=close]', 'click #nav [data-do=quit]', tab('settings'), 'click #tab-settings [data-do=quit]',
    'click #statusbar [data-do=refresh]'], sends: ['app:min', 'app:close', 'app:quit', 'app:quit', 'app:refresh'] },
  { do: ['down #titlebar .brand 0', 'down #titlebar .title-spacer 0', 'down #titlebar .title-spacer 2', 'down #titlebar [data-do=min] 0',
    'down #main 0'], sends: ['app:drag', 'app:drag'] },
  { do: [tab('report'), ...['apps', 'toybox', 'skins', 'settings', 'report'].flatMap((t) => ['click #nav-' + t, shows(t)])] },
  { do: ['key #nav-apps ArrowDown', { tab: ['toybox'], focus: 'nav-toybox' }, 'key #nav-toybox ArrowUp', 'key #nav-apps ArrowUp',
    { tab: ['report'], focus: 'nav-report' }, 'key #nav-report ArrowDown', { tab: ['apps'], focus: 'nav-apps' }, 'key #nav-apps End',
    { tab: ['report'] }, 'key #nav-report Home', { tab: ['apps'] }] },
  { it: 'setAutostart and setNotify set the switches both ways; the switches, backup, restore and refresh send their commands',
    do: [['setAutostart', true], ['setNotify', true], tab('settings'), { 'checked #wAutostart': true }, 'click label:has(#optAutostart)',
      { 'checked #optAutostart': false, 'checked #wAutostart': false }, 'click label:has(#optNotify)', ['setAutostart', true],
      ['setAutostart', false], ['setNotify', true], ['setNotify', false], { 'checked #optAutostart': false, 'checked #wAutostart': false },
      'click label:has(#optNotify)', ...['backup', 'restore', 'refresh'].map((d) => 'click #tab-settings [data-do=' + d + ']')],
    sends: ['app:autostart?on=0', 'app:notify?on=0', 'app:notify?on=1', 'app:backup', 'app:restore', 'app:refresh'] },
  { do: [['setTelemetry', -1, TELEMETRY], tab('settings'), 'click label:has(#optConsent)', { 'text #consentState': /once a day/ },
    ['setTelemetry', 0, TELEMETRY], 'click label:has(#optConsent)', ['setTelemetry', 1, TELEMETRY], 'click label:has(#optConsent)'],
  sends: ['app:consent?yes=1', 'app:consent?yes=1', 'app:consent?yes=0'] },
  { do: [['setSelfUpdate', '1.1.0.0'], tab('settings'), 'click #selfBtn', 'click #selfPill', ['setSelfUpdateState', 'failed'], 'click #selfBtn',
    'click #selfPill', ['setSelfUpdateState', 'ready'], 'fire #selfPill', ['setSelfUpdateState', 'working'], 'fire #selfPill'],
  sends: ['app:selfupdate', 'app:selfupdate', 'app:selfupdate', 'app:selfupdate'] },
  { do: [A, button('clock', 'Update to 2.1.0.0'), button('clock', 'Start'), button('clock', 'Release notes'), button('weather-eye', 'Get it'),
    tab('toybox'), button('marbles', 'Get the game'), button('tiles', 'Update to 1.0.0.0')], sends: ['app:inupdate?slug=clock',
    'app:start?slug=clock', 'app:notes?slug=clock', 'app:update?slug=weather-eye', 'app:update?slug=marbles', 'app:inupdate?slug=tiles'] },
  { it: 'uninstall asks for a second click and forgets the first after a while; a redraw keeps the focused action',
    do: [A, button('jotter', 'Uninstall'), { 'text [data-slug=jotter] .warn': 'Click again to uninstall' }, button('jotter', 'Click again'),
      { 'text [data-slug=jotter] [data-do=uninstall]': 'Uninstall' }, button('jotter', 'Uninstall'),
      'js window.PK.now = ((real) => () => real() + 6000)(window.PK.now)', button('jotter', 'Click again'),
      'js document.querySelector("[data-slug=jotter][data-do=start]").focus()', ['setApps', appsJson(APPS.map((r) => Object.assign({}, r,
        { running: true })))], { focus: 'start:jotter', 'text [data-slug=jotter][data-do=uninstall]': 'Click again to uninstall' }],
    sends: ['app:uninstall?slug=jotter'] },
  { do: [['setApps', appsJson([app('we"ird&slug=1?x y')])], 'click article button:has-text("Start")'],
    sends: ['app:start?slug=we%22ird%26slug%3D1%3Fx%20y'] },
  { do: [A, ['setBusy', 'clock|Downloading'], 'fire [data-slug=clock][data-do=inupdate]', 'fire [data-slug=clock][data-do=start]',
    'fire [data-slug=clock][data-do=uninstall]', 'click [data-slug=clock][data-do=notes]', ['setBusy', 'clock|'], ['updateFailed', 'clock'],
    'click button:has-text("Get 2.1.0.0 from the website")'], sends: ['app:notes?slug=clock', 'app:update?slug=clock'] },
  { do: [['setSkins', skinsJson(SKINS.concat({ name: 'No address', forApp: 'no-such-app', author: '"me" & <you>' }))], tab('skins'),
    { 'text #skins article:last-child .skin-by': 'for no-such-app \u00b7 by "me" & <you>' }, 'fire #skins article:last-child .skinlink span',
    'key #skins article:last-child .skinlink span Enter', 'click #skins article:has-text("Paper") [data-do=skin]',
    'key #skins article:has-text("Paper") [data-do=skin] Enter', 'key #skins article:has-text("Paper") [data-do=skin] Space'],
  sends: Array(3).fill('app:open?url=https%3A%2F%2Ftarnwick.test%2Fskins%2Fpaper%2F%3Ffrom%3Dpankor%26b%3D%2520') },
  { do: [['showWelcome', false], { 'text #wAutoNote': 'It waits quietly in the notification area.', 'hidden #welcome': false,
    'checked #wAutostart': false }, 'click #welcome label.toggle', { 'checked #optAutostart': true, 'hidden #welcome': false }, 'click #wNo',
    { 'hidden #welcome': true, 'attr #main aria-hidden': null, focus: 'main', 'text #consentState': 'You don\u2019t send usage reports.' }],
    sends: ['app:autostart?on=1', 'app:consent?yes=0'] },
  { it: 'the report form holds what the host reads, sends "issue", shows the answer as text and gives up waiting for one', do: [A,
    tab('report'), REPORT('pankor', 'problem', '', ''), { 'attrs #isKind option value': ['problem', 'feature'], 'attr #isContact maxlength': '200',
      'attrs #isAppPick option value': ['pankor', 'clock', 'jotter', 'weather-eye', 'marbles', 'tiles', 'other'], 'attr #isText maxlength': '4000' },
    'select #isAppPick weather-eye', 'select #isKind feature', 'fill #isContact me@example.test', 'fill #isText ' + ASK, A,
    Object.assign(REPORT('weather-eye', 'feature', 'me@example.test', ASK), { 'text #isTextLabel': 'What would you like it to do?',
      'text #isCount': '38 / 4000 characters' }), 'click #isSend', { 'disabled #isSend': true, 'class #isResult': 'result wait',
      'text #isResult': 'Sending\u2026' }, ['setIssueResult', false, 'Too many - try again shortly.'], { 'disabled #isSend': false,
      'class #isResult': 'result err', 'value #isText': ASK, 'text #isResult': 'Too many - try again shortly.' }, 'click #isSend',
    ['setIssueResult', true, 'Sent - thank you. <b>x</b>'], { 'class #isResult': 'result ok', 'text #isResult': 'Sent - thank you. <b>x</b>',
      'value #isText': '' }, 'js window.setTimeout = ((real) => (fn, ms) => real(fn, ms > 1000 ? 10 : ms))(window.setTimeout)',  // no answer
    'click #isSend', 'wait !document.getElementById("isSend").disabled', { 'text #isResult': 'No answer came back. Please try again.',
      'class #isResult': 'result err' }], sends: ['app:issue', 'app:issue', 'app:issue'] },
  { do: [['setTelemetry', -1, TELEMETRY], ['showWelcome', true], 'click #wYes', { 'hidden #welcome': true, 'checked #optConsent': true,
    'text #consentState': /once a day/ }, tab('report'), 'click #isSend', { 'disabled #isSend': true }], sends: ['app:consent?yes=1', 'app:issue'] },
];

describe('page calls and user actions', () => {
  for (const row of ROWS) {
    it(row.it || row.do.filter((s) => typeof s === 'string').join(', then '), async () => {
      const h = await fresh({ viewport: row.viewport });
      assert.deepEqual(await h.commandsAfter(async () => { for (const s of row.do) await perform(h, s); }), row.sends || []);
    });
  }

  it('every command of the contract has a control that sends it ("ready" is sent on load)', () => {
    const sent = new Set(ROWS.flatMap((r) => r.sends || []).map((u) => hostDispatch(u).cmd).concat('ready'));
    assert.deepEqual(CONTRACT.commands.map((c) => c.name).filter((n) => !sent.has(n)), []);
  });
});

'use strict';
// Rows as the host writes them: fixed member order, every value escaped with the
// host's escaper and nothing else (so other control characters pass through raw).
const { jsonEscape } = require('./browser');

function appsJson(rows) {
  return '[' + rows.map((r) =>
    '{"slug":"' + jsonEscape(r.slug) +
    '","name":"' + jsonEscape(r.name || '') +
    '","desc":"' + jsonEscape(r.desc || '') +
    '","installed":"' + jsonEscape(r.installed || '') +
    '","latest":"' + jsonEscape(r.latest || '') +
    '","headline":"' + jsonEscape(r.headline || '') +
    '","running":' + (r.running ? 'true' : 'false') +
    ',"icon":"' + jsonEscape(r.icon || '') +
    '","kind":"' + jsonEscape(r.kind || '') +
    '","shot":"' + jsonEscape(r.shot || '') +
    '","requires":"' + jsonEscape(r.requires || '') + '"}').join(',') + ']';
}

function skinsJson(rows) {
  return '[' + rows.map((r) =>
    '{"name":"' + jsonEscape(r.name) +
    '","forApp":"' + jsonEscape(r.forApp || '') +
    '","author":"' + jsonEscape(r.author || '') +
    '","shot":"' + jsonEscape(r.shot || '') +
    '","url":"' + jsonEscape(r.url || '') + '"}').join(',') + ']';
}

const APPS = [
  { slug: 'clock', name: 'Tarnwick Clock', headline: 'A desk clock with alarms and timers',
    desc: 'World times, alarms that wake the screen, and a stopwatch that keeps running when the window is closed.',
    installed: '2.0.0.1', latest: '2.1.0.0', running: true, icon: 'https://img.tarnwick.test/icons/clock.png' },
  { slug: 'jotter', name: 'Jotter', headline: 'Sticky notes that stay put',
    desc: 'Notes on the desktop, with reminders and a search across all of them.',
    installed: '3.4.0.12', latest: '3.4.0.12', icon: 'https://img.tarnwick.test/icons/jotter.png' },
  { slug: 'weather-eye', name: 'Weather Eye', headline: 'The forecast in your notification area',
    desc: 'Hourly forecast, rain radar and warnings for the places you care about.', latest: '1.2.0.0' },
  { slug: 'marbles', name: 'Marble Run', headline: 'Build tracks, drop marbles', kind: 'game',
    desc: 'Relaxing puzzle game: build a run and watch the marbles go.', latest: '1.0.3.0',
    shot: 'https://img.tarnwick.test/shots/marbles.png', requires: 'Windows 7 or later, 120 MB free' },
  { slug: 'tiles', name: 'Tile Tumble', headline: 'Match three, chain five', kind: 'game',
    desc: 'A quick match-three game with daily puzzles.', installed: '0.9.0.0', latest: '1.0.0.0',
    shot: 'https://img.tarnwick.test/shots/tiles.png', requires: 'Any PC from the last ten years' },
];

const SKINS = [
  { name: 'Midnight', forApp: 'clock', author: 'Tarnwick', shot: 'https://img.tarnwick.test/skins/midnight.png',
    url: 'https://tarnwick.test/skins/midnight/' },
  { name: 'Paper', forApp: 'jotter', author: 'Ana Ruiz', shot: 'https://img.tarnwick.test/skins/paper.png',
    url: 'https://tarnwick.test/skins/paper/?from=pankor&x=1' },
  { name: 'Retro LCD', forApp: 'clock', author: 'k.b.', shot: '', url: 'https://tarnwick.test/skins/lcd/' },
];

const TELEMETRY = '{"v":1,"os":"10.0.19045","screen":"1920x1080","scale":125,"lang":"en-GB","pankor":"1.0.0.12",' +
  '"wine":false,"source":"web","removed":"","apps":[{"slug":"clock","version":"2.0.0.1","autostart":true,' +
  '"running":true,"ageDays":41,"skin":"Midnight"},{"slug":"jotter","version":"3.4.0.12","autostart":false,' +
  '"running":false,"ageDays":3,"skin":""}]}';

module.exports = { appsJson, skinsJson, APPS, SKINS, TELEMETRY };

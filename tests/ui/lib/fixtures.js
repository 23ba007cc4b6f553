'use strict';
// Rows as the host writes them: the contract's members in order, every text escaped with
// the host's escaper and nothing else (so other control characters pass through raw).
const { CONTRACT, jsonEscape } = require('./browser');

const rowsJson = (fields, rows) => '[' + rows.map((r) => '{' + fields.map((f) => '"' + f.name + '":' +
  (f.type === 'bool' ? String(!!r[f.name]) : '"' + jsonEscape(r[f.name] || '') + '"')).join(',') + '}').join(',') + ']';
const appsJson = (rows) => rowsJson(CONTRACT.appRow, rows);
const skinsJson = (rows) => rowsJson(CONTRACT.skinRow, rows);

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

// A 64 x 64 24-bit Windows bitmap like the host's icon cache: a tile of colour with a light
// disc on the host's dark icon background.
function iconBmp(rgb) {
  const b = Buffer.alloc(54 + 64 * 64 * 3);
  b.write('BM', 0, 'ascii');
  [[2, b.length], [10, 54], [14, 40], [18, 64], [22, 64], [34, 64 * 64 * 3]].forEach(([o, v]) => b.writeUInt32LE(v, o));
  b.writeUInt16LE(1, 26);
  b.writeUInt16LE(24, 28);
  for (let i = 0; i < 64 * 64; i++) {
    const x = i % 64;
    const y = (i - x) / 64;
    const tile = Math.abs(x - 31.5) < 28 && Math.abs(y - 31.5) < 28;
    const disc = (x - 38) ** 2 + (y - 38) ** 2 <= 110;
    const c = !tile ? [0x0d, 0x11, 0x19] : disc ? [240, 244, 250] : rgb;
    b.set([c[2], c[1], c[0]], 54 + i * 3);
  }
  return b;
}

const HOSTILE = 'a\u2028b\u2029 "q" \\ </script><b>x</b>';

module.exports = { appsJson, skinsJson, APPS, SKINS, TELEMETRY, iconBmp, HOSTILE };

/* Pankor page: app, game and skin cards. ES5 only. */
(function (window, document) {
  'use strict';

  var PK = window.PK;
  var el = PK.el;
  var str = PK.str;

  // Everything the cards show, keyed by lower-case slug where per app. Busy, progress
  // and failure marks outlive a redraw of the rows, which the host may send at any time.
  var state = PK.state = {
    appsLoaded: false,
    apps: [],
    skins: [],
    busy: {},
    progress: {},
    failed: {},
    confirm: {},
    highlight: null
  };

  var CONFIRM_MS = 5000;
  var HIGHLIGHT_MS = 8000;
  var TINTS = ['#3d7ff0', '#7b5cf0', '#d0578f', '#e07b39', '#2fa37a', '#2a9bb5', '#b0892b', '#5f6f8f'];

  function keyOf(slug) {
    return str(slug).toLowerCase();
  }
  PK.keyOf = keyOf;

  function has(map, key) {
    return Object.prototype.hasOwnProperty.call(map, key);
  }
  PK.has = has;

  function tintFor(text) {
    var h = 0;
    text = str(text);
    for (var i = 0; i < text.length; i++) {
      h = (h * 31 + text.charCodeAt(i)) % 9973;
    }
    return TINTS[h % TINTS.length];
  }

  function initialOf(name) {
    var m = str(name).match(/[A-Za-z0-9\u00c0-\uffff]/);
    return m ? m[0].toUpperCase() : '?';
  }

  function displayName(row) {
    var n = str(row.name);
    return n !== '' ? n : str(row.slug);
  }

  // A CSS url() for a picture address; quotes, backslashes and line breaks are escaped
  // so the address cannot end the value early.
  function cssUrl(u) {
    return 'url("' + u.replace(/["\\\n\r\f]/g, function (c) {
      return '\\' + c.charCodeAt(0).toString(16) + ' ';
    }) + '")';
  }
  PK.cssUrl = cssUrl;

  // A picture, or the name's initial on a tint when there is none or it fails to load.
  // Screenshots fill their box as a cover background (IE11 has no object-fit); an
  // image element still does the loading so that a failure is noticed.
  function picture(url, name, slug, wrapCls, letterCls, cover) {
    var box = el('div', wrapCls);
    var letter = el('span', letterCls, initialOf(name));
    letter.setAttribute('aria-hidden', 'true');
    if (!cover) {
      letter.style.backgroundColor = tintFor(slug);
    }
    box.appendChild(letter);
    var src = PK.safeImageUrl(url);
    if (src) {
      var img = document.createElement('img');
      img.alt = '';
      img.style.display = 'none';
      img.onload = function () {
        if (cover) {
          box.style.backgroundImage = cssUrl(src);
          if (img.parentNode) {
            img.parentNode.removeChild(img);
          }
        } else {
          img.style.display = '';
        }
        if (letter.parentNode) {
          letter.parentNode.removeChild(letter);
        }
      };
      img.onerror = function () {
        if (img.parentNode) {
          img.parentNode.removeChild(img);
        }
      };
      box.appendChild(img);
      img.src = src;
    }
    return box;
  }

  function button(label, cmd, slug, cls, title) {
    var b = el('button', 'btn' + (cls ? ' ' + cls : ''), label);
    b.type = 'button';
    b.setAttribute('data-do', cmd);
    b.setAttribute('data-slug', slug);
    if (title) {
      b.title = title;
    }
    return b;
  }

  function badge(cls, text) {
    return el('span', 'badge ' + cls, text);
  }

  function busyLine(key) {
    var line = el('div', 'busyline');
    var text = el('div', 'busytext');
    var pct = el('span', 'pct');
    text.appendChild(pct);
    text.appendChild(document.createTextNode(state.busy[key]));
    var bar = el('div', 'bar');
    bar.setAttribute('role', 'progressbar');
    bar.setAttribute('aria-label', state.busy[key]);
    bar.setAttribute('aria-valuemin', '0');
    bar.setAttribute('aria-valuemax', '100');
    bar.appendChild(el('div', 'fill'));
    line.appendChild(text);
    line.appendChild(bar);
    applyProgress(line, key);
    return line;
  }

  // Determinate bar for a known percentage; indeterminate when the size is unknown (-1)
  // or no figure came yet.
  function applyProgress(line, key) {
    var p = has(state.progress, key) ? state.progress[key] : -1;
    var bar = line.getElementsByTagName('div')[1];
    var fill = bar.firstChild;
    var pct = line.getElementsByTagName('span')[0];
    var known = p >= 0;
    PK.setClass(bar, 'indeterminate', !known);
    fill.style.width = known ? p + '%' : '';
    PK.setText(pct, known ? Math.round(p) + '%' : '');
    if (known) {
      bar.setAttribute('aria-valuenow', String(Math.round(p)));
    } else {
      bar.removeAttribute('aria-valuenow');
    }
  }

  function versionsLine(installed, latest) {
    var meta = el('div', 'card-meta');
    function part(label, value) {
      meta.appendChild(document.createTextNode(label));
      if (value !== undefined) {
        meta.appendChild(el('span', 'v', value));
      }
    }
    if (installed !== '') {
      part('Installed ', installed);
    } else {
      part('Not installed');
    }
    if (latest !== '') {
      meta.appendChild(el('span', 'sep', '\u00b7'));
      part('Latest ', latest);
    }
    return meta;
  }

  function actionsFor(row, key, info) {
    var slug = str(row.slug);
    var box = el('div', 'actions');
    var latest = str(row.latest);
    if (info.installed) {
      if (info.hasUpdate && !info.failed) {
        box.appendChild(button('Update to ' + latest, 'inupdate', slug, 'primary',
          'Download and install the new version'));
      } else if (info.hasUpdate) {
        box.appendChild(button('Get ' + latest + ' from the website', 'update', slug, 'primary',
          'Opens the download page'));
      }
      box.appendChild(button('Start', 'start', slug, info.hasUpdate ? '' : 'primary'));
    } else {
      box.appendChild(button(info.game ? 'Get the game' : 'Get it', 'update', slug, 'primary',
        'Opens the download page'));
    }
    var minor = el('span', 'minor');
    minor.appendChild(button('Release notes', 'notes', slug, 'link'));
    if (info.installed) {
      var armed = has(state.confirm, key) && state.confirm[key] > PK.now();
      minor.appendChild(button(armed ? 'Click again to uninstall' : 'Uninstall', 'uninstall', slug,
        armed ? 'warn' : 'link'));
    }
    box.appendChild(minor);
    if (info.busy) {
      var bs = box.getElementsByTagName('button');
      for (var i = 0; i < bs.length; i++) {
        if (bs[i].getAttribute('data-do') !== 'notes') {
          bs[i].disabled = true;
        }
      }
    }
    return box;
  }

  function cardInfo(row) {
    var key = keyOf(row.slug);
    var installed = str(row.installed);
    var info = {
      key: key,
      game: str(row.kind).toLowerCase() === 'game',
      installed: installed !== '',
      hasUpdate: installed !== '' && PK.isNewer(row.latest, installed),
      failed: has(state.failed, key),
      busy: has(state.busy, key),
      running: row.running === true || str(row.running).toLowerCase() === 'true'
    };
    return info;
  }

  function badgesFor(info) {
    var b = el('div', 'badges');
    if (info.running) {
      b.appendChild(badge('running', 'Running'));
    }
    if (info.failed) {
      b.appendChild(badge('failed', 'Update failed'));
    } else if (info.hasUpdate) {
      b.appendChild(badge('update', 'Update'));
    }
    if (info.game && !info.installed) {
      b.appendChild(badge('new', 'Free'));
    }
    return b;
  }

  PK.buildCard = function (row) {
    var info = cardInfo(row);
    var key = info.key;
    var name = displayName(row);
    var card = el('article', 'card ' + (info.game ? 'game' : 'app'));
    card.setAttribute('data-slug', str(row.slug));
    card.setAttribute('tabindex', '-1');
    card.setAttribute('aria-label', name);
    PK.setClass(card, 'has-update', info.hasUpdate && !info.failed);
    PK.setClass(card, 'busy', info.busy);
    if (state.highlight && state.highlight.key === key && state.highlight.until > PK.now()) {
      PK.setClass(card, 'highlight', true);
    }

    var body = card;
    if (info.game) {
      var shot = picture(row.shot, name, row.slug, 'shot', 'shot-letter', true);
      shot.appendChild(badgesFor(info));
      card.appendChild(shot);
      body = el('div', 'card-body');
      card.appendChild(body);
    }

    var head = el('div', 'card-head');
    if (!info.game || PK.safeImageUrl(row.icon)) {
      head.appendChild(picture(row.icon, name, row.slug, 'app-icon', 'letter'));
    }
    var titles = el('div', 'titles');
    // App cards sit under a group heading (h2); the Toy box has none above its cards.
    var h = el(info.game ? 'h2' : 'h3', 'card-name', name);
    h.title = name;
    titles.appendChild(h);
    if (str(row.headline) !== '') {
      var hl = el('div', 'card-headline', row.headline);
      hl.title = str(row.headline);
      titles.appendChild(hl);
    }
    var badges = badgesFor(info);
    if (!info.game && badges.firstChild) {
      titles.appendChild(badges);
    }
    head.appendChild(titles);
    body.appendChild(head);

    if (str(row.desc) !== '') {
      body.appendChild(el('p', 'card-desc', row.desc));
    }
    if (info.game && str(row.requires) !== '') {
      body.appendChild(el('div', 'card-req', 'Needs: ' + str(row.requires)));
    }
    body.appendChild(versionsLine(str(row.installed), str(row.latest)));
    if (info.failed && info.hasUpdate) {
      body.appendChild(el('div', 'card-note',
        'The update could not be installed from here. Get it from the download page instead.'));
    }
    if (info.busy) {
      body.appendChild(busyLine(key));
    }
    body.appendChild(actionsFor(row, key, info));
    return card;
  };

  PK.buildSkinCard = function (row, appNames) {
    var name = str(row.name);
    var card = el('article', 'card skin');
    card.appendChild(picture(row.shot, name, name, 'shot', 'shot-letter', true));
    var body = el('div', 'card-body');
    var h = el('h2', 'card-name', name);
    h.title = name;
    body.appendChild(h);
    var forApp = str(row.forApp);
    var forName = has(appNames, keyOf(forApp)) ? appNames[keyOf(forApp)] : forApp;
    var by = [];
    if (forName !== '') {
      by.push('for ' + forName);
    }
    if (str(row.author) !== '') {
      by.push('by ' + str(row.author));
    }
    if (by.length) {
      var line = el('div', 'skin-by', by.join(' \u00b7 '));
      line.title = by.join(' \u00b7 ');
      body.appendChild(line);
    }
    // A span, not a button: the host's skin self-test looks for span[data-do="skin"].
    var get = el('span', 'btn primary', 'Get this skin');
    var wrap = el('div', 'skinlink');
    get.setAttribute('role', 'button');
    if (str(row.url) !== '') {
      get.setAttribute('data-do', 'skin');
      get.setAttribute('data-url', str(row.url));
      get.setAttribute('tabindex', '0');
      get.title = 'Opens the skin\u2019s page in your browser';
    } else {
      get.setAttribute('aria-disabled', 'true');
      PK.setClass(get, 'disabled', true);
    }
    wrap.appendChild(get);
    body.appendChild(wrap);
    card.appendChild(body);
    return card;
  };

  function emptyNote(title, text) {
    var box = el('div', 'empty');
    box.appendChild(el('strong', '', title));
    box.appendChild(document.createTextNode(text));
    return box;
  }

  function grid(rows) {
    var g = el('div', 'cards');
    for (var i = 0; i < rows.length; i++) {
      g.appendChild(PK.buildCard(rows[i]));
    }
    return g;
  }

  // Remember which control had the keyboard focus so a redraw does not lose it.
  function focusKey() {
    var a = document.activeElement;
    if (!a || !a.getAttribute) {
      return null;
    }
    if (a.getAttribute('data-do') && a.getAttribute('data-slug') !== null) {
      return { cmd: a.getAttribute('data-do'), slug: a.getAttribute('data-slug') };
    }
    if (a.getAttribute('data-url') !== null) {
      return { cmd: 'skin', url: a.getAttribute('data-url') };
    }
    return null;
  }

  function restoreFocus(root, k) {
    if (!k) {
      return;
    }
    var all = root.getElementsByTagName('*');
    for (var i = 0; i < all.length; i++) {
      var e = all[i];
      if (e.getAttribute('data-do') === k.cmd &&
          (k.url !== undefined ? e.getAttribute('data-url') === k.url : e.getAttribute('data-slug') === k.slug)) {
        if (!e.disabled) {
          e.focus();
        }
        return;
      }
    }
  }

  PK.renderApps = function () {
    var focus = focusKey();
    var apps = [];
    var games = [];
    var installedApps = [];
    var otherApps = [];
    var appUpdates = 0;
    var gameUpdates = 0;
    var i;
    for (i = 0; i < state.apps.length; i++) {
      var row = state.apps[i];
      var info = cardInfo(row);
      if (info.game) {
        games.push(row);
        gameUpdates += info.hasUpdate ? 1 : 0;
      } else {
        apps.push(row);
        appUpdates += info.hasUpdate ? 1 : 0;
        (info.installed ? installedApps : otherApps).push(row);
      }
    }

    var list = PK.$('appsList');
    PK.clear(list);
    if (!state.appsLoaded) {
      list.appendChild(emptyNote('Looking for your apps\u2026', 'This takes a moment.'));
    } else if (!apps.length) {
      list.appendChild(emptyNote('No apps to show', 'The catalog has no apps right now. Try \u201cCheck now\u201d later.'));
    } else {
      if (installedApps.length) {
        list.appendChild(el('h2', 'group-title', 'Installed'));
        list.appendChild(grid(installedApps));
      }
      if (otherApps.length) {
        list.appendChild(el('h2', 'group-title', installedApps.length ? 'More from Tarnwick' : 'Available'));
        list.appendChild(grid(otherApps));
      }
    }

    var gl = PK.$('gamesList');
    PK.clear(gl);
    if (state.appsLoaded && !games.length) {
      gl.appendChild(emptyNote('The Toy box is empty', 'New games show up here when they are published.'));
    } else if (!state.appsLoaded) {
      gl.appendChild(emptyNote('Looking for games\u2026', 'This takes a moment.'));
    } else {
      gl.appendChild(grid(games));
    }

    var lead = installedApps.length + ' installed';
    if (appUpdates) {
      lead += ' \u00b7 ' + appUpdates + (appUpdates === 1 ? ' update waiting' : ' updates waiting');
    } else if (installedApps.length) {
      lead += ' \u00b7 all up to date';
    }
    PK.setText(PK.$('appsLead'), state.appsLoaded ? lead : 'Your Tarnwick apps, kept up to date.');
    setCount(PK.$('appsCount'), appUpdates);
    setCount(PK.$('gamesCount'), gameUpdates);
    restoreFocus(PK.$('main'), focus);
  };

  function setCount(node, n) {
    PK.setText(node, n ? String(n) : '');
    node.title = n ? n + (n === 1 ? ' update waiting' : ' updates waiting') : '';
    PK.show(node, n > 0);
  }

  PK.renderSkins = function () {
    var focus = focusKey();
    var box = PK.$('skins');
    PK.clear(box);
    if (!state.skins.length) {
      box.appendChild(emptyNote('No skins yet', 'Skins for your apps show up here when they are published.'));
      return;
    }
    var names = {};
    for (var i = 0; i < state.apps.length; i++) {
      names[keyOf(state.apps[i].slug)] = displayName(state.apps[i]);
    }
    var g = el('div', 'cards skin-grid');
    for (i = 0; i < state.skins.length; i++) {
      g.appendChild(PK.buildSkinCard(state.skins[i], names));
    }
    box.appendChild(g);
    restoreFocus(box, focus);
  };

  // All cards of one app (a slug can only be on one tab, but look everywhere).
  PK.cardsFor = function (slug) {
    var key = keyOf(slug);
    var out = [];
    var all = PK.$('main').getElementsByTagName('article');
    for (var i = 0; i < all.length; i++) {
      if (keyOf(all[i].getAttribute('data-slug')) === key && all[i].getAttribute('data-slug') !== null) {
        out.push(all[i]);
      }
    }
    return out;
  };

  PK.findRow = function (slug) {
    var key = keyOf(slug);
    for (var i = 0; i < state.apps.length; i++) {
      if (keyOf(state.apps[i].slug) === key) {
        return state.apps[i];
      }
    }
    return null;
  };

  // Progress only touches the bar, so frequent calls during a download stay cheap.
  PK.refreshProgress = function (key) {
    var cards = PK.cardsFor(key);
    for (var i = 0; i < cards.length; i++) {
      var lines = cards[i].getElementsByTagName('div');
      for (var j = 0; j < lines.length; j++) {
        if (PK.hasClass(lines[j], 'busyline')) {
          applyProgress(lines[j], key);
        }
      }
    }
  };

  PK.armUninstall = function (slug) {
    var key = keyOf(slug);
    if (has(state.confirm, key) && state.confirm[key] > PK.now()) {
      delete state.confirm[key];
      PK.renderApps();
      return true;
    }
    var until = PK.now() + CONFIRM_MS;
    state.confirm[key] = until;
    PK.renderApps();
    window.setTimeout(function () {
      if (state.confirm[key] === until) {
        delete state.confirm[key];
        PK.renderApps();
      }
    }, CONFIRM_MS + 50);
    return false;
  };

  PK.highlight = function (slug) {
    var key = keyOf(slug);
    var until = PK.now() + HIGHLIGHT_MS;
    state.highlight = { key: key, until: until };
    var cards = PK.cardsFor(slug);
    for (var i = 0; i < cards.length; i++) {
      PK.setClass(cards[i], 'highlight', true);
    }
    window.setTimeout(function () {
      if (state.highlight && state.highlight.until === until) {
        state.highlight = null;
        var c = PK.cardsFor(slug);
        for (var j = 0; j < c.length; j++) {
          PK.setClass(c[j], 'highlight', false);
        }
      }
    }, HIGHLIGHT_MS + 50);
    return cards.length ? cards[0] : null;
  };
}(window, document));

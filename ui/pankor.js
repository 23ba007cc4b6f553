/* Pankor page: window shell, settings, welcome, report form, and the window.pk
   functions the host calls. ES5 only. */
(function (window, document) {
  'use strict';

  var PK = window.PK;
  var $ = PK.$;
  var str = PK.str;
  var state = PK.state;

  var TABS = ['apps', 'toybox', 'skins', 'settings', 'report'];
  var TAB_ALIASES = { games: 'toybox', toys: 'toybox', issue: 'report', feedback: 'report', updates: 'apps' };
  var ISSUE_WAIT_MS = 45000;

  state.tab = 'apps';
  state.dpi = 100;
  state.selfVersion = '';
  state.selfOffer = '';
  state.selfState = '';
  state.consent = -1;
  state.telemetryDoc = '';
  state.issueTimer = null;

  /* ---------- tabs ---------- */

  PK.showTab = function (name) {
    var t = str(name).replace(/^\s+|\s+$/g, '').toLowerCase();
    if (PK.has(TAB_ALIASES, t)) {
      t = TAB_ALIASES[t];
    }
    var known = false;
    for (var i = 0; i < TABS.length; i++) {
      known = known || TABS[i] === t;
    }
    if (!known) {
      return false;
    }
    for (i = 0; i < TABS.length; i++) {
      var on = TABS[i] === t;
      PK.show($('tab-' + TABS[i]), on);
      var b = $('nav-' + TABS[i]);
      PK.setClass(b, 'active', on);
      b.setAttribute('aria-selected', on ? 'true' : 'false');
    }
    if (state.tab !== t) {
      $('main').scrollTop = 0;
    }
    state.tab = t;
    return true;
  };

  // Up and down move between the section buttons, as in any tab list; every section
  // button also stays in the Tab order so that Tab and Enter alone reach every section.
  function navKeys(e) {
    var k = e.keyCode;
    if (k !== 38 && k !== 40 && k !== 36 && k !== 35) {
      return;
    }
    var i = 0;
    for (var j = 0; j < TABS.length; j++) {
      if (TABS[j] === state.tab) {
        i = j;
      }
    }
    if (k === 38) {
      i = (i + TABS.length - 1) % TABS.length;
    } else if (k === 40) {
      i = (i + 1) % TABS.length;
    } else {
      i = k === 36 ? 0 : TABS.length - 1;
    }
    PK.showTab(TABS[i]);
    $('nav-' + TABS[i]).focus();
    if (e.preventDefault) {
      e.preventDefault();
    }
  }

  /* ---------- scale and layout ---------- */

  // The page scales through the root font size (all sizes are rem), then picks a
  // column count from the width that is left at that scale.
  function layout() {
    var scale = state.dpi / 100;
    var w = (window.innerWidth || document.documentElement.clientWidth) / scale;
    var body = document.body;
    PK.setClass(body, 'compact', w < 760);
    var mainW = $('main').clientWidth / scale;
    PK.setClass(body, 'cols-1', mainW < 600);
    PK.setClass(body, 'cols-3', mainW >= 1100);
  }
  PK.layout = layout;

  /* ---------- settings ---------- */

  function renderSelf() {
    var v = state.selfVersion;
    PK.setText($('selfVersion'), v ? 'Pankor ' + v : 'Pankor');
    var s = state.selfState;
    var offer = state.selfOffer;
    var box = $('selfState');
    var pill = $('selfPill');
    var btn = $('selfBtn');
    var text;
    var pillText = '';
    PK.clear(box);
    box.className = 'self-state' + (s ? ' ' + s : '');
    if (s === 'working') {
      text = offer ? 'Downloading Pankor ' + offer + '\u2026' : 'Downloading the update\u2026';
      pillText = 'Downloading update\u2026';
    } else if (s === 'ready') {
      text = (offer ? 'Pankor ' + offer : 'The update') + ' is ready. It installs when you close the window.';
      pillText = 'Update ready \u2013 installs on close';
    } else if (s === 'failed') {
      text = 'The update could not be downloaded. Its download page was opened in your browser.';
      pillText = 'Update failed \u2013 try again';
    } else if (offer) {
      text = 'Pankor ' + offer + ' is available.';
      pillText = 'Update Pankor to ' + offer;
    } else {
      text = 'You have the latest version.';
    }
    box.appendChild(document.createTextNode(text));
    if (s === 'working') {
      var bar = PK.el('div', 'bar indeterminate');
      bar.setAttribute('role', 'progressbar');
      bar.setAttribute('aria-label', text);
      bar.appendChild(PK.el('div', 'fill'));
      box.appendChild(bar);
    }
    var actionable = s === 'failed' || (s === '' && offer !== '');
    PK.setText(pill, pillText);
    pill.className = 'pill' + (s ? ' ' + s : '');
    pill.title = text;
    PK.show(pill, pillText !== '');
    pill.disabled = !actionable;
    PK.setText(btn, s === 'failed' ? 'Try again' : 'Update now');
    PK.show(btn, actionable);
  }

  function renderTelemetry() {
    var c = state.consent;
    var doc = state.telemetryDoc;
    PK.setText($('reportDoc'), doc !== '' ? doc : 'The report appears here once Pankor has checked the catalog.');
    PK.setText($('wDoc'), doc !== '' ? doc : 'The report appears here once Pankor has checked the catalog.');
    $('optConsent').checked = c === 1;
    var s = $('consentState');
    s.className = 'consent-state ' + (c === 1 ? 'yes' : c === 0 ? 'no' : 'unset');
    PK.setText(s, c === 1 ? 'You send this report once a day. Thank you!' :
      c === 0 ? 'You don\u2019t send usage reports.' : 'You haven\u2019t decided yet.');
  }

  function sendToggle(cmd, on) {
    PK.send(cmd, on ? '1' : '0');
  }

  /* ---------- welcome ---------- */

  function openWelcome(autostartOn) {
    var w = $('welcome');
    $('wAutostart').checked = autostartOn;
    PK.setText($('wAutoNote'), autostartOn ?
      'It is switched on: Pankor waits quietly in the notification area.' :
      'It waits quietly in the notification area.');
    PK.show($('wDoc'), false);
    $('wShowDoc').setAttribute('aria-expanded', 'false');
    PK.show(w, true);
    $('main').setAttribute('aria-hidden', 'true');
    $('wYes').focus();
  }

  function answerWelcome(yes) {
    state.consent = yes ? 1 : 0;
    renderTelemetry();
    PK.show($('welcome'), false);
    $('main').removeAttribute('aria-hidden');
    sendToggle('consent', yes);
    $('main').focus();
  }

  // Keep Tab inside the welcome while it is open.
  function trapFocus(e) {
    var w = $('welcome');
    if (e.keyCode !== 9 || w.hasAttribute('hidden')) {
      return;
    }
    var items = [$('wAutostart'), $('wShowDoc'), $('wNo'), $('wYes')];
    if (!$('wDoc').hasAttribute('hidden')) {
      items.splice(2, 0, $('wDoc'));
    }
    var at = -1;
    for (var i = 0; i < items.length; i++) {
      if (items[i] === document.activeElement) {
        at = i;
      }
    }
    var next = e.shiftKey ? (at <= 0 ? items.length - 1 : at - 1) : (at + 1) % items.length;
    items[next].focus();
    e.preventDefault();
  }

  /* ---------- report form ---------- */

  function renderAppPicker() {
    var pick = $('isAppPick');
    var keep = $('isApp').value;
    PK.clear(pick);
    var choices = [['pankor', 'Pankor itself']];
    for (var i = 0; i < state.apps.length; i++) {
      var r = state.apps[i];
      choices.push([str(r.slug), str(r.name) !== '' ? str(r.name) : str(r.slug)]);
    }
    choices.push(['other', 'Something else']);
    var found = false;
    for (i = 0; i < choices.length; i++) {
      var o = PK.el('option', '', choices[i][1]);
      o.value = choices[i][0];
      pick.appendChild(o);
      found = found || choices[i][0] === keep;
    }
    pick.value = found ? keep : 'pankor';
    $('isApp').value = pick.value;
  }

  function renderKind() {
    var feature = $('isKind').value === 'feature';
    PK.setText($('isTextLabel'), feature ? 'What would you like it to do?' : 'What happened?');
  }

  function countText() {
    var n = $('isText').value.replace(/^\s+|\s+$/g, '').length;
    PK.setText($('isCount'), n < 10 ? 'At least 10 characters. ' + n + ' so far.' : n + ' / 4000 characters');
  }

  function issueResult(ok, message) {
    var r = $('isResult');
    if (state.issueTimer) {
      window.clearTimeout(state.issueTimer);
      state.issueTimer = null;
    }
    $('isSend').disabled = false;
    r.className = 'result ' + (ok === null ? 'wait' : ok ? 'ok' : 'err');
    PK.setText(r, message);
    PK.show(r, true);
    if (ok === true) {
      $('isText').value = '';
      countText();
    }
  }

  function sendIssue() {
    $('isApp').value = $('isAppPick').value;
    issueResult(null, 'Sending\u2026');
    $('isSend').disabled = true;
    // The host answers through setIssueResult; should no answer come, let the user retry.
    state.issueTimer = window.setTimeout(function () {
      state.issueTimer = null;
      issueResult(false, 'No answer came back. Please try again.');
    }, ISSUE_WAIT_MS);
    PK.send('issue');
  }

  /* ---------- user actions ---------- */

  function act(target) {
    var cmd = target.getAttribute('data-do');
    var slug = target.getAttribute('data-slug');
    if (target.disabled || target.getAttribute('aria-disabled') === 'true') {
      return;
    }
    switch (cmd) {
      case 'tab':
        PK.showTab(target.getAttribute('data-tab'));
        break;
      case 'skin':
        PK.send('open', target.getAttribute('data-url'));
        break;
      case 'uninstall':
        if (PK.armUninstall(slug)) {
          PK.send('uninstall', slug);
        }
        break;
      case 'start':
      case 'update':
      case 'inupdate':
      case 'notes':
        PK.send(cmd, slug);
        break;
      case 'min':
      case 'close':
      case 'quit':
      case 'refresh':
      case 'backup':
      case 'restore':
      case 'selfupdate':
        PK.send(cmd);
        break;
    }
  }

  function onClick(e) {
    var t = PK.closestAttr(e.target, 'data-do');
    if (t) {
      act(t);
    }
  }

  // Spans that act as buttons answer Enter and Space like buttons do.
  function onKey(e) {
    trapFocus(e);
    var t = e.target;
    if ((e.keyCode === 13 || e.keyCode === 32) && t && t.getAttribute &&
        t.getAttribute('role') === 'button' && t.tagName !== 'BUTTON') {
      act(t);
      e.preventDefault();
    }
  }

  // The title area moves the window; the host needs the button still held, so the
  // command goes out at once on mouse-down.
  function onTitleDown(e) {
    var b = e.button === undefined ? 0 : e.button;
    if (b !== 0 || PK.closestAttr(e.target, 'data-do')) {
      return;
    }
    PK.send('drag');
    if (e.preventDefault) {
      e.preventDefault();
    }
  }

  function wire() {
    document.addEventListener('click', onClick, false);
    document.addEventListener('keydown', onKey, false);
    $('titlebar').addEventListener('mousedown', onTitleDown, false);
    $('nav').addEventListener('keydown', navKeys, false);
    $('optAutostart').addEventListener('click', function () {
      $('wAutostart').checked = this.checked;
      sendToggle('autostart', this.checked);
    }, false);
    $('wAutostart').addEventListener('click', function () {
      $('optAutostart').checked = this.checked;
      sendToggle('autostart', this.checked);
    }, false);
    $('optNotify').addEventListener('click', function () {
      sendToggle('notify', this.checked);
    }, false);
    $('optConsent').addEventListener('click', function () {
      state.consent = this.checked ? 1 : 0;
      renderTelemetry();
      sendToggle('consent', this.checked);
    }, false);
    $('wYes').addEventListener('click', function () { answerWelcome(true); }, false);
    $('wNo').addEventListener('click', function () { answerWelcome(false); }, false);
    $('wShowDoc').addEventListener('click', function () {
      var open = $('wDoc').hasAttribute('hidden');
      PK.show($('wDoc'), open);
      this.setAttribute('aria-expanded', open ? 'true' : 'false');
    }, false);
    $('isAppPick').addEventListener('change', function () { $('isApp').value = this.value; }, false);
    $('isKind').addEventListener('change', renderKind, false);
    $('isText').addEventListener('input', countText, false);
    $('isText').addEventListener('keyup', countText, false);
    $('isSend').addEventListener('click', sendIssue, false);
    window.addEventListener('resize', layout, false);
  }

  /* ---------- functions the host calls ---------- */

  var api = {
    setDpi: function (percent) {
      var p = Number(percent);
      state.dpi = isFinite(p) && p >= 100 ? Math.min(p, 400) : 100;
      document.documentElement.style.fontSize = (16 * state.dpi / 100) + 'px';
      layout();
    },
    showTabExternal: function (name) {
      PK.showTab(name);
    },
    showInstalled: function (slug) {
      var row = PK.findRow(slug);
      if (!row) {
        return;
      }
      PK.showTab(str(row.kind).toLowerCase() === 'game' ? 'toybox' : 'apps');
      var card = PK.highlight(row.slug);
      if (card) {
        var main = $('main');
        card.focus();
        main.scrollTop += card.getBoundingClientRect().top - main.getBoundingClientRect().top - 16;
      }
    },
    showWelcome: function (autostartOn) {
      var on = autostartOn === true || str(autostartOn) === 'true';
      $('optAutostart').checked = on;
      openWelcome(on);
    },
    setStatus: function (text) {
      var s = $('status');
      PK.setText(s, text);
      s.title = str(text);
    },
    setApps: function (json) {
      var rows = PK.parseRows(json);
      if (!rows) {
        return;
      }
      state.apps = rows;
      state.appsLoaded = true;
      // A failed update is forgotten once the installed version moves.
      for (var k in state.failed) {
        if (PK.has(state.failed, k)) {
          var r = PK.findRow(k);
          if (!r || str(r.installed) !== state.failed[k]) {
            delete state.failed[k];
          }
        }
      }
      PK.renderApps();
      PK.renderSkins();
      renderAppPicker();
    },
    setSkins: function (json) {
      var rows = PK.parseRows(json);
      if (!rows) {
        return;
      }
      state.skins = rows;
      PK.renderSkins();
    },
    setSelfVersion: function (v) {
      state.selfVersion = str(v);
      renderSelf();
    },
    setSelfUpdate: function (v) {
      state.selfOffer = str(v);
      state.selfState = '';
      renderSelf();
    },
    setSelfUpdateState: function (s) {
      s = str(s).toLowerCase();
      if (s === 'ready' || s === 'working' || s === 'failed') {
        state.selfState = s;
        renderSelf();
      }
    },
    setAutostart: function (on) {
      on = on === true || str(on) === 'true';
      $('optAutostart').checked = on;
      $('wAutostart').checked = on;
    },
    setNotify: function (on) {
      $('optNotify').checked = on === true || str(on) === 'true';
    },
    setTelemetry: function (consent, doc) {
      var c = Number(consent);
      state.consent = c === 1 ? 1 : (c === 0 ? 0 : -1);
      state.telemetryDoc = str(doc);
      renderTelemetry();
    },
    setIssueResult: function (ok, message) {
      issueResult(ok === true || str(ok) === 'true', str(message));
    },
    setBusy: function (arg) {
      arg = str(arg);
      var bar = arg.indexOf('|');
      var key = PK.keyOf(bar < 0 ? arg : arg.substring(0, bar));
      var text = bar < 0 ? '' : arg.substring(bar + 1);
      if (text === '') {
        delete state.busy[key];
        delete state.progress[key];
      } else {
        // A new phase (downloading, then installing) starts without a known figure.
        if (state.busy[key] !== text) {
          delete state.progress[key];
        }
        state.busy[key] = text;
        delete state.failed[key];
      }
      PK.renderApps();
    },
    setProgress: function (slug, percent) {
      var key = PK.keyOf(slug);
      var p = Number(percent);
      if (percent === null || percent === '' || isNaN(p)) {
        return;
      }
      if (p < 0) {
        delete state.progress[key];
      } else {
        state.progress[key] = Math.min(100, p);
      }
      PK.refreshProgress(key);
    },
    updateFailed: function (slug) {
      var key = PK.keyOf(slug);
      var row = PK.findRow(slug);
      // The host ends a failed update without clearing the busy line itself.
      delete state.busy[key];
      delete state.progress[key];
      state.failed[key] = row ? str(row.installed) : '';
      PK.renderApps();
    }
  };

  var pk = window.pk = window.pk || {};
  for (var name in api) {
    if (PK.has(api, name)) {
      pk[name] = PK.guard(name, api[name]);
    }
  }

  /* ---------- start ---------- */

  wire();
  PK.showTab('apps');
  PK.renderApps();
  PK.renderSkins();
  renderSelf();
  renderTelemetry();
  renderAppPicker();
  renderKind();
  layout();

  window.addEventListener('load', function () {
    layout();
    PK.send('ready');
  }, false);
}(window, document));

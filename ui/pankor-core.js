/* Pankor page: small DOM helpers and the command bridge to the host.
   ES5 only: the product shows this page in the IE11-mode browser control. */
(function (window, document) {
  'use strict';

  var PK = window.PK = window.PK || {};

  // Errors inside page functions are kept here instead of being thrown back at the
  // host, which would only log them; the tests read this list.
  PK.errors = [];
  // The wrapper keeps the function's arity, which the host contract is checked against.
  PK.guard = function (name, fn) {
    function run(self, args) {
      try {
        return fn.apply(self, args);
      } catch (e) {
        PK.errors.push(name + ': ' + (e && e.message ? e.message : String(e)));
      }
    }
    if (fn.length === 2) {
      return function (a, b) { return run(this, arguments); };
    }
    if (fn.length === 1) {
      return function (a) { return run(this, arguments); };
    }
    return function () { return run(this, arguments); };
  };

  /* ---------- text and DOM ---------- */

  function str(v) {
    return v === null || v === undefined ? '' : String(v);
  }
  PK.str = str;

  PK.$ = function (id) {
    return document.getElementById(id);
  };

  // Every text that comes from the host goes into the page through this (or through
  // setText), never through markup: catalog text is outside data.
  PK.el = function (tag, cls, text) {
    var e = document.createElement(tag);
    if (cls) {
      e.className = cls;
    }
    if (text !== undefined && text !== null) {
      e.appendChild(document.createTextNode(str(text)));
    }
    return e;
  };

  PK.setText = function (node, text) {
    while (node.firstChild) {
      node.removeChild(node.firstChild);
    }
    node.appendChild(document.createTextNode(str(text)));
  };

  PK.clear = function (node) {
    while (node.firstChild) {
      node.removeChild(node.firstChild);
    }
  };

  PK.hasClass = function (node, cls) {
    return (' ' + node.className + ' ').indexOf(' ' + cls + ' ') >= 0;
  };

  PK.setClass = function (node, cls, on) {
    var has = PK.hasClass(node, cls);
    if (on && !has) {
      node.className = node.className ? node.className + ' ' + cls : cls;
    } else if (!on && has) {
      node.className = (' ' + node.className + ' ').replace(' ' + cls + ' ', ' ')
        .replace(/^\s+|\s+$/g, '');
    }
  };

  PK.show = function (node, on) {
    if (on) {
      node.removeAttribute('hidden');
    } else {
      node.setAttribute('hidden', 'hidden');
    }
  };

  // Nearest element (the node itself included) that carries the attribute.
  PK.closestAttr = function (node, attr) {
    while (node && node.nodeType === 1) {
      if (node.getAttribute(attr) !== null) {
        return node;
      }
      node = node.parentNode;
    }
    return null;
  };

  PK.now = function () {
    return new Date().getTime();
  };

  // Pictures come from the catalog (web addresses) or from the host's icon cache
  // (file addresses); any other scheme is not loaded.
  PK.safeImageUrl = function (u) {
    u = str(u).replace(/^\s+|\s+$/g, '');
    return /^(https?|file):/i.test(u) ? u : '';
  };

  /* ---------- data from the host ---------- */

  // The host sends rows as JSON text. Its escaper passes control characters other
  // than CR, LF and tab through unchanged, which strict JSON refuses, so a second
  // attempt replaces them by blanks rather than dropping the whole list.
  PK.parseRows = function (data) {
    var v = data;
    if (typeof data === 'string') {
      try {
        v = JSON.parse(data);
      } catch (e1) {
        try {
          v = JSON.parse(data.replace(/[\u0000-\u001f]/g, ' '));
        } catch (e2) {
          return null;
        }
      }
    }
    if (Object.prototype.toString.call(v) !== '[object Array]') {
      return null;
    }
    var out = [];
    for (var i = 0; i < v.length; i++) {
      if (v[i] && typeof v[i] === 'object') {
        out.push(v[i]);
      }
    }
    return out;
  };

  // One part of a dotted version as the host reads it: spaces, tabs and line feeds
  // ignored, the leading number taken (exponent allowed), nothing numeric counts as
  // 0, halves round to even.
  function versionPart(p) {
    var m = str(p).replace(/[ \t\n]/g, '').match(/^[+\-]?(\d+(\.\d*)?|\.\d+)([eE][+\-]?\d+)?/);
    var x = m ? parseFloat(m[0]) : 0;
    if (!isFinite(x)) {
      return 0;
    }
    var r = Math.floor(x);
    var d = x - r;
    if (d > 0.5 || (d === 0.5 && r % 2 !== 0)) {
      r += 1;
    }
    return r;
  }

  // Same rule as the host's version comparison, so that the card offers an update
  // exactly when the host considers one pending.
  PK.isNewer = function (a, b) {
    a = str(a);
    b = str(b);
    if (a === '') {
      return false;
    }
    if (b === '') {
      return true;
    }
    var pa = a.split('.');
    var pb = b.split('.');
    for (var i = 0; i < 4; i++) {
      var x = i < pa.length ? versionPart(pa[i]) : 0;
      var y = i < pb.length ? versionPart(pb[i]) : 0;
      if (x > y) {
        return true;
      }
      if (x < y) {
        return false;
      }
    }
    return false;
  };

  /* ---------- commands to the host ---------- */

  // encodeURIComponent throws on half of a surrogate pair; such a half becomes U+FFFD.
  function wellFormed(t) {
    var out = '';
    for (var i = 0; i < t.length; i++) {
      var c = t.charCodeAt(i);
      if (c >= 0xd800 && c <= 0xdbff && i + 1 < t.length &&
          t.charCodeAt(i + 1) >= 0xdc00 && t.charCodeAt(i + 1) <= 0xdfff) {
        out += t.charAt(i) + t.charAt(i + 1);
        i++;
      } else {
        out += c >= 0xd800 && c <= 0xdfff ? '\ufffd' : t.charAt(i);
      }
    }
    return out;
  }

  // Every command the page sends, with the query parameter that carries its argument
  // ('' for none). The host reads only the value; the name is for people reading logs.
  PK.COMMANDS = {
    ready: '', drag: '', min: '', close: '', quit: '', selfupdate: '', refresh: '',
    start: 'slug', update: 'slug', inupdate: 'slug', notes: 'slug', open: 'url', uninstall: 'slug',
    backup: '', restore: '', issue: '', autostart: 'on', notify: 'on', consent: 'yes'
  };

  // A command is "app:" + name, optionally "?" + parameter "=" + value. The host
  // splits at the first "?" and the first "=" and URL-decodes the rest, so the value
  // is percent-encoded whole ("=", "&", "?" and "%" in it survive). The few marks
  // encodeURIComponent leaves alone are encoded too: some engines rewrite "'" in a
  // query, and the host should see the same text from every engine.
  PK.commandUrl = function (name, value) {
    if (!Object.prototype.hasOwnProperty.call(PK.COMMANDS, name)) {
      throw new Error('no such command: ' + name);
    }
    var param = PK.COMMANDS[name];
    var u = 'app:' + name;
    if (param) {
      u += '?' + param + '=' + encodeURIComponent(wellFormed(str(value))).replace(/[!'()*~]/g, function (c) {
        return '%' + c.charCodeAt(0).toString(16).toUpperCase();
      });
    }
    return u;
  };

  // Each command navigates a fresh hidden frame. WebKit drops a navigation when the
  // same frame navigates again before the host has decided on it, so commands sent
  // in one turn (or while the host is still busy with an earlier one) must never
  // share a frame. Old frames are removed only long after the host has seen them.
  var FRAME_KEEP_MS = 20000;
  var frames = [];

  function frameHolder() {
    var h = document.getElementById('cmdframes');
    if (!h) {
      h = document.createElement('div');
      h.id = 'cmdframes';
      (document.body || document.documentElement).appendChild(h);
    }
    return h;
  }

  function sweepFrames() {
    var t = PK.now();
    while (frames.length && t - frames[0].t > FRAME_KEEP_MS) {
      var f = frames.shift().el;
      if (f.parentNode) {
        f.parentNode.removeChild(f);
      }
    }
  }

  // How many commands this page has sent: lets a watcher know when it has seen them all.
  PK.sentCount = 0;

  PK.navigateCommand = function (url) {
    PK.sentCount += 1;
    sweepFrames();
    var f = document.createElement('iframe');
    f.setAttribute('tabindex', '-1');
    f.setAttribute('aria-hidden', 'true');
    f.setAttribute('title', 'command');
    f.style.position = 'absolute';
    f.style.left = '-100px';
    f.style.top = '-100px';
    f.style.width = '1px';
    f.style.height = '1px';
    f.style.border = '0';
    f.style.visibility = 'hidden';
    f.src = url;
    frameHolder().appendChild(f);
    frames.push({ el: f, t: PK.now() });
  };

  PK.send = function (name, value) {
    PK.navigateCommand(PK.commandUrl(name, value));
  };
}(window, document));

"use strict";
// The live page: the meters' readings as they come, from this page's own server only.
(function () {
  var lang = document.documentElement.lang === "de" ? "de" : "en";
  var TEXTS = {
    en: {
      title: "TC4DL live readings", connected: "connected",
      lostSince: "no connection since {t}", neverConnected: "no connection yet",
      age: "{a} ago", noReading: "no reading yet", offline: "Page offline, reconnecting\u2026",
      probeOpen: "probe open", alarm: "Alarm", noValue: "----", over: "OL", decimal: "."
    },
    de: {
      title: "TC4DL Live-Messwerte", connected: "verbunden",
      lostSince: "keine Verbindung seit {t}", neverConnected: "noch keine Verbindung",
      age: "vor {a}", noReading: "noch kein Messwert", offline: "Seite getrennt, verbinde neu\u2026",
      probeOpen: "F\u00fchler offen", alarm: "Alarm", noValue: "----", over: "OL", decimal: ","
    }
  }[lang];
  var CHANNELS = ["T1", "T2", "T3", "T4"];
  var HOUR = 3600;
  var meters = {}; // by name
  var order = [];
  var clockOffset = 0; // the server's wall clock minus this device's, in seconds
  var source = null;
  var retryTimer = null;

  document.title = TEXTS.title;
  document.getElementById("title").textContent = TEXTS.title;
  // The token came in the address once: the server keeps it in this session's cookie, and the
  // address bar (and anything copied from it) no longer shows it.
  if (location.search.indexOf("token=") >= 0) {
    history.replaceState(null, "", location.pathname);
  }

  // "2026-12-10T11:06:10" as seconds, read as a wall-clock reading without any zone.
  function seconds(text) {
    var m = /^(\d{4})-(\d\d)-(\d\d)T(\d\d):(\d\d):(\d\d)/.exec(text || "");
    if (!m) return null;
    return Date.UTC(+m[1], +m[2] - 1, +m[3], +m[4], +m[5], +m[6]) / 1000;
  }
  function serverNow() { return Date.now() / 1000 + clockOffset; }
  function number(value) { return value.toFixed(1).replace(".", TEXTS.decimal); }
  function unitText(unit) { return unit === "F" ? "\u00b0F" : "\u00b0C"; }
  function ageText(s) {
    s = Math.max(0, Math.round(s));
    if (s < 120) return TEXTS.age.replace("{a}", s + " s");
    if (s < 7200) return TEXTS.age.replace("{a}", Math.round(s / 60) + " min");
    return TEXTS.age.replace("{a}", Math.round(s / 3600) + " h");
  }
  function element(tag, cls, parent) {
    var e = document.createElement(tag);
    if (cls) e.className = cls;
    if (parent) parent.appendChild(e);
    return e;
  }

  // "T1>150", "T2/min>5", "T3 OL" as a person reads them, for the channel they belong to.
  function alarmOf(name) {
    var m = /^T([1-4])(\/min)?([<>])(-?\d+(?:\.\d+)?)$/.exec(name);
    if (m) return { channel: "T" + m[1], rate: !!m[2], sign: m[3], limit: parseFloat(m[4]) };
    m = /^T([1-4]) OL$/.exec(name);
    if (m) return { channel: "T" + m[1], probe: true };
    return null;
  }
  function alarmText(a, unit) {
    if (a.probe) return TEXTS.alarm + ": " + TEXTS.probeOpen;
    return TEXTS.alarm + " " + a.sign + " " + number(a.limit) + " " + unitText(unit) + (a.rate ? "/min" : "");
  }

  function meterCard(name) {
    var card = element("section", "meter");
    card.dataset.meter = name;
    var head = element("div", "meter-head", card);
    element("h2", "", head).textContent = name;
    var m = { name: name, card: card, link: element("span", "link", head), age: element("span", "age", head),
      channels: {}, points: {}, connected: false, last: null, unit: "C", alarms: [], names: {} };
    var grid = element("div", "channels", card);
    CHANNELS.forEach(function (ch) {
      var tile = element("div", "channel", grid);
      tile.dataset.ch = ch;
      var c = { tile: tile, name: element("div", "ch-name", tile) };
      var value = element("div", "ch-value", tile);
      c.num = element("span", "num", value);
      c.unit = element("span", "unit", value);
      c.rate = element("div", "ch-rate", tile);
      c.alarm = element("div", "ch-alarm", tile);
      c.chart = element("canvas", "ch-chart", tile);
      m.channels[ch] = c;
      m.points[ch] = [];
    });
    document.getElementById("meters").appendChild(card);
    return m;
  }
  function meterNamed(name) {
    if (!meters[name]) {
      meters[name] = meterCard(name);
      order.push(name);
    }
    return meters[name];
  }

  function showValues(m, reading) {
    m.unit = reading.unit || m.unit;
    var ol = reading.ol || [];
    CHANNELS.forEach(function (ch) {
      var c = m.channels[ch];
      var v = reading[ch];
      var measured = typeof v === "number";
      c.num.textContent = measured ? number(v) : ol.indexOf(ch) >= 0 ? TEXTS.over : TEXTS.noValue;
      // The unit belongs to a value; "OL" and no value have none.
      c.unit.textContent = measured && reading.unit ? unitText(reading.unit) : "";
    });
  }
  function showRates(m, rates) {
    CHANNELS.forEach(function (ch) {
      var r = rates ? rates[ch] : null;
      var c = m.channels[ch];
      if (typeof r !== "number") { c.rate.textContent = ""; return; }
      // The sign and the arrow of the rate as shown, so that "0.0" never reads "+0.0" or "-0.0".
      var shown = Math.round(r * 10) / 10;
      if (shown === 0) shown = 0;
      var arrow = shown > 0 ? "\u2191" : shown < 0 ? "\u2193" : "\u2192";
      c.rate.textContent = arrow + " " + (shown > 0 ? "+" : "") + number(shown) + " " + unitText(m.unit) + "/min";
    });
  }
  function showAlarms(m) {
    CHANNELS.forEach(function (ch) {
      var texts = [];
      m.alarms.forEach(function (name) {
        var a = alarmOf(name);
        if (a && a.channel === ch) texts.push(alarmText(a, m.unit));
      });
      m.channels[ch].alarm.textContent = texts.join(" \u00b7 ");
      m.channels[ch].tile.classList.toggle("alarm", texts.length > 0);
    });
  }
  function showLink(m) {
    m.card.classList.toggle("lost", !m.connected);
    if (m.connected) m.link.textContent = TEXTS.connected;
    else if (m.last !== null) m.link.textContent = TEXTS.lostSince.replace("{t}", m.lastText.substring(11, 16));
    else m.link.textContent = TEXTS.neverConnected;
  }
  function showAge(m) {
    m.age.textContent = m.last === null ? TEXTS.noReading : ageText(serverNow() - m.last);
  }
  function showNames(m, names) {
    CHANNELS.forEach(function (ch) { m.channels[ch].name.textContent = (names && names[ch]) || ch; });
  }

  function addPoint(m, reading) {
    var t = seconds(reading.time);
    if (t === null) return;
    CHANNELS.forEach(function (ch) {
      var list = m.points[ch];
      if (list.length && list[list.length - 1].t >= t) return;
      list.push({ t: t, v: typeof reading[ch] === "number" ? reading[ch] : null });
      while (list.length && list[0].t < t - HOUR) list.shift();
    });
  }

  // The last hour of one channel, drawn by the page itself: a line with gaps where there was
  // no value, scaled to what it shows.
  function drawChart(m, ch) {
    var canvas = m.channels[ch].chart;
    var ratio = window.devicePixelRatio || 1;
    var w = Math.max(1, Math.round(canvas.clientWidth * ratio));
    var h = Math.max(1, Math.round(canvas.clientHeight * ratio));
    if (canvas.width !== w) canvas.width = w;
    if (canvas.height !== h) canvas.height = h;
    var g = canvas.getContext("2d");
    g.clearRect(0, 0, w, h);
    var list = m.points[ch];
    var lo = Infinity, hi = -Infinity;
    list.forEach(function (p) { if (p.v !== null) { lo = Math.min(lo, p.v); hi = Math.max(hi, p.v); } });
    g.strokeStyle = "#d7dbe0";
    g.lineWidth = 1;
    g.strokeRect(0.5, 0.5, w - 1, h - 1);
    if (lo === Infinity) return;
    if (hi - lo < 1) { var mid = (hi + lo) / 2; lo = mid - 0.5; hi = mid + 0.5; }
    var pad = (hi - lo) * 0.1;
    lo -= pad; hi += pad;
    var end = serverNow();
    var start = end - HOUR;
    g.strokeStyle = m.channels[ch].tile.classList.contains("alarm") ? "#c80000" : "#1f5fa8";
    g.lineWidth = 1.5 * ratio;
    g.beginPath();
    var drawing = false;
    list.forEach(function (p) {
      if (p.v === null) { drawing = false; return; }
      var x = (p.t - start) / (end - start) * (w - 2) + 1;
      var y = h - 1 - (p.v - lo) / (hi - lo) * (h - 2);
      if (drawing) g.lineTo(x, y); else g.moveTo(x, y);
      drawing = true;
    });
    g.stroke();
  }
  var drawPending = false;
  function drawAll() {
    if (drawPending) return;
    drawPending = true;
    requestAnimationFrame(function () {
      drawPending = false;
      order.forEach(function (name) { CHANNELS.forEach(function (ch) { drawChart(meters[name], ch); }); });
    });
  }

  function showState(text) {
    var e = document.getElementById("page-state");
    e.textContent = text || "";
    e.hidden = !text;
  }

  function getJson(path) {
    return fetch(path, { credentials: "same-origin", cache: "no-store" }).then(function (r) {
      if (!r.ok) throw new Error(r.status);
      return r.json();
    });
  }
  function loadHistory(m) {
    return getJson("/api/history?meter=" + encodeURIComponent(m.name) + "&minutes=60").then(function (h) {
      CHANNELS.forEach(function (ch) { m.points[ch] = []; });
      (h.points || []).forEach(function (p) { addPoint(m, p); });
      drawAll();
    });
  }
  function loadCurrent() {
    return getJson("/api/current").then(function (c) {
      var now = seconds(c.now);
      if (now !== null) clockOffset = now - Date.now() / 1000;
      (c.meters || []).forEach(function (v) {
        var m = meterNamed(v.name);
        m.connected = !!v.connected;
        m.last = seconds(v.time);
        m.lastText = v.time;
        m.alarms = v.alarms || [];
        showNames(m, v.names);
        showValues(m, v);
        showRates(m, v.rates);
        showAlarms(m);
        showLink(m);
        showAge(m);
        loadHistory(m).catch(function () {});
      });
    });
  }

  function onReading(e) {
    var r = JSON.parse(e.data);
    var m = meterNamed(r.meter);
    var t = seconds(r.time);
    // A reading is news of this moment: it sets the clock the ages are told by.
    if (t !== null) { clockOffset = Math.max(clockOffset, t - Date.now() / 1000); m.last = t; m.lastText = r.time; }
    m.connected = true;
    showValues(m, r);
    showLink(m);
    showAge(m);
    addPoint(m, r);
    drawAll();
  }
  function onAlarm(e) {
    var a = JSON.parse(e.data);
    var m = meterNamed(a.meter);
    m.alarms = m.alarms.filter(function (n) { return n !== a.alarm; });
    if (a.state === "raised") m.alarms.push(a.alarm);
    showAlarms(m);
    drawAll();
  }
  function onStatus(e) {
    var s = JSON.parse(e.data);
    var m = meterNamed(s.meter);
    m.connected = !!s.connected;
    if (s.time) { m.last = seconds(s.time); m.lastText = s.time; }
    showLink(m);
  }
  // The rates come with the current state; between readings they are asked for again now and
  // then, so the arrows follow.
  function refreshRates() {
    getJson("/api/current").then(function (c) {
      (c.meters || []).forEach(function (v) { if (meters[v.name]) showRates(meters[v.name], v.rates); });
    }).catch(function () {});
  }

  function connect() {
    retryTimer = null;
    if (source) source.close();
    source = new EventSource("/api/events");
    source.addEventListener("reading", onReading);
    source.addEventListener("alarm", onAlarm);
    source.addEventListener("status", onStatus);
    source.onopen = function () {
      showState("");
      // What happened while the page was away: the present state and the last hour again.
      loadCurrent().catch(function () {});
    };
    source.onerror = function () {
      showState(TEXTS.offline);
      // The browser tries again by itself unless the server answered with an error; then the
      // page does, a little later.
      if (source.readyState === EventSource.CLOSED && !retryTimer) retryTimer = setTimeout(connect, 5000);
    };
  }

  setInterval(function () { order.forEach(function (name) { showAge(meters[name]); }); }, 1000);
  setInterval(refreshRates, 5000);
  setInterval(drawAll, 10000);
  window.addEventListener("resize", drawAll);
  connect();
})();

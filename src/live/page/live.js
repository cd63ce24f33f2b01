// The live page: one stream of the measurement's hand-overs (Server-Sent
// Events), drawn on two canvases. Reconnects by itself; everything it shows
// comes from the newest message, so a missed one leaves no gap but the
// peak strip's (which every message refills with its newest points).
"use strict";

const token = new URLSearchParams(location.search).get("token") || "";
const withToken = (path) => (token ? path + "?token=" + encodeURIComponent(token) : path);
const $ = (id) => document.getElementById(id);

const STATE_TEXT = { measuring: "測定中", interval: "インターバル待ち", stopped: "停止中" };
const METHOD_TEXT = { light: "光源", reflectance: "反射率", transmittance: "透過率" };
const GRID_START = 340, GRID_END = 850, STRIP = 500;

const strips = new Map();  // head -> Map(seq -> peak nm)
let latest = null;
let drawQueued = false;
let source = null;
let retryTimer = 0;
// For the browser test: updates drawn and their delay after the hand-over.
window.liveStats = { updates: 0, lastSeq: 0, delays: [] };

function mergePeaks(head, points) {
  let strip = strips.get(head);
  if (!strip) strips.set(head, (strip = new Map()));
  for (const [seq, , nm] of points) strip.set(seq, nm);
  const keys = [...strip.keys()].sort((a, b) => a - b);
  for (let i = 0; i < keys.length - STRIP; ++i) strip.delete(keys[i]);
}

function fitCanvas(canvas) {
  const ratio = window.devicePixelRatio || 1;
  const w = Math.max(300, Math.round(canvas.clientWidth * ratio));
  const h = Math.round(w * (canvas.id === "peaks" ? 0.25 : 0.5));
  if (canvas.width !== w || canvas.height !== h) { canvas.width = w; canvas.height = h; }
  const g = canvas.getContext("2d");
  g.setTransform(1, 0, 0, 1, 0, 0);
  return { g, w, h, s: ratio };
}

function drawAxes(c, left, top, right, bottom, yMin, yMax, xLabels) {
  const { g, s } = c;
  g.strokeStyle = "rgb(192,192,192)";
  g.fillStyle = "rgb(192,192,192)";
  g.lineWidth = 1;
  g.font = `${11 * s}px sans-serif`;
  g.strokeRect(left, top, right - left, bottom - top);
  for (let i = 0; i <= 4; ++i) {
    const y = bottom - ((bottom - top) * i) / 4;
    g.globalAlpha = 0.35;
    g.beginPath(); g.moveTo(left, y); g.lineTo(right, y); g.stroke();
    g.globalAlpha = 1;
    g.textAlign = "right";
    g.fillText(String(Math.round(yMin + ((yMax - yMin) * i) / 4)), left - 4 * s, y + 4 * s);
  }
  g.textAlign = "center";
  for (const [x, text] of xLabels) g.fillText(text, x, bottom + 14 * s);
}

function drawSpectrum(msg) {
  const c = fitCanvas($("spectrum"));
  const { g, w, h, s } = c;
  g.clearRect(0, 0, w, h);
  const left = 46 * s, right = w - 10 * s, top = 10 * s, bottom = h - 22 * s;
  const yMin = msg.axisMin, yMax = msg.axisMax > msg.axisMin ? msg.axisMax : msg.axisMin + 1;
  const xOf = (k) => left + ((right - left) * k) / (GRID_END - GRID_START);
  const labels = [];
  for (let nm = 400; nm <= 800; nm += 100) labels.push([xOf(nm - GRID_START), String(nm)]);
  drawAxes(c, left, top, right, bottom, yMin, yMax, labels);
  g.save();
  g.beginPath(); g.rect(left, top, right - left, bottom - top); g.clip();
  g.lineWidth = 1.5 * s;
  for (const head of msg.heads) {
    const v = head.spectrum;
    g.strokeStyle = head.colour;
    g.beginPath();
    for (let k = 0; k < v.length; ++k) {
      const value = v[k] === null ? yMin : v[k];
      const y = bottom - ((bottom - top) * (value - yMin)) / (yMax - yMin);
      if (k === 0) g.moveTo(xOf(k), y); else g.lineTo(xOf(k), y);
    }
    g.stroke();
  }
  g.restore();
}

function drawPeaks(msg) {
  const c = fitCanvas($("peaks"));
  const { g, w, h, s } = c;
  g.clearRect(0, 0, w, h);
  const left = 46 * s, right = w - 10 * s, top = 8 * s, bottom = h - 20 * s;
  let lo = Infinity, hi = -Infinity, newest = 0;
  for (const strip of strips.values())
    for (const [seq, nm] of strip) { lo = Math.min(lo, nm); hi = Math.max(hi, nm); newest = Math.max(newest, seq); }
  if (lo === Infinity) { lo = GRID_START; hi = GRID_END; }
  lo = Math.max(GRID_START, lo - 5); hi = Math.min(GRID_END, hi + 5);
  drawAxes(c, left, top, right, bottom, lo, hi, []);
  const xOf = (seq) => right - ((right - left) * (newest - seq)) / (STRIP - 1);
  g.lineWidth = 1.5 * s;
  for (const head of msg.heads) {
    const strip = strips.get(head.head);
    if (!strip) continue;
    g.strokeStyle = head.colour;
    g.beginPath();
    let first = true;
    for (const seq of [...strip.keys()].sort((a, b) => a - b)) {
      const y = bottom - ((bottom - top) * (strip.get(seq) - lo)) / (hi - lo || 1);
      if (first) g.moveTo(xOf(seq), y); else g.lineTo(xOf(seq), y);
      first = false;
    }
    g.stroke();
  }
}

function showFacts(msg) {
  const state = $("state");
  state.textContent = STATE_TEXT[msg.measuring] || msg.measuring;
  state.className = "state " + msg.measuring;
  const shown = msg.heads[msg.selectedHead] || msg.heads[0];
  $("record").textContent = shown && shown.record !== null ? String(shown.record) : "—";
  $("time").textContent = shown && shown.time ? shown.time.replace("T", " ") : "—";
  $("method").textContent = METHOD_TEXT[msg.method] || msg.method;
  $("axis").textContent = msg.axis === "ratio" ? "比率 (%)" : "カウント";
  $("info").textContent = msg.info;
  const legend = $("legend");
  legend.replaceChildren(...msg.heads.map((head) => {
    const item = document.createElement("span");
    const swatch = document.createElement("i");
    swatch.style.background = head.colour;
    item.append(swatch, `ヘッド ${head.head + 1}: ${head.serialNo}`);
    return item;
  }));
}

function draw() {
  drawQueued = false;
  if (!latest) return;
  showFacts(latest);
  drawSpectrum(latest);
  drawPeaks(latest);
  const stats = window.liveStats;
  stats.updates += 1;
  stats.lastSeq = latest.seq;
  stats.delays.push(Date.now() - latest.handOverUtcMs);
  if (stats.delays.length > 500) stats.delays.shift();
  document.body.dataset.record = $("record").textContent;
}

function onMessage(event) {
  const msg = JSON.parse(event.data);
  for (const head of msg.heads) mergePeaks(head.head, head.peaks);
  latest = msg;
  if (!drawQueued) { drawQueued = true; requestAnimationFrame(draw); }
}

function connect() {
  clearTimeout(retryTimer);
  if (source) source.close();
  source = new EventSource(withToken("/api/v1/stream"));
  source.onopen = () => {
    $("banner").hidden = true;
    fetch(withToken("/api/v1/peaks"), { cache: "no-store" })
      .then((r) => (r.ok ? r.json() : null))
      .then((p) => { if (p) for (const h of p.heads) mergePeaks(h.head, h.points); })
      .catch(() => {});
  };
  source.onmessage = onMessage;
  source.onerror = () => {
    $("banner").hidden = false;
    // A refused reconnection (503, 401) closes the source: try again later.
    if (source.readyState === EventSource.CLOSED) retryTimer = setTimeout(connect, 3000);
  };
}

window.addEventListener("resize", () => { if (latest && !drawQueued) { drawQueued = true; requestAnimationFrame(draw); } });
connect();

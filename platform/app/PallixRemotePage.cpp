#include "PallixRemotePage.h"

namespace
{
// The token lives in the page's local storage and travels only in the
// X-Remote-Token header. Held buttons repeat at the TV's own pace (400 ms, then
// eight a second), except Exit.
constexpr const char* PAGE = R"HTML(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1, viewport-fit=cover">
<meta name="theme-color" content="#10141c">
<title>Quorva remote</title>
<style>
:root { color-scheme: dark; --bg: #10141c; --key: #232a38; --key-down: #3a4660; --accent: #5aa0ff; --text: #e8ecf4; --dim: #98a2b6; }
* { box-sizing: border-box; -webkit-tap-highlight-color: transparent; }
html, body { margin: 0; height: 100%; background: var(--bg); color: var(--text);
  font: 16px/1.3 system-ui, -apple-system, "Segoe UI", Roboto, sans-serif; }
body { display: flex; flex-direction: column; padding: max(12px, env(safe-area-inset-top)) max(12px, env(safe-area-inset-right)) max(12px, env(safe-area-inset-bottom)) max(12px, env(safe-area-inset-left)); gap: 12px; user-select: none; -webkit-user-select: none; }
[hidden] { display: none !important; }
button { font: inherit; color: var(--text); background: var(--key); border: 0; border-radius: 16px; min-height: 56px; touch-action: manipulation; cursor: pointer; }
button:active, button.down { background: var(--key-down); }
button:focus-visible { outline: 3px solid var(--accent); outline-offset: 2px; }
#now { background: #181e2a; border-radius: 16px; padding: 12px 14px; }
#title { font-weight: 600; white-space: nowrap; overflow: hidden; text-overflow: ellipsis; }
#times { color: var(--dim); font-variant-numeric: tabular-nums; display: flex; justify-content: space-between; margin-top: 4px; font-size: 14px; }
#bar { height: 6px; background: #2b3344; border-radius: 3px; margin-top: 8px; overflow: hidden; }
#fill { height: 100%; width: 0; background: var(--accent); transition: width .4s linear; }
#main { display: flex; flex-direction: column; gap: 12px; }
#remote { display: grid; gap: 12px; }
/* The pad takes what the other buttons leave of the screen's height. */
#pad { display: grid; grid-template-columns: repeat(3, 1fr); grid-template-rows: repeat(3, 1fr); gap: 8px; aspect-ratio: 1; justify-self: center;
  width: clamp(150px, calc(100vh - 400px), min(100%, 420px)); }
#pad button { font-size: 28px; min-height: 0; }
#pad [data-key=Select] { background: var(--accent); color: #08101e; font-size: 18px; font-weight: 700; border-radius: 50%; }
#keys { display: grid; grid-template-columns: repeat(3, 1fr); gap: 8px; align-content: start; }
#keys button { font-size: 17px; }
#keys [data-key=Exit] { background: #5a2430; grid-column: span 2; }
#preview img { width: 100%; border-radius: 12px; display: block; }
#search { font: inherit; color: var(--text); background: #181e2a; border: 2px solid #2b3344; border-radius: 14px; padding: 12px 14px; width: 100%; user-select: text; -webkit-user-select: text; }
#search:focus { border-color: var(--accent); outline: none; }
#pairing { flex: 1; display: flex; flex-direction: column; justify-content: center; gap: 14px; max-width: 420px; width: 100%; margin: 0 auto; }
#pairing h1 { font-size: 22px; margin: 0; }
#pin { font: 600 34px/1 ui-monospace, monospace; letter-spacing: 8px; text-align: center; padding: 14px; border-radius: 14px; border: 2px solid #2b3344; background: #181e2a; color: var(--text); width: 100%; }
#pin:focus { border-color: var(--accent); outline: none; }
#pair { background: var(--accent); color: #08101e; font-weight: 700; }
#message { color: var(--dim); min-height: 1.3em; }
#message.error { color: #ff8a8a; }
@media (orientation: landscape) {
  #remote { grid-template-columns: auto 1fr; align-items: center; }
  #pad { width: clamp(150px, calc(100vh - 150px), 360px); }
  #keys { grid-template-columns: repeat(4, 1fr); }
}
</style>
</head>
<body>
<section id="pairing" hidden>
  <h1>Pair this phone with Quorva</h1>
  <p>A PIN is on the TV for a minute. Enter it here.</p>
  <input id="pin" inputmode="numeric" autocomplete="one-time-code" pattern="[0-9]*" maxlength="6" placeholder="000000" aria-label="PIN">
  <button id="pair">Pair</button>
  <button id="newpin">Show a new PIN</button>
  <div id="message" role="status"></div>
</section>
<section id="main" hidden>
  <div id="now" aria-live="polite">
    <div id="title">Quorva</div>
    <div id="times"><span id="position"></span><span id="duration"></span></div>
    <div id="bar"><div id="fill"></div></div>
  </div>
  <input id="search" type="search" placeholder="Search titles, directors, actors" enterkeyhint="search" autocomplete="off" autocapitalize="none" spellcheck="false" maxlength="100" aria-label="Search">
  <div id="remote">
    <div id="pad">
      <span></span><button data-key="Up" aria-label="Up">&#9650;</button><span></span>
      <button data-key="Left" aria-label="Left">&#9664;</button><button data-key="Select">OK</button><button data-key="Right" aria-label="Right">&#9654;</button>
      <span></span><button data-key="Down" aria-label="Down">&#9660;</button><span></span>
    </div>
    <div id="keys">
      <button data-key="Back">Back</button>
      <button data-key="Play">Play</button>
      <button data-key="Next">Next</button>
      <button data-key="Info">Info</button>
      <button data-key="Zoom">Zoom</button>
      <button data-key="Subtitle">Subtitle</button>
      <button data-key="Audio">Audio</button>
      <button data-key="PageUp">Page up</button>
      <button data-key="PageDown">Page down</button>
      <button id="screen">Screen</button>
      <button data-key="Exit">Exit</button>
    </div>
  </div>
  <div id="preview" hidden><img id="shot" alt="The TV screen"></div>
</section>
<script>
"use strict";
const $ = (id) => document.getElementById(id);
let token = localStorage.getItem("quorvaToken") || "";
let presses = Promise.resolve();
let polling = 0;
let previewing = 0;

function api(path, options = {}) {
  const headers = Object.assign({ "X-Remote-Token": token }, options.headers || {});
  return fetch(path, Object.assign({}, options, { headers, cache: "no-store", credentials: "omit" }))
    .then((response) => {
      if (response.status === 401) { unpaired(); throw new Error("unpaired"); }
      return response;
    });
}

let inFlight = 0;
function press(key) {
  inFlight++;
  presses = presses.then(() => api("/api/press/" + encodeURIComponent(key), { method: "POST" }))
    .then(() => refresh()).catch(() => {}).finally(() => inFlight--);
  return presses;
}

// The box's text goes to the TV's search as it changes; while one request is
// on its way only the latest text waits, so a fast typist never builds a queue.
let searching = false;
let searchWaiting = null;
function search(text) {
  if (searching) { searchWaiting = text; return; }
  searching = true;
  api("/api/search", { method: "POST", headers: { "Content-Type": "text/plain; charset=utf-8" }, body: text })
    .catch(() => {})
    .finally(() => {
      searching = false;
      if (searchWaiting !== null) { const next = searchWaiting; searchWaiting = null; search(next); }
    });
}

function clock(seconds) {
  seconds = Math.max(0, Math.floor(seconds));
  const h = Math.floor(seconds / 3600), m = Math.floor(seconds / 60) % 60, s = seconds % 60;
  const two = (n) => String(n).padStart(2, "0");
  return (h ? h + ":" + two(m) : m) + ":" + two(s);
}

function refresh() {
  return api("/api/now").then((response) => response.json()).then((now) => {
    const playing = now.screen === "player" && now.title;
    $("title").textContent = playing ? (now.paused ? "\u275A\u275A " : "") + now.title : "Quorva";
    $("position").textContent = playing ? clock(now.position) : "";
    $("duration").textContent = playing && now.duration ? clock(now.duration) : "";
    $("fill").style.width = playing && now.duration ? Math.min(100, 100 * now.position / now.duration) + "%" : "0";
  }).catch(() => {});
}

function showPreview() {
  api("/api/screen.png").then((response) => response.blob()).then((blob) => {
    const img = $("shot");
    if (img.src) URL.revokeObjectURL(img.src);
    img.src = URL.createObjectURL(blob);
  }).catch(() => {});
}

function paired() {
  $("pairing").hidden = true;
  $("main").hidden = false;
  refresh();
  if (!polling) polling = setInterval(refresh, 1000);
}

function unpaired() {
  token = "";
  localStorage.removeItem("quorvaToken");
  clearInterval(polling); polling = 0;
  clearInterval(previewing); previewing = 0;
  $("main").hidden = true;
  $("pairing").hidden = false;
  askForPin();
}

function say(text, error) {
  $("message").textContent = text;
  $("message").className = error ? "error" : "";
}

function askForPin() {
  fetch("/api/pair/start", { method: "POST", cache: "no-store", credentials: "omit" })
    .then((response) => response.ok ? response.json().then((r) => say("The PIN on the TV is good for " + r.seconds + " s."))
                                    : response.text().then((t) => say(t, true)))
    .catch(() => say("Quorva cannot be reached.", true));
  $("pin").focus();
}

function pair() {
  const pin = $("pin").value.trim();
  if (!/^[0-9]{6}$/.test(pin)) { say("The PIN is six digits.", true); return; }
  fetch("/api/pair", { method: "POST", headers: { "X-Remote-PIN": pin }, cache: "no-store", credentials: "omit" })
    .then((response) => response.ok ? response.json().then((r) => {
        token = r.token;
        localStorage.setItem("quorvaToken", token);
        $("pin").value = "";
        say("");
        paired();
      }) : response.text().then((t) => say(t, true)))
    .catch(() => say("Quorva cannot be reached.", true));
}

// A button pressed and held repeats like a held key on the remote.
for (const button of document.querySelectorAll("[data-key]")) {
  const key = button.dataset.key;
  let timer = 0;
  const stop = () => { clearTimeout(timer); clearInterval(timer); timer = 0; button.classList.remove("down"); };
  button.addEventListener("pointerdown", (event) => {
    event.preventDefault();
    button.setPointerCapture && button.setPointerCapture(event.pointerId);
    button.classList.add("down");
    if (navigator.vibrate) navigator.vibrate(10);
    press(key);
    // A repeat waits for the press before it, so that a slow network never
    // leaves presses queued after the button is let go.
    if (key !== "Exit")
      timer = setTimeout(() => { timer = setInterval(() => { if (!inFlight) press(key); }, 125); }, 400);
  });
  for (const end of ["pointerup", "pointercancel", "lostpointercapture"])
    button.addEventListener(end, stop);
  // Keyboard and assistive activation, which come without a pointer.
  button.addEventListener("click", (event) => { if (event.detail === 0) press(key); });
}

$("screen").addEventListener("click", () => {
  const shown = $("preview").hidden;
  $("preview").hidden = !shown;
  clearInterval(previewing); previewing = 0;
  if (shown) { showPreview(); previewing = setInterval(showPreview, 2000); }
});
$("search").addEventListener("input", () => search($("search").value));
$("search").addEventListener("keydown", (event) => { if (event.key === "Enter") $("search").blur(); });
$("pair").addEventListener("click", pair);
$("pin").addEventListener("keydown", (event) => { if (event.key === "Enter") pair(); });
$("newpin").addEventListener("click", askForPin);
document.addEventListener("contextmenu", (event) => event.preventDefault());

if (token) paired();
else unpaired();
</script>
</body>
</html>
)HTML";
} // namespace

const char* PallixRemotePage::GetHtml()
{
    return PAGE;
}

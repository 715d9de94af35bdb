// The page around the game: the canvas at the largest whole scale that fits, the fullscreen
// button, saving the recording, watching a recording and practising, and the hooks the tests
// read the game through.
'use strict';

const canvas = document.getElementById('canvas');
const stage = document.getElementById('stage');
const status = document.getElementById('status');
const saveLink = document.getElementById('save');
const kWidth = 432, kHeight = 568;
const params = new URLSearchParams(location.search);
// index.html?replay=URL watches the recording at URL, index.html?opened the one the player
// opened here (kept for the page's next load), index.html?practice=WHERE practises the route.
const watching = params.has('replay') || params.has('opened');
const practising = !watching && params.has('practice');

// Whole multiples of the window's pixels on the device's pixels, so every pixel stays square
// and sharp. SDL gives the canvas the device pixels of its size in whole CSS pixels, rounded
// down, and draws the window at the largest whole scale they hold: a size that is no whole
// number of CSS pixels (568 x 2 device pixels at 3 a CSS pixel) is rounded up, leaving a row
// of device pixels spare rather than one too few.
function fitCanvas() {
  const ratio = window.devicePixelRatio || 1;
  const box = stage.getBoundingClientRect();
  const scale = Math.max(1, Math.floor(Math.min((box.width * ratio) / kWidth,
                                                (box.height * ratio) / kHeight)));
  canvas.style.width = `${Math.ceil((kWidth * scale) / ratio)}px`;
  canvas.style.height = `${Math.ceil((kHeight * scale) / ratio)}px`;
  canvas.dataset.scale = scale;
}
window.addEventListener('resize', fitCanvas);
document.addEventListener('fullscreenchange', fitCanvas);
fitCanvas();

function toggleFullscreen() {
  if (document.fullscreenElement) document.exitFullscreen();
  else stage.requestFullscreen().catch(() => {});
  canvas.focus();
}
document.getElementById('fullscreen').addEventListener('click', toggleFullscreen);

// The recording of the game so far, as the file quelvaris-sim --keys replays.
function recordingText() {
  return Module._qv_recording ? Module.UTF8ToString(Module._qv_recording()) : '';
}
function recordingName() {
  const d = new Date(), two = (n) => String(n).padStart(2, '0');
  return `${d.getFullYear()}-${two(d.getMonth() + 1)}-${two(d.getDate())}_` +
         `${two(d.getHours())}-${two(d.getMinutes())}-${two(d.getSeconds())}.keys`;
}
function saveRecording() {
  saveText(recordingText(), recordingName());
}
saveLink.addEventListener('click', (e) => {
  e.preventDefault();
  saveRecording();
});
// The table of best runs, kept in the browser's storage as the recordings that prove it
// (web/best_runs.cpp verifies them): [{name, date, line, recording}, ...], listed below the
// game with a link to save each recording.
const kScoresKey = 'quelvaris.scores';
const bestList = document.getElementById('best');
let storedRuns = null;
function readStoredRuns() {
  try {
    const runs = JSON.parse(localStorage.getItem(kScoresKey) || '[]');
    return Array.isArray(runs) ? runs : [];
  } catch (e) {
    return [];  // spoilt or not allowed: an empty table
  }
}
function quelvarisStoredRuns() {
  if (!storedRuns) storedRuns = readStoredRuns();
  return storedRuns;
}
function quelvarisStoredField(i, field) {
  const run = quelvarisStoredRuns()[i] || {};
  return String([run.recording, run.date, run.name][field] || '');
}
let runsToStore = [];
function quelvarisStoreBegin() { runsToStore = []; }
function quelvarisStoreRun(name, date, line, recording) {
  runsToStore.push({ name, date, line, recording });
}
function quelvarisStoreEnd() {
  try {
    localStorage.setItem(kScoresKey, JSON.stringify(runsToStore));
  } catch (e) {
    console.warn(`quelvaris: the table of best runs cannot be stored: ${e}`);
  }
  listRuns(runsToStore);
}
function saveText(text, name) {
  const url = URL.createObjectURL(new Blob([text], { type: 'text/plain' }));
  const a = document.createElement('a');
  a.href = url;
  a.download = name;
  a.click();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}
function listRuns(runs) {
  bestList.replaceChildren();
  for (const run of runs) {
    const item = document.createElement('li');
    const save = document.createElement('a');
    save.href = '#';
    save.textContent = 'save';
    save.title = 'Save the recording that proves this run';
    save.addEventListener('click', (e) => {
      e.preventDefault();
      saveText(run.recording, `${run.name}.keys`);
    });
    item.append(`${run.line} `, save);
    quelvarisBoard.decorate(item, run);  // web/board.js: sending it to a board
    bestList.append(item);
  }
}
window.quelvarisBestRuns = () => readStoredRuns();

// Watching a recording: one opened with the file picker or dropped on the page starts the page
// anew on it, as ?replay=URL does. The game reads it as a file in the page's memory.
const kOpenedKey = 'quelvaris.opened';
const kReplayFile = '/replay.keys';
function openPage(search) {
  location.search = params.has('trace') ? `${search}&trace` : search;
}
function openRecording(file) {
  file.text().then((text) => {
    try {
      sessionStorage.setItem(kOpenedKey, text);
    } catch (e) {
      status.textContent = `The recording cannot be kept to watch: ${e.message}`;
      return;
    }
    openPage('?opened');
  });
}
document.getElementById('open').addEventListener('change', (e) => {
  if (e.target.files.length) openRecording(e.target.files[0]);
});
document.addEventListener('dragover', (e) => e.preventDefault());
document.addEventListener('drop', (e) => {
  e.preventDefault();
  if (e.dataTransfer.files.length) openRecording(e.dataTransfer.files[0]);
});
document.getElementById('practise').addEventListener('click', () => {
  openPage(`?practice=${encodeURIComponent(document.getElementById('practice-at').value)}`);
});
function recordingToWatch() {
  if (params.has('replay')) {
    return fetch(params.get('replay')).then((response) => {
      if (!response.ok) throw new Error(`${response.status} ${response.statusText}`);
      return response.text();
    });
  }
  const text = sessionStorage.getItem(kOpenedKey);
  return text === null ? Promise.reject(new Error('it is no longer kept'))
                       : Promise.resolve(text);
}
// The game starts once the recording is in the page's memory.
function loadRecording() {
  Module.addRunDependency('replay');
  recordingToWatch().then((text) => {
    Module.FS.writeFile(kReplayFile, text);
    Module.removeRunDependency('replay');
  }, (e) => {
    status.textContent = `The recording cannot be read: ${e.message}`;
  });
}
function gameArguments() {
  const args = params.has('trace') ? ['--trace'] : [];
  if (watching) args.push('--replay', kReplayFile);
  else if (practising) args.push('--practice', params.get('practice'));
  return args;
}
if (watching) {
  document.getElementById('hint').textContent =
      'P pauses · , . a step · - + 0 speed · ← → 5 s · ↓ ↑ 30 s · Home End · Enter takes over';
} else if (practising) {
  document.getElementById('hint').textContent =
      'Arrows move · Space fires · P pauses · R starts the practice again';
}

// The options screen's values, kept by the page (front/options_text.cpp has their lines).
const kOptionsKey = 'quelvaris.options';
function quelvarisStoredOptions() {
  try {
    return localStorage.getItem(kOptionsKey) || '';
  } catch (e) {
    return '';  // storage refused (a private window): the defaults
  }
}
function quelvarisStoreOptions(text) {
  try {
    localStorage.setItem(kOptionsKey, text);
  } catch (e) {
    // the options last while the page is open
  }
}

// The game calls these: the player paused it or let it go on; the program has ended.
function quelvarisPaused(paused) {
  quelvarisAudio.hold(paused);
}
function quelvarisFirstPicture() {
  window.quelvarisFirstPictureMs = performance.now();
  status.textContent = '';
}
function quelvarisFailed(what) {
  status.textContent = `The game stopped: ${what}`;
}
function quelvarisEnded() {
  status.textContent = watching && !recordingText()
    ? 'The end of the replay.'
    : 'The end. Save the recording of this game with R or the link below.';
}

window.addEventListener('keydown', (e) => {
  if (e.target instanceof HTMLInputElement && e.target.type === 'text') return;  // a name typed
  if (e.key === 'Enter' && e.altKey) {
    e.preventDefault();
    toggleFullscreen();
  } else if ((e.key === 'r' || e.key === 'R') && !e.ctrlKey && !e.metaKey && !e.altKey &&
             !practising) {  // a practice starts again with R
    saveRecording();
  } else if (e.key === 'Tab' && e.target === canvas) {
    e.preventDefault();  // the table of best runs, not the next link
  } else if (e.key === 'F1') {
    e.preventDefault();  // the game's options, not the browser's help
  }
}, true);

// For tests: index.html?trace keeps the simulator's trace of the game.
window.quelvarisTrace = () => (Module._qv_trace ? Module.UTF8ToString(Module._qv_trace()) : '');
window.quelvarisRecording = recordingText;
window.quelvarisSteps = () => (Module._qv_steps ? Module._qv_steps() : 0);

var Module = {
  canvas,
  arguments: gameArguments(),
  preRun: watching ? [loadRecording] : [],
  print: (text) => console.log(text),
  printErr: (text) => console.warn(text),
  onRuntimeInitialized: () => canvas.focus(),
  onAbort: (what) => { status.textContent = `The game stopped: ${what}`; },
};

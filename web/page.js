// The page around the game: the canvas at the largest whole scale that fits, the fullscreen
// button, saving the recording, and the hooks the tests read the game through.
'use strict';

const canvas = document.getElementById('canvas');
const stage = document.getElementById('stage');
const status = document.getElementById('status');
const saveLink = document.getElementById('save');
const kWidth = 432, kHeight = 568;
const params = new URLSearchParams(location.search);

// Whole multiples of the window's pixels on the device's pixels, so every pixel stays square
// and sharp; the canvas itself keeps its 432 x 568.
function fitCanvas() {
  const ratio = window.devicePixelRatio || 1;
  const box = stage.getBoundingClientRect();
  const scale = Math.max(1, Math.floor(Math.min((box.width * ratio) / kWidth,
                                                (box.height * ratio) / kHeight)));
  canvas.style.width = `${(kWidth * scale) / ratio}px`;
  canvas.style.height = `${(kHeight * scale) / ratio}px`;
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
    bestList.append(item);
  }
}
window.quelvarisBestRuns = () => readStoredRuns();

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
  status.textContent = 'The end. Save the recording of this game with R or the link below.';
}

window.addEventListener('keydown', (e) => {
  if (e.key === 'Enter' && e.altKey) {
    e.preventDefault();
    toggleFullscreen();
  } else if ((e.key === 'r' || e.key === 'R') && !e.ctrlKey && !e.metaKey && !e.altKey) {
    saveRecording();
  } else if (e.key === 'Tab' && e.target === canvas) {
    e.preventDefault();  // the table of best runs, not the next link
  }
}, true);

// For tests: index.html?trace keeps the simulator's trace of the game.
window.quelvarisTrace = () => (Module._qv_trace ? Module.UTF8ToString(Module._qv_trace()) : '');
window.quelvarisRecording = recordingText;
window.quelvarisSteps = () => (Module._qv_steps ? Module._qv_steps() : 0);

var Module = {
  canvas,
  arguments: params.has('trace') ? ['--trace'] : [],
  print: (text) => console.log(text),
  printErr: (text) => console.warn(text),
  onRuntimeInitialized: () => canvas.focus(),
  onAbort: (what) => { status.textContent = `The game stopped: ${what}`; },
};

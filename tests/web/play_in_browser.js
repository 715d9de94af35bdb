// Plays the web build in headless Chromium as a player would, and keeps what the page shows and
// records for tests/web_browser.sh to check: the title, a game started with Space and played
// with random keys for about 15 s (a pause in the middle), the page's trace and recording, the
// simulator's replay of that recording, and screenshots of the canvas.
// Usage: node play_in_browser.js URL SIMULATOR OUTDIR [SEED]
'use strict';

const { execFileSync } = require('child_process');
const fs = require('fs');
const path = require('path');
const puppeteer = require('puppeteer-core');
const { launchChromium } = require('./chromium');
const { installPad } = require('./fake_pad');

const [url, simulator, out, seedText] = process.argv.slice(2);
const seed = Number(seedText || Date.now() % 100000);
const kPlayMs = 15000;

function fail(message) {
  console.log(`FAIL: ${message}`);
  process.exitCode = 1;
}

// The same keys for the same seed, so that a failure can be played again.
function random(seedValue) {
  let s = seedValue >>> 0 || 1;
  return () => {
    s ^= s << 13; s >>>= 0;
    s ^= s >>> 17;
    s ^= s << 5; s >>>= 0;
    return s / 4294967296;
  };
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The op and time records of a trace, as step, handler and state.
function gameRecords(jsonLines) {
  return jsonLines.split('\n').filter((l) => l).map((l) => JSON.parse(l))
    .filter((r) => r.handler === 'op' || r.handler === 'time')
    .map((r) => JSON.stringify([r.step, r.handler, r.state]));
}

function compareTraces(page, sim) {
  const n = Math.min(page.length, sim.length);
  for (let i = 0; i < n; i++) {
    if (page[i] !== sim[i]) {
      return `record ${i} differs:\n  page ${page[i].slice(0, 400)}\n  sim  ${sim[i].slice(0, 400)}`;
    }
  }
  if (page.length !== sim.length) return `the page has ${page.length} records, the replay ${sim.length}`;
  return null;
}

async function steps(page) {
  return page.evaluate(() => window.quelvarisSteps());
}

// The steps run and the page's clock, read together.
async function stepsAndTime(page) {
  return page.evaluate(() => [window.quelvarisSteps(), performance.now()]);
}

// A key pressed and let go within one task of the page, so within one step of the game.
async function tap(page, key) {
  const codes = { ArrowLeft: [37, 'ArrowLeft'], ArrowUp: [38, 'ArrowUp'],
                  ArrowRight: [39, 'ArrowRight'], ArrowDown: [40, 'ArrowDown'], Space: [32, ' '] };
  const [keyCode, name] = codes[key];
  await page.evaluate((code, keyCode, name) => {
    for (const type of ['keydown', 'keyup']) {
      window.dispatchEvent(new KeyboardEvent(type, { key: name, code, keyCode, which: keyCode,
                                                     bubbles: true, cancelable: true }));
    }
  }, key, keyCode, name);
}

// Holds and taps the game keys at random for `ms`, now and then two at once.
async function playRandomly(page, ms, next) {
  const keys = ['ArrowLeft', 'ArrowRight', 'ArrowUp', 'ArrowDown', 'Space'];
  const held = new Set();
  const end = Date.now() + ms;
  let taps = 0;
  while (Date.now() < end) {
    const key = keys[Math.floor(next() * keys.length)];
    const r = next();
    if (r < 0.2 && !held.has(key)) {
      await tap(page, key);
      taps++;
    } else if (held.has(key) || r < 0.35) {
      await page.keyboard.up(key);
      held.delete(key);
    } else {
      await page.keyboard.down(key);
      held.add(key);
    }
    await sleep(30 + Math.floor(next() * 400));
  }
  for (const key of held) await page.keyboard.up(key);
  return taps;
}

// The tab hidden and shown again, as the browser tells the page when the player switches tabs.
async function setHidden(page, hidden) {
  await page.evaluate((h) => {
    Object.defineProperty(document, 'hidden', { get: () => h, configurable: true });
    Object.defineProperty(document, 'visibilityState', {
      get: () => (h ? 'hidden' : 'visible'), configurable: true });
    document.dispatchEvent(new Event('visibilitychange'));
  }, hidden);
}

// The game stands still for a second, paused by `hold`, and goes on after `release`.
async function standsStill(page, what, hold, release) {
  await hold();
  await sleep(300);
  const from = await steps(page);
  await sleep(1000);
  const to = await steps(page);
  await release();
  await sleep(300);
  const after = await steps(page);
  if (to !== from) fail(`the game ran ${to - from} steps while ${what}`);
  if (after <= to) fail(`the game did not go on after being ${what}`);
}

// The pad's south button (A, Cross) is Space: held a moment, the recording holds Space from a
// step after `after`, when no key of the keyboard is down.
async function pressPadSouth(page) {
  const after = await steps(page);
  await page.evaluate(() => window.testPad.press(0, true));
  await sleep(400);
  await page.evaluate(() => window.testPad.press(0, false));
  await sleep(300);
  return after;
}

// A run of the corpus's recordings, cut after its first credit (2200), as the page stores
// runs, and a copy of it with the score raised.
function storedRuns() {
  const lines = fs.readFileSync('tests/data/replays/space_continue.keys', 'utf8').split('\n');
  const scoreAt = lines.findIndex((l) => l.startsWith('score '));
  const proven = `${lines.slice(0, scoreAt + 2).join('\n')}\n`;
  const run = (name, recording) => ({ name, date: '2026-12-01 10:00:00', line: name, recording });
  return [run('proven', proven), run('raised', proven.replace(/^(score \d+) 2200 /m, '$1 9200 '))];
}
function storeRuns(runs) {
  try {
    if (location.protocol === 'http:') localStorage.setItem('quelvaris.scores', JSON.stringify(runs));
  } catch (e) {
    // a document without storage
  }
}

async function main() {
  console.log(`random keys from seed ${seed}`);
  const next = random(seed);
  const browser = await launchChromium(puppeteer, ['--autoplay-policy=user-gesture-required']);
  try {
    const page = await browser.newPage();
    await page.setViewport({ width: 1000, height: 1300 });
    page.on('pageerror', (e) => fail(`the page threw: ${e.message}`));
    page.on('console', (m) => {
      if (m.type() === 'error' || m.text().startsWith('quelvaris')) console.log(`page: ${m.text()}`);
    });

    await page.evaluateOnNewDocument(installPad);
    await page.evaluateOnNewDocument(storeRuns, storedRuns());
    const opened = Date.now();
    await page.goto(`${url}/index.html?trace`);
    await page.waitForFunction(() => window.quelvarisSteps && window.quelvarisSteps() > 0,
                               { timeout: 60000 });
    const firstPicture = await page.evaluate(() => window.quelvarisFirstPictureMs);
    console.log(`first picture ${Math.round(firstPicture)} ms after the page was asked for; ` +
                `running ${Date.now() - opened} ms after`);
    const canvas = await page.$('#canvas');
    const scale = await page.evaluate(() => document.getElementById('canvas').dataset.scale);
    console.log(`canvas shown at ${scale}x`);
    await sleep(1200);  // keys count from about a second after the title appears
    await canvas.screenshot({ path: path.join(out, 'title.png') });

    const audioBefore = await page.evaluate(() => window.quelvarisAudio.state());
    if (audioBefore.unlocked) fail('sound was allowed before any key was pressed');
    await page.keyboard.down('Space');
    await sleep(150);
    await page.keyboard.up('Space');
    await sleep(1500);
    await canvas.screenshot({ path: path.join(out, 'start.png') });

    const [s0, t0] = await stepsAndTime(page);
    const taps = await playRandomly(page, kPlayMs / 2, next);
    const [sA, tA] = await stepsAndTime(page);
    // In the middle the player pauses, and then hides the tab: the game waits for both.
    await standsStill(page, 'paused', () => page.keyboard.press('KeyP'),
                      () => page.keyboard.press('KeyP'));
    await standsStill(page, 'hidden', () => setHidden(page, true), () => setHidden(page, false));
    const [s1, t1] = await stepsAndTime(page);
    const moreTaps = await playRandomly(page, kPlayMs / 2, next);
    const [s2, t2] = await stepsAndTime(page);
    await page.evaluate(() => window.testPad.connect());
    await sleep(300);
    const padFrom = await pressPadSouth(page);
    await canvas.screenshot({ path: path.join(out, 'play.png') });

    const { trace, recording, last, audio } = await page.evaluate(() => ({
      trace: window.quelvarisTrace(),
      recording: window.quelvarisRecording(),
      last: window.quelvarisSteps(),
      audio: window.quelvarisAudio.state(),
    }));
    const rate = ((sA - s0) + (s2 - s1)) / ((tA - t0) + (t2 - t1)) * 1000;
    console.log(`${last} steps; about ${rate.toFixed(1)} steps a second of play; ` +
                `${taps + moreTaps} taps; sound ${audio.context}`);
    if (!audio.unlocked) fail('the first key did not allow sound');
    // The stage tune through FluidSynth: the soundfont comes in and the music is heard.
    await page.waitForFunction(() => window.quelvarisAudio.state().soundfont !== 'loading',
                               { timeout: 60000 }).catch(() => {});
    let loudest = 0;
    for (let i = 0; i < 20; i++) {
      loudest = Math.max(loudest, await page.evaluate(() => window.quelvarisAudio.level()));
      await sleep(100);
    }
    const { soundfont } = await page.evaluate(() => window.quelvarisAudio.state());
    console.log(`soundfont ${soundfont}; loudest level over 2 s ${loudest.toFixed(4)} (RMS)`);
    if (soundfont !== 'ready') fail(`the soundfont did not load: ${soundfont}`);
    if (loudest < 0.001) fail('the page is silent while the game plays');

    fs.writeFileSync(path.join(out, 'page-trace.jsonl'), trace);
    fs.writeFileSync(path.join(out, 'recording.keys'), recording);
    const lastLine = recording.trimEnd().split('\n').pop();
    if (Number(lastLine.match(/\d+/)) !== last) fail(`the recording ends at '${lastLine}', not at step ${last}`);
    // The saved recording says itself how far the game went: no --steps.
    const replay = execFileSync(simulator, ['--keys', path.join(out, 'recording.keys'),
                                            '--trace', '-'],
                                { maxBuffer: 1 << 30 }).toString();
    fs.writeFileSync(path.join(out, 'sim-trace.jsonl'), replay);
    const pageRecords = gameRecords(trace), simRecords = gameRecords(replay);
    const difference = compareTraces(pageRecords, simRecords);
    if (difference) fail(`the simulator's replay differs from the page's game: ${difference}`);
    else console.log(`the replay of the recording equals the page's ${pageRecords.length} records`);
    if (!/^\d+ .*tap:/m.test(recording)) fail('the recording holds no tapped key');
    const padLines = recording.split('\n').filter((l) => /^\d+ space$/.test(l) &&
                                                         Number(l.split(' ')[0]) > padFrom);
    if (!padLines.length) fail(`the gamepad's south button did not hold Space after step ${padFrom}`);

    // The stored runs were verified: the proven one is listed with a link to save it, the
    // raised one left out.
    const { runs, links } = await page.evaluate(() => ({
      runs: window.quelvarisBestRuns().map((r) => r.name),
      links: document.querySelectorAll('#best li a').length,
    }));
    if (!runs.includes('proven') || runs.includes('raised') || links !== runs.length)
      fail(`the table of best runs holds ${JSON.stringify(runs)} with ${links} links`);
    else console.log(`the table of best runs: ${runs.length} runs stored and listed, the raised one left out`);

    const shots = ['title', 'start', 'play'].map((n) => fs.readFileSync(path.join(out, `${n}.png`)));
    if (shots[1].equals(shots[2])) fail('the picture did not change during play');
  } finally {
    await browser.close();
  }
}

main().catch((e) => fail(e.stack || String(e)));

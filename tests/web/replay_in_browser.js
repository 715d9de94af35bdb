// Watches a recording in the page as a player would, with index.html?replay=URL&trace: the
// replay's bar shows over the frame, a jump forward, double speed, a pause with a step back and
// forth, and End, which ends the replay. Every step is traced once, in order, whatever the
// jumps: the page's trace is the simulator's for the recording, byte for byte. A recording file
// dropped on a game in play is watched in its place, to the same trace. Then Enter takes the
// replay over after a jump forward and back: the page's recording verifies as taken over
// there; and practice at the boss starts again with R. Both are traced as the simulator traces
// the recording the page made: the steps watched or played past the handover are gone. A gamepad does the same: the shoulders jump 5 s while Start holds the
// replay, South takes it over, and Back starts the practice again.
// Usage: node replay_in_browser.js URL SIMULATOR OUTDIR RECORDING DROPPED (the first served at
// URL/replay.keys, the second a file to drop on the page)
'use strict';

const { execFileSync } = require('child_process');
const fs = require('fs');
const path = require('path');
const puppeteer = require('puppeteer-core');
const { launchChromium } = require('./chromium');
const { installPad, connectPad, pressPad } = require('./fake_pad');

const [url, simulator, out, recording, dropped] = process.argv.slice(2);
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function fail(message) {
  console.log(`FAIL: ${message}`);
  process.exitCode = 1;
}

function firstDifference(page, sim) {
  const a = page.split('\n'), b = sim.split('\n');
  for (let i = 0; i < Math.max(a.length, b.length); i++) {
    if (a[i] !== b[i]) {
      return `line ${i + 1}:\n  page ${String(a[i]).slice(0, 300)}\n  sim  ${String(b[i]).slice(0, 300)}`;
    }
  }
  return 'none';
}

const kWait = { timeout: 60000 };
const steps = (page) => page.evaluate(() => window.quelvarisSteps());

// Opens the page at index.html`query` and waits until it has run past step `after`.
async function open(page, query, after) {
  await page.goto(`${url}/index.html${query}`);
  await page.waitForFunction((n) => window.quelvarisSteps && window.quelvarisSteps() > n, kWait,
                             after);
  await page.focus('#canvas');
}

// End ends the replay watched with ?trace: the page's trace then is the simulator's of `file`.
async function traceIsSimulators(page, file, name) {
  await page.keyboard.press('End');
  await page.waitForFunction(
      () => document.getElementById('status').textContent === 'The end of the replay.', kWait);
  const trace = await page.evaluate(() => window.quelvarisTrace());
  const sim = execFileSync(simulator, ['--keys', file, '--trace', '-'],
                           { maxBuffer: 1 << 30 }).toString();
  const kept = name.replace(/ /g, '-');
  fs.writeFileSync(path.join(out, `${kept}-page-trace.jsonl`), trace);
  fs.writeFileSync(path.join(out, `${kept}-sim-trace.jsonl`), sim);
  if (trace !== sim) fail(`the page's trace of the ${name} differs: ${firstDifference(trace, sim)}`);
  else console.log(`the ${name}'s trace equals the simulator's: ${sim.split('\n').length - 1} records`);
}

// Drops the file on the page as a player drops one from a file manager: the browser's own drag
// and drop, whose drop reaches the page only if the page accepted the drag over it.
async function dropFile(page, file) {
  const box = await (await page.$('#canvas')).boundingBox();
  const client = await page.createCDPSession();
  const data = { items: [], files: [path.resolve(file)], dragOperationsMask: 1 };  // copy
  for (const type of ['dragEnter', 'dragOver', 'drop']) {
    await client.send('Input.dispatchDragEvent',
                      { type, x: box.x + box.width / 2, y: box.y + box.height / 2, data });
  }
}

// `press` takes the replay over; Space is held a second after. The page's recording verifies
// as taken over at the step the page read the press in: between the steps seen before and
// after it.
async function takesOver(page, press, name) {
  const pressedAt = await steps(page);
  await press();
  const readAt = await steps(page);
  await page.keyboard.down('Space');
  await page.waitForFunction((n) => window.quelvarisSteps() > n + 100, kWait, readAt)
    .catch(() => fail(`the game did not go on after ${name}`));
  await page.keyboard.up('Space');
  const taken = path.join(out, `taken-${name}.keys`);
  fs.writeFileSync(taken, await page.evaluate(() => window.quelvarisRecording()));
  let verdict = '';
  try {
    verdict = execFileSync(simulator, ['--verify', taken]).toString();
  } catch (e) {
    fail(`the game taken over with ${name} does not verify: ${e.stdout}`);
  }
  const handover = verdict.match(/taken over at step (\d+)/);
  const takenAt = handover ? Number(handover[1]) : -1;
  if (takenAt < pressedAt || takenAt > readAt)
    fail(`${name}: taken over at step ${takenAt}, not between ${pressedAt} and ${readAt}: ${verdict}`);
  return takenAt;
}

// A practice goes on a while and `press` starts it again: back where it was handed over.
async function startsAgain(page, press, name) {
  // The way to the practice's step is a jump, run a slice a display frame: the player has the
  // game once the recording holds the handover.
  await page.waitForFunction(() => /\ntakeover \d+\n/.test(window.quelvarisRecording()), kWait);
  const handedOver = await steps(page);
  await page.waitForFunction((n) => window.quelvarisSteps() > n + 100, kWait, handedOver);
  const before = await steps(page);
  await press();
  // The first step seen after the steps went back, or where they are if they never did.
  const again = await page.waitForFunction((n) => {
    const now = window.quelvarisSteps();
    return now < n ? { now } : false;
  }, { timeout: 30000 }, before).then((h) => h.jsonValue(), () => ({ now: before })).then((v) => v.now);
  if (again > handedOver + 50) fail(`${name} took the practice from step ${handedOver} to ${again}`);
  return handedOver;
}

// The page's trace and recording as they stand together; the simulator's trace of that
// recording must be the page's.
async function tracesTheRecording(page, name) {
  const [trace, recording] = await page.evaluate(() => [window.quelvarisTrace(),
                                                        window.quelvarisRecording()]);
  const keys = path.join(out, `${name}.keys`);
  fs.writeFileSync(keys, recording);
  fs.writeFileSync(path.join(out, `${name}-page-trace.jsonl`), trace);
  const sim = execFileSync(simulator, ['--keys', keys, '--trace', '-'],
                           { maxBuffer: 1 << 30 }).toString();
  if (trace !== sim) fail(`${name}: the page's trace differs: ${firstDifference(trace, sim)}`);
  return keys;
}

async function main() {
  const browser = await launchChromium(puppeteer);
  try {
    const page = await browser.newPage();
    page.on('pageerror', (e) => fail(`the page threw: ${e.message}`));
    page.on('console', (m) => {
      if (m.type() === 'error' || m.text().startsWith('quelvaris')) console.log(`page: ${m.text()}`);
    });
    await page.evaluateOnNewDocument(installPad);  // plugged in, untouched until the pad's turn
    await open(page, '?replay=replay.keys&trace', 50);
    const canvas = await page.$('#canvas');
    const before = await steps(page);
    await page.keyboard.press('ArrowRight');  // 5 s on, a slice of the jump a display frame
    const landed = await page.waitForFunction((s) => window.quelvarisSteps() >= s + 500,
                                              kWait, before).then(() => true, () => false);
    if (!landed) fail(`Right went from step ${before} to ${await steps(page)}, not 5 s on`);
    await page.keyboard.press('Equal');  // twice the speed
    await sleep(1000);
    await canvas.screenshot({ path: path.join(out, 'replay.png') });
    await page.keyboard.press('KeyP');
    await sleep(200);
    const paused = await steps(page);
    await page.keyboard.press('Period');
    await page.keyboard.press('Period');
    await page.keyboard.press('Comma');
    await sleep(500);
    const stepped = await steps(page);
    if (stepped !== paused + 1) fail(`two steps on and one back from ${paused} reached ${stepped}`);
    await traceIsSimulators(page, recording, 'replay');

    // A recording dropped on a game in play is watched in its place.
    await open(page, '?trace', 0);
    const opened = await Promise.all([page.waitForNavigation(kWait), dropFile(page, dropped)])
      .then(() => true, () => false);
    if (!opened) {
      fail('the page did not open the recording dropped on it');
    } else {
      await page.waitForFunction(() => window.quelvarisSteps && window.quelvarisSteps() > 50, kWait);
      await page.focus('#canvas');
      await traceIsSimulators(page, dropped, 'dropped recording');
    }

    await open(page, '?replay=replay.keys&trace', 50);
    const watchedTo = await steps(page);
    await page.keyboard.press('ArrowRight');
    await page.waitForFunction((s) => window.quelvarisSteps() >= s + 500, kWait, watchedTo);
    await page.keyboard.press('ArrowLeft');
    await page.waitForFunction((s) => window.quelvarisSteps() < s + 500, kWait, watchedTo);
    const enterAt = await takesOver(page, () => page.keyboard.press('Enter'), 'Enter');
    await tracesTheRecording(page, 'taken');
    await open(page, '?practice=boss&trace', 0);
    const practiceAt = await startsAgain(page, () => page.keyboard.press('KeyR'), 'R');
    await page.keyboard.down('ArrowLeft');
    await sleep(500);
    await page.keyboard.up('ArrowLeft');
    await tracesTheRecording(page, 'practice');
    if (!process.exitCode) {
      console.log(`taken over with Enter at step ${enterAt}, verified; ` +
                  `practice from step ${practiceAt} started again with R`);
    }

    // A pad: Start holds the replay, the shoulders jump 5 s either way, South takes over.
    await open(page, '?replay=replay.keys', 50);
    await connectPad(page);
    await pressPad(page, 9, true);
    // The game has read each button once pressPad returns.
    if (!await page.evaluate(() => Module._qv_paused())) fail('Start did not hold the replay');
    await pressPad(page, 9, false);
    const held = await steps(page);
    await pressPad(page, 5, true);
    await pressPad(page, 5, false);
    const on = await steps(page);
    await pressPad(page, 4, true);
    await pressPad(page, 4, false);
    const back = await steps(page);
    if (on !== held + 500 || back !== held)
      fail(`the shoulders took the replay held at step ${held} to ${on} and back to ${back}`);
    await pressPad(page, 9, true);
    if (await page.evaluate(() => Module._qv_paused())) fail('Start did not let the replay go on');
    await pressPad(page, 9, false);
    const southAt = await takesOver(page, () => pressPad(page, 0, true), 'South');
    await open(page, '?practice=boss', 0);
    await connectPad(page);
    const padPracticeAt = await startsAgain(page, () => pressPad(page, 8, true), 'Back');
    if (!process.exitCode) {
      console.log(`a pad: Start held the replay at step ${held}, the shoulders jumped 5 s, ` +
                  `South took over at step ${southAt}, Back started the practice from step ` +
                  `${padPracticeAt} again`);
    }
  } finally {
    await browser.close();
  }
}

main().catch((e) => fail(e.stack || String(e)));

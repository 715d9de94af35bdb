// Watches a recording in the page as a player would, with index.html?replay=URL&trace: the
// replay's bar shows over the frame, a jump forward, double speed, a pause with a step back and
// forth, and End, which ends the replay. Every step is traced once, in order, whatever the
// jumps: the page's trace is the simulator's for the recording, byte for byte. Then Enter, after
// a jump forward and back, takes the replay over: the page's recording verifies as taken over
// there; and practice at the boss starts again with R. Both are traced as the simulator traces
// the recording the page made: the steps watched or played past the handover are gone.
// Usage: node replay_in_browser.js URL SIMULATOR OUTDIR RECORDING (served at URL/replay.keys)
'use strict';

const { execFileSync } = require('child_process');
const fs = require('fs');
const path = require('path');
const puppeteer = require('puppeteer-core');

const [url, simulator, out, recording] = process.argv.slice(2);
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
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--enable-unsafe-swiftshader'],
  });
  try {
    const page = await browser.newPage();
    page.on('pageerror', (e) => fail(`the page threw: ${e.message}`));
    page.on('console', (m) => {
      if (m.type() === 'error' || m.text().startsWith('quelvaris')) console.log(`page: ${m.text()}`);
    });
    await page.goto(`${url}/index.html?replay=replay.keys&trace`);
    await page.waitForFunction(() => window.quelvarisSteps && window.quelvarisSteps() > 50,
                               { timeout: 60000 });
    const canvas = await page.$('#canvas');
    await canvas.focus();
    const at = () => page.evaluate(() => window.quelvarisSteps());
    const before = await at();
    await page.keyboard.press('ArrowRight');  // 5 s on
    const jumped = await at();
    if (jumped < before + 500) fail(`Right went from step ${before} to ${jumped}, not 5 s on`);
    await page.keyboard.press('Equal');  // twice the speed
    await sleep(1000);
    await canvas.screenshot({ path: path.join(out, 'replay.png') });
    await page.keyboard.press('KeyP');
    await sleep(200);
    const paused = await at();
    await page.keyboard.press('Period');
    await page.keyboard.press('Period');
    await page.keyboard.press('Comma');
    await sleep(500);
    if (await at() !== paused + 1) fail(`two steps on and one back from ${paused} reached ${await at()}`);
    await page.keyboard.press('End');
    await page.waitForFunction(
      () => document.getElementById('status').textContent === 'The end of the replay.',
      { timeout: 60000 });
    const trace = await page.evaluate(() => window.quelvarisTrace());
    const sim = execFileSync(simulator, ['--keys', recording, '--trace', '-'],
                             { maxBuffer: 1 << 30 }).toString();
    fs.writeFileSync(path.join(out, 'replay-page-trace.jsonl'), trace);
    fs.writeFileSync(path.join(out, 'replay-sim-trace.jsonl'), sim);
    if (trace !== sim) fail(`the page's trace of the replay differs: ${firstDifference(trace, sim)}`);
    else console.log(`the replay's trace equals the simulator's: ${sim.split('\n').length - 1} records`);

    await page.goto(`${url}/index.html?replay=replay.keys&trace`);
    await page.waitForFunction(() => window.quelvarisSteps && window.quelvarisSteps() > 50,
                               { timeout: 60000 });
    await page.focus('#canvas');
    const watchedTo = await at();
    await page.keyboard.press('ArrowRight');
    await page.waitForFunction((s) => window.quelvarisSteps() >= s + 500, {}, watchedTo);
    await page.keyboard.press('ArrowLeft');
    await page.waitForFunction((s) => window.quelvarisSteps() < s + 500, {}, watchedTo);
    // The page takes over at the step it is at when it reads the key: between these two.
    const pressedAt = await at();
    await page.keyboard.press('Enter');
    const readAt = await at();
    await page.keyboard.down('Space');
    await sleep(1000);
    await page.keyboard.up('Space');
    const taken = await tracesTheRecording(page, 'taken');
    let verdict = '';
    try {
      verdict = execFileSync(simulator, ['--verify', taken]).toString();
    } catch (e) {
      fail(`the game taken over does not verify: ${e.stdout}`);
    }
    const handover = verdict.match(/taken over at step (\d+)/);
    const takenAt = handover ? Number(handover[1]) : -1;
    if (takenAt < pressedAt || takenAt > readAt)
      fail(`taken over at step ${takenAt}, not between ${pressedAt} and ${readAt}: ${verdict}`);

    await page.goto(`${url}/index.html?practice=boss&trace`);
    await page.waitForFunction(() => window.quelvarisSteps && window.quelvarisSteps() > 0,
                               { timeout: 60000 });
    await page.focus('#canvas');
    const handedOver = await at();
    await sleep(1000);
    await page.keyboard.press('KeyR');
    const again = await at();
    if (again > handedOver + 10) fail(`R took the practice from step ${handedOver} to ${again}`);
    await page.keyboard.down('ArrowLeft');
    await sleep(500);
    await page.keyboard.up('ArrowLeft');
    await tracesTheRecording(page, 'practice');
    if (!process.exitCode) console.log(`taken over at step ${takenAt}, verified; practice from step ${handedOver} started again`);
  } finally {
    await browser.close();
  }
}

main().catch((e) => fail(e.stack || String(e)));

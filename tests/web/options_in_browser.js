// The options screen in the page, driven by DevTools keys: F1 opens it in the middle of a game
// (the game stands still), Z is bound to fire there, Esc leaves it, and Z held fires; the page's
// storage keeps the key, and the simulator's replay of the page's recording, the options opened
// in its middle, equals the page's trace.
// Usage: node options_in_browser.js URL SIMULATOR OUTDIR
'use strict';

const { execFileSync } = require('child_process');
const fs = require('fs');
const path = require('path');
const puppeteer = require('puppeteer-core');
const { launchChromium } = require('./chromium');

const [url, simulator, out] = process.argv.slice(2);

function fail(message) {
  console.log(`FAIL: ${message}`);
  process.exitCode = 1;
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The op and time records of a trace, as step, handler and state.
function gameRecords(jsonLines) {
  return jsonLines.split('\n').filter((l) => l).map((l) => JSON.parse(l))
    .filter((r) => r.handler === 'op' || r.handler === 'time');
}

// The volleys fired after step `from`: the shot ring's index moves a slot a volley.
function volleysAfter(records, from) {
  let volleys = 0, last = null;
  for (const r of records) {
    if (r.handler !== 'time' || r.step <= from) continue;
    if (last !== null && r.state.sh_next !== last) volleys++;
    last = r.state.sh_next;
  }
  return volleys;
}

async function main() {
  const browser = await launchChromium(puppeteer);
  try {
    const page = await browser.newPage();
    await page.setViewport({ width: 1000, height: 1300 });
    page.on('pageerror', (e) => fail(`the page threw: ${e.message}`));
    await page.goto(`${url}/index.html?trace`);
    await page.waitForFunction(() => window.quelvarisSteps && window.quelvarisSteps() > 0,
                               { timeout: 60000 });
    const steps = () => page.evaluate(() => window.quelvarisSteps());
    const paused = () => page.evaluate(() => Module._qv_paused());
    await sleep(1200);  // keys count from about a second after the title appears
    await page.keyboard.down('Space');
    await sleep(150);
    await page.keyboard.up('Space');
    await sleep(1000);

    await page.keyboard.press('F1');
    await sleep(300);
    if (!await paused()) fail('F1 did not open the options');
    const openedAt = await steps();
    for (let i = 0; i < 6; i++) await page.keyboard.press('ArrowDown');  // to KEY FIRE
    await page.keyboard.press('Enter');
    await page.keyboard.press('KeyZ');
    await sleep(700);
    const canvas = await page.$('#canvas');
    await canvas.screenshot({ path: path.join(out, 'options.png') });
    if (await steps() !== openedAt) fail('the game ran while the options were open');
    await page.keyboard.press('Escape');
    await sleep(300);
    if (await paused()) fail('Esc did not leave the options');
    const stored = await page.evaluate(() => localStorage.getItem('quelvaris.options') || '');
    if (!/^keys\.space = Z$/m.test(stored)) fail(`the page's storage holds: ${stored}`);

    const from = await steps();
    await page.keyboard.down('KeyZ');
    await sleep(1500);
    await page.keyboard.up('KeyZ');
    await sleep(300);

    const { trace, recording } = await page.evaluate(() => ({
      trace: window.quelvarisTrace(), recording: window.quelvarisRecording() }));
    fs.writeFileSync(path.join(out, 'options-trace.jsonl'), trace);
    fs.writeFileSync(path.join(out, 'options.keys'), recording);
    const pageRecords = gameRecords(trace);
    const volleys = volleysAfter(pageRecords, from);
    console.log(`Z held for 1.5 s after binding it in the page: ${volleys} volleys`);
    if (volleys < 4) fail(`Z did not fire after it was bound: ${volleys} volleys`);
    const replay = execFileSync(simulator, ['--keys', path.join(out, 'options.keys'), '--trace', '-'],
                                { maxBuffer: 1 << 30 }).toString();
    const simRecords = gameRecords(replay);
    const a = pageRecords.map((r) => JSON.stringify([r.step, r.handler, r.state]));
    const b = simRecords.map((r) => JSON.stringify([r.step, r.handler, r.state]));
    const differs = a.length !== b.length || a.some((x, i) => x !== b[i]);
    if (differs) fail(`the simulator's replay differs from the page's game (${a.length} and ${b.length} records)`);
    else console.log(`the replay with the options opened in it equals the page's ${a.length} records`);
  } finally {
    await browser.close();
  }
}

main().catch((e) => fail(e.stack || String(e)));

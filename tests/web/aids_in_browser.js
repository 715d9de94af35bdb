// The aids for studying a replay in the page, with index.html?replay=URL&trace: H shows the hit
// areas and K hides the keys (shown by default while watching), each at once while paused; the
// page's trace of the replay watched with them is the simulator's, byte for byte.
// Usage: node aids_in_browser.js URL SIMULATOR OUTDIR RECORDING (served at URL/replay.keys)
'use strict';

const { execFileSync } = require('child_process');
const fs = require('fs');
const path = require('path');
const puppeteer = require('puppeteer-core');
const { launchChromium } = require('./chromium');

const [url, simulator, out, recording] = process.argv.slice(2);
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const kWait = { timeout: 60000 };

function fail(message) {
  console.log(`FAIL: ${message}`);
  process.exitCode = 1;
}

async function main() {
  const browser = await launchChromium(puppeteer);
  try {
    const page = await browser.newPage();
    await page.setViewport({ width: 900, height: 1000 });  // the whole picture at scale 1
    page.on('pageerror', (e) => fail(`the page threw: ${e.message}`));
    await page.goto(`${url}/index.html?replay=replay.keys&trace`);
    await page.waitForFunction(() => window.quelvarisSteps && window.quelvarisSteps() > 50, kWait);
    await page.focus('#canvas');
    const canvas = await page.$('#canvas');
    // 30 s on, into the waves, and the hit areas shown as it plays.
    await page.keyboard.press('ArrowUp');
    await page.waitForFunction(() => window.quelvarisSteps() > 3100, kWait);
    await page.keyboard.press('KeyH');
    await sleep(500);
    await page.keyboard.press('KeyP');
    await sleep(1000);  // the pause is in; the frame stands still under its notice
    await page.screenshot({ path: path.join(out, 'aids-page.png') });
    const both = await canvas.screenshot({ path: path.join(out, 'aids-both.png') });
    await page.keyboard.press('KeyK');
    await sleep(500);
    const areas = await canvas.screenshot({ path: path.join(out, 'aids-hit-areas.png') });
    await page.keyboard.press('KeyH');
    await sleep(500);
    const plain = await canvas.screenshot({ path: path.join(out, 'aids-none.png') });
    if (both.equals(areas)) fail('K while paused did not hide the keys at once');
    if (areas.equals(plain)) fail('H while paused did not hide the hit areas at once');
    await page.keyboard.press('KeyK');
    await page.keyboard.press('KeyP');
    await page.keyboard.press('End');
    await page.waitForFunction(
        () => document.getElementById('status').textContent === 'The end of the replay.', kWait);
    const trace = await page.evaluate(() => window.quelvarisTrace());
    const sim = execFileSync(simulator, ['--keys', recording, '--trace', '-'],
                             { maxBuffer: 1 << 30 }).toString();
    fs.writeFileSync(path.join(out, 'aids-page-trace.jsonl'), trace);
    if (trace !== sim) fail("the trace of the replay watched with the aids is not the simulator's");
    else console.log(`watched with the aids: the trace equals the simulator's, ${sim.split('\n').length - 1} records`);
  } finally {
    await browser.close();
  }
}

main().catch((e) => fail(e.stack));

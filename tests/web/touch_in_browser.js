// Plays the web build on an emulated phone with touches alone: the touch controls show below
// the game, which is drawn whole at a whole scale of the phone's pixels; the Tab button shows
// the table of best runs over the title; the stick starts a game, and with a thumb on the stick
// and another on the fire button the ship goes the ways the stick points. The simulator's
// replay of the page's recording equals the page's trace: touches reach the game as keys.
// Usage: node touch_in_browser.js URL SIMULATOR OUTDIR
'use strict';

const { execFileSync } = require('child_process');
const fs = require('fs');
const path = require('path');
const puppeteer = require('puppeteer-core');
const { launchChromium } = require('./chromium');

const [url, simulator, out] = process.argv.slice(2);
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function fail(message) {
  console.log(`FAIL: ${message}`);
  process.exitCode = 1;
}

// The op and time records of a trace, as the simulator's replay must give them.
function gameRecords(jsonLines) {
  return jsonLines.split('\n').filter((l) => l).map((l) => JSON.parse(l))
    .filter((r) => r.handler === 'op' || r.handler === 'time')
    .map((r) => JSON.stringify([r.step, r.handler, r.state]));
}

// The middle of an element of the page, where a finger lands on it.
async function middle(page, selector) {
  const box = await (await page.$(selector)).boundingBox();
  return { x: box.x + box.width / 2, y: box.y + box.height / 2, r: box.width / 2 };
}


async function main() {
  const browser = await launchChromium(puppeteer);
  try {
    const page = await browser.newPage();
    page.on('pageerror', (e) => fail(`the page threw: ${e.message}`));
    await page.emulate({
      viewport: { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true },
      userAgent: 'Mozilla/5.0 (Linux; Android 14; Phone) Mobile',
    });
    const touch = await page.createCDPSession();
    const fingers = (type, touchPoints) =>
      touch.send('Input.dispatchTouchEvent', { type, touchPoints });
    const tap = async (point) => {
      await fingers('touchStart', [{ x: point.x, y: point.y, id: 9 }]);
      await sleep(60);
      await fingers('touchEnd', []);
    };

    await page.goto(`${url}/index.html?trace`);
    await page.waitForFunction(() => window.quelvarisSteps && window.quelvarisSteps() > 0,
                               { timeout: 60000 });
    await sleep(1200);  // keys count from about a second after the title appears

    const layout = await page.evaluate(() => {
      const canvas = document.getElementById('canvas');
      const c = canvas.getBoundingClientRect();
      const t = document.getElementById('touch').getBoundingClientRect();
      return { width: canvas.width, height: canvas.height, scale: Number(canvas.dataset.scale),
               canvasBottom: c.bottom, touchTop: t.top, touchBottom: t.bottom,
               pageHeight: innerHeight };
    });
    console.log(`phone layout: ${JSON.stringify(layout)}`);
    if (!(layout.touchTop >= layout.canvasBottom && layout.touchBottom <= layout.pageHeight)) {
      fail('the touch controls are not on the screen below the game');
    }

    // Tab's button shows the table of best runs over the title, and hides it again.
    const canvas = await page.$('#canvas');
    const title = await canvas.screenshot({ path: path.join(out, 'touch-title.png') });
    // The game fills the canvas: its left tenth shows the title, not a plain face around a
    // picture drawn too small (or a cut-off one).
    const edge = execFileSync('convert', [path.join(out, 'touch-title.png'), '-crop',
                                          '10%x100%+0+0', '-format', '%k', 'info:']).toString();
    if (Number(edge) < 64) fail(`the canvas's left tenth shows ${edge} colours, not the game`);
    await tap(await middle(page, '#touch-tab'));
    await sleep(700);
    const table = await canvas.screenshot({ path: path.join(out, 'touch-table.png') });
    await tap(await middle(page, '#touch-tab'));
    await sleep(700);
    const again = await canvas.screenshot();
    if (table.equals(title) || !again.equals(title)) {
      fail("Tab's button did not show and hide the table");
    }

    // The stick pushed left on the title starts a game of ten ships (none is lost in the few
    // seconds it runs).
    const stick = await middle(page, '#touch-stick');
    const fire = await middle(page, '#touch-fire');
    const at = (dx, dy) => [{ x: stick.x + dx * stick.r, y: stick.y + dy * stick.r, id: 1 },
                            { x: fire.x, y: fire.y, id: 2 }];
    await tap(at(-0.9, 0)[0]);
    await sleep(700);
    // A thumb on the stick and another on the fire button; the stick pushed three ways in turn,
    // each for 30 steps, from the bottom where the game starts, round and back there. The ship
    // goes 5 pixels a step: the first 10 steps of each way keep it clear of the sides.
    await fingers('touchStart', at(0, 0).slice(0, 1));
    await fingers('touchStart', at(0, 0));
    const ways = [['up and right', 0.6, -0.7, (d) => d.x > 0 && d.y < 0],
                  ['left', -0.9, 0.1, (d) => d.x < 0 && d.y === 0],
                  ['down', -0.1, 0.9, (d) => d.x === 0 && d.y > 0]];
    // The step a turn came after is read as the page takes the touch: every step after it has
    // the way's keys (a busy page may run many steps before the test could ask).
    await page.evaluate(() => {
      window.turns = [];
      window.addEventListener('touchmove', () => window.turns.push(window.quelvarisSteps()));
    });
    for (const [, dx, dy] of ways) {
      await fingers('touchMove', at(dx, dy));
      await page.waitForFunction(() => window.quelvarisSteps() > window.turns.at(-1) + 30,
                                 { timeout: 60000 });
    }
    const turns = await page.evaluate(() => window.turns);
    await page.screenshot({ path: path.join(out, 'touch-page.png') });
    await fingers('touchEnd', []);
    await sleep(300);

    const { trace, recording } = await page.evaluate(() => ({
      trace: window.quelvarisTrace(), recording: window.quelvarisRecording() }));
    fs.writeFileSync(path.join(out, 'touch-recording.keys'), recording);
    const together = recording.split('\n').some((l) => /^\d+ /.test(l) &&
                                                      l.split(' ').includes('left') &&
                                                      l.split(' ').includes('space'));
    if (!together) fail('the recording never holds the stick and the fire button together');
    const replay = execFileSync(simulator, ['--keys', path.join(out, 'touch-recording.keys'),
                                            '--trace', '-'], { maxBuffer: 1 << 30 }).toString();
    // Where the ship was after each step, and so how far it went each way.
    const shipAt = new Map(trace.split('\n').filter((l) => l).map((l) => JSON.parse(l))
      .map((r) => [r.step, { x: r.state.px, y: r.state.py }]));
    ways.forEach(([name, , , expected], i) => {
      const from = shipAt.get(turns[i]), to = shipAt.get(turns[i] + 10);
      const moved = { x: to.x - from.x, y: to.y - from.y };
      console.log(`the stick ${name}: the ship went ${JSON.stringify(moved)} in 10 steps from ` +
                  `${JSON.stringify(from)}`);
      if (!expected(moved)) fail(`the ship did not go ${name}`);
    });
    const pageRecords = gameRecords(trace), simRecords = gameRecords(replay);
    const first = pageRecords.findIndex((r, i) => r !== simRecords[i]);
    if (first >= 0 || pageRecords.length !== simRecords.length) {
      fail(`the simulator's replay differs from the page's game at record ${first} ` +
           `(${pageRecords.length} and ${simRecords.length} records)`);
    } else {
      console.log(`the simulator's replay equals the page's ${pageRecords.length} records`);
    }
  } finally {
    await browser.close();
  }
}

main().catch((e) => fail(e.stack || String(e)));

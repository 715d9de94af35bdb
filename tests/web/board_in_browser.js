// The board's page as a player uses it, in headless Chromium: a name refused with the reason
// and then registered (its token kept in the browser), a recording submitted through the form,
// pending and then verified, the run in the table, and its Watch link opening the web build on
// that run's recording. Nothing the page does may break its Content-Security-Policy. Where the
// board serves the web build, the game watched through Watch is the simulator's replay of the
// recording sent, trace for trace.
// The game's page at /play/ then: installable; its table of best runs sends a run to the board,
// registering a name first, and shows the verdict; with the network gone and the board no longer
// serving /play/, it loads from its service worker and plays, its trace the simulator's replay of
// its recording, its music's soundfont loaded; a run sent then waits, and reaches the board,
// once, when the network is back. A new version of the site replaces the old one whole.
// Usage: node board_in_browser.js URL RECORDING SITE_SERVED SIMULATOR [SITE] (SITE_SERVED: 1
// when /play/ holds the web build, from the folder SITE, which this test moves away a while)
'use strict';

const { execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');

const [url, recording, siteServed, simulator, site] = process.argv.slice(2);
const kWait = { timeout: 60000 };
const kVerdictWait = { timeout: 180000 };
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function fail(message) {
  console.log(`FAIL: ${message}`);
  process.exitCode = 1;
}

// The replay behind Watch, traced and run to its end with End, is the simulator's replay of the
// recording sent: the web build finds its files under /play/ and the run's bytes are as sent.
async function watchedIsSimulators(page, watch) {
  await page.goto(`${url}${watch}&trace`);
  await page.waitForFunction(() => window.quelvarisSteps && window.quelvarisSteps() > 0, kWait);
  await page.focus('#canvas');
  await page.keyboard.press('End');
  await page.waitForFunction(
      () => document.getElementById('status').textContent === 'The end of the replay.', kWait);
  const trace = await page.evaluate(() => window.quelvarisTrace());
  const sim = execFileSync(simulator, ['--keys', recording, '--trace', '-'],
                           { maxBuffer: 1 << 30 }).toString();
  if (trace !== sim) fail(`the watched run's trace is not the simulator's (${trace.length} bytes, not ${sim.length})`);
  else console.log(`the run watched: ${sim.split('\n').length - 1} records as the simulator's`);
}

// The op and time records of a trace, as step, handler and state: what the game did.
function gameRecords(jsonLines) {
  return jsonLines.split('\n').filter((l) => l).map((l) => JSON.parse(l))
    .filter((r) => r.handler === 'op' || r.handler === 'time')
    .map((r) => JSON.stringify([r.step, r.handler, r.state]));
}

// The entry of the page's table of best runs that holds RECORDING, as an element.
async function entryOf(page, text) {
  const listed = (t) => {
    const runs = window.quelvarisBestRuns();
    const buttons = document.querySelectorAll('#best li .send:not([hidden])');
    return runs.some((r) => r.recording === t) && buttons.length === runs.length;
  };
  await page.waitForFunction(listed, kWait, text);
  const index = await page.evaluate(
      (t) => window.quelvarisBestRuns().findIndex((r) => r.recording === t), text);
  return `#best li:nth-child(${index + 1})`;
}

async function verdict(page, entry, state) {
  await page.waitForSelector(`${entry}[data-verdict=${state}]`, kVerdictWait).catch(async (e) => {
    const shown = await page.$eval('#runs', (r) => r.innerText).catch(() => '');
    throw new Error(`no verdict ${state}; the page shows: ${shown}\n${e.message}`);
  });
  return page.$eval(`${entry} .verdict`, (e) => e.textContent);
}

// The page installable, a run sent from its table and its verdict shown.
async function sendsOnline(page, client, whole) {
  const { installabilityErrors } = await client.send('Page.getInstallabilityErrors');
  if (installabilityErrors.length) fail(`not installable: ${JSON.stringify(installabilityErrors)}`);
  const entry = await entryOf(page, whole);
  await page.click(`${entry} .send`);
  await page.waitForSelector('#board-join:not([hidden])', kWait);
  await page.type('#board-name', 'Pager');
  await page.click('#board-join button');
  const said = await verdict(page, entry, 'verified');
  if (!/^verified, 3783 steps/.test(said)) fail(`the verdict shown: "${said}"`);
  else console.log(`the run sent from the page's table: ${said.slice(0, 40)}...`);
}

// Offline, with /play/ gone from the board: the page comes from its service worker and plays.
async function playsOffline(page) {
  await page.goto(`${url}/play/index.html?trace`);
  await page.waitForFunction(() => window.quelvarisSteps && window.quelvarisSteps() > 0, kWait);
  await page.focus('#canvas');
  await sleep(1200);
  await page.keyboard.press('Space');
  const presses = [['ArrowLeft', 700], ['Space', 900], ['ArrowUp', 500], ['ArrowRight', 800]];
  for (const [key, ms] of presses) {
    await page.keyboard.down(key);
    await sleep(ms);
    await page.keyboard.up(key);
  }
  await page.waitForFunction(() => window.quelvarisAudio.state().soundfont !== 'loading', kWait)
    .catch(() => {});
  const { trace, keys, audio } = await page.evaluate(() => ({
    trace: window.quelvarisTrace(), keys: window.quelvarisRecording(),
    audio: window.quelvarisAudio.state() }));
  if (audio.soundfont !== 'ready') fail(`offline, the soundfont did not load: ${audio.soundfont}`);
  const file = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'qv-offline-')), 'offline.keys');
  fs.writeFileSync(file, keys);
  const sim = execFileSync(simulator, ['--keys', file, '--trace', '-'],
                           { maxBuffer: 1 << 30 }).toString();
  fs.rmSync(path.dirname(file), { recursive: true });
  const mine = gameRecords(trace), its = gameRecords(sim);
  if (mine.length < 100 || JSON.stringify(mine) !== JSON.stringify(its))
    fail(`offline, the page's ${mine.length} records are not the simulator's ${its.length}`);
  else console.log(`offline: ${mine.length} records as the simulator's; soundfont ${audio.soundfont}`);
}

// A run sent offline waits, and reaches the board once the network is back: one POST.
async function sendsWhenBack(page, upDown) {
  const entry = await entryOf(page, upDown);
  await page.click(`${entry} .send`);
  const waiting = await verdict(page, entry, 'queued');
  console.log(`sent offline: ${waiting}`);
  await sleep(2000);
  let posts = 0;
  page.on('request', (r) => {
    if (r.method() === 'POST' && r.url().endsWith('/api/runs')) posts++;
  });
  await page.setOfflineMode(false);
  const said = await verdict(page, entry, 'verified');
  await sleep(3000);
  const { sent, outbox } = await page.evaluate(() => ({
    sent: JSON.parse(localStorage.getItem('quelvaris.sent')),
    outbox: JSON.parse(localStorage.getItem('quelvaris.outbox')) }));
  const id = Object.values(sent).find((v) => v.text === said).id;
  const run = await (await fetch(`${url}/api/runs/${id}`)).json();
  if (posts !== 1 || outbox.length || run.player !== 'Pager' || run.status !== 'verified')
    fail(`back online: ${posts} submissions, ${outbox.length} waiting, run ${JSON.stringify(run)}`);
  else console.log(`back online: run ${id} reached the board (${run.status}) in one submission`);
}

// A new version of the site: the page goes on with every file of the old one while the new one
// waits; "Reload into the new version" brings the new one, whole, and the old cache goes.
async function newVersion(page) {
  const kMark = '/* the next version */';
  const first = await page.evaluate(() => caches.keys());
  fs.appendFileSync(path.join(site, 'page.css'), `${kMark}\n`);
  execFileSync('bash', ['web/service-worker.sh', site]);
  await page.evaluate(async () => (await navigator.serviceWorker.getRegistration()).update());
  await page.waitForSelector('#update:not([hidden])', kWait);
  const seen = () => page.evaluate(async (mark) => ({
    css: (await (await fetch('page.css')).text()).includes(mark),
    caches: await caches.keys(),
    offered: !document.getElementById('update').hidden }), kMark);
  const old = await seen();
  if (old.css) fail('the page of the old version was given a file of the new one');
  await page.click('#update');
  let now = null;
  for (let tries = 0; tries < 120 && !(now && now.css && now.caches.length === 1); tries++) {
    await sleep(500);
    now = await seen().catch(() => null);  // null while the page reloads
  }
  const whole = now && now.css && !now.offered && now.caches.length === 1;
  if (!whole || first.includes(now.caches[0]))
    fail(`the new version: ${JSON.stringify(now)}, before ${JSON.stringify(first)}`);
  else console.log(`a new version: the old page kept its files; reloaded, only ${now.caches[0]}`);
}

async function gamePage(page) {
  const text = (name) => fs.readFileSync(`tests/data/replays/${name}.keys`, 'utf8');
  const whole = text('whole_game'), upDown = text('up_and_down');
  const stored = [['whole', whole], ['up and down', upDown]].map(
      ([name, keys]) => ({ name, date: '2026-12-01 10:00:00', line: name, recording: keys }));
  await page.evaluate((runs) => localStorage.setItem('quelvaris.scores', JSON.stringify(runs)),
                      stored);
  await page.setViewport({ width: 1000, height: 1300 });  // the game, its bar and table in view
  await page.goto(`${url}/play/`);
  // The worker installs, every file of the site cached, and takes charge of the page's reload.
  await page.waitForFunction(async () => {
    const registration = await navigator.serviceWorker.getRegistration();
    return registration && registration.active && registration.active.state === 'activated';
  }, kWait).catch(() => fail('no service worker took charge of the site'));
  await page.reload();
  const controlled = await page.evaluate(() => !!navigator.serviceWorker.controller);
  console.log(`the page reloaded under its service worker: ${controlled}`);
  if (!controlled) fail('the page is not under its service worker');
  const client = await page.target().createCDPSession();
  await sendsOnline(page, client, whole);

  fs.renameSync(site, `${site}.away`);
  try {
    const gone = await fetch(`${url}/play/`);
    if (gone.status !== 404) fail(`the board still serves /play/: ${gone.status}`);
    await page.setOfflineMode(true);
    await playsOffline(page);
    await sendsWhenBack(page, upDown);
  } finally {
    fs.renameSync(`${site}.away`, site);
  }
  await newVersion(page);
}

(async () => {
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox'],
  });
  try {
    const page = await browser.newPage();
    page.on('pageerror', (e) => fail(`the page threw: ${e.message}`));
    page.on('console', (m) => {
      if (process.env.QV_DEBUG) console.log(`page: ${m.text()}`);  // QV_DEBUG=1: all it says
      if (/Content.Security.Policy/i.test(m.text())) fail(`a policy violation: ${m.text()}`);
    });
    await page.goto(`${url}/`, { waitUntil: 'networkidle0' });

    await page.type('#name', '<b>Mallory</b>');
    await page.click('#register button');
    await page.waitForFunction(() => document.getElementById('status').textContent !== '', kWait);
    const refused = await page.$eval('#status', (e) => e.textContent);
    if (!/letters, digits/.test(refused)) fail(`a name with markup: "${refused}"`);

    await page.$eval('#name', (e) => { e.value = ''; });
    await page.type('#name', 'Tester');
    await page.click('#register button');
    await page.waitForSelector('#send:not([hidden])', kWait);
    const token = await page.evaluate(() => localStorage.getItem('quelvaris-board-token'));
    if (!/^[0-9a-f]{64}$/.test(token || '')) fail(`the token kept: ${token}`);

    const input = await page.$('#file');
    await input.uploadFile(recording);
    await page.waitForSelector('#status[data-state=verified]', kWait);
    const said = await page.$eval('#status', (e) => e.textContent);
    if (!/verified \(verified, \d+ steps/.test(said)) fail(`the verdict shown: "${said}"`);

    await page.waitForFunction(
        () => [...document.querySelectorAll('#two td')].some((td) => td.textContent === 'Tester'),
        kWait);
    const row = await page.$$eval('#two tbody tr', (rows) => rows.map((r) => r.innerText)[0]);
    console.log(`the table: ${row.replace(/\s+/g, ' ')}`);
    const watch = await page.$eval('#two tbody a', (a) => a.getAttribute('href'));
    if (!/^\/play\/\?replay=%2Fapi%2Fruns%2F\d+%2Frecording$/.test(watch)) fail(`Watch goes to ${watch}`);

    // The run's recording, as the web build fetches it.
    const bytes = await page.evaluate(async (href) => {
      const at = decodeURIComponent(href.split('replay=')[1]);
      return (await fetch(at)).text();
    }, watch);
    if (!bytes.startsWith('# Quelvaris recording')) fail('the recording behind Watch is not the one sent');

    const [answer] = await Promise.all([page.waitForNavigation(kWait), page.click('#two tbody a')]);
    const expected = siteServed === '1' ? 200 : 404;
    if (answer.status() !== expected) fail(`Watch answered ${answer.status()}, not ${expected}`);
    if (siteServed === '1') {
      await watchedIsSimulators(page, watch);
      await gamePage(page);
    }
  } finally {
    await browser.close();
  }
  if (!process.exitCode) console.log('the page: registered, submitted, verified, watched' +
                                     (siteServed === '1' ? '; the game sent, installed, offline' : ''));
})().catch((e) => fail(e.stack));

// The board's page as a player uses it, in headless Chromium: a name refused with the reason
// and then registered (its token kept in the browser), a recording submitted through the form,
// pending and then verified, the run in the table, and its Watch link opening the web build on
// that run's recording. Nothing the page does may break its Content-Security-Policy. Where the
// board serves the web build, the game watched through Watch is the simulator's replay of the
// recording sent, trace for trace.
// Usage: node board_in_browser.js URL RECORDING SITE_SERVED SIMULATOR (SITE_SERVED: 1 when
// /play/ holds the web build)
'use strict';

const { execFileSync } = require('child_process');
const puppeteer = require('puppeteer-core');

const [url, recording, siteServed, simulator] = process.argv.slice(2);
const kWait = { timeout: 60000 };

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
    if (siteServed === '1') await watchedIsSimulators(page, watch);
  } finally {
    await browser.close();
  }
  if (!process.exitCode) console.log('the page: registered, submitted, verified, watched');
})().catch((e) => fail(e.stack));

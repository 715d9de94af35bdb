// Debian's Chromium, headless, as every browser test starts it: no sandbox (tests may run as
// root) and WebGL drawn in software.
'use strict';

function launchChromium(puppeteer, moreArgs = []) {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--enable-unsafe-swiftshader', ...moreArgs],
  });
}

module.exports = { launchChromium };

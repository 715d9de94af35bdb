// A standard-mapping gamepad the page sees through the Gamepad API, that a test presses: its
// buttons are those of the standard mapping (0 South, 4 and 5 the shoulders, 8 Back, 9 Start).
// The game reads a pad by polling navigator.getGamepads once a display frame while the pad is
// open, so a test knows the game has seen a change once the pad has been polled since.
'use strict';

// Runs in the page, before its scripts (page.evaluateOnNewDocument).
function installPad() {
  const pad = {
    id: 'Test pad (STANDARD GAMEPAD)', index: 0, connected: true, mapping: 'standard',
    timestamp: 1, axes: [0, 0, 0, 0],
    buttons: Array.from({ length: 17 }, () => ({ pressed: false, touched: false, value: 0 })),
  };
  let polls = 0;
  navigator.getGamepads = () => {
    polls++;
    return [pad, null, null, null];
  };
  window.testPad = {
    connect() {
      const e = new Event('gamepadconnected');
      Object.defineProperty(e, 'gamepad', { value: pad });
      window.dispatchEvent(e);
    },
    press(button, down) {
      pad.buttons[button] = { pressed: down, touched: down, value: down ? 1 : 0 };
      pad.timestamp++;
    },
    polls: () => polls,
  };
}

const kPadTimeout = { timeout: 30000 };

// Waits until the game has polled the pad twice after `change` ran in the page.
async function afterPolls(page, what, change, ...args) {
  const from = await page.evaluate(change, ...args);
  await page.waitForFunction((n) => window.testPad.polls() > n + 1, kPadTimeout, from)
    .catch(() => { throw new Error(`the game stopped polling the pad after ${what}`); });
}

// Plugs the pad in and waits until the game has opened it.
function connectPad(page) {
  return afterPolls(page, 'it was plugged in', () => {
    window.testPad.connect();
    return window.testPad.polls();
  });
}

// Presses (or lets go of) a button, and waits until the game has read it.
function pressPad(page, button, down) {
  return afterPolls(page, `button ${button} went ${down ? 'down' : 'up'}`, (b, d) => {
    window.testPad.press(b, d);
    return window.testPad.polls();
  }, button, down);
}

module.exports = { installPad, connectPad, pressPad };

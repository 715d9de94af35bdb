// The page's touch controls, shown below the game on a touch screen: a stick for the arrows, a
// fire button for Space, buttons for the pause and Tab's table of best runs (and R in a
// practice), and while a recording is watched a row of the replay's keys instead. Every one
// presses and lets go of a key through the host (qv_touch_key in web/host.cpp), into the queue
// the keyboard's keys go to: the game and its recording see nothing but keys.
'use strict';

(() => {
  // SDL's key codes (SDL_keycode.h).
  const kKeyCode = {
    Left: 0x40000050, Right: 0x4000004f, Up: 0x40000052, Down: 0x40000051, Home: 0x4000004a,
    End: 0x4000004d, Space: 32, Tab: 9, Enter: 13, P: 112, R: 114, Comma: 44, Period: 46,
    Minus: 45, Plus: 43, Zero: 48,
  };
  // The stick holds nothing within this part of its radius, so a thumb resting on it is still.
  const kDeadZone = 0.3;
  // The arrows for each eighth of the circle, clockwise from the right (the page's y goes down).
  const kEighths = [['Right'], ['Right', 'Down'], ['Down'], ['Down', 'Left'], ['Left'],
                    ['Left', 'Up'], ['Up'], ['Up', 'Right']];
  const kPlayButtons = [['P', 'Pause', 'pause'], ['Tab', 'Best runs', 'tab'],
                        ['R', 'Again', 'again'], ['Space', 'Fire', 'fire']];
  const kReplayButtons = [
    ['Home', '⇤', 'To the start (Home)'], ['Down', '−30 s', 'Back 30 s (Down)'],
    ['Left', '−5 s', 'Back 5 s (Left)'], ['Comma', '◂', 'A step back while paused (,)'],
    ['P', '❚❚', 'Pause (P)'], ['Period', '▸', 'A step forward while paused (.)'],
    ['Right', '+5 s', 'On 5 s (Right)'], ['Up', '+30 s', 'On 30 s (Up)'],
    ['End', '⇥', 'To the end (End)'], ['Minus', '×½', 'Half the speed (-)'],
    ['Zero', '×1', 'The normal speed (0)'], ['Plus', '×2', 'Twice the speed (+)'],
    ['Enter', 'Take over', 'Play on from here (Enter)'],
  ];

  // How many controls hold each key: it goes down with the first and up with the last.
  const holders = new Map();
  function hold(name, down) {
    const count = (holders.get(name) || 0) + (down ? 1 : -1);
    holders.set(name, count);
    if ((down && count === 1) || (!down && count === 0)) {
      if (Module._qv_touch_key) Module._qv_touch_key(kKeyCode[name], down ? 1 : 0);
    }
  }

  function element(tag, id, className, text) {
    const e = document.createElement(tag);
    if (id) e.id = id;
    if (className) e.className = className;
    if (text) e.textContent = text;
    return e;
  }

  const root = element('div', 'touch');
  root.setAttribute('aria-label', 'Touch controls');
  const stick = element('div', 'touch-stick', 'stick');
  const knob = element('div', '', 'knob');
  stick.append(knob);
  const playKeys = element('div', 'touch-keys');
  for (const [key, label, name] of kPlayButtons) {
    const button = element('button', `touch-${name}`, 'key', label);
    button.type = 'button';
    button.dataset.key = key;
    playKeys.append(button);
  }
  const replayKeys = element('div', 'touch-replay');
  for (const [key, label, title] of kReplayButtons) {
    const button = element('button', '', 'key', label);
    button.type = 'button';
    button.dataset.key = key;
    button.title = title;
    replayKeys.append(button);
  }
  root.append(stick, playKeys, replayKeys);
  document.getElementById('stage').after(root);

  // The stick's arrows follow the touch's offset from its middle: one arrow or two, by the
  // eighth of the circle the touch is in, none in the dead zone.
  let stickArrows = [];
  function steer(touch) {
    const box = stick.getBoundingClientRect();
    const radius = box.width / 2;
    const reach = radius - knob.offsetWidth / 2;  // the knob stays inside the stick's ring
    let dx = touch.clientX - (box.left + radius), dy = touch.clientY - (box.top + radius);
    const distance = Math.hypot(dx, dy);
    const arrows = distance < kDeadZone * radius
      ? [] : kEighths[(Math.round(Math.atan2(dy, dx) / (Math.PI / 4)) + 8) % 8];
    for (const a of stickArrows) if (!arrows.includes(a)) hold(a, false);
    for (const a of arrows) if (!stickArrows.includes(a)) hold(a, true);
    stickArrows = arrows;
    if (distance > reach) {
      dx *= reach / distance;
      dy *= reach / distance;
    }
    knob.style.transform = `translate(${dx}px, ${dy}px)`;
  }
  function letGoOfStick() {
    for (const a of stickArrows) hold(a, false);
    stickArrows = [];
    knob.style.transform = '';
  }

  // Each touch belongs to the control it began on until it ends, wherever it goes meanwhile:
  // a thumb on the stick and another on the fire button at once.
  const owners = new Map();  // the touch's identifier: the stick or a button
  function began(touch) {
    const target = touch.target instanceof Element ? touch.target : null;
    if (target && stick.contains(target) && ![...owners.values()].includes(stick)) {
      owners.set(touch.identifier, stick);
      steer(touch);
      return;
    }
    const button = target && target.closest('button[data-key]');
    if (!button) return;
    owners.set(touch.identifier, button);
    button.classList.add('held');
    hold(button.dataset.key, true);
  }
  function ended(touch) {
    const owner = owners.get(touch.identifier);
    owners.delete(touch.identifier);
    if (owner === stick) {
      letGoOfStick();
    } else if (owner) {
      owner.classList.remove('held');
      hold(owner.dataset.key, false);
    }
  }
  function each(handler) {
    return (e) => {
      e.preventDefault();  // no scrolling, zooming or mouse clicks made up from the touch
      for (const touch of e.changedTouches) handler(touch);
    };
  }
  const active = { passive: false };
  root.addEventListener('touchstart', each(began), active);
  root.addEventListener('touchmove', each((t) => {
    if (owners.get(t.identifier) === stick) steer(t);
  }), active);
  root.addEventListener('touchend', each(ended), active);
  root.addEventListener('touchcancel', each(ended), active);

  // Shown on a touch screen, or once a touch is seen; the game then gets less of the page, and
  // is fitted again (SDL hears of it as of a resized window).
  function show() {
    if (document.body.classList.contains('touch')) return;
    document.body.classList.add('touch');
    window.dispatchEvent(new Event('resize'));
  }
  if (window.matchMedia('(pointer: coarse)').matches) show();
  window.addEventListener('touchstart', show, { passive: true });

  if (watching) document.body.classList.add('watching');
  if (practising) document.body.classList.add('practising');
  // A replay taken over (or a practice's way to its step run): the stick and fire steer.
  window.quelvarisHandedOver = () => document.body.classList.remove('watching');
})();

// Sending runs to an online board (quelvaris-board): the page served by a board (its /play/,
// which finds the board's calls at ../api/) or given ?board=URL offers "Send to the board" on
// each entry of its table of best runs, registers a name the first time, and shows each run's
// verdict. The registration is kept in the browser's storage per board, and its token goes to
// no other board. A run sent while the network is away waits in the storage and goes when it
// comes back, or at the next load.
'use strict';

window.quelvarisBoard = (() => {
  const kRegistrationsKey = 'quelvaris.board';  // [{url, name, token}], one per board
  const kOutboxKey = 'quelvaris.outbox';        // [{url, key, recording}]
  const kSentKey = 'quelvaris.sent';            // {"URL KEY": {id, state, text}}
  const join = document.getElementById('board-join');
  const joinName = document.getElementById('board-name');
  const said = document.getElementById('board-status');
  let board = null;         // the board's address, ending in /, once known
  let waitingRun = null;    // the run to send once the player has registered
  let flushing = false;
  const kRetrySeconds = 10;

  function read(key, empty) {
    try {
      const value = JSON.parse(localStorage.getItem(key));
      return value && typeof value === 'object' ? value : empty;
    } catch (e) {
      return empty;
    }
  }
  function write(key, value) {
    try {
      localStorage.setItem(key, JSON.stringify(value));
    } catch (e) {
      console.warn(`quelvaris: ${key} cannot be stored: ${e}`);
    }
  }
  function list(key) {
    const value = read(key, []);
    return Array.isArray(value) ? value : [];
  }
  const registrations = () => list(kRegistrationsKey);
  const registration = (url) => registrations().find((r) => r.url === url) || null;
  const outbox = () => list(kOutboxKey);
  const host = () => new URL(board).host;

  // A run is known by its recording: a 53-bit hash of its text.
  function keyOf(text) {
    let h1 = 0xdeadbeef, h2 = 0x41c6ce57;
    for (let i = 0; i < text.length; i++) {
      const c = text.charCodeAt(i);
      h1 = Math.imul(h1 ^ c, 2654435761);
      h2 = Math.imul(h2 ^ c, 1597334677);
    }
    h1 = Math.imul(h1 ^ (h1 >>> 16), 2246822507) ^ Math.imul(h2 ^ (h2 >>> 13), 3266489909);
    h2 = Math.imul(h2 ^ (h2 >>> 16), 2246822507) ^ Math.imul(h1 ^ (h1 >>> 13), 3266489909);
    return (4294967296 * (2097151 & h2) + (h1 >>> 0)).toString(36);
  }

  // What became of a run on a board: queued, pending, verified, rejected or refused, with the
  // board's words, shown beside its entry.
  function verdictOf(url, key) {
    return read(kSentKey, {})[`${url} ${key}`] || null;
  }
  function setVerdict(url, key, verdict) {
    const sent = read(kSentKey, {});
    sent[`${url} ${key}`] = verdict;
    write(kSentKey, sent);
    if (url === board) showVerdict(key);
  }
  // A run is sent once: again only when the board refused it (a registration it no longer knew).
  const sendable = (v) => !v || v.state === 'refused';
  function paintVerdict(item) {
    const v = verdictOf(board, item.dataset.key);
    item.dataset.verdict = v ? v.state : '';
    item.querySelector('.verdict').textContent = v ? v.text : '';
    item.querySelector('.send').disabled = !sendable(v);
  }
  function showVerdict(key) {
    for (const item of document.querySelectorAll(`#best li[data-key="${key}"]`)) paintVerdict(item);
  }

  async function call(url, path, options) {
    const response = await fetch(url + path, options);
    let body = {};
    try {
      body = await response.json();
    } catch (e) {
      // no JSON: the status says it
    }
    const retryAfter = Number(response.headers.get('Retry-After'));
    return { status: response.status, body, retryAfter };
  }

  // The board's verdict on run ID, asked every second, then less often, until it is given.
  async function awaitVerdict(url, key, id) {
    for (let wait = 1000; ; wait = Math.min(wait * 1.5, 30000)) {
      await new Promise((resolve) => setTimeout(resolve, wait));
      let answer;
      try {
        answer = await call(url, `api/runs/${id}`);
      } catch (e) {
        continue;  // the network comes and goes: ask again
      }
      const run = answer.body;
      if (answer.status === 404) {
        setVerdict(url, key, { id, state: 'refused', text: 'the board no longer has it' });
        return;
      }
      if (run.status === 'verified' || run.status === 'rejected') {
        const reason = String(run.reason);  // "verified, 3783 steps, scores ...": says it itself
        const text = reason.startsWith(run.status) ? reason : `${run.status}: ${reason}`;
        setVerdict(url, key, { id, state: run.status, text });
        return;
      }
    }
  }

  // One attempt at sending: null once the board has answered for good (taken or refused), or
  // the seconds to wait before the next attempt (no network, the board too busy or down).
  async function post(url, key, recording) {
    const reg = registration(url);
    if (!reg) return null;  // its registration went: nothing to send it as
    let answer;
    try {
      answer = await call(url, 'api/runs', { method: 'POST', body: recording, headers: {
        Authorization: `Bearer ${reg.token}`, 'Content-Type': 'text/plain; charset=utf-8' } });
    } catch (e) {
      return kRetrySeconds;
    }
    if (answer.status === 202) {
      const id = answer.body.id;
      setVerdict(url, key, { id, state: 'pending', text: 'sent; the board verifies it' });
      awaitVerdict(url, key, id);
    } else if (answer.status === 429 || answer.status >= 500) {
      return Math.max(answer.retryAfter || 5, 1);
    } else if (answer.status === 401) {
      write(kRegistrationsKey, registrations().filter((r) => r.url !== url));
      const text = `the board no longer knows ${reg.name}: send it again to register`;
      setVerdict(url, key, { state: 'refused', text });
    } else {
      const text = `refused: ${answer.body.error || answer.status}`;
      setVerdict(url, key, { state: 'refused', text });
    }
    return null;
  }

  // The network's return is told by the browser ('online'), but not always (a browser that
  // thought itself online all along): while runs wait, the page tries again now and then too.
  let retry = null;
  function retryIn(seconds) {
    if (!retry) retry = setTimeout(() => { retry = null; flush(); }, seconds * 1000);
  }

  // The runs waiting for this board, each sent once: taken off the outbox when the board has
  // answered for it.
  async function flush() {
    if (flushing || !board || !outbox().some((r) => r.url === board)) return;
    if (!navigator.onLine) return retryIn(kRetrySeconds);
    flushing = true;
    try {
      for (let run; (run = outbox().find((r) => r.url === board));) {
        const wait = await post(run.url, run.key, run.recording);
        if (wait !== null) {
          retryIn(wait);
          break;
        }
        write(kOutboxKey, outbox().filter((r) => !(r.url === run.url && r.key === run.key)));
      }
    } finally {
      flushing = false;
    }
  }

  function queue(key, recording) {
    if (!outbox().some((r) => r.url === board && r.key === key)) {
      write(kOutboxKey, [...outbox(), { url: board, key, recording }]);
    }
    setVerdict(board, key, { state: 'queued', text: 'waiting for the network to send it' });
  }

  function send(run) {
    if (!registration(board)) {
      waitingRun = run;
      join.hidden = false;
      said.textContent = `Choose the name your runs go under on the board at ${host()}.`;
      joinName.focus();
      return;
    }
    const key = keyOf(run.recording);
    if (!sendable(verdictOf(board, key))) return;
    queue(key, run.recording);
    flush();
  }

  async function register(name) {
    let answer;
    try {
      answer = await call(board, 'api/players', {
        method: 'POST', body: JSON.stringify({ name }),
        headers: { 'Content-Type': 'application/json' } });
    } catch (e) {
      said.textContent = 'The board cannot be reached: register once the network is back.';
      return;
    }
    if (answer.status !== 201) {
      said.textContent = answer.status === 409
        ? `${name} is taken: choose another name.`
        : `The board refused: ${answer.body.error || answer.status}`;
      return;
    }
    write(kRegistrationsKey, [...registrations().filter((r) => r.url !== board),
                              { url: board, name: answer.body.name, token: answer.body.token }]);
    join.hidden = true;
    said.textContent = `Runs go to the board at ${host()} as ${answer.body.name}.`;
    if (waitingRun) send(waitingRun);
    waitingRun = null;
  }
  // The name is typed into its field, not played: the game's keys (the window's) never see it.
  for (const type of ['keydown', 'keypress', 'keyup']) {
    join.addEventListener(type, (e) => e.stopPropagation());
  }
  join.addEventListener('submit', (e) => {
    e.preventDefault();
    register(joinName.value.trim());
  });

  // The board is known: its buttons show, and what waited for it goes.
  function found(url) {
    board = url;
    for (const button of document.querySelectorAll('#best .send')) button.hidden = false;
    for (const item of document.querySelectorAll('#best li[data-key]')) paintVerdict(item);
    const reg = registration(board);
    said.textContent = reg ? `Runs go to the board at ${host()} as ${reg.name}.` : '';
    // Verdicts asked for before the page last closed.
    for (const [at, v] of Object.entries(read(kSentKey, {}))) {
      const [url, key] = at.split(' ');
      if (url === board && v.state === 'pending') awaitVerdict(url, key, v.id);
    }
    flush();
  }

  // ?board=URL names the board; otherwise a page at a folder named play/ (where a board serves
  // the web build) asks whether the server it came from is one, its calls at ../api/. Without
  // the network, a board this page registered with before is.
  function findBoard() {
    const params = new URLSearchParams(location.search);
    if (params.has('board')) {
      const url = new URL(params.get('board'), location.href);
      if (!url.pathname.endsWith('/')) url.pathname += '/';
      return found(url.href);
    }
    const here = new URL('../', location.href).href;
    if (!/\/play\/[^/]*$/.test(location.pathname)) return;
    fetch(`${here}api/board?limit=1`).then((r) => (r.ok ? r.json() : null)).then((answer) => {
      if (answer && Array.isArray(answer.runs)) found(here);
    }, () => {
      if (registration(here)) found(here);
    });
  }

  window.addEventListener('online', flush);
  findBoard();

  return {
    // page.js lists each run of the table through this: its Send button and verdict.
    decorate(item, run) {
      const key = keyOf(run.recording);
      item.dataset.key = key;
      const button = document.createElement('button');
      button.type = 'button';
      button.className = 'send';
      button.textContent = 'Send to the board';
      button.hidden = !board;
      button.addEventListener('click', () => send(run));
      const verdict = document.createElement('span');
      verdict.className = 'verdict';
      item.append(' ', button, ' ', verdict);
      if (board) paintVerdict(item);
    },
    board: () => board,
  };
})();

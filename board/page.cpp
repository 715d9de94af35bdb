#include "board/page.hpp"

namespace qv::board {

const std::string& page_html() {
  static const std::string html = R"html(<!doctype html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Quelvaris 弐: the board of proven runs</title>
<link rel="stylesheet" href="/board.css">
<script src="/board.js" defer></script>
</head>
<body>
<h1>Quelvaris 弐: proven runs</h1>
<p>Every run here was replayed by the board from its recording, key by key, and reached the
score it claims. Players choose their seeds: each run shows its own.</p>
<section>
<h2>Two ships</h2>
<table id="two"><thead><tr><th>#</th><th>Name</th><th>Score</th><th>How it ended</th>
<th>Time played</th><th>Date</th><th>Seed</th><th></th></tr></thead><tbody></tbody></table>
</section>
<section>
<h2>Ten ships from −10000</h2>
<table id="ten"><thead><tr><th>#</th><th>Name</th><th>Score</th><th>How it ended</th>
<th>Time played</th><th>Date</th><th>Seed</th><th></th></tr></thead><tbody></tbody></table>
</section>
<section id="submit">
<h2>Submit a run</h2>
<form id="register">
<label>Your name <input id="name" maxlength="24" required></label>
<button type="submit">Register</button>
</form>
<p id="who"></p>
<form id="send">
<div id="drop">Drop a recording (<code>.keys</code>) here, or
<input type="file" id="file" accept=".keys,text/plain"></div>
</form>
<p id="status" role="status"></p>
</section>
</body>
</html>
)html";
  return html;
}

const std::string& page_script() {
  static const std::string script = R"js('use strict';
// Everything a player wrote goes into the page through textContent: never as markup.
const $ = (id) => document.getElementById(id);

function cell(row, text) {
  const td = document.createElement('td');
  td.textContent = text;
  row.appendChild(td);
  return td;
}

function played(steps) {
  const seconds = Math.floor(steps / 100);
  return Math.floor(seconds / 60) + ':' + String(seconds % 60).padStart(2, '0');
}

async function showBoard(start) {
  const body = $(start).tBodies[0];
  try {
    const answer = await fetch('/api/board?start=' + start + '&limit=100');
    const board = await answer.json();
    body.replaceChildren();
    for (const run of board.runs) {
      const row = document.createElement('tr');
      cell(row, run.rank);
      cell(row, run.player);
      cell(row, run.score);
      cell(row, run.ending === 'ending' ? 'the staff roll' : 'game over');
      cell(row, played(run.steps));
      cell(row, run.submitted.slice(0, 10));
      cell(row, run.seed);
      const watch = document.createElement('a');
      watch.textContent = 'Watch';
      watch.href = '/play/?replay=' + encodeURIComponent('/api/runs/' + run.id + '/recording');
      cell(row, '').appendChild(watch);
      body.appendChild(row);
    }
  } catch (e) {
    body.replaceChildren();
  }
}

function showPlayer() {
  const name = localStorage.getItem('quelvaris-board-name');
  $('who').textContent = name ? 'Submitting as ' + name + '.' : 'Register a name to submit runs.';
  $('register').hidden = !!name;
  $('send').hidden = !name;
}

async function register(event) {
  event.preventDefault();
  const answer = await fetch('/api/players', {
    method: 'POST',
    headers: {'Content-Type': 'application/json'},
    body: JSON.stringify({name: $('name').value}),
  });
  const reply = await answer.json();
  if (answer.status === 201) {
    localStorage.setItem('quelvaris-board-name', reply.name);
    localStorage.setItem('quelvaris-board-token', reply.token);
    showPlayer();
  } else {
    $('status').textContent = reply.error;
  }
}

async function follow(id) {
  for (;;) {
    const run = await (await fetch('/api/runs/' + id)).json();
    if (run.status !== 'pending') {
      $('status').textContent = 'Run ' + id + ': ' + run.status + ' (' + run.reason + ')';
      $('status').dataset.state = run.status;
      showBoard('two');
      showBoard('ten');
      return;
    }
    await new Promise((done) => setTimeout(done, 1000));
  }
}

async function submit(file) {
  $('status').textContent = 'Sending ' + file.name + '...';
  const answer = await fetch('/api/runs', {
    method: 'POST',
    headers: {'Authorization': 'Bearer ' + localStorage.getItem('quelvaris-board-token')},
    body: await file.text(),
  });
  const reply = await answer.json();
  if (answer.status !== 202) {
    $('status').textContent = 'Refused: ' + reply.error;
    $('status').dataset.state = 'refused';
    return;
  }
  $('status').textContent = 'Run ' + reply.id + ': pending';
  $('status').dataset.state = 'pending';
  follow(reply.id);
}

window.addEventListener('DOMContentLoaded', () => {
  showBoard('two');
  showBoard('ten');
  showPlayer();
  $('register').addEventListener('submit', register);
  $('file').addEventListener('change', () => $('file').files[0] && submit($('file').files[0]));
  const drop = $('drop');
  drop.addEventListener('dragover', (e) => e.preventDefault());
  drop.addEventListener('drop', (e) => {
    e.preventDefault();
    if (e.dataTransfer.files[0]) submit(e.dataTransfer.files[0]);
  });
});
)js";
  return script;
}

const std::string& page_style() {
  static const std::string style =
      R"css(body { font-family: sans-serif; max-width: 56em; margin: 1em auto; padding: 0 1em; }
table { border-collapse: collapse; width: 100%; }
th, td { text-align: left; padding: 0.2em 0.6em; border-bottom: 1px solid #ccc; }
td:nth-child(3) { text-align: right; }
#drop { border: 2px dashed #888; padding: 1.5em; margin: 0.5em 0; }
#status[data-state=verified] { color: #060; }
#status[data-state=rejected], #status[data-state=refused] { color: #a00; }
)css";
  return style;
}

}  // namespace qv::board

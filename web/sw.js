// The page's service worker: after one visit the game, its music and its soundfont play with no
// network. web/service-worker.sh (run by scripts/build-web.sh) puts `kSite` above this: every
// file of the site with its SHA-256, and the version those make. A version is cached whole at install, in a cache of its own name,
// and served from that cache alone; the caches of older versions go when it takes over. A file
// fetched at install that is not the one the list names (the site changed under us) fails the
// install, so old and new files never meet in one cache: the next visit tries again.
// The worker sits beside index.html, so it serves the site at a server's root and under a
// board's /play/ alike.
'use strict';

const kPrefix = `quelvaris ${self.registration.scope} `;
const kCache = kPrefix + kSite.version;
const kIndex = new URL('index.html', self.location).href;
const kFiles = new Map(kSite.files.map(([name, sha]) => [new URL(name, self.location).href, sha]));

async function sha256(bytes) {
  const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', bytes));
  return Array.from(digest, (b) => b.toString(16).padStart(2, '0')).join('');
}

// The file as the server has it now (asked again past any copy the browser keeps), if it is
// the one of this version.
async function fetchChecked(url, sha) {
  const response = await fetch(url, { cache: 'no-cache' });
  if (!response.ok) throw new Error(`${url}: ${response.status}`);
  if ((await sha256(await response.clone().arrayBuffer())) !== sha) {
    throw new Error(`${url} is not the file of version ${kSite.version}`);
  }
  return response;
}

self.addEventListener('install', (event) => {
  event.waitUntil((async () => {
    const fetched = await Promise.all(
        Array.from(kFiles, ([url, sha]) => fetchChecked(url, sha).then((r) => [url, r])));
    await caches.delete(kCache);  // what a failed install of this version left
    const cache = await caches.open(kCache);
    await Promise.all(fetched.map(([url, response]) => cache.put(url, response)));
  })());
});

self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    for (const name of await caches.keys()) {
      if (name.startsWith(kPrefix) && name !== kCache) await caches.delete(name);
    }
  })());
});

// A new version waits until the pages of the old one are gone, so that a page never loads half
// its files from each; the page may ask it to take over at once when it reloads itself.
self.addEventListener('message', (event) => {
  if (event.data === 'take over') self.skipWaiting();
});

// The site's files from this version's cache, whatever the query (index.html?trace,
// ?replay=URL); everything else (the board's calls, recordings to watch) from the network.
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  const url = new URL(event.request.url);
  url.search = '';
  url.hash = '';
  const key = url.href === self.registration.scope ? kIndex : url.href;
  if (!kFiles.has(key)) return;
  event.respondWith((async () => {
    const cached = await (await caches.open(kCache)).match(key);
    return cached || fetch(event.request);  // the browser dropped the cache: the network's
  })());
});

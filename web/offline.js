// The page installed and offline: registers the service worker (sw.js), which keeps the whole
// site for the next visit without network. A new version of the site waits until this page
// goes; the bar then offers to reload into it at once.
'use strict';

(() => {
  const update = document.getElementById('update');
  // Service workers need a secure context: https, or a server on this machine.
  if (!('serviceWorker' in navigator) || !window.isSecureContext) return;

  function offerUpdate(worker) {
    if (!navigator.serviceWorker.controller) return;  // the first visit: nothing older runs
    update.hidden = false;
    update.onclick = () => worker.postMessage('take over');
  }
  function watch(registration) {
    if (registration.waiting) offerUpdate(registration.waiting);
    registration.addEventListener('updatefound', () => {
      const worker = registration.installing;
      worker.addEventListener('statechange', () => {
        if (worker.state === 'installed') offerUpdate(worker);
      });
    });
  }
  let reloading = false;
  navigator.serviceWorker.addEventListener('controllerchange', () => {
    if (!update.hidden && !reloading) {  // the player asked for the new version
      reloading = true;
      location.reload();
    }
  });
  // Once the game has loaded, so that the worker's downloads do not hold it up.
  window.addEventListener('load', () => {
    navigator.serviceWorker.register('sw.js').then(watch, (e) => {
      console.warn(`quelvaris: the page cannot be kept for offline play: ${e}`);
    });
  });
})();

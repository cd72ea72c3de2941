// The calculator's offline copy. Installing caches the files the page needs,
// taken from the browser's own cache, where the visit that registers the
// worker has just put them: a first visit fetches each file once. The
// manifest and the icon are taken only if they are there already (the
// browser fetches them in its own time); afterwards each request goes to the
// network first, so that a rebuilt engine shows at once, and the cache
// answers when the network does not.
'use strict';
const CACHE = 'tqcal-page-2';
const FILES = ['./', 'calculator.js', 'tqcal-engine.wasm'];
const IF_THERE = ['manifest.webmanifest', 'icon.svg'];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => Promise.all([
    cache.addAll(FILES.map((file) => new Request(file, { cache: 'force-cache' }))),
    ...IF_THERE.map((file) => fetch(new Request(file, { cache: 'only-if-cached', mode: 'same-origin' }))
      .then((response) => response.ok && cache.put(file, response), () => null)),
  ])).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((n) => n !== CACHE).map((n) => caches.delete(n))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== location.origin) return;
  event.respondWith(fetch(request).then((response) => {
    if (response.ok) {
      const copy = response.clone();
      event.waitUntil(caches.open(CACHE).then((cache) => cache.put(request, copy)));
    }
    return response;
  }, () => caches.match(request, { ignoreSearch: true }).then((hit) => hit || Response.error())));
});

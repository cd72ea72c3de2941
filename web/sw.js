// The calculator's installed copy. Installing keeps the files the page needs,
// taken from the browser's own cache, where the visit that registers the
// worker has just put them: a first visit fetches each file once. The
// manifest and the icon are kept only if they are there already (the
// browser fetches them in its own time).
//
// Afterwards the page opens from the kept copy at once, whatever the
// network does, and every load asks the server in the background whether
// the page has changed (a 304 costs no body). A changed page is kept whole,
// all of its files together, and used from the next load.
'use strict';
const CACHE = 'tqcal-page-3';
const FILES = ['./', 'calculator.js', 'tqcal-engine.wasm'];
const IF_THERE = ['manifest.webmanifest', 'icon.svg'];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => Promise.all([
    cache.addAll(FILES.map((file) => new Request(file, { cache: 'force-cache' }))),
    ...IF_THERE.map((file) => fetch(file, { cache: 'only-if-cached', mode: 'same-origin' })
      .then((response) => response.ok && cache.put(file, response), () => null)),
  ])).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((n) => n !== CACHE).map((n) => caches.delete(n))))
    .then(() => self.clients.claim()));
});

// The page's files as the server has them now; kept, all together, when one
// of them changed (its ETag or Last-Modified is not the kept copy's).
async function refresh(cache) {
  const all = (f) => Promise.all(FILES.map(f));
  const fresh = await all((file) => fetch(file, { cache: 'no-cache' }));
  const kept = await all((file) => cache.match(file));
  const tag = (r) => r && (r.headers.get('etag') || r.headers.get('last-modified'));
  if (fresh.every((r) => r.ok) && fresh.some((r, i) => !tag(r) || tag(r) !== tag(kept[i]))) {
    await all((file, i) => cache.put(file, fresh[i]));
  }
}

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== location.origin) return;
  event.respondWith(caches.open(CACHE).then((cache) => cache.match(request, { ignoreSearch: true }).then((hit) => {
    if (request.mode === 'navigate') event.waitUntil(refresh(cache).catch(() => null));
    return hit || fetch(request).then((response) => {
      if (response.ok) event.waitUntil(cache.put(request, response.clone()));
      return response;
    });
  })));
});

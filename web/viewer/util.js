// Small helpers the viewer's modules share: the screen's pixel ratio, times
// and points as the panels write them, timing a query, a canvas off screen.

export function dpr() {
  return window.devicePixelRatio || 1;
}

export function formatMs(ms) {
  if (ms >= 100) return `${ms.toFixed(0)} ms`;
  if (ms >= 1) return `${ms.toFixed(1)} ms`;
  return `${ms.toFixed(3)} ms`;
}

export function formatPoint(p) {
  return p ? `(${p[0]}, ${p[1]})` : '—';
}

// The mean time of fn, run once, or repeatedly when one run is too quick for
// the clock (the browser's clock is coarse): { ms, runs, value }.
export function timeQuery(fn) {
  let t0 = performance.now();
  const value = fn();
  let elapsed = performance.now() - t0;
  let runs = 1;
  if (elapsed < 2) {
    t0 = performance.now();
    runs = 0;
    do {
      fn();
      runs++;
      elapsed = performance.now() - t0;
    } while (elapsed < 20 && runs < 2000);
  }
  return { ms: elapsed / runs, runs, value };
}

export function newCanvas(w, h) {
  if (typeof OffscreenCanvas === 'function') return new OffscreenCanvas(w, h);
  const c = document.createElement('canvas');
  c.width = w;
  c.height = h;
  return c;
}

// The view: the canvas sized to its box on the page, the whole level or a
// rectangle of it fitted in, zooming about a pixel and panning.

import { requestFrame } from './frame.js';
import { state, ui } from './state.js';
import { forgetPictures } from './tiles.js';
import { dpr } from './util.js';

// Sizes the canvas to its box on the page, in device pixels.
export function resizeCanvas() {
  const d = dpr();
  const ratio = Math.max(1, Math.round(d));
  if (ratio !== state.paintRatio) {
    state.paintRatio = ratio;
    forgetPictures();
  }
  const rect = ui.canvas.getBoundingClientRect();
  const w = Math.max(1, Math.round(rect.width * d)), h = Math.max(1, Math.round(rect.height * d));
  if (ui.canvas.width !== w || ui.canvas.height !== h) {
    ui.canvas.width = w;
    ui.canvas.height = h;
  }
  requestFrame();
}

function scaleLimits() {
  const [bx0, by0, bx1, by1] = state.scene.bounds;
  const span = Math.max(bx1 - bx0, by1 - by0, 1);
  const side = Math.min(ui.canvas.width, ui.canvas.height);
  return [Math.min((0.2 * side) / span, 1), 96 * dpr()];
}

// Shows the whole level, as F does.
export function fitView() {
  if (!state.scene) return;
  showRect(...state.scene.bounds);
}

// Fits the view to the rectangle (x0, y0)-(x1, y1) of the level, centred.
export function showRect(bx0, by0, bx1, by1) {
  const w = ui.canvas.width, h = ui.canvas.height;
  const pad = 16 * dpr();
  const W = Math.max(bx1 - bx0, 1), H = Math.max(by1 - by0, 1);
  const S = Math.min((w - 2 * pad) / W, (h - 2 * pad) / H);
  state.view.scale = S;
  state.view.ox = bx0 - (w / S - W) / 2;
  state.view.oy = by0 - (h / S - H) / 2;
  requestFrame();
}

// Zooms by factor about canvas pixel (px, py), within limits: the level no
// smaller than a fifth of the canvas (or a device pixel a unit, when that is
// smaller still), a unit no larger than 96 CSS pixels.
export function zoomAt(px, py, factor) {
  const v = state.view;
  const [lo, hi] = scaleLimits();
  const S = Math.min(hi, Math.max(lo, v.scale * factor));
  const wx = v.ox + px / v.scale, wy = v.oy + py / v.scale;
  v.scale = S;
  v.ox = wx - px / S;
  v.oy = wy - py / S;
  requestFrame();
}

// Moves the view so that the level point that lay under canvas pixel
// (fromX, fromY) with the view origin (ox, oy) lies under (px, py).
export function panTo(ox, oy, fromX, fromY, px, py) {
  state.view.ox = ox - (px - fromX) / state.view.scale;
  state.view.oy = oy - (py - fromY) / state.view.scale;
  requestFrame();
}

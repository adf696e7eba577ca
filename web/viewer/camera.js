// Between the level and the canvas: a level point (whole units, y down) and
// a canvas pixel (device pixels, from the top-left corner) under the view
// (state.view: device pixels per unit, and the level point at the canvas'
// top-left).

import { state, ui } from './state.js';
import { dpr } from './util.js';

// The canvas pixel of level point (x, y).
export function toScreen(x, y) {
  const { scale: S, ox, oy } = state.view;
  return [(x - ox) * S, (y - oy) * S];
}

// The grid point under canvas pixel (px, py).
export function pixelToPoint(px, py) {
  const v = state.view;
  return [Math.round(v.ox + px / v.scale), Math.round(v.oy + py / v.scale)];
}

// The canvas pixel of a pointer event.
export function eventPixel(e) {
  const rect = ui.canvas.getBoundingClientRect();
  const d = dpr();
  return [(e.clientX - rect.left) * d, (e.clientY - rect.top) * d];
}

// Client (CSS) coordinates of level point (x, y), as a mouse would point at it.
export function pointToClient(x, y) {
  const rect = ui.canvas.getBoundingClientRect();
  const d = dpr();
  const v = state.view;
  return { x: rect.left + ((x - v.ox) * v.scale) / d, y: rect.top + ((y - v.oy) * v.scale) / d };
}

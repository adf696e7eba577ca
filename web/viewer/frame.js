// Frames: the canvas painted from the pictures kept (tiles.js), then what is
// drawn over them in every frame (the overlays: doors and the queries, and
// whatever a module adds with addOverlay). Missing tiles are painted within
// a time budget per frame, with the overview underneath until they are
// there; a frame is asked for with requestFrame and comes with the browser's
// next one.

import { paintDoors, paintQueries } from './overlays.js';
import { STAGE_COLOUR } from './palette.js';
import { state, ui } from './state.js';
import { TILE, getTile, scheduleOverview, tileLevel } from './tiles.js';

const FRAME_BUDGET_MS = 12;     // tile painting per frame once the level is shown

const ctx = ui.canvas.getContext('2d');

// Painted over the tiles in every frame, in this order: each is called with
// the canvas' context, in device pixels, while a level is shown.
const overlays = [paintDoors, paintQueries];

// Adds an overlay (a function of the canvas' context), drawn after those
// there already.
export function addOverlay(paint) {
  overlays.push(paint);
  requestFrame();
}

const frameStats = { painted: [], copied: [] };   // durations of frames that painted tiles / only copied them
let frameWanted = false;
let firstFrameBudget = 0;

export function requestFrame() {
  if (frameWanted) return;
  frameWanted = true;
  requestAnimationFrame(frame);
}


// Paints a frame now, every missing tile included: the first picture of a
// level is shown whole, at once.
export function paintFrameNow() {
  firstFrameBudget = 1e9;
  frameWanted = false;
  frame();
}

function frame() {
  frameWanted = false;
  const t0 = performance.now();
  const w = ui.canvas.width, h = ui.canvas.height;
  ctx.setTransform(1, 0, 0, 1, 0, 0);
  ctx.fillStyle = STAGE_COLOUR;
  ctx.fillRect(0, 0, w, h);
  const scene = state.scene;
  if (!scene) return;
  const { scale: S, ox, oy } = state.view;
  const [bx0, by0, bx1, by1] = scene.bounds;

  // Underneath: the whole level at the overview's resolution.
  const ov = scene.overview;
  if (ov) {
    ctx.imageSmoothingEnabled = true;
    ctx.drawImage(ov.canvas, (bx0 - ox) * S, (by0 - oy) * S, (ov.canvas.width / ov.L) * S, (ov.canvas.height / ov.L) * S);
  } else {
    scheduleOverview(scene);
  }

  // The tiles of the zoom level at or just above the view's.
  const z = tileLevel(S);
  const L = 2 ** (z / 2);
  const k = S / L;
  const nx = Math.ceil(((bx1 - bx0) * L) / TILE), ny = Math.ceil(((by1 - by0) * L) / TILE);
  const tx0 = Math.max(0, Math.floor(((ox - bx0) * L) / TILE));
  const ty0 = Math.max(0, Math.floor(((oy - by0) * L) / TILE));
  const tx1 = Math.min(nx - 1, Math.floor(((ox + w / S - bx0) * L) / TILE));
  const ty1 = Math.min(ny - 1, Math.floor(((oy + h / S - by0) * L) / TILE));
  const edgeX = (tx) => Math.round((bx0 - ox) * S + tx * TILE * k);
  const edgeY = (ty) => Math.round((by0 - oy) * S + ty * TILE * k);
  const budget = firstFrameBudget || FRAME_BUDGET_MS;
  firstFrameBudget = 0;
  let missing = 0;
  let painted = false;
  // Middle tiles first, so that what the eye is on comes first.
  const order = [];
  for (let ty = ty0; ty <= ty1; ty++) for (let tx = tx0; tx <= tx1; tx++) order.push([tx, ty]);
  const cx = (tx0 + tx1) / 2, cy = (ty0 + ty1) / 2;
  order.sort((a, b) => Math.hypot(a[0] - cx, a[1] - cy) - Math.hypot(b[0] - cx, b[1] - cy));
  ctx.imageSmoothingEnabled = k < 0.999;
  for (const [tx, ty] of order) {
    let tile = getTile(scene, z, tx, ty, false);
    if (!tile && performance.now() - t0 < budget) {
      tile = getTile(scene, z, tx, ty, true);
      painted = true;
    }
    if (!tile) {
      missing++;
      continue;
    }
    const x = edgeX(tx), y = edgeY(ty);
    ctx.drawImage(tile, x, y, edgeX(tx + 1) - x, edgeY(ty + 1) - y);
  }
  for (const paint of overlays) paint(ctx);
  const elapsed = performance.now() - t0;
  const list = painted ? frameStats.painted : frameStats.copied;
  list.push(elapsed);
  if (list.length > 600) list.shift();
  if (missing > 0) requestFrame();
}

function summary(list) {
  const sorted = [...list].sort((a, b) => a - b);
  const mean = list.reduce((s, v) => s + v, 0) / Math.max(list.length, 1);
  return { frames: list.length, meanMs: mean, maxMs: sorted.at(-1) ?? 0,
    p95Ms: sorted[Math.floor(0.95 * (sorted.length - 1))] ?? 0 };
}

// The durations of the last frames: those that painted tiles and those
// that only copied them, each { frames, meanMs, maxMs, p95Ms }.
export function getFrameStats() {
  return { painted: summary(frameStats.painted), copied: summary(frameStats.copied) };
}

export function resetFrameStats() {
  frameStats.painted.length = 0;
  frameStats.copied.length = 0;
}

// The pictures of the level kept between frames. The static layers (solid
// space, walls, areas, portals, waypoints, and the ids of areas and
// portals) are painted into tiles of TILE x TILE device pixels at a few
// fixed zoom levels (each sqrt(2) times the last) and kept; a frame
// (frame.js) only copies the visible tiles, scaled from the level at or just
// above the view's zoom. A tile paints only the items that a grid index
// finds in it; a picture of the whole level (the overview) lies under tiles
// not painted yet. Level coordinates are turned into pixels in JavaScript
// (doubles), so huge coordinates draw as precisely as small ones. y grows
// downward. Doors open and close, so they are not in the tiles
// (overlays.js draws them).

import { COLOUR, ROCK_ALPHA } from './palette.js';
import { state } from './state.js';
import { newCanvas } from './util.js';

export const TILE = 256;        // tile side, device pixels
const MAX_TILES = 400;          // tiles kept (about 100 MB at most)
const OVERVIEW_SIDE = 2048;     // longest side of the whole-level picture, device pixels
const STROKE_MARGIN = 4;        // device pixels around a tile where strokes of its items may reach
// Areas whose both sides, and portals, shorter than this many device pixels
// are left out: zoomed out on a large level they would only cover the walls.
const MIN_PIXELS = 3;

// ------------------------------------------------------------------ labels

const AREA_FONT = 12;
const PORTAL_FONT = 10;
const LABEL_BLOCK = 1024;   // side of a block of labels placed together, device pixels
const LABEL_REACH = 64;     // how far a label's box may reach from its anchor, device pixels
let measurer = null;
const widths = new Map();

// The width of an id in pixels. Ids are whole numbers, and digits have one
// width in the fonts used, so a width is measured once per font, length and
// sign.
function textWidth(text, font) {
  const key = font * 64 + text.length * 2 + (text.charCodeAt(0) === 45 ? 1 : 0);
  let width = widths.get(key);
  if (width === undefined) {
    if (!measurer) measurer = newCanvas(1, 1).getContext('2d');
    measurer.font = `${font}px system-ui, sans-serif`;
    const negative = text.startsWith('-');
    width = measurer.measureText((negative ? '-' : '') + '0'.repeat(text.length - (negative ? 1 : 0))).width;
    widths.set(key, width);
  }
  return width;
}

// The ids written at zoom level z (L = 2^(z/2) pixels per unit) whose anchor
// lies in block (bx, by) of LABEL_BLOCK pixels: an area's in its middle where
// it fits, a portal's beside it a quarter of the way along (routes run
// through portal middles) where it is long enough and meets no id placed
// before it. A block is placed as a whole, areas then portals in id order, so
// every tile writes the same ids whatever the order in which tiles are
// painted. Each label: kind, text, anchor (level units) and box (pixels of
// the zoom level, from the level's top-left corner).
function labelBlock(scene, z, bx, by) {
  let blocks = scene.labels.get(z);
  if (!blocks) {
    blocks = new Map();
    scene.labels.set(z, blocks);
  }
  const key = `${bx}/${by}`;
  const cached = blocks.get(key);
  if (cached) return cached;

  const L = 2 ** (z / 2);
  const k = state.paintRatio;
  const areaFont = AREA_FONT * k;
  const [ox, oy] = scene.bounds;
  const px0 = bx * LABEL_BLOCK, py0 = by * LABEL_BLOCK, px1 = px0 + LABEL_BLOCK, py1 = py0 + LABEL_BLOCK;
  const inBlock = (px, py) => px >= px0 && px < px1 && py >= py0 && py < py1;
  const wx0 = ox + px0 / L, wy0 = oy + py0 / L, wx1 = ox + px1 / L, wy1 = oy + py1 / L;
  const labels = [];
  const taken = [];
  const free = (b) => taken.every((t) => b[0] >= t[2] || t[0] >= b[2] || b[1] >= t[3] || t[1] >= b[3]);
  const collect = (index) => {
    const found = [];
    index.query(wx0, wy0, wx1, wy1, (i) => found.push(i));
    return found.sort((a, b) => a - b);
  };

  if (state.layers.areas) {
    const a = scene.areas;
    for (const i of collect(scene.areaIndex)) {
      const x0 = (a[4 * i] - ox) * L, y0 = (a[4 * i + 1] - oy) * L;
      const x1 = (a[4 * i + 2] - ox) * L, y1 = (a[4 * i + 3] - oy) * L;
      const cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
      if (!inBlock(cx, cy) || x1 - x0 < 40 * k || y1 - y0 < 1.8 * areaFont) continue;
      const text = String(-(i + 1));
      const tw = textWidth(text, areaFont);
      if (tw + areaFont > x1 - x0) continue;
      // An area's id lies inside the area: none meets another.
      const box = [cx - tw / 2 - 2 * k, cy - 0.7 * areaFont, cx + tw / 2 + 2 * k, cy + 0.7 * areaFont];
      taken.push(box);
      labels.push({ kind: 'area', text, x: ox + cx / L, y: oy + cy / L, box,
        rock: state.layers.solid && scene.areaRock[i] === 1 });
    }
  }
  if (state.layers.portals) {
    const p = scene.portals;
    const f = PORTAL_FONT * k;
    for (const i of collect(scene.portalIndex)) {
      const x0 = (p[4 * i] - ox) * L, y0 = (p[4 * i + 1] - oy) * L;
      const x1 = (p[4 * i + 2] - ox) * L, y1 = (p[4 * i + 3] - oy) * L;
      const mx = (3 * x0 + x1) / 4, my = (3 * y0 + y1) / 4;
      const length = x1 - x0 + (y1 - y0);
      if (!inBlock(mx, my) || length < 40 * k) continue;
      const text = String(i);
      const tw = textWidth(text, f);
      let box;
      if (y0 === y1) {
        if (length / 2 < tw + f) continue;
        box = [mx - tw / 2 - k, my - 1.4 * f, mx + tw / 2 + k, my - 0.1 * f];
      } else {
        if (length / 2 < 2 * f) continue;
        box = [mx + 0.2 * f, my - 0.7 * f, mx + 0.6 * f + tw, my + 0.7 * f];
      }
      if (!free(box)) continue;
      taken.push(box);
      labels.push({ kind: y0 === y1 ? 'portal-h' : 'portal-v', text, x: ox + mx / L, y: oy + my / L, box,
        rock: state.layers.solid && scene.portalRock[i] === 1 });
    }
  }
  blocks.set(key, labels);
  return labels;
}

// Writes the ids of zoom level z that reach into the region painted by g
// (top-left level point (wx, wy), w x h pixels).
function paintLabels(g, scene, wx, wy, z, w, h) {
  const L = 2 ** (z / 2);
  const [ox, oy] = scene.bounds;
  // The region in pixels of the zoom level, from the level's top-left corner.
  const rx0 = (wx - ox) * L, ry0 = (wy - oy) * L, rx1 = rx0 + w, ry1 = ry0 + h;
  const b0 = Math.floor((rx0 - LABEL_REACH) / LABEL_BLOCK), b1 = Math.floor((rx1 + LABEL_REACH) / LABEL_BLOCK);
  const c0 = Math.floor((ry0 - LABEL_REACH) / LABEL_BLOCK), c1 = Math.floor((ry1 + LABEL_REACH) / LABEL_BLOCK);
  const k = state.paintRatio;
  const areaFont = AREA_FONT * k, portalFont = PORTAL_FONT * k;
  g.lineJoin = 'round';
  g.lineWidth = 3 * k;
  g.strokeStyle = '#ffffff';
  for (let bx = Math.max(b0, 0); bx <= b1; bx++) {
    for (let by = Math.max(c0, 0); by <= c1; by++) {
      for (const { kind, text, x, y, box, rock } of labelBlock(scene, z, bx, by)) {
        if (box[2] < rx0 || box[0] > rx1 || box[3] < ry0 || box[1] > ry1) continue;
        g.globalAlpha = rock ? ROCK_ALPHA + 0.2 : 1;
        const px = (x - wx) * L, py = (y - wy) * L;
        if (kind === 'area') {
          g.font = `${areaFont}px system-ui, sans-serif`;
          g.textAlign = 'center';
          g.textBaseline = 'middle';
          g.fillStyle = COLOUR.areaId;
          g.strokeText(text, px, py);
          g.fillText(text, px, py);
        } else {
          g.font = `${portalFont}px system-ui, sans-serif`;
          g.fillStyle = COLOUR.portalId;
          const horizontal = kind === 'portal-h';
          g.textAlign = horizontal ? 'center' : 'left';
          g.textBaseline = horizontal ? 'bottom' : 'middle';
          const lx = horizontal ? px : px + 0.4 * portalFont, ly = horizontal ? py - 0.3 * portalFont : py;
          g.strokeText(text, lx, ly);
          g.fillText(text, lx, ly);
        }
      }
    }
  }
  g.globalAlpha = 1;
}

// ------------------------------------------------------------------ painting the static layers

// A pixel coordinate on which a line of the given width lies crisp.
function snap(v, width) {
  return width % 2 === 1 ? Math.round(v - 0.5) + 0.5 : Math.round(v);
}

// Paints the part of the level whose top-left point is (wx, wy), at L device
// pixels per unit, into g (w x h pixels); with the ids of zoom level z
// (L = 2^(z/2)) unless z is null.
function paintRegion(g, scene, wx, wy, L, w, h, z) {
  const layers = state.layers;
  const k = state.paintRatio;
  const l = L / k;   // CSS pixels per unit
  const X = (x) => (x - wx) * L;
  const Y = (y) => (y - wy) * L;
  const m = (STROKE_MARGIN * k) / L;
  const qx0 = wx - m, qy0 = wy - m, qx1 = wx + w / L + m, qy1 = wy + h / L + m;
  const [bx0, by0, bx1, by1] = scene.bounds;

  g.clearRect(0, 0, w, h);
  g.lineCap = 'butt';
  // The world rectangle.
  g.fillStyle = COLOUR.world;
  g.fillRect(X(bx0), Y(by0), (bx1 - bx0) * L, (by1 - by0) * L);
  g.strokeStyle = COLOUR.worldEdge;
  g.lineWidth = k;
  g.strokeRect(snap(X(bx0), k), snap(Y(by0), k), Math.round((bx1 - bx0) * L), Math.round((by1 - by0) * L));

  if (layers.solid && scene.solid.length > 0) {
    // Solid space as rock: every solid area filled, however small (rock
    // left out would show as holes), its edges on whole pixels so that
    // neighbouring areas meet without a seam; then a hatching whose period
    // divides the tile's side, so that it runs on across tiles.
    const a = scene.solid;
    g.beginPath();
    scene.solidIndex.query(qx0, qy0, qx1, qy1, (i) => {
      const x0 = Math.round(X(a[4 * i])), y0 = Math.round(Y(a[4 * i + 1]));
      const x1 = Math.round(X(a[4 * i + 2])), y1 = Math.round(Y(a[4 * i + 3]));
      g.rect(x0, y0, Math.max(x1 - x0, 1), Math.max(y1 - y0, 1));
    });
    g.fillStyle = COLOUR.rock;
    g.fill();
    g.fillStyle = rockPattern(g, k);
    g.fill();
  }

  // Items inside solid space go into a path of their own, drawn faintly.
  const rock = layers.solid;
  const paint = (free, inRock, draw) => {
    draw(free);
    g.globalAlpha = ROCK_ALPHA;
    draw(inRock);
    g.globalAlpha = 1;
  };
  if (layers.areas) {
    const a = scene.areas;
    const free = new Path2D(), inRock = new Path2D();
    g.strokeStyle = COLOUR.area;
    g.lineWidth = k;
    scene.areaIndex.query(qx0, qy0, qx1, qy1, (i) => {
      const x0 = X(a[4 * i]), y0 = Y(a[4 * i + 1]), x1 = X(a[4 * i + 2]), y1 = Y(a[4 * i + 3]);
      const pw = x1 - x0, ph = y1 - y0;
      if (pw < MIN_PIXELS * k && ph < MIN_PIXELS * k) return;
      // An area's sides lie under walls and portals: the outline is drawn a
      // little inside where there is room.
      const d = pw > 8 * k && ph > 8 * k ? 2 * k : 0;
      const sx0 = snap(x0 + d, k), sy0 = snap(y0 + d, k), sx1 = snap(x1 - d, k), sy1 = snap(y1 - d, k);
      (rock && scene.areaRock[i] ? inRock : free).rect(sx0, sy0, Math.max(sx1 - sx0, 0), Math.max(sy1 - sy0, 0));
    });
    paint(free, inRock, (path) => g.stroke(path));
  }
  if (layers.portals) {
    const p = scene.portals;
    const width = (l >= 2 ? 2 : 1) * k;
    const free = new Path2D(), inRock = new Path2D();
    g.strokeStyle = COLOUR.portal;
    g.lineWidth = width;
    scene.portalIndex.query(qx0, qy0, qx1, qy1, (i) => {
      const x0 = X(p[4 * i]), y0 = Y(p[4 * i + 1]), x1 = X(p[4 * i + 2]), y1 = Y(p[4 * i + 3]);
      if (x1 - x0 + (y1 - y0) < MIN_PIXELS * k) return;
      const path = rock && scene.portalRock[i] ? inRock : free;
      if (y0 === y1) {
        const y = snap(y0, width);
        path.moveTo(x0, y);
        path.lineTo(x1, y);
      } else {
        const x = snap(x0, width);
        path.moveTo(x, y0);
        path.lineTo(x, y1);
      }
    });
    paint(free, inRock, (path) => g.stroke(path));
  }
  if (layers.waypoints) {
    const q = scene.waypoints;
    const r = Math.max(1, Math.min(3, l * 0.8)) * k;
    const free = new Path2D(), inRock = new Path2D();
    g.fillStyle = COLOUR.waypoint;
    scene.waypointIndex.query(qx0, qy0, qx1, qy1, (i) => {
      const x = X(q[2 * i]), y = Y(q[2 * i + 1]);
      const path = rock && scene.waypointRock[i] ? inRock : free;
      path.moveTo(x + r, y);
      path.arc(x, y, r, 0, 2 * Math.PI);
    });
    paint(free, inRock, (path) => g.fill(path));
  }
  if (layers.walls) {
    const s = scene.walls;
    const width = (l >= 4 ? 3 : l >= 0.5 ? 2 : 1) * k;
    const cap = width / 2;
    g.strokeStyle = COLOUR.wall;
    g.lineWidth = width;
    g.beginPath();
    scene.wallIndex.query(qx0, qy0, qx1, qy1, (i) => {
      const x0 = X(s[4 * i]), y0 = Y(s[4 * i + 1]), x1 = X(s[4 * i + 2]), y1 = Y(s[4 * i + 3]);
      // Square ends, so that walls meeting at a corner close it.
      if (y0 === y1) {
        const y = snap(y0, width);
        g.moveTo(Math.min(x0, x1) - cap, y);
        g.lineTo(Math.max(x0, x1) + cap, y);
      } else {
        const x = snap(x0, width);
        g.moveTo(x, Math.min(y0, y1) - cap);
        g.lineTo(x, Math.max(y0, y1) + cap);
      }
    });
    g.stroke();
  }

  // The ids placed for this zoom level (the overview writes none).
  if (z !== null) paintLabels(g, scene, wx, wy, z, w, h);
}

// The rock's hatching: diagonal strokes every 8 pixels (for a ratio k of
// device to CSS pixels, every 8k), made once per ratio.
const rockPatterns = new Map();
function rockPattern(g, k) {
  let tile = rockPatterns.get(k);
  if (!tile) {
    const side = 8 * k;
    tile = newCanvas(side, side);
    const t = tile.getContext('2d');
    t.strokeStyle = COLOUR.rockGrain;
    t.lineWidth = k;
    t.beginPath();
    // One stroke from corner to corner and its two halves across the
    // edges, so that the pattern joins up.
    for (const d of [-side, 0, side]) {
      t.moveTo(d, side);
      t.lineTo(d + side, 0);
    }
    t.stroke();
    rockPatterns.set(k, tile);
  }
  return g.createPattern(tile, 'repeat');
}

// ------------------------------------------------------------------ the overview and the tiles

// The whole level in one picture, shown under tiles not painted yet. It is
// painted when the page is idle after a level is shown (and again after a
// layer is switched), never in the way of a frame.
export function scheduleOverview(scene) {
  if (scene.overview || scene.overviewPending) return;
  scene.overviewPending = true;
  setTimeout(() => {
    scene.overviewPending = false;
    if (state.scene === scene && !scene.overview) paintOverview(scene);
  }, 250);
}

function paintOverview(scene) {
  const [bx0, by0, bx1, by1] = scene.bounds;
  const W = Math.max(bx1 - bx0, 1), H = Math.max(by1 - by0, 1);
  const L = Math.min(OVERVIEW_SIDE / W, OVERVIEW_SIDE / H);
  const w = Math.max(1, Math.ceil(W * L)), h = Math.max(1, Math.ceil(H * L));
  const canvas = newCanvas(w, h);
  const g = canvas.getContext('2d');
  paintRegion(g, scene, bx0, by0, L, w, h, null);
  // Canvas drawing is deferred until the picture is used: reading a pixel
  // makes it happen now, in idle time, rather than in the next frame.
  g.getImageData(0, 0, 1, 1);
  scene.overview = { canvas, L };
  return scene.overview;
}

export function tileLevel(scale) {
  return Math.ceil(2 * Math.log2(scale) - 1e-9);
}

export function getTile(scene, z, tx, ty, paint) {
  const key = `${z}/${tx}/${ty}`;
  const tiles = scene.tiles;
  let tile = tiles.get(key);
  if (tile) {
    tiles.delete(key);   // most recently used last
    tiles.set(key, tile);
    return tile;
  }
  if (!paint) return null;
  const L = 2 ** (z / 2);
  tile = newCanvas(TILE, TILE);
  paintRegion(tile.getContext('2d'), scene, scene.bounds[0] + (tx * TILE) / L, scene.bounds[1] + (ty * TILE) / L,
    L, TILE, TILE, z);
  tiles.set(key, tile);
  if (tiles.size > MAX_TILES) tiles.delete(tiles.keys().next().value);
  return tile;
}

// Forgets every picture of the level shown, which is painted anew: after a
// layer is switched, or the screen's pixel ratio changed.
export function forgetPictures() {
  if (!state.scene) return;
  state.scene.tiles.clear();
  state.scene.labels.clear();
  state.scene.overview = null;
}

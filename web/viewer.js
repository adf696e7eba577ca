// The viewer page: opens a level file, a grid map or a Tiled map with the
// WebAssembly library, draws it on a canvas (pan by dragging, zoom with the
// wheel), and asks the library for routes (Find_Path, and the shortest route
// for a square agent), segment hits and ball touches; a click on a door
// opens or closes it, and the answers shown are asked again.
//
// Drawing: the static layers (solid space, walls, areas, portals, waypoints) are painted
// into tiles of TILE x TILE device pixels at a few fixed zoom levels (each
// sqrt(2) times the last) and kept; a frame only copies the visible tiles,
// scaled from the level at or just above the view's zoom, and paints the
// queries on top. A tile paints only the items that a grid index finds in it,
// and missing tiles are painted within a time budget per frame, with a
// picture of the whole level underneath until they are there. Level
// coordinates are turned into pixels in JavaScript (doubles), so huge
// coordinates draw as precisely as small ones. y grows downward. Doors open
// and close, so they are not in the tiles: a frame draws the visible ones
// over them, found through their own grid index.

import { loadBspLevels } from './bsp_levels_api.js';

const TILE = 256;               // tile side, device pixels
const MAX_TILES = 400;          // tiles kept (about 100 MB at most)
const OVERVIEW_SIDE = 2048;     // longest side of the whole-level picture, device pixels
const FRAME_BUDGET_MS = 12;     // tile painting per frame once the level is shown
const STROKE_MARGIN = 4;        // device pixels around a tile where strokes of its items may reach
const STAGE_COLOUR = '#e9ecef';
// Areas whose both sides, and portals, shorter than this many device pixels
// are left out: zoomed out on a large level they would only cover the walls.
const MIN_PIXELS = 3;
// How strongly the areas, portals, waypoints and ids inside solid space show
// over the rock while it is shown: faintly, so that the free space reads first.
const ROCK_ALPHA = 0.3;

const COLOUR = {
  world: '#fbfbf8',
  worldEdge: '#b0b0b0',
  area: '#9ecae1',
  areaId: '#3b7fb6',
  portal: '#f28e2b',
  portalId: '#b8500a',
  waypoint: '#8e44ad',
  wall: '#1c1c1c',
  route: '#1f63c6',
  shortest: '#00897b',   // the shortest route and the agent's squares, as bsplevel svg draws them
  bad: '#d62728',
  good: '#2ca02c',
  segment: '#6b6b6b',
  rock: '#c9c0b0',       // solid space
  rockGrain: '#b3a994',  // its hatching
  door: '#a0522d',       // a door: solid when closed, dashed when open
};

// Pixels within which a click picks a door (CSS pixels).
const DOOR_PICK = 7;

const $ = (id) => document.getElementById(id);
const ui = {
  canvas: $('canvas'),
  stage: $('stage'),
  dropHint: $('drop-hint'),
  cursor: $('cursor'),
  status: $('status'),
  error: $('error'),
  fileInput: $('file-input'),
  cellSize: $('cell-size'),
  fit: $('fit-button'),
  modeHint: $('mode-hint'),
  ballToggle: $('ball-toggle'),
  ballRadius: $('ball-radius'),
  doorsSection: $('doors-section'),
  doorsCount: $('doors-count'),
  doorLast: $('door-last'),
  routeStart: $('route-start'),
  routeGoal: $('route-goal'),
  routeResult: $('route-result'),
  routeLength: $('route-length'),
  routeTime: $('route-time'),
  routePoints: $('route-points'),
  shortestSection: $('shortest-section'),
  shortestToggle: $('shortest-toggle'),
  agentSize: $('agent-size'),
  agentSizeValue: $('agent-size-value'),
  shortestResult: $('shortest-result'),
  shortestLength: $('shortest-length'),
  shortestTime: $('shortest-time'),
  shortestPoints: $('shortest-points'),
  segmentFrom: $('segment-from'),
  segmentTo: $('segment-to'),
  segmentResult: $('segment-result'),
  ballCentre: $('ball-centre'),
  ballResult: $('ball-result'),
  info: $('info'),
  timing: $('timing'),
};
const ctx = ui.canvas.getContext('2d');

const state = {
  lib: null,
  level: null,
  scene: null,        // what is drawn of the level: bounds, item arrays, indexes
  layers: { walls: true, areas: true, portals: true, waypoints: true, solid: true, doors: true },
  view: { scale: 1, ox: 0, oy: 0 },   // device pixels per unit; the level point at the canvas' top-left
  mode: 'route',
  start: null,        // [x, y] once a start is chosen
  route: null,        // { start, goal, result, ms, runs }
  shortest: null,     // { start, goal, halfSize, result, ms, runs }: the shortest route for the agent
  segment: null,      // { a, b, result }
  ball: null,         // { centre, radius, touch, solid }
  lastDoor: null,     // { id, open }: the door last clicked
  lastLoad: null,     // timings of the last level opened
};

// ------------------------------------------------------------------ helpers

function dpr() {
  return window.devicePixelRatio || 1;
}

// Device pixels per CSS pixel that the pictures of the level are painted
// for: line widths, fonts and sizes below which things are left out are
// given in CSS pixels and multiplied by it. Pictures are painted anew when it
// changes (a window moved to another screen).
let paintRatio = Math.max(1, Math.round(dpr()));

function setStatus(text) {
  ui.status.textContent = text;
}

function showError(message) {
  ui.error.hidden = !message;
  ui.error.textContent = message || '';
}

function formatMs(ms) {
  if (ms >= 100) return `${ms.toFixed(0)} ms`;
  if (ms >= 1) return `${ms.toFixed(1)} ms`;
  return `${ms.toFixed(3)} ms`;
}

function formatPoint(p) {
  return p ? `(${p[0]}, ${p[1]})` : '—';
}

// The mean time of fn, run once, or repeatedly when one run is too quick for
// the clock (the browser's clock is coarse): { ms, runs, value }.
function timeQuery(fn) {
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

// ------------------------------------------------------------------ grid index

// Items (boxes xmin, ymin, xmax, ymax) filed in the cells of a grid over the
// level's bounds, so that a tile visits only the items near it.
class GridIndex {
  constructor(bounds, boxes) {
    const n = boxes.length / 4;
    const [x0, y0, x1, y1] = bounds;
    const side = Math.max(1, Math.min(256, Math.ceil(Math.sqrt(n / 4))));
    this.x0 = x0;
    this.y0 = y0;
    this.cols = side;
    this.rows = side;
    this.cw = Math.max(x1 - x0, 1) / side;
    this.ch = Math.max(y1 - y0, 1) / side;
    this.stamp = new Uint32Array(n);
    this.round = 0;
    const start = new Int32Array(side * side + 1);
    for (let i = 0; i < n; i++) {
      this.#cells(boxes, i, (c) => { start[c + 1]++; });
    }
    for (let c = 0; c < side * side; c++) start[c + 1] += start[c];
    const fill = start.slice(0, side * side);
    const items = new Int32Array(start[side * side]);
    for (let i = 0; i < n; i++) {
      this.#cells(boxes, i, (c) => { items[fill[c]++] = i; });
    }
    this.start = start;
    this.items = items;
  }

  #col(x) {
    return Math.min(this.cols - 1, Math.max(0, Math.floor((x - this.x0) / this.cw)));
  }

  #row(y) {
    return Math.min(this.rows - 1, Math.max(0, Math.floor((y - this.y0) / this.ch)));
  }

  #cells(boxes, i, visit) {
    const c0 = this.#col(boxes[4 * i]), c1 = this.#col(boxes[4 * i + 2]);
    const r0 = this.#row(boxes[4 * i + 1]), r1 = this.#row(boxes[4 * i + 3]);
    for (let r = r0; r <= r1; r++) for (let c = c0; c <= c1; c++) visit(r * this.cols + c);
  }

  // Calls visit(i) once for every item whose cells meet the box.
  query(qx0, qy0, qx1, qy1, visit) {
    this.round = (this.round + 1) >>> 0;
    if (this.round === 0) {
      this.stamp.fill(0);
      this.round = 1;
    }
    const round = this.round;
    const c0 = this.#col(qx0), c1 = this.#col(qx1), r0 = this.#row(qy0), r1 = this.#row(qy1);
    for (let r = r0; r <= r1; r++) {
      for (let c = c0; c <= c1; c++) {
        const cell = r * this.cols + c;
        for (let k = this.start[cell]; k < this.start[cell + 1]; k++) {
          const i = this.items[k];
          if (this.stamp[i] !== round) {
            this.stamp[i] = round;
            visit(i);
          }
        }
      }
    }
  }
}

// Boxes of segments given as x1, y1, x2, y2 (already boxes: ends in order).
function segmentBoxes(flat) {
  const boxes = new Int32Array(flat.length);
  for (let i = 0; i < flat.length; i += 4) {
    boxes[i] = Math.min(flat[i], flat[i + 2]);
    boxes[i + 1] = Math.min(flat[i + 1], flat[i + 3]);
    boxes[i + 2] = Math.max(flat[i], flat[i + 2]);
    boxes[i + 3] = Math.max(flat[i + 1], flat[i + 3]);
  }
  return boxes;
}

function pointBoxes(flat) {
  const boxes = new Int32Array(flat.length * 2);
  for (let i = 0, j = 0; i < flat.length; i += 2, j += 4) {
    boxes[j] = boxes[j + 2] = flat[i];
    boxes[j + 1] = boxes[j + 3] = flat[i + 1];
  }
  return boxes;
}

// The doors as drawn: x1, y1, x2, y2 each, and their states, 1 when open.
function doorArrays(level) {
  const list = level.doors();
  const segments = new Int32Array(4 * list.length);
  const open = new Uint8Array(list.length);
  list.forEach((d, i) => {
    segments.set([d.x1, d.y1, d.x2, d.y2], 4 * i);
    open[i] = d.open ? 1 : 0;
  });
  return { segments, open };
}

function makeScene(level) {
  const info = level.info();
  const bounds = info.bounds;
  const walls = level.walls();
  const areas = level.areas();
  const portals = level.portals();
  const waypoints = level.waypoints();
  // The solid areas' bounds, filed apart: a tile fills only those.
  const solidFlags = level.solidAreas();
  let nSolid = 0;
  for (const f of solidFlags) nSolid += f;
  const solid = new Int32Array(4 * nSolid);
  for (let i = 0, j = 0; i < solidFlags.length; i++) {
    if (solidFlags[i]) solid.set(areas.subarray(4 * i, 4 * i + 4), 4 * j++);
  }
  const doors = doorArrays(level);
  const solidIndex = new GridIndex(bounds, solid);
  // Whether a point lies in a solid area (borders included). A portal lies
  // in solid space when its middle does (its two areas are both solid or
  // both not: the build floods solid space through portals), a waypoint
  // when its position does.
  const inRock = (x, y) => {
    let found = false;
    if (nSolid > 0) {
      solidIndex.query(x, y, x, y, (i) => {
        found ||= solid[4 * i] <= x && x <= solid[4 * i + 2] && solid[4 * i + 1] <= y && y <= solid[4 * i + 3];
      });
    }
    return found;
  };
  const portalRock = new Uint8Array(portals.length / 4);
  const waypointRock = new Uint8Array(waypoints.length / 2);
  if (nSolid > 0) {
    for (let i = 0; i < portalRock.length; i++) {
      portalRock[i] = inRock((portals[4 * i] + portals[4 * i + 2]) / 2, (portals[4 * i + 1] + portals[4 * i + 3]) / 2);
    }
    for (let i = 0; i < waypointRock.length; i++) waypointRock[i] = inRock(waypoints[2 * i], waypoints[2 * i + 1]);
  }
  // Walls may stand on the border; the index covers whatever is drawn.
  return {
    info,
    bounds,
    walls,
    areas,
    portals,
    waypoints,
    solid,
    areaRock: solidFlags,
    portalRock,
    waypointRock,
    doors,
    wallIndex: new GridIndex(bounds, segmentBoxes(walls)),
    areaIndex: new GridIndex(bounds, areas),
    portalIndex: new GridIndex(bounds, segmentBoxes(portals)),
    waypointIndex: new GridIndex(bounds, pointBoxes(waypoints)),
    solidIndex,
    doorIndex: new GridIndex(bounds, segmentBoxes(doors.segments)),
    tiles: new Map(),
    labels: new Map(),
    overview: null,
  };
}

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
  const k = paintRatio;
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
  const k = paintRatio;
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
  const k = paintRatio;
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

function newCanvas(w, h) {
  if (typeof OffscreenCanvas === 'function') return new OffscreenCanvas(w, h);
  const c = document.createElement('canvas');
  c.width = w;
  c.height = h;
  return c;
}

// The whole level in one picture, shown under tiles not painted yet. It is
// painted when the page is idle after a level is shown (and again after a
// layer is switched), never in the way of a frame.
function scheduleOverview(scene) {
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

function tileLevel(scale) {
  return Math.ceil(2 * Math.log2(scale) - 1e-9);
}

function getTile(scene, z, tx, ty, paint) {
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

function forgetPictures() {
  if (!state.scene) return;
  state.scene.tiles.clear();
  state.scene.labels.clear();
  state.scene.overview = null;
}

// ------------------------------------------------------------------ frames

const frameStats = { painted: [], copied: [] };   // durations of frames that painted tiles / only copied them
let frameWanted = false;
let firstFrameBudget = 0;

function requestFrame() {
  if (frameWanted) return;
  frameWanted = true;
  requestAnimationFrame(frame);
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
  paintDoors();
  paintQueries();
  const elapsed = performance.now() - t0;
  const list = painted ? frameStats.painted : frameStats.copied;
  list.push(elapsed);
  if (list.length > 600) list.shift();
  if (missing > 0) requestFrame();
}

// ------------------------------------------------------------------ doors and the queries on top

// The visible doors: a closed one as a solid bar a little wider than a wall,
// an open one dashed and thin; with its number beside it where it is long
// enough on screen (the number bsplevel --open and batch's door lines take).
function paintDoors() {
  const scene = state.scene;
  if (!scene || !state.layers.doors || scene.doors.open.length === 0) return;
  const d = dpr();
  const { scale: S, ox, oy } = state.view;
  const w = ui.canvas.width, h = ui.canvas.height;
  const l = S / d;
  const wallWidth = (l >= 4 ? 3 : l >= 0.5 ? 2 : 1) * d;
  const margin = 20 * d / S;
  const seg = scene.doors.segments, open = scene.doors.open;
  const closed = [], opened = [], labels = [];
  scene.doorIndex.query(ox - margin, oy - margin, ox + w / S + margin, oy + h / S + margin, (i) => {
    (open[i] ? opened : closed).push(i);
    const length = (Math.abs(seg[4 * i + 2] - seg[4 * i]) + Math.abs(seg[4 * i + 3] - seg[4 * i + 1])) * S;
    if (length >= 16 * d) labels.push(i);
  });
  const path = (list) => {
    ctx.beginPath();
    for (const i of list) {
      ctx.moveTo(...toScreen(seg[4 * i], seg[4 * i + 1]));
      ctx.lineTo(...toScreen(seg[4 * i + 2], seg[4 * i + 3]));
    }
  };
  ctx.lineCap = 'butt';
  if (closed.length) {
    path(closed);
    ctx.strokeStyle = '#ffffff';
    ctx.lineWidth = wallWidth + 4 * d;
    ctx.stroke();
    ctx.strokeStyle = COLOUR.door;
    ctx.lineWidth = wallWidth + 2 * d;
    ctx.stroke();
  }
  if (opened.length) {
    path(opened);
    ctx.setLineDash([4 * d, 3 * d]);
    ctx.strokeStyle = COLOUR.door;
    ctx.lineWidth = 1.5 * d;
    ctx.stroke();
    ctx.setLineDash([]);
  }
  if (labels.length) {
    ctx.font = `bold ${11 * d}px system-ui, sans-serif`;
    ctx.lineJoin = 'round';
    for (const i of labels) {
      const [ax, ay] = toScreen(seg[4 * i], seg[4 * i + 1]);
      const [bx, by] = toScreen(seg[4 * i + 2], seg[4 * i + 3]);
      const horizontal = ay === by;
      const [mx, my] = [(ax + bx) / 2, (ay + by) / 2];
      const text = `D${i}`;
      ctx.textAlign = horizontal ? 'center' : 'left';
      ctx.textBaseline = horizontal ? 'top' : 'middle';
      const lx = horizontal ? mx : mx + wallWidth + 3 * d, ly = horizontal ? my + wallWidth + 2 * d : my;
      ctx.lineWidth = 3 * d;
      ctx.strokeStyle = '#ffffff';
      ctx.strokeText(text, lx, ly);
      ctx.fillStyle = COLOUR.door;
      ctx.fillText(text, lx, ly);
    }
  }
}

// The door whose segment passes within DOOR_PICK CSS pixels of canvas pixel
// (px, py), the nearest; -1 when none (or the doors are not shown).
function doorAtPixel(px, py) {
  const scene = state.scene;
  if (!scene || !state.layers.doors || scene.doors.open.length === 0) return -1;
  const { scale: S, ox, oy } = state.view;
  const reach = (DOOR_PICK * dpr()) / S;
  const x = ox + px / S, y = oy + py / S;
  const seg = scene.doors.segments;
  let best = -1, bestDistance = Infinity;
  scene.doorIndex.query(x - reach, y - reach, x + reach, y + reach, (i) => {
    const x0 = Math.min(seg[4 * i], seg[4 * i + 2]), x1 = Math.max(seg[4 * i], seg[4 * i + 2]);
    const y0 = Math.min(seg[4 * i + 1], seg[4 * i + 3]), y1 = Math.max(seg[4 * i + 1], seg[4 * i + 3]);
    const distance = Math.hypot(x - Math.min(Math.max(x, x0), x1), y - Math.min(Math.max(y, y0), y1));
    if (distance <= reach && distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  });
  return best;
}

function toScreen(x, y) {
  const { scale: S, ox, oy } = state.view;
  return [(x - ox) * S, (y - oy) * S];
}

function dot(x, y, r, fill, stroke, lineWidth) {
  const [sx, sy] = toScreen(x, y);
  ctx.beginPath();
  ctx.arc(sx, sy, r, 0, 2 * Math.PI);
  if (fill) {
    ctx.fillStyle = fill;
    ctx.fill();
  }
  if (stroke) {
    ctx.strokeStyle = stroke;
    ctx.lineWidth = lineWidth;
    ctx.stroke();
  }
}

function paintQueries() {
  const d = dpr();
  const { scale: S } = state.view;
  ctx.lineCap = 'round';
  ctx.lineJoin = 'round';

  const ball = state.ball;
  if (ball) {
    const colour = ball.touch ? COLOUR.bad : COLOUR.good;
    const [sx, sy] = toScreen(ball.centre[0], ball.centre[1]);
    ctx.beginPath();
    ctx.arc(sx, sy, Math.max(ball.radius * S, 0.5), 0, 2 * Math.PI);
    ctx.globalAlpha = 0.22;
    ctx.fillStyle = colour;
    ctx.fill();
    ctx.globalAlpha = 1;
    ctx.strokeStyle = colour;
    ctx.lineWidth = 1.5 * d;
    ctx.stroke();
    dot(ball.centre[0], ball.centre[1], 1.8 * d, colour);
  }

  const seg = state.segment;
  if (seg) {
    const [ax, ay] = toScreen(...seg.a);
    const [bx, by] = toScreen(...seg.b);
    ctx.setLineDash([5 * d, 4 * d]);
    ctx.strokeStyle = COLOUR.segment;
    ctx.lineWidth = 1.5 * d;
    ctx.beginPath();
    ctx.moveTo(ax, ay);
    ctx.lineTo(bx, by);
    ctx.stroke();
    ctx.setLineDash([]);
    const hit = seg.result && seg.result.hit;
    const [ex, ey] = hit ? toScreen(seg.result.x, seg.result.y) : [bx, by];
    ctx.strokeStyle = hit ? COLOUR.bad : COLOUR.good;
    ctx.lineWidth = 2.5 * d;
    ctx.beginPath();
    ctx.moveTo(ax, ay);
    ctx.lineTo(ex, ey);
    ctx.stroke();
    dot(seg.a[0], seg.a[1], 3 * d, '#ffffff', COLOUR.segment, 1.5 * d);
    if (hit) dot(seg.result.x, seg.result.y, 5 * d, COLOUR.bad, '#ffffff', 1.5 * d);
  }

  paintShortest();

  const route = state.route;
  if (route) {
    const { start, goal, result } = route;
    if (result.found) {
      ctx.strokeStyle = '#ffffff';
      ctx.lineWidth = 6 * d;
      ctx.beginPath();
      ctx.moveTo(...toScreen(...start));
      for (const p of result.path) ctx.lineTo(...toScreen(...p));
      ctx.stroke();
      ctx.strokeStyle = COLOUR.route;
      ctx.lineWidth = 3 * d;
      ctx.stroke();
      for (let i = 0; i + 1 < result.path.length; i++) dot(...result.path[i], 3 * d, COLOUR.route);
    } else {
      ctx.setLineDash([6 * d, 5 * d]);
      ctx.strokeStyle = COLOUR.bad;
      ctx.lineWidth = 2 * d;
      ctx.beginPath();
      ctx.moveTo(...toScreen(...start));
      ctx.lineTo(...toScreen(...goal));
      ctx.stroke();
      ctx.setLineDash([]);
    }
    dot(...goal, 5.5 * d, COLOUR.route, '#ffffff', 2 * d);
  }
  const start = route ? route.start : state.start;
  if (start) dot(...start, 5.5 * d, '#ffffff', COLOUR.route, 2.5 * d);
}

// The shortest route for the agent, as bsplevel svg --route --agent draws
// it: the agent's square outlined where the route starts, bends and ends
// (where there is no route, at both ends, in red at an end that is blocked),
// the route over them, its corners dotted.
function paintShortest() {
  const sh = state.shortest;
  if (!sh) return;
  const d = dpr();
  const { scale: S } = state.view;
  const { start, goal, halfSize: h, result } = sh;
  const squares = [];
  if (result.found) {
    squares.push([start, false]);
    for (const p of result.path) squares.push([p, false]);
  } else if (result.status !== 'outside') {
    squares.push([start, result.status === 'start_blocked'], [goal, result.status === 'goal_blocked']);
  }
  if (h > 0 && h * S >= 1.5) {
    for (const [p, blocked] of squares) {
      const [sx, sy] = toScreen(p[0] - h, p[1] - h);
      const colour = blocked ? COLOUR.bad : COLOUR.shortest;
      ctx.globalAlpha = 0.22;
      ctx.fillStyle = colour;
      ctx.fillRect(sx, sy, 2 * h * S, 2 * h * S);
      ctx.globalAlpha = 1;
      ctx.strokeStyle = colour;
      ctx.lineWidth = 2 * d;
      ctx.strokeRect(sx, sy, 2 * h * S, 2 * h * S);
    }
  }
  if (result.found) {
    ctx.strokeStyle = '#ffffff';
    ctx.lineWidth = 5.5 * d;
    ctx.beginPath();
    ctx.moveTo(...toScreen(...start));
    for (const p of result.path) ctx.lineTo(...toScreen(...p));
    ctx.stroke();
    ctx.strokeStyle = COLOUR.shortest;
    ctx.lineWidth = 2.5 * d;
    ctx.stroke();
    for (const p of result.path) dot(...p, 2.5 * d, COLOUR.shortest);
  } else {
    ctx.setLineDash([3 * d, 4 * d]);
    ctx.strokeStyle = COLOUR.bad;
    ctx.lineWidth = 1.5 * d;
    ctx.beginPath();
    ctx.moveTo(...toScreen(...start));
    ctx.lineTo(...toScreen(...goal));
    ctx.stroke();
    ctx.setLineDash([]);
  }
}

// ------------------------------------------------------------------ view

function resizeCanvas() {
  const d = dpr();
  const ratio = Math.max(1, Math.round(d));
  if (ratio !== paintRatio) {
    paintRatio = ratio;
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

function fitView() {
  if (!state.scene) return;
  showRect(...state.scene.bounds);
}

// Fits the view to the rectangle (x0, y0)-(x1, y1) of the level, centred.
function showRect(bx0, by0, bx1, by1) {
  const w = ui.canvas.width, h = ui.canvas.height;
  const pad = 16 * dpr();
  const W = Math.max(bx1 - bx0, 1), H = Math.max(by1 - by0, 1);
  const S = Math.min((w - 2 * pad) / W, (h - 2 * pad) / H);
  state.view.scale = S;
  state.view.ox = bx0 - (w / S - W) / 2;
  state.view.oy = by0 - (h / S - H) / 2;
  requestFrame();
}

function zoomAt(px, py, factor) {
  const v = state.view;
  const [lo, hi] = scaleLimits();
  const S = Math.min(hi, Math.max(lo, v.scale * factor));
  const wx = v.ox + px / v.scale, wy = v.oy + py / v.scale;
  v.scale = S;
  v.ox = wx - px / S;
  v.oy = wy - py / S;
  requestFrame();
}

// Canvas pixel (device) of a pointer event, and the grid point under it.
function eventPixel(e) {
  const rect = ui.canvas.getBoundingClientRect();
  const d = dpr();
  return [(e.clientX - rect.left) * d, (e.clientY - rect.top) * d];
}

function pixelToPoint(px, py) {
  const v = state.view;
  return [Math.round(v.ox + px / v.scale), Math.round(v.oy + py / v.scale)];
}

// ------------------------------------------------------------------ queries and the panel

function setReadout(el, text, cls) {
  el.textContent = text;
  el.className = cls || '';
}

function runRoute(start, goal) {
  const level = state.level;
  const { ms, runs, value } = timeQuery(() => level.findPath(start[0], start[1], goal[0], goal[1]));
  state.route = { start, goal, result: value, ms, runs };
  state.start = null;
  showRoute();
  runShortest();
}

// The agent's half-size on the slider, a whole number from 0 to its maximum.
function agentSize() {
  const h = Number(ui.agentSize.value);
  return Number.isInteger(h) && h >= 0 ? h : 0;
}

// The shortest route for the agent between the route's start and goal, when
// the module has it and it is switched on.
function runShortest() {
  const r = state.route;
  if (!r || !state.level || !shortestOn()) {
    state.shortest = null;
  } else {
    const halfSize = agentSize();
    const level = state.level;
    // The first query for a half-size builds what the library keeps for it:
    // timed on its own, the repeated runs then show a query's time.
    const first = performance.now();
    const value = level.findShortestPath(r.start[0], r.start[1], r.goal[0], r.goal[1], halfSize);
    const firstMs = performance.now() - first;
    const { ms, runs } = timeQuery(() => level.findShortestPath(r.start[0], r.start[1], r.goal[0], r.goal[1], halfSize));
    state.shortest = { start: r.start, goal: r.goal, halfSize, result: value, ms, runs, firstMs };
  }
  showShortest();
  requestFrame();
}

function shortestOn() {
  return Boolean(state.lib && state.lib.features.shortestPath && ui.shortestToggle.checked);
}

const STATUS_TEXT = {
  none: 'no route',
  start_blocked: 'no route: the start is blocked for the agent',
  goal_blocked: 'no route: the goal is blocked for the agent',
  outside: 'no route: a point lies outside the world',
};

function showShortest() {
  const sh = state.shortest;
  ui.shortestPoints.textContent = '';
  if (!sh) {
    for (const el of [ui.shortestResult, ui.shortestLength, ui.shortestTime]) setReadout(el, '—');
    ui.shortestResult.dataset.status = '';
    ui.shortestResult.dataset.points = '';
    ui.shortestLength.dataset.length = '';
    return;
  }
  const { result } = sh;
  const n = result.path.length;
  if (result.found) setReadout(ui.shortestResult, `found, ${n} corner${n === 1 ? '' : 's'} (half-size ${sh.halfSize})`, 'yes');
  else {
    const end = result.status === 'start_blocked' ? sh.start : result.status === 'goal_blocked' ? sh.goal : null;
    const text = end && state.level.isSolid(end[0], end[1])
      ? `no route: the ${result.status === 'start_blocked' ? 'start' : 'goal'} lies in solid space`
      : STATUS_TEXT[result.status] || result.status;
    setReadout(ui.shortestResult, `${text} (half-size ${sh.halfSize})`, 'no');
  }
  ui.shortestResult.dataset.status = result.status;
  ui.shortestResult.dataset.points = result.path.map((p) => p.join(' ')).join(',');
  ui.shortestLength.dataset.length = result.found ? String(result.length) : '';
  setReadout(ui.shortestLength, result.found ? result.length.toFixed(2) : '—');
  const mean = sh.runs > 1 ? `${formatMs(sh.ms)} (mean of ${sh.runs} runs)` : formatMs(sh.ms);
  setReadout(ui.shortestTime, sh.firstMs > 2 * sh.ms + 1 ? `${mean}; first query ${formatMs(sh.firstMs)}` : mean);
  const frag = document.createDocumentFragment();
  for (const p of result.path.slice(0, 2000)) {
    const li = document.createElement('li');
    li.textContent = `${p[0]} ${p[1]}`;
    frag.append(li);
  }
  ui.shortestPoints.append(frag);
}

// Why a route query found nothing, when an end tells: ": the start lies in
// solid space", ": the goal lies outside the world"; "" otherwise.
function whyNoRoute(start, goal) {
  const [bx0, by0, bx1, by1] = state.scene.bounds;
  for (const [p, which] of [[start, 'start'], [goal, 'goal']]) {
    if (p[0] < bx0 || p[0] > bx1 || p[1] < by0 || p[1] > by1) return `: the ${which} lies outside the world`;
    if (state.level.isSolid(p[0], p[1])) return `: the ${which} lies in solid space`;
  }
  return '';
}

function showRoute() {
  const r = state.route;
  ui.routePoints.textContent = '';
  if (!r) {
    setReadout(ui.routeStart, formatPoint(state.start));
    for (const el of [ui.routeGoal, ui.routeResult, ui.routeLength, ui.routeTime]) setReadout(el, '—');
    ui.routeResult.dataset.points = '';
    return;
  }
  setReadout(ui.routeStart, formatPoint(r.start));
  setReadout(ui.routeGoal, formatPoint(r.goal));
  const n = r.result.path.length;
  if (r.result.found) setReadout(ui.routeResult, `found, ${n} point${n === 1 ? '' : 's'}`, 'yes');
  else setReadout(ui.routeResult, `no route${whyNoRoute(r.start, r.goal)}`, 'no');
  setReadout(ui.routeLength, r.result.found ? r.result.length.toFixed(2) : '—');
  setReadout(ui.routeTime, r.runs > 1 ? `${formatMs(r.ms)} (mean of ${r.runs} runs)` : formatMs(r.ms));
  ui.routeResult.dataset.points = r.result.path.map((p) => p.join(' ')).join(',');
  const frag = document.createDocumentFragment();
  for (const p of r.result.path.slice(0, 2000)) {
    const li = document.createElement('li');
    li.textContent = `${p[0]} ${p[1]}`;
    frag.append(li);
  }
  ui.routePoints.append(frag);
}

function runSegment(a, b) {
  const result = state.level.intersectSegment(a[0], a[1], b[0], b[1]);
  state.segment = { a, b, result };
  setReadout(ui.segmentFrom, formatPoint(a));
  setReadout(ui.segmentTo, formatPoint(b));
  if (result.hit) setReadout(ui.segmentResult, `hit at (${result.x}, ${result.y})`, 'no');
  else setReadout(ui.segmentResult, 'no hit', 'yes');
  requestFrame();
}

function ballRadius() {
  const r = Number(ui.ballRadius.value);
  return Number.isInteger(r) && r >= 0 && r <= 100000000 ? r : null;
}

function runBall(centre) {
  const radius = ballRadius();
  if (!ui.ballToggle.checked || radius === null || !state.level || !centre) {
    state.ball = null;
    setReadout(ui.ballCentre, '—');
    setReadout(ui.ballResult, radius === null ? 'radius must be a whole number ≥ 0' : '—');
  } else {
    const touch = state.level.intersectBall(centre[0], centre[1], radius);
    const solid = touch && state.level.isSolid(centre[0], centre[1]);
    state.ball = { centre, radius, touch, solid };
    setReadout(ui.ballCentre, `${formatPoint(centre)}, r ${radius}`);
    setReadout(ui.ballResult, solid ? 'touches: its centre lies in solid space' : touch ? 'touches a wall' : 'clear',
      touch ? 'no' : 'yes');
  }
  requestFrame();
}

function showInfo() {
  ui.info.textContent = '';
  if (!state.scene) return;
  const info = state.scene.info;
  const rows = [
    ['level', info.level],
    ['loaded', info.loaded ? 'yes' : 'no'],
    ['built', info.built ? 'yes' : 'no'],
    ['bounds', info.bounds.join(' ')],
    ['walls', info.walls],
    ['wall nodes', info.wall_nodes],
    ['tree depth', info.tree_depth],
    ['areas', info.areas],
    ['portals', info.portals],
    ['waypoints', info.waypoints],
    ['solid areas', info.solid_areas],
    ['doors', info.doors ? `${info.doors} (${info.open_doors} open, ${info.door_pieces} pieces)` : 0],
  ];
  for (const [key, value] of rows) {
    const dt = document.createElement('dt');
    dt.textContent = key;
    const dd = document.createElement('dd');
    dd.textContent = typeof value === 'number' ? value.toLocaleString('en-US') : String(value);
    ui.info.append(dt, dd);
  }
}

// The doors' readout: how many, how many open (their numbers in
// data-open), and the door last clicked.
function showDoors() {
  const scene = state.scene;
  const open = [];
  if (scene) scene.doors.open.forEach((o, i) => { if (o) open.push(i); });
  const n = scene ? scene.doors.open.length : 0;
  setReadout(ui.doorsCount, scene ? (n ? `${n}, ${open.length} open` : 'none in this level') : '—');
  ui.doorsCount.dataset.open = open.join(',');
  const last = state.lastDoor;
  setReadout(ui.doorLast, last ? `D${last.id} ${last.open ? 'opened' : 'closed'}` : '—');
  ui.doorLast.dataset.door = last ? String(last.id) : '';
  ui.doorLast.dataset.open = last ? String(last.open) : '';
}

// Opens or closes door id, then asks the library again for every answer
// shown, which the door may change.
function toggleDoor(id) {
  const level = state.level, scene = state.scene;
  const open = !level.isDoorOpen(id);
  level.setDoor(id, open);
  scene.doors.open[id] = open ? 1 : 0;
  scene.info = level.info();
  state.lastDoor = { id, open };
  showDoors();
  showInfo();
  if (state.route) runRoute(state.route.start, state.route.goal);
  if (state.segment) runSegment(state.segment.a, state.segment.b);
  if (state.ball) runBall(state.ball.centre);
  requestFrame();
}

function clearQueries() {
  state.start = null;
  state.route = null;
  state.shortest = null;
  state.segment = null;
  state.ball = null;
  showRoute();
  showShortest();
  for (const el of [ui.segmentFrom, ui.segmentTo, ui.segmentResult, ui.ballCentre, ui.ballResult]) setReadout(el, '—');
}

// ------------------------------------------------------------------ opening levels

function isGridMap(text, name) {
  return /\.map$/i.test(name) || /^\s*type\s+\S+/.test(text);
}

// A Tiled map: a .tmx or .tmj file, or a text that starts as one (an XML
// <map>, or a JSON object, which no level file is).
function isTiledMap(text, name) {
  return /\.(tmx|tmj)$/i.test(name) || /^\s*(<\?xml[^>]*>\s*)?<map[\s>]/.test(text) || /^\s*\{/.test(text);
}

// Opens a level text or a grid map; resolves with the timings, rejects with
// the library's error (also shown on the page).
async function openText(text, name) {
  document.body.dataset.state = 'loading';
  setStatus(`Opening ${name}…`);
  showError('');
  // Let the status show before the work.
  await new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0)));
  const tiled = isTiledMap(text, name);
  const grid = !tiled && isGridMap(text, name);
  const cell = Number(ui.cellSize.value);
  const t0 = performance.now();
  let level;
  try {
    if (tiled) level = state.lib.Level.fromTiledMap(text, { name });
    else if (grid) level = state.lib.Level.fromGridMap(text, Number.isInteger(cell) ? cell : 10, name);
    else level = state.lib.Level.fromText(text, name);
  } catch (e) {
    document.body.dataset.state = 'error';
    setStatus(`${name} could not be opened`);
    showError(e.message);
    throw e;
  }
  const t1 = performance.now();
  if (state.level) state.level.delete();
  state.level = level;
  state.scene = makeScene(level);
  const t2 = performance.now();
  clearQueries();
  state.lastDoor = null;
  ui.dropHint.hidden = true;
  showInfo();
  showDoors();
  fitView();
  // The first picture is painted whole, at once.
  firstFrameBudget = 1e9;
  frameWanted = false;
  frame();
  const t3 = performance.now();
  const timings = { grid, tiled, buildMs: t1 - t0, sceneMs: t2 - t1, firstFrameMs: t3 - t2, totalMs: t3 - t0,
    library: level.timings };
  state.lastLoad = timings;
  const lib = timings.library;
  const parts = `${grid || tiled ? `import ${formatMs(lib.importMs)}, ` : ''}load ${formatMs(lib.loadMs)}, build ${formatMs(lib.buildMs)}`;
  ui.timing.textContent = `Made in ${formatMs(timings.buildMs)} (${parts}); drawn in ${formatMs(t3 - t1)}.`;
  setStatus(`${name}: ${state.scene.info.walls.toLocaleString('en-US')} walls`);
  if (level.messages.trim()) showError(`The library wrote:\n${level.messages.trim()}`);
  document.body.dataset.state = 'loaded';
  return timings;
}

async function openFile(file) {
  if (!file || !state.lib) return;
  const text = await file.text();
  try {
    await openText(text, file.name);
  } catch {
    // shown on the page
  }
}

// ------------------------------------------------------------------ input

let drag = null;   // { kind: 'pan' | 'segment' | 'click', x, y, ox, oy, a }

ui.canvas.addEventListener('pointerdown', (e) => {
  if (!state.scene || e.button !== 0) return;
  ui.canvas.setPointerCapture(e.pointerId);
  ui.canvas.focus();
  const [px, py] = eventPixel(e);
  const segment = e.shiftKey || state.mode === 'segment';
  drag = { kind: segment ? 'segment' : 'click', x: px, y: py, ox: state.view.ox, oy: state.view.oy,
    a: pixelToPoint(px, py) };
});

ui.canvas.addEventListener('pointermove', (e) => {
  if (!state.scene) return;
  const [px, py] = eventPixel(e);
  const point = pixelToPoint(px, py);
  const [bx0, by0, bx1, by1] = state.scene.bounds;
  const inside = point[0] >= bx0 && point[0] <= bx1 && point[1] >= by0 && point[1] <= by1;
  const rock = inside && state.layers.solid && state.level.isSolid(point[0], point[1]);
  ui.cursor.textContent = `${point[0]}, ${point[1]}${rock ? ' · solid' : ''}`;
  ui.canvas.classList.toggle('over-door', !drag && doorAtPixel(px, py) >= 0);
  if (drag && drag.kind === 'click' && Math.hypot(px - drag.x, py - drag.y) > 4 * dpr()) {
    drag.kind = 'pan';
    ui.canvas.classList.add('panning');
  }
  if (drag && drag.kind === 'pan') {
    state.view.ox = drag.ox - (px - drag.x) / state.view.scale;
    state.view.oy = drag.oy - (py - drag.y) / state.view.scale;
    requestFrame();
  } else if (drag && drag.kind === 'segment') {
    if (point[0] !== drag.a[0] || point[1] !== drag.a[1]) runSegment(drag.a, point);
  }
  runBall(point);
});

function endDrag(e) {
  if (!drag) return;
  const [px, py] = eventPixel(e);
  const point = pixelToPoint(px, py);
  const door = drag.kind === 'click' ? doorAtPixel(px, py) : -1;
  if (door >= 0) {
    toggleDoor(door);
  } else if (drag.kind === 'click') {
    if (state.start === null) {
      state.start = point;
      state.route = null;
      state.shortest = null;
      showRoute();
      showShortest();
      requestFrame();
    } else {
      runRoute(state.start, point);
    }
  } else if (drag.kind === 'segment' && (point[0] !== drag.a[0] || point[1] !== drag.a[1])) {
    runSegment(drag.a, point);
  }
  drag = null;
  ui.canvas.classList.remove('panning');
}

ui.canvas.addEventListener('pointerup', endDrag);
ui.canvas.addEventListener('pointercancel', () => {
  drag = null;
  ui.canvas.classList.remove('panning');
});

ui.canvas.addEventListener('pointerleave', () => {
  ui.cursor.textContent = '';
  if (!drag && state.ball) {
    state.ball = null;
    requestFrame();
  }
});

ui.canvas.addEventListener('wheel', (e) => {
  if (!state.scene) return;
  e.preventDefault();
  const [px, py] = eventPixel(e);
  const delta = e.deltaMode === 1 ? e.deltaY * 16 : e.deltaY;
  zoomAt(px, py, Math.exp(-delta * 0.0015));
}, { passive: false });

window.addEventListener('keydown', (e) => {
  if (e.target instanceof HTMLInputElement) return;
  if (e.key === 'f' || e.key === 'F') fitView();
  if (e.key === 'Escape') {
    clearQueries();
    requestFrame();
  }
});

ui.fit.addEventListener('click', fitView);

for (const radio of document.querySelectorAll('input[name="mode"]')) {
  radio.addEventListener('change', () => {
    state.mode = radio.value;
    ui.modeHint.textContent = state.mode === 'route'
      ? 'Click a start, then a goal. Drag to pan, wheel to zoom, shift-drag for a segment.'
      : 'Drag from a start to an end to see the first wall point hit. Wheel to zoom.';
  });
}

for (const box of document.querySelectorAll('input[data-layer]')) {
  box.addEventListener('change', () => {
    if (box.dataset.layer in state.layers) {
      state.layers[box.dataset.layer] = box.checked;
      // Doors are drawn in every frame, the other layers in the pictures kept.
      if (box.dataset.layer !== 'doors') forgetPictures();
      requestFrame();
    }
  });
}

ui.ballToggle.addEventListener('change', () => {
  if (state.ball) runBall(state.ball.centre);
  else if (!ui.ballToggle.checked) runBall(null);
});
ui.ballRadius.addEventListener('input', () => {
  if (state.ball || ballRadius() === null) runBall(state.ball ? state.ball.centre : null);
});

ui.shortestToggle.addEventListener('change', runShortest);
ui.agentSize.addEventListener('input', () => {
  ui.agentSizeValue.value = String(agentSize());
  runShortest();
});

ui.fileInput.addEventListener('change', () => {
  openFile(ui.fileInput.files[0]);
  ui.fileInput.value = '';
});

// A file dropped anywhere on the page.
window.addEventListener('dragover', (e) => {
  e.preventDefault();
  ui.stage.classList.add('dragging-file');
});
window.addEventListener('dragleave', (e) => {
  if (e.relatedTarget === null) ui.stage.classList.remove('dragging-file');
});
window.addEventListener('drop', (e) => {
  e.preventDefault();
  ui.stage.classList.remove('dragging-file');
  openFile(e.dataTransfer.files[0]);
});

new ResizeObserver(resizeCanvas).observe(ui.canvas);

// ------------------------------------------------------------------ start

// For scripts and tests: the library, the level shown and a few views of
// the page's state.
const ready = (async () => {
  try {
    state.lib = await loadBspLevels();
  } catch (e) {
    setStatus('The WebAssembly module could not be loaded');
    showError(`${e.message}\n(build it, and serve this folder over HTTP: see the README)`);
    document.body.dataset.state = 'error';
    throw e;
  }
  // What the module has decides what the page offers: the shortest route
  // (features.shortestPath), doors (features.doors), solid space
  // (features.solidSpace) and Tiled maps (features.tiledMaps).
  for (const [layer, has] of [['solid', state.lib.features.solidSpace], ['doors', state.lib.features.doors]]) {
    const box = document.querySelector(`input[data-layer="${layer}"]`);
    box.disabled = !has;
    box.checked = has;
    box.parentElement.classList.toggle('planned', !has);
    state.layers[layer] = has;
  }
  if (!state.lib.features.doors) ui.doorsSection.classList.add('planned');
  if (!state.lib.features.shortestPath) {
    ui.shortestSection.classList.add('planned');
    ui.shortestToggle.disabled = true;
    ui.agentSize.disabled = true;
  }
  if (!state.lib.features.tiledMaps) {
    ui.fileInput.accept = '.txt,.map,.level,text/plain';
    ui.fileInput.parentElement.firstChild.textContent = 'Open level or grid map…';
  }
  ui.agentSizeValue.value = String(agentSize());
  setStatus('Ready: open a level file or a grid map');
  document.body.dataset.state = 'ready';
  resizeCanvas();
  return state.lib;
})();

window.bspViewer = {
  ready,
  get lib() { return state.lib; },
  get level() { return state.level; },
  get lastLoad() { return state.lastLoad; },
  openText,
  // Shows the whole level, as F does.
  fitLevel() {
    fitView();
  },
  // Shows the rectangle (x0, y0)-(x1, y1) of the level, as large as fits.
  showRect(x0, y0, x1, y1) {
    showRect(x0, y0, x1, y1);
  },
  // Client (CSS) coordinates of the level point (x, y), as a mouse would click it.
  pointToClient(x, y) {
    const rect = ui.canvas.getBoundingClientRect();
    const d = dpr();
    const v = state.view;
    return { x: rect.left + ((x - v.ox) * v.scale) / d, y: rect.top + ((y - v.oy) * v.scale) / d };
  },
  frameStats() {
    const summary = (list) => {
      const sorted = [...list].sort((a, b) => a - b);
      const mean = list.reduce((s, v) => s + v, 0) / Math.max(list.length, 1);
      return { frames: list.length, meanMs: mean, maxMs: sorted.at(-1) ?? 0,
        p95Ms: sorted[Math.floor(0.95 * (sorted.length - 1))] ?? 0 };
    };
    return { painted: summary(frameStats.painted), copied: summary(frameStats.copied) };
  },
  resetFrameStats() {
    frameStats.painted.length = 0;
    frameStats.copied.length = 0;
  },
};

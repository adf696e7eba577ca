// What the page holds: the library, the level shown and what is drawn of
// it, the view, the layers switched on, the queries asked and their answers;
// the page's elements; and a small hub through which a module hears of a
// new level or a door opened or closed without the one that did it knowing
// who listens.

const $ = (id) => document.getElementById(id);

// The page's elements, by what they are for.
export const ui = {
  canvas: $('canvas'),
  stage: $('stage'),
  dropHint: $('drop-hint'),
  cursor: $('cursor'),
  status: $('status'),
  problem: $('problem'),
  problemText: $('problem-text'),
  problemMessagesBox: $('problem-messages-box'),
  problemMessages: $('problem-messages'),
  partialButton: $('partial-button'),
  fileInput: $('file-input'),
  fileButton: $('file-button'),
  folderInput: $('folder-input'),
  folderButton: $('folder-button'),
  mapSection: $('map-section'),
  mapKind: $('map-kind'),
  mapFileRow: $('map-file-row'),
  mapFile: $('map-file'),
  mapLayerRow: $('map-layer-row'),
  mapLayer: $('map-layer'),
  mapLevelRow: $('map-level-row'),
  mapLevel: $('map-level'),
  mapFiles: $('map-files'),
  mapMissing: $('map-missing'),
  addFilesInput: $('add-files-input'),
  mapNotes: $('map-notes'),
  mapListing: $('map-listing'),
  mapListingBox: $('map-listing-box'),
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
  levelMessagesBox: $('level-messages-box'),
  levelMessages: $('level-messages'),
};

export const state = {
  lib: null,
  level: null,
  scene: null,        // what is drawn of the level: bounds, item arrays, indexes, pictures kept (scene.js)
  layers: { walls: true, areas: true, portals: true, waypoints: true, solid: true, doors: true },
  view: { scale: 1, ox: 0, oy: 0 },   // device pixels per unit; the level point at the canvas' top-left
  // Device pixels per CSS pixel that the pictures of the level are painted
  // for: line widths, fonts and sizes below which things are left out are
  // given in CSS pixels and multiplied by it. Pictures are painted anew when
  // it changes (a window moved to another screen).
  paintRatio: Math.max(1, Math.round(window.devicePixelRatio || 1)),
  mode: 'route',
  start: null,        // [x, y] once a start is chosen
  route: null,        // { start, goal, result, ms, runs }
  shortest: null,     // { start, goal, halfSize, result, ms, runs, firstMs }: the shortest route for the agent
  segment: null,      // { a, b, result }
  ball: null,         // { centre, radius, touch, solid }
  lastDoor: null,     // { id, open }: the door last clicked
  lastLoad: null,     // timings of the last level opened
  // The files a map was opened with: { files: Map(path -> bytes), mains:
  // [paths of the maps and levels among them], main (the one shown), format
  // ('tiled', 'ldtk', 'grid', 'level'), layer, level (the choices of the
  // map panel), listing, missing (files the map names that were not given) }.
  source: null,
};

// Events: 'level' (a level is shown: listeners get the level), 'doors' (a
// door was opened or closed: its id and whether it is open now).
const listeners = new Map();

export function listen(event, fn) {
  if (!listeners.has(event)) listeners.set(event, []);
  listeners.get(event).push(fn);
}

export function notify(event, ...args) {
  for (const fn of listeners.get(event) || []) fn(...args);
}

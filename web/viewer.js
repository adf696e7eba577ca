// The viewer page: opens a level file, a grid map, a Tiled map or an LDtk
// project (a map with the files it names) with the WebAssembly library, draws it on a canvas (pan by dragging, zoom with the
// wheel), and asks the library for routes (Find_Path, and the shortest route
// for a square agent), segment hits and ball touches; a click on a door
// opens or closes it, and the answers shown are asked again. It opens with
// the sample level, or the one that ?level=PATH names.
//
// The modules of viewer/, by their jobs:
//   state.js       what the page holds, its elements, and the events 'level' and 'doors'
//   open.js        the library's glue for levels: the module, opening texts, paths and the sample
//   map_files.js   maps with the files they name (several files, folders); the map panel's choices
//   queries.js     the library's glue for questions: routes, segments, balls, doors
//   scene.js, grid_index.js   what is drawn of a level, filed in grid indexes
//   tiles.js       drawing the static layers into tiles and an overview, kept
//   overlays.js    drawing doors and queries over them in every frame
//   frame.js       frames: tiles copied, overlays painted (addOverlay adds one)
//   camera.js, view.js        level points and canvas pixels; fitting, zooming, panning
//   panels.js      the readouts: status, problems, map, route, segment, ball, doors, info
//   controls.js    mouse (by mode: addMode adds one), wheel, keys, panel fields, files
//   edits.js       the edit mode: boxes placed by a drag and removed by a click
//   crowd.js       crowd mode: a goal clicked, 500 agents' routes from one route field
//   palette.js, util.js       colours; formatting, timing, canvases

import { pointToClient } from './viewer/camera.js';
import { offerFeatures } from './viewer/controls.js';
import './viewer/edits.js';
import { currentCrowd, runCrowd } from './viewer/crowd.js';
import { getFrameStats, resetFrameStats } from './viewer/frame.js';
import { openFiles, openSource } from './viewer/map_files.js';
import { loadLibrary, openPath, openText, startLevel } from './viewer/open.js';
import { setStatus } from './viewer/panels.js';
import { state } from './viewer/state.js';
import { fitView, resizeCanvas, showRect } from './viewer/view.js';

// The module loaded and the page ready for a level.
const ready = (async () => {
  const lib = await loadLibrary();
  offerFeatures(lib.features);
  setStatus('Ready: open a level file or a map');
  document.body.dataset.state = 'ready';
  resizeCanvas();
  return lib;
})();

// The first level shown: the one ?level= names, else the sample. Resolves
// when it is shown or refused (the page says why).
const started = ready.then(() => openPath(startLevel())).then(() => true, () => false);

// For scripts and tests: the library, the level shown and a few views of
// the page's state.
window.bspViewer = {
  ready,
  started,
  get lib() { return state.lib; },
  get level() { return state.level; },
  get lastLoad() { return state.lastLoad; },
  openText,
  openPath,
  // Opens files as if chosen together or dropped: [{ file (a File or a
  // Blob), path (as in a folder: "keep/keep.tmx", or a bare name) }].
  openFiles,
  // The map shown with its files, its choices and notes (see state.js).
  get source() { return state.source; },
  // Opens the map shown again after its choices changed.
  openSource,
  // Shows the whole level, as F does.
  fitLevel() {
    fitView();
  },
  // Shows the rectangle (x0, y0)-(x1, y1) of the level, as large as fits.
  showRect(x0, y0, x1, y1) {
    showRect(x0, y0, x1, y1);
  },
  // Client (CSS) coordinates of the level point (x, y), as a mouse would click it.
  pointToClient,
  // Crowd mode: sends the agents to (x, y) as a click would, and the crowd
  // shown ({ asked, result: Level.crowd's answer, seed }, or null).
  runCrowd(x, y) {
    return runCrowd([x, y]);
  },
  get crowd() { return currentCrowd(); },
  frameStats: getFrameStats,
  resetFrameStats,
};

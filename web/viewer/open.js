// The library's glue for levels: loading the WebAssembly module, and
// opening a level file, a grid map, a Tiled map or an LDtk project (told
// apart by its content, as bsplevel tells them) from a file chosen or
// dropped (map_files.js gathers a map's files), from the page's URL
// (?level=PATH, a map with the files it names) or the sample level shown
// when the page opens. A level text is read strictly, as bsplevel reads it:
// a file that does not load whole is refused with the tool's one line
// (FILE:LINE: reason), the library's own messages behind a toggle, and a
// button that shows what was read all the same, as bsplevel --partial
// answers from it.

import { loadBspLevels } from '../bsp_levels_api.js';
import { paintFrameNow } from './frame.js';
import { openFetchedMap } from './map_files.js';
import { setStatus, showDoors, showInfo, showLevelMessages, showMapPanel, showProblem } from './panels.js';
import { makeScene } from './scene.js';
import { notify, state, ui } from './state.js';
import { formatMs } from './util.js';
import { fitView } from './view.js';

// The level the page opens with, beside it in the served folder.
export const SAMPLE_LEVEL = 'samples/dungeon.txt';

export async function loadLibrary() {
  try {
    state.lib = await loadBspLevels();
  } catch (e) {
    setStatus('The WebAssembly module could not be loaded');
    showProblem({ lines: [e.message, '(build it, and serve this folder over HTTP: see the README)'] });
    document.body.dataset.state = 'error';
    throw e;
  }
  return state.lib;
}

// The cell size for grid maps in the bar.
function cellSize() {
  const cell = Number(ui.cellSize.value);
  return Number.isInteger(cell) ? cell : 10;
}

// Opens a level text, a grid map, a Tiled map or an LDtk project (a string,
// or the file's bytes as a Uint8Array, which the library then reads exactly
// as bsplevel reads the file), named name in messages. options go to
// Level.open: with partial, a level text that does not load whole is shown
// as far as it loaded, its problems listed; the grid maps' cell is the bar's
// unless given; a map's files, layer and level. options.source is the map
// panel's source when it opens the text (map_files.js); without it the
// panel is cleared. Resolves with the timings; rejects with the library's
// error, which the page shows.
export async function openText(text, name, options = {}) {
  const { source = null, ...open } = options;
  if (state.source !== source) {
    state.source = source;
    showMapPanel();
  }
  document.body.dataset.state = 'loading';
  setStatus(`Opening ${name}…`);
  showProblem(null);
  // Let the status show before the work.
  await new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0)));
  const t0 = performance.now();
  let level;
  try {
    level = state.lib.Level.open(text, name, { cell: cellSize(), ...open });
  } catch (e) {
    document.body.dataset.state = 'error';
    setStatus(`${name} could not be opened`);
    // A level text that stopped loading, or whose build was refused, can be
    // shown as far as it went; a refused map holds nothing to show.
    const partly = e instanceof state.lib.LevelError && e.stage !== 'map';
    showProblem({
      lines: [e.message],
      messages: e.libraryMessage,
      partial: partly ? () => openText(text, name, { ...options, partial: true }).catch(() => {}) : null,
    });
    throw e;
  }
  const t1 = performance.now();
  if (state.level) state.level.delete();
  state.level = level;
  state.scene = makeScene(level);
  const t2 = performance.now();
  notify('level', level);
  ui.dropHint.hidden = true;
  showInfo();
  showDoors();
  showLevelMessages(level.messages);
  if (level.problems.length > 0) {
    showProblem({ lines: ['Shown as far as it loaded (as bsplevel --partial):', ...level.problems], shown: true,
      messages: level.messages });
  }
  fitView();
  paintFrameNow();
  const t3 = performance.now();
  const grid = level.format === 'grid', tiled = level.format === 'tiled', ldtk = level.format === 'ldtk';
  const timings = { grid, tiled, ldtk, buildMs: t1 - t0, sceneMs: t2 - t1, firstFrameMs: t3 - t2, totalMs: t3 - t0,
    library: level.timings };
  state.lastLoad = timings;
  const lib = timings.library;
  const parts = `${level.format !== 'level' ? `import ${formatMs(lib.importMs)}, ` : ''}load ${formatMs(lib.loadMs)}, build ${formatMs(lib.buildMs)}`;
  ui.timing.textContent = `Made in ${formatMs(timings.buildMs)} (${parts}); drawn in ${formatMs(t3 - t1)}.`;
  const n = state.scene.info.walls;
  const walls = `${n.toLocaleString('en-US')} wall${n === 1 ? '' : 's'}`;
  setStatus(`${name}: ${walls}${level.problems.length > 0 ? ', as far as it loaded' : ''}`);
  document.body.dataset.state = 'loaded';
  return timings;
}

// What ?level= may name: a path relative to the page's folder, made of
// names of letters, digits, '.', '_' and '-' joined by '/', none starting
// with '.' (so no '..', no hidden file), at most 256 characters.
const LEVEL_PATH = /^[A-Za-z0-9_-][A-Za-z0-9._-]*(\/[A-Za-z0-9_-][A-Za-z0-9._-]*)*$/;

// Why the page cannot fetch path for ?level=, or '' when it can.
export function levelPathProblem(path) {
  if (path === '') return 'give a path, such as ?level=maps/den012d.map';
  if (path.length > 256 || !LEVEL_PATH.test(path)) {
    return 'only a path inside the viewer\'s folder is opened, such as maps/den012d.map or samples/dungeon.txt: ' +
      'names of letters, digits, \'.\', \'_\' and \'-\' joined by \'/\', none starting with \'.\' (no URL, no ' +
      'absolute path, no \'..\')';
  }
  return '';
}

// Fetches the level at path (relative to the page's folder, checked as
// levelPathProblem says) and opens it under that name; a map with the files
// it names, fetched beside it. Rejects, the page showing why, when the path
// is refused, the server does not give the file, or the library refuses it.
export async function openPath(path) {
  const refusal = levelPathProblem(path);
  const fail = (why) => {
    document.body.dataset.state = 'error';
    setStatus(`${path || '?level='} could not be opened`);
    showProblem({ lines: [`${path || '?level='}: ${why}`] });
    return new Error(`${path}: ${why}`);
  };
  if (refusal) throw fail(refusal);
  document.body.dataset.state = 'loading';
  setStatus(`Fetching ${path}…`);
  let response, bytes;
  try {
    response = await fetch(new URL(path, document.baseURI), { cache: 'no-cache' });
  } catch (e) {
    throw fail(`cannot fetch it (${e.message})`);
  }
  if (!response.ok) throw fail(`the server answered ${response.status} ${response.statusText}`.trim());
  try {
    bytes = new Uint8Array(await response.arrayBuffer());
  } catch (e) {
    throw fail(`cannot read it (${e.message})`);
  }
  const format = state.lib.formatOf(bytes);
  if (format === 'tiled' || format === 'ldtk') return openFetchedMap(path, bytes);
  return openText(bytes, path);
}

// The level the page opens with: the one ?level= names, else the sample.
export function startLevel() {
  const params = new URLSearchParams(window.location.search);
  return params.has('level') ? params.get('level') : SAMPLE_LEVEL;
}

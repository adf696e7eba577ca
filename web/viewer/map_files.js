// Maps opened with the files they name. A Tiled map names its external
// tilesets and templates, an LDtk project the files its levels are saved in;
// a page cannot read files beside the one chosen, so the user gives them:
// several files chosen at once, a folder chosen or dropped, or files added
// after a map said which ones it lacks. The files are kept by their paths
// (a folder's own, or bare names), and the importer asks for each file by
// the path the map writes (see filesReader in bsp_levels_api.js: the path
// relative to the map's, then the base name). The map panel lets the user
// choose the collision layer of a Tiled map, the level of an LDtk project,
// or the map among several, and shows the importer's notes.

import { levelPathProblem, openText } from './open.js';
import { setStatus, showMapPanel, showProblem } from './panels.js';
import { state, ui } from './state.js';

// The files that may matter to a map or a level, by their names; a folder's
// other files (images, sounds) are left unread.
const WANTED = /\.(tmx|tmj|json|tsx|tsj|tx|tj|ldtk|ldtkl|txt|map|level)$/i;
// Files that a map names and that are never opened alone.
const COMPANION = /\.(tsx|tsj|tx|tj|ldtkl)$/i;
// What the page reads of a folder at most.
const MAX_BYTES = 256 * 1024 * 1024;

// The path of a file chosen with the folder button or dropped with its
// folder ("keep/maps/keep.tmx"), or its name.
function pathOf(file) {
  return file.webkitRelativePath || file.name;
}

/** The files of a file input, as { file, path } entries. */
export function inputEntries(fileList) {
  return [...fileList].map((file) => ({ file, path: pathOf(file) }));
}

// Every file under a dropped entry (a file, or a folder walked down).
async function walk(entry, out) {
  if (entry.isFile) {
    const file = await new Promise((resolve, reject) => entry.file(resolve, reject));
    out.push({ file, path: entry.fullPath.replace(/^\/+/, '') });
  } else if (entry.isDirectory) {
    const reader = entry.createReader();
    for (;;) {
      const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
      if (batch.length === 0) break;
      for (const child of batch) await walk(child, out);
    }
  }
}

/**
 * The files dropped on the page, folders walked down, as { file, path }
 * entries. The drop's items must be taken while the event lasts: call it
 * from the handler, then await it.
 */
export function droppedEntries(dataTransfer) {
  const roots = [...(dataTransfer.items || [])]
    .filter((item) => item.kind === 'file')
    .map((item) => (typeof item.webkitGetAsEntry === 'function' ? item.webkitGetAsEntry() : null));
  if (roots.length === 0 || roots.some((r) => r === null)) {
    return Promise.resolve(inputEntries(dataTransfer.files));
  }
  return (async () => {
    const out = [];
    for (const root of roots) await walk(root, out);
    return out;
  })();
}

// The bytes of the entries that may matter, by normalized path; every
// entry when there is only one (any file may be a level).
async function readEntries(entries) {
  const files = new Map();
  let bytes = 0;
  for (const { file, path } of entries) {
    if (entries.length > 1 && !WANTED.test(path)) continue;
    bytes += file.size;
    if (bytes > MAX_BYTES) {
      throw new Error(`the files given hold more than ${MAX_BYTES / 1024 / 1024} MB of maps and levels; ` +
        'choose the map and the files it names');
    }
    files.set(state.lib.normalizePath(path), new Uint8Array(await file.arrayBuffer()));
  }
  return files;
}

// What a file holds, for choosing the one to open: 'tiled' and 'ldtk' for
// maps (a Tiled tileset or template in JSON is no map), 'grid', 'level'.
function formatOfFile(path, bytes) {
  if (COMPANION.test(path)) return 'companion';
  const format = state.lib.formatOf(bytes);
  if (format === 'tiled' && /\.json$/i.test(path)) {
    const head = new TextDecoder().decode(bytes.subarray(0, 4096));
    if (/"type"\s*:\s*"(tileset|template)"/.test(head)) return 'companion';
  }
  return format;
}

// The files to offer for opening: the maps (Tiled maps, LDtk projects),
// else the grid maps, else the levels; in path order.
function mainFiles(files) {
  const byFormat = { tiled: [], ldtk: [], grid: [], level: [] };
  for (const [path, bytes] of files) {
    const format = formatOfFile(path, bytes);
    if (format in byFormat) byFormat[format].push(path);
  }
  const maps = [...byFormat.tiled, ...byFormat.ldtk];
  const chosen = maps.length > 0 ? maps : byFormat.grid.length > 0 ? byFormat.grid : byFormat.level;
  return chosen.sort();
}

function fail(lines) {
  document.body.dataset.state = 'error';
  setStatus('Nothing could be opened');
  showProblem({ lines });
}

/**
 * Opens what the entries hold: a level or a map with the files it names.
 * With add, the files join those of the map shown (or last refused), which
 * is opened again with them. Resolves when the page shows the level or
 * why it could not.
 */
export async function openFiles(entries, { add = false } = {}) {
  if (!state.lib || entries.length === 0) return;
  let files;
  try {
    files = await readEntries(entries);
  } catch (e) {
    fail([e.message]);
    return;
  }
  if (add && state.source) {
    for (const [path, bytes] of files) state.source.files.set(path, bytes);
    await openSource().catch(() => {});
    return;
  }
  if (entries.length === 1) {
    const [[path]] = files;
    if (COMPANION.test(path)) {
      fail([`${path}: a file that a map names (a tileset, a template or an LDtk level file): choose it together ` +
        'with its map, or add it to the map shown with “Add files…”']);
      return;
    }
    state.source = newSource(files, [path]);
    await openSource().catch(() => {});
    return;
  }
  const mains = mainFiles(files);
  if (mains.length === 0) {
    fail([`none of the ${files.size} files given is a level or a map (${[...files.keys()].slice(0, 5).join(', ')}` +
      `${files.size > 5 ? ', …' : ''})`]);
    return;
  }
  state.source = newSource(files, mains);
  await openSource().catch(() => {});
}

function newSource(files, mains) {
  return { files, mains, main: mains[0], format: null, layer: '', level: '', listing: null, notes: [], missing: [] };
}

/**
 * Opens the map (or level) state.source names with its files and the
 * choices of the map panel; the panel shows the listing, the notes and the
 * files the map names that were not given. Resolves with the timings, or
 * rejects with the library's error, which the page shows.
 */
export async function openSource() {
  const src = state.source;
  const lib = state.lib;
  const bytes = src.files.get(src.main);
  src.format = lib.formatOf(bytes);
  src.listing = null;
  src.notes = [];
  src.missing = [];
  const options = { name: src.main, files: src.files, layer: src.layer, level: src.level };
  try {
    if (src.format === 'tiled') src.listing = lib.listTiledMap(bytes, options);
    else if (src.format === 'ldtk') src.listing = lib.listLdtkProject(bytes, options);
  } catch (e) {
    // The import says the same, and the page shows it.
    src.missing = e.missingFiles || [];
  }
  showMapPanel();
  try {
    const timings = await openText(bytes, src.main, { files: src.files, layer: src.layer, level: src.level, source: src });
    src.notes = state.level.notes;
    src.missing = state.level.missingFiles;
    return timings;
  } catch (e) {
    src.missing = e.missingFiles || src.missing;
    throw e;
  } finally {
    showMapPanel();
  }
}

/**
 * For ?level=PATH naming a map: fetches the files the map names, relative
 * to it, within the viewer's folder, until it lacks none (or one cannot be
 * fetched, which the import then reports), and opens it as openSource does.
 */
export async function openFetchedMap(path, bytes) {
  const lib = state.lib;
  const files = new Map([[lib.normalizePath(path), bytes]]);
  const folder = lib.normalizePath(path).split('/').slice(0, -1).join('/');
  const tried = new Set();
  for (let round = 0; round < 8; round++) {
    let missing = [];
    try {
      const level = lib.Level.open(bytes, path, { files });
      missing = level.missingFiles;
      level.delete();
    } catch (e) {
      missing = e.missingFiles || [];
    }
    const wanted = missing.map((m) => lib.normalizePath(`${folder}/${m}`)).filter((p) => !tried.has(p));
    if (wanted.length === 0) break;
    for (const p of wanted) {
      tried.add(p);
      if (levelPathProblem(p)) continue;
      try {
        const response = await fetch(new URL(p, document.baseURI), { cache: 'no-cache' });
        if (response.ok) files.set(p, new Uint8Array(await response.arrayBuffer()));
      } catch {
        // reported as missing by the import
      }
    }
  }
  // A path ?level= takes is already normalized: the map is named by it.
  state.source = newSource(files, [path]);
  return openSource();
}

// ------------------------------------------------------------------ the map panel's choices

ui.mapFile.addEventListener('change', () => {
  if (!state.source) return;
  state.source.main = ui.mapFile.value;
  state.source.layer = '';
  state.source.level = '';
  openSource().catch(() => {});
});

ui.mapLayer.addEventListener('change', () => {
  if (!state.source) return;
  state.source.layer = ui.mapLayer.value;
  openSource().catch(() => {});
});

ui.mapLevel.addEventListener('change', () => {
  if (!state.source) return;
  state.source.level = ui.mapLevel.value;
  openSource().catch(() => {});
});

ui.addFilesInput.addEventListener('change', () => {
  const entries = inputEntries(ui.addFilesInput.files);
  ui.addFilesInput.value = '';
  openFiles(entries, { add: true });
});

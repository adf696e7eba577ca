// The library in JavaScript: levels loaded and built by the WebAssembly
// module (dist/bsp_levels.js + dist/bsp_levels.wasm), asked for routes,
// segment hits, ball touches and solid space, their doors opened and closed,
// and listed for drawing.
//
//   import { loadBspLevels } from './bsp_levels_api.js';
//   const lib = await loadBspLevels();
//   const level = lib.Level.fromText(text, 'my_level.txt');   // or Level.open: a level or a map
//   const map = lib.Level.fromTiledMap(tmx, { name: 'keep.tmx', files: { 'dungeon.tsx': tsx } });
//   const { found, path } = level.findPath(55, 82, 63, 83);
//   const { status, length } = level.findShortestPath(55, 82, 63, 83, 2);
//   level.setDoor(0, true);
//   const crowd = level.crowd(300, 200, { agents: 500, halfSize: 2, seed: 1 });   // 500 routes to one goal
//   level.delete();
//
// Coordinates are whole numbers (JavaScript integers within 32 bits); y grows
// downward, as in a grid map's rows. A level lives in the module's memory
// until delete() (or the end of a `using` block) releases it; every call on a
// deleted level throws.

import createBspLevelsModule from './dist/bsp_levels.js';

const INT_MIN = -2147483648;
const INT_MAX = 2147483647;

// A problem as bsplevel writes it: "FILE:LINE: REASON", or "FILE: REASON"
// when no line can be named.
function problemText(name, { line, reason }) {
  return line > 0 ? `${name}:${line}: ${reason}` : `${name}: ${reason}`;
}

// A level that could not be made. Its message is the one line bsplevel
// writes for the same file: "level.txt:3: wall [10,10]->[20,20] is neither
// horizontal nor vertical", "level.txt:5: wall outside the world
// [0,0]-[100,100]", "den.map: the header says height 3 but the file holds 2
// rows". `stage` says where it stopped: 'map' (the grid or Tiled map was
// refused), 'load' (the level text did not load completely: a malformed
// item, an unknown tag, a wall or door that is neither horizontal nor
// vertical or has zero length, an empty text or one without any tag) or
// 'build' (the library refused to build the world: a wall or a door outside
// it, a solid point outside it or on a wall, solid points that reach every
// area); `line` is the line where the reading stopped or of the item the
// build refused (0 when none applies), `reason` a few words; `problems`
// every line, the load's then the build's, as bsplevel --partial writes
// them; `libraryMessage` what the library itself wrote while it tried (its
// loader's and build's messages), which is no part of the message;
// `missingFiles` the files a map names (tilesets, templates, level files,
// as the map writes their paths) that were not among the files given.
export class LevelError extends Error {
  constructor(name, problems, messages = '', missingFiles = []) {
    super(problemText(name, problems[0]));
    this.name = 'LevelError';
    this.stage = problems[0].stage;
    this.line = problems[0].line;
    this.reason = problems[0].reason;
    this.problems = problems.map((p) => problemText(name, p));
    this.libraryMessage = messages.trim();
    this.missingFiles = [...missingFiles];
  }
}

function checkInteger(what, value) {
  if (!Number.isInteger(value) || value < INT_MIN || value > INT_MAX) {
    throw new TypeError(`${what} must be a whole number within 32 bits, got ${String(value)}`);
  }
  return value;
}

// A text handed to the module: a string, or the file's bytes as they are
// (a Uint8Array or an ArrayBuffer), which the library then reads exactly as
// bsplevel reads the file.
function checkText(what, text) {
  if (typeof text === 'string' || text instanceof Uint8Array) return text;
  if (text instanceof ArrayBuffer) return new Uint8Array(text);
  throw new TypeError(`${what} must be a string, a Uint8Array or an ArrayBuffer`);
}

function checkBoolean(what, value) {
  if (typeof value !== 'boolean') throw new TypeError(`${what} must be true or false, got ${String(value)}`);
  return value;
}

function checkNonNegative(what, value) {
  checkInteger(what, value);
  if (value < 0) throw new RangeError(`${what} must not be negative, got ${value}`);
  return value;
}

// ------------------------------------------------------------------ files beside a map

// A path with '/' between its names, '.' and '..' resolved as far as they
// go ("maps/../tilesets/./a.tsx" is "tilesets/a.tsx"), no leading '/'.
export function normalizePath(path) {
  const out = [];
  for (const part of String(path).replaceAll('\\', '/').split('/')) {
    if (part === '' || part === '.') continue;
    if (part === '..' && out.length > 0 && out[out.length - 1] !== '..') out.pop();
    else out.push(part);
  }
  return out.join('/');
}

function folderOf(path) {
  const p = normalizePath(path);
  const at = p.lastIndexOf('/');
  return at < 0 ? '' : p.slice(0, at);
}

function baseName(path) {
  const p = normalizePath(path);
  return p.slice(p.lastIndexOf('/') + 1);
}

// How many names two paths share at their ends.
function sharedTail(a, b) {
  const x = a.split('/'), y = b.split('/');
  let n = 0;
  while (n < x.length && n < y.length && x[x.length - 1 - n] === y[y.length - 1 - n]) n++;
  return n;
}

/**
 * The reader that the importers call for each file a map names (a tileset,
 * a template, an LDtk level file), by its path as the map writes it: the
 * path relative to the map's own (mapPath) is looked up among the files
 * given, then the path as written, then the base name (the file that shares
 * the most folders with the path written, when several have that name).
 * `files`: a Map or an object from paths (as a folder holds them, or bare
 * file names) to texts (strings, Uint8Arrays or ArrayBuffers), or a function
 * (path as written, path relative to the map's) that gives the text or
 * null. The paths not found are added to `missing`. The reader never throws.
 */
function filesReader(files, mapPath, missing) {
  const lookup = typeof files === 'function' ? null : new Map();
  if (lookup && files) {
    const entries = files instanceof Map ? files.entries() : Object.entries(files);
    for (const [path, text] of entries) lookup.set(normalizePath(path), checkText(`the file ${path}`, text));
  }
  const notGiven = (source) => {
    if (!missing.includes(source)) missing.push(source);
    return { error: 'not among the files given: choose it together with the map, or drop the map\'s folder' };
  };
  return (source) => {
    try {
      const wanted = normalizePath(`${folderOf(mapPath)}/${source}`);
      if (!lookup) {
        const text = files ? files(source, wanted) : null;
        return text === null || text === undefined ? notGiven(source) : { text: checkText(`the file ${source}`, text) };
      }
      for (const path of [wanted, normalizePath(source)]) {
        if (lookup.has(path)) return { text: lookup.get(path) };
      }
      const base = baseName(source).toLowerCase();
      const named = [...lookup.keys()].filter((p) => baseName(p).toLowerCase() === base);
      if (named.length === 0) return notGiven(source);
      const best = Math.max(...named.map((p) => sharedTail(p, wanted)));
      const chosen = named.filter((p) => sharedTail(p, wanted) === best);
      if (chosen.length > 1) {
        return { error: `several files given are named ${baseName(source)} (${chosen.join(', ')}); give only the one beside the map` };
      }
      return { text: lookup.get(chosen[0]) };
    } catch (e) {
      return { error: e instanceof Error ? e.message : String(e) };
    }
  };
}

function checkFiles(files) {
  if (files === undefined || files === null || typeof files === 'function' || files instanceof Map) return files;
  if (typeof files === 'object' && !Array.isArray(files)) return files;
  throw new TypeError('files must be a Map, an object from paths to texts, or a function');
}

function checkNames(what, names) {
  if (!Array.isArray(names) || !names.every((n) => typeof n === 'string')) {
    throw new TypeError(`${what} must be an array of strings`);
  }
  return names;
}

// The shortest route's statuses, by the library's ROUTE_STATUS values.
const ROUTE_STATUS = ['found', 'none', 'start_blocked', 'goal_blocked', 'outside', 'bad_size', 'partial', 'no_place',
  'stale'];

// Pairs [[x, y], ...] from a flat list x, y, x, y, ...
function pairs(flat) {
  const out = new Array(flat.length / 2);
  for (let i = 0; i < out.length; i++) out[i] = [flat[2 * i], flat[2 * i + 1]];
  return out;
}

// Length of the polyline from (x, y) through the points.
function routeLength(x, y, points) {
  let length = 0;
  for (const [px, py] of points) {
    length += Math.hypot(px - x, py - y);
    x = px;
    y = py;
  }
  return length;
}

/**
 * Loads the WebAssembly module and returns the library:
 * { Level, LevelError, formatOf, listTiledMap, listLdtkProject,
 * normalizePath, features, COORD_LIMIT }.
 * options.wasmUrl overrides where bsp_levels.wasm is fetched from (by default
 * beside bsp_levels.js).
 */
export async function loadBspLevels(options = {}) {
  let aborted = null;
  const module = await createBspLevelsModule({
    locateFile: (path, prefix) => (options.wasmUrl && path.endsWith('.wasm') ? options.wasmUrl : prefix + path),
    // The library writes its messages to the bindings' capture; anything
    // else that reaches standard output or error shows in the console.
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
    onAbort: (what) => { aborted = String(what); },
  });

  // Every call into the module goes through here, so that a module that
  // aborted (which the bindings never let happen knowingly) is reported as
  // such instead of with a WebAssembly trap.
  function call(fn) {
    if (aborted !== null) throw new Error(`the WebAssembly module has aborted (${aborted}); reload it`);
    try {
      return fn();
    } catch (e) {
      if (aborted !== null) throw new Error(`the WebAssembly module aborted (${aborted}); reload it`);
      throw e;
    }
  }

  // What the module has: shortestPath, doors, solidSpace (always, in this
  // version), tiledMaps and ldtkProjects (when it was built with the
  // importers); the viewer offers what is there.
  const features = Object.freeze({ ...module.Features() });

  // The options of a Tiled import, checked, as the bindings take them.
  function tiledOptions(options) {
    const { layer = '', solidProperty = '', objectClasses = null, maxTiles = 2 ** 26, scale = 1 } = options;
    if (typeof layer !== 'string' || typeof solidProperty !== 'string') {
      throw new TypeError('layer and solidProperty must be strings');
    }
    if (objectClasses !== null) checkNames('objectClasses', objectClasses);
    if (!Number.isSafeInteger(maxTiles) || maxTiles < 1) {
      throw new RangeError(`maxTiles must be a whole number of at least 1, got ${String(maxTiles)}`);
    }
    checkInteger('scale', scale);
    if (scale < 1) throw new RangeError(`scale must be at least 1, got ${scale}`);
    return { layer, solidProperty, objectClasses, maxTiles, scale };
  }

  // The same for LDtk.
  function ldtkOptions(options) {
    const { level = '', values = [], scale = 1 } = options;
    if (typeof level !== 'string') throw new TypeError('level must be a string');
    checkNames('values', values ?? []);
    checkInteger('scale', scale);
    if (scale < 1) throw new RangeError(`scale must be at least 1, got ${scale}`);
    return { level, values: values ?? [], scale };
  }

  /**
   * What a Tiled map holds, as bsplevel import-tiled --list tells it, for
   * choosing its collision layer: { width, height, tileWidth, tileHeight,
   * infinite, layers: [{ path ('Group/Name'), kind ('tile', 'object',
   * 'image', 'group'), tiles, objects, properties, use (what an import with
   * these options does with it) }], tilesets: [{ name, source, firstGid,
   * tileCount, shapeTiles, shapes, shapeKinds, solidTiles }], text (the
   * tool's lines) }. options: name, files and the import's options, as for
   * Level.fromTiledMap. Throws a LevelError (stage 'map', missingFiles)
   * when the map cannot be read.
   */
  function listTiledMap(text, options = {}) {
    text = checkText('the Tiled map text', text);
    if (!features.tiledMaps) throw new Error('this build of the module has no Tiled importer (features.tiledMaps is false)');
    const { name = 'Tiled map', files } = options;
    const tiled = tiledOptions(options);
    checkFiles(files);
    const missing = [];
    const r = call(() => module.List_Tiled(text, tiled, filesReader(files, String(name), missing)));
    if (!r.ok) throw new LevelError(String(name), [{ stage: 'map', line: 0, reason: r.error }], '', missing);
    return r.listing;
  }

  /**
   * What an LDtk project holds, as bsplevel import-ldtk --list tells it,
   * for choosing a level: { levels: [{ identifier, worldX, worldY, width,
   * height, source, layers }], values: [{ layer, value, identifier, chosen
   * }], text }. options: name, files, values, as for Level.fromLdtkProject.
   */
  function listLdtkProject(text, options = {}) {
    text = checkText('the LDtk project text', text);
    if (!features.ldtkProjects) throw new Error('this build of the module has no LDtk importer (features.ldtkProjects is false)');
    const { name = 'LDtk project', files } = options;
    const ldtk = ldtkOptions(options);
    checkFiles(files);
    const missing = [];
    const r = call(() => module.List_Ldtk(text, ldtk, filesReader(files, String(name), missing)));
    if (!r.ok) throw new LevelError(String(name), [{ stage: 'map', line: 0, reason: r.error }], '', missing);
    return r.listing;
  }

  const construct = Symbol('Level');

  class Level {
    #raw;
    #info = null;
    #messages;
    #problems;
    #format;
    #notes;
    #missing;

    constructor(token, raw, messages, problems, format, notes, missing) {
      if (token !== construct) {
        throw new TypeError('use Level.open, Level.fromText, Level.fromGridMap, Level.fromTiledMap or Level.fromLdtkProject');
      }
      this.#raw = raw;
      this.#messages = messages;
      this.#problems = problems;
      this.#format = format;
      this.#notes = notes;
      this.#missing = missing;
    }

    // Makes a level with fill(raw); a failure throws a LevelError, unless
    // partial asks for the level all the same (a level text only: a map
    // that was refused holds nothing to answer from). missing: the files a
    // map names that were not given, filled while it is read.
    static #make(name, format, fill, partial = false, missing = []) {
      const raw = call(() => new module.cWeb_Level());
      let result;
      try {
        result = call(() => fill(raw));
      } catch (e) {
        if (aborted === null) raw.delete();
        throw e;
      }
      const refusedMap = result.problems.length > 0 && result.problems[0].stage === 'map';
      if (!result.ok && (!partial || refusedMap)) {
        raw.delete();
        throw new LevelError(name, result.problems, result.messages, missing);
      }
      return new Level(construct, raw, result.messages, result.problems.map((p) => problemText(name, p)), format,
        [...result.notes], [...missing]);
    }

    /**
     * A level from the text of a level file (a string, or the file's bytes
     * as a Uint8Array or ArrayBuffer), read strictly as bsplevel reads it
     * into a world of its own (the default rectangle (0,0)-(100,100) unless
     * an <AREA> item gives one) and built. `name` stands for the file's name
     * in messages. Throws a LevelError when the text does not load
     * completely (a malformed item, an unknown tag, a wall or door that is
     * neither horizontal nor vertical or has zero length, an empty text or
     * one without any tag) or the build is refused. options.partial = true,
     * as bsplevel --partial, keeps the level all the same, built from what
     * was read, with its problems in `problems`. A UTF-8 byte order mark at
     * the start is skipped.
     */
    static fromText(text, name = 'level', options = {}) {
      text = checkText('the level text', text);
      const { partial = false } = options;
      checkBoolean('partial', partial);
      return Level.#make(String(name), 'level', (raw) => raw.Load_Text(text, String(name)), partial);
    }

    /**
     * A level from a grid map (the text format of the common pathfinding
     * benchmarks: "type", "height H", "width W", "map", then H rows), made as
     * bsplevel import-grid --solid makes it: `cell` units per cell, walls in
     * the balanced order, and a solid point in every group of blocked cells,
     * so that the map's rock is solid space (options.solid = false leaves the
     * points out, as import-grid without --solid); then loaded and built.
     * Throws a LevelError when the map is refused.
     */
    static fromGridMap(text, cell = 10, name = 'grid map', options = {}) {
      text = checkText('the grid map text', text);
      checkInteger('cell', cell);
      if (cell < 1) throw new RangeError(`cell must be at least 1, got ${cell}`);
      const { solid = true } = options;
      checkBoolean('solid', solid);
      return Level.#make(String(name), 'grid', (raw) => raw.Import_Grid_Map(text, cell, solid, String(name)));
    }

    /**
     * A level from a Tiled map, the text of a .tmx (XML) or .tmj (JSON) file,
     * made as bsplevel import-tiled makes it (collision taken as designers
     * draw it: shapes on tiles, collision layers, objects of collision
     * classes; walls in the balanced order), then loaded and built.
     * options: { name = 'Tiled map' (the map's path among `files`, and its
     * name in messages), files (the files it names: external tilesets and
     * templates; see filesReader: a Map or object from paths to texts, or a
     * function), layer (the one collision layer, as --layer), solidProperty
     * (as --solid-property), objectClasses (the object classes that are
     * collision, as --object-class; default ['collision', 'wall',
     * 'solid']), maxTiles (as --max-tiles, default 2^26), scale = 1 (level
     * units per pixel), solid = true (a solid point in every group of
     * blocked space, as import-tiled --solid; false leaves them out) }.
     * `level.notes` holds the importer's notes (what was used, what was
     * skipped). Throws a LevelError with stage 'map' when the map is
     * refused (its missingFiles name the files it needs that were not
     * given); throws an Error when the module was built without the
     * importer (features.tiledMaps).
     */
    static fromTiledMap(text, options = {}) {
      text = checkText('the Tiled map text', text);
      const { name = 'Tiled map', solid = true, files } = options;
      if (!features.tiledMaps) {
        throw new Error('this build of the module has no Tiled importer (features.tiledMaps is false; see the README)');
      }
      const tiled = tiledOptions(options);
      checkBoolean('solid', solid);
      checkFiles(files);
      const missing = [];
      const read = filesReader(files, String(name), missing);
      return Level.#make(String(name), 'tiled',
        (raw) => raw.Import_Tiled_Map(text, tiled, solid, read, String(name)), false, missing);
    }

    /**
     * A level from one level of an LDtk project, the text of a .ldtk file,
     * made as bsplevel import-ldtk makes it (the cells of its IntGrid
     * layers whose values are named for collision; walls in the balanced
     * order), then loaded and built. options: { name = 'LDtk project' (its
     * path among `files` and its name in messages), files (the level files
     * saved apart, .ldtkl, as for fromTiledMap), level (the level's
     * identifier, as --level; default the first), values (the IntGrid
     * values that block, identifiers or numbers as strings, as --values),
     * scale = 1, solid = true }. Throws as fromTiledMap does.
     */
    static fromLdtkProject(text, options = {}) {
      text = checkText('the LDtk project text', text);
      const { name = 'LDtk project', solid = true, files } = options;
      if (!features.ldtkProjects) {
        throw new Error('this build of the module has no LDtk importer (features.ldtkProjects is false; see the README)');
      }
      const ldtk = ldtkOptions(options);
      checkBoolean('solid', solid);
      checkFiles(files);
      const missing = [];
      const read = filesReader(files, String(name), missing);
      return Level.#make(String(name), 'ldtk',
        (raw) => raw.Import_Ldtk_Map(text, ldtk, solid, read, String(name)), false, missing);
    }

    /**
     * A level from a file's text, whatever it holds, told apart by its
     * content as bsplevel and Open_Level tell it (see formatOf): a level
     * text as fromText reads it (options.partial), a grid map as
     * fromGridMap (options.cell, default 10, and options.solid), a Tiled
     * map as fromTiledMap and an LDtk project as fromLdtkProject (their
     * options, files among them). `level.format` says which it was.
     */
    static open(text, name = 'level', options = {}) {
      text = checkText('the text', text);
      const { partial = false, cell = 10, solid = true, level, values, ...tiled } = options;
      switch (formatOf(text)) {
        case 'grid': return Level.fromGridMap(text, cell, name, { solid });
        case 'tiled': return Level.fromTiledMap(text, { ...tiled, solid, name });
        case 'ldtk':
          return Level.fromLdtkProject(text, { level, values, scale: tiled.scale, files: tiled.files, solid, name });
        default: return Level.fromText(text, name, { partial });
      }
    }

    #live() {
      if (this.#raw === null) throw new Error('the level has been deleted');
      return this.#raw;
    }

    /** True once delete() has released the level. */
    get deleted() {
      return this.#raw === null;
    }

    /** What the library wrote while loading and building, in its own words; usually empty. */
    get messages() {
      this.#live();
      return this.#messages;
    }

    /**
     * What is wrong with a level kept with options.partial, one line each
     * as bsplevel --partial writes them ("level.txt:3: wall [10,10]->[20,20]
     * is neither horizontal nor vertical"); [] for a level that is whole.
     */
    get problems() {
      this.#live();
      return [...this.#problems];
    }

    /** What the level was made from: 'level', 'grid', 'tiled' or 'ldtk'. */
    get format() {
      this.#live();
      return this.#format;
    }

    /**
     * What the importer of a Tiled map or an LDtk project said about it, one
     * line each, as bsplevel writes them after "bsplevel: import-tiled:
     * FILE: " (what was taken as collision, each layer skipped); [] for a
     * level text or a grid map.
     */
    get notes() {
      this.#live();
      return [...this.#notes];
    }

    /**
     * The files the map names that were not among those given but did not
     * stop the import (a template the map could do without), as the map
     * writes their paths; usually [].
     */
    get missingFiles() {
      this.#live();
      return [...this.#missing];
    }

    /**
     * How long the level took to make, in milliseconds: { importMs, loadMs,
     * buildMs } (importMs: reading and converting a grid map; loadMs: reading
     * the level text and inserting its walls; buildMs: the build).
     */
    get timings() {
      const raw = this.#live();
      return call(() => raw.Timings());
    }

    /**
     * The route from (x1, y1) to (x2, y2): { found, path: [[x, y], ...],
     * length }. The path holds the points to head for, the goal last (the
     * goal alone when both points lie in one area); length is the route's
     * length from the start. Without a route (none joins them, through the
     * doors open now; or a point lies outside the world or in solid space):
     * { found: false, path: [], length: 0 }.
     */
    findPath(x1, y1, x2, y2) {
      const raw = this.#live();
      checkInteger('x1', x1); checkInteger('y1', y1); checkInteger('x2', x2); checkInteger('y2', y2);
      const flat = call(() => raw.Find_Path(x1, y1, x2, y2));
      if (flat === null) return { found: false, path: [], length: 0 };
      const path = pairs(flat);
      return { found: true, path, length: routeLength(x1, y1, path) };
    }

    /**
     * The shortest route from (x1, y1) to (x2, y2) for a square agent of
     * half-size halfSize (a whole number from 0 to COORD_LIMIT) centred on
     * the route: its open square never meets a wall nor leaves the world;
     * with 0 the route may touch walls and run along them but never crosses
     * one. { status, found, length, path: [[x, y], ...] }: status is 'found',
     * 'none' (no way between them), 'start_blocked' or 'goal_blocked' (the
     * agent's square there meets a wall or the world's border, or the point
     * lies in solid space) or 'outside' (a point outside the world); path
     * holds the corners after the start,
     * the goal last, and length the route's length as the library computes
     * it (0 and [] without a route). The first query for a half-size builds
     * what the library keeps for it, and takes longer.
     */
    findShortestPath(x1, y1, x2, y2, halfSize = 0) {
      const raw = this.#live();
      checkInteger('x1', x1); checkInteger('y1', y1); checkInteger('x2', x2); checkInteger('y2', y2);
      checkNonNegative('halfSize', halfSize);
      if (halfSize > module.COORD_LIMIT) {
        throw new RangeError(`halfSize must be at most ${module.COORD_LIMIT}, got ${halfSize}`);
      }
      const r = call(() => raw.Find_Shortest_Path(x1, y1, x2, y2, halfSize));
      const status = ROUTE_STATUS[r.status];
      if (status === undefined) throw new Error(`the library answered the unknown route status ${r.status}`);
      const found = status === 'found';
      return { status, found, length: found ? r.length : 0, path: pairs(r.path) };
    }

    // ------------------------------------------------------------ crowds

    /**
     * The nearest place to (x, y) where a square agent of half-size halfSize
     * has room (its square meets no wall or closed door and stays in the
     * world; its centre is out of solid space): { status, found, x, y }.
     * status is 'found' ((x, y) itself when the agent fits there; among
     * equally near places the least y, then x), 'no_place' when it fits
     * nowhere, 'outside' for a point beyond the coordinate range; x and y
     * are null without a place.
     */
    standingPoint(x, y, halfSize = 0) {
      const raw = this.#live();
      checkInteger('x', x); checkInteger('y', y);
      checkNonNegative('halfSize', halfSize);
      if (halfSize > module.COORD_LIMIT) {
        throw new RangeError(`halfSize must be at most ${module.COORD_LIMIT}, got ${halfSize}`);
      }
      const r = call(() => raw.Standing_Point(x, y, halfSize));
      const status = ROUTE_STATUS[r.status];
      if (status === undefined) throw new Error(`the library answered the unknown route status ${r.status}`);
      const found = status === 'found';
      return { status, found, x: found ? r.x : null, y: found ? r.y : null };
    }

    /**
     * A crowd ordered to one goal: the library builds a route field for
     * (gx, gy) and the agent's half-size once, then answers each agent's
     * route from it. The agents start at random free points (where the
     * agent has room), drawn from seed, each with a route to the goal (a
     * start without one is drawn again, up to 20 draws an agent).
     * options: { agents = 500, halfSize = 0, seed = 1 }.
     * Returns { status, buildMs, answerMs, ms, answers, fieldBytes, agents,
     * starts, counts, points, lengths }: status is the field's ('found' when
     * the agent fits at the goal; 'goal_blocked', 'outside' and no routes
     * otherwise); buildMs the field's build, answerMs every answer asked
     * (answers of them, those without a route included), ms their sum;
     * agents how many routes came back (agents asked, unless the free
     * space reachable from the goal is too small to draw them from);
     * starts (Int32Array: x, y per agent), counts (Int32Array: corners per
     * route), points (Int32Array: the corners after each start, x, y, route
     * after route, each ending at the goal), lengths (Float64Array). The
     * compact arrays suit drawing many routes; route(i) gives one as
     * { start: [x, y], path: [[x, y], ...], length }.
     */
    crowd(gx, gy, options = {}) {
      const raw = this.#live();
      const { agents = 500, halfSize = 0, seed = 1 } = options;
      checkInteger('gx', gx); checkInteger('gy', gy); checkInteger('seed', seed);
      checkNonNegative('agents', agents);
      if (agents > 100000) throw new RangeError(`agents must be at most 100000, got ${agents}`);
      checkNonNegative('halfSize', halfSize);
      if (halfSize > module.COORD_LIMIT) {
        throw new RangeError(`halfSize must be at most ${module.COORD_LIMIT}, got ${halfSize}`);
      }
      const r = call(() => raw.Crowd(gx, gy, halfSize, agents, seed));
      const status = ROUTE_STATUS[r.status];
      if (status === undefined) throw new Error(`the library answered the unknown route status ${r.status}`);
      const offsets = new Int32Array(r.counts.length + 1);
      for (let i = 0; i < r.counts.length; i++) offsets[i + 1] = offsets[i] + r.counts[i];
      return {
        status,
        goal: [gx, gy],
        halfSize,
        buildMs: r.buildMs,
        answerMs: r.answerMs,
        ms: r.buildMs + r.answerMs,
        answers: r.answers,
        fieldBytes: r.fieldBytes,
        agents: r.counts.length,
        starts: r.starts,
        counts: r.counts,
        points: r.points,
        lengths: r.lengths,
        route(i) {
          const path = [];
          for (let k = offsets[i]; k < offsets[i + 1]; k++) path.push([r.points[2 * k], r.points[2 * k + 1]]);
          return { start: [r.starts[2 * i], r.starts[2 * i + 1]], path, length: r.lengths[i] };
        },
      };
    }

    /**
     * The first grid point of the segment from (x1, y1) to (x2, y2) that lies
     * on a wall: { hit: true, x, y }, or { hit: false, x: null, y: null }.
     * With a limit the walk stops after the first point at distance limit or
     * more from the start.
     */
    intersectSegment(x1, y1, x2, y2, limit) {
      const raw = this.#live();
      checkInteger('x1', x1); checkInteger('y1', y1); checkInteger('x2', x2); checkInteger('y2', y2);
      if (limit !== undefined) checkNonNegative('limit', limit);
      const hit = call(() => raw.Intersect_Segment(x1, y1, x2, y2, limit === undefined ? -1 : limit));
      return hit === null ? { hit: false, x: null, y: null } : { hit: true, x: hit[0], y: hit[1] };
    }

    /**
     * Whether a wall or a closed door lies closer than radius to (x, y) (one
     * exactly at the radius does not touch); a ball centred in solid space
     * always touches.
     */
    intersectBall(x, y, radius) {
      const raw = this.#live();
      checkInteger('x', x); checkInteger('y', y); checkNonNegative('radius', radius);
      return call(() => raw.Intersect_Ball(x, y, radius));
    }

    /**
     * What bsplevel info --json tells: { level, loaded, built, bounds:
     * [xmin, ymin, xmax, ymax], walls, wall_nodes, tree_depth, areas,
     * portals, waypoints, solid_areas, doors, door_pieces, open_doors }
     * (door_pieces: the open stretches under doors between two areas;
     * open_doors: the doors open now).
     */
    info() {
      const raw = this.#live();
      if (this.#info === null) this.#info = call(() => raw.Info());
      return { ...this.#info, bounds: [...this.#info.bounds] };
    }

    // For drawing. Each call returns a new array.

    /** Every wall, in file order: x1, y1, x2, y2, ... */
    walls() {
      const raw = this.#live();
      return call(() => raw.Walls());
    }

    /** Every area's xmin, ymin, xmax, ymax; the k-th (from 0) is area -(k+1). */
    areas() {
      const raw = this.#live();
      return call(() => raw.Areas());
    }

    /** One flag per area, in the order of areas(): 1 when the area lies in solid space. */
    solidAreas() {
      const raw = this.#live();
      return call(() => raw.Solid_Areas());
    }

    /**
     * Whether (x, y) lies in solid space: in a region that a solid point of
     * the level reaches without crossing a wall or a door. A point on the
     * wall around it stands on its face and is not in it; a point outside
     * the world is not.
     */
    isSolid(x, y) {
      const raw = this.#live();
      checkInteger('x', x); checkInteger('y', y);
      return call(() => raw.Is_Solid(x, y));
    }

    /** Every portal's segment x1, y1, x2, y2; the k-th is portal k. */
    portals() {
      const raw = this.#live();
      return call(() => raw.Portals());
    }

    /** Every waypoint's x, y. */
    waypoints() {
      const raw = this.#live();
      return call(() => raw.Waypoints());
    }

    // Doors: numbered 0, 1, ... in the level's order, closed when it is
    // made. A closed door is a wall for every query; an open one is no
    // obstacle.

    /** Every door: [{ id, x1, y1, x2, y2, open }], in numbering order. */
    doors() {
      const raw = this.#live();
      const flat = call(() => raw.Doors());
      const out = new Array(flat.length / 5);
      for (let i = 0; i < out.length; i++) {
        const f = flat.subarray(5 * i, 5 * i + 5);
        out[i] = { id: i, x1: f[0], y1: f[1], x2: f[2], y2: f[3], open: f[4] !== 0 };
      }
      return out;
    }

    #checkDoor(raw, id) {
      checkInteger('door', id);
      const n = call(() => raw.N_Doors());
      if (id < 0 || id >= n) {
        throw new RangeError(`no door ${id}: the level has ${n} door${n === 1 ? '' : 's'}${n ? `, numbered from 0` : ''}`);
      }
    }

    /** Opens (open = true) or closes door id. Throws a RangeError for a door the level does not have. */
    setDoor(id, open) {
      const raw = this.#live();
      this.#checkDoor(raw, id);
      checkBoolean('open', open);
      call(() => raw.Set_Door(id, open));
      this.#info = null;   // its count of open doors
    }

    /** Whether door id is open. Throws a RangeError for a door the level does not have. */
    isDoorOpen(id) {
      const raw = this.#live();
      this.#checkDoor(raw, id);
      return call(() => raw.Is_Door_Open(id));
    }

    // Edits: walls and boxes added to the built level while it runs, each
    // with an id (0, 1, ... never given twice), and removed again by it.
    // Every answer then is that of the level built afresh with the edit
    // walls present.

    /**
     * Adds the outline of the box with corners (x1, y1) and (x2, y2), in any
     * order. Returns its id; throws a RangeError when the library refuses it
     * (a corner outside the world, a solid point on its outline).
     */
    addBox(x1, y1, x2, y2) {
      return this.#edit('box', (raw) => module.Add_Box(raw, x1, y1, x2, y2), x1, y1, x2, y2);
    }

    /** Adds a horizontal or vertical wall; its id, or a RangeError as addBox. */
    addWall(x1, y1, x2, y2) {
      return this.#edit('wall', (raw) => module.Add_Wall(raw, x1, y1, x2, y2), x1, y1, x2, y2);
    }

    #edit(what, add, ...coords) {
      const raw = this.#live();
      for (const [name, v] of [['x1', coords[0]], ['y1', coords[1]], ['x2', coords[2]], ['y2', coords[3]]]) checkInteger(name, v);
      const id = call(() => add(raw));
      this.#info = null;
      if (id >= 0) return id;
      const why = ['', 'the level is not built', 'it is neither horizontal nor vertical', 'it leaves the world',
        'a solid point of the level lies on it', '', 'the level would pass its limits'][-1 - id] || 'refused';
      throw new RangeError(`the ${what} is not added: ${why}`);
    }

    /** Takes edit id away; false when no edit with that id is present. */
    removeEdit(id) {
      const raw = this.#live();
      checkInteger('id', id);
      this.#info = null;
      return call(() => module.Remove_Edit(raw, id)) === 0;
    }

    /** The edits present: [{ id, x1, y1, x2, y2 }] (the extent of each), in the order of their ids. */
    edits() {
      const raw = this.#live();
      const flat = call(() => module.Edits(raw));
      const out = new Array(flat.length / 5);
      for (let i = 0; i < out.length; i++) {
        const f = flat.subarray(5 * i, 5 * i + 5);
        out[i] = { id: f[0], x1: f[1], y1: f[2], x2: f[3], y2: f[4] };
      }
      return out;
    }

    /**
     * Whether adding the box would cut every route from (sx, sy) to (gx, gy)
     * for the agent's half-size, the level unchanged: 'open', 'cuts',
     * 'no-route' (none now) or 'bad-box'.
     */
    wouldBlock(x1, y1, x2, y2, sx, sy, gx, gy, halfSize = 0) {
      const raw = this.#live();
      for (const v of [x1, y1, x2, y2, sx, sy, gx, gy, halfSize]) checkInteger('coordinate', v);
      return ['open', 'cuts', 'no-route', 'bad-box'][call(() => module.Would_Block(raw, x1, y1, x2, y2, sx, sy, gx, gy, halfSize))];
    }

    /** Releases the level's world. Calling it again does nothing. */
    delete() {
      if (this.#raw === null) return;
      const raw = this.#raw;
      this.#raw = null;
      this.#info = null;
      if (aborted === null) raw.delete();
    }

    [Symbol.dispose ?? Symbol.for('Symbol.dispose')]() {
      this.delete();
    }
  }

  /**
   * What a text holds, told by its beginning as bsplevel tells a file's:
   * 'grid' (a grid map: a header line "type octile", "height H" or "width
   * W", and a line "map"), 'ldtk' (an LDtk project: JSON whose
   * "__header__" names the app LDtk, or with "jsonVersion" and "levels"),
   * 'tiled' (a Tiled map: XML whose root is <map>, or another JSON object
   * with "tiledversion", "orientation" or "layers") or 'level' (anything
   * else). A UTF-8 byte order mark is skipped.
   */
  function formatOf(text) {
    text = checkText('the text', text);
    if (text.length > 65536) text = text.subarray ? text.subarray(0, 65536) : text.slice(0, 65536);
    return call(() => module.Format_Of(text));
  }

  return Object.freeze({
    Level, LevelError, formatOf, listTiledMap, listLdtkProject, normalizePath, features, COORD_LIMIT: module.COORD_LIMIT,
  });
}

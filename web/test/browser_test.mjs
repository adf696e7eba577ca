// The WebAssembly build and the viewer page in a real browser (headless
// Chromium driven by puppeteer-core), checked against the native bsplevel
// tool:
//  (a) the page opens test_levels/level_test_pathfinder_4.txt; a start and a
//      goal are clicked on the canvas, a segment is shift-dragged and the
//      ball follows the mouse; the route, its length and the answers shown
//      must be the tool's for the same points; the API's errors are checked;
//  (b) den012d.map opened as a grid map in the page: info() and 1,000 random
//      queries (paths, segments, balls) through the JavaScript API, compared
//      one by one with bsplevel import-grid + bsplevel batch;
//      1,000 random shortest routes for agents of half-size 0 and 4, compared
//      with bsplevel batch's route lines;
//  (c) maze512-1-0: the page's load+build time (under 2 s), a route query's
//      time in the browser and natively, a shortest route's time within
//      twice the native one, and the frame times of panning;
//  (d) a Tiled map opened through the file input without its external
//      tileset (refused, the page asking for it), then with it added,
//      against bsplevel import-tiled (when the module has the importer);
//  (e) a route and the shortest route for an agent of half-size 4 clicked on
//      den012d, against bsplevel route --agent 4;
//  (f) doors and solid space: web/samples/dungeon.txt (dungeon.map imported
//      with its rock, and seven doors); solid space at every point of a
//      5-unit lattice against the map and against bsplevel batch; random
//      queries with doors opened and closed between them against bsplevel
//      batch's door lines; doors clicked in the page, the route and the
//      shortest route shown after each click against bsplevel path and
//      route with --open for the doors open; a screenshot of the page,
//      web/test/screenshot.png;
//  (g) strict level texts: a dropped wall or door (diagonal, zero length),
//      an empty file, a file without a tag, a malformed item, an unknown
//      tag, a refused build: the page and the API refuse each with the very
//      line bsplevel writes (FILE:LINE: reason), the library's messages only
//      behind their toggle; "Show what was read" answers as bsplevel
//      --partial; a file opening with a UTF-8 byte order mark loads as the
//      tool loads it;
//  (h) the page standing alone: it opens with its sample level
//      (web/samples/dungeon.txt), and with ?level=PATH the level, grid map or
//      broken file at that path of the served folder, as bsplevel answers for
//      it; a path outside the folder, a URL or a missing file is refused
//      with a clear line, and nothing is fetched from elsewhere; screenshots
//      web/test/screenshot-start.png and screenshot-url.png;
//  (i) maps with their files, against bsplevel import-tiled and
//      import-ldtk: the sample web/samples/keep.tmx chosen with its external
//      tileset (the level, its walls in order, the notes, 600 queries; the
//      layer list; a screenshot, web/test/screenshot-tiled.png), a layer
//      chosen, a layer refused with the tool's line, the map's folder chosen
//      (the tileset found by the path the map writes), an LDtk project's
//      first level and a level chosen, a project dropped with its level
//      file, an error of the API;
//  (j) edits: boxes placed by a drag in the edit mode and removed by a
//      click on level_test_pathfinder_4.txt; the route shown is asked again
//      after each, and the page's answers with a box placed (paths,
//      segments, balls, shortest routes) are bsplevel batch's after the
//      same add-box line.
//  (k) crowd mode on maze512-1-0: a goal clicked, 500 routes from random
//      free starts back from one route field with the time the page shows;
//      every route ends at the goal, and their lengths are bsplevel batch's
//      for the same starts; a goal in a wall moves to the nearest place; a
//      screenshot, web/test/screenshot-crowd.png.
//
// Maps are imported as the page imports them, with their rock as solid
// space (bsplevel import-grid --solid, import-tiled --solid).
//
// Usage (from anywhere):
//   BSPLEVEL=build/bsplevel node web/test/browser_test.mjs     (or the tool's path as the argument)
// Environment: BSP_MAPS_DIR (default: the repository's maps/),
// CHROMIUM (default /usr/bin/chromium), BSP_WEB_PARTS (the parts to run, by
// letter, default abcdefghijk: BSP_WEB_PARTS=af runs (a) and (f) only). The
// page's sample level is checked whatever the parts.

import { spawnSync } from 'node:child_process';
import { createServer } from 'node:http';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, statSync, writeFileSync, existsSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, extname, join, resolve, sep } from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const here = dirname(fileURLToPath(import.meta.url));
const webDir = resolve(here, '..');
const repoRoot = resolve(webDir, '..');
const bsplevel = resolve(process.argv[2] || process.env.BSPLEVEL || join(repoRoot, 'build', 'bsplevel'));
const mapsDir = resolve(process.env.BSP_MAPS_DIR || join(repoRoot, 'maps'));
const chromiumPath = process.env.CHROMIUM || '/usr/bin/chromium';
const only = process.env.BSP_WEB_PARTS || 'abcdefghijk';
const pf4 = join(repoRoot, 'test_levels', 'level_test_pathfinder_4.txt');
const brokenLevel = join(repoRoot, 'tests', 'data', 'bsplevel', 'broken.txt');
const outsideLevel = join(repoRoot, 'tests', 'data', 'bsplevel', 'outside.txt');
const tiledDir = join(repoRoot, 'tests', 'data', 'tiled');
const ldtkDir = join(repoRoot, 'tests', 'data', 'ldtk');
const dungeonMap = join(webDir, 'samples', 'dungeon.map');
const dungeon = join(webDir, 'samples', 'dungeon.txt');

let passed = 0;
let failed = 0;

function check(ok, what, detail = '') {
  if (ok) {
    passed++;
    console.log(`ok - ${what}`);
  } else {
    failed++;
    console.log(`FAIL - ${what}${detail ? `\n    ${detail.replaceAll('\n', '\n    ')}` : ''}`);
  }
  return ok;
}

function fatal(message) {
  console.error(`browser_test: ${message}`);
  process.exit(2);
}

// ------------------------------------------------------------------ the native tool

// Runs bsplevel; options.cwd, the folder it runs in (so that it names a
// file as the page does, by the name given).
function tool(args, input, options = {}) {
  const r = spawnSync(bsplevel, args, { input, encoding: 'utf8', maxBuffer: 1 << 28, cwd: options.cwd });
  if (r.error) fatal(`cannot run ${bsplevel}: ${r.error.message}`);
  return r;
}

// Processor milliseconds (user and system) of a bsplevel batch run over the
// queries, the best of runs, as the shell's `times` reports its children's.
function batchProcessorMs(level, queries, runs) {
  const input = join(work, 'timed-queries.txt');
  writeFileSync(input, queries);
  const seconds = (t) => {
    const m = /^(\d+)m([\d.]+)s$/.exec(t);
    if (!m) fatal(`cannot read the time '${t}'`);
    return Number(m[1]) * 60 + Number(m[2]);
  };
  let best = Infinity;
  for (let i = 0; i < runs; i++) {
    const r = spawnSync('bash', ['-c', '"$0" batch "$1" < "$2" > /dev/null || exit 1; times', bsplevel, level, input],
      { encoding: 'utf8' });
    if (r.status !== 0) fatal(`bsplevel batch failed: ${r.stderr}`);
    const [user, system] = r.stdout.trim().split('\n')[1].trim().split(/\s+/).map(seconds);
    best = Math.min(best, (user + system) * 1000);
  }
  return best;
}

function nativeInfo(level) {
  const r = tool(['info', level, '--json']);
  if (r.status !== 0) fatal(`bsplevel info failed: ${r.stderr}`);
  const info = JSON.parse(r.stdout);
  delete info.level;
  return info;
}

// ------------------------------------------------------------------ a static server for web/

const MIME = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.txt': 'text/plain; charset=utf-8',
  '.map': 'text/plain; charset=utf-8',
};

// Serves web/ as scripts/serve-web does, with the repository's maps/ and
// test_levels/ beside it, and the test's own files under /test-work/.
function serve(root, folders) {
  const server = createServer((req, res) => {
    const path = decodeURIComponent(new URL(req.url, 'http://localhost').pathname);
    const prefix = Object.keys(folders).find((p) => path.startsWith(p));
    const base = prefix ? folders[prefix] : root;
    let file = resolve(base, `.${prefix ? path.slice(prefix.length - 1) : path}`);
    if (file !== base && !file.startsWith(base + sep)) {
      res.writeHead(403).end();
      return;
    }
    if (existsSync(file) && statSync(file).isDirectory()) file = join(file, 'index.html');
    if (!existsSync(file)) {
      res.writeHead(404, 'Not Found').end('not found');
      return;
    }
    res.writeHead(200, { 'Content-Type': MIME[extname(file)] || 'application/octet-stream', 'Cache-Control': 'no-store' });
    res.end(readFileSync(file));
  });
  return new Promise((done) => server.listen(0, '127.0.0.1', () => done(server)));
}

// ------------------------------------------------------------------ queries

// A small deterministic generator (mulberry32), so that a failure can be replayed.
function random(seed) {
  let a = seed >>> 0;
  return () => {
    a = (a + 0x6d2b79f5) >>> 0;
    let t = a;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

// count queries in bsplevel batch syntax over the bounds, a few of their
// points a little outside them.
function randomQueries(bounds, count, seed) {
  const next = random(seed);
  const [x0, y0, x1, y1] = bounds;
  const margin = Math.round(0.02 * Math.max(x1 - x0, y1 - y0));
  const int = (lo, hi) => lo + Math.floor(next() * (hi - lo + 1));
  const px = () => int(x0 - margin, x1 + margin);
  const py = () => int(y0 - margin, y1 + margin);
  const span = Math.max(x1 - x0, y1 - y0);
  const queries = [];
  for (let i = 0; i < count; i++) {
    const kind = next();
    if (kind < 0.4) {
      queries.push(`path ${px()} ${py()} ${px()} ${py()}`);
    } else if (kind < 0.7) {
      const limit = next() < 0.3 ? ` ${int(0, span)}` : '';
      queries.push(`segment ${px()} ${py()} ${px()} ${py()}${limit}`);
    } else {
      queries.push(`ball ${px()} ${py()} ${int(0, Math.round(span / 20))}`);
    }
  }
  return queries;
}

// Answers the queries with the JavaScript API of the level shown in the page,
// each as bsplevel batch prints it.
async function pageAnswers(page, queries) {
  return page.evaluate((queries) => {
    const level = window.bspViewer.level;
    return queries.map((q) => {
      const w = q.split(' ');
      const n = w.slice(1).map(Number);
      if (w[0] === 'path') {
        const r = level.findPath(n[0], n[1], n[2], n[3]);
        return r.found ? `path ${r.path.map((p) => p.join(' ')).join(' ')}` : 'path none';
      }
      if (w[0] === 'segment') {
        const r = level.intersectSegment(n[0], n[1], n[2], n[3], n.length > 4 ? n[4] : undefined);
        return r.hit ? `hit ${r.x} ${r.y}` : 'no hit';
      }
      return level.intersectBall(n[0], n[1], n[2]) ? 'touch' : 'clear';
    });
  }, queries);
}

function compareAnswers(what, queries, native, browser) {
  const mismatches = [];
  for (let i = 0; i < queries.length; i++) {
    if (native[i] !== browser[i]) mismatches.push(`${queries[i]}\n  native:  ${native[i]}\n  browser: ${browser[i]}`);
  }
  const kinds = { path: 0, segment: 0, ball: 0 };
  for (const q of queries) kinds[q.split(' ')[0]]++;
  check(native.length === queries.length && mismatches.length === 0,
    `${what}: ${queries.length} queries (${kinds.path} paths, ${kinds.segment} segments, ${kinds.ball} balls) answer as natively`,
    `${mismatches.length} differ; the first:\n${mismatches.slice(0, 3).join('\n')}`);
}

function routeLength(start, points) {
  let [x, y] = start;
  let length = 0;
  for (const [px, py] of points) {
    length += Math.hypot(px - x, py - y);
    x = px;
    y = py;
  }
  return length;
}

// count shortest-route queries in bsplevel batch syntax ("route X1 Y1 X2 Y2
// H"), half of them for an agent of half-size 0 and half for 4, in random
// order; a few points a little outside the bounds.
function randomRoutes(bounds, count, seed) {
  const next = random(seed);
  const [x0, y0, x1, y1] = bounds;
  const margin = Math.round(0.02 * Math.max(x1 - x0, y1 - y0));
  const int = (lo, hi) => lo + Math.floor(next() * (hi - lo + 1));
  const queries = [];
  for (let i = 0; i < count; i++) {
    const p = () => `${int(x0 - margin, x1 + margin)} ${int(y0 - margin, y1 + margin)}`;
    queries.push(`route ${p()} ${p()} ${next() < 0.5 ? 0 : 4}`);
  }
  return queries;
}

// The page's answers to route queries: { status, path, length } each.
async function pageRoutes(page, queries) {
  return page.evaluate((queries) => {
    const level = window.bspViewer.level;
    return queries.map((q) => {
      const n = q.split(' ').slice(1).map(Number);
      const { status, path, length } = level.findShortestPath(n[0], n[1], n[2], n[3], n[4]);
      return { status, path, length };
    });
  }, queries);
}

// bsplevel batch's "route X Y ... length L" or "route none WHY" as the API's
// { status, path, length }.
function parseRouteLine(line) {
  const w = line.split(' ');
  if (w[0] !== 'route') return null;
  if (w[1] === 'none') return { status: w[2].replaceAll('-', '_'), path: [], length: 0 };
  const at = w.indexOf('length');
  const n = w.slice(1, at).map(Number);
  const path = [];
  for (let i = 0; i + 1 < n.length; i += 2) path.push([n[i], n[i + 1]]);
  return { status: 'found', path, length: Number(w[at + 1]) };
}

// Corners exactly, status exactly, lengths to 1e-9 relative (the tool
// prints twelve significant digits).
function sameRoute(native, browser) {
  if (!native || native.status !== browser.status) return false;
  if (JSON.stringify(native.path) !== JSON.stringify(browser.path)) return false;
  return Math.abs(native.length - browser.length) <= 1e-9 * Math.max(Math.abs(native.length), 1);
}

// ------------------------------------------------------------------ the page

async function openInPage(page, file) {
  await page.evaluate(() => { document.body.dataset.state = 'opening'; });
  const input = await page.$('#file-input');
  await input.uploadFile(file);
  await page.waitForFunction(() => ['loaded', 'error'].includes(document.body.dataset.state), { timeout: 120000 });
  return page.evaluate(() => ({ state: document.body.dataset.state, timings: window.bspViewer.lastLoad,
    info: window.bspViewer.level && window.bspViewer.level.info() }));
}

async function clientPoint(page, x, y) {
  return page.evaluate((x, y) => window.bspViewer.pointToClient(x, y), x, y);
}

// Shift-drags a segment on the level from (x1,y1) to (x2,y2), in level units.
async function dragSegment(page, x1, y1, x2, y2, steps) {
  const s0 = await clientPoint(page, x1, y1);
  const s1 = await clientPoint(page, x2, y2);
  await page.keyboard.down('Shift');
  await page.mouse.move(s0.x, s0.y);
  await page.mouse.down();
  await page.mouse.move(s1.x, s1.y, { steps });
  await page.mouse.up();
  await page.keyboard.up('Shift');
}

async function text(page, selector) {
  return page.$eval(selector, (el) => el.textContent.trim());
}

function pointsOf(s) {
  return s.trim() ? s.trim().split('\n').map((l) => l.trim().split(/\s+/).map(Number)) : [];
}

// ------------------------------------------------------------------ the checks

async function partA(page) {
  console.log('# (a) the test level in the page');
  const opened = await openInPage(page, pf4);
  check(opened.state === 'loaded', 'the page opens level_test_pathfinder_4.txt');
  const info = { ...opened.info };
  delete info.level;
  const expected = nativeInfo(pf4);
  check(JSON.stringify(info) === JSON.stringify(expected), 'info() equals bsplevel info --json',
    `page:   ${JSON.stringify(info)}\nnative: ${JSON.stringify(expected)}`);

  // A start and a goal clicked on the canvas.
  const a = await clientPoint(page, 55, 82);
  const b = await clientPoint(page, 63, 83);
  await page.mouse.click(a.x, a.y);
  await page.mouse.click(b.x, b.y);
  const start = (await text(page, '#route-start')).match(/-?\d+/g).map(Number);
  const goal = (await text(page, '#route-goal')).match(/-?\d+/g).map(Number);
  check(start.join() === '55,82' && goal.join() === '63,83', 'the clicks pick the grid points under the mouse',
    `start ${start}, goal ${goal}`);
  const native = tool(['path', pf4, ...start.map(String), ...goal.map(String)]);
  const nativePoints = native.status === 0 ? pointsOf(native.stdout) : [];
  const shown = await page.$$eval('#route-points li', (items) => items.map((li) => li.textContent.split(' ').map(Number)));
  check(native.status === 0 && JSON.stringify(shown) === JSON.stringify(nativePoints),
    `the route shown is bsplevel path's (${nativePoints.length} points)`,
    `page:   ${JSON.stringify(shown)}\nnative: ${JSON.stringify(nativePoints)}`);
  const result = await text(page, '#route-result');
  check(result === `found, ${nativePoints.length} points`, 'the route\'s point count is shown', result);
  const length = await text(page, '#route-length');
  const nativeLength = routeLength(start, nativePoints).toFixed(2);
  check(length === nativeLength, `the length shown is the native route's (${nativeLength})`, `page: ${length}`);
  const time = await text(page, '#route-time');
  check(/^\d+(\.\d+)? ms/.test(time), `the query's time is shown (${time})`, time);

  // A segment shift-dragged.
  await dragSegment(page, 10, 10, 90, 90, 8);
  const seg = tool(['segment', pf4, '10', '10', '90', '90']).stdout.trim();
  const segShown = await text(page, '#segment-result');
  const segExpected = seg.startsWith('hit') ? `hit at (${seg.split(' ')[1]}, ${seg.split(' ')[2]})` : 'no hit';
  check(segShown === segExpected, `the dragged segment's answer is bsplevel segment's (${seg})`, `page: ${segShown}`);

  // The ball under the mouse, against the tool, at a few places.
  const radius = 6;
  await page.$eval('#ball-radius', (el, r) => { el.value = String(r); }, radius);
  let ballsOk = true;
  const ballDetails = [];
  for (const [x, y] of [[50, 50], [30, 30], [5, 5], [62, 20], [95, 95]]) {
    const p = await clientPoint(page, x, y);
    await page.mouse.move(p.x, p.y);
    const shownBall = await text(page, '#ball-result');
    const nativeBall = tool(['ball', pf4, String(x), String(y), String(radius)]).stdout.trim();
    const want = nativeBall === 'touch' ? 'touches a wall' : 'clear';
    if (shownBall !== want) ballsOk = false;
    ballDetails.push(`(${x}, ${y}): page ${shownBall}, native ${nativeBall}`);
  }
  check(ballsOk, 'the ball under the mouse answers as bsplevel ball', ballDetails.join('\n'));

  // The API's errors.
  const errors = await page.evaluate(async (broken, outside) => {
    const { Level, LevelError } = window.bspViewer.lib;
    const out = {};
    try {
      Level.fromText(broken, 'broken.txt');
      out.broken = 'no error';
    } catch (e) {
      out.broken = { isLevelError: e instanceof LevelError, stage: e.stage, line: e.line, message: e.message,
        libraryMessage: e.libraryMessage };
    }
    try {
      Level.fromText(outside, 'outside.txt');
      out.outside = 'no error';
    } catch (e) {
      out.outside = { stage: e.stage, message: e.message, libraryMessage: e.libraryMessage };
    }
    try {
      Level.fromGridMap('type octile\nheight 3\nwidth 2\nmap\n..\n..\n');
      out.map = 'no error';
    } catch (e) {
      out.map = { stage: e.stage, message: e.message };
    }
    const level = Level.fromText('<WALLS>\n[10,50]->[90,50]\n', 'small');
    out.badArgument = (() => {
      try { level.findPath(1.5, 2, 3, 4); return 'no error'; } catch (e) { return e.constructor.name; }
    })();
    out.negativeRadius = (() => {
      try { level.intersectBall(1, 2, -3); return 'no error'; } catch (e) { return e.constructor.name; }
    })();
    out.badHalfSize = [-1, 1.5, 'x'].map((h) => {
      try { level.findShortestPath(10, 10, 90, 90, h); return 'no error'; } catch (e) { return e.constructor.name; }
    });
    out.shortestAcross = level.findShortestPath(10, 10, 90, 90, 0).status;
    out.hitBeforeDelete = level.intersectSegment(50, 10, 50, 90);
    level.delete();
    out.afterDelete = (() => {
      try { level.findPath(1, 2, 3, 4); return 'no error'; } catch (e) { return e.message; }
    })();
    level.delete();
    out.pageStillWorks = window.bspViewer.level.intersectBall(50, 50, 6) !== undefined;
    return out;
  }, readFileSync(brokenLevel, 'utf8'), readFileSync(outsideLevel, 'utf8'));

  // Doors' and solid space's errors: a build refused for a solid point on a
  // wall names it (the loader's line, the library's message), as the tool
  // does; solid points that reach every area; doors the level lacks.
  const onWall = '<WALLS>\n[10,50]->[90,50]\n[50,10]->[50,90]\n<SOLID>\n[20,20]\n[30,50]\n';
  const everywhere = '<WALLS>\n[10,50]->[90,50]\n<SOLID>\n[20,20]\n';
  const doorErrors = await page.evaluate((onWall, everywhere) => {
    const { Level, LevelError } = window.bspViewer.lib;
    const out = {};
    for (const [key, text] of [['onWall', onWall], ['everywhere', everywhere]]) {
      try {
        Level.fromText(text, `${key}.txt`).delete();
        out[key] = 'no error';
      } catch (e) {
        out[key] = { isLevelError: e instanceof LevelError, stage: e.stage, line: e.line, reason: e.reason, message: e.message,
          libraryMessage: e.libraryMessage };
      }
    }
    const level = Level.fromText('<WALLS>\n[0,50]->[40,50]\n[60,50]->[100,50]\n<DOORS>\n[40,50]->[60,50]\n', 'door');
    const attempt = (fn) => { try { return fn(); } catch (e) { return `${e.constructor.name}: ${e.message}`; } };
    out.doors = level.doors();
    out.closedBlocks = level.findPath(50, 20, 50, 80).found;
    out.unknownDoor = attempt(() => level.setDoor(1, true));
    out.negativeDoor = attempt(() => level.isDoorOpen(-1));
    out.notBoolean = attempt(() => level.setDoor(0, 1));
    level.setDoor(0, true);
    out.openAfter = [level.isDoorOpen(0), level.doors()[0].open, level.info().open_doors];
    out.openPasses = level.findPath(50, 20, 50, 80).found;
    out.badPoint = attempt(() => level.isSolid(0.5, 1));
    level.delete();
    return out;
  }, onWall, everywhere);
  writeFileSync(join(work, 'onWall.txt'), onWall);
  writeFileSync(join(work, 'everywhere.txt'), everywhere);
  const nativeProblem = (file) => tool(['info', join(work, file)]).stderr.trim().split('\n').at(-1);
  const onWallNative = nativeProblem('onWall.txt');          // FILE:6: solid point on a wall
  const everywhereNative = nativeProblem('everywhere.txt');
  const w = doorErrors.onWall;
  check(w.isLevelError && w.stage === 'build' && `${join(work, 'onWall.txt')}:${w.line}: ${w.reason}` === onWallNative &&
    w.message === `onWall.txt:${w.line}: ${w.reason}` && /solid point \[30,50\] lies on a wall/.test(w.libraryMessage),
  'a build refused for a solid point on a wall throws a LevelError with its line, as the tool does, the library\'s ' +
    'message naming the point',
  `${JSON.stringify(w)}\nnative: ${onWallNative}`);
  const e = doorErrors.everywhere;
  check(e.stage === 'build' && `${join(work, 'everywhere.txt')}:${e.line}: ${e.reason}` === everywhereNative,
    'solid points that reach every area are refused as the tool refuses them', `${JSON.stringify(e)}\nnative: ${everywhereNative}`);
  check(JSON.stringify(doorErrors.doors) === '[{"id":0,"x1":40,"y1":50,"x2":60,"y2":50,"open":false}]' &&
    !doorErrors.closedBlocks && doorErrors.openPasses && doorErrors.openAfter.join() === 'true,true,1',
  'doors() lists a door, closed when loaded; a closed door blocks, setDoor opens it and info() counts it',
  JSON.stringify(doorErrors));
  check(/^RangeError: no door 1: the level has 1 door/.test(doorErrors.unknownDoor) &&
    /^RangeError/.test(doorErrors.negativeDoor) && /^TypeError/.test(doorErrors.notBoolean) &&
    /^TypeError/.test(doorErrors.badPoint),
  'a door the level lacks is a RangeError, an open flag that is not true or false a TypeError',
  JSON.stringify(doorErrors));

  // bsplevel run beside the file names it as the page does.
  const besides = { cwd: dirname(brokenLevel) };
  const nativeBroken = tool(['info', 'broken.txt'], undefined, besides).stderr.trim();
  const verboseBroken = tool(['info', 'broken.txt', '--verbose'], undefined, besides).stderr.trim().split('\n');
  check(errors.broken.isLevelError && errors.broken.stage === 'load' && errors.broken.line > 0 &&
    errors.broken.message === nativeBroken && !nativeBroken.includes('\n') &&
    errors.broken.libraryMessage === verboseBroken.slice(0, -1).join('\n') && verboseBroken.length > 1,
  `a level that stops loading throws a LevelError whose message is bsplevel's one line (${nativeBroken}), the ` +
    'loader\'s own message apart, as bsplevel --verbose writes it',
  `${JSON.stringify(errors.broken)}\nnative: ${nativeBroken}\nverbose: ${verboseBroken.join(' / ')}`);
  const nativeOutside = tool(['info', 'outside.txt'], undefined, besides).stderr.trim();
  check(errors.outside.stage === 'build' && errors.outside.message === nativeOutside &&
    /is not built/.test(errors.outside.libraryMessage),
  `a level whose build is refused throws with bsplevel's line (${nativeOutside}), the library's message apart`,
  `${JSON.stringify(errors.outside)}\nnative: ${nativeOutside}`);
  check(errors.map.stage === 'map' && errors.map.message.length > 0, 'a grid map that lies about its size throws',
    JSON.stringify(errors.map));
  check(errors.badArgument === 'TypeError' && errors.negativeRadius === 'RangeError',
    'arguments that are not whole numbers, or negative radii, throw', JSON.stringify(errors));
  // `using` releases the level at the end of its block (the test's own node
  // need not parse the syntax: the browser does).
  let disposed;
  try {
    disposed = await page.evaluate(`(() => {
      const { Level } = window.bspViewer.lib;
      let kept;
      {
        using level = Level.fromText('<WALLS>\\n[10,50]->[90,50]\\n', 'scoped');
        kept = level;
        if (kept.deleted || !level.intersectBall(50, 50, 1)) return 'not live inside its block';
      }
      return kept.deleted ? 'released' : 'kept';
    })()`);
  } catch (e) {
    // A browser without the syntax: the method it would call.
    disposed = await page.evaluate(() => {
      const level = window.bspViewer.lib.Level.fromText('<WALLS>\n[10,50]->[90,50]\n', 'scoped');
      level[Symbol.dispose]();
      return level.deleted ? 'released' : 'kept';
    });
  }
  check(disposed === 'released', 'a level is released at the end of a using block', disposed);
  check(errors.badHalfSize.join() === 'RangeError,TypeError,TypeError' && errors.shortestAcross === 'found',
    'findShortestPath throws on a negative or non-integer half-size', JSON.stringify(errors.badHalfSize));
  check(errors.hitBeforeDelete.hit === true && errors.hitBeforeDelete.x === 50 && errors.hitBeforeDelete.y === 50 &&
    /deleted/.test(errors.afterDelete) && errors.pageStillWorks,
  'a deleted level throws on every call, and the module goes on', JSON.stringify(errors));
}

async function partB(page) {
  console.log('# (b) den012d: 1,000 random queries through the JavaScript API');
  const map = join(mapsDir, 'den012d.map');
  const levelFile = join(work, 'den012d.txt');
  const imported = tool(['import-grid', map, '-o', levelFile, '--solid']);
  if (imported.status !== 0) fatal(`bsplevel import-grid failed: ${imported.stderr}`);
  const opened = await openInPage(page, map);
  check(opened.state === 'loaded', 'the page opens den012d.map as a grid map');
  const info = { ...opened.info };
  delete info.level;
  const expected = nativeInfo(levelFile);
  check(JSON.stringify(info) === JSON.stringify(expected), 'info() equals bsplevel info --json of the imported level',
    `page:   ${JSON.stringify(info)}\nnative: ${JSON.stringify(expected)}`);
  const queries = randomQueries(expected.bounds, 1000, 12012);
  const batch = tool(['batch', levelFile], `${queries.join('\n')}\n`);
  if (batch.status !== 0) fatal(`bsplevel batch failed: ${batch.stderr}`);
  const native = batch.stdout.split('\n').filter((l) => l !== '');
  const browser = await pageAnswers(page, queries);
  compareAnswers('den012d', queries, native, browser);
  const routes = native.filter((l) => l.startsWith('path ') && l !== 'path none').length;
  const hits = native.filter((l) => l.startsWith('hit')).length;
  const touches = native.filter((l) => l === 'touch').length;
  console.log(`    (${routes} routes found, ${hits} segment hits, ${touches} touches)`);

  // Solid space against the map itself: a cell's centre lies in solid space
  // exactly when the cell is blocked, every group of blocked cells having a
  // solid point and walls all round it.
  const rows = readFileSync(map, 'utf8').split('\n').slice(4).map((r) => r.replace('\r', ''));
  const solidWrong = await page.evaluate((rows) => {
    const level = window.bspViewer.level;
    const wrong = [];
    let solid = 0;
    for (let y = 0; y < rows.length; y++) {
      for (let x = 0; x < rows[y].length; x++) {
        const blocked = !'.GS'.includes(rows[y][x]);
        const answer = level.isSolid(10 * x + 5, 10 * y + 5);
        solid += answer;
        if (answer !== blocked) wrong.push(`(${10 * x + 5}, ${10 * y + 5}): ${answer}, cell '${rows[y][x]}'`);
      }
    }
    return { wrong, solid };
  }, rows.filter((r) => r.length > 0));
  check(solidWrong.wrong.length === 0 && solidWrong.solid > 0 && expected.solid_areas > 0,
    `den012d: isSolid at every cell's centre is true exactly for the blocked cells (${solidWrong.solid} cells, ` +
    `${expected.solid_areas} solid areas)`, solidWrong.wrong.slice(0, 5).join('\n'));

  // Shortest routes for agents of half-size 0 and 4.
  const routeQueries = randomRoutes(expected.bounds, 1000, 4012);
  const routeBatch = tool(['batch', levelFile], `${routeQueries.join('\n')}\n`);
  if (routeBatch.status !== 0) fatal(`bsplevel batch failed: ${routeBatch.stderr}`);
  const nativeRoutes = routeBatch.stdout.split('\n').filter((l) => l !== '').map(parseRouteLine);
  const browserRoutes = await pageRoutes(page, routeQueries);
  const differ = [];
  for (let i = 0; i < routeQueries.length; i++) {
    if (!sameRoute(nativeRoutes[i], browserRoutes[i])) {
      differ.push(`${routeQueries[i]}\n  native:  ${JSON.stringify(nativeRoutes[i])}\n  browser: ${JSON.stringify(browserRoutes[i])}`);
    }
  }
  const statuses = {};
  for (const r of nativeRoutes) if (r) statuses[r.status] = (statuses[r.status] || 0) + 1;
  const agents = routeQueries.filter((q) => q.endsWith(' 4')).length;
  check(nativeRoutes.length === routeQueries.length && differ.length === 0,
    `den012d: ${routeQueries.length} shortest routes (${routeQueries.length - agents} for half-size 0, ${agents} for 4) ` +
    'answer as bsplevel batch: the same corners, lengths within 1e-9',
    `${differ.length} differ; the first:\n${differ.slice(0, 3).join('\n')}`);
  console.log(`    (${Object.entries(statuses).map(([k, v]) => `${v} ${k}`).join(', ')})`);
}

async function partC(page) {
  console.log('# (c) maze512-1-0: load and build time, route query times');
  const map = join(mapsDir, 'maze512-1-0.map');
  const levelFile = join(work, 'maze512-1-0.txt');
  const imported = tool(['import-grid', map, '-o', levelFile, '--solid']);
  if (imported.status !== 0) fatal(`bsplevel import-grid failed: ${imported.stderr}`);

  const nativeTimes = JSON.parse(tool(['info', levelFile, '--json', '--time']).stdout);
  // The first load and build of the maze in the page: wall-clock time, and
  // the processor time of the page's main thread (as bsplevel info --time
  // counts processor time), which other work on a shared machine does not
  // inflate. The browser still compiles the module's hot functions with its
  // optimising compiler then; the file opened through the page afterwards
  // shows the steady state.
  const client = await page.createCDPSession();
  await client.send('Performance.enable');
  const threadSeconds = async () =>
    (await client.send('Performance.getMetrics')).metrics.find((m) => m.name === 'ThreadTime').value;
  await page.evaluate((t) => { window.mazeText = t; }, readFileSync(levelFile, 'utf8'));
  const before = await threadSeconds();
  const first = await page.evaluate(() => {
    const t0 = performance.now();
    const level = window.bspViewer.lib.Level.fromText(window.mazeText, 'maze512-1-0.txt');
    const ms = performance.now() - t0;
    const timings = level.timings;
    level.delete();
    delete window.mazeText;
    return { ms, timings };
  });
  const cpuMs = (await threadSeconds() - before) * 1000;
  check(cpuMs < 2000, `the page loads and builds maze512-1-0 in under 2 s (${cpuMs.toFixed(0)} ms of processor time, ` +
    `${first.ms.toFixed(0)} ms wall-clock)`);
  const opened = await openInPage(page, levelFile);
  check(opened.state === 'loaded', 'the page opens the maze512-1-0 level');
  const t = opened.timings;
  const split = (x) => `load ${x.loadMs.toFixed(0)} + build ${x.buildMs.toFixed(0)}`;
  console.log(`    browser: load+build ${first.ms.toFixed(0)} ms the first time (${split(first.timings)}; ` +
    `${cpuMs.toFixed(0)} ms processor time), ${t.buildMs.toFixed(0)} ms through the page's file input ` +
    `(${split(t.library)}); then drawing data ${t.sceneMs.toFixed(0)} ms, first picture ${t.firstFrameMs.toFixed(0)} ms`);
  console.log(`    native:  load ${nativeTimes.load_ms.toFixed(0)} + build ${nativeTimes.build_ms.toFixed(0)} ms (processor time)`);

  // Route queries between random free cells' centres.
  const rows = readFileSync(map, 'utf8').split('\n').slice(4);
  const next = random(512);
  const free = () => {
    for (;;) {
      const x = Math.floor(next() * 512), y = Math.floor(next() * 512);
      if ('.GS'.includes(rows[y][x])) return [x * 10 + 5, y * 10 + 5];
    }
  };
  const queries = [];
  for (let i = 0; i < 200; i++) queries.push(`path ${free().join(' ')} ${free().join(' ')}`);
  // Query times are processor times, on both sides the best of three: the
  // page's main thread over a pass of the queries, and bsplevel batch with
  // the queries less bsplevel batch without them (loading and building).
  const pageProcessorMs = async (fn, ...args) => {
    const t0 = await threadSeconds();
    const value = await page.evaluate(fn, ...args);
    return { ms: (await threadSeconds() - t0) * 1000, value };
  };
  let browserAnswers = null;
  let browserMs = Infinity;
  for (let pass = 0; pass < 3; pass++) {
    const { ms, value } = await pageProcessorMs((queries) => {
      const level = window.bspViewer.level;
      return queries.map((q) => {
        const n = q.split(' ').slice(1).map(Number);
        const r = level.findPath(n[0], n[1], n[2], n[3]);
        return r.found ? `path ${r.path.map((p) => p.join(' ')).join(' ')}` : 'path none';
      });
    }, queries);
    browserAnswers = browserAnswers || value;
    browserMs = Math.min(browserMs, ms);
  }
  const batchInput = `${queries.join('\n')}\n`;
  const native = tool(['batch', levelFile], batchInput).stdout.split('\n').filter((l) => l !== '');
  compareAnswers('maze512-1-0', queries, native, browserAnswers);
  const without = batchProcessorMs(levelFile, '', 3);
  const nativeMs = Math.max(batchProcessorMs(levelFile, batchInput, 3) - without, 0);
  const browserPerQuery = browserMs / queries.length, nativePerQuery = nativeMs / queries.length;
  console.log(`    route queries, 200 between random free cells: browser ${browserPerQuery.toFixed(2)} ms each, ` +
    `native ${nativePerQuery.toFixed(2)} ms each (processor time), ratio ${(browserPerQuery / nativePerQuery).toFixed(1)}`);

  // One route clicked across the maze, between the free cells nearest two
  // opposite corners, with the time the page shows.
  const corner = (fromEnd) => {
    for (let d = 0; d < 1024; d++) {
      for (let x = 0; x <= d; x++) {
        const y = d - x;
        if (x > 511 || y > 511) continue;
        const [cx, cy] = fromEnd ? [511 - x, 511 - y] : [x, y];
        if ('.GS'.includes(rows[cy][cx])) return [cx * 10 + 5, cy * 10 + 5];
      }
    }
    return [5, 5];
  };
  const a = await clientPoint(page, ...corner(false));
  const b = await clientPoint(page, ...corner(true));
  await page.mouse.click(a.x, a.y);
  await page.mouse.click(b.x, b.y);
  const start = (await text(page, '#route-start')).match(/-?\d+/g).map(Number);
  const goal = (await text(page, '#route-goal')).match(/-?\d+/g).map(Number);
  const shownTime = await text(page, '#route-time');
  const shownPoints = await text(page, '#route-result');
  check(shownPoints.startsWith('found'), `a route is found across the maze (${shownPoints})`);
  // The same query 50 times over, in the page and natively.
  const times = 50;
  let oneBrowser = Infinity;
  for (let pass = 0; pass < 3; pass++) {
    const { ms } = await pageProcessorMs((a, b, times) => {
      const level = window.bspViewer.level;
      for (let i = 0; i < times; i++) level.findPath(a[0], a[1], b[0], b[1]);
    }, start, goal, times);
    oneBrowser = Math.min(oneBrowser, ms / times);
  }
  const one = `path ${start.join(' ')} ${goal.join(' ')}\n`;
  const nativeOne = Math.max(batchProcessorMs(levelFile, one.repeat(times), 3) - without, 0) / times;
  console.log(`    the route clicked from (${start}) to (${goal}), ${shownPoints}: the page shows ${shownTime}; ` +
    `browser ${oneBrowser.toFixed(1)} ms, native ${nativeOne.toFixed(1)} ms (processor time, best of three runs of ${times})`);

  // The shortest route across the maze, for an agent of half-size 0: a
  // query's processor time in the page (after a first query, which builds
  // what the library keeps for the half-size; the best of three passes of
  // 50 queries) and natively (bsplevel batch with the first query and 200
  // more, less batch with the first query alone; the best of three runs of
  // each: the 200 queries take well over the spread of loading and building
  // the maze on a busy machine). The page's time must stay within twice the
  // native one.
  const routeLine = `route ${start.join(' ')} ${goal.join(' ')} 0\n`;
  const nativeRoute = parseRouteLine(tool(['batch', levelFile], routeLine).stdout.trim());
  const [browserRoute] = await pageRoutes(page, [routeLine.trim()]);
  check(nativeRoute && nativeRoute.status === 'found' && sameRoute(nativeRoute, browserRoute),
    `the shortest route across the maze is the native one (${nativeRoute && nativeRoute.path.length} corners, ` +
    `length ${nativeRoute && nativeRoute.length})`, `native: ${JSON.stringify(nativeRoute)}\nbrowser: ${JSON.stringify(browserRoute)}`);
  const routeTimes = 50, nativeRouteTimes = 200;
  let shortestBrowser = Infinity;
  for (let pass = 0; pass < 3; pass++) {
    const { ms } = await pageProcessorMs((a, b, times) => {
      const level = window.bspViewer.level;
      for (let i = 0; i < times; i++) level.findShortestPath(a[0], a[1], b[0], b[1], 0);
    }, start, goal, routeTimes);
    shortestBrowser = Math.min(shortestBrowser, ms / routeTimes);
  }
  const firstOnly = batchProcessorMs(levelFile, routeLine, 3);
  const shortestNative =
    Math.max(batchProcessorMs(levelFile, routeLine.repeat(nativeRouteTimes + 1), 3) - firstOnly, 0) / nativeRouteTimes;
  console.log(`    the shortest route (half-size 0) from (${start}) to (${goal}): browser ${shortestBrowser.toFixed(2)} ms, ` +
    `native ${shortestNative.toFixed(2)} ms a query (processor time, best of three runs of ${routeTimes} and ` +
    `${nativeRouteTimes}), ` +
    `ratio ${(shortestBrowser / shortestNative).toFixed(2)}; the page shows ${await text(page, '#shortest-time')}`);
  check(shortestBrowser <= 2 * shortestNative,
    `a shortest route's query in the browser takes at most twice the native time (${shortestBrowser.toFixed(2)} ms ` +
    `against ${shortestNative.toFixed(2)} ms)`);

  // Panning: frames that only copy painted tiles, and those that paint new ones.
  await page.evaluate(() => window.bspViewer.resetFrameStats());
  const box = await page.$eval('#canvas', (el) => { const r = el.getBoundingClientRect(); return { x: r.x, y: r.y, w: r.width, h: r.height }; });
  const cx = box.x + box.w / 2, cy = box.y + box.h / 2;
  for (const zoom of [0, 3, 6]) {
    for (let i = 0; i < zoom; i++) {
      await page.mouse.move(cx, cy);
      await page.mouse.wheel({ deltaY: -240 });
      await new Promise((r) => setTimeout(r, 30));
    }
    await page.mouse.move(cx - 200, cy - 150);
    await page.mouse.down();
    for (let i = 1; i <= 40; i++) {
      await page.mouse.move(cx - 200 + i * 10, cy - 150 + i * 7.5);
      await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => r())));
    }
    await page.mouse.up();
  }
  await page.evaluate(() => new Promise((r) => setTimeout(r, 500)));
  const frames = await page.evaluate(() => window.bspViewer.frameStats());
  console.log(`    panning maze512 at three zooms: ${frames.copied.frames} frames copying tiles, mean ` +
    `${frames.copied.meanMs.toFixed(2)} ms, 95th percentile ${frames.copied.p95Ms.toFixed(2)} ms; ` +
    `${frames.painted.frames} frames painting new tiles, mean ${frames.painted.meanMs.toFixed(1)} ms, ` +
    `longest ${frames.painted.maxMs.toFixed(1)} ms`);
  check(frames.copied.frames > 0 && frames.copied.p95Ms < 16,
    'panning frames that copy tiles take under 16 ms (95th percentile)', JSON.stringify(frames));

  // The same map opened as a grid map: the importer's time too.
  const mapOpened = await openInPage(page, map);
  const sameInfo = (x, y) => JSON.stringify({ ...x, level: '' }) === JSON.stringify({ ...y, level: '' });
  check(mapOpened.state === 'loaded' && sameInfo(mapOpened.info, opened.info),
    'maze512-1-0.map opened as a grid map gives the same level');
  const lm = mapOpened.timings.library;
  console.log(`    maze512-1-0.map: ${mapOpened.timings.buildMs.toFixed(0)} ms in the browser (import ` +
    `${lm.importMs.toFixed(0)} + load ${lm.loadMs.toFixed(0)} + build ${lm.buildMs.toFixed(0)})`);
}

async function partD(page) {
  console.log('# (d) a Tiled map through the file input');
  const hasTiled = await page.evaluate(() => window.bspViewer.lib.features.tiledMaps);
  if (!hasTiled) {
    console.log('    skipped: the module was built without the Tiled importer (features.tiledMaps is false)');
    return;
  }
  // The fixture names its tileset walls.tsx: chosen alone, it is refused in
  // one line naming the tileset, and the map panel says which file to add;
  // added, the map opens as bsplevel imports it.
  const original = join(tiledDir, 'small_zlib.tmx');
  const refused = await openInPage(page, original);
  const shownError = await text(page, '#problem-text');
  const missing = await page.$eval('#map-missing', (el) => el.dataset.missing);
  check(refused.state === 'error' && shownError === 'small_zlib.tmx: tileset "walls.tsx": not among the files given: ' +
    'choose it together with the map, or drop the map\'s folder' && missing === 'walls.tsx',
  'a Tiled map chosen without its tileset is refused in one line, and the page asks for walls.tsx',
  `${shownError}\nmissing: ${missing}`);
  const levelFile = join(work, 'small_zlib.txt');
  const imported = tool(['import-tiled', original, '-o', levelFile, '--solid']);
  if (imported.status !== 0) fatal(`bsplevel import-tiled failed: ${imported.stderr}`);
  const expected = nativeInfo(levelFile);
  const added = await afterOpen(page, async () => (await page.$('#add-files-input')).uploadFile(join(tiledDir, 'walls.tsx')));
  check(added.state === 'loaded' && JSON.stringify(bareInfo(added.info)) === JSON.stringify(expected) && added.missing === '',
    `its tileset added, the map opens as bsplevel import-tiled imports it (${expected.walls} walls, ${expected.areas} areas)`,
    `page:   ${JSON.stringify(added)}\nnative: ${JSON.stringify(expected)}`);
  // A JSON map through the API (gzip-compressed layer), its external
  // tileset walls.tsj given by name.
  const tmj = join(tiledDir, 'small_gzip.tmj');
  const tmjLevel = join(work, 'small_gzip.txt');
  const tmjNative = tool(['import-tiled', tmj, '-o', tmjLevel, '--solid']);
  if (tmjNative.status !== 0) fatal(`bsplevel import-tiled failed: ${tmjNative.stderr}`);
  const tmjInfo = await page.evaluate((t, tileset) => {
    try {
      const level = window.bspViewer.lib.Level.fromTiledMap(t, { name: 'small_gzip.tmj', files: { 'walls.tsj': tileset } });
      const i = level.info();
      level.delete();
      return i;
    } catch (e) {
      return { error: e.message };
    }
  }, readFileSync(tmj, 'utf8'), readFileSync(join(tiledDir, 'walls.tsj'), 'utf8'));
  const want = nativeInfo(tmjLevel);
  check(JSON.stringify(bareInfo(tmjInfo)) === JSON.stringify(want),
    'Level.fromTiledMap reads a .tmj map with its tileset given as bsplevel import-tiled does',
    `page:   ${JSON.stringify(tmjInfo)}\nnative: ${JSON.stringify(want)}`);
}

async function partE(page) {
  console.log('# (e) the shortest route for an agent, clicked');
  const map = join(mapsDir, 'den012d.map');
  const levelFile = join(work, 'den012d.txt');
  // (b) imports it too; (e) may run alone.
  if (!existsSync(levelFile) && tool(['import-grid', map, '-o', levelFile, '--solid']).status !== 0) {
    fatal('bsplevel import-grid failed');
  }
  const opened = await openInPage(page, map);
  if (!check(opened.state === 'loaded', 'the page opens den012d.map again')) return;
  // The agent's half-size on the slider, as a user would set it.
  await page.$eval('#agent-size', (el) => {
    el.value = '4';
    el.dispatchEvent(new Event('input', { bubbles: true }));
  });
  check(await text(page, '#agent-size-value') === '4', 'the agent slider is set to 4');
  // The whole map, a route across it, a segment and a ball.
  const [from, to] = [[885, 5], [1415, 2835]];
  for (const [x, y] of [from, to]) {
    const p = await clientPoint(page, x, y);
    await page.mouse.click(p.x, p.y);
  }
  const start = (await text(page, '#route-start')).match(/-?\d+/g).map(Number);
  const goal = (await text(page, '#route-goal')).match(/-?\d+/g).map(Number);
  const native = tool(['route', levelFile, ...start.map(String), ...goal.map(String), '--agent', '4']);
  const nativeLines = native.stdout.trim().split('\n');
  const nativeLength = native.status === 0 ? Number(nativeLines.at(-1).split(' ')[1]) : NaN;
  const nativeCorners = native.status === 0 ? nativeLines.slice(0, -1).join(',') : '';
  const shownLength = await text(page, '#shortest-length');
  const shown = await page.$eval('#shortest-result', (el) => ({ status: el.dataset.status, points: el.dataset.points }));
  check(native.status === 0 && shown.status === 'found' && shownLength === nativeLength.toFixed(2) &&
    shown.points === nativeCorners,
  `the shortest route shown for half-size 4 is bsplevel route --agent 4's (length ${nativeLength.toFixed(2)}, ` +
    `${nativeLines.length - 1} corners)`, `page: ${shownLength} ${JSON.stringify(shown)}\nnative: ${native.stdout}${native.stderr}`);
  const shortestTime = await text(page, '#shortest-time');
  check(/^\d+(\.\d+)? ms/.test(shortestTime), `the shortest route's time is shown (${shortestTime})`);

  // Zoomed in on the routes' lower bends, where the agent's squares show,
  // with a segment and a ball beside them.
  await page.evaluate(() => window.bspViewer.showRect(330, 2330, 830, 2800));
  await dragSegment(page, 745, 2365, 625, 2505, 5);
  await page.$eval('#ball-radius', (el) => { el.value = '25'; });
  const b = await clientPoint(page, 560, 2420);
  await page.mouse.move(b.x, b.y);
  await page.evaluate(() => new Promise((r) => setTimeout(r, 600)));
  const route = await text(page, '#route-result');
  check(route.startsWith('found'), `the route across den012d is found (${route})`);
}

// The page's answers to batch lines, each as bsplevel batch writes it (a
// route as { status, path, length }, compared with sameRoute); a door line
// opens or closes the door through the API.
async function pageBatch(page, lines) {
  return page.evaluate((lines) => {
    const level = window.bspViewer.level;
    return lines.map((q) => {
      const w = q.split(' ');
      const n = w.slice(1).map(Number);
      if (w[0] === 'door') {
        level.setDoor(n[0], w[2] === 'open');
        return `door ${n[0]} ${level.isDoorOpen(n[0]) ? 'open' : 'closed'}`;
      }
      if (w[0] === 'path') {
        const r = level.findPath(n[0], n[1], n[2], n[3]);
        return r.found ? `path ${r.path.map((p) => p.join(' ')).join(' ')}` : 'path none';
      }
      if (w[0] === 'route') {
        const { status, path, length } = level.findShortestPath(n[0], n[1], n[2], n[3], n[4]);
        return { status, path, length };
      }
      if (w[0] === 'segment') {
        const r = level.intersectSegment(n[0], n[1], n[2], n[3], n.length > 4 ? n[4] : undefined);
        return r.hit ? `hit ${r.x} ${r.y}` : 'no hit';
      }
      return level.intersectBall(n[0], n[1], n[2]) ? 'touch' : 'clear';
    });
  }, lines);
}

// The doors open in the page, as bsplevel's --open options.
async function openOptions(page) {
  const open = await page.evaluate(() => window.bspViewer.level.doors().filter((d) => d.open).map((d) => d.id));
  return { open, args: open.flatMap((d) => ['--open', String(d)]) };
}

async function partF(page) {
  console.log('# (f) doors and solid space: dungeon.txt');
  // The fixture is dungeon.map as the page imports maps, and seven doors.
  const importedFile = join(work, 'dungeon-imported.txt');
  if (tool(['import-grid', dungeonMap, '-o', importedFile, '--solid']).status !== 0) fatal('bsplevel import-grid failed');
  const fixture = readFileSync(dungeon, 'utf8');
  const imported = readFileSync(importedFile, 'utf8');
  check(fixture.startsWith(imported) && /^<DOORS>\n/.test(fixture.slice(imported.length)),
    'dungeon.txt is dungeon.map imported with --solid, and a <DOORS> section');
  const opened = await openInPage(page, dungeon);
  if (!check(opened.state === 'loaded', 'the page opens dungeon.txt')) return;
  const info = { ...opened.info };
  delete info.level;
  const expected = nativeInfo(dungeon);
  check(JSON.stringify(info) === JSON.stringify(expected) && expected.doors === 7 && expected.solid_areas > 0,
    `info() equals bsplevel info --json (${expected.doors} doors, ${expected.solid_areas} solid areas)`,
    `page:   ${JSON.stringify(info)}\nnative: ${JSON.stringify(expected)}`);
  const shownInfo = await page.$eval('#info', (el) => el.textContent);
  check(shownInfo.includes(`solid areas${expected.solid_areas}`) && shownInfo.includes('doors7 (0 open, '),
    'the info panel shows the solid areas and the doors', shownInfo);

  // Solid space on a lattice of every 5 units (cell centres, sides and
  // corners): against the map (a point is in solid space exactly when every
  // cell it touches is blocked: on a side between a blocked and a free cell
  // it stands on a wall), and against bsplevel batch, where a path from a
  // point to itself finds none exactly when the point lies in solid space.
  const rows = readFileSync(dungeonMap, 'utf8').split('\n').slice(4).filter((r) => r.length > 0);
  const [, , W, H] = expected.bounds;
  const blocked = (cx, cy) => rows[cy][cx] !== '.';
  const points = [];
  for (let y = 0; y <= H; y += 5) for (let x = 0; x <= W; x += 5) points.push([x, y]);
  const fromMap = points.map(([x, y]) => {
    const xs = x % 10 ? [Math.floor(x / 10)] : [x / 10 - 1, x / 10];
    const ys = y % 10 ? [Math.floor(y / 10)] : [y / 10 - 1, y / 10];
    return xs.every((cx) => ys.every((cy) => cx < 0 || cy < 0 || cx >= rows[0].length || cy >= rows.length ||
      blocked(cx, cy)));
  });
  const batch = tool(['batch', dungeon], points.map(([x, y]) => `path ${x} ${y} ${x} ${y}`).join('\n') + '\n');
  const fromTool = batch.stdout.split('\n').filter((l) => l !== '').map((l) => l === 'path none');
  const fromPage = await page.evaluate((points) => points.map(([x, y]) => window.bspViewer.level.isSolid(x, y)), points);
  const wrong = [];
  points.forEach((p, i) => {
    if (fromPage[i] !== fromMap[i] || fromPage[i] !== fromTool[i]) {
      wrong.push(`(${p}): page ${fromPage[i]}, map ${fromMap[i]}, bsplevel ${fromTool[i]}`);
    }
  });
  check(fromTool.length === points.length && wrong.length === 0,
    `isSolid at ${points.length} lattice points agrees with the map and with bsplevel (${fromPage.filter(Boolean).length} solid)`,
    wrong.slice(0, 5).join('\n'));

  // Random queries with doors opened and closed between them, answered in
  // the page through the API and by bsplevel batch from the same lines.
  const next = random(777);
  const int = (lo, hi) => lo + Math.floor(next() * (hi - lo + 1));
  const px = () => `${int(-10, W + 10)} ${int(-10, H + 10)}`;
  const lines = [];
  for (let i = 0; i < 800; i++) {
    const k = next();
    if (k < 0.15) lines.push(`door ${int(0, 6)} ${next() < 0.6 ? 'open' : 'close'}`);
    else if (k < 0.5) lines.push(`path ${px()} ${px()}`);
    else if (k < 0.65) lines.push(`route ${px()} ${px()} ${next() < 0.5 ? 0 : 3}`);
    else if (k < 0.85) lines.push(`segment ${px()} ${px()}${next() < 0.3 ? ` ${int(0, W)}` : ''}`);
    else lines.push(`ball ${px()} ${int(0, 30)}`);
  }
  lines.push(...[0, 1, 2, 3, 4, 5, 6].map((d) => `door ${d} close`));
  const nativeRun = tool(['batch', dungeon], `${lines.join('\n')}\n`);
  if (nativeRun.status !== 0) fatal(`bsplevel batch failed: ${nativeRun.stderr}`);
  const native = nativeRun.stdout.split('\n').filter((l) => l !== '');
  const browser = await pageBatch(page, lines);
  const differ = [];
  const counts = {};
  let found = 0;
  lines.forEach((q, i) => {
    const kind = q.split(' ')[0];
    counts[kind] = (counts[kind] || 0) + 1;
    const same = kind === 'route' ? sameRoute(parseRouteLine(native[i] || ''), browser[i]) : native[i] === browser[i];
    if (native[i] && (native[i].startsWith('path ') && native[i] !== 'path none')) found++;
    if (!same) differ.push(`${q}\n  native:  ${native[i]}\n  browser: ${JSON.stringify(browser[i])}`);
  });
  check(native.length === lines.length && differ.length === 0,
    `dungeon: ${lines.length} queries with doors opened and closed between them answer as bsplevel batch ` +
    `(${Object.entries(counts).map(([k, v]) => `${v} ${k}`).join(', ')}; ${found} paths found)`,
    `${differ.length} differ; the first:\n${differ.slice(0, 3).join('\n')}`);

  // Doors clicked in the page. A start in room A and a goal in room F: no
  // route while the doors are closed; after each click the route and the
  // shortest route (half-size 3) shown must be bsplevel's with the doors
  // then open.
  await page.evaluate(() => window.bspViewer.fitLevel());
  await page.$eval('#agent-size', (el) => {
    el.value = '3';
    el.dispatchEvent(new Event('input', { bubbles: true }));
  });
  const [start, goal] = [[45, 45], [425, 255]];
  for (const p of [start, goal]) {
    const c = await clientPoint(page, ...p);
    await page.mouse.click(c.x, c.y);
  }
  const doors = await page.evaluate(() => window.bspViewer.level.doors());
  const middle = (d) => [(d.x1 + d.x2) / 2, (d.y1 + d.y2) / 2];
  const compareShown = async (what) => {
    const { open, args } = await openOptions(page);
    const path = tool(['path', dungeon, ...start.map(String), ...goal.map(String), ...args]);
    const nativePoints = path.status === 0 ? pointsOf(path.stdout) : [];
    const shownPoints = await page.$$eval('#route-points li', (items) => items.map((li) => li.textContent.split(' ').map(Number)));
    const result = await text(page, '#route-result');
    const route = tool(['route', dungeon, ...start.map(String), ...goal.map(String), '--agent', '3', '--json', ...args]);
    const nativeRoute = JSON.parse(route.stdout);
    const shown = await page.$eval('#shortest-result', (el) => ({ status: el.dataset.status, points: el.dataset.points }));
    const pathOk = path.status === 0
      ? result === `found, ${nativePoints.length} points` && JSON.stringify(shownPoints) === JSON.stringify(nativePoints)
      : path.status === 1 && result === 'no route';
    const routeOk = shown.status === nativeRoute.status &&
      shown.points === nativeRoute.path.map((p) => (Array.isArray(p) ? p : [p.x, p.y]).join(' ')).join(',');
    check(pathOk && routeOk,
      `${what}: doors open ${open.length ? open.join(', ') : 'none'}; the page shows ${result} and the shortest route ` +
      `${shown.status}, as bsplevel path and route --agent 3 ${args.join(' ') || '(no --open)'}`,
      `page: ${result} ${JSON.stringify(shownPoints)} / ${JSON.stringify(shown)}\n` +
      `native: ${path.stdout.trim().replaceAll('\n', ' ')} ${path.stderr.trim()} / ${route.stdout.trim()}`);
    return path.status === 0;
  };
  await compareShown('before any click');
  const clickDoor = async (id) => {
    const c = await clientPoint(page, ...middle(doors[id]));
    await page.mouse.click(c.x, c.y);
    return page.evaluate(() => {
      const last = document.querySelector('#door-last');
      return { last: { door: last.dataset.door, open: last.dataset.open }, text: last.textContent,
        open: document.querySelector('#doors-count').dataset.open };
    });
  };
  let clicked = true;
  let routeFound = false;
  // Through A-B, B-C and C-F; then B-E and E-F, which offer another way;
  // then B-C closed again; then D-E; then B-C and A-D open, C-F and E-F
  // closed, which leaves F behind closed doors.
  for (const id of [0, 1, 3, 6, 5, 1, 4, 1, 2, 3, 5]) {
    const before = await page.evaluate((id) => window.bspViewer.level.isDoorOpen(id), id);
    const shownDoor = await clickDoor(id);
    const after = await page.evaluate((id) => window.bspViewer.level.isDoorOpen(id), id);
    const { open } = await openOptions(page);
    clicked &&= after === !before && shownDoor.last.door === String(id) && shownDoor.last.open === String(after) &&
      shownDoor.text === `D${id} ${after ? 'opened' : 'closed'}` && shownDoor.open === open.join(',');
    routeFound = (await compareShown(`door ${id} clicked ${after ? 'open' : 'closed'}`)) || routeFound;
  }
  check(clicked && routeFound, 'a click on a door opens or closes it, and the doors readout says so');
  const { args } = await openOptions(page);

  // A start clicked in the rock: no route, and the page says why, as the tool does.
  const rockStart = [150, 150];
  for (const p of [rockStart, goal]) {
    const c = await clientPoint(page, ...p);
    await page.mouse.click(c.x, c.y);
  }
  const rockResult = await text(page, '#route-result');
  const rockNative = tool(['path', dungeon, ...rockStart.map(String), ...goal.map(String), ...args]);
  const rockShortest = await text(page, '#shortest-result');
  check(rockNative.status === 1 && /the start \(150,150\) lies in solid space/.test(rockNative.stderr) &&
    rockResult === 'no route: the start lies in solid space' &&
    rockShortest.startsWith('no route: the start lies in solid space'),
  'a start in the rock: no route, and the page says it lies in solid space, as bsplevel path does',
  `page: ${rockResult} / ${rockShortest}\nnative: ${rockNative.stderr.trim()}`);

  // The screenshot: the whole dungeon, a route through the doors open (all
  // but D3 and D5) and the shortest route for an agent of half-size 4, a
  // segment stopped by the closed door D3, the ball on the rock.
  await page.$eval('#agent-size', (el) => {
    el.value = '4';
    el.dispatchEvent(new Event('input', { bubbles: true }));
  });
  for (const p of [[45, 185], [425, 45]]) {
    const c = await clientPoint(page, ...p);
    await page.mouse.click(c.x, c.y);
  }
  await dragSegment(page, 410, 95, 410, 200, 5);
  const segShown = await text(page, '#segment-result');
  check(segShown === 'hit at (410, 140)', `the segment stops at the closed door D3 (${segShown})`);
  await page.$eval('#ball-radius', (el) => { el.value = '12'; });
  const b = await clientPoint(page, 262, 222);
  await page.mouse.move(b.x, b.y);
  await page.evaluate(() => new Promise((r) => setTimeout(r, 600)));
  const ballShown = await text(page, '#ball-result');
  check(ballShown === 'touches: its centre lies in solid space', `the ball on the rock pillar touches (${ballShown})`);
  const route = await text(page, '#route-result');
  check(route.startsWith('found'), `the screenshot's route is found (${route})`);
  const file = join(here, 'screenshot.png');
  await page.screenshot({ path: file });
  check(statSync(file).size > 10000, `a screenshot is saved: ${file}`);
}

// ------------------------------------------------------------------ strict texts, the sample, ?level=

// What the page shows after an open: its state, the problem box (the line,
// the library's messages behind their toggle, whether "Show what was read"
// is offered), the status line and the level's info.
async function shown(page) {
  return page.evaluate(() => {
    const $ = (id) => document.getElementById(id);
    return {
      state: document.body.dataset.state,
      problem: $('problem').hidden ? null : $('problem-text').textContent,
      messages: $('problem-messages-box').hidden ? null : $('problem-messages').textContent,
      partial: !$('partial-button').hidden,
      status: $('status').textContent,
      info: window.bspViewer.level && window.bspViewer.level.info(),
    };
  });
}

// info --json without the fields the page does not have (the level's name,
// and the error line that bsplevel adds for a level that is not whole).
function bareInfo(info) {
  const out = { ...info };
  delete out.level;
  delete out.error;
  return out;
}

// The page as it opens: the sample level, whole, its info bsplevel's.
async function sampleShown(page, started) {
  console.log('# the page opens with its sample level');
  const s = await shown(page);
  const expected = nativeInfo(dungeon);
  check(started && s.state === 'loaded' && s.problem === null && s.info && s.info.level === 'samples/dungeon.txt' &&
    JSON.stringify(bareInfo(s.info)) === JSON.stringify(expected) && s.status.startsWith('samples/dungeon.txt: '),
  `the page opens with samples/dungeon.txt, as bsplevel info --json describes it (${expected.walls} walls, ` +
    `${expected.doors} doors)`, `${JSON.stringify(s)}\nnative: ${JSON.stringify(expected)}`);
  const file = join(here, 'screenshot-start.png');
  await page.screenshot({ path: file });
  check(statSync(file).size > 10000, `a screenshot of the page as it opens is saved: ${file}`);
}

// Level texts that bsplevel refuses, each with a line of its own, and the
// page must refuse alike: dropped walls and doors, empty texts and texts
// without a tag, a malformed item, an unknown tag, a refused build.
const REFUSED = [
  ['diagonal.txt', '<WALLS>\n[10,50]->[90,50]\n[10,10]->[20,20]\n[50,0]->[50,40]\n'],
  ['zero.txt', '<WALLS>\n[10,50]->[90,50]\n\n[30,30]->[30,30]\n'],
  ['diagonal_door.txt', '<WALLS>\n[0,50]->[40,50]\n[60,50]->[100,50]\n<DOORS>\n[40,50]->[60,60]\n'],
  ['zero_door.txt', '<WALLS>\n[0,50]->[40,50]\n<DOORS>\n[40,50]->[40,50]\n'],
  ['crlf_diagonal.txt', '<WALLS>\r\n[10,50]->[90,50]\r\n[10,10]->[20,20]\r\n'],
  ['bom_diagonal.txt', '\uFEFF<WALLS>\n[10,50]->[90,50]\n[10,10]->[20,20]\n'],
  ['empty.txt', ''],
  ['blank.txt', '\n\n\n'],
  ['bom_only.txt', '\uFEFF'],
  ['no_tag.txt', '[10,50]->[90,50]\n<WALLS>\n'],
  ['unknown_tag.txt', '<WALLS>\n[10,50]->[90,50]\n<WALL>\n[20,20]->[20,80]\n'],
  ['malformed.txt', '<WALLS>\n[10,50]->[90,50\n[20,20]->[20,80]\n'],
  ['outside.txt', '<AREA>\n[100,60]\n<WALLS>\n[50,0]->[50,40]\n[0,30]->[130,30]\n'],
];

async function partG(page) {
  console.log('# (g) strict level texts, as bsplevel reads them');
  for (const [name, text] of REFUSED) writeFileSync(join(served, name), text);
  const beside = { cwd: served };

  // Each refused text through the file input and through the API: the one
  // line bsplevel writes, the library's messages only behind their toggle
  // (what bsplevel --verbose writes before its line), and the partial view
  // offered.
  const wrong = [];
  for (const [name, text] of REFUSED) {
    const native = tool(['info', name], undefined, beside);
    const line = native.stderr.trim();
    const verbose = tool(['info', name, '--verbose'], undefined, beside).stderr.trim().split('\n').slice(0, -1).join('\n')
      .trim();
    await openInPage(page, join(served, name));
    const s = await shown(page);
    const api = await page.evaluate((text, name) => {
      try {
        window.bspViewer.lib.Level.fromText(text, name).delete();
        return { message: 'no error' };
      } catch (e) {
        return { message: e.message, libraryMessage: e.libraryMessage, stage: e.stage };
      }
    }, text, name);
    const ok = native.status === 2 && line !== '' && !line.includes('\n') && line.startsWith(`${name}:`) &&
      s.state === 'error' && s.problem === line && s.partial && (s.messages ?? '') === verbose &&
      api.message === line && api.libraryMessage === verbose;
    if (!ok) {
      wrong.push(`${name}: bsplevel (status ${native.status}): ${line}\n  page: ${JSON.stringify(s)}\n` +
        `  API: ${JSON.stringify(api)}\n  verbose: ${verbose}`);
    }
  }
  check(wrong.length === 0,
    `${REFUSED.length} refused level texts (dropped walls and doors, empty, no tag, malformed, unknown tag, build ` +
    'refused): the page and the API give the very line bsplevel writes, the library\'s messages only behind the toggle',
    wrong.join('\n'));

  // "Show what was read": the level as bsplevel --partial answers from it.
  for (const name of ['diagonal.txt', 'malformed.txt', 'outside.txt']) {
    await openInPage(page, join(served, name));
    await page.evaluate(() => { document.body.dataset.state = 'opening'; });
    await page.click('#partial-button');
    await page.waitForFunction(() => ['loaded', 'error'].includes(document.body.dataset.state), { timeout: 60000 });
    const s = await shown(page);
    const nativeJson = tool(['info', name, '--json', '--partial'], undefined, beside);
    const expected = bareInfo(JSON.parse(nativeJson.stdout));
    const problems = tool(['info', name, '--partial'], undefined, beside).stderr.trim();
    const queries = randomQueries(expected.bounds, 200, 99);
    const batch = tool(['batch', name, '--partial'], `${queries.join('\n')}\n`, beside);
    const native = batch.stdout.split('\n').filter((l) => l !== '');
    const browser = await pageAnswers(page, queries);
    check(s.state === 'loaded' && JSON.stringify(bareInfo(s.info)) === JSON.stringify(expected) &&
      s.problem === `Shown as far as it loaded (as bsplevel --partial):\n${problems}` && !s.partial &&
      native.length === queries.length && JSON.stringify(native) === JSON.stringify(browser),
    `${name}: "Show what was read" shows the level as bsplevel --partial describes it and answers 200 queries ` +
      'as bsplevel batch --partial',
    `page: ${JSON.stringify(s)}\nnative: ${JSON.stringify(expected)}\n${problems}\n` +
      `answers differ: ${native.filter((l, i) => l !== browser[i]).length}`);
  }

  // A UTF-8 byte order mark: a level loads as without it, in the tool and
  // in the page, through the file input (the file's bytes) and through the
  // API (a string that keeps the mark, and the bytes).
  const levelText = readFileSync(pf4, 'utf8');
  writeFileSync(join(served, 'bom.txt'), `\uFEFF${levelText}`);
  const bomNative = tool(['info', 'bom.txt', '--json'], undefined, beside);
  const bomOpened = await openInPage(page, join(served, 'bom.txt'));
  const bomApi = await page.evaluate((text) => {
    const { Level } = window.bspViewer.lib;
    const infos = [`\uFEFF${text}`, new TextEncoder().encode(`\uFEFF${text}`)].map((t) => {
      const level = Level.fromText(t, 'bom.txt');
      const info = level.info();
      level.delete();
      return info;
    });
    return infos;
  }, levelText);
  const plain = nativeInfo(pf4);
  check(bomNative.status === 0 && bomOpened.state === 'loaded' &&
    JSON.stringify(bareInfo(JSON.parse(bomNative.stdout))) === JSON.stringify(plain) &&
    JSON.stringify(bareInfo(bomOpened.info)) === JSON.stringify(plain) &&
    bomApi.every((i) => JSON.stringify(bareInfo(i)) === JSON.stringify(plain)),
  'a level file opening with a UTF-8 byte order mark loads in bsplevel, the page and the API as without it',
  `native: ${bomNative.status} ${bomNative.stdout}${bomNative.stderr}\npage: ${JSON.stringify(bomOpened)}\n` +
    `API: ${JSON.stringify(bomApi)}`);
  // A grid map with the mark opens as the map without it.
  writeFileSync(join(served, 'bom.map'), `\uFEFF${readFileSync(dungeonMap, 'utf8')}`);
  const bomMap = await openInPage(page, join(served, 'bom.map'));
  const mapLevel = join(work, 'dungeon-map.txt');
  tool(['import-grid', dungeonMap, '-o', mapLevel]);
  check(bomMap.state === 'loaded' && JSON.stringify(bareInfo(bomMap.info)) === JSON.stringify(nativeInfo(mapLevel)),
    'a grid map opening with a UTF-8 byte order mark opens as without it', JSON.stringify(bomMap));

  // A grid map the importer refuses: bsplevel import-grid's reason, after
  // the file's name; nothing to show partly.
  writeFileSync(join(served, 'short.map'), 'type octile\nheight 3\nwidth 2\nmap\n..\n..\n');
  const refusedMap = tool(['import-grid', 'short.map', '-o', join(work, 'short.txt')], undefined, beside);
  await openInPage(page, join(served, 'short.map'));
  const mapShown = await shown(page);
  const mapLine = refusedMap.stderr.trim().replace(/^bsplevel: import-grid: /, '');
  check(refusedMap.status === 2 && mapShown.state === 'error' && mapShown.problem === mapLine && !mapShown.partial,
    `a grid map that the importer refuses: the page gives bsplevel import-grid's reason (${mapLine})`,
    `page: ${JSON.stringify(mapShown)}\nnative: ${refusedMap.stderr}`);

  // What a text holds, as the library tells it, against bsplevel, which
  // says that a map given for a level is one.
  const files = [pf4, dungeonMap, join(served, 'bom.map'), join(served, 'empty.txt'), join(tiledDir, 'small_csv.tmx'),
    join(tiledDir, 'small_csv.tmj'), join(tiledDir, 'malformed.tmj'), join(ldtkDir, 'platformer.ldtk')];
  const formats = await page.evaluate((texts) => texts.map((t) => window.bspViewer.lib.formatOf(new Uint8Array(t))),
    files.map((f) => [...readFileSync(f)]));
  const nativeFormats = files.map((f) => {
    const err = tool(['info', f]).stderr;
    return /looks like a grid map/.test(err) ? 'grid' : /looks like a Tiled map/.test(err) ? 'tiled'
      : /looks like an LDtk project/.test(err) ? 'ldtk' : 'level';
  });
  check(JSON.stringify(formats) === JSON.stringify(nativeFormats) && formats.includes('grid') && formats.includes('tiled') &&
    formats.includes('ldtk'),
  `formatOf tells levels, grid maps, Tiled maps and LDtk projects apart as bsplevel does (${formats.join(', ')})`,
    `page: ${formats}\nnative: ${nativeFormats}`);
}

async function partH(page) {
  console.log('# (h) the page standing alone: ?level=');
  const origin = new URL(url).origin;
  // Opens the page with the query in a tab of its own: what it shows, the
  // requests it made, the errors in its console.
  const visit = async (query, screenshot) => {
    const tab = await page.browser().newPage();
    const requests = [];
    const errors = [];
    tab.on('request', (r) => requests.push(r.url()));
    tab.on('pageerror', (e) => errors.push(e.message));
    tab.on('console', (m) => {
      // A file the server does not have is reported by the browser too.
      if (m.type() === 'error' && !/Failed to load resource/.test(m.text())) errors.push(m.text());
    });
    await tab.goto(`${url}${query}`);
    await tab.evaluate(() => window.bspViewer.started);
    const s = await shown(tab);
    if (screenshot) await tab.screenshot({ path: screenshot });
    await tab.close();
    return { ...s, requests, errors };
  };

  // Levels and maps of the served folder.
  const denLevel = join(work, 'den012d-url.txt');
  tool(['import-grid', join(repoRoot, 'maps', 'den012d.map'), '-o', denLevel]);
  const shot = join(here, 'screenshot-url.png');
  for (const [path, native, screenshot] of [['maps/den012d.map', denLevel, shot],
    ['test_levels/level_test_pathfinder_4.txt', pf4], ['samples/dungeon.map', null]]) {
    const s = await visit(`?level=${encodeURIComponent(path)}`, screenshot);
    let expected = null;
    if (native) expected = nativeInfo(native);
    else {
      const imported = join(work, 'url-imported.txt');
      tool(['import-grid', join(webDir, path), '-o', imported]);
      expected = nativeInfo(imported);
    }
    check(s.state === 'loaded' && s.problem === null && s.info.level === path && s.errors.length === 0 &&
      JSON.stringify(bareInfo(s.info)) === JSON.stringify(expected),
    `?level=${path} opens that file of the served folder, as bsplevel describes it (${expected.walls} walls)`,
    `page: ${JSON.stringify(s)}\nnative: ${JSON.stringify(expected)}`);
  }
  check(statSync(shot).size > 10000, `a screenshot of ?level=maps/den012d.map is saved: ${shot}`);

  // A Tiled map at a path: the page fetches the tileset it names beside it,
  // and nothing else.
  const keepNative = nativeImport('import-tiled', webDir, 'samples/keep.tmx');
  const keep = await visit('?level=samples/keep.tmx');
  const fetchedFiles = keep.requests.map((r) => new URL(r).pathname).filter((p) => p.startsWith('/samples/'));
  check(keep.state === 'loaded' && keep.problem === null && keep.errors.length === 0 &&
    JSON.stringify(bareInfo(keep.info)) === JSON.stringify(keepNative.info) &&
    JSON.stringify(fetchedFiles.sort()) === JSON.stringify(['/samples/dungeon.tsx', '/samples/keep.tmx']),
  `?level=samples/keep.tmx opens the map with the tileset it names, fetched beside it, as bsplevel imports it ` +
    `(${keepNative.info.walls} walls)`, `page: ${JSON.stringify(keep)}
native: ${JSON.stringify(keepNative.info)}`);

  // A broken level at a path: the tool's line, naming it by that path.
  writeFileSync(join(served, 'broken-url.txt'), '<WALLS>\n[10,50]->[90,50]\n[10,10]->[20,20]\n');
  const brokenNative = tool(['info', 'test-work/broken-url.txt'], undefined, { cwd: work }).stderr.trim();
  const broken = await visit('?level=test-work/broken-url.txt');
  check(broken.state === 'error' && broken.problem === brokenNative && broken.partial,
    `?level= naming a level that does not load gives bsplevel's line for that path (${brokenNative})`,
    JSON.stringify(broken));

  // Paths that are refused before anything is fetched, and a missing file.
  const refused = ['../README.md', '/etc/passwd', 'https://example.com/level.txt', '//example.com/level.txt',
    '.git/HEAD', 'maps/../../README.md', 'samples\\dungeon.txt', 'maps/./den012d.map', 'maps//den012d.map', ''];
  const bad = [];
  for (const path of refused) {
    const s = await visit(`?level=${encodeURIComponent(path)}`);
    const fetched = s.requests.filter((r) => !r.startsWith(`${origin}/`) ||
      !/^\/(|index\.html|style\.css|viewer\.js|viewer\/\w+\.js|bsp_levels_api\.js|dist\/bsp_levels\.(js|wasm))$/.test(new URL(r).pathname));
    const want = path === '' ? '?level=: give a path' : `${path}: only a path inside the viewer's folder is opened`;
    if (s.state !== 'error' || !s.problem || !s.problem.startsWith(want) || s.info || fetched.length > 0 ||
      s.errors.length > 0) {
      bad.push(`${JSON.stringify(path)}: ${JSON.stringify({ ...s, requests: fetched })}`);
    }
  }
  check(bad.length === 0, `${refused.length} paths outside the served folder, URLs and malformed paths are refused ` +
    'with a clear line, and the page fetches nothing for them', bad.join('\n'));
  const missing = await visit('?level=maps/none.map');
  check(missing.state === 'error' && missing.problem === 'maps/none.map: the server answered 404 Not Found' &&
    missing.errors.length === 0, `a missing file is reported as such (${missing.problem})`, JSON.stringify(missing));
}

// ------------------------------------------------------------------ (i) maps with their files

// Waits for the page to open what action asks for (a choice in the map
// panel, files added), and tells what it shows.
async function afterOpen(page, action) {
  await page.evaluate(() => { document.body.dataset.state = 'opening'; });
  await action();
  await page.waitForFunction(() => ['loaded', 'error'].includes(document.body.dataset.state), { timeout: 120000 });
  return mapShown(page);
}

// What the page shows of a map: its state, the problem line, the map
// panel (notes as written, the layers and levels offered and chosen, the
// files the map lacks) and the level's info, walls and notes.
async function mapShown(page) {
  return page.evaluate(() => {
    const $ = (id) => document.getElementById(id);
    const level = window.bspViewer.level;
    const state = document.body.dataset.state;
    return {
      state,
      problem: $('problem').hidden ? null : $('problem-text').textContent,
      notes: [...$('map-notes').children].map((li) => li.textContent),
      layers: $('map-layer-row').hidden ? null : [...$('map-layer').options].map((o) => o.value),
      layer: $('map-layer').value,
      levels: $('map-level-row').hidden ? null : [...$('map-level').options].map((o) => o.value),
      level: $('map-level').value,
      missing: $('map-missing').dataset.missing,
      status: $('status').textContent,
      info: state === 'loaded' && level ? level.info() : null,
      walls: state === 'loaded' && level ? [...level.walls()] : null,
    };
  });
}

// Uploads files through the file input, several at once.
async function openFilesInPage(page, files) {
  return afterOpen(page, async () => (await page.$('#file-input')).uploadFile(...files));
}

// The walls of a level file, flat: x1, y1, x2, y2, ...
function wallsOf(levelText) {
  const walls = [];
  for (const m of levelText.matchAll(/^\[(-?\d+),(-?\d+)\]->\[(-?\d+),(-?\d+)\]$/gm)) {
    if (m.index < levelText.indexOf('<DOORS>') || !levelText.includes('<DOORS>')) walls.push(...m.slice(1, 5).map(Number));
  }
  return walls;
}

// bsplevel's import of a map, run in the folder dir so that it names the
// file as the page does: the level's info and walls and the notes ("FILE:
// NOTE", as the page writes them), or the error line without "bsplevel:
// COMMAND: ".
function nativeImport(command, dir, file, args = []) {
  const level = join(work, 'native-import.txt');
  const r = tool([command, file, '-o', level, '--solid', ...args], undefined, { cwd: dir });
  const prefix = `bsplevel: ${command}: `;
  const lines = r.stderr.split('\n').filter(Boolean).map((l) => (l.startsWith(prefix) ? l.slice(prefix.length) : l));
  if (r.status !== 0) return { error: lines.join('\n') };
  return { info: nativeInfo(level), walls: wallsOf(readFileSync(level, 'utf8')), notes: lines, file: level };
}

// The page shows the level bsplevel imports: the same info, the same walls
// in the same order, the same notes.
function sameImport(what, shown, native) {
  const ok = shown.state === 'loaded' && native.info && JSON.stringify(bareInfo(shown.info)) === JSON.stringify(native.info) &&
    JSON.stringify(shown.walls) === JSON.stringify(native.walls) && JSON.stringify(shown.notes) === JSON.stringify(native.notes);
  check(ok, `${what}: the level (${native.info ? native.info.walls : '?'} walls, in bsplevel's order) and the ` +
    `${native.notes ? native.notes.length : '?'} notes are bsplevel's`,
  `page:   ${JSON.stringify({ ...shown, walls: undefined })}\nnative: ${JSON.stringify({ ...native, walls: undefined })}` +
    `\nwalls equal: ${JSON.stringify(shown.walls) === JSON.stringify(native.walls)}`);
  return ok;
}

// Drops files on the page as a browser does, each with its name.
async function dropFiles(page, files) {
  return afterOpen(page, () => page.evaluate((list) => {
    const dt = new DataTransfer();
    for (const [name, text] of list) dt.items.add(new File([text], name));
    window.dispatchEvent(new DragEvent('drop', { dataTransfer: dt, bubbles: true, cancelable: true }));
  }, files.map((f) => [f.split(sep).pop(), readFileSync(f, 'utf8')])));
}

async function partI(page) {
  console.log('# (i) maps with their files: Tiled tilesets, layers, LDtk levels');
  const hasMaps = await page.evaluate(() => window.bspViewer.lib.features.tiledMaps && window.bspViewer.lib.features.ldtkProjects);
  if (!hasMaps) {
    console.log('    skipped: the module was built without the importers');
    return;
  }
  const samples = join(webDir, 'samples');
  const keep = join(samples, 'keep.tmx');

  // The sample map chosen with its tileset (and the tileset's image, which
  // the page leaves unread): the level, its notes and its answers are the
  // tool's; the layers offered are those bsplevel import-tiled --list names.
  const native = nativeImport('import-tiled', samples, 'keep.tmx');
  if (!native.info) fatal(`bsplevel import-tiled keep.tmx failed: ${native.error}`);
  const shown = await openFilesInPage(page, [keep, join(samples, 'dungeon.tsx'), join(samples, 'dungeon.png')]);
  sameImport('keep.tmx chosen with dungeon.tsx (shapes on the tiles of an external tileset, flipped tiles)', shown, native);
  const listed = tool(['import-tiled', 'keep.tmx', '--list'], undefined, { cwd: samples }).stdout;
  const listedLayers = [...listed.matchAll(/^layer "([^"]+)": (\w+)/gm)].filter((m) => m[2] !== 'image').map((m) => m[1]);
  check(JSON.stringify(shown.layers) === JSON.stringify(['', ...listedLayers]) && shown.layer === '',
    `the collision layer is chosen from a list of the map's layers, the default first (${listedLayers.join(', ')})`,
    `page: ${JSON.stringify(shown.layers)}\nnative: ${JSON.stringify(listedLayers)}`);
  check(shown.notes.some((n) => n === 'keep.tmx: layer "Spawns": 6 objects skipped'),
    'the notes say that the spawn points and the trigger are skipped', shown.notes.join('\n'));
  const queries = randomQueries(shown.info.bounds, 600, 11);
  const queryFile = join(work, 'keep-queries.txt');
  writeFileSync(queryFile, `${queries.join('\n')}\n`);
  const batch = tool(['batch', native.file], readFileSync(queryFile, 'utf8'));
  compareAnswers('keep.tmx', queries, batch.stdout.trim().split('\n'), await pageAnswers(page, queries));
  await page.evaluate(() => window.bspViewer.fitLevel());
  const shot = join(here, 'screenshot-tiled.png');
  await page.screenshot({ path: shot });
  check(statSync(shot).size > 10000, `a screenshot of the map with its layer list is saved: ${shot}`);

  // A layer chosen in the list: that layer alone is the collision, as
  // --layer makes it; the spawn points, which cannot block, are refused with
  // the tool's line.
  const decoration = await afterOpen(page, () => page.select('#map-layer', 'Decoration'));
  sameImport('the layer Decoration chosen', decoration, nativeImport('import-tiled', samples, 'keep.tmx', ['--layer', 'Decoration']));
  const spawns = await afterOpen(page, () => page.select('#map-layer', 'Spawns'));
  const spawnsNative = nativeImport('import-tiled', samples, 'keep.tmx', ['--layer', 'Spawns']);
  check(spawns.state === 'error' && spawns.problem === spawnsNative.error,
    `the layer Spawns chosen is refused with bsplevel's line (${spawnsNative.error})`, JSON.stringify(spawns));
  await afterOpen(page, () => page.select('#map-layer', ''));

  // A folder chosen: the map in maps/, its tileset in tilesets/ (the map
  // names it ../tilesets/dungeon.tsx), and another dungeon.tsx elsewhere,
  // which the path the map writes sets aside.
  const folder = join(work, 'keep-folder');
  for (const d of ['maps', 'tilesets', 'decoy']) mkdirSync(join(folder, d), { recursive: true });
  writeFileSync(join(folder, 'maps', 'keep.tmx'),
    readFileSync(keep, 'utf8').replace('source="dungeon.tsx"', 'source="../tilesets/dungeon.tsx"'));
  const tileset = readFileSync(join(samples, 'dungeon.tsx'), 'utf8');
  writeFileSync(join(folder, 'tilesets', 'dungeon.tsx'), tileset);
  writeFileSync(join(folder, 'decoy', 'dungeon.tsx'), tileset.replaceAll('width="16" height="16"/>', 'width="8" height="16"/>'));
  writeFileSync(join(folder, 'platformer.ldtk'), readFileSync(join(ldtkDir, 'platformer.ldtk')));
  const fromFolder = await afterOpen(page, async () => (await page.$('#folder-input')).uploadFile(folder));
  sameImport('a folder chosen (the map in maps/, its tileset in tilesets/, another one beside)', fromFolder,
    nativeImport('import-tiled', work, 'keep-folder/maps/keep.tmx'));
  const maps = await page.$$eval('#map-file option', (options) => options.map((o) => o.value));
  check(JSON.stringify(maps) === JSON.stringify(['keep-folder/maps/keep.tmx', 'keep-folder/platformer.ldtk']),
    'the maps of the folder are offered to choose from, the tilesets not', JSON.stringify(maps));
  const other = await afterOpen(page, () => page.select('#map-file', 'keep-folder/platformer.ldtk'));
  sameImport('the other map of the folder chosen', other, nativeImport('import-ldtk', work, 'keep-folder/platformer.ldtk'));
  const alone = await openFilesInPage(page, [join(samples, 'dungeon.tsx')]);
  check(alone.state === 'error' && alone.problem.startsWith('dungeon.tsx: a file that a map names'),
    `a tileset chosen alone is named as one (${alone.problem})`);

  // LDtk: the project's first level by default, then the level chosen in
  // the list; a project whose level is saved in its own file, dropped with it.
  const platformer = await openFilesInPage(page, [join(ldtkDir, 'platformer.ldtk')]);
  sameImport('platformer.ldtk, its first level', platformer, nativeImport('import-ldtk', ldtkDir, 'platformer.ldtk'));
  check(JSON.stringify(platformer.levels) === JSON.stringify(['Level_0', 'Level_1']) && platformer.level === 'Level_0',
    'the levels of the project are offered in a list, the first chosen', JSON.stringify(platformer.levels));
  const level1 = await afterOpen(page, () => page.select('#map-level', 'Level_1'));
  sameImport('the level Level_1 chosen', level1, nativeImport('import-ldtk', ldtkDir, 'platformer.ldtk', ['--level', 'Level_1']));
  const external = await dropFiles(page, [join(ldtkDir, 'external.ldtk'), join(ldtkDir, 'external', 'Cave.ldtkl')]);
  sameImport('external.ldtk dropped with its level file Cave.ldtkl', external, nativeImport('import-ldtk', ldtkDir, 'external.ldtk'));

  // An error of the API, as the tool's: values that no layer defines.
  const lava = nativeImport('import-ldtk', ldtkDir, 'platformer.ldtk', ['--values', 'lava']);
  const apiError = await page.evaluate((t) => {
    try {
      window.bspViewer.lib.Level.fromLdtkProject(t, { name: 'platformer.ldtk', values: ['lava'] }).delete();
      return null;
    } catch (e) {
      return `${e.name} ${e.stage}: ${e.message}`;
    }
  }, readFileSync(join(ldtkDir, 'platformer.ldtk'), 'utf8'));
  check(apiError === `LevelError map: ${lava.error}`, 'Level.fromLdtkProject refuses values no layer defines with bsplevel\'s line',
    `page:   ${apiError}\nnative: ${lava.error}`);
}

// ------------------------------------------------------------------ edits

async function partJ(page) {
  console.log('# (j) boxes placed and removed in the edit mode');
  const opened = await openInPage(page, pf4);
  if (!check(opened.state === 'loaded', 'the page opens level_test_pathfinder_4.txt for the edits')) return;
  const info = await page.evaluate(() => window.bspViewer.level.info());
  const [x0, y0, x1, y1] = info.bounds;
  const w = x1 - x0, h = y1 - y0;
  const at = (fx, fy) => [Math.round(x0 + fx * w), Math.round(y0 + fy * h)];
  // A route first, in the route mode.
  await page.$eval('input[name="mode"][value="route"]', (el) => el.click());
  for (const [x, y] of [at(0.05, 0.5), at(0.95, 0.5)]) {
    const p = await clientPoint(page, x, y);
    await page.mouse.click(p.x, p.y);
  }
  const before = await text(page, '#route-result');
  // The edit mode: a box dragged across the middle of the level.
  await page.$eval('input[name="mode"][value="edit"]', (el) => el.click());
  const [a, b] = [at(0.4, 0.02), at(0.6, 0.98)];
  const pa = await clientPoint(page, ...a), pb = await clientPoint(page, ...b);
  await page.mouse.move(pa.x, pa.y);
  await page.mouse.down();
  await page.mouse.move(pb.x, pb.y, { steps: 6 });
  await page.mouse.up();
  const edits = await page.evaluate(() => window.bspViewer.level.edits());
  if (!check(edits.length === 1, `a drag places one box (${JSON.stringify(edits)})`)) return;
  const box = edits[0];
  const after = await text(page, '#route-result');
  // The page's answers against the tool's after the same box.
  const queries = [];
  let seed = 11;
  const rand = (n) => { seed = (seed * 1103515245 + 12345) % 2147483648; return seed % n; };
  const point = () => [x0 + rand(w + 1), y0 + rand(h + 1)];
  for (let i = 0; i < 60; i++) {
    const [p, q] = [point(), point()];
    queries.push(`path ${p.join(' ')} ${q.join(' ')}`, `segment ${p.join(' ')} ${q.join(' ')}`,
      `ball ${p.join(' ')} ${1 + rand(40)}`, `route ${p.join(' ')} ${q.join(' ')} ${rand(2) * 4}`);
  }
  const native = tool(['batch', pf4], [`add-box ${box.x1} ${box.y1} ${box.x2} ${box.y2}`, ...queries].join('\n') + '\n');
  const nativeLines = native.stdout.trim().split('\n');
  const page_ = await pageBatch(page, queries);
  let same = nativeLines[0] === `edit ${box.id}`;
  let firstDiff = same ? '' : `add-box: ${nativeLines[0]}`;
  for (let i = 0; i < queries.length && same; i++) {
    const mine = page_[i], theirs = nativeLines[i + 1];
    const text_ = typeof mine === 'string' ? mine
      : mine.status === 'found' ? `route ${mine.path.map((p) => p.join(' ')).join(' ')} length ` : `route none`;
    const ok = typeof mine === 'string' ? mine === theirs
      : mine.status === 'found' ? theirs.startsWith(text_) && Math.abs(Number(theirs.split(' ').at(-1)) - mine.length) < 1e-6
        : theirs.startsWith('route none');
    if (!ok) { same = false; firstDiff = `${queries[i]}\npage:   ${JSON.stringify(mine)}\nnative: ${theirs}`; }
  }
  check(same, `with the box, ${queries.length} answers are bsplevel batch's after the same add-box line`, firstDiff);
  // A click on the box removes it; the route is asked again.
  await page.$eval('input[name="mode"][value="edit"]', (el) => el.click());
  const mid = await clientPoint(page, Math.round((box.x1 + box.x2) / 2), Math.round((box.y1 + box.y2) / 2));
  await page.mouse.click(mid.x, mid.y);
  const left = await page.evaluate(() => window.bspViewer.level.edits());
  check(left.length === 0, 'a click on the box removes it');
  const again = await text(page, '#route-result');
  check(again === before, `the route shown is asked again after each edit (before ${before}; with the box ${after}; ` +
    `after ${again})`);
  await page.$eval('input[name="mode"][value="route"]', (el) => el.click());
}

// ------------------------------------------------------------------ crowds

async function partK(page) {
  console.log('# (k) crowd mode on maze512-1-0');
  const map = join(mapsDir, 'maze512-1-0.map');
  const levelFile = join(work, 'maze512-1-0-crowd.txt');
  const imported = tool(['import-grid', map, '-o', levelFile, '--solid']);
  if (imported.status !== 0) fatal(`bsplevel import-grid failed: ${imported.stderr}`);
  const opened = await openInPage(page, map);
  check(opened.state === 'loaded', 'the page opens maze512-1-0.map');
  await page.evaluate(() => window.bspViewer.fitLevel());
  await page.$eval('#agent-size', (el) => {
    el.value = '0';
    el.dispatchEvent(new Event('input', { bubbles: true }));
  });
  await page.click('input[name="mode"][value="crowd"]');
  // The goal: the free cell nearest the maze's centre, clicked.
  const rows = readFileSync(map, 'utf8').split('\n').slice(4);
  let goal = null;
  for (let d = 0; goal === null && d < 256; d++) {
    for (let y = 256 - d; goal === null && y <= 256 + d; y++) {
      for (let x = 256 - d; x <= 256 + d; x++) {
        if (rows[y] && '.GS'.includes(rows[y][x])) {
          goal = [x * 10 + 5, y * 10 + 5];
          break;
        }
      }
    }
  }
  const c = await clientPoint(page, ...goal);
  await page.mouse.click(c.x, c.y);
  await page.waitForFunction(() => window.bspViewer.crowd !== null, { timeout: 60000 });
  const shown = await page.evaluate(() => {
    const crowd = window.bspViewer.crowd;
    const r = crowd.result;
    const routes = [];
    for (let i = 0; i < r.agents; i++) routes.push(r.route(i));
    return { asked: crowd.asked, goal: r.goal, status: r.status, agents: r.agents, answers: r.answers,
      buildMs: r.buildMs, answerMs: r.answerMs, fieldBytes: r.fieldBytes, routes,
      agentsShown: document.getElementById('crowd-agents').dataset.agents,
      timeShown: document.getElementById('crowd-time').textContent };
  });
  check(shown.status === 'found' && shown.agents === 500 && shown.agentsShown === '500',
    `a goal clicked sends 500 agents, 500 routes back (${shown.agents}, status ${shown.status})`);
  check(/\d+(\.\d+)? ms$/.test(shown.timeShown), `the page shows the time taken (${shown.timeShown})`);
  console.log(`    crowd to (${shown.goal}): field ${shown.buildMs.toFixed(1)} ms + ${shown.answers} answers ` +
    `${shown.answerMs.toFixed(1)} ms, shown as ${shown.timeShown}; field ${(shown.fieldBytes / 1e6).toFixed(2)} MB`);
  const ends = shown.routes.every((r) => r.path.length > 0 && r.path[r.path.length - 1][0] === shown.goal[0] &&
    r.path[r.path.length - 1][1] === shown.goal[1]);
  check(ends, 'every route ends at the goal');
  const starts = new Set(shown.routes.map((r) => r.start.join(' ')));
  check(starts.size > 450, `the starts are spread (${starts.size} distinct of 500)`);
  // The same starts natively: each route's length is bsplevel's.
  const lines = shown.routes.map((r) => `route ${r.start.join(' ')} ${shown.goal.join(' ')}`);
  const native = tool(['batch', levelFile], `${lines.join('\n')}\n`).stdout.split('\n').filter((l) => l !== '');
  let same = native.length === shown.routes.length;
  let first = '';
  for (let i = 0; same && i < native.length; i++) {
    const m = / length ([\d.e+-]+)$/.exec(native[i]);
    const ok = m !== null && Math.abs(Number(m[1]) - shown.routes[i].length) <= 1e-6 * Math.max(1, Number(m[1]));
    if (!ok) {
      same = false;
      first = `${lines[i]}: page ${shown.routes[i].length}, native ${native[i]}`;
    }
  }
  check(same, 'the 500 routes\' lengths are bsplevel batch\'s for the same starts and goal', first);
  // The same again from the API, the same seed: the same starts.
  // The screenshot: the crowd's routes over the whole maze, the panel's
  // readouts in view.
  await page.evaluate(() => document.getElementById('crowd-section').scrollIntoView());
  const shot = join(here, 'screenshot-crowd.png');
  await page.screenshot({ path: shot });
  check(statSync(shot).size > 10000, `a screenshot of the crowd is saved: ${shot}`);
  const again = await page.evaluate((g) => {
    const r = window.bspViewer.level.crowd(g[0], g[1], { agents: 500, seed: 1 });
    return Array.from(r.starts).join(' ');
  }, shown.goal);
  check(again === shown.routes.map((r) => r.start.join(' ')).join(' '), 'the same seed draws the same starts');
  // A goal on a wall cell for an agent of half-size 2: moved to the
  // nearest place where it has room, as bsplevel nearest finds it.
  const [cx, cy] = [(goal[0] - 5) / 10, (goal[1] - 5) / 10];
  let wall = null;
  for (let x = cx - 1; wall === null && x >= 0; x--) {
    if (!'.GS'.includes(rows[cy][x])) wall = [x * 10 + 5, goal[1]];
  }
  await page.$eval('#agent-size', (el) => {
    el.value = '2';
    el.dispatchEvent(new Event('input', { bubbles: true }));
  });
  const w = await clientPoint(page, ...wall);
  await page.mouse.click(w.x, w.y);
  const moved = await page.evaluate(() => {
    const crowd = window.bspViewer.crowd;
    return { asked: crowd.asked, goal: crowd.result.goal, agents: crowd.result.agents,
      shownGoal: document.getElementById('crowd-goal').textContent };
  });
  const nearest = tool(['nearest', levelFile, ...moved.asked.map(String), '--agent', '2']).stdout.split('\n')[0];
  check(moved.goal.join(' ') === nearest && moved.agents === 500 && /nearest place to/.test(moved.shownGoal),
    `a goal in a wall moves to the nearest place, as bsplevel nearest answers (${moved.shownGoal}; native ${nearest})`);
  await page.click('input[name="mode"][value="route"]');
}

// ------------------------------------------------------------------ main

if (!existsSync(bsplevel)) fatal(`the native tool is missing: ${bsplevel} (give its path as the argument or in BSPLEVEL)`);
if (!existsSync(join(webDir, 'dist', 'bsp_levels.wasm'))) fatal('web/dist/bsp_levels.wasm is missing: build the WebAssembly module first');
for (const m of ['den012d.map', 'maze512-1-0.map']) {
  if (!existsSync(join(mapsDir, m))) fatal(`${m} is missing in ${mapsDir} (set BSP_MAPS_DIR)`);
}

const work = mkdtempSync(join(tmpdir(), 'bsp-web-test-'));
const served = join(work, 'test-work');   // the test's files, served under /test-work/
mkdirSync(served);
const profile = mkdtempSync(join(tmpdir(), 'bsp-web-chromium-'));
const server = await serve(webDir, { '/maps/': join(repoRoot, 'maps'), '/test_levels/': join(repoRoot, 'test_levels'),
  '/test-work/': served });
const url = `http://127.0.0.1:${server.address().port}/`;
const browser = await puppeteer.launch({
  executablePath: chromiumPath,
  headless: true,
  args: ['--no-sandbox', '--headless', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    `--user-data-dir=${profile}`],
  defaultViewport: { width: 1400, height: 900, deviceScaleFactor: 1 },
});

try {
  const page = await browser.newPage();
  const pageErrors = [];
  page.on('pageerror', (e) => pageErrors.push(e.message));
  page.on('console', (m) => { if (m.type() === 'error') pageErrors.push(m.text()); });
  await page.goto(url);
  const started = await page.evaluate(() => window.bspViewer.started);
  check(await page.evaluate(() => Boolean(window.bspViewer.lib)), `the page loads the module (${url})`);
  await sampleShown(page, started);
  const parts = { a: partA, b: partB, c: partC, d: partD, e: partE, f: partF, g: partG, h: partH, i: partI, j: partJ,
    k: partK };
  for (const [name, part] of Object.entries(parts)) {
    if (only.includes(name)) await part(page);
  }
  check(pageErrors.length === 0, 'no error in the page\'s console', pageErrors.join('\n'));
} catch (e) {
  check(false, 'the browser test ran to its end', e.stack || String(e));
} finally {
  await browser.close();
  server.close();
  rmSync(work, { recursive: true, force: true });
  rmSync(profile, { recursive: true, force: true });
}

console.log(`web: ${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);

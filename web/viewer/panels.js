// The panels' readouts: the status line, the problem box (the one line that
// says why a level was not opened, the library's own messages behind a
// toggle), the route, the shortest route, the segment, the ball, the doors
// and the level's info. Each shows what state holds; none asks the library
// anything but why a route was not found.

import { state, ui } from './state.js';
import { formatMs, formatPoint } from './util.js';

export function setStatus(text) {
  ui.status.textContent = text;
}

export function setReadout(el, text, cls) {
  el.textContent = text;
  el.className = cls || '';
}

// The problem box. problem: null (hidden), or { lines (what is wrong, one
// line each, as bsplevel writes them), messages (the library's own, shown
// only when the toggle is opened), partial (a function that opens what was
// read all the same, offered as a button; or null), shown (true when the
// level is shown as far as it loaded, which then says so) }.
export function showProblem(problem) {
  ui.problem.hidden = !problem;
  ui.problem.classList.toggle('partial', Boolean(problem && problem.shown));
  ui.problemText.textContent = problem ? problem.lines.join('\n') : '';
  const messages = problem && problem.messages ? problem.messages.trim() : '';
  ui.problemMessagesBox.hidden = !messages;
  ui.problemMessagesBox.open = false;
  ui.problemMessages.textContent = messages;
  ui.partialButton.hidden = !(problem && problem.partial);
  ui.partialButton.onclick = problem && problem.partial ? problem.partial : null;
}

// What the library wrote while making the level shown, behind a toggle
// under its info; hidden when it wrote nothing.
export function showLevelMessages(messages) {
  const text = (messages || '').trim();
  ui.levelMessagesBox.hidden = !text;
  ui.levelMessagesBox.open = false;
  ui.levelMessages.textContent = text;
}

function listPoints(list, points) {
  list.textContent = '';
  const frag = document.createDocumentFragment();
  for (const p of points.slice(0, 2000)) {
    const li = document.createElement('li');
    li.textContent = `${p[0]} ${p[1]}`;
    frag.append(li);
  }
  list.append(frag);
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

export function showRoute() {
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
  listPoints(ui.routePoints, r.result.path);
}

const STATUS_TEXT = {
  none: 'no route',
  start_blocked: 'no route: the start is blocked for the agent',
  goal_blocked: 'no route: the goal is blocked for the agent',
  outside: 'no route: a point lies outside the world',
};

export function showShortest() {
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
  listPoints(ui.shortestPoints, result.path);
}

export function showSegment() {
  const s = state.segment;
  if (!s) {
    for (const el of [ui.segmentFrom, ui.segmentTo, ui.segmentResult]) setReadout(el, '—');
    return;
  }
  setReadout(ui.segmentFrom, formatPoint(s.a));
  setReadout(ui.segmentTo, formatPoint(s.b));
  if (s.result.hit) setReadout(ui.segmentResult, `hit at (${s.result.x}, ${s.result.y})`, 'no');
  else setReadout(ui.segmentResult, 'no hit', 'yes');
}

// The ball's readout; badRadius when the radius field holds no radius.
export function showBall(badRadius = false) {
  const b = state.ball;
  if (!b) {
    setReadout(ui.ballCentre, '—');
    setReadout(ui.ballResult, badRadius ? 'radius must be a whole number ≥ 0' : '—');
    return;
  }
  setReadout(ui.ballCentre, `${formatPoint(b.centre)}, r ${b.radius}`);
  setReadout(ui.ballResult, b.solid ? 'touches: its centre lies in solid space' : b.touch ? 'touches a wall' : 'clear',
    b.touch ? 'no' : 'yes');
}

// The level's info, the fields of bsplevel info.
export function showInfo() {
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
export function showDoors() {
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

// ------------------------------------------------------------------ the map panel

// Fills a select with [value, label] options; with list, shown as a list
// box of every option (up to 8 rows) rather than a drop-down.
function fillSelect(select, options, value, list = false) {
  select.textContent = '';
  select.size = list ? Math.min(Math.max(options.length, 2), 8) : 0;
  for (const [v, label] of options) {
    const option = document.createElement('option');
    option.value = v;
    option.textContent = label;
    select.append(option);
  }
  select.value = value;
}

function plural(n, one, many = `${one}s`) {
  return `${n.toLocaleString('en-US')} ${n === 1 ? one : many}`;
}

// The map panel: for a map opened with its files (state.source), the map
// among the files given, its collision layer (Tiled) or its level (LDtk)
// to choose, the files it names that were not given, the importer's notes
// as bsplevel writes them after "bsplevel: import-tiled: " (FILE: NOTE),
// and what the map holds (import-tiled --list, import-ldtk --list).
export function showMapPanel() {
  const src = state.source;
  const map = src && (src.format === 'tiled' || src.format === 'ldtk');
  ui.mapSection.hidden = !src || (!map && src.mains.length < 2);
  if (ui.mapSection.hidden) return;
  ui.mapKind.textContent = src.format === 'tiled' ? 'Tiled' : src.format === 'ldtk' ? 'LDtk' : '';
  ui.mapFileRow.hidden = src.mains.length < 2;
  fillSelect(ui.mapFile, src.mains.map((p) => [p, p]), src.main);
  const listing = src.listing;
  ui.mapLayerRow.hidden = !(src.format === 'tiled' && listing);
  if (!ui.mapLayerRow.hidden) {
    const layers = listing.layers.filter((l) => l.kind !== 'image').map((l) => {
      const count = l.kind === 'tile' ? `, ${plural(l.tiles, 'tile')}` : l.kind === 'object' ? `, ${plural(l.objects, 'object')}` : '';
      return [l.path, `${l.path} (${l.kind}${count})`];
    });
    fillSelect(ui.mapLayer, [['', 'as drawn (the default)'], ...layers], src.layer, true);
  }
  ui.mapLevelRow.hidden = !(src.format === 'ldtk' && listing);
  if (!ui.mapLevelRow.hidden) {
    const levels = listing.levels.map((l) => [l.identifier, `${l.identifier} (${l.width} x ${l.height} px)`]);
    fillSelect(ui.mapLevel, levels, src.level || (levels.length > 0 ? levels[0][0] : ''), true);
  }
  const others = src.files.size - 1;
  ui.mapFiles.textContent = others > 0
    ? `Opened with ${plural(others, 'other file')}: ${[...src.files.keys()].filter((p) => p !== src.main).join(', ')}`
    : 'Opened alone: add the tileset, template or level files it names, if any.';
  ui.mapMissing.textContent = src.missing.length > 0 ? `Not given: ${src.missing.join(', ')}` : '';
  ui.mapMissing.dataset.missing = src.missing.join('\n');
  ui.mapNotes.textContent = '';
  for (const note of src.notes) {
    const li = document.createElement('li');
    li.textContent = `${src.main}: ${note}`;
    ui.mapNotes.append(li);
  }
  ui.mapListing.textContent = listing ? listing.text : '';
  ui.mapListingBox.hidden = !listing;
}

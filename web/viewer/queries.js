// The questions the page asks the library about the level shown: the route
// between a start and a goal, the shortest route for the agent between the
// same points, the segment dragged, the ball under the mouse; and the doors
// opened and closed by a click, after which every answer shown is asked
// again. Each keeps its answer in state, shows it in its panel and asks for
// a frame.

import { requestFrame } from './frame.js';
import { showBall, showDoors, showInfo, showRoute, showSegment, showShortest } from './panels.js';
import { listen, notify, state, ui } from './state.js';
import { timeQuery } from './util.js';

// A click in the route mode: the start first, then the goal, which asks
// for the route.
export function chooseRoutePoint(point) {
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
}

export function runRoute(start, goal) {
  const level = state.level;
  const { ms, runs, value } = timeQuery(() => level.findPath(start[0], start[1], goal[0], goal[1]));
  state.route = { start, goal, result: value, ms, runs };
  state.start = null;
  showRoute();
  runShortest();
}

// The agent's half-size on the slider, a whole number from 0 to its maximum.
export function agentSize() {
  const h = Number(ui.agentSize.value);
  return Number.isInteger(h) && h >= 0 ? h : 0;
}

function shortestOn() {
  return Boolean(state.lib && state.lib.features.shortestPath && ui.shortestToggle.checked);
}

// The shortest route for the agent between the route's start and goal, when
// the module has it and it is switched on.
export function runShortest() {
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

export function runSegment(a, b) {
  const result = state.level.intersectSegment(a[0], a[1], b[0], b[1]);
  state.segment = { a, b, result };
  showSegment();
  requestFrame();
}

// The ball's radius in its field, or null when the field holds no whole
// number from 0 to 100,000,000.
export function ballRadius() {
  const r = Number(ui.ballRadius.value);
  return Number.isInteger(r) && r >= 0 && r <= 100000000 ? r : null;
}

// The ball centred on centre (null: none), when it is switched on.
export function runBall(centre) {
  const radius = ballRadius();
  if (!ui.ballToggle.checked || radius === null || !state.level || !centre) {
    state.ball = null;
  } else {
    const touch = state.level.intersectBall(centre[0], centre[1], radius);
    const solid = touch && state.level.isSolid(centre[0], centre[1]);
    state.ball = { centre, radius, touch, solid };
  }
  showBall(radius === null);
  requestFrame();
}

// Opens or closes door id, then asks the library again for every answer
// shown, which the door may change.
export function toggleDoor(id) {
  const level = state.level, scene = state.scene;
  const open = !level.isDoorOpen(id);
  level.setDoor(id, open);
  scene.doors.open[id] = open ? 1 : 0;
  scene.info = level.info();
  state.lastDoor = { id, open };
  showDoors();
  showInfo();
  askAgain();
  notify('doors', id, open);
}

// Asks the library again for every answer shown, after the world changed
// under them (a door opened or closed).
export function askAgain() {
  if (state.route) runRoute(state.route.start, state.route.goal);
  if (state.segment) runSegment(state.segment.a, state.segment.b);
  if (state.ball) runBall(state.ball.centre);
  requestFrame();
}

export function clearQueries() {
  state.start = null;
  state.route = null;
  state.shortest = null;
  state.segment = null;
  state.ball = null;
  showRoute();
  showShortest();
  showSegment();
  showBall();
}

// A new level: nothing asked yet, no door clicked.
listen('level', () => {
  clearQueries();
  state.lastDoor = null;
});

// Crowd mode: a click on the level is a goal, and 500 agents of the agent
// slider's half-size, from random free starts, show their routes to it. The
// library builds one route field for the goal (cRoute_Field) and answers every
// agent from it; the panel shows the time taken (the field's build plus the
// answers), and a goal where the agent has no room moves to the nearest place
// where it has (Find_Standing_Point). A door opened or closed asks again.
//
// The mode, its overlay and its panel's readouts are added here; the page's
// other modules know nothing of them.

import { toScreen } from './camera.js';
import { addMode, clickOrPan } from './controls.js';
import { addOverlay, requestFrame } from './frame.js';
import { doorAtPixel } from './overlays.js';
import { setReadout } from './panels.js';
import { agentSize, toggleDoor } from './queries.js';
import { listen, state, ui } from './state.js';
import { dpr, formatMs, formatPoint } from './util.js';

// How many agents a click sends.
export const CROWD_AGENTS = 500;

// Orange routes over a white halo stand out from the walls, the rock and
// the teal of the shortest route.
const COLOUR_ROUTES = '#f57c00';
const COLOUR_STARTS = '#283593';
const COLOUR_GOAL = '#c2185b';

const $ = (id) => document.getElementById(id);
const el = {
  section: $('crowd-section'),
  goal: $('crowd-goal'),
  agents: $('crowd-agents'),
  time: $('crowd-time'),
  split: $('crowd-split'),
  memory: $('crowd-memory'),
};

// The crowd shown: { asked: [x, y] (the click), result (Level.crowd's
// answer, its goal the place used), seed } or null.
let crowd = null;
let seed = 0;

// Sends the crowd to the goal clicked (or, where the agent has no room there,
// to the nearest place where it has), with a new draw of starts unless
// again is set (the same starts, asked after a door changed).
export function runCrowd(point, again = false) {
  const level = state.level;
  if (!level) return null;
  const halfSize = agentSize();
  if (!again) seed += 1;
  let goal = point;
  const place = level.standingPoint(point[0], point[1], halfSize);
  if (place.found) goal = [place.x, place.y];
  const result = level.crowd(goal[0], goal[1], { agents: CROWD_AGENTS, halfSize, seed });
  crowd = { asked: point, result, seed };
  showCrowd();
  requestFrame();
  return result;
}

export function clearCrowd() {
  crowd = null;
  showCrowd();
  requestFrame();
}

// For scripts and tests: the crowd shown (Level.crowd's answer and the
// point clicked), or null.
export function currentCrowd() {
  return crowd;
}

function showCrowd() {
  if (!el.section) return;
  if (!crowd) {
    for (const e of [el.goal, el.agents, el.time, el.split, el.memory]) setReadout(e, '—');
    el.agents.dataset.agents = '';
    el.time.dataset.ms = '';
    return;
  }
  const { asked, result: r } = crowd;
  const moved = r.goal[0] !== asked[0] || r.goal[1] !== asked[1];
  setReadout(el.goal, moved ? `${formatPoint(r.goal)}, nearest place to ${formatPoint(asked)}` : formatPoint(r.goal));
  if (r.status !== 'found') {
    const why = r.status === 'no_place' || r.status === 'goal_blocked'
      ? `no room for an agent of half-size ${r.halfSize}` : r.status.replace('_', ' ');
    setReadout(el.agents, `none: ${why}`, 'no');
  } else {
    setReadout(el.agents, `${r.agents} routes (half-size ${r.halfSize})`, r.agents > 0 ? 'yes' : 'no');
  }
  el.agents.dataset.agents = String(r.agents);
  el.time.dataset.ms = String(r.ms);
  setReadout(el.time, formatMs(r.ms));
  const each = r.answers > 0 ? ` (${(1000 * r.answerMs / r.answers).toFixed(1)} µs each)` : '';
  setReadout(el.split, `field ${formatMs(r.buildMs)} + ${r.answers} answers ${formatMs(r.answerMs)}${each}`);
  setReadout(el.memory, `${(r.fieldBytes / 1e6).toFixed(2)} MB`);
}

// The routes as thin lines over the level, their starts dotted, the goal a
// ring; one path for all, so that 500 routes cost one stroke.
function paintCrowd(g) {
  if (!crowd || !state.scene) return;
  const r = crowd.result;
  const d = dpr();
  const { starts, counts, points } = r;
  if (r.agents > 0) {
    g.lineJoin = 'round';
    g.beginPath();
    let k = 0;
    for (let i = 0; i < counts.length; i++) {
      g.moveTo(...toScreen(starts[2 * i], starts[2 * i + 1]));
      for (let c = 0; c < counts[i]; c++, k++) g.lineTo(...toScreen(points[2 * k], points[2 * k + 1]));
    }
    g.globalAlpha = 0.7;
    g.strokeStyle = '#ffffff';
    g.lineWidth = 4 * d;
    g.stroke();
    g.globalAlpha = 1;
    g.strokeStyle = COLOUR_ROUTES;
    g.lineWidth = 2 * d;
    g.stroke();
    g.fillStyle = COLOUR_STARTS;
    for (let i = 0; i < counts.length; i++) {
      const [x, y] = toScreen(starts[2 * i], starts[2 * i + 1]);
      g.fillRect(x - 2 * d, y - 2 * d, 4 * d, 4 * d);
    }
  }
  const [gx, gy] = toScreen(...r.goal);
  g.beginPath();
  g.arc(gx, gy, 7 * d, 0, 2 * Math.PI);
  g.fillStyle = r.status === 'found' ? COLOUR_GOAL : '#d62728';
  g.strokeStyle = '#ffffff';
  g.lineWidth = 2.5 * d;
  g.fill();
  g.stroke();
}

addOverlay(paintCrowd);

addMode('crowd', {
  hint: `Click a goal: ${CROWD_AGENTS} agents of the half-size below, from random free starts, show their routes. `
    + 'Drag to pan, wheel to zoom; a click on a door opens or closes it.',
  press: (e, at) => clickOrPan(at, (point, px, py) => {
    const door = doorAtPixel(px, py);
    if (door >= 0) toggleDoor(door);
    else runCrowd(point);
  }),
});

// A door opened or closed: the same goal and starts, asked again.
listen('doors', () => {
  if (crowd) runCrowd(crowd.asked, true);
});
// The slider moved: the same goal and starts for the new half-size.
ui.agentSize.addEventListener('input', () => {
  if (crowd) runCrowd(crowd.asked, true);
});
listen('level', () => {
  seed = 0;
  clearCrowd();
});

showCrowd();

// What is drawn over the pictures of the level in every frame: the doors,
// which open and close (found through a grid index of their own), and the
// queries asked: the ball under the mouse, the segment dragged, the route
// and the shortest route for the agent. Each painter takes the canvas'
// context, in device pixels. Also which door lies under a pixel, since that
// is where a door is drawn.

import { toScreen } from './camera.js';
import { COLOUR } from './palette.js';
import { state, ui } from './state.js';
import { dpr } from './util.js';

// Pixels within which a click picks a door (CSS pixels).
const DOOR_PICK = 7;

// The visible doors: a closed one as a solid bar a little wider than a wall,
// an open one dashed and thin; with its number beside it where it is long
// enough on screen (the number bsplevel --open and batch's door lines take).
export function paintDoors(g) {
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
    g.beginPath();
    for (const i of list) {
      g.moveTo(...toScreen(seg[4 * i], seg[4 * i + 1]));
      g.lineTo(...toScreen(seg[4 * i + 2], seg[4 * i + 3]));
    }
  };
  g.lineCap = 'butt';
  if (closed.length) {
    path(closed);
    g.strokeStyle = '#ffffff';
    g.lineWidth = wallWidth + 4 * d;
    g.stroke();
    g.strokeStyle = COLOUR.door;
    g.lineWidth = wallWidth + 2 * d;
    g.stroke();
  }
  if (opened.length) {
    path(opened);
    g.setLineDash([4 * d, 3 * d]);
    g.strokeStyle = COLOUR.door;
    g.lineWidth = 1.5 * d;
    g.stroke();
    g.setLineDash([]);
  }
  if (labels.length) {
    g.font = `bold ${11 * d}px system-ui, sans-serif`;
    g.lineJoin = 'round';
    for (const i of labels) {
      const [ax, ay] = toScreen(seg[4 * i], seg[4 * i + 1]);
      const [bx, by] = toScreen(seg[4 * i + 2], seg[4 * i + 3]);
      const horizontal = ay === by;
      const [mx, my] = [(ax + bx) / 2, (ay + by) / 2];
      const text = `D${i}`;
      g.textAlign = horizontal ? 'center' : 'left';
      g.textBaseline = horizontal ? 'top' : 'middle';
      const lx = horizontal ? mx : mx + wallWidth + 3 * d, ly = horizontal ? my + wallWidth + 2 * d : my;
      g.lineWidth = 3 * d;
      g.strokeStyle = '#ffffff';
      g.strokeText(text, lx, ly);
      g.fillStyle = COLOUR.door;
      g.fillText(text, lx, ly);
    }
  }
}

// The door whose segment passes within DOOR_PICK CSS pixels of canvas pixel
// (px, py), the nearest; -1 when none (or the doors are not shown).
export function doorAtPixel(px, py) {
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

function dot(g, x, y, r, fill, stroke, lineWidth) {
  const [sx, sy] = toScreen(x, y);
  g.beginPath();
  g.arc(sx, sy, r, 0, 2 * Math.PI);
  if (fill) {
    g.fillStyle = fill;
    g.fill();
  }
  if (stroke) {
    g.strokeStyle = stroke;
    g.lineWidth = lineWidth;
    g.stroke();
  }
}

export function paintQueries(g) {
  const d = dpr();
  const { scale: S } = state.view;
  g.lineCap = 'round';
  g.lineJoin = 'round';

  const ball = state.ball;
  if (ball) {
    const colour = ball.touch ? COLOUR.bad : COLOUR.good;
    const [sx, sy] = toScreen(ball.centre[0], ball.centre[1]);
    g.beginPath();
    g.arc(sx, sy, Math.max(ball.radius * S, 0.5), 0, 2 * Math.PI);
    g.globalAlpha = 0.22;
    g.fillStyle = colour;
    g.fill();
    g.globalAlpha = 1;
    g.strokeStyle = colour;
    g.lineWidth = 1.5 * d;
    g.stroke();
    dot(g, ball.centre[0], ball.centre[1], 1.8 * d, colour);
  }

  const seg = state.segment;
  if (seg) {
    const [ax, ay] = toScreen(...seg.a);
    const [bx, by] = toScreen(...seg.b);
    g.setLineDash([5 * d, 4 * d]);
    g.strokeStyle = COLOUR.segment;
    g.lineWidth = 1.5 * d;
    g.beginPath();
    g.moveTo(ax, ay);
    g.lineTo(bx, by);
    g.stroke();
    g.setLineDash([]);
    const hit = seg.result && seg.result.hit;
    const [ex, ey] = hit ? toScreen(seg.result.x, seg.result.y) : [bx, by];
    g.strokeStyle = hit ? COLOUR.bad : COLOUR.good;
    g.lineWidth = 2.5 * d;
    g.beginPath();
    g.moveTo(ax, ay);
    g.lineTo(ex, ey);
    g.stroke();
    dot(g, seg.a[0], seg.a[1], 3 * d, '#ffffff', COLOUR.segment, 1.5 * d);
    if (hit) dot(g, seg.result.x, seg.result.y, 5 * d, COLOUR.bad, '#ffffff', 1.5 * d);
  }

  paintShortest(g);

  const route = state.route;
  if (route) {
    const { start, goal, result } = route;
    if (result.found) {
      g.strokeStyle = '#ffffff';
      g.lineWidth = 6 * d;
      g.beginPath();
      g.moveTo(...toScreen(...start));
      for (const p of result.path) g.lineTo(...toScreen(...p));
      g.stroke();
      g.strokeStyle = COLOUR.route;
      g.lineWidth = 3 * d;
      g.stroke();
      for (let i = 0; i + 1 < result.path.length; i++) dot(g, ...result.path[i], 3 * d, COLOUR.route);
    } else {
      g.setLineDash([6 * d, 5 * d]);
      g.strokeStyle = COLOUR.bad;
      g.lineWidth = 2 * d;
      g.beginPath();
      g.moveTo(...toScreen(...start));
      g.lineTo(...toScreen(...goal));
      g.stroke();
      g.setLineDash([]);
    }
    dot(g, ...goal, 5.5 * d, COLOUR.route, '#ffffff', 2 * d);
  }
  const start = route ? route.start : state.start;
  if (start) dot(g, ...start, 5.5 * d, '#ffffff', COLOUR.route, 2.5 * d);
}

// The shortest route for the agent, as bsplevel svg --route --agent draws
// it: the agent's square outlined where the route starts, bends and ends
// (where there is no route, at both ends, in red at an end that is blocked),
// the route over them, its corners dotted.
function paintShortest(g) {
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
      g.globalAlpha = 0.22;
      g.fillStyle = colour;
      g.fillRect(sx, sy, 2 * h * S, 2 * h * S);
      g.globalAlpha = 1;
      g.strokeStyle = colour;
      g.lineWidth = 2 * d;
      g.strokeRect(sx, sy, 2 * h * S, 2 * h * S);
    }
  }
  if (result.found) {
    g.strokeStyle = '#ffffff';
    g.lineWidth = 5.5 * d;
    g.beginPath();
    g.moveTo(...toScreen(...start));
    for (const p of result.path) g.lineTo(...toScreen(...p));
    g.stroke();
    g.strokeStyle = COLOUR.shortest;
    g.lineWidth = 2.5 * d;
    g.stroke();
    for (const p of result.path) dot(g, ...p, 2.5 * d, COLOUR.shortest);
  } else {
    g.setLineDash([3 * d, 4 * d]);
    g.strokeStyle = COLOUR.bad;
    g.lineWidth = 1.5 * d;
    g.beginPath();
    g.moveTo(...toScreen(...start));
    g.lineTo(...toScreen(...goal));
    g.stroke();
    g.setLineDash([]);
  }
}

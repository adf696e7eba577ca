// The edit mode: the level changed while it runs. A drag on the level places
// a box (its outline becomes four walls of the built level), a click on a
// box placed removes it; every answer shown (route, shortest route, segment,
// ball) is asked again at once. The boxes are drawn over the level's
// pictures, which stay those of the level as built.

import { addMode } from './controls.js';
import { toScreen } from './camera.js';
import { addOverlay, requestFrame } from './frame.js';
import { setStatus } from './panels.js';
import { askAgain } from './queries.js';
import { listen, state } from './state.js';
import { dpr } from './util.js';

const edits = { boxes: [], dragging: null };   // boxes: [{ id, x1, y1, x2, y2 }] as the library has them

function refresh() {
  edits.boxes = state.level ? state.level.edits() : [];
}

// The box placed under point, the last one placed first; null when none.
function boxAt(point) {
  for (let i = edits.boxes.length - 1; i >= 0; i--) {
    const b = edits.boxes[i];
    if (point[0] >= b.x1 && point[0] <= b.x2 && point[1] >= b.y1 && point[1] <= b.y2) return b;
  }
  return null;
}

function place(a, b) {
  try {
    const t0 = performance.now();
    const id = state.level.addBox(a[0], a[1], b[0], b[1]);
    setStatus(`box ${id} placed (${(performance.now() - t0).toFixed(1)} ms)`);
  } catch (e) {
    setStatus(String(e.message || e));
  }
  refresh();
  askAgain();
}

function remove(box) {
  const t0 = performance.now();
  state.level.removeEdit(box.id);
  setStatus(`box ${box.id} removed (${(performance.now() - t0).toFixed(1)} ms)`);
  refresh();
  askAgain();
}

addMode('edit', {
  hint: 'Drag to place a box; click a box to remove it. Every answer shown is asked again.',
  press: (e, at) => {
    const a = at.point;
    let moved = false;
    return {
      move(point, px, py) {
        if (Math.hypot(px - at.px, py - at.py) > 4 * dpr()) moved = true;
        edits.dragging = moved ? { a, b: point } : null;
        requestFrame();
      },
      end(point) {
        edits.dragging = null;
        if (moved && point[0] !== a[0] && point[1] !== a[1]) {
          place(a, point);
        } else {
          const box = boxAt(point);
          if (box) remove(box);
        }
        requestFrame();
      },
    };
  },
});

addOverlay((g) => {
  if (!state.scene) return;
  const d = dpr();
  const rect = (x1, y1, x2, y2) => {
    const [sx1, sy1] = toScreen(x1, y1), [sx2, sy2] = toScreen(x2, y2);
    g.beginPath();
    g.rect(Math.min(sx1, sx2), Math.min(sy1, sy2), Math.abs(sx2 - sx1), Math.abs(sy2 - sy1));
  };
  for (const b of edits.boxes) {
    rect(b.x1, b.y1, b.x2, b.y2);
    g.fillStyle = 'rgba(150, 90, 30, 0.35)';
    g.fill();
    g.strokeStyle = '#7a4a12';
    g.lineWidth = 2 * d;
    g.stroke();
  }
  if (edits.dragging) {
    const { a, b } = edits.dragging;
    rect(a[0], a[1], b[0], b[1]);
    g.setLineDash([4 * d, 3 * d]);
    g.strokeStyle = '#7a4a12';
    g.lineWidth = 1.5 * d;
    g.stroke();
    g.setLineDash([]);
  }
});

// A new level has no edits.
listen('level', () => {
  edits.dragging = null;
  refresh();
});

// The controls: the mouse on the level (what a press does depends on the
// mode chosen in the Tool panel: see MODES), the wheel, the keyboard, the
// panels' fields and switches, the file and folder buttons and files or
// folders dropped on the page; and what the module's features let the page
// offer.

import { eventPixel, pixelToPoint } from './camera.js';
import { requestFrame } from './frame.js';
import { droppedEntries, inputEntries, openFiles } from './map_files.js';
import { doorAtPixel } from './overlays.js';
import {
  agentSize, ballRadius, chooseRoutePoint, clearQueries, runBall, runSegment, runShortest, toggleDoor,
} from './queries.js';
import { state, ui } from './state.js';
import { forgetPictures } from './tiles.js';
import { dpr } from './util.js';
import { fitView, panTo, resizeCanvas, zoomAt } from './view.js';

// ------------------------------------------------------------------ gestures

// A press that pans the view once the mouse has moved a few pixels, and is
// a click, onClick(point, px, py), when it is let go before.
export function clickOrPan(at, onClick) {
  const { ox, oy } = state.view;
  let panning = false;
  return {
    move(point, px, py) {
      if (!panning && Math.hypot(px - at.px, py - at.py) > 4 * dpr()) {
        panning = true;
        ui.canvas.classList.add('panning');
      }
      if (panning) panTo(ox, oy, at.px, at.py, px, py);
    },
    end(point, px, py) {
      if (!panning) onClick(point, px, py);
    },
  };
}

// A press that drags a segment from where it began: its first wall point
// is asked as the mouse moves.
export function segmentGesture(at) {
  const a = at.point;
  const ask = (point) => {
    if (point[0] !== a[0] || point[1] !== a[1]) runSegment(a, point);
  };
  return { move: ask, end: ask };
}

// The modes of the Tool panel (its radio buttons, by value): the hint shown
// for each, and the gesture a press on the level starts, press(event, at),
// at = { px, py, point } where it began. A module that adds a way of
// working with the level (placing boxes, say) adds a radio button to the
// panel and a mode here with addMode.
const MODES = {
  route: {
    hint: 'Click a start, then a goal. Drag to pan, wheel to zoom, shift-drag for a segment.',
    press: (e, at) => (e.shiftKey ? segmentGesture(at) : clickOrPan(at, (point, px, py) => {
      const door = doorAtPixel(px, py);
      if (door >= 0) toggleDoor(door);
      else chooseRoutePoint(point);
    })),
  },
  segment: {
    hint: 'Drag from a start to an end to see the first wall point hit. Wheel to zoom.',
    press: (e, at) => segmentGesture(at),
  },
};

export function addMode(name, mode) {
  MODES[name] = mode;
}

// ------------------------------------------------------------------ the mouse on the level

let gesture = null;   // the press under way: { move, end }

ui.canvas.addEventListener('pointerdown', (e) => {
  if (!state.scene || e.button !== 0) return;
  ui.canvas.setPointerCapture(e.pointerId);
  ui.canvas.focus();
  const [px, py] = eventPixel(e);
  gesture = MODES[state.mode].press(e, { px, py, point: pixelToPoint(px, py) });
});

ui.canvas.addEventListener('pointermove', (e) => {
  if (!state.scene) return;
  const [px, py] = eventPixel(e);
  const point = pixelToPoint(px, py);
  const [bx0, by0, bx1, by1] = state.scene.bounds;
  const inside = point[0] >= bx0 && point[0] <= bx1 && point[1] >= by0 && point[1] <= by1;
  const rock = inside && state.layers.solid && state.level.isSolid(point[0], point[1]);
  ui.cursor.textContent = `${point[0]}, ${point[1]}${rock ? ' · solid' : ''}`;
  ui.canvas.classList.toggle('over-door', !gesture && doorAtPixel(px, py) >= 0);
  if (gesture) gesture.move(point, px, py);
  runBall(point);
});

ui.canvas.addEventListener('pointerup', (e) => {
  if (!gesture) return;
  const [px, py] = eventPixel(e);
  const done = gesture;
  gesture = null;
  done.end(pixelToPoint(px, py), px, py);
  ui.canvas.classList.remove('panning');
});

ui.canvas.addEventListener('pointercancel', () => {
  gesture = null;
  ui.canvas.classList.remove('panning');
});

ui.canvas.addEventListener('pointerleave', () => {
  ui.cursor.textContent = '';
  if (!gesture && state.ball) {
    state.ball = null;
    requestFrame();
  }
});

ui.canvas.addEventListener('wheel', (e) => {
  if (!state.scene) return;
  e.preventDefault();
  const [px, py] = eventPixel(e);
  const delta = e.deltaMode === 1 ? e.deltaY * 16 : e.deltaY;
  zoomAt(px, py, Math.exp(-delta * 0.0015));
}, { passive: false });

new ResizeObserver(resizeCanvas).observe(ui.canvas);

// ------------------------------------------------------------------ keys and panels

window.addEventListener('keydown', (e) => {
  if (e.target instanceof HTMLInputElement) return;
  if (e.key === 'f' || e.key === 'F') fitView();
  if (e.key === 'Escape') {
    clearQueries();
    requestFrame();
  }
});

ui.fit.addEventListener('click', fitView);

for (const radio of document.querySelectorAll('input[name="mode"]')) {
  radio.addEventListener('change', () => {
    state.mode = radio.value;
    ui.modeHint.textContent = MODES[state.mode].hint;
  });
}

for (const box of document.querySelectorAll('input[data-layer]')) {
  box.addEventListener('change', () => {
    if (box.dataset.layer in state.layers) {
      state.layers[box.dataset.layer] = box.checked;
      // Doors are drawn in every frame, the other layers in the pictures kept.
      if (box.dataset.layer !== 'doors') forgetPictures();
      requestFrame();
    }
  });
}

ui.ballToggle.addEventListener('change', () => {
  if (state.ball) runBall(state.ball.centre);
  else if (!ui.ballToggle.checked) runBall(null);
});
ui.ballRadius.addEventListener('input', () => {
  if (state.ball || ballRadius() === null) runBall(state.ball ? state.ball.centre : null);
});

ui.shortestToggle.addEventListener('change', runShortest);
ui.agentSize.addEventListener('input', () => {
  ui.agentSizeValue.value = String(agentSize());
  runShortest();
});

// ------------------------------------------------------------------ files

// Several files at once: a map with its tilesets, templates or level files.
for (const input of [ui.fileInput, ui.folderInput]) {
  input.addEventListener('change', () => {
    const entries = inputEntries(input.files);
    input.value = '';
    openFiles(entries);
  });
}

// Files or a folder dropped anywhere on the page.
window.addEventListener('dragover', (e) => {
  e.preventDefault();
  ui.stage.classList.add('dragging-file');
});
window.addEventListener('dragleave', (e) => {
  if (e.relatedTarget === null) ui.stage.classList.remove('dragging-file');
});
window.addEventListener('drop', (e) => {
  e.preventDefault();
  ui.stage.classList.remove('dragging-file');
  droppedEntries(e.dataTransfer).then((entries) => openFiles(entries));
});

// ------------------------------------------------------------------ features

// What the module has decides what the page offers: the shortest route
// (features.shortestPath), doors (features.doors), solid space
// (features.solidSpace), Tiled maps (features.tiledMaps) and LDtk projects
// (features.ldtkProjects).
export function offerFeatures(features) {
  for (const [layer, has] of [['solid', features.solidSpace], ['doors', features.doors]]) {
    const box = document.querySelector(`input[data-layer="${layer}"]`);
    box.disabled = !has;
    box.checked = has;
    box.parentElement.classList.toggle('planned', !has);
    state.layers[layer] = has;
  }
  if (!features.doors) ui.doorsSection.classList.add('planned');
  if (!features.shortestPath) {
    ui.shortestSection.classList.add('planned');
    ui.shortestToggle.disabled = true;
    ui.agentSize.disabled = true;
  }
  if (!features.tiledMaps && !features.ldtkProjects) {
    ui.fileInput.accept = '.txt,.map,.level,text/plain';
    ui.fileButton.firstChild.textContent = 'Open level or grid map…';
    ui.folderButton.hidden = true;
  }
  ui.agentSizeValue.value = String(agentSize());
}

// Items (boxes xmin, ymin, xmax, ymax) filed in the cells of a grid over the
// level's bounds, so that a tile, a frame or a click visits only the items
// near it.

export class GridIndex {
  constructor(bounds, boxes) {
    const n = boxes.length / 4;
    const [x0, y0, x1, y1] = bounds;
    const side = Math.max(1, Math.min(256, Math.ceil(Math.sqrt(n / 4))));
    this.x0 = x0;
    this.y0 = y0;
    this.cols = side;
    this.rows = side;
    this.cw = Math.max(x1 - x0, 1) / side;
    this.ch = Math.max(y1 - y0, 1) / side;
    this.stamp = new Uint32Array(n);
    this.round = 0;
    const start = new Int32Array(side * side + 1);
    for (let i = 0; i < n; i++) {
      this.#cells(boxes, i, (c) => { start[c + 1]++; });
    }
    for (let c = 0; c < side * side; c++) start[c + 1] += start[c];
    const fill = start.slice(0, side * side);
    const items = new Int32Array(start[side * side]);
    for (let i = 0; i < n; i++) {
      this.#cells(boxes, i, (c) => { items[fill[c]++] = i; });
    }
    this.start = start;
    this.items = items;
  }

  #col(x) {
    return Math.min(this.cols - 1, Math.max(0, Math.floor((x - this.x0) / this.cw)));
  }

  #row(y) {
    return Math.min(this.rows - 1, Math.max(0, Math.floor((y - this.y0) / this.ch)));
  }

  #cells(boxes, i, visit) {
    const c0 = this.#col(boxes[4 * i]), c1 = this.#col(boxes[4 * i + 2]);
    const r0 = this.#row(boxes[4 * i + 1]), r1 = this.#row(boxes[4 * i + 3]);
    for (let r = r0; r <= r1; r++) for (let c = c0; c <= c1; c++) visit(r * this.cols + c);
  }

  // Calls visit(i) once for every item whose cells meet the box.
  query(qx0, qy0, qx1, qy1, visit) {
    this.round = (this.round + 1) >>> 0;
    if (this.round === 0) {
      this.stamp.fill(0);
      this.round = 1;
    }
    const round = this.round;
    const c0 = this.#col(qx0), c1 = this.#col(qx1), r0 = this.#row(qy0), r1 = this.#row(qy1);
    for (let r = r0; r <= r1; r++) {
      for (let c = c0; c <= c1; c++) {
        const cell = r * this.cols + c;
        for (let k = this.start[cell]; k < this.start[cell + 1]; k++) {
          const i = this.items[k];
          if (this.stamp[i] !== round) {
            this.stamp[i] = round;
            visit(i);
          }
        }
      }
    }
  }
}

// Boxes of segments given as x1, y1, x2, y2 (already boxes: ends in order).
export function segmentBoxes(flat) {
  const boxes = new Int32Array(flat.length);
  for (let i = 0; i < flat.length; i += 4) {
    boxes[i] = Math.min(flat[i], flat[i + 2]);
    boxes[i + 1] = Math.min(flat[i + 1], flat[i + 3]);
    boxes[i + 2] = Math.max(flat[i], flat[i + 2]);
    boxes[i + 3] = Math.max(flat[i + 1], flat[i + 3]);
  }
  return boxes;
}

export function pointBoxes(flat) {
  const boxes = new Int32Array(flat.length * 2);
  for (let i = 0, j = 0; i < flat.length; i += 2, j += 4) {
    boxes[j] = boxes[j + 2] = flat[i];
    boxes[j + 1] = boxes[j + 3] = flat[i + 1];
  }
  return boxes;
}


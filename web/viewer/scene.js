// What is drawn of a level, asked of the library once when it is shown: its
// walls, areas, portals, waypoints, solid areas and doors as flat arrays,
// each filed in a grid index, and the pictures painted of it so far (tiles,
// labels and the overview, which tiles.js fills and forgets).

import { GridIndex, pointBoxes, segmentBoxes } from './grid_index.js';

// The doors as drawn: x1, y1, x2, y2 each, and their states, 1 when open.
export function doorArrays(level) {
  const list = level.doors();
  const segments = new Int32Array(4 * list.length);
  const open = new Uint8Array(list.length);
  list.forEach((d, i) => {
    segments.set([d.x1, d.y1, d.x2, d.y2], 4 * i);
    open[i] = d.open ? 1 : 0;
  });
  return { segments, open };
}

export function makeScene(level) {
  const info = level.info();
  const bounds = info.bounds;
  const walls = level.walls();
  const areas = level.areas();
  const portals = level.portals();
  const waypoints = level.waypoints();
  // The solid areas' bounds, filed apart: a tile fills only those.
  const solidFlags = level.solidAreas();
  let nSolid = 0;
  for (const f of solidFlags) nSolid += f;
  const solid = new Int32Array(4 * nSolid);
  for (let i = 0, j = 0; i < solidFlags.length; i++) {
    if (solidFlags[i]) solid.set(areas.subarray(4 * i, 4 * i + 4), 4 * j++);
  }
  const doors = doorArrays(level);
  const solidIndex = new GridIndex(bounds, solid);
  // Whether a point lies in a solid area (borders included). A portal lies
  // in solid space when its middle does (its two areas are both solid or
  // both not: the build floods solid space through portals), a waypoint
  // when its position does.
  const inRock = (x, y) => {
    let found = false;
    if (nSolid > 0) {
      solidIndex.query(x, y, x, y, (i) => {
        found ||= solid[4 * i] <= x && x <= solid[4 * i + 2] && solid[4 * i + 1] <= y && y <= solid[4 * i + 3];
      });
    }
    return found;
  };
  const portalRock = new Uint8Array(portals.length / 4);
  const waypointRock = new Uint8Array(waypoints.length / 2);
  if (nSolid > 0) {
    for (let i = 0; i < portalRock.length; i++) {
      portalRock[i] = inRock((portals[4 * i] + portals[4 * i + 2]) / 2, (portals[4 * i + 1] + portals[4 * i + 3]) / 2);
    }
    for (let i = 0; i < waypointRock.length; i++) waypointRock[i] = inRock(waypoints[2 * i], waypoints[2 * i + 1]);
  }
  // Walls may stand on the border; the index covers whatever is drawn.
  return {
    info,
    bounds,
    walls,
    areas,
    portals,
    waypoints,
    solid,
    areaRock: solidFlags,
    portalRock,
    waypointRock,
    doors,
    wallIndex: new GridIndex(bounds, segmentBoxes(walls)),
    areaIndex: new GridIndex(bounds, areas),
    portalIndex: new GridIndex(bounds, segmentBoxes(portals)),
    waypointIndex: new GridIndex(bounds, pointBoxes(waypoints)),
    solidIndex,
    doorIndex: new GridIndex(bounds, segmentBoxes(doors.segments)),
    tiles: new Map(),
    labels: new Map(),
    overview: null,
  };
}


// The colours of the drawing, shared by the pictures of the level kept in
// tiles (tiles.js) and what is drawn over them in every frame (overlays.js).

export const STAGE_COLOUR = '#e9ecef';

// How strongly the areas, portals, waypoints and ids inside solid space show
// over the rock while it is shown: faintly, so that the free space reads first.
export const ROCK_ALPHA = 0.3;

export const COLOUR = {
  world: '#fbfbf8',
  worldEdge: '#b0b0b0',
  area: '#9ecae1',
  areaId: '#3b7fb6',
  portal: '#f28e2b',
  portalId: '#b8500a',
  waypoint: '#8e44ad',
  wall: '#1c1c1c',
  route: '#1f63c6',
  shortest: '#00897b',   // the shortest route and the agent's squares, as bsplevel svg draws them
  bad: '#d62728',
  good: '#2ca02c',
  segment: '#6b6b6b',
  rock: '#c9c0b0',       // solid space
  rockGrain: '#b3a994',  // its hatching
  door: '#a0522d',       // a door: solid when closed, dashed when open
};

// The free space of a level for a square agent of one half-size, cut into
// rectangles. The agent's centre must stay out of every wall grown by the
// half-size (the world's border counts as four walls); in the perturbed
// world of symbolic.h the grown walls are closed rectangles and the free
// space is what they leave of the world. A sweep upward along y cuts it into
// cells, each as wide as the free space at its height: the left and right
// sides of a cell lie on obstacles, and cells meet only along horizontal
// lines, through portals.
#ifndef ROUTE_ROUTE_MESH_H
#define ROUTE_ROUTE_MESH_H

#include <cstddef>
#include <vector>

#include "fast/box_tree.h"
#include "geo_utils.h"
#include "hv_wall.h"
#include "route/symbolic.h"

// An open stretch of a horizontal line between a cell below and a cell
// above. An end is a turning point when it is a corner of an obstacle, where
// a shortest route may bend.
struct cRoute_Portal {
    cSym Lo, Hi;  // along x
    cSym Y;
    int Below, Above;
    bool Lo_Turn, Hi_Turn;
};

struct cRoute_Cell {
    cSym X_Lo, X_Hi, Y_Lo, Y_Hi;
    // The portals on the bottom and on the top side, in order along x, are
    // consecutive in the mesh's portal list.
    int First_Bottom = 0, N_Bottom = 0;
    int First_Top = 0, N_Top = 0;
};

class cRoute_Mesh {
public:
    // The free space for the half-size within the world rectangle. Walls are
    // taken as given (any order, overlapping, of zero length).
    void Build(const std::vector<cHV_Wall>& walls, const cRect2D& world, int half_size);

    const std::vector<cRoute_Cell>& Cells() const { return Cell; }
    const std::vector<cRoute_Portal>& Portals() const { return Portal; }
    int Half_Size() const { return Half; }

    // The cells whose perturbed rectangle holds p strictly inside (at most
    // one), or, with touching, every cell whose rectangle holds p once the
    // perturbation vanishes.
    void Cells_At(const cPoint2D& p, bool touching, std::vector<int>& out) const;

    std::size_t Footprint() const;

private:
    void Build_Locator();

    int Half = 0;
    cRect2D World;
    std::vector<cRoute_Cell> Cell;
    std::vector<cRoute_Portal> Portal;
    cBox_Tree Locator;  // the cells by their unperturbed extent
};

#endif

// Finds the area of a point without descending the wall tree, whose depth
// depends on the order the walls came in. The areas' rectangles are kept in
// a balanced hierarchy of bounding boxes, in memory proportional to the
// number of areas whatever the world's shape.
//
// A point strictly inside an area has that area; a point on borders has the
// one area that holds it without standing on its smaller-coordinate side
// across a divider (the tree sends a point on a divider's line to the front
// side). Where that does not decide (ties at the world's border), the
// locator says so and the tree decides.
#ifndef FAST_AREA_LOCATOR_H
#define FAST_AREA_LOCATOR_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fast/box_tree.h"
#include "geo_utils.h"

namespace bsp_levels {

class cSquarePortal;

class cArea_Locator {
public:
    // areas: the world's list, which must outlive the locator unchanged.
    void Build(const std::vector<cSquarePortal*>& areas, const cRect2D& world);
    // The area the tree's lookup gives p, or null when the locator cannot tell.
    cSquarePortal* Find(const cPoint2D& p) const;
    std::size_t Footprint() const;

private:
    cBasic_Box_Tree<std::int32_t> Boxes;  // every coordinate fits in 32 bits
    const std::vector<cSquarePortal*>* Areas = nullptr;
    cRect2D World;
};

}  // namespace bsp_levels

#endif

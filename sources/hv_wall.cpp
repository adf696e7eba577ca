#include "hv_wall.h"

#include "messages.h"

#include <cmath>
#include <sstream>
#include <utility>

namespace bsp_levels {

std::ostream& operator<<(std::ostream& os, const cWall& w) { return os << w.p0 << "-->" << w.p1; }

BSP_POSITION_POINT cWall::Get_Position_Point(const cPoint2D&) const {
    Message_Sink() << "BSP_POSITION_POINT cWall::Get_Position_Point( cPoint2D& p) not implemented yet !! \n";
    return POINT_ON;
}

double cWall::Get_Length() const { return std::sqrt(double(Square_Distance(p0, p1))); }

cHV_Wall::cHV_Wall() : cWall() {
    Set_HV();
    Order_End_Points();
}

cHV_Wall::cHV_Wall(const cPoint2D& A, const cPoint2D& B) : cWall(A, B) {
    Set_HV();
    Order_End_Points();
    if (Get_Length() < 0.1) {
        std::ostringstream msg;
        msg << "WARNING : cHV_Wall( cPoint2D &A, cPoint2D &B):cWall(A,B) \n"
            << "le cHV_Wall a une longueur tres petite ... \n"
            << *this << "\n";
        Message_Sink() << msg.str();
    }
}

void cHV_Wall::Set_HV() {
    if (p0.x == p1.x) {
        Horizontal = false;
    } else if (p0.y == p1.y) {
        Horizontal = true;
    } else {
        std::ostringstream msg;
        msg << "ERROR : void cHV_Wall::Set_HV()" << *this << " is not an valid HV_wall !!! \n";
        Message_Sink() << msg.str();
    }
}

void cHV_Wall::Order_End_Points() {
    if (Horizontal ? p0.x > p1.x : p0.y > p1.y) std::swap(p0, p1);
}

BSP_POSITION_POINT cHV_Wall::Get_Position_Point(const cPoint2D& p) const {
    const int v = Horizontal ? p.y : p.x;
    const int line = Horizontal ? p0.y : p0.x;
    if (v < line) return POINT_FRONT;
    if (v > line) return POINT_BACK;
    return POINT_ON;
}

void cHV_Wall::Get_Intersection(const cHV_Wall& w, cPoint2D& out) const {
    if (Horizontal != w.Horizontal) {
        out = Horizontal ? cPoint2D(w.p0.x, p0.y) : cPoint2D(p0.x, w.p0.y);
        return;
    }
    std::ostringstream msg;
    msg << "ERROR : void Get_Intersection( cHV_Wall& w ,cPoint2D&  ) \n"
        << (Horizontal ? " les deux droites sont horizontales !! \n"
                       : " les deux droites sont verticales !! \n")
        << "d1 =" << *this << "\n"
        << "d2 =" << w << "\n";
    Message_Sink() << msg.str();
}

BSP_POSITION_DIVIDER cHV_Wall::Get_Position_Divider_And_Split(const cHV_Wall& w, cHV_Wall& w_front,
                                                              cHV_Wall& w_back) const {
    const BSP_POSITION_POINT a = Get_Position_Point(w.p0);
    const BSP_POSITION_POINT b = Get_Position_Point(w.p1);
    const cPoint2D* front_end = nullptr;
    const cPoint2D* back_end = nullptr;
    switch (a) {
    case POINT_FRONT:
        if (b == POINT_FRONT || b == POINT_ON) return DIVIDER_FRONT;
        if (b == POINT_BACK) front_end = &w.p0, back_end = &w.p1;
        break;
    case POINT_BACK:
        if (b == POINT_BACK || b == POINT_ON) return DIVIDER_BACK;
        if (b == POINT_FRONT) front_end = &w.p1, back_end = &w.p0;
        break;
    case POINT_ON:
        // Both ends on the line: a normal answer; the tree keeps such walls
        // with the divider.
        if (b == POINT_ON) return DIVIDER_ON;
        if (b == POINT_BACK) return DIVIDER_BACK;
        // (on, front) only comes from a wall that is neither horizontal nor
        // vertical; it lies wholly in front of the line, touching it.
        if (b == POINT_FRONT) return DIVIDER_FRONT;
        break;
    }
    if (front_end == nullptr) {
        Message_Sink() << "ERROR : BSP_POSITION_DIVIDER cHV_Wall::Get_Position_Divider_And_Split( "
                     "cHV_Wall & w , cHV_Wall & w_front  , cHV_Wall & w_back ) \n";
        return DIVIDER_ON;
    }
    cPoint2D I;
    Get_Intersection(w, I);
    const int door = w.Door;
    w_front = cHV_Wall(*front_end, I);
    w_back = cHV_Wall(I, *back_end);
    w_front.Door = w_back.Door = door;
    return DIVIDER_SPANNING;
}

}  // namespace bsp_levels

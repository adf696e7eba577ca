// The game world: one level in memory. It is the BSP tree of the level's
// walls; its build cuts the world rectangle into rectangular areas hung as the
// tree's leaves, gives every area the wall pieces and portals on its sides and
// links the portals into the search graph. A built world answers path,
// segment and ball queries.
#ifndef GAME_BSP_H
#define GAME_BSP_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "a_star.h"
#include "bsp.h"
#include "game_graph.h"
#include "geo_utils.h"
#include "hv_wall.h"
#include "square_portal.h"

namespace bsp_levels {

// The world rectangle a program starts with: [0,0]-[100,100].
extern const cRect2D DEFAULT_WORLD_BOUNDS;

// The extent of the first area of every world built from now on that has no
// rectangle of its own (cGame_World::Set_Bounds). It starts as
// DEFAULT_WORLD_BOUNDS; cLevel_Loader::Load overwrites it when a level has an
// area item, and nothing resets it. Load_Level (level_loader.h) leaves it
// alone and gives the world its own rectangle instead.
extern cRect2D WORLD_BOUNDS;

// Which algorithms a world runs. Both give the same answers in every
// respect (areas, portals and their ids and orders, waypoints, routes, hits,
// messages). REFERENCE runs the straightforward algorithms: every portal
// placed walks the list of all portals, a path query keeps its open and
// closed sets in linked lists and writes the search fields of the shared
// nodes, and a segment query descends the tree at every grid point. FAST,
// the default, indexes portals by line, searches on flat arrays with its own
// per-query state (so several threads may query one built world at once) and
// steps a segment from area to area.
enum class cEngine { FAST, REFERENCE };

// What Insert did with a wall.
enum INSERT_STATUS : int {
    INSERT_DONE = 0,          // stored in the tree (a wall on a divider's line included)
    INSERT_ALREADY_BUILT = 1, // refused: the world is built
    INSERT_NOT_HV = 2,        // refused: neither horizontal nor vertical
    INSERT_OVER_LIMIT = 3     // refused: the level went beyond the world's limits (cWorld_Limits)
};

// Bounds on the work and memory a level may cost, checked before each wall
// or door goes into the tree, so that no small file can take minutes or
// gigabytes. Each bound grows with the walls and doors inserted so far, so a
// level whose walls come in a sensible order (the importers order them)
// stays far below it however large it is; a level beyond it is refused wall
// by wall from the first one past the bound (INSERT_OVER_LIMIT).
struct cWorld_Limits {
    // Steps of insertion: one for each divider a wall or a piece of it is
    // classified against. Walls in sorted order (each new wall beyond all the
    // others) make the tree as deep as it has walls, and the steps grow as
    // the square of the walls; walls that cross each other cut one another
    // into pieces whose number grows as the product. A balanced map needs
    // about 25 steps a wall. At most Insert_Steps + Insert_Steps_Per_Wall
    // steps for each wall and door inserted.
    std::int64_t Insert_Steps = 50000000;
    std::int64_t Insert_Steps_Per_Wall = 64;
    // Wall nodes of the tree (the build makes one area more, each of a few
    // hundred bytes): at most Tree_Nodes + Tree_Nodes_Per_Wall for each wall
    // and door. Game maps make one or two a wall.
    std::int64_t Tree_Nodes = 1000000;
    std::int64_t Tree_Nodes_Per_Wall = 8;
};

// What Build did.
enum BUILD_STATUS : int {
    BUILD_DONE = 0,           // the world is built (now or before)
    BUILD_WALL_OUTSIDE = 1,   // refused: a wall or a door lies outside the world's rectangle; nothing changed
    BUILD_SOLID_OUTSIDE = 2,  // refused: a solid point lies outside the world's rectangle; nothing changed
    BUILD_SOLID_ON_WALL = 3,  // refused: a solid point lies on a wall or a door; nothing changed
    BUILD_SOLID_EVERYWHERE = 4 // built, but the solid points marked every area: no area is solid
};

// How many agent half-sizes a world keeps the route structures of, by
// default (cGame_World::Set_Agent_Sizes_Kept).
constexpr int DEFAULT_AGENT_SIZES = 16;

// What a shortest-route query found.
enum ROUTE_STATUS : int {
    ROUTE_FOUND = 0,          // a route, the shortest there is
    ROUTE_NONE = 1,           // no route joins the two points (or the world is not built)
    ROUTE_START_BLOCKED = 2,  // the agent's square at the start meets a wall, or the start is in solid space
    ROUTE_GOAL_BLOCKED = 3,   // the agent's square at the goal meets a wall, or the goal is in solid space
    ROUTE_OUTSIDE = 4,        // start or goal lies outside the world's rectangle
    ROUTE_BAD_SIZE = 5        // the half-size is negative or beyond the coordinate range
};
// The statuses of partial routes, nearest places and route fields. They are
// values of the type beside its enumerators, so that switches written over
// the enumerators above stay whole until they take these in.
constexpr ROUTE_STATUS ROUTE_PARTIAL = ROUTE_STATUS(6);   // the goal cannot be reached: the route ends at the reachable point nearest to it
constexpr ROUTE_STATUS ROUTE_NO_PLACE = ROUTE_STATUS(7);  // no point of the world has room for the agent (Find_Standing_Point)
constexpr ROUTE_STATUS ROUTE_STALE = ROUTE_STATUS(8);     // a route field asked after a door changed or an edit: build it again

// What an edit of a built world did (cGame_World::Add_Wall, Add_Box,
// Remove_Edit).
enum EDIT_STATUS : int {
    EDIT_DONE = 0,            // done: the id is the edit's
    EDIT_NOT_BUILT = 1,       // refused: the world is not built
    EDIT_NOT_HV = 2,          // refused: the wall is neither horizontal nor vertical
    EDIT_OUTSIDE = 3,         // refused: the wall or box leaves the world's rectangle
    EDIT_ON_SOLID_POINT = 4,  // refused: a solid point of the level lies on the wall or the box's outline
    EDIT_UNKNOWN_ID = 5,      // refused: no edit present has this id
    EDIT_OVER_LIMIT = 6       // refused: the walls would go beyond the world's limits (cWorld_Limits)
};

// What Would_Block found.
enum BLOCK_STATUS : int {
    BLOCK_OPEN = 0,      // a route joins the points now and still would with the box
    BLOCK_CUTS = 1,      // a route joins the points now, none would with the box
    BLOCK_NO_ROUTE = 2,  // no route joins the points now (the route status says why)
    BLOCK_BAD_BOX = 3    // the box is refused as Add_Box would refuse it
};

// How a shortest-route query answers.
struct cRoute_Options {
    // When the goal cannot be reached (no way through, the agent does not fit
    // there, it lies in solid space or outside the world), answer
    // ROUTE_PARTIAL with the shortest route to the reachable point nearest to
    // the goal (see Find_Shortest_Path) instead of a failure.
    bool Partial = false;
};

// One query of a batch (Find_Shortest_Paths) and its answer: what
// Find_Shortest_Path(Start, Goal, Half_Size, Options, Path, &Length) gives.
struct cRoute_Request {
    cPoint2D Start, Goal;
    int Half_Size = 0;
    cRoute_Options Options;
};
struct cRoute_Result {
    ROUTE_STATUS Status = ROUTE_NONE;
    std::vector<cPoint2D> Path;
    double Length = 0;
};

class cFast_Engine;
class cTree_Lookup;
class cAgent_Meshes;
class cDoor_Layer;
class cRoute_Mesh;
class cGame_World;
class cWorld_Edits;

// The shortest routes from everywhere to one goal, for one agent size: what
// a crowd ordered to one spot needs. Build searches once from the goal over
// everything the agent can reach; Route then answers the route from any
// start without searching, exactly what the world's Find_Shortest_Path
// answers for that start, goal and half-size (the same status, the same
// length within rounding; among equally short routes, any one).
//
// The field holds for the door states it was built with. A door opened or
// closed since, or an edit of the world (Add_Wall, Add_Box, Remove_Edit),
// makes every answer ROUTE_STALE, never a route that is no longer right:
// build the field again then (Build with the same goal and half-size). The
// field reads the world when it answers: the world must outlive it. Several
// threads may ask one field at once; an answer asked while another thread
// edits the world is the one of the world the field was built on, or
// ROUTE_STALE.
class cRoute_Field {
public:
    cRoute_Field();
    ~cRoute_Field();
    cRoute_Field(cRoute_Field&&) noexcept;
    cRoute_Field& operator=(cRoute_Field&&) noexcept;
    cRoute_Field(const cRoute_Field&) = delete;
    cRoute_Field& operator=(const cRoute_Field&) = delete;

    // Builds the field of goal for the half-size on a built world. Answers
    // what the goal allows: ROUTE_FOUND when the agent fits there (routes
    // lead to it), ROUTE_GOAL_BLOCKED, ROUTE_OUTSIDE, ROUTE_BAD_SIZE, or
    // ROUTE_NONE for a world that is not built; Route then gives that status
    // (after the start's own, as Find_Shortest_Path orders them).
    ROUTE_STATUS Build(const cGame_World& world, const cPoint2D& goal, int half_size);
    // The shortest route from start to the goal: path holds its corners
    // after the start, ending with the goal, and length its length, as
    // Find_Shortest_Path gives them; ROUTE_STALE when a door changed or the
    // world was edited since the build, ROUTE_NONE when the field was never
    // built.
    ROUTE_STATUS Route(const cPoint2D& start, std::vector<cPoint2D>& path, double* length = nullptr) const;
    // Whether a door changed or the world was edited since the build (false
    // for a field never built).
    bool Is_Stale() const;
    bool Is_Built() const { return Data != nullptr; }
    cPoint2D Goal() const;
    int Half_Size() const;
    // Bytes the field holds (its search's record; the agent size's route
    // structures are the world's).
    std::size_t Footprint() const;

private:
    struct cData;
    std::unique_ptr<cData> Data;
};

// The world is its own wall tree, privately: walls go in through the world's
// Insert only, which checks them.
class cGame_World : private cBSP_Tree<cHV_Wall> {
public:
    using cBSP_Tree<cHV_Wall>::Node;
    using cBSP_Tree<cHV_Wall>::Root;
    using cBSP_Tree<cHV_Wall>::N_Nodes;
    using cBSP_Tree<cHV_Wall>::Where_Is;
    using cBSP_Tree<cHV_Wall>::Where_Is_Leaf;

    // Reads as true once the areas have been hung in the tree; it follows
    // the build stage and cannot be set.
    class cSquares_Done {
    public:
        operator bool() const;

    private:
        friend class cGame_World;
        explicit cSquares_Done(const cGame_World* world) : World(world) {}
        const cGame_World* World;
    };

    std::vector<cSquarePortal*> Areas;  // every area, in numbering order (-1 first)
    std::vector<cPortal*> Portals;      // every portal, in creation order (owned)
    int N_Areas = 0;
    int N_Portals = 0;
    int N_Solid_Areas = 0;  // areas in solid space, once built
    const cSquares_Done Squares_Done{this};
    cA_Star Path_Finder;

    explicit cGame_World(cEngine engine = cEngine::FAST);
    ~cGame_World();
    cGame_World(const cGame_World&) = delete;
    cGame_World& operator=(const cGame_World&) = delete;
    cEngine Get_Engine() const;

    // Inserts a wall into the wall tree. Refused, with a message, once the
    // world is built and for a wall that is neither horizontal nor vertical.
    INSERT_STATUS Insert(const cHV_Wall& wall);

    // Marks as solid the region that p lies in: every area the build finds
    // reachable from p without crossing a wall or a door. Refused once the
    // world is built. The build refuses a point outside the world or on a
    // wall.
    INSERT_STATUS Add_Solid_Point(const cPoint2D& p);
    // Adds a door: a stretch of wall that can be opened and closed on the
    // built world. It divides the world like a wall (it goes into the tree
    // with the walls, in call order) and starts closed. Doors are numbered
    // 0, 1, ... in the order they are added. Refused like Insert.
    INSERT_STATUS Add_Door(const cHV_Wall& door);
    int N_Doors() const { return int(Level_Doors.size()); }
    // Opens or closes a door; false for an unknown number. A closed door is
    // a wall for every query, an open one is no obstacle. The change costs
    // time in proportion to the door's pieces (the door portals under it
    // count its state). It must not run while queries run on the world.
    bool Set_Door(int id, bool open);
    // Whether the door is open; false for an unknown number.
    bool Is_Door_Open(int id) const;
    // Every door added, in numbering order.
    const std::vector<cHV_Wall>& Get_Level_Doors() const { return Level_Doors; }
    // The open stretches under the door between two areas, once built.
    int Door_Pieces(int id) const;
    // Every solid point added, in order.
    const std::vector<cPoint2D>& Get_Solid_Points() const { return Solid_Points; }
    // The bounds on the level's cost; set them before the first wall.
    void Set_Limits(const cWorld_Limits& limits) { Limits = limits; }
    const cWorld_Limits& Get_Limits() const { return Limits; }
    // The insertion's work so far (cWorld_Limits::Insert_Steps counts it).
    std::int64_t Insert_Work() const { return cBSP_Tree<cHV_Wall>::Insert_Steps; }

    // Cuts the world into areas, decorates them with walls and portals and
    // links aligned portals. Refused, with a message, when a wall lies outside
    // the world's rectangle (its own, else WORLD_BOUNDS): the world then stays
    // unbuilt. Does nothing on a built world.
    BUILD_STATUS Build();
    // Built: all three build steps have run.
    bool Is_Built() const { return Stage == WAYPOINTS_BUILT; }

    // Build step 1: areas under every free child slot, numbered -1, -2, ...
    // Refused when a wall lies outside the world's rectangle.
    void Decorate_With_Square_Portals();
    // Partitions region (an area holding node's region, not yet attached,
    // made with new) by node's subtree. region is released.
    void Decorate_Node(Node* node, cSquarePortal* region);

    // Build step 2: wall pieces and portals on every side of every area.
    void Decorate_With_Walls_And_Portals();
    void Decorate_Side(cSquarePortal* area, const cHV_Seg& side);
    // Every open stretch of positive length of side between the covered
    // stretches (single points included, given in order along side) becomes
    // a portal.
    void Add_Side_Portals(cSquarePortal* area, const cHV_Seg& side, const std::vector<cHV_Seg>& covered);
    // Gives area the portals that cover seg exactly, finding, cutting or
    // creating them.
    void Insert_Portal(cSquarePortal* area, const cHV_Seg& seg);
    // Shrinks p to the stretch seg of its segment; the rest become new portals.
    void Split_Portal(cPortal* p, const cHV_Seg& seg);

    // Build step 3: waypoints between aligned portals of every area.
    void Link_Aligned_Portals();

    // The queries answer false (no route, no hit, no touch) on a world that
    // is not built and for points outside the coordinate range. They change
    // nothing that a caller sees; on the fast engine several threads may run
    // them at once on one built world.

    // Route from start to goal: the points to head for, ending with goal.
    // Returns false, with path empty, when no route exists, and when start or
    // goal lies outside the rectangle the world was built with.
    bool Find_Path(const cPoint2D& start, const cPoint2D& goal, std::vector<cPoint2D>& path) const;

    // Walks seg from p0 to p1 and reports the first grid point that lies on a
    // wall. The walk stops once a point at squared distance limit or more from
    // p0 has been tested.
    bool Intersect_Segment(const cSeg& seg, cPoint2D& hit) const;
    bool Intersect_Segment(const cSeg& seg, cPoint2D& hit, std::int64_t limit) const;
    // True when a wall lies closer than |radius| to (x, y).
    bool Intersect_Ball(int x, int y, int radius) const;

    // The shortest route for a square agent of the given half-size (an
    // integer >= 0) centred on the route: the agent's open square never meets
    // a wall, nor leaves the world; with half-size 0 the route may touch walls
    // and run along them but never passes from one side of a wall to the
    // other. On ROUTE_FOUND, path holds the route's corners after the start,
    // ending with goal, and length (when given) its length; otherwise path is
    // empty. The structures for a half-size are built on its first query and
    // kept; several threads may query at once.
    ROUTE_STATUS Find_Shortest_Path(const cPoint2D& start, const cPoint2D& goal, int half_size,
                                    std::vector<cPoint2D>& path, double* length = nullptr) const;
    // Builds the structures for a half-size now rather than on its first query.
    void Prepare_Agent(int half_size) const;
    // The structures of at most this many half-sizes are kept (default
    // DEFAULT_AGENT_SIZES); making one more drops the least recently used,
    // which a later query of that size makes again. A query running on a
    // dropped size finishes on it. Several threads may query at once: making
    // a size's structures holds up only the queries of that same size.
    void Set_Agent_Sizes_Kept(int sizes);
    int Agent_Sizes_Kept() const;
    // Drops the structures of a half-size now (false when none are kept).
    bool Release_Agent(int half_size);
    // How many half-sizes' structures are kept now.
    int Kept_Agent_Sizes() const;
    // Bytes held by the structures of a half-size (0 before they are made).
    std::size_t Agent_Footprint(int half_size) const;

    // Find_Shortest_Path with options. With options.Partial, a goal that
    // cannot be reached (ROUTE_NONE, ROUTE_GOAL_BLOCKED, a goal in solid
    // space or outside the world but within the coordinate range) gives
    // ROUTE_PARTIAL: path ends at the reachable point nearest to the goal (a
    // point the agent can reach from the start that is not in solid space,
    // at the least Euclidean distance from the goal there is; among equally
    // near points, the one of the shortest route), and the route to it is
    // the shortest. That point is an integer point: every obstacle side lies
    // on integer coordinates. A start where the agent does not fit still
    // gives ROUTE_START_BLOCKED; a reachable goal, ROUTE_FOUND as without
    // the option. A partial route costs about what the failing query does.
    ROUTE_STATUS Find_Shortest_Path(const cPoint2D& start, const cPoint2D& goal, int half_size,
                                    const cRoute_Options& options, std::vector<cPoint2D>& path,
                                    double* length = nullptr) const;

    // The shortest route from start to whichever of the goals is nearest by
    // route length, in one search: ROUTE_FOUND with goal (when given) the
    // goal's number in goals (among equally near goals, any one) and path
    // ending with it. Goals the agent cannot stand at (outside the world, in
    // solid space, where its square meets a wall) are passed over:
    // ROUTE_GOAL_BLOCKED when that is every goal, ROUTE_OUTSIDE when every
    // goal lies outside the world; ROUTE_NONE when none is reachable or
    // goals is empty. The start's statuses are Find_Shortest_Path's.
    ROUTE_STATUS Find_Nearest_Goal(const cPoint2D& start, const std::vector<cPoint2D>& goals, int half_size,
                                   std::vector<cPoint2D>& path, double* length = nullptr,
                                   int* goal = nullptr) const;

    // The nearest place to p where the agent's square fits: in the world, not
    // meeting a wall or closed door, its centre not in solid space (with
    // half-size 0, any point of the world out of solid space, walls
    // included). ROUTE_FOUND with place (p itself when it fits), the
    // nearest such point by Euclidean distance (an integer point; among
    // equally near ones, the least y, then the least x). ROUTE_NO_PLACE when
    // the agent fits nowhere; ROUTE_OUTSIDE when p lies beyond the
    // coordinate range; ROUTE_BAD_SIZE, and ROUTE_NONE on a world that is
    // not built. p may lie outside the world.
    ROUTE_STATUS Find_Standing_Point(const cPoint2D& p, int half_size, cPoint2D& place) const;

    // Answers every request as Find_Shortest_Path would, answers[i] for
    // requests[i], on up to `threads` threads at once (each with its own
    // search state; no more than the machine runs at once), the calling
    // thread among them; 0 or 1 answers them on the calling thread. Doors
    // must not change meanwhile.
    void Find_Shortest_Paths(const std::vector<cRoute_Request>& requests, std::vector<cRoute_Result>& answers,
                             int threads) const;

    // ------------------------------------------------------------ edits
    //
    // A built world takes walls and boxes while the game runs, and gives
    // them back. Every query then answers as a world built afresh from the
    // level's walls and the edit walls present (in the order of their ids),
    // the same doors in the same states and the same solid points would;
    // the level's own walls stay. The built areas, portals and tree
    // (Areas, Portals, Area_At, Root) describe the level as built.
    // See the README's "Levels that change while the game runs".

    // Adds a wall; id (when given) gets the edit's id. Ids are 0, 1, ... in
    // the order of the edits made, never reused. Refused, with nothing
    // changed, on a world not built, for a wall neither horizontal nor
    // vertical or leaving the world's rectangle, and for one holding a
    // solid point of the level.
    EDIT_STATUS Add_Wall(const cHV_Wall& wall, int* id = nullptr);
    // Adds the outline of the axis-aligned box with corners a and b (in any
    // order; a box of zero width or height is a wall, of both a point): its
    // four sides, under one id. Refused like Add_Wall.
    EDIT_STATUS Add_Box(const cPoint2D& a, const cPoint2D& b, int* id = nullptr);
    // Takes away the walls of an edit; EDIT_UNKNOWN_ID for an id that is
    // not present (never given, or removed already).
    EDIT_STATUS Remove_Edit(int id);
    // The walls of the edit with that id (empty when it is not present), and
    // every edit wall present, in the order of their ids.
    std::vector<cHV_Wall> Edit_Walls(int id) const;
    std::vector<cHV_Wall> Edit_Walls() const;
    // The ids of the edits present, in order.
    std::vector<int> Edit_Ids() const;
    // Edits made so far (added and removed): a number that changes with
    // every edit.
    std::uint64_t Edit_Count() const;
    // Whether adding the box with corners a and b would cut every route for
    // the agent's half-size between start and goal, without changing the
    // world: BLOCK_OPEN, BLOCK_CUTS (a box the agent cannot stand beside at
    // start or goal cuts too), BLOCK_NO_ROUTE when Find_Shortest_Path finds
    // none now (now, when given, gets its status), BLOCK_BAD_BOX. The
    // tower-defence rule "you may not close the path".
    BLOCK_STATUS Would_Block(const cPoint2D& a, const cPoint2D& b, const cPoint2D& start, const cPoint2D& goal,
                             int half_size, ROUTE_STATUS* now = nullptr) const;
    // Bytes held for the edits: the world of the edits present with its
    // route structures (0 without edits).
    std::size_t Edits_Footprint() const;

    // The area holding p (a point on a divider's line belongs to its front
    // side), or null when the world has no area.
    cSquarePortal* Area_At(const cPoint2D& p) const;
    // True when any wall of the world, or closed door, contains p.
    bool Is_On_Wall(const cPoint2D& p) const;
    // True when p lies in solid space: its area is solid and p is not on a
    // wall (a point on the wall around a solid region stands on its face).
    bool Is_Solid(const cPoint2D& p) const;
    // Is_Solid for the level as built, without its edits. A query that has
    // found the world unedited when it began asks this, not Is_Solid, so
    // that an edit published meanwhile cannot give it half its answers.
    bool Solid_As_Built(const cPoint2D& p) const;
    // The rectangle the world is built with: once built, the one it was
    // built with; before, its own bounds when set, else WORLD_BOUNDS.
    const cRect2D& Get_Bounds() const { return Is_Built() ? Built_Bounds : Build_Bounds(); }
    // Gives the world its own rectangle: its build uses it instead of the
    // process-wide WORLD_BOUNDS, which it neither reads nor writes, so
    // worlds loaded and built one after another, or on several threads at
    // once, do not touch each other. Refused (false) once the world is built.
    bool Set_Bounds(const cRect2D& bounds);
    bool Has_Own_Bounds() const { return Own_Bounds; }
    // Every wall accepted by Insert, in insertion order.
    const std::vector<cHV_Wall>& Get_Level_Walls() const { return Level_Walls; }
    // Bytes held by the fast engine's indexes (0 for the reference engine).
    std::size_t Engine_Footprint() const;
    // Bytes of the pool that holds the world's tree nodes, areas, wall
    // pieces, portals, waypoints and their neighbour lists' entries.
    std::size_t Pool_Footprint() const;

private:
    // The pool of the world's objects; the destructor takes them apart before
    // the pool goes.
    cWorld_Pool Pool;

    // Partitions region by node's subtree, making the areas in the pool.
    void Decorate_Region(Node* node, const cRect2D& region);
    // A wall piece of area, made in the pool.
    cHV_Seg* New_Wall_Piece(const cSquarePortal* area, const cHV_Seg& w);
    // The stretches of a side that walls cover, while it is decorated.
    std::vector<cHV_Seg> Covered;
    friend class cFast_Engine;
    friend class cRoute_Field;

    // The route structures of a valid half-size, made on first use.
    std::shared_ptr<const cRoute_Mesh> Agent_Mesh(int half_size) const;
    // The doors' states for the route search: null without doors.
    const unsigned char* Route_Doors() const { return Door_Open.empty() ? nullptr : Door_Open.data(); }

    // Area_At, through the fast engine's locator when it can tell.
    cSquarePortal* Locate(const cPoint2D& p) const;
    // Whether a wall of the world or a closed door lies at a squared
    // distance below r2 from c.
    bool Wall_Within(const cPoint2D& c, std::int64_t r2) const;
    // Build: the solid points' check before, their flood after.
    BUILD_STATUS Check_Solid_Points() const;
    BUILD_STATUS Flood_Solid();
    // The node whose divider's line holds side, or null when no wall's line does.
    Node* Find_Side_Node(const cHV_Seg& side) const;
    // Gives area the portals of side, whose line node holds, and its wall
    // pieces, which go to the end of pieces.
    void Decorate_Side(cSquarePortal* area, const cHV_Seg& side, Node* node, std::vector<cHV_Seg*>& pieces);
    // Records for the door layer the stretches of side under doors only.
    void Record_Door_Stretches(cSquarePortal* area, const cHV_Seg& side, Node* node);
    // The area of positive width and height whose border holds p, given
    // area, the one p was located in (area itself when it has extent).
    cSquarePortal* Space_At(const cPoint2D& p, cSquarePortal* area) const;
    // Is_Solid for a point of the built world located in area.
    bool In_Solid(const cPoint2D& p, cSquarePortal* area) const;
    // The rectangle the build will use: the world's own, else WORLD_BOUNDS.
    const cRect2D& Build_Bounds() const;
    // The first wall, then door, that lies outside the build's rectangle, or null.
    const cHV_Wall* First_Outside() const;
    // Whether a piece of the tree is a door that is open.
    bool Is_Open(const cHV_Wall& w) const { return w.Door >= 0 && Door_Open[std::size_t(w.Door)] != 0; }
    // INSERT_OVER_LIMIT, with a message the first time, when the tree has
    // reached one of its limits; else INSERT_DONE.
    INSERT_STATUS Check_Limits(const cHV_Wall& wall, const char* what);
    // Creates a portal on seg for area, with the next Id.
    cPortal* Add_New_Portal(cSquarePortal* area, const cHV_Seg& seg);

    // How far the build has gone; each step runs once.
    enum cBuild_Stage { NOTHING_BUILT, SQUARES_BUILT, PORTALS_BUILT, WAYPOINTS_BUILT };
    cBuild_Stage Stage = NOTHING_BUILT;
    cWorld_Limits Limits;
    bool Limit_Reported = false;
    cRect2D Built_Bounds;
    bool Own_Bounds = false;
    cRect2D Own_Rect;  // the world's own rectangle, when Own_Bounds
    std::vector<cHV_Wall> Level_Walls;
    std::vector<cHV_Wall> Level_Doors;
    std::vector<unsigned char> Door_Open;  // by door, 1 when open
    std::vector<cPoint2D> Solid_Points;
    // The doors' open stretches and their links into the search graph.
    std::unique_ptr<cDoor_Layer> Doors;
    // The fast engine's indexes and search graph; empty for the reference engine.
    std::unique_ptr<cFast_Engine> Fast;
    std::unique_ptr<cTree_Lookup> Tree;  // the tree's lookup, for the fast engine
    // The free space for each agent half-size queried so far.
    std::unique_ptr<cAgent_Meshes> Agents;

    // The edits present and the world they make (world_edits.cpp).
    friend class cWorld_Edits;
    std::unique_ptr<cWorld_Edits> Edits;
    // The world of the edits present, which the queries answer on, or null
    // when no edit is present. A query holds it until it finishes.
    std::shared_ptr<const cGame_World> Edited() const;
    // The half-sizes whose route structures are kept now, and how many are
    // kept at most (this world's own, edits aside).
    std::vector<int> Kept_Sizes() const;
    int Agents_Capacity() const;
    // Keeps the route structures of a half-size made beside the world, from
    // the same walls, doors and rectangle.
    void Adopt_Agent(int half_size, std::shared_ptr<const cRoute_Mesh> mesh);
    // EDIT_DONE when the walls may be added to the built world, else why not
    // (with a message naming the call).
    EDIT_STATUS Check_Edit(const std::vector<cHV_Wall>& walls, const char* what) const;
};

// Whether a point lies within the coordinate range the library supports.
bool In_Coordinate_Range(const cPoint2D& p);

}  // namespace bsp_levels

#endif

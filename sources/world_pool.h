// Memory for the objects of one world. A world makes millions of small
// objects (tree nodes, areas, wall pieces, portals, waypoints, the entries of
// the portals' neighbour lists) and frees them all at once when it goes: a
// heap block for each would cost the allocator's header and rounding on
// every one, and the time of as many calls. The pool hands out memory from
// large blocks in order instead, and gives it all back when it is
// destroyed; whoever makes an object in it destroys the object first.
//
// Neighbour lists take their entries from the pool through cPool_Allocator.
// An entry a list lets go of waits on a free list of its size for the next.
#ifndef WORLD_POOL_H
#define WORLD_POOL_H

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace bsp_levels {

// Large blocks of memory that the library fills whole soon after taking them
// (a world's pool, the arrays of the route structures). A block of BIG_BLOCK
// bytes or more is mapped on its own at a 2 MiB boundary and, where the
// system offers transparent huge pages on request (Linux), marked for them:
// the kernel then maps it 2 MiB at a time instead of faulting in each 4 KiB
// page, and the processor finds the world's objects with fewer page-table
// walks (on a level of half a million walls the world's build took about a
// fifth less time). Smaller blocks, and every block elsewhere, come from
// malloc. Free_Big takes the size
// Allocate_Big was given. Allocate_Big throws std::bad_alloc when there is
// no memory.
constexpr std::size_t BIG_BLOCK = std::size_t(2) << 20;
void* Allocate_Big(std::size_t size);
void Free_Big(void* block, std::size_t size) noexcept;
// Bytes of the blocks mapped on their own now, all threads together: they
// are not the allocator's, so a measurement of the heap adds them.
std::size_t Big_Bytes_Mapped() noexcept;

// A standard allocator for large arrays built once, to their size or near
// it, and kept: arrays of BIG_BLOCK bytes or more from Allocate_Big, smaller
// ones from operator new. (Not for a vector that grows by doubling as it is
// used: each of its growths past 2 MiB would be mapped afresh.)
template <class T>
class cBig_Allocator {
public:
    static_assert(alignof(T) <= alignof(std::max_align_t), "cBig_Allocator: over-aligned type");
    using value_type = T;
    cBig_Allocator() noexcept = default;
    template <class U>
    cBig_Allocator(const cBig_Allocator<U>&) noexcept {}
    T* allocate(std::size_t n) {
        if (n > std::size_t(-1) / sizeof(T)) throw std::bad_array_new_length();
        if (n * sizeof(T) < BIG_BLOCK) return std::allocator<T>().allocate(n);
        return static_cast<T*>(Allocate_Big(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept {
        if (n * sizeof(T) < BIG_BLOCK)
            std::allocator<T>().deallocate(p, n);
        else
            Free_Big(p, n * sizeof(T));
    }
};

template <class T, class U>
bool operator==(const cBig_Allocator<T>&, const cBig_Allocator<U>&) noexcept {
    return true;
}
template <class T, class U>
bool operator!=(const cBig_Allocator<T>&, const cBig_Allocator<U>&) noexcept {
    return false;
}

// A vector whose storage is a big block once it is large.
template <class T>
using tBig_Vector = std::vector<T, cBig_Allocator<T>>;

class cWorld_Pool {
public:
    cWorld_Pool() = default;
    ~cWorld_Pool() {
        for (const std::pair<void*, std::size_t>& block : Blocks) Free_Big(block.first, block.second);
    }
    cWorld_Pool(const cWorld_Pool&) = delete;
    cWorld_Pool& operator=(const cWorld_Pool&) = delete;

    // Raw memory for size bytes aligned to align (at most alignof(max_align_t)).
    void* Allocate(std::size_t size, std::size_t align) {
        std::size_t at = (Used + align - 1) & ~(align - 1);
        if (Current == nullptr || at + size > Capacity) {
            New_Block(size);
            at = 0;
        }
        Used = at + size;
        return Current + at;
    }
    // Makes a T in the pool.
    template <class T, class... cArgs>
    T* New(cArgs&&... args) {
        return ::new (Allocate(sizeof(T), alignof(T))) T(std::forward<cArgs>(args)...);
    }

    // Memory for one small fixed-size entry (a list node), taken from the
    // free list of its size when one waits there.
    void* Allocate_Entry(std::size_t size, std::size_t align) {
        const std::size_t k = Size_Class(size);
        if (k < N_CLASSES && Free[k] != nullptr) {
            void* p = Free[k];
            Free[k] = *static_cast<void**>(p);
            return p;
        }
        return Allocate(k < N_CLASSES ? (k + 1) * sizeof(void*) : size, align < alignof(void*) ? alignof(void*) : align);
    }
    void Release_Entry(void* p, std::size_t size) {
        const std::size_t k = Size_Class(size);
        if (k >= N_CLASSES) return;  // stays in the pool until the pool goes
        *static_cast<void**>(p) = Free[k];
        Free[k] = p;
    }

    // Bytes the pool holds from the system, and of them the bytes handed out.
    std::size_t Footprint() const { return Held; }
    std::size_t In_Use() const { return Held - (Capacity - Used); }

private:
    static constexpr std::size_t N_CLASSES = 8;  // entries of up to 8 pointers
    static std::size_t Size_Class(std::size_t size) { return (size + sizeof(void*) - 1) / sizeof(void*) - 1; }

    void New_Block(std::size_t least) {
        // Blocks grow with the world, so that a small world holds little and
        // a large one few blocks; the tail of the block left behind stays
        // unused (at most a few bytes a wall).
        std::size_t size = Blocks.empty() ? FIRST_BLOCK : std::min(Capacity * 2, LARGEST_BLOCK);
        if (size < least) size = least;
        // Listed before it is taken, so that a block is never taken and lost
        // when the list cannot grow.
        Blocks.emplace_back(nullptr, size);
        try {
            Blocks.back().first = Allocate_Big(size);
        } catch (...) {
            Blocks.pop_back();
            throw;
        }
        Current = static_cast<char*>(Blocks.back().first);
        Capacity = size;
        Used = 0;
        Held += size;
    }

    static constexpr std::size_t FIRST_BLOCK = 4096;
    static constexpr std::size_t LARGEST_BLOCK = std::size_t(4) << 20;
    std::vector<std::pair<void*, std::size_t>> Blocks;
    char* Current = nullptr;
    std::size_t Capacity = 0, Used = 0, Held = 0;
    void* Free[N_CLASSES] = {};
};

// An allocator that takes single elements from a world's pool, or from the
// heap when it has no pool (a list that a program makes on its own). A copy
// of a container gets the heap's: it lives apart from the world.
template <class T>
class cPool_Allocator {
public:
    using value_type = T;
    using propagate_on_container_move_assignment = std::true_type;
    using propagate_on_container_swap = std::true_type;
    using is_always_equal = std::false_type;

    cPool_Allocator() noexcept = default;
    explicit cPool_Allocator(cWorld_Pool* pool) noexcept : Pool(pool) {}
    template <class U>
    cPool_Allocator(const cPool_Allocator<U>& other) noexcept : Pool(other.Pool) {}

    T* allocate(std::size_t n) {
        if (Pool != nullptr && n == 1) return static_cast<T*>(Pool->Allocate_Entry(sizeof(T), alignof(T)));
        return std::allocator<T>().allocate(n);
    }
    void deallocate(T* p, std::size_t n) noexcept {
        if (Pool != nullptr && n == 1)
            Pool->Release_Entry(p, sizeof(T));
        else
            std::allocator<T>().deallocate(p, n);
    }
    cPool_Allocator select_on_container_copy_construction() const { return cPool_Allocator(); }

    cWorld_Pool* Pool = nullptr;
};

template <class T, class U>
bool operator==(const cPool_Allocator<T>& a, const cPool_Allocator<U>& b) noexcept {
    return a.Pool == b.Pool;
}
template <class T, class U>
bool operator!=(const cPool_Allocator<T>& a, const cPool_Allocator<U>& b) noexcept {
    return a.Pool != b.Pool;
}

}  // namespace bsp_levels

#endif

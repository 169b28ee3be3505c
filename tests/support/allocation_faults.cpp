// The test program's operator new, which RefusedAllocations (support/allocation_faults.h) makes
// refuse. Every other form of new (arrays, nothrow, the sized and aligned deletes' partners) ends
// in this one in the GNU run-time; delete stays the run-time's, which frees with free().
#include "support/allocation_faults.h"

#include <cstdlib>
#include <new>

namespace {

long g_asked = 0;
long g_refuseFrom = 0;  // 0: nothing is refused

}  // namespace

void* operator new(std::size_t size)
{
    if (g_refuseFrom != 0 && ++g_asked >= g_refuseFrom)
        throw std::bad_alloc();
    if (void* block = std::malloc(size != 0 ? size : 1))
        return block;
    throw std::bad_alloc();
}

RefusedAllocations::RefusedAllocations(long first) noexcept
{
    g_asked = 0;
    g_refuseFrom = first;
}

RefusedAllocations::~RefusedAllocations() { g_refuseFrom = 0; }

long RefusedAllocations::Asked() const noexcept { return g_asked; }

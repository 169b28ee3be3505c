// Allocations that fail on purpose: while a RefusedAllocations lives, the test program's operator
// new throws std::bad_alloc from the `first`-th allocation asked for on (1: the next one). Only in
// a test program that links support/allocation_faults.cpp, which replaces the global operator new
// (every image carries its own C++ run-time, so the replacement reaches the libraries' code too).
// A fault test runs one body with first = 1, 2, ... until the body no longer fails, so that each
// allocation it makes fails once.
#pragma once

class RefusedAllocations {
public:
    explicit RefusedAllocations(long first) noexcept;
    ~RefusedAllocations();
    RefusedAllocations(const RefusedAllocations&) = delete;
    RefusedAllocations& operator=(const RefusedAllocations&) = delete;

    // How many allocations were asked for so far under this scope, refused ones included.
    long Asked() const noexcept;
};

// Counts every heap allocation of the program: the source file replaces the
// global operator new, so it belongs in one test or benchmark executable
// that measures allocations, and in no other.
#pragma once

namespace zge::testing {

// Allocations so far; the difference of two readings counts what lies
// between them.
long AllocationCount() noexcept;

}  // namespace zge::testing

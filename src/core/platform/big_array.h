// Arrays of tens of megabytes that a run fills and refills: allocated on
// 2 MB boundaries and offered to the kernel for transparent huge pages, so
// that a pass over them costs far fewer page faults and TLB misses. Their
// contents are not cleared.
#pragma once

#include <cstddef>
#include <memory>

namespace phreatix {

struct BigArrayFree {
  void operator()(double* p) const noexcept;
};
using BigArray = std::unique_ptr<double[], BigArrayFree>;

// Room for `count` doubles; throws std::bad_alloc when there is none.
BigArray allocateBigArray(std::size_t count);

}  // namespace phreatix

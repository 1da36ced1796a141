#include "platform/big_array.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace phreatix {

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
}

void BigArrayFree::operator()(double* p) const noexcept { std::free(p); }

BigArray allocateBigArray(std::size_t count) {
  const std::size_t bytes = (count * sizeof(double) + kHugePage - 1) / kHugePage * kHugePage;
  void* p = std::aligned_alloc(kHugePage, bytes);
  if (!p) throw std::bad_alloc();
  // Only advice: where the kernel has no huge pages, ordinary ones serve.
  madvise(p, bytes, MADV_HUGEPAGE);
  return BigArray(static_cast<double*>(p));
}

}  // namespace phreatix

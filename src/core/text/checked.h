// Checked arrays and checked integer arithmetic.
//
// The program's data model has fixed capacities (MAXDAT measurements, 26280
// measurements a tube, ...). `CheckedArray` holds such a capacity with a declared
// index range lo..hi, allocated once; an index outside the range raises an
// index error instead of reading or writing out of bounds. The `checked*`
// functions raise an overflow error where a plain int would wrap.
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "error.h"

namespace phreatix {

[[noreturn]] void throwIndexError(const char* name, long long index, long long lo, long long hi);
[[noreturn]] void throwOverflow(const char* what, long long a, long long b);

template <class T>
class CheckedArray {
 public:
  // `name` is a static string naming the array in error messages.
  CheckedArray(const char* name, long long lo, long long hi, const T& fill = T())
      : name_(name), lo_(lo), hi_(hi), items_(static_cast<std::size_t>(hi - lo + 1), fill) {}

  T& operator[](long long i) {
    if (i < lo_ || i > hi_) throwIndexError(name_, i, lo_, hi_);
    return items_[static_cast<std::size_t>(i - lo_)];
  }
  const T& operator[](long long i) const {
    if (i < lo_ || i > hi_) throwIndexError(name_, i, lo_, hi_);
    return items_[static_cast<std::size_t>(i - lo_)];
  }

  void fill(const T& value) { items_.assign(items_.size(), value); }
  long long lo() const { return lo_; }
  long long hi() const { return hi_; }
  // Raw storage for loops that have checked their whole index range once.
  T* data() { return items_.data(); }
  const T* data() const { return items_.data(); }

 private:
  const char* name_;
  long long lo_;
  long long hi_;
  std::vector<T> items_;
};

template <class Int>
Int checkedAdd(Int a, Int b) {
  static_assert(std::is_integral_v<Int>);
  Int r;
  if (__builtin_add_overflow(a, b, &r)) throwOverflow("+", a, b);
  return r;
}

}  // namespace phreatix

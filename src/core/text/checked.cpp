#include "text/checked.h"

#include "text/number_text.h"

namespace phreatix {

void throwIndexError(const char* name, long long index, long long lo, long long hi) {
  throw Error(ErrorKind::kIndex, std::string("index ") + formatInt(index) + " outside " + name +
                                     "[" + formatInt(lo) + ".." + formatInt(hi) + "]");
}

void throwOverflow(const char* what, long long a, long long b) {
  throw Error(ErrorKind::kOverflow,
              std::string("integer overflow in ") + formatInt(a) + " " + what + " " + formatInt(b));
}

}  // namespace phreatix

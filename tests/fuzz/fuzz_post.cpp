// The post-processing of one tube: the control file input.txt and the
// series file it names (the seeds name s.u01, written from the second part).
#include "fuzz_support.h"
#include "postprocessing/karakt.h"
#include "postprocessing/post_view.h"
#include "report/messages.h"

using namespace phreatix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> files = fuzz::parts(data, size, 2);
  fuzz::writeFile("input.txt", files[0]);
  fuzz::writeFile("s.u01", files[1]);
  static Postprocessor post;
  PostView view;
  Messages messages;
  // Errors are its own to report: nothing may escape it.
  post.RunPostprocessing(fuzz::workDir(), view, messages);
  return 0;
}

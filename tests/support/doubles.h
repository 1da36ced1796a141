// Doubles of the interfaces core code reports through, shared by the tests.
#pragma once

#include <string>
#include <vector>

#include "report/ports.h"

namespace phreatix::test {

// A message box that keeps every text it was asked to show, the refusals
// apart.
class RecordingBox : public MessageBox {
 public:
  void show(const std::string& text) override { shown.push_back(text); }
  void showRefusal(const std::string& text) override { refused.push_back(text); }
  std::vector<std::string> shown;
  std::vector<std::string> refused;
};

}  // namespace phreatix::test

// The rules the program keeps after every event whatever the user did, checked over long
// seeded runs whose records would be too long to keep and read. Each rule is stated on
// what the user can see (the view's drawing, the files written, the reports, the menus)
// against the session as it stands.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tests/fakes/recording_ports.h"

namespace vantory::replay {

// What one event made observable.
struct Seen {
  bool framed = false;               // the event drew a frame
  std::vector<fakes::Drawn> screen;  // what the view shows: the last frame it drew
  MeasurementSession shown;          // the session as it stood when that frame was drawn
  std::vector<fakes::FakeDisk::Written> written;
  std::vector<std::pair<int, std::string>> errors;  // reports: number, description
};

// One line for each rule broken after the event that showed `seen`.
std::vector<std::string> brokenRules(const fakes::FakeProgram& program, const Seen& seen);

}  // namespace vantory::replay

// What one user event made observable, in a form that does not depend on how the program
// is built: the drawing on the screen and in saved files (every float with its bits),
// messages, error reports, input boxes, file dialogs with the name they started with,
// where the picture is shown and which menus are enabled. A run of seeded events gives
// one line per event; the lines of the program as it was are kept under records/, and
// the program as it is must give the same.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/replay/events.h"

namespace vantory::replay {

class EventRecord {
 public:
  // Drawing, on the screen or in a saved file: only its hash is kept in the record.
  void draw(const std::string& line) { add(line, false); }
  // Everything else: kept in clear as well.
  void say(const std::string& line) { add(line, true); }

  // The hash of everything observed, then what was said: "0123456789abcdef | a; b".
  std::string line() const;
  // Everything observed, one item a line (to show where two runs part).
  const std::vector<std::string>& items() const { return items_; }

 private:
  void add(const std::string& line, bool said);
  std::uint64_t hash_ = 14695981039346656037ull;  // FNV-1a
  std::vector<std::string> items_;
  std::string said_;
};

// A float as its shortest exact decimal form and its bits: "12.345/0x414585a2".
std::string floatText(float value);
// The drawing of one label or line, as both record builders write it.
std::string labelText(float value, float x, float y, const char* colour, double fontPoints);
std::string lineText(float x1, float y1, float x2, float y2, const char* colour);

// The program under test, driven by user events.
class Driver {
 public:
  virtual ~Driver() = default;
  virtual Observable now() const = 0;
  virtual void apply(const UserEvent& event, EventRecord& record) = 0;
};

// The driver of the program as built.
std::unique_ptr<Driver> makeDriver();

// One record line for each of `events` seeded events.
std::vector<std::string> recordRun(std::uint32_t seed, int events);

}  // namespace vantory::replay

// What one user event made observable, in words and numbers a person can read: the boxes
// and messages that appeared, what the view shows (only what differs from what it showed
// before), the files written, where the picture is shown and which menus are enabled. A
// run of seeded events gives each event's line, what the user did, followed by indented
// lines for what the program showed. The records of a few seeds are kept under records/
// and the program as it is must give them again: a deliberate change of behaviour then
// reads as a diff of those files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/replay/events.h"

namespace vantory::replay {

class EventRecord {
 public:
  // One observation; a line break in it is written as \n, so that it stays one line.
  void add(const std::string& line);
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

// The program under test, driven by user events.
class Driver {
 public:
  virtual ~Driver() = default;
  virtual Observable now() const = 0;
  virtual void apply(const UserEvent& event, EventRecord& record) = 0;
  // The rules the program keeps whatever the user does, checked on what the last event
  // made observable: one line for each rule it broke, none when all held.
  virtual std::vector<std::string> brokenRules() const = 0;
};

// The driver of the program as built.
std::unique_ptr<Driver> makeDriver();

// The record of `events` seeded events: a line that says how to read it, then for each
// event "#<n> <what the user did>" and what it made observable, indented by two spaces.
// With `editing`, the events include undo, redo, clear and Escape.
std::vector<std::string> recordRun(std::uint32_t seed, int events, bool editing = false);

}  // namespace vantory::replay

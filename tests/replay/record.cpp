#include "tests/replay/record.h"

namespace vantory::replay {

void EventRecord::add(const std::string& line) {
  std::string flat;
  for (const char c : line) c == '\n' ? flat += "\\n" : flat += c;
  lines_.push_back(std::move(flat));
}

std::vector<std::string> recordRun(std::uint32_t seed, int events, bool editing) {
  EventSource source(seed, editing);
  std::unique_ptr<Driver> driver = makeDriver();
  std::vector<std::string> lines{
      "# seed " + std::to_string(seed) +
      ": what the user did (presses and moves in twips from the picture's "
      "corner), then what the program showed (the view's drawing in twips of the view)"};
  for (int i = 0; i < events; ++i) {
    const UserEvent event = source.next(driver->now());
    EventRecord record;
    driver->apply(event, record);
    lines.push_back("#" + std::to_string(i) + " " + event.describe());
    for (const std::string& line : record.lines()) lines.push_back("  " + line);
  }
  return lines;
}

}  // namespace vantory::replay

#include "tests/replay/record.h"

#include <cstdio>
#include <cstring>

namespace vantory::replay {

void EventRecord::add(const std::string& line, bool said) {
  for (const char c : line) {
    hash_ ^= static_cast<unsigned char>(c);
    hash_ *= 1099511628211ull;
  }
  hash_ ^= '\n';
  hash_ *= 1099511628211ull;
  items_.push_back(line);
  if (!said) return;
  // One record line an event: line breaks in a message are written as \n.
  std::string flat;
  for (const char c : line) c == '\n' ? flat += "\\n" : flat += c;
  said_ += (said_.empty() ? "" : "; ") + flat;
}

std::string EventRecord::line() const {
  char hash[20];
  std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(hash_));
  return said_.empty() ? std::string(hash) : std::string(hash) + " | " + said_;
}

std::string floatText(float value) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  char text[48];
  std::snprintf(text, sizeof text, "%.9g/0x%08x", static_cast<double>(value), bits);
  return text;
}

std::string labelText(float value, float x, float y, const char* colour, double fontPoints) {
  char font[16];
  std::snprintf(font, sizeof font, "%g", fontPoints);
  return "label " + floatText(value) + " at " + floatText(x) + " " + floatText(y) + " " + colour + " " +
         font + "pt";
}

std::string lineText(float x1, float y1, float x2, float y2, const char* colour) {
  return "line " + floatText(x1) + " " + floatText(y1) + " " + floatText(x2) + " " + floatText(y2) + " " +
         colour;
}

std::vector<std::string> recordRun(std::uint32_t seed, int events) {
  EventSource source(seed);
  std::unique_ptr<Driver> driver = makeDriver();
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(events));
  for (int i = 0; i < events; ++i) {
    const UserEvent event = source.next(driver->now());
    EventRecord record;
    driver->apply(event, record);
    lines.push_back(record.line());
  }
  return lines;
}

}  // namespace vantory::replay

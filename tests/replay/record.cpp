#include "tests/replay/record.h"

#include <cstdio>
#include <cstring>

namespace vantory::replay {

void EventRecord::Add(const std::string& line, bool said) {
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

std::string EventRecord::Line() const {
  char hash[20];
  std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(hash_));
  return said_.empty() ? std::string(hash) : std::string(hash) + " | " + said_;
}

std::string FloatText(float value) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  char text[48];
  std::snprintf(text, sizeof text, "%.9g/0x%08x", static_cast<double>(value), bits);
  return text;
}

std::string LabelText(float value, float x, float y, const char* colour, double font_points) {
  char font[16];
  std::snprintf(font, sizeof font, "%g", font_points);
  return "label " + FloatText(value) + " at " + FloatText(x) + " " + FloatText(y) + " " + colour +
         " " + font + "pt";
}

std::string LineText(float x1, float y1, float x2, float y2, const char* colour) {
  return "line " + FloatText(x1) + " " + FloatText(y1) + " " + FloatText(x2) + " " + FloatText(y2) +
         " " + colour;
}

std::vector<std::string> RecordRun(std::uint32_t seed, int events) {
  EventSource source(seed);
  std::unique_ptr<Driver> driver = MakeDriver();
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(events));
  for (int i = 0; i < events; ++i) {
    const UserEvent event = source.Next(driver->Now());
    EventRecord record;
    driver->Apply(event, record);
    lines.push_back(record.Line());
  }
  return lines;
}

}  // namespace vantory::replay

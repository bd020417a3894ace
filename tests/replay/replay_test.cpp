// The program replays what it was recorded doing: for each seed, the seeded user events
// run through the program and give one record line each, which must equal the line kept
// under records/. VANTORY_RECORD=1 writes the records afresh instead (only ever from a
// build whose behaviour is the reference).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/replay/record.h"

#ifndef VANTORY_RECORDS_DIR
#error "VANTORY_RECORDS_DIR must name the folder of the kept records"
#endif

namespace vantory::replay {
namespace {

constexpr int kSeeds = 8;
constexpr int kEvents = 4000;

std::string recordPath(std::uint32_t seed) {
  return std::string(VANTORY_RECORDS_DIR) + "/events-seed-" + std::to_string(seed) + ".txt";
}

class Replay : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(Replay, SeededEventsGiveTheRecordedBehaviour) {
  const std::uint32_t seed = GetParam();
  const std::vector<std::string> lines = recordRun(seed, kEvents);
  if (const char* writing = std::getenv("VANTORY_RECORD"); writing != nullptr && *writing == '1') {
    std::ofstream out(recordPath(seed));
    for (const std::string& line : lines) out << line << '\n';
    ASSERT_TRUE(out.good());
    GTEST_SKIP() << "recorded " << recordPath(seed);
  }
  std::ifstream in(recordPath(seed));
  ASSERT_TRUE(in.good()) << "no record at " << recordPath(seed);
  std::vector<std::string> kept;
  for (std::string line; std::getline(in, line);) kept.push_back(line);
  ASSERT_EQ(kept.size(), lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == kept[i]) continue;
    // Where the runs part: the events up to there and everything the program did then.
    EventSource source(seed);
    std::unique_ptr<Driver> driver = makeDriver();
    std::string story;
    for (std::size_t k = 0; k <= i; ++k) {
      const UserEvent event = source.next(driver->now());
      EventRecord record;
      driver->apply(event, record);
      if (k + 8 > i) story += "  #" + std::to_string(k) + " " + event.describe() + "\n";
      if (k == i) {
        for (const std::string& item : record.items()) story += "      " + item + "\n";
      }
    }
    FAIL() << "seed " << seed << " parts from the record at event " << i << "\nkept: " << kept[i]
           << "\nnow:  " << lines[i] << "\nlast events:\n"
           << story;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, Replay, ::testing::Range<std::uint32_t>(1, kSeeds + 1));

}  // namespace
}  // namespace vantory::replay

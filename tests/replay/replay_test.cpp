// The program replays what it was recorded doing: for each of a few seeds, the seeded
// user events run through the program, and what they made observable must read as the
// record kept under records/. VANTORY_RECORD=1 writes the records afresh instead; after a
// deliberate change of behaviour, `git diff` on them shows what changed, in words.
// Long runs of many more seeds, too long to keep, are checked against the rules the
// program keeps after every event.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/replay/record.h"
#include "tests/replay/same_lines.h"

#ifndef VANTORY_RECORDS_DIR
#error "VANTORY_RECORDS_DIR must name the folder of the kept records"
#endif

namespace vantory::replay {
namespace {

constexpr int kKeptSeeds = 8;
constexpr int kKeptEvents = 600;

std::string recordPath(std::uint32_t seed) {
  return std::string(VANTORY_RECORDS_DIR) + "/events-seed-" + std::to_string(seed) + ".txt";
}

class Replay : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(Replay, SeededEventsGiveTheRecordedBehaviour) {
  const std::uint32_t seed = GetParam();
  const std::vector<std::string> lines = recordRun(seed, kKeptEvents);
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
  expectSameLines(recordPath(seed), kept, lines);
}

INSTANTIATE_TEST_SUITE_P(Seeds, Replay, ::testing::Range<std::uint32_t>(1, kKeptSeeds + 1));

// Many more events than are kept: every event leaves the rules unbroken.
TEST(LongRuns, KeepTheRulesAfterEveryEvent) {
  constexpr std::uint32_t kFirstSeed = 101, kSeeds = 16;
  constexpr int kEvents = 12000;
  for (std::uint32_t seed = kFirstSeed; seed < kFirstSeed + kSeeds; ++seed) {
    EventSource source(seed);
    const std::unique_ptr<Driver> driver = makeDriver();
    for (int i = 0; i < kEvents; ++i) {
      const UserEvent event = source.next(driver->now());
      EventRecord record;
      driver->apply(event, record);
      const std::vector<std::string> broken = driver->brokenRules();
      if (broken.empty()) continue;
      std::string told;
      for (const std::string& rule : broken) told += "  " + rule + "\n";
      FAIL() << "seed " << seed << ", event " << i << " (" << event.describe() << "):\n" << told;
    }
  }
}

}  // namespace
}  // namespace vantory::replay

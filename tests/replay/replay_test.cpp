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

// The records of the plain events, and of events with undo, redo, clear and Escape among
// them ("editing").
struct Kept {
  std::uint32_t seed;
  bool editing;
};

std::string recordPath(const Kept& kept) {
  return std::string(VANTORY_RECORDS_DIR) + (kept.editing ? "/editing-seed-" : "/events-seed-") +
         std::to_string(kept.seed) + ".txt";
}

std::vector<Kept> keptRecords() {
  std::vector<Kept> all;
  for (std::uint32_t seed = 1; seed <= kKeptSeeds; ++seed) all.push_back({seed, false});
  for (std::uint32_t seed = 1; seed <= kKeptSeeds / 2; ++seed) all.push_back({seed, true});
  return all;
}

class Replay : public ::testing::TestWithParam<Kept> {};

TEST_P(Replay, SeededEventsGiveTheRecordedBehaviour) {
  const std::string path = recordPath(GetParam());
  const std::vector<std::string> lines = recordRun(GetParam().seed, kKeptEvents, GetParam().editing);
  if (const char* writing = std::getenv("VANTORY_RECORD"); writing != nullptr && *writing == '1') {
    std::ofstream out(path);
    for (const std::string& line : lines) out << line << '\n';
    ASSERT_TRUE(out.good());
    GTEST_SKIP() << "recorded " << path;
  }
  std::ifstream in(path);
  ASSERT_TRUE(in.good()) << "no record at " << path;
  std::vector<std::string> kept;
  for (std::string line; std::getline(in, line);) kept.push_back(line);
  expectSameLines(path, kept, lines);
}

INSTANTIATE_TEST_SUITE_P(Records, Replay, ::testing::ValuesIn(keptRecords()),
                         [](const ::testing::TestParamInfo<Kept>& info) {
                           return (info.param.editing ? "Editing" : "Plain") +
                                  std::to_string(info.param.seed);
                         });

// Many more events than are kept: every event leaves the rules unbroken.
TEST(LongRuns, KeepTheRulesAfterEveryEvent) {
  constexpr std::uint32_t kFirstSeed = 101, kSeeds = 16;
  constexpr int kEvents = 4000;
  for (std::uint32_t seed = kFirstSeed; seed < kFirstSeed + kSeeds; ++seed) {
    EventSource source(seed, seed % 2 == 0);  // every other seed with undo, redo, clear and Escape
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

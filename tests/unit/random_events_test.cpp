// Seeded random event sequences against the double (engine in random_events.h).
// VANTORY_RANDOM_SEEDS and VANTORY_RANDOM_EVENTS scale the run up; VANTORY_RANDOM_FIRST_SEED
// replays a reported seed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/unit/random_events.h"

namespace vantory::unit {
namespace {

long FromEnvironment(const char* name, long fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && std::atol(text) > 0 ? std::atol(text) : fallback;
}

TEST(RandomEvents, SeededSequencesKeepTheInvariants) {
  const long seeds = FromEnvironment("VANTORY_RANDOM_SEEDS", 4);
  const long events = FromEnvironment("VANTORY_RANDOM_EVENTS", 4000);
  const long first = FromEnvironment("VANTORY_RANDOM_FIRST_SEED", 1);
  random_events::Stats total;
  for (long seed = first; seed < first + seeds; ++seed) {
    const random_events::Outcome outcome =
        random_events::Engine(static_cast<std::uint32_t>(seed)).Run(events);
    if (!outcome.ok) ADD_FAILURE() << outcome.report;
    total.Add(outcome.stats);
  }
  if (seeds < 4 || events < 4000) return;  // too short to promise the coverage below
  // The run reached the paths it is meant to exercise.
  EXPECT_EQ(total.events, seeds * events);
  EXPECT_EQ(total.most_measurements, kMaxMeasurements);
  EXPECT_GT(total.full_refusals, 0);
  EXPECT_GT(total.zero_refusals, 0);
  EXPECT_GT(total.retries, 0);
  EXPECT_GT(total.failed, 0);
}

TEST(RandomEvents, ASeedReplaysTheSameRun) {
  random_events::Engine first(11), second(11);
  ASSERT_TRUE(first.Run(1500).ok);
  ASSERT_TRUE(second.Run(1500).ok);
  EXPECT_TRUE(first.Platform().form1->State() == second.Platform().form1->State());
}

// The checker itself notices a broken state.
TEST(RandomEvents, TheChecksNoticeABrokenState) {
  random_events::Engine engine(5);
  ASSERT_TRUE(engine.Run(3000).ok);
  MeasurementState& s = engine.Platform().form1->MutableState();
  ASSERT_GT(s.nextPoint, 3) << "the run committed no measurement";
  ASSERT_EQ(engine.CheckNow(), "");

  const MeasurementState good = s;
  s.segX[s.nextPoint] = 1.0f;  // a free slot written
  EXPECT_NE(engine.CheckNow(), "");
  s = good;
  s.segLen[s.nextPoint - 2] = 0.3335f;  // a length not cut to three decimals
  EXPECT_NE(engine.CheckNow(), "");
  s = good;
  s.nextLength += 2;
  EXPECT_NE(engine.CheckNow(), "");
  s = good;
  EXPECT_EQ(engine.CheckNow(), "");
}

TEST(RandomEvents, ThreeDecimalCheck) {
  EXPECT_TRUE(random_events::ThreeDecimals(0.333f));
  EXPECT_TRUE(random_events::ThreeDecimals(-0.334f));
  EXPECT_TRUE(random_events::ThreeDecimals(0.699f));
  EXPECT_FALSE(random_events::ThreeDecimals(0.3335f));
  EXPECT_FALSE(random_events::ThreeDecimals(8191.9995f));
  EXPECT_FALSE(random_events::ThreeDecimals(8192.0205078125f));  // 8192 + 21/1024: no w fits
  EXPECT_TRUE(random_events::ThreeDecimals(12345.678f));  // 12345.677734375, still the nearest
  EXPECT_TRUE(random_events::ThreeDecimals(1e30f));       // every float this large is one
}

}  // namespace
}  // namespace vantory::unit

// Many seeds of long random event sequences against the double, with every check of the
// unit test. Usage: bench_random_events [seeds] [events per seed] [first seed].
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "tests/unit/random_events.h"

int main(int argc, char** argv) {
  const long seeds = argc > 1 ? std::atol(argv[1]) : 20;
  const long events = argc > 2 ? std::atol(argv[2]) : 100000;
  const long first = argc > 3 ? std::atol(argv[3]) : 1000;
  const auto start = std::chrono::steady_clock::now();
  vantory::random_events::Stats total;
  int failures = 0;
  for (long seed = first; seed < first + seeds; ++seed) {
    const auto outcome = vantory::random_events::Engine(static_cast<std::uint32_t>(seed)).Run(events);
    if (!outcome.ok) {
      ++failures;
      std::fprintf(stderr, "FAILED %s\n", outcome.report.c_str());
    }
    total.Add(outcome.stats);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%ld events, %ld seeds (%ld sessions), %.2f s, %.0f events/s\n", total.events, seeds,
              total.sessions, seconds, total.events / seconds);
  std::printf("%ld measurements committed, %ld events failed and were undone, %ld zero-reference "
              "and %ld full refusals, %d seeds with a failed check\n",
              total.commits, total.failed, total.zero_refusals, total.full_refusals, failures);
  return failures == 0 ? 0 : 1;
}

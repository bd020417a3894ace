// Many seeds of long sequences of seeded user events (those of the replay test) run
// through the program's driver over the recording fakes, each event's record built as
// the replay test builds it and the rules the program keeps checked after it. Prints the
// events, the seeds and the events a second, what the events did, and a digest of every
// record line (two builds that behave alike print the same digest). A seed fails on the
// first event that breaks a rule (an internal error reported among them: the program
// never meets an exception it did not foresee).
// Usage: bench_random_events [seeds] [events per seed] [first seed].
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/texts.h"
#include "tests/replay/events.h"
#include "tests/replay/record.h"

namespace {

using vantory::replay::UserEvent;

// A message as the record writes it.
std::string messageLine(const char* text) {
  vantory::replay::EventRecord record;
  record.add(std::string("message \"") + text + "\"");
  return record.lines().front();
}

struct Tally {
  long events = 0, sessions = 0, opens = 0, presses = 0, moves = 0, saves = 0;
  long zeroRefusals = 0, fullRefusals = 0, written = 0;
  std::map<int, long> reports;                     // by error number
  std::uint64_t digest = 14695981039346656037ull;  // FNV-1a of every record line

  void add(const UserEvent& event, const vantory::replay::EventRecord& record) {
    ++events;
    switch (event.kind) {
      case UserEvent::kRestart: ++sessions; break;
      case UserEvent::kOpen: ++opens; break;
      case UserEvent::kPress: ++presses; break;
      case UserEvent::kMove: ++moves; break;
      case UserEvent::kSave: ++saves; break;
      default: break;
    }
    static const std::string kZero = messageLine(vantory::texts::kZeroReference);
    static const std::string kFull = messageLine(vantory::texts::kTooManyMeasurements);
    for (const std::string& item : record.lines()) {
      if (item.rfind("report ", 0) == 0) {
        ++reports[std::atoi(item.c_str() + 7)];
      } else if (item == kZero) {
        ++zeroRefusals;
      } else if (item == kFull) {
        ++fullRefusals;
      } else if (item.rfind("wrote ", 0) == 0) {
        ++written;
      }
    }
    for (const std::string& item : record.lines()) {
      for (const char c : item + "\n") {
        digest ^= static_cast<unsigned char>(c);
        digest *= 1099511628211ull;
      }
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  const long seeds = argc > 1 ? std::atol(argv[1]) : 20;
  const long events = argc > 2 ? std::atol(argv[2]) : 100000;
  const long first = argc > 3 ? std::atol(argv[3]) : 1000;
  const auto start = std::chrono::steady_clock::now();
  Tally total;
  int failures = 0;
  for (long seed = first; seed < first + seeds; ++seed) {
    vantory::replay::EventSource source(static_cast<std::uint32_t>(seed));
    const std::unique_ptr<vantory::replay::Driver> driver = vantory::replay::makeDriver();
    ++total.sessions;
    bool failed = false;
    for (long i = 0; i < events; ++i) {
      const UserEvent event = source.next(driver->now());
      vantory::replay::EventRecord record;
      driver->apply(event, record);
      total.add(event, record);
      if (failed) continue;
      const std::vector<std::string> broken = driver->brokenRules();
      if (broken.empty()) continue;
      failed = true;
      ++failures;
      std::fprintf(stderr, "FAILED seed %ld, event %ld (%s): %s\n", seed, i, event.describe().c_str(),
                   broken.front().c_str());
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%ld events, %ld seeds (%ld sessions), %.2f s, %.0f events/s\n", total.events, seeds,
              total.sessions, seconds, total.events / seconds);
  std::string reports;
  long reported = 0;
  for (const auto& [number, count] : total.reports) {
    reports += (reports.empty() ? "" : ", ") + std::to_string(count) + " x " + std::to_string(number);
    reported += count;
  }
  std::printf("%ld opens, %ld presses, %ld moves, %ld saves; %ld files written\n", total.opens, total.presses,
              total.moves, total.saves, total.written);
  std::printf(
      "%ld error reports (%s), %ld zero-reference and %ld full refusals, %d seeds with a broken "
      "rule\n",
      reported, reports.empty() ? "none" : reports.c_str(), total.zeroRefusals, total.fullRefusals, failures);
  std::printf("digest of the records: %016llx\n", static_cast<unsigned long long>(total.digest));
  return failures == 0 ? 0 : 1;
}

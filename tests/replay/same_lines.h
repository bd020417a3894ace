// Compares what a run gives with a kept record, line for line, and tells where the two
// part with the lines around it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vantory::replay {

inline void expectSameLines(const std::string& recordPath, const std::vector<std::string>& kept,
                            const std::vector<std::string>& now) {
  const auto parted = std::mismatch(kept.begin(), kept.end(), now.begin(), now.end());
  if (parted.first == kept.end() && parted.second == now.end()) return;
  const std::size_t at = static_cast<std::size_t>(parted.first - kept.begin());
  const auto around = [at](const std::vector<std::string>& from) {
    std::string out;
    for (std::size_t i = at > 6 ? at - 6 : 0; i < std::min(from.size(), at + 4); ++i) {
      out += (i == at ? "> " : "  ") + from[i] + "\n";
    }
    return out;
  };
  ADD_FAILURE() << recordPath << " parts from what the program does at line " << at + 1 << "\nkept:\n"
                << around(kept) << "now:\n"
                << around(now) << "(VANTORY_RECORD=1 writes the records anew; git diff shows every change)";
}

}  // namespace vantory::replay

#include "core/edit_history.h"

#include <utility>

namespace vantory {

void EditHistory::record(AnnotationChange change) {
  changes_.resize(done_);  // the changes undone can no longer be made again
  changes_.push_back(std::move(change));
  ++done_;
}

}  // namespace vantory

// The undo history: the changes of the annotations in the order they were made, and how
// many of them are in force. Undo takes back the last change in force, redo makes the
// next one again, and a new change drops those that were undone. Each change holds only
// what it altered (a measurement, two references, the measurements cleared), never a
// copy of the session.
#pragma once

#include <cstddef>
#include <vector>

#include "core/session.h"

namespace vantory {

class EditHistory {
 public:
  // A change just made.
  void record(AnnotationChange change);
  // The change an undo would take back, or the one a redo would make again (null when
  // there is none); once it has been, undone() or redone() moves the history on.
  const AnnotationChange* toUndo() const { return done_ > 0 ? &changes_[done_ - 1] : nullptr; }
  const AnnotationChange* toRedo() const { return done_ < changes_.size() ? &changes_[done_] : nullptr; }
  void undone() noexcept { --done_; }
  void redone() noexcept { ++done_; }

 private:
  std::vector<AnnotationChange> changes_;
  std::size_t done_ = 0;  // the changes in force: the first done_
};

}  // namespace vantory

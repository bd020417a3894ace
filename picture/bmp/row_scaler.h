// Qt's smooth scaling (QImage::scaled with Qt::SmoothTransformation: the area-averaging
// scaler of Qt 6.4's qimagescale.cpp) fed one source row at a time, in the order a file
// stores them, top down or bottom up. Each row of the result is finished as soon as the
// last source row it covers has come in; only the sums of the few result rows still open
// are held besides the result.
//
// The arithmetic is Qt's own, step for step: the same fixed-point positions and weights,
// each source row first reduced across (and shifted down by 4 when both sides shrink),
// then the rows summed with their weights. Sums of integers do not depend on their order,
// so the result is Qt's to the bit, whichever way the rows come.
#pragma once

#include <QImage>
#include <QSize>
#include <algorithm>
#include <cstdint>
#include <vector>

namespace vantory::qt {

class RowScaler {
 public:
  // Whether the scaler makes `target` from `source`: any size except one that grows both
  // ways (Qt interpolates those between four pixels instead of averaging areas).
  static bool takes(QSize source, QSize target);

  // Opaque rows to an RGB32 result. `bottomUp`: the last row of the picture comes first.
  // Throws std::bad_alloc when memory runs out.
  RowScaler(QSize source, QSize target, bool bottomUp);

  // Makes only result rows [from, to) (before any row has come in): the scaler then takes
  // only the source rows those cover, firstSourceRow() to lastSourceRow(), in the file's
  // order, and leaves the other result rows unset. Two scalers of one picture, each with
  // its part of the result rows, can so work at once, each on its own rows of the file.
  void onlyResultRows(int from, int to);
  int firstSourceRow() const { return std::min(next_, end_ - rowStep_); }
  int lastSourceRow() const { return std::max(next_, end_ - rowStep_); }

  // The next source row as blue, green, red bytes, 3 or 4 bytes a pixel (the fourth
  // ignored).
  void addRow(const uchar* row, int bytesPerPixel);
  // Whether every source row has come in.
  bool complete() const { return next_ == end_; }

  // The result; null until complete.
  QImage takeResult();

  // What the scaler holds at most besides the result, in bytes.
  qint64 bufferBytes() const;

 private:
  // What one result column or row takes from the source: `count` source pixels or rows
  // from `first`, weighted `firstWeight`, then `middleWeight` each, the last
  // `lastWeight` (a single one: `firstWeight`).
  struct Span {
    int first = 0;
    int count = 1;
    std::uint32_t firstWeight = 0, middleWeight = 0, lastWeight = 0;
    std::uint32_t weight(int i) const {
      return i == 0 ? firstWeight : i == count - 1 ? lastWeight : middleWeight;
    }
  };
  // A result row whose source rows are still coming in, and its sums.
  struct OpenRow {
    int row = -1;
    int missing = 0;
    std::vector<std::uint32_t> sums;
  };

  static std::vector<Span> spans(int source, int target);
  template <int kStride>
  void reduceAcross(const uchar* row);
  void addReduced();
  void addWeighted(std::uint32_t* sums, std::uint32_t weight) const;
  void finish(OpenRow& open);

  QSize source_, target_;
  bool shrinkX_, shrinkY_;
  int rowStep_;                // +1 top down, -1 bottom up
  int next_;                   // the source row expected next
  int end_;                    // the one after the last source row taken, in the file's order
  int resultFrom_, resultTo_;  // the result rows made
  std::vector<Span> xSpans_, ySpans_;
  std::vector<int> lastCovered_;        // the largest last source row of result rows 0..y
  size_t across_ = 0;                   // the values of a reduced row
  std::vector<std::uint32_t> reduced_;  // the current source row, reduced across
  std::vector<OpenRow> open_;
  QImage out_;
};

}  // namespace vantory::qt

#include "picture/bmp/row_scaler.h"

#include <QRgb>
#include <algorithm>
#include <cstring>
#include <new>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vantory::qt {

// The channels of a row as they are stored: blue, green, red.
constexpr int kChannels = 3;

bool RowScaler::takes(QSize source, QSize target) {
  if (source.isEmpty() || target.isEmpty()) return false;
  return target.width() < source.width() || target.height() < source.height();
}

// Qt's positions and weights along one side (qimageCalcXPoints, qimageCalcYPoints and
// qimageCalcApoints): 16.16 fixed-point steps through the source. Growing, each result
// pixel blends two neighbours in 256ths; shrinking, it averages the pixels it covers in
// 16384ths: the first in part, the middle ones at a constant weight, the last with what
// remains.
std::vector<RowScaler::Span> RowScaler::spans(int source, int target) {
  std::vector<Span> result(static_cast<size_t>(target));
  const qint64 step = (qint64{source} << 16) / target;
  if (target >= source) {
    qint64 at = qint64{0x8000} * source / target - 0x8000;
    for (Span& span : result) {
      const qint64 position = at >> 16;
      span.first = static_cast<int>(std::max<qint64>(0, position));
      const int blend = position < 0 || position >= source - 1 ? 0 : static_cast<int>((at >> 8) & 0xff);
      if (blend > 0) {
        span.count = 2;
        span.firstWeight = 256 - blend;
        span.lastWeight = blend;
      } else {
        span.count = 1;
        span.firstWeight = 256;
      }
      at += step;
    }
  } else {
    const qint64 constant = ((qint64{target} << 14) + source - 1) / source;
    qint64 at = 0;
    for (Span& span : result) {
      span.first = static_cast<int>(at >> 16);
      const qint64 first = ((0x10000 - (at & 0xffff)) * constant) >> 16;
      qint64 rest = (1 << 14) - first;
      int middle = 0;
      for (; rest > constant; rest -= constant) ++middle;
      span.count = middle + 2;
      span.firstWeight = static_cast<std::uint32_t>(first);
      span.middleWeight = static_cast<std::uint32_t>(constant);
      span.lastWeight = static_cast<std::uint32_t>(rest);
      at += step;
    }
  }
  return result;
}

RowScaler::RowScaler(QSize source, QSize target, bool bottomUp)
    : source_(source),
      target_(target),
      shrinkX_(target.width() < source.width()),
      shrinkY_(target.height() < source.height()),
      rowStep_(bottomUp ? -1 : 1),
      next_(bottomUp ? source.height() - 1 : 0),
      end_(bottomUp ? -1 : source.height()),
      resultFrom_(0),
      resultTo_(target.height()),
      xSpans_(spans(source.width(), target.width())),
      ySpans_(spans(source.height(), target.height())),
      out_(target, QImage::Format_RGB32) {
  if (out_.isNull()) throw std::bad_alloc();  // no memory for the result
  lastCovered_.reserve(ySpans_.size());
  int last = 0;
  for (const Span& span : ySpans_) {
    last = std::max(last, span.first + span.count - 1);
    lastCovered_.push_back(last);
  }
  // Shrinking across, a row is reduced to the result's width; growing, it is kept whole
  // and blended only when its result rows are finished.
  across_ = static_cast<size_t>(shrinkX_ ? target.width() : source.width()) * kChannels;
  reduced_.resize(across_ + 1);  // a spare element for the last column's fourth lane
}

void RowScaler::onlyResultRows(int from, int to) {
  Q_ASSERT(0 <= from && from < to && to <= target_.height());
  resultFrom_ = from;
  resultTo_ = to;
  // Spans start no earlier as the result rows go down: the first row's start is the
  // first needed, and the last covered row so far is the last.
  const int first = ySpans_[from].first, last = lastCovered_[to - 1];
  next_ = rowStep_ > 0 ? first : last;
  end_ = rowStep_ > 0 ? last + 1 : first - 1;
}

void RowScaler::addRow(const uchar* row, int bytesPerPixel) {
  if (bytesPerPixel == 3) {
    reduceAcross<3>(row);
  } else {
    reduceAcross<4>(row);
  }
  addReduced();
}

#if defined(__SSE2__)
namespace {

// A pixel's bytes in the low four 16-bit lanes; of a 3-byte pixel that ends its row, only
// its own three bytes are read.
inline __m128i pixelLanes(const uchar* p, bool threeOnly) {
  std::int32_t bytes = 0;
  if (threeOnly) {
    std::memcpy(&bytes, p, 3);
  } else {
    std::memcpy(&bytes, p, 4);
  }
  return _mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), _mm_setzero_si128());
}

// The weighted sum of a result column's pixels in four 32-bit lanes (blue, green, red,
// and a fourth that is not wanted): the middle pixels two at a time in
// 16-bit lanes, exact while a channel's sum stays below 65536 (spans of 259 pixels at
// most), times their weight; the first and the last pixel paired and multiplied with
// theirs (weights of 16384 at most, so pmaddwd's signed products hold them).
template <int kStride>
inline __m128i weightedSum(const uchar* p, int count, const std::uint32_t weights[3], bool rowEnd) {
  const __m128i zero = _mm_setzero_si128();
  __m128i lanes = zero;
  const uchar* q = p + kStride;
  int middle = count - 2;
  for (; middle >= 2; middle -= 2, q += 2 * kStride) {
    lanes =
        _mm_add_epi16(lanes, _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(q)), zero));
  }
  if (middle == 1) {
    // The fourth byte is the next pixel's, or unused.
    const __m128i one = _mm_and_si128(pixelLanes(q, false), _mm_set_epi16(0, 0, 0, 0, 0, -1, -1, -1));
    lanes = _mm_add_epi16(lanes, one);
    q += kStride;
  }
  // q is at the last pixel now.
  lanes = _mm_add_epi16(lanes, _mm_srli_si128(lanes, 2 * kStride));  // the second pixel's lanes
  const __m128i weight = _mm_set1_epi16(static_cast<short>(weights[1]));
  __m128i sum = _mm_unpacklo_epi16(_mm_mullo_epi16(lanes, weight), _mm_mulhi_epu16(lanes, weight));
  const __m128i ends = _mm_unpacklo_epi16(pixelLanes(p, false), pixelLanes(q, kStride == 3 && rowEnd));
  const __m128i endWeights = _mm_set1_epi32(static_cast<int>(weights[0] | weights[2] << 16));
  return _mm_add_epi32(sum, _mm_madd_epi16(ends, endWeights));
}

}  // namespace
#endif

// One source row across: shrinking, the weighted sum of the pixels each result column
// covers (qt_qimageScaleAARGB(A)_helper along a row: the first pixel in part, the middle
// ones at one weight, so summed first and weighted once, the last with what remains),
// shifted down by 4 when the rows shrink too, as Qt's down_xy does before summing rows;
// growing, the row as it is.
template <int kStride>
void RowScaler::reduceAcross(const uchar* row) {
  std::uint32_t* out = reduced_.data();
  if (!shrinkX_) {
    for (int x = 0; x < source_.width(); ++x, row += kStride, out += kChannels) {
      for (int c = 0; c < kChannels; ++c) out[c] = row[c];
    }
    return;
  }
  const int shift = shrinkY_ ? 4 : 0;
  for (const Span& span : xSpans_) {
    const uchar* p = row + static_cast<qsizetype>(span.first) * kStride;
#if defined(__SSE2__)
    if (span.count <= 259) {
      const std::uint32_t weights[3] = {span.firstWeight, span.middleWeight, span.lastWeight};
      const bool rowEnd = span.first + span.count == source_.width();
      const __m128i sum = weightedSum<kStride>(p, span.count, weights, rowEnd);
      // Four lanes stored: the fourth lands on the next column's first, or on the spare
      // element at the end.
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_srl_epi32(sum, _mm_cvtsi32_si128(shift)));
      out += kChannels;
      continue;
    }
#endif
    const uchar* last = p + static_cast<qsizetype>(span.count - 1) * kStride;
    std::uint32_t middle[4] = {};
    for (const uchar* q = p + kStride; q < last; q += kStride) {
      for (int c = 0; c < kChannels; ++c) middle[c] += q[c];
    }
    for (int c = 0; c < kChannels; ++c) {
      out[c] = (p[c] * span.firstWeight + middle[c] * span.middleWeight + last[c] * span.lastWeight) >> shift;
    }
    out += kChannels;
  }
}

// sums += weight * the reduced row, in 32-bit integers (SSE2 has no 32-bit multiply that
// keeps the low halves: two 64-bit products of the even and the odd lanes instead).
void RowScaler::addWeighted(std::uint32_t* sums, std::uint32_t weight) const {
  const std::uint32_t* reduced = reduced_.data();
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i factor = _mm_set1_epi32(static_cast<int>(weight));
  for (; i + 4 <= across_; i += 4) {
    const __m128i values = _mm_loadu_si128(reinterpret_cast<const __m128i*>(reduced + i));
    const __m128i even = _mm_mul_epu32(values, factor);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(values, 32), factor);
    const __m128i products = _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                                                _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
    auto* at = reinterpret_cast<__m128i*>(sums + i);
    _mm_storeu_si128(at, _mm_add_epi32(_mm_loadu_si128(at), products));
  }
#endif
  for (; i < across_; ++i) sums[i] += weight * reduced[i];
}

// Adds the reduced row to every result row that covers it, and finishes those that have
// all their rows.
void RowScaler::addReduced() {
  const int row = next_;
  next_ += rowStep_;
  // Result rows whose span may hold `row`: from the first whose spans reach it to the last
  // that starts at or before it.
  const auto from = std::max<std::ptrdiff_t>(
      resultFrom_, std::lower_bound(lastCovered_.begin(), lastCovered_.end(), row) - lastCovered_.begin());
  const auto to = std::min<std::ptrdiff_t>(
      resultTo_, std::upper_bound(ySpans_.begin(), ySpans_.end(), row, [](int r, const Span& span) {
                   return r < span.first;
                 }) - ySpans_.begin());
  for (auto y = from; y < to; ++y) {
    const Span& span = ySpans_[y];
    if (row < span.first || row >= span.first + span.count) continue;
    OpenRow* open = nullptr;
    for (OpenRow& candidate : open_) {
      if (candidate.row == y) open = &candidate;
    }
    if (open == nullptr) {
      for (OpenRow& candidate : open_) {
        if (candidate.row < 0 && open == nullptr) open = &candidate;
      }
      if (open == nullptr) open = &open_.emplace_back();
      open->row = static_cast<int>(y);
      open->missing = span.count;
      open->sums.assign(across_, 0);
    }
    addWeighted(open->sums.data(), span.weight(row - span.first));
    if (--open->missing == 0) finish(*open);
  }
}

// Writes a finished result row: the sums shifted down as Qt shifts them (24 bits when
// both sides shrink, 8 + 14 otherwise), blended across first when the row grows across.
void RowScaler::finish(OpenRow& open) {
  auto* line = reinterpret_cast<QRgb*>(out_.scanLine(open.row));
  const std::uint32_t* sums = open.sums.data();
  for (int x = 0; x < target_.width(); ++x) {
    std::uint32_t value[kChannels] = {};
    if (shrinkX_) {
      const int shift = shrinkY_ ? 24 : 22;
      for (int c = 0; c < kChannels; ++c) value[c] = sums[x * kChannels + c] >> shift;
    } else {
      const Span& span = xSpans_[x];
      for (int c = 0; c < kChannels; ++c) {
        std::uint32_t sum = 0;
        for (int i = 0; i < span.count; ++i) sum += span.weight(i) * sums[(span.first + i) * kChannels + c];
        value[c] = sum >> 22;
      }
    }
    line[x] = qRgb(static_cast<int>(value[2]), static_cast<int>(value[1]), static_cast<int>(value[0]));
  }
  open.row = -1;
}

QImage RowScaler::takeResult() {
  if (!complete()) return QImage();
  return std::move(out_);
}

qint64 RowScaler::bufferBytes() const {
  qint64 bytes = static_cast<qint64>(reduced_.size()) * 4;
  for (const OpenRow& open : open_) bytes += static_cast<qint64>(open.sums.capacity()) * 4;
  return bytes;
}

}  // namespace vantory::qt

#include "draw/label_images.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "core/number_text.h"

namespace vantory::qt {

namespace {

constexpr int kMaxKeptLabels = 4096;
constexpr std::size_t kMaxUnits = 64;
// Room around a kept label's text for glyphs that reach past its advance and line.
constexpr int kKeptMargin = 3;
constexpr double kFarAway = 1 << 24;  // pixels

quint32 bitsOf(float value) {
  quint32 bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

}  // namespace

quint32 LabelImages::unitKey(std::string_view unit) {
  if (unit.empty()) return 0;
  for (std::size_t i = 0; i < units_.size(); ++i) {
    if (units_[i] == unit) return static_cast<quint32>(i + 1);
  }
  if (units_.size() >= kMaxUnits) {
    // Keys of units gone are no longer known: nothing kept may use them.
    units_.clear();
    texts_.clear();
    kept_.clear();
    keptBefore_.clear();
  }
  units_.emplace_back(unit);
  return static_cast<quint32>(units_.size());
}

const QStaticText& LabelImages::laidOut(float value, std::string_view unit, quint32 unitNumber) {
  const quint64 key = quint64{unitNumber} << 32 | bitsOf(value);
  auto found = texts_.find(key);
  if (found == texts_.end()) {
    if (texts_.size() > kMaxKeptLabels) texts_.clear();
    QStaticText text(QString::fromStdString(labelText(value, unit)));
    text.setTextFormat(Qt::PlainText);
    text.setPerformanceHint(QStaticText::AggressiveCaching);
    text.prepare(QTransform(), font_);
    found = texts_.insert(key, text);
  }
  return found.value();
}

QRectF LabelImages::draw(QPainter& painter, const QPointF& topLeft, float value, std::string_view unit) {
  const QStaticText& text = laidOut(value, unit, unitKey(unit));
  painter.setFont(font_);
  painter.drawStaticText(topLeft, text);
  return QRectF(topLeft, text.size()).adjusted(-1, -1, 2, 2);
}

LabelImages::KeptLabel LabelImages::render(const QPainter& painter, const QPointF& fraction,
                                           const QStaticText& text, const QColor& colour) {
  const QSize size(static_cast<int>(std::ceil(fraction.x() + text.size().width())) + 2 * kKeptMargin,
                   static_cast<int>(std::ceil(fraction.y() + text.size().height())) + 2 * kKeptMargin);
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter label(&image);
    label.setRenderHints(painter.renderHints());
    label.setFont(font_);
    label.setPen(colour);
    label.drawStaticText(fraction + QPointF(kKeptMargin, kKeptMargin), text);
  }
  // Keep only the inked pixels: a third of the box, and a third of the blending.
  QRect ink;
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (line[x] != 0) ink |= QRect(x, y, 1, 1);
    }
  }
  KeptLabel kept;
  if (!ink.isEmpty()) {
    kept.ink = image.copy(ink);
    kept.offset = ink.topLeft() - QPoint(kKeptMargin, kKeptMargin);
  }
  return kept;
}

QRectF LabelImages::drawKept(QPainter& painter, const QPointF& topLeft, float value, const QColor& colour,
                             std::string_view unit) {
  // Far outside any surface (a point of the view mapped from extreme twips): nothing to
  // show, and no whole pixel to put it at.
  if (!(std::abs(topLeft.x()) < kFarAway && std::abs(topLeft.y()) < kFarAway)) return QRectF();
  // The image is drawn at a whole pixel; the text inside it keeps the fraction, so the
  // glyphs come out exactly as drawn straight onto the surface.
  const QPoint whole(static_cast<int>(std::floor(topLeft.x())), static_cast<int>(std::floor(topLeft.y())));
  const QPointF fraction = topLeft - QPointF(whole);
  const quint32 unitNumber = unitKey(unit);
  const KeptKey key{bitsOf(value), unitNumber, colour.rgba(), fraction.x() + 0.0, fraction.y() + 0.0};
  KeptLabel kept;
  if (const auto found = kept_.constFind(key); found != kept_.constEnd()) {
    kept = found.value();
  } else {
    if (kept_.size() >= kMaxKeptLabels) {
      keptBefore_ = std::exchange(kept_, {});
    }
    const auto before = keptBefore_.constFind(key);
    kept = before != keptBefore_.constEnd()
               ? before.value()
               : render(painter, fraction, laidOut(value, unit, unitNumber), colour);
    kept_.insert(key, kept);
  }
  if (kept.ink.isNull()) return QRectF();
  const QPoint at = whole + kept.offset;
  painter.drawImage(at, kept.ink);
  return QRectF(QRect(at, kept.ink.size()));
}

void LabelImages::setFont(const QFont& font) {
  if (font == font_) return;
  font_ = font;
  texts_.clear();
  kept_.clear();
  keptBefore_.clear();
}

}  // namespace vantory::qt

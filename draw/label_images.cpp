#include "draw/label_images.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainterPath>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "core/number_text.h"

namespace vantory::qt {

namespace {

constexpr int kMaxKeptLabels = 4096;
constexpr std::size_t kKnownSizes = 4099;  // a prime: values close in bits spread
constexpr std::size_t kMaxUnits = 64;
// Room around a kept label's text for glyphs that reach past its advance and line.
constexpr int kKeptMargin = 3;
constexpr double kFarAway = 1 << 24;  // pixels
// Up to this width (device pixels) the outline is the glyph's own pixels grown by one;
// wider, the glyph's shape stroked.
constexpr double kGrownOutline = 1.5;

quint32 bitsOf(float value) {
  quint32 bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// The glyph's coverage grown by one pixel every way, in the outline's colour.
QImage grownByOnePixel(const QImage& body) {
  const int w = body.width(), h = body.height();
  QImage outline(body.size(), QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < h; ++y) {
    auto* out = reinterpret_cast<QRgb*>(outline.scanLine(y));
    for (int x = 0; x < w; ++x) {
      int alpha = 0;
      for (int v = std::max(0, y - 1); v <= std::min(h - 1, y + 1); ++v) {
        const auto* in = reinterpret_cast<const QRgb*>(body.constScanLine(v));
        for (int u = std::max(0, x - 1); u <= std::min(w - 1, x + 1); ++u)
          alpha = std::max(alpha, qAlpha(in[u]));
      }
      out[x] = qPremultiply(qRgba(qRed(kLabelOutline), qGreen(kLabelOutline), qBlue(kLabelOutline), alpha));
    }
  }
  return outline;
}

}  // namespace

void LabelImages::setFont(const QFont& font) {
  if (font == font_) return;
  font_ = font;
  forgetLaidOut();
}

void LabelImages::setScale(double scale, qreal pixelRatio) {
  if (scale == scale_ && pixelRatio == pixelRatio_) return;
  scale_ = scale;
  pixelRatio_ = pixelRatio;
  forgetLaidOut();
}

void LabelImages::forgetLaidOut() {
  const double factor = scale_ * pixelRatio_;
  deviceFont_ = font_;
  if (factor != 1) {
    if (font_.pointSizeF() > 0) {
      deviceFont_.setPointSizeF(font_.pointSizeF() * factor);
    } else if (font_.pixelSize() > 0) {
      deviceFont_.setPixelSize(std::max(1, static_cast<int>(std::lround(font_.pixelSize() * factor))));
    }
  }
  if (layoutDevice_.isNull()) layoutDevice_ = QImage(1, 1, QImage::Format_RGB32);
  outlineWidth_ = factor;
  fonts_.clear();
  texts_.clear();
  sizes_.assign(kKnownSizes, {});
  glyphs_.clear();
  kept_.clear();
  keptBefore_.clear();
}

quint32 LabelImages::unitKey(std::string_view unit) {
  if (unit.empty()) return 0;
  for (std::size_t i = 0; i < units_.size(); ++i) {
    if (units_[i] == unit) return static_cast<quint32>(i + 1);
  }
  if (units_.size() >= kMaxUnits) {
    // Keys of units gone are no longer known: nothing kept may use them.
    units_.clear();
    texts_.clear();
    sizes_.assign(kKnownSizes, {});
    kept_.clear();
    keptBefore_.clear();
  }
  units_.emplace_back(unit);
  return static_cast<quint32>(units_.size());
}

const LabelImages::LaidOutLabel& LabelImages::laidOut(float value, std::string_view unit,
                                                      quint32 unitNumber) {
  const quint64 key = quint64{unitNumber} << 32 | bitsOf(value);
  auto found = texts_.find(key);
  if (found != texts_.end()) return found.value();
  if (texts_.size() > kMaxKeptLabels) texts_.clear();

  const QString text = QString::fromStdString(labelText(value, unit));
  QTextLayout layout(text, deviceFont_, &layoutDevice_);
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  line.setPosition(QPointF(0, 0));
  layout.endLayout();

  LaidOutLabel label;
  for (const QGlyphRun& run : layout.glyphRuns()) {
    const QRawFont font = run.rawFont();
    auto index = std::find(fonts_.begin(), fonts_.end(), font) - fonts_.begin();
    if (index == static_cast<decltype(index)>(fonts_.size())) fonts_.push_back(font);
    const QList<quint32> glyphs = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    for (qsizetype k = 0; k < glyphs.size() && k < positions.size(); ++k) {
      label.glyphs.push_back({(GlyphId(index) << 32) | glyphs[k], positions[k]});
    }
  }
  const QFontMetricsF metrics(deviceFont_, &layoutDevice_);
  label.size = QSizeF(metrics.horizontalAdvance(text), metrics.height());
  return texts_.insert(key, std::move(label)).value();
}

const LabelImages::GlyphImages& LabelImages::glyphImages(GlyphId glyph, QRgb colour) {
  const GlyphKey key{glyph, colour};
  if (const auto found = glyphs_.constFind(key); found != glyphs_.constEnd()) return found.value();

  const QRawFont& font = fonts_[glyph >> 32];
  const auto index = static_cast<quint32>(glyph & 0xffffffffu);
  GlyphImages images;
  const QRectF bounds = font.boundingRect(index);
  if (!bounds.isEmpty()) {
    const int margin = static_cast<int>(std::ceil(outlineWidth_)) + 2;
    const QRect box = bounds.toAlignedRect().adjusted(-margin, -margin, margin, margin);
    images.offset = box.topLeft();
    QGlyphRun run;
    run.setRawFont(font);
    run.setGlyphIndexes({index});
    run.setPositions({QPointF(-box.left(), -box.top())});
    images.body = QImage(box.size(), QImage::Format_ARGB32_Premultiplied);
    images.body.fill(Qt::transparent);
    {
      QPainter body(&images.body);
      body.setRenderHint(QPainter::TextAntialiasing, true);
      body.setPen(QColor::fromRgba(colour));
      body.drawGlyphRun(QPointF(0, 0), run);
    }
    if (outlineWidth_ <= kGrownOutline) {
      images.outline = grownByOnePixel(images.body);
    } else {
      images.outline = QImage(box.size(), QImage::Format_ARGB32_Premultiplied);
      images.outline.fill(Qt::transparent);
      QPainter outline(&images.outline);
      outline.setRenderHint(QPainter::Antialiasing, true);
      const QPainterPath shape = font.pathForGlyph(index).translated(-box.left(), -box.top());
      outline.strokePath(
          shape, QPen(QColor(kLabelOutline), 2 * outlineWidth_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      outline.fillPath(shape, QColor(kLabelOutline));
    }
  }
  return glyphs_.insert(key, std::move(images)).value();
}

QSizeF LabelImages::size(float value, std::string_view unit) {
  const quint32 unitNumber = unitKey(unit);
  const quint64 key = quint64{unitNumber} << 32 | bitsOf(value);
  KnownSize& slot = sizes_[(key ^ (key >> 13)) % sizes_.size()];
  if (!slot.known || slot.key != key) slot = {key, true, laidOut(value, unit, unitNumber).size / pixelRatio_};
  return slot.size;
}

QRectF LabelImages::draw(QPainter& painter, const QPointF& topLeft, float value, const QColor& colour,
                         std::string_view unit) {
  // Far outside any surface (a point of the view mapped from extreme twips): nothing to
  // show, and no whole pixel to put it at.
  if (!(std::abs(topLeft.x()) < kFarAway && std::abs(topLeft.y()) < kFarAway)) return QRectF();
  return draw(painter, topLeft * pixelRatio_, laidOut(value, unit, unitKey(unit)), colour, pixelRatio_);
}

QRectF LabelImages::draw(QPainter& painter, const QPointF& origin, const LaidOutLabel& label,
                         const QColor& colour, qreal targetRatio) {
  QRectF covered;
  for (const bool outline : {true, false}) {
    for (const PlacedGlyph& g : label.glyphs) {
      const GlyphImages& images = glyphImages(g.glyph, colour.rgba());
      const QImage& image = outline ? images.outline : images.body;
      if (image.isNull()) continue;
      // Each glyph at a whole device pixel.
      const QPointF at(std::floor(origin.x() + g.at.x() + 0.5) + images.offset.x(),
                       std::floor(origin.y() + g.at.y() + 0.5) + images.offset.y());
      const QRectF target(at / targetRatio, QSizeF(image.size()) / targetRatio);
      if (targetRatio == 1) {
        painter.drawImage(at, image);
      } else {
        painter.drawImage(target, image);
      }
      covered |= target;
    }
  }
  return covered;
}

LabelImages::KeptLabel LabelImages::render(const QPointF& fraction, const LaidOutLabel& label,
                                           const QColor& colour) {
  const QSizeF text = label.size;
  const int margin = kKeptMargin + static_cast<int>(std::ceil(outlineWidth_));
  const QSize size(static_cast<int>(std::ceil(fraction.x() + text.width())) + 2 * margin,
                   static_cast<int>(std::ceil(fraction.y() + text.height())) + 2 * margin);
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter onImage(&image);
    draw(onImage, fraction + QPointF(margin, margin), label, colour, 1);
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
    kept.offset = ink.topLeft() - QPoint(margin, margin);
  }
  return kept;
}

QRectF LabelImages::drawKept(QPainter& painter, const QPointF& topLeft, float value, const QColor& colour,
                             std::string_view unit) {
  if (!(std::abs(topLeft.x()) < kFarAway && std::abs(topLeft.y()) < kFarAway)) return QRectF();
  // The image is drawn at a whole device pixel; the text inside it keeps the fraction, so
  // the glyphs come out where they would be drawn straight onto the surface.
  const QPointF device = topLeft * pixelRatio_;
  const QPoint whole(static_cast<int>(std::floor(device.x())), static_cast<int>(std::floor(device.y())));
  const QPointF fraction = device - QPointF(whole);
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
    kept = before != keptBefore_.constEnd() ? before.value()
                                            : render(fraction, laidOut(value, unit, unitNumber), colour);
    kept_.insert(key, kept);
  }
  if (kept.ink.isNull()) return QRectF();
  const QPoint at = whole + kept.offset;
  if (pixelRatio_ == 1) {
    painter.drawImage(at, kept.ink);
    return QRectF(QRect(at, kept.ink.size()));
  }
  const QRectF target(QPointF(at) / pixelRatio_, QSizeF(kept.ink.size()) / pixelRatio_);
  painter.drawImage(target, kept.ink);
  return target;
}

}  // namespace vantory::qt

// Label texts drawn with QPainter, and kept: the laid-out text of each length, and small
// images of the labels drawn lately, so that the live view draws the same labels again at
// every move with one blit each instead of a glyph run.
#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QStaticText>
#include <string>
#include <string_view>
#include <vector>

namespace vantory::qt {

class LabelImages {
 public:
  explicit LabelImages(const QFont& font) { setFont(font); }
  void setFont(const QFont& font);
  const QFont& font() const { return font_; }

  // Draws the label of `value` with its `unit` (labelText), its top-left corner at `topLeft`
  // (pixels), in the painter's pen; returns the rectangle it may cover.
  QRectF draw(QPainter& painter, const QPointF& topLeft, float value, std::string_view unit = {});
  // The same in `colour`, through a kept image of the label: drawn again at the same
  // place in the same colour, it costs one blit. The glyphs come out exactly as drawn
  // straight onto the surface. Returns the rectangle it covers.
  QRectF drawKept(QPainter& painter, const QPointF& topLeft, float value, const QColor& colour,
                  std::string_view unit = {});

 private:
  // A small number for `unit` in the keys of kept texts and images, 0 for none.
  quint32 unitKey(std::string_view unit);
  const QStaticText& laidOut(float value, std::string_view unit, quint32 unitNumber);

  struct KeptKey {
    quint32 bits;  // the value's
    quint32 unit;  // unitKey
    QRgb colour;
    double x, y;  // the position's fraction of a pixel
    bool operator==(const KeptKey&) const = default;
  };
  friend size_t qHash(const KeptKey& key, size_t seed) {
    return qHashMulti(seed, key.bits, key.unit, key.colour, key.x, key.y);
  }
  // The label's inked pixels, premultiplied, and where they start from the whole pixel of
  // its top-left corner.
  struct KeptLabel {
    QImage ink;
    QPoint offset;
  };
  KeptLabel render(const QPainter& painter, const QPointF& fraction, const QStaticText& text,
                   const QColor& colour);

  QFont font_;
  std::vector<std::string> units_;     // unitKey - 1 -> unit
  QHash<quint64, QStaticText> texts_;  // by the unit's key and the float's bits
  // The labels drawn lately, in two generations: when the newer one is full it becomes the
  // older one, and a label found there moves back. The committed labels, drawn at every
  // move, stay; the rubber band's, new at every move, age out.
  QHash<KeptKey, KeptLabel> kept_, keptBefore_;
};

}  // namespace vantory::qt

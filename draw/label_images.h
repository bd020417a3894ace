// Labels drawn in their colour with a thin dark outline, from images of their glyphs: each
// glyph of the labels' font is drawn once with its outline (a ring about one pixel wide at
// the label's size on screen, as many pixels as the label is scaled) and then copied for
// every label; all the outlines of a label go down before its glyphs, so that one glyph's
// outline never covers its neighbour. A label scaled for a large saved picture costs as
// little as one on screen. Small images of the labels drawn lately are kept as well, so
// that the live view draws the same labels again at every move with one blit each.
#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <string>
#include <string_view>
#include <vector>

namespace vantory::qt {

// The colour of the labels' outline.
inline constexpr QRgb kLabelOutline = qRgb(0, 0, 0);

class LabelImages {
 public:
  explicit LabelImages(const QFont& font) : font_(font) { forgetLaidOut(); }
  void setFont(const QFont& font);
  const QFont& font() const { return font_; }
  // Labels are drawn `scale` times the font's size, their outline as many pixels wide, on
  // a device of `pixelRatio` device pixels a logical one.
  void setScale(double scale, qreal pixelRatio);

  // The box of the label of `value` with its `unit` (labelText): its text's advance and
  // the font's height, logical pixels.
  QSizeF size(float value, std::string_view unit = {});
  // Draws the label of `value` with its `unit` in `colour` with its outline, its top-left
  // corner at `topLeft` (logical pixels); returns the rectangle it covers.
  QRectF draw(QPainter& painter, const QPointF& topLeft, float value, const QColor& colour,
              std::string_view unit = {});
  // The same through a kept image of the label: drawn again at the same place in the same
  // colour, it costs one blit. Returns the rectangle it covers.
  QRectF drawKept(QPainter& painter, const QPointF& topLeft, float value, const QColor& colour,
                  std::string_view unit = {});

 private:
  // A glyph of the labels' font: its index in fonts_ (high half) and in that font.
  using GlyphId = quint64;
  struct PlacedGlyph {
    GlyphId glyph;
    QPointF at;  // its origin from the label's top-left corner, device pixels
  };
  struct LaidOutLabel {
    std::vector<PlacedGlyph> glyphs;
    QSizeF size;  // device pixels
  };
  // A small number for `unit` in the keys of kept texts and images, 0 for none.
  quint32 unitKey(std::string_view unit);
  const LaidOutLabel& laidOut(float value, std::string_view unit, quint32 unitNumber);

  // A glyph's outline and its body in one colour, premultiplied, over the same pixels;
  // `offset` is their top-left corner from the glyph's origin.
  struct GlyphImages {
    QImage outline, body;
    QPoint offset;
  };
  struct GlyphKey {
    GlyphId glyph;
    QRgb colour;
    bool operator==(const GlyphKey&) const = default;
  };
  friend size_t qHash(const GlyphKey& key, size_t seed) { return qHashMulti(seed, key.glyph, key.colour); }
  const GlyphImages& glyphImages(GlyphId glyph, QRgb colour);
  void forgetLaidOut();

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
  KeptLabel render(const QPointF& fraction, const LaidOutLabel& label, const QColor& colour);
  // Draws `label` from `origin`, device pixels, on a painter of `targetRatio` device pixels
  // a logical one.
  QRectF draw(QPainter& painter, const QPointF& origin, const LaidOutLabel& label, const QColor& colour,
              qreal targetRatio);

  QFont font_;
  double scale_ = 1;
  qreal pixelRatio_ = 1;
  QFont deviceFont_;                    // font_ at scale_ x pixelRatio_, in device pixels
  QImage layoutDevice_;                 // the labels are laid out for an image
  double outlineWidth_;                 // device pixels
  std::vector<QRawFont> fonts_;         // of the glyphs laid out (a fallback font's as well)
  std::vector<std::string> units_;      // unitKey - 1 -> unit
  QHash<quint64, LaidOutLabel> texts_;  // by the unit's key and the float's bits
  // The sizes of labels asked for lately, by the same keys: the live view asks for every
  // label's at every move.
  struct KnownSize {
    quint64 key = 0;
    bool known = false;
    QSizeF size;
  };
  std::vector<KnownSize> sizes_;
  QHash<GlyphKey, GlyphImages> glyphs_;
  // The labels drawn lately, in two generations: when the newer one is full it becomes the
  // older one, and a label found there moves back. The committed labels, drawn at every
  // move, stay; the rubber band's, new at every move, age out.
  QHash<KeptKey, KeptLabel> kept_, keptBefore_;
};

}  // namespace vantory::qt

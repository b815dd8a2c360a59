#pragma once
// How well the toolbar's pictures stand out, measured on a picture of the
// toolbar as drawn (a screenshot or a grab): the contrast ratio of each
// button's picture against the toolbar behind it, in both the light palette
// and a dark one. The screenshot tool reports it for the manual's pictures;
// the tests hold it at 3:1 or better.

#include <QColor>
#include <QImage>
#include <QPalette>
#include <QRect>

namespace zvk::ui {

// The contrast ratio of two colours, 1 to 21, as WCAG defines it from their
// relative luminance: (lighter + 0.05) / (darker + 0.05).
[[nodiscard]] double ContrastRatio(const QColor& a, const QColor& b);

struct PictogramMeasure {
    QColor background;  // the colour most common along the button's edge
    QColor ink;         // the strongest ink that draws a tenth of the picture or more
    double contrast = 1.0;
};

// Measures the picture inside `button` (in the image's pixels). The ink is
// the colour, of those covering at least a tenth of the pixels that differ
// from the background, that contrasts most with it: a picture is seen by the
// ink that draws its shape, even where a fill inside the shape is close to
// the background.
[[nodiscard]] PictogramMeasure MeasurePictogram(const QImage& shot, const QRect& button);

// Qt's Fusion colours turned dark, as dark desktop themes have them.
[[nodiscard]] QPalette DarkPalette();

}  // namespace zvk::ui

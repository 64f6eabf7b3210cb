#pragma once

#include <QColor>

namespace sievra {

// Contrast of two colours as WCAG defines it: 1 (none) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);

// `wanted` made lighter or darker, keeping its hue, until it reads on `background` with at
// least the contrast of normal text (4.5:1): the status list's red and green and the page
// titles' blue stay red, green and blue on a dark palette.
QColor ReadableOn(const QColor& wanted, const QColor& background);

} // namespace sievra

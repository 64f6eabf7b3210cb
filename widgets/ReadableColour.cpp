#include "ReadableColour.h"

#include <cmath>

namespace sievra {

namespace {

constexpr double NormalTextContrast = 4.5;

double Channel(double c) {
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& c) {
    return 0.2126 * Channel(c.redF()) + 0.7152 * Channel(c.greenF()) + 0.0722 * Channel(c.blueF());
}

} // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& wanted, const QColor& background) {
    const bool darkBackground = Luminance(background) < 0.18;
    QColor colour = wanted.toHsl();
    for (int step = 0; step < 20 && ContrastRatio(colour, background) < NormalTextContrast;
         ++step) {
        const float lightness = colour.lightnessF() + (darkBackground ? 0.05f : -0.05f);
        colour.setHslF(colour.hslHueF(), colour.hslSaturationF(),
                       std::clamp(lightness, 0.0f, 1.0f));
    }
    return colour.toRgb();
}

} // namespace sievra

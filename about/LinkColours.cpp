#include "LinkColours.h"

#include <algorithm>
#include <cmath>

namespace tolvane {

namespace {

double Linear(double channel) {
    return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& colour) {
    return 0.2126 * Linear(colour.redF()) + 0.7152 * Linear(colour.greenF()) +
           0.0722 * Linear(colour.blueF());
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double first = Luminance(a);
    const double second = Luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

QColor ReadableLinkColour(const QColor& designed, QPalette::ColorRole role,
                          const QPalette& palette) {
    const QColor window = palette.color(QPalette::Window);
    if (ContrastRatio(designed, window) >= kReadableContrast) {
        return designed;
    }
    return palette.color(role);
}

}  // namespace tolvane

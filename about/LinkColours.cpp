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

QColor ReadableColour(const QColor& wanted, const QPalette& palette) {
    const QColor window = palette.color(QPalette::Window);
    // Black or white, whichever stands out more: lighter on a dark window, darker on a light.
    const QColor text = ContrastRatio(Qt::black, window) >= ContrastRatio(Qt::white, window)
                            ? QColor(Qt::black)
                            : QColor(Qt::white);
    // Tenths of the way there: the first step that reads well keeps the most hue.
    for (int step = 0; step < 10; ++step) {
        const double t = step / 10.0;
        const QColor mixed = QColor::fromRgbF(
            static_cast<float>(wanted.redF() + (text.redF() - wanted.redF()) * t),
            static_cast<float>(wanted.greenF() + (text.greenF() - wanted.greenF()) * t),
            static_cast<float>(wanted.blueF() + (text.blueF() - wanted.blueF()) * t));
        if (ContrastRatio(mixed, window) >= kReadableContrast) {
            return mixed;
        }
    }
    return text;
}

QColor ReadableLinkColour(const QColor& designed, QPalette::ColorRole role,
                          const QPalette& palette) {
    if (ContrastRatio(designed, palette.color(QPalette::Window)) >= kReadableContrast) {
        return designed;
    }
    return ReadableColour(palette.color(role), palette);
}

}  // namespace tolvane

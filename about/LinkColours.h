#pragma once

#include <QColor>
#include <QPalette>

namespace tolvane {

// The contrast ratio of two colours by their relative luminance, from 1 (the same) to 21
// (black on white), as the web's accessibility guidelines measure it.
double ContrastRatio(const QColor& a, const QColor& b);

// The least contrast against the window at which text stays readable.
inline constexpr double kReadableContrast = 4.5;

// wanted itself when it reads well on palette's window colour, else wanted moved just far
// enough towards black (on a light window) or white (on a dark one) to read well.
QColor ReadableColour(const QColor& wanted, const QPalette& palette);

// The colour a link is drawn in: the designed colour when it reads well on palette's window
// colour, else the palette's own link colour (role Link, or LinkVisited for a visited link),
// which a dark theme chooses for its dark window, made readable where the theme's is too dim.
QColor ReadableLinkColour(const QColor& designed, QPalette::ColorRole role,
                          const QPalette& palette);

}  // namespace tolvane

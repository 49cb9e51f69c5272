#pragma once

#include <QString>

#include <functional>

namespace tolvane {

// The width of a text as it would be drawn, in any unit that the available width uses.
using TextMeasure = std::function<int(const QString& text)>;

inline const QString kEllipsis = QStringLiteral("...");

// Shortens a path to fit width by replacing characters in its middle with "...": everything
// from the last '/' on stays whole and the characters just before it give way, as few as
// needed. A text that fits is returned unchanged. A text without '/', or one whose end alone
// does not fit, is shortened at the end instead. Characters are never split (surrogate pairs
// and combining marks stay together).
QString ShortenPath(const QString& text, int width, const TextMeasure& measure);

// Shortens a text to fit width by cutting its end and appending "...". When not even "..."
// fits, as many of its dots as fit are returned.
QString ShortenEnd(const QString& text, int width, const TextMeasure& measure);

}  // namespace tolvane

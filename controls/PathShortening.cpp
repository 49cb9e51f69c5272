#include "PathShortening.h"

#include <QTextBoundaryFinder>

#include <vector>

namespace tolvane {

namespace {

// The positions at which text may be cut without splitting a character, 0 and size included.
std::vector<qsizetype> CutPositions(const QString& text) {
    std::vector<qsizetype> positions{0};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    while (finder.toNextBoundary() > 0) {
        positions.push_back(finder.position());
    }
    if (positions.back() != text.size()) {
        positions.push_back(text.size());
    }
    return positions;
}

// The longest prefix of head (cut at a character boundary) for which compose(prefix) fits, or
// -1 when not even the empty prefix fits. Widths grow with the prefix, so a binary search over
// the cut positions finds it.
qsizetype LongestFittingPrefix(const QString& head, int width, const TextMeasure& measure,
                               const std::function<QString(const QString&)>& compose) {
    const std::vector<qsizetype> positions = CutPositions(head);
    auto fits = [&](std::size_t index) {
        return measure(compose(head.left(positions[index]))) <= width;
    };
    if (!fits(0)) {
        return -1;
    }
    std::size_t low = 0;  // fits
    std::size_t high = positions.size();
    while (high - low > 1) {
        const std::size_t middle = low + (high - low) / 2;
        if (fits(middle)) {
            low = middle;
        } else {
            high = middle;
        }
    }
    return positions[low];
}

}  // namespace

QString ShortenPath(const QString& text, int width, const TextMeasure& measure) {
    if (measure(text) <= width) {
        return text;
    }
    const qsizetype lastSeparator = text.lastIndexOf(QLatin1Char('/'));
    if (lastSeparator < 0) {
        return ShortenEnd(text, width, measure);
    }
    const QString head = text.left(lastSeparator);
    const QString tail = text.mid(lastSeparator);
    const qsizetype kept = LongestFittingPrefix(
        head, width, measure, [&](const QString& prefix) { return prefix + kEllipsis + tail; });
    if (kept < 0) {
        return ShortenEnd(text, width, measure);
    }
    return head.left(kept) + kEllipsis + tail;
}

QString ShortenEnd(const QString& text, int width, const TextMeasure& measure) {
    if (measure(text) <= width) {
        return text;
    }
    const qsizetype kept = LongestFittingPrefix(
        text, width, measure, [](const QString& prefix) { return prefix + kEllipsis; });
    if (kept >= 0) {
        return text.left(kept) + kEllipsis;
    }
    for (qsizetype dots = kEllipsis.size() - 1; dots > 0; --dots) {
        if (measure(kEllipsis.left(dots)) <= width) {
            return kEllipsis.left(dots);
        }
    }
    return QString();
}

}  // namespace tolvane

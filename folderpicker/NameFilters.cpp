#include "NameFilters.h"

namespace tolvane {

namespace {

QString PatternsFromFramework(const QString& patterns) {
    QStringList converted;
    for (const QString& pattern : patterns.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        converted.append(trimmed == u"*.*" ? QStringLiteral("*") : trimmed);
    }
    return converted.join(u' ');
}

}  // namespace

QStringList NameFiltersFromFrameworkFilter(const char* filter) {
    QStringList filters;
    if (filter == nullptr) {
        return filters;
    }
    const QStringList parts = QString::fromUtf8(filter).split(u'|');
    // Pairs of description and patterns; an empty description ends the list.
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        filters.append(
            QStringLiteral("%1 (%2)").arg(parts[i], PatternsFromFramework(parts[i + 1])));
    }
    return filters;
}

}  // namespace tolvane

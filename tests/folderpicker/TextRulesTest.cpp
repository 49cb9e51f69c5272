// The picker's and the message box's text rules: filter lists and the application name.
#include <QtTest>

#include "ApplicationName.h"
#include "NameFilters.h"

using namespace tolvane;

class TextRulesTest : public QObject {
    Q_OBJECT
  private slots:
    void nameFilters_data();
    void nameFilters();
    void applicationName_data();
    void applicationName();
};

void TextRulesTest::nameFilters_data() {
    QTest::addColumn<QByteArray>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("all files") << QByteArray("All Files(*.*)|*.*||")
                               << QStringList{"All Files(*.*) (*)"};
    QTest::newRow("two entries, several patterns") << QByteArray("Text|*.txt; *.log|Any|*.*||")
                                                   << QStringList{"Text (*.txt *.log)", "Any (*)"};
    QTest::newRow("missing final bar") << QByteArray("Text|*.txt|") << QStringList{"Text (*.txt)"};
    QTest::newRow("empty") << QByteArray("") << QStringList{};
    QTest::newRow("null") << QByteArray() << QStringList{};
}

void TextRulesTest::nameFilters() {
    QFETCH(QByteArray, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(NameFiltersFromFrameworkFilter(filter.isNull() ? nullptr : filter.constData()),
             expected);
}

void TextRulesTest::applicationName_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("no extension") << "/usr/bin/tolvane"
                                  << "tolvane";
    QTest::newRow("extension") << "/opt/Tolvane.EXE"
                               << "Tolvane";
    QTest::newRow("last dot only") << "/opt/tol.vane.bin"
                                   << "tol.vane";
    QTest::newRow("dot in a folder") << "/opt/tool.d/tolvane"
                                     << "tolvane";
    QTest::newRow("hidden file") << "/home/u/.tolvane"
                                 << ".tolvane";
    QTest::newRow("bare name") << "tolvane.x"
                               << "tolvane";
}

void TextRulesTest::applicationName() {
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(ApplicationNameFromPath(path), name);
}

QTEST_GUILESS_MAIN(TextRulesTest)
#include "TextRulesTest.moc"

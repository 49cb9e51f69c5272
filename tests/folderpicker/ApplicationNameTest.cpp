// The application name that captions every message box, from the executable's path.
#include <QtTest>

#include "ApplicationName.h"

class ApplicationNameTest : public QObject {
    Q_OBJECT
  private slots:
    void fromPath_data() {
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
    }
    void fromPath() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(tolvane::ApplicationNameFromPath(path), name);
    }
};

QTEST_GUILESS_MAIN(ApplicationNameTest)
#include "ApplicationNameTest.moc"

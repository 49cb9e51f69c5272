#include <QFontMetrics>
#include <QtTest>

#include "DialogBuilder.h"
#include "MainDialogTemplate.h"
#include "PathShortening.h"

using namespace tolvane;

namespace {

// Every UTF-16 unit one unit wide: a character split between the two halves of a surrogate
// pair or from its combining mark would fit where the whole one does not.
int Utf16Length(const QString& text) {
    return static_cast<int>(text.size());
}

}  // namespace

class PathShorteningTest : public QObject {
    Q_OBJECT

  private slots:
    void pathEllipsis_data();
    void pathEllipsis();
    void endEllipsis_data();
    void endEllipsis();
    void realFontKeepsTheRuleAndFits_data();
    void realFontKeepsTheRuleAndFits();
};

void PathShorteningTest::pathEllipsis_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("shown");
    QTest::newRow("fits") << "/home/user/" << 11 << "/home/user/";
    QTest::newRow("empty") << "" << 0 << "";
    QTest::newRow("one too wide") << "/home/user/" << 10 << "/home/.../";
    QTest::newRow("folder path") << "/srv/archive/photos/2023/" << 12 << "/srv/arc.../";
    QTest::newRow("name after last separator kept")
        << "/srv/archive/photos/2023.jpg" << 16 << "/srv.../2023.jpg";
    QTest::newRow("only the ellipsis and the end fit") << "/abcdef/" << 4 << ".../";
    QTest::newRow("ampersand is an ordinary character") << "/a&b/c&d/" << 6 << "/a.../";
    QTest::newRow("surrogate pair never split")
        << QString::fromUtf8("/x\U0001F600\U0001F600\U0001F600/") << 7 << "/x.../";
    QTest::newRow("no separator: end cut") << "abcdefghij" << 6 << "abc...";
    QTest::newRow("end too wide: end cut") << "/abc/defghijkl" << 8 << "/abc/...";
    QTest::newRow("nothing but dots fit") << "/abcdef/" << 2 << "..";
    QTest::newRow("nothing fits") << "/abcdef/" << 0 << "";
}

void PathShorteningTest::pathEllipsis() {
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QString, shown);
    QCOMPARE(ShortenPath(text, width, Utf16Length), shown);
}

void PathShorteningTest::endEllipsis_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("shown");
    QTest::newRow("fits") << "/home/user/" << 11 << "/home/user/";
    QTest::newRow("end cut") << "/home/user/" << 10 << "/home/u...";
    QTest::newRow("combining mark stays with its letter")
        << QString::fromUtf8("abe\u0301cdef") << 6 << "ab...";
}

void PathShorteningTest::endEllipsis() {
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QString, shown);
    QCOMPARE(ShortenEnd(text, width, Utf16Length), shown);
}

void PathShorteningTest::realFontKeepsTheRuleAndFits_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("latin") << "/home/someone/Documents/Projects/2024/annual report drafts/";
    QTest::newRow("chinese") << QString::fromUtf8("/資料/備份/二〇二四年/相片與影片/家庭旅遊/");
    QTest::newRow("undecodable bytes")
        << QFile::decodeName(QByteArray("/mnt/old disk/\xff\xfe caf\xe9 notes/archive/"));
}

void PathShorteningTest::realFontKeepsTheRuleAndFits() {
    QFETCH(QString, text);
    const QFontMetrics metrics(DialogBuilder::MakeFont(MainDialogTemplate().font));
    const auto measure = [&metrics](const QString& s) { return metrics.horizontalAdvance(s); };
    // The path labels' inner width: 148 dialog units less the two edge pixels.
    const int width = 222 - 2;
    QVERIFY(measure(text) > width);
    const QString shown = ShortenPath(text, width, measure);
    QVERIFY(measure(shown) <= width);
    QVERIFY(shown.endsWith(QStringLiteral(".../")));
    const QString kept = shown.chopped(4);
    QVERIFY(text.startsWith(kept));
    // As few characters as possible give way: one more would not fit.
    const QString oneMore = text.left(kept.size() + 1) + QStringLiteral(".../");
    QVERIFY(measure(oneMore) > width);
}

QTEST_MAIN(PathShorteningTest)
#include "tst_pathshortening.moc"

#include <QtTest>

#include "CHyperLink.h"
#include "HtmlHandler.h"
#include "LinkColours.h"
#include "LinkFit.h"
#include "LinkOpener.h"
#include "ProgramLauncher.h"

using namespace tolvane;
using namespace tolvane::StaticStyle;

// The decisions of the link control that need no window: fitting, the command-line cut,
// the colour on the window's background, and the words and field codes of the handler's
// command.
class LinkRulesTest : public QObject {
    Q_OBJECT

  private slots:
    void fitRectToText_data();
    void fitRectToText();
    void cutOpenCommand_data();
    void cutOpenCommand();
    void linkColour_data();
    void linkColour();
    void splitCommandLine_data();
    void splitCommandLine();
    void openCommandFromExec_data();
    void openCommandFromExec();
};

void LinkRulesTest::fitRectToText_data() {
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QSize>("text");
    QTest::addColumn<unsigned>("style");
    QTest::addColumn<QRect>("fitted");
    QTest::newRow("left keeps its top-left corner")
        << QRect(10, 20, 200, 30) << QSize(120, 16) << 0u << QRect(10, 20, 120, 16);
    QTest::newRow("centred shrinks by 25 a side")
        << QRect(0, 0, 101, 16) << QSize(50, 16) << SS_CENTER << QRect(25, 0, 51, 16);
    QTest::newRow("centred grows by 5 a side")
        << QRect(0, 0, 40, 16) << QSize(51, 16) << SS_CENTER << QRect(-5, 0, 50, 16);
    QTest::newRow("right keeps its right edge")
        << QRect(10, 0, 100, 16) << QSize(60, 16) << SS_RIGHT << QRect(50, 0, 60, 16);
    QTest::newRow("both bits are centred")
        << QRect(0, 0, 101, 16) << QSize(50, 16) << (SS_CENTER | SS_RIGHT) << QRect(25, 0, 51, 16);
    QTest::newRow("centre image moves top and bottom in by 3")
        << QRect(0, 10, 50, 20) << QSize(50, 13) << SS_CENTERIMAGE << QRect(0, 13, 50, 14);
    QTest::newRow("centre image grows by 1 a side")
        << QRect(0, 10, 50, 10) << QSize(50, 13) << SS_CENTERIMAGE << QRect(0, 9, 50, 12);
    QTest::newRow("without centre image the top stays")
        << QRect(0, 10, 50, 20) << QSize(50, 13) << 0u << QRect(0, 10, 50, 13);
    QTest::newRow("empty text") << QRect(5, 5, 50, 20) << QSize(0, 12) << 0u << QRect(5, 5, 0, 12);
}

void LinkRulesTest::fitRectToText() {
    QFETCH(QRect, rect);
    QFETCH(QSize, text);
    QFETCH(unsigned, style);
    QFETCH(QRect, fitted);
    QCOMPARE(FitRectToText(rect, text, style), fitted);
}

void LinkRulesTest::cutOpenCommand_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("commandLine");  // the cut command, a blank and the URL
    QTest::newRow("quoted %1 leaves two blanks") << "/usr/bin/browser \"%1\""
                                                 << "/usr/bin/browser  https://example.org/";
    QTest::newRow("bare %1 loses the switches after it") << "browser %1 -new-window"
                                                         << "browser  https://example.org/";
    QTest::newRow("no %1 gets the URL appended") << "browser -remote"
                                                 << "browser -remote https://example.org/";
    QTest::newRow("quoted form wins over an earlier bare one")
        << "browser %1 --flag \"%1\" --more"
        << "browser %1 --flag  https://example.org/";
    QTest::newRow("characters beyond ASCII in the path")
        << "\"/opt/瀏覽器/run\" \"%1\""
        << "\"/opt/瀏覽器/run\"  https://example.org/";
}

void LinkRulesTest::cutOpenCommand() {
    QFETCH(QString, command);
    QFETCH(QString, commandLine);
    const std::string cut = CutOpenCommand(command.toStdString());
    QCOMPARE(QString::fromStdString(cut + " https://example.org/"), commandLine);
}

void LinkRulesTest::linkColour_data() {
    QTest::addColumn<QColor>("window");
    QTest::addColumn<QColor>("ownLink");  // the theme's link colour
    QTest::addColumn<bool>("visited");
    QTest::addColumn<QString>("shown");  // "designed", "own" or "adjusted" (readable, not own)
    const QColor light(0xef, 0xef, 0xef), dark(0x2b, 0x2b, 0x2b), grey(0x80, 0x80, 0x80);
    const QColor brightLink(0x8a, 0xb4, 0xf8), dimLink(0x09, 0x86, 0xd3), dimRed(0xa7, 0x0b, 0x06);
    QTest::newRow("light window") << light << brightLink << false << "designed";
    QTest::newRow("light window, visited") << light << brightLink << true << "designed";
    QTest::newRow("dark window") << dark << brightLink << false << "own";
    QTest::newRow("dark window, visited") << dark << brightLink << true << "own";
    QTest::newRow("mid grey, below 4.5:1") << grey << brightLink << false << "adjusted";
    QTest::newRow("dark theme's own link too dim") << dark << dimLink << false << "adjusted";
    QTest::newRow("dark theme's own visited too dim") << dark << dimRed << true << "adjusted";
}

void LinkRulesTest::linkColour() {
    QFETCH(QColor, window);
    QFETCH(QColor, ownLink);
    QFETCH(bool, visited);
    QFETCH(QString, shown);
    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(visited ? QPalette::LinkVisited : QPalette::Link, ownLink);
    const QColor designed = visited ? CHyperLink::kVisitedColour : CHyperLink::kLinkColour;
    const QColor colour =
        ReadableLinkColour(designed, visited ? QPalette::LinkVisited : QPalette::Link, palette);
    QVERIFY2(ContrastRatio(colour, window) >= kReadableContrast, qPrintable(colour.name()));
    if (shown == "designed") {
        QCOMPARE(colour, designed);
    } else if (shown == "own") {
        QCOMPARE(colour, ownLink);
    } else {
        QVERIFY(colour != ownLink && colour != designed);
    }
}

void LinkRulesTest::splitCommandLine_data() {
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("blanks and tabs") << "  run \t a   b  " << QStringList{"run", "a", "b"};
    QTest::newRow("quotes group and vanish")
        << "\"/opt/my browser/run\"  https://example.org/"
        << QStringList{"/opt/my browser/run", "https://example.org/"};
    QTest::newRow("quotes inside a word") << "a\"b c\"d" << QStringList{"ab cd"};
    QTest::newRow("empty quotes are a word") << "run \"\" x" << QStringList{"run", "", "x"};
    QTest::newRow("nothing") << "   " << QStringList{};
}

void LinkRulesTest::splitCommandLine() {
    QFETCH(QString, commandLine);
    QFETCH(QStringList, words);
    QStringList split;
    for (const std::string& word : SplitCommandLine(commandLine.toStdString())) {
        split << QString::fromStdString(word);
    }
    QCOMPARE(split, words);
}

void LinkRulesTest::openCommandFromExec_data() {
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QString>("command");
    QTest::newRow("%u") << "firefox %u"
                        << "firefox \"%1\"";
    QTest::newRow("%U with switches after") << "app --new %U --private"
                                            << "app --new \"%1\" --private";
    QTest::newRow("%f and %F") << "viewer %f %F"
                               << "viewer \"%1\" \"%1\"";
    QTest::newRow("other codes dropped") << "app %i %c %k %u"
                                         << "app    \"%1\"";
    QTest::newRow("%% is a percent sign") << "app --zoom=50%% %u"
                                          << "app --zoom=50% \"%1\"";
    QTest::newRow("no field code") << "app --remote"
                                   << "app --remote";
}

void LinkRulesTest::openCommandFromExec() {
    QFETCH(QString, exec);
    QFETCH(QString, command);
    QCOMPARE(QString::fromStdString(OpenCommandFromExec(exec.toStdString())), command);
}

QTEST_GUILESS_MAIN(LinkRulesTest)
#include "tst_linkrules.moc"

#include <QAccessible>
#include <QDialog>
#include <QMessageBox>
#include <QtTest>
#include <memory>

#include "ApplicationName.h"
#include "CHyperLink.h"
#include "DialogBuilder.h"
#include "FakeDesktop.h"
#include "LinkErrorText.h"
#include "MainDialogTemplate.h"
#include "ModalAnswerer.h"
#include "ShellResultCodes.h"

using namespace tolvane;

namespace {

constexpr int kLeft = 10;
constexpr int kCentre = 11;
constexpr int kRight = 12;
constexpr int kEmpty = 13;
constexpr const char* kAddress = "tolvane@example.org";

// A dialog in the program's font with one text control of each alignment.
DialogTemplate LinkTemplate() {
    using namespace ControlStyle;
    DialogTemplate dialog;
    dialog.caption = "Links";
    dialog.width = 160;
    dialog.height = 80;
    dialog.font = MainDialogTemplate().font;
    dialog.controls = {
        {kLeft, ControlKind::StaticText, kAddress, {10, 10, 120, 10}, Group},
        {kCentre, ControlKind::StaticText, "centred", {10, 25, 120, 10}, AlignCenter},
        {kRight, ControlKind::StaticText, "right", {10, 40, 120, 10}, AlignRight},
        {kEmpty, ControlKind::StaticText, "", {10, 55, 120, 10}, None},
    };
    return dialog;
}

// How far pixel is from being background mixed with colour in some proportion, which is what
// anti-aliased text in that colour looks like.
int MixDistance(const QColor& pixel, const QColor& background, const QColor& colour) {
    const int channels[3][3] = {{pixel.red(), background.red(), colour.red()},
                                {pixel.green(), background.green(), colour.green()},
                                {pixel.blue(), background.blue(), colour.blue()}};
    double share = 0;
    int widest = 0;
    for (const auto& channel : channels) {
        const int span = channel[2] - channel[1];
        if (qAbs(span) > widest) {
            widest = qAbs(span);
            share = double(channel[0] - channel[1]) / span;
        }
    }
    int distance = 0;
    for (const auto& channel : channels) {
        distance += qAbs(channel[0] - qRound(channel[1] + share * (channel[2] - channel[1])));
    }
    return distance;
}

// The link colour that most of the link's drawn pixels are made of; invalid when nothing is
// drawn.
QColor DrawnColour(CHyperLink* link) {
    const QColor colours[] = {CHyperLink::kLinkColour, CHyperLink::kVisitedColour,
                              QApplication::palette().color(QPalette::Highlight)};
    const QImage image = link->grab().toImage();
    const QColor background = link->parentWidget()->palette().color(QPalette::Window);
    int votes[3] = {0, 0, 0};
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.rgb() == background.rgb()) {
                continue;
            }
            int best = 0;
            for (int i = 1; i < 3; ++i) {
                if (MixDistance(pixel, background, colours[i]) <
                    MixDistance(pixel, background, colours[best])) {
                    best = i;
                }
            }
            ++votes[best];
        }
    }
    const int* most = std::max_element(votes, votes + 3);
    return *most > 0 ? colours[most - votes] : QColor();
}

// Whether the lowest drawn row of the link is a line under nearly all of its text.
bool Underlined(CHyperLink* link) {
    const QImage image = link->grab().toImage();
    const QColor background = link->parentWidget()->palette().color(QPalette::Window);
    for (int y = image.height() - 1; y >= 0; --y) {
        int drawn = 0;
        for (int x = 0; x < image.width(); ++x) {
            drawn += image.pixelColor(x, y).rgb() != background.rgb();
        }
        if (drawn > 0) {
            return drawn >= image.width() * 9 / 10;
        }
    }
    return false;
}

}  // namespace

class HyperLinkTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void bindingSuppliesTextAndUrl_data();
    void bindingSuppliesTextAndUrl();
    void bindingFitsTheControlToItsText_data();
    void bindingFitsTheControlToItsText();
    void setLinkTargetKeepsTheTextAndRefits();
    void clearFitFlagNeverMovesTheControl();
    void coloursFollowHoverAndVisited();
    void successfulClickMarksVisited();
    void screenReaderSeesALinkItCanPress();
    void failedClickReportsAndClearsVisited_data();
    void failedClickReportsAndClearsVisited();

  private:
    void Show();
    void MoveOnto(QWidget* widget);
    void MoveAway();

    std::unique_ptr<QDialog> m_dialog;
    std::unique_ptr<FakeDesktop> m_desktop;
};

void HyperLinkTest::init() {
    m_desktop = std::make_unique<FakeDesktop>();
    m_dialog = std::make_unique<QDialog>();
    DialogBuilder::Build(LinkTemplate(), m_dialog.get());
}

void HyperLinkTest::cleanup() {
    m_dialog.reset();
    m_desktop.reset();
}

void HyperLinkTest::Show() {
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
}

void HyperLinkTest::MoveOnto(QWidget* widget) {
    QTest::mouseMove(widget, widget->rect().center());
}

void HyperLinkTest::MoveAway() {
    QTest::mouseMove(m_dialog.get(), QPoint(m_dialog->width() - 2, m_dialog->height() - 2));
}

void HyperLinkTest::bindingSuppliesTextAndUrl_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("urlBefore");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("url");
    QTest::newRow("text becomes the URL") << kLeft << "" << kAddress << kAddress;
    QTest::newRow("URL becomes the text") << kEmpty << "https://example.org/"
                                          << "https://example.org/"
                                          << "https://example.org/";
    QTest::newRow("both kept") << kLeft << "https://example.org/" << kAddress
                               << "https://example.org/";
    QTest::newRow("both empty") << kEmpty << ""
                                << ""
                                << "";
}

void HyperLinkTest::bindingSuppliesTextAndUrl() {
    QFETCH(int, id);
    QFETCH(QString, urlBefore);
    QFETCH(QString, text);
    QFETCH(QString, url);
    CHyperLink link;
    link.SetLinkTarget(urlBefore);
    QVERIFY(link.Bind(m_dialog.get(), id));
    QCOMPARE(DialogBuilder::FindControl(m_dialog.get(), id), &link);
    QCOMPARE(link.text(), text);
    QCOMPARE(link.LinkTarget(), url);
    QCOMPARE(link.toolTip(), url);
    QCOMPARE(link.font().family(), m_dialog->font().family());
    QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(!link.IsVisited());
    QVERIFY(!link.Bind(m_dialog.get(), id));
}

void HyperLinkTest::bindingFitsTheControlToItsText_data() {
    QTest::addColumn<int>("id");
    QTest::newRow("left") << kLeft;
    QTest::newRow("centred") << kCentre;
    QTest::newRow("right") << kRight;
}

void HyperLinkTest::bindingFitsTheControlToItsText() {
    QFETCH(int, id);
    const QRect before = DialogBuilder::FindControl(m_dialog.get(), id)->geometry();
    CHyperLink link;
    QVERIFY(link.Bind(m_dialog.get(), id));
    const QFontMetrics metrics(link.font());
    const QRect after = link.geometry();
    QCOMPARE(after.top(), before.top());
    // The text's height, and room for an underline that lies below the font's descent.
    QVERIFY(after.height() >= metrics.height() && after.height() <= metrics.height() + 2);
    QVERIFY(qAbs(after.width() - metrics.horizontalAdvance(link.text())) <= 1);
    QVERIFY(after.width() < before.width());
    switch (id) {
        case kLeft:
            QCOMPARE(after.left(), before.left());
            break;
        case kCentre:
            QVERIFY(qAbs(after.center().x() - before.center().x()) <= 1);
            break;
        default:
            QCOMPARE(after.right(), before.right());
    }
}

void HyperLinkTest::setLinkTargetKeepsTheTextAndRefits() {
    CHyperLink link;
    QVERIFY(link.Bind(m_dialog.get(), kLeft));
    const QRect fitted = link.geometry();
    link.resize(300, 40);
    link.SetLinkTarget(QStringLiteral("mailto:") + kAddress);
    QCOMPARE(link.text(), QString(kAddress));
    QCOMPARE(link.toolTip(), QStringLiteral("mailto:tolvane@example.org"));
    QCOMPARE(link.geometry(), fitted);
}

void HyperLinkTest::clearFitFlagNeverMovesTheControl() {
    const QRect before = DialogBuilder::FindControl(m_dialog.get(), kCentre)->geometry();
    CHyperLink link(CHyperLink::FitMode::KeepSize);
    QVERIFY(link.Bind(m_dialog.get(), kCentre));
    QCOMPARE(link.geometry(), before);
    link.SetLinkTarget(QStringLiteral("https://example.org/a/much/longer/address"));
    QCOMPARE(link.geometry(), before);
}

void HyperLinkTest::coloursFollowHoverAndVisited() {
    CHyperLink link;
    QVERIFY(link.Bind(m_dialog.get(), kLeft));
    Show();
    const QColor hover = QApplication::palette().color(QPalette::Highlight);
    QCOMPARE(DrawnColour(&link), CHyperLink::kLinkColour);
    QVERIFY(Underlined(&link));

    MoveOnto(&link);
    QVERIFY(link.IsOver());
    QCOMPARE(DrawnColour(&link), hover);
    MoveAway();
    QVERIFY(!link.IsOver());
    QCOMPARE(DrawnColour(&link), CHyperLink::kLinkColour);

    link.MarkVisited(true);
    QCOMPARE(DrawnColour(&link), CHyperLink::kVisitedColour);
    MoveOnto(&link);
    QCOMPARE(DrawnColour(&link), hover);
    MoveAway();
    QCOMPARE(DrawnColour(&link), CHyperLink::kVisitedColour);
    link.MarkVisited(false);
    QCOMPARE(DrawnColour(&link), CHyperLink::kLinkColour);
}

void HyperLinkTest::successfulClickMarksVisited() {
    CHyperLink link;
    QVERIFY(link.Bind(m_dialog.get(), kLeft));
    link.SetLinkTarget(QStringLiteral("mailto:") + kAddress);
    Show();
    MoveOnto(&link);
    QTest::mouseClick(&link, Qt::LeftButton, {}, link.rect().center());
    QTRY_COMPARE(m_desktop->OpenerCalls(), QStringList{"mailto:tolvane@example.org"});
    QTRY_VERIFY(link.IsVisited());
    QVERIFY(link.IsOver());
    MoveAway();
    QCOMPARE(DrawnColour(&link), CHyperLink::kVisitedColour);
}

void HyperLinkTest::screenReaderSeesALinkItCanPress() {
    CHyperLink link;
    QVERIFY(link.Bind(m_dialog.get(), kLeft));
    link.SetLinkTarget(QStringLiteral("mailto:") + kAddress);
    QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(&link);
    QCOMPARE(seen->role(), QAccessible::Link);
    QCOMPARE(seen->text(QAccessible::Name), link.text());
    QAccessibleActionInterface* actions = seen->actionInterface();
    QVERIFY(actions && actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(m_desktop->OpenerCalls(), QStringList{"mailto:tolvane@example.org"});
}

void HyperLinkTest::failedClickReportsAndClearsVisited_data() {
    QTest::addColumn<int>("openerExit");
    QTest::addColumn<QByteArray>("execLine");  // the web-page handler's; empty for none
    QTest::addColumn<int>("code");
    QTest::newRow("shell fails, no handler") << 3 << QByteArray() << SE_ERR_NOASSOC;
    QTest::newRow("handler cannot start")
        << 4 << QByteArray("Exec=/no/such/folder/browser %u") << SE_ERR_PNF;
}

void HyperLinkTest::failedClickReportsAndClearsVisited() {
    QFETCH(int, openerExit);
    QFETCH(QByteArray, execLine);
    QFETCH(int, code);
    m_desktop->SetOpenerOutcome(openerExit);
    if (!execLine.isEmpty()) {
        m_desktop->InstallDesktopFile("data", "web.desktop", execLine);
        m_desktop->SetHtmlDefault("config/mimeapps.list", "web.desktop");
    }
    CHyperLink link;
    QVERIFY(link.Bind(m_dialog.get(), kLeft));
    link.MarkVisited(true);
    Show();

    QString shownText;
    QString shownTitle;
    ModalAnswerer answerer;
    answerer.handle = [&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box) {
            shownText = box->text();
            shownTitle = box->windowTitle();
        }
        modal->close();
    };
    QTest::mouseClick(&link, Qt::LeftButton, {}, link.rect().center());
    QTRY_COMPARE(shownText, LinkErrorText(code));
    QCOMPARE(shownTitle, ApplicationName());
    QVERIFY(!link.IsVisited());
    MoveAway();
    QCOMPARE(DrawnColour(&link), CHyperLink::kLinkColour);
}

QTEST_MAIN(HyperLinkTest)
#include "tst_hyperlink.moc"

#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <algorithm>
#include <memory>

#include "CAboutDlg.h"
#include "CAboutIcon.h"
#include "DialogBuilder.h"
#include "FakeDesktop.h"
#include "MainDialogTemplate.h"
#include "MessageBoxCodes.h"
#include "ModalAnswerer.h"
#include "ResourceIds.h"

using namespace tolvane;

namespace {

// The room between the dialog's right edge and the text that reaches furthest right.
int RightMargin(const QWidget* dialog) {
    int right = 0;
    for (const QLabel* label : dialog->findChildren<QLabel*>()) {
        right = std::max(right, label->x() + label->width());
    }
    return dialog->width() - right;
}

// The main window as its template builds it, with the About icon bound as the window does.
struct MainWindow {
    QDialog dialog;
    CAboutIcon icon;

    explicit MainWindow(const QString& title = QString()) {
        DialogBuilder::Build(MainDialogTemplate(), &dialog);
        if (!title.isNull()) {
            dialog.setWindowTitle(title);
        }
        bound = icon.Bind(&dialog, IDC_ABOUT_ICON);
    }
    bool bound = false;
};

}  // namespace

class AboutBoxTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { m_desktop = std::make_unique<FakeDesktop>(); }
    void cleanup() { m_desktop.reset(); }

    void boxWidensOnlyForALongLink_data();
    void boxWidensOnlyForALongLink();
    void okIsTheDefaultButtonAndEndsTheBox();
    void tabReachesALinkAndSpaceOpensIt();
    void emailLinkShowsTheBareAddressAndOpensMailto();
    void homePageLinkShowsAndOpensTheSameUrl();
    void everyShowingStartsUnvisited();

    void iconTakesThePlaceOfControl1009();
    void iconToolTipNamesTheWindow_data();
    void iconToolTipNamesTheWindow();
    void iconClickLeavesHoverThenShowsTheBox();

  private:
    std::unique_ptr<FakeDesktop> m_desktop;
};

void AboutBoxTest::boxWidensOnlyForALongLink_data() {
    QTest::addColumn<QString>("homePage");
    QTest::addColumn<bool>("widens");
    QTest::newRow("short address keeps the template's size") << "https://example.org/" << false;
    QTest::newRow("long address widens the box")
        << "file:///usr/local/share/doc/tolvane/html/tolvane-help.html" << true;
}

void AboutBoxTest::boxWidensOnlyForALongLink() {
    QFETCH(QString, homePage);
    QFETCH(bool, widens);
    const AboutCredits credits{"作者", "a@example.org", homePage.toStdString(), "譯者"};
    CAboutDlg box(nullptr, credits);
    QDialog plain;
    DialogBuilder::Build(AboutDialogTemplate(credits), &plain);
    QCOMPARE(box.HomePageLink().text(), homePage);
    QCOMPARE(box.width() > plain.width(), widens);
    QCOMPARE(box.height(), plain.height());
    // The whole link shows, with the margin the template gives its widest line (to the pixel
    // that rounding dialog units may cost).
    QVERIFY(qAbs(RightMargin(&box) - RightMargin(&plain)) <= 1);
    // OK keeps its place at the right.
    const auto* ok = DialogBuilder::FindControlAs<QPushButton>(&box, IDOK);
    const auto* plainOk = DialogBuilder::FindControlAs<QPushButton>(&plain, IDOK);
    QCOMPARE(box.width() - ok->geometry().right(), plain.width() - plainOk->geometry().right());
    QCOMPARE(ok->y(), plainOk->y());
}

void AboutBoxTest::okIsTheDefaultButtonAndEndsTheBox() {
    CAboutDlg box;
    auto* ok = DialogBuilder::FindControlAs<QPushButton>(&box, IDOK);
    QVERIFY(ok);
    QVERIFY(ok->isDefault());
    ModalAnswerer answerer;
    answerer.handle = [&box](QWidget* modal) {
        QCOMPARE(modal->focusWidget(), DialogBuilder::FindControl(modal, IDOK));
        // A click on a link leaves the keyboard focus where it was: Enter still means OK.
        QTest::mouseClick(&box.EmailLink(), Qt::LeftButton);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        modal->close();  // when Enter went elsewhere
    };
    QCOMPARE(box.exec(), int(QDialog::Accepted));
    // The click opened the link off the window's thread: let it land in this test's desktop.
    QTRY_COMPARE(m_desktop->OpenerCalls().size(), 1);
}

void AboutBoxTest::tabReachesALinkAndSpaceOpensIt() {
    CAboutDlg box;
    box.show();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    CHyperLink* link = nullptr;
    for (int i = 0; i < 3 && !link; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        link = qobject_cast<CHyperLink*>(QApplication::focusWidget());
    }
    QVERIFY(link);
    QTest::keyClick(link, Qt::Key_Space);
    QTRY_COMPARE(m_desktop->OpenerCalls(), QStringList{link->LinkTarget()});
}

void AboutBoxTest::emailLinkShowsTheBareAddressAndOpensMailto() {
    CAboutDlg box;
    const QString address = QString::fromStdString(CAboutDlg::BuildCredits().authorEmail);
    CHyperLink& link = box.EmailLink();
    QCOMPARE(link.text(), address);
    QCOMPARE(link.toolTip(), "mailto:" + address);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(&link, Qt::LeftButton, {}, link.rect().center());
    QTRY_COMPARE(m_desktop->OpenerCalls(), QStringList{"mailto:" + address});
}

void AboutBoxTest::homePageLinkShowsAndOpensTheSameUrl() {
    CAboutDlg box;
    const QString url = QString::fromStdString(CAboutDlg::BuildCredits().homePage);
    CHyperLink& link = box.HomePageLink();
    QCOMPARE(link.text(), url);
    QCOMPARE(link.LinkTarget(), url);
    QCOMPARE(link.toolTip(), url);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(&link, Qt::LeftButton, {}, link.rect().center());
    QTRY_COMPARE(m_desktop->OpenerCalls(), QStringList{url});
}

void AboutBoxTest::everyShowingStartsUnvisited() {
    {
        CAboutDlg first;
        first.show();
        QVERIFY(QTest::qWaitForWindowExposed(&first));
        QTest::mouseClick(&first.HomePageLink(), Qt::LeftButton);
        QTRY_VERIFY(first.HomePageLink().IsVisited());
    }
    CAboutDlg second;
    QVERIFY(!second.HomePageLink().IsVisited());
    QVERIFY(!second.EmailLink().IsVisited());
    QCOMPARE(second.HomePageLink().TextColour(), CHyperLink::kLinkColour);
}

void AboutBoxTest::iconTakesThePlaceOfControl1009() {
    QDialog plain;
    DialogBuilder::Build(MainDialogTemplate(), &plain);
    const auto* original = DialogBuilder::FindControlAs<QLabel>(&plain, IDC_ABOUT_ICON);
    const QRect geometry = original->geometry();
    const QImage picture = original->pixmap().toImage();

    MainWindow window;
    QVERIFY(window.bound);
    QCOMPARE(DialogBuilder::FindControl(&window.dialog, IDC_ABOUT_ICON), &window.icon);
    QCOMPARE(window.icon.geometry(), geometry);
    QVERIFY(!picture.isNull());
    QCOMPARE(window.icon.pixmap().toImage(), picture);
    QCOMPARE(window.icon.cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(!window.icon.Bind(&window.dialog, IDC_ABOUT_ICON));
}

void AboutBoxTest::iconToolTipNamesTheWindow_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("toolTip");
    const QString long79 = QString(70, 'x') + "123456789";
    QTest::newRow("empty") << ""
                           << "About ";
    QTest::newRow("79 characters kept") << long79 << "About " + long79;
    QTest::newRow("80 cut to 79") << long79 + "Z"
                                  << "About " + long79;
    QTest::newRow("no half character") << QString(78, 'x') + "😀"
                                       << "About " + QString(78, 'x');
}

void AboutBoxTest::iconToolTipNamesTheWindow() {
    QFETCH(QString, title);
    QFETCH(QString, toolTip);
    MainWindow window(title);
    QCOMPARE(window.icon.toolTip(), toolTip);
}

void AboutBoxTest::iconClickLeavesHoverThenShowsTheBox() {
    MainWindow window;
    window.dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window.dialog));
    CAboutIcon& icon = window.icon;
    QTest::mouseMove(&icon, icon.rect().center());
    QVERIFY(icon.IsOver());

    bool hoveredWhileShown = true;
    QWidget* owner = nullptr;
    ModalAnswerer answerer;
    answerer.handle = [&](QWidget* modal) {
        hoveredWhileShown = icon.IsOver();
        owner = modal->parentWidget();
        QVERIFY(qobject_cast<CAboutDlg*>(modal));
        modal->close();
    };
    QTest::mouseClick(&icon, Qt::LeftButton, {}, icon.rect().center());
    QVERIFY(!hoveredWhileShown);
    QCOMPARE(owner, &window.dialog);

    QTest::mouseMove(&icon, icon.rect().center() + QPoint(1, 1));
    QVERIFY(icon.IsOver());
}

QTEST_MAIN(AboutBoxTest)
#include "tst_aboutbox.moc"

#include <QLabel>
#include <QPushButton>
#include <QtTest>
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

QRect Pixels(int x, int y, int width, int height) {
    return DialogBuilder::ToPixels({x, y, width, height}, QSize(6, 12));
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
    QTest::addColumn<int>("width");  // 0: wide enough for the link
    QTest::newRow("short address keeps the template's size") << "https://example.org/" << 273;
    QTest::newRow("long address widens the box")
        << "file:///usr/local/share/doc/tolvane/html/tolvane-help.html" << 0;
}

void AboutBoxTest::boxWidensOnlyForALongLink() {
    QFETCH(QString, homePage);
    QFETCH(int, width);
    CAboutDlg box(nullptr, {"作者", "a@example.org", homePage.toStdString(), "譯者"});
    QCOMPARE(box.HomePageLink().text(), homePage);
    const QRect link = box.HomePageLink().geometry();
    const auto* ok = DialogBuilder::FindControlAs<QPushButton>(&box, IDOK);
    if (width > 0) {
        QCOMPARE(box.size(), QSize(width, 122));
    } else {
        QCOMPARE(box.width(), link.x() + link.width() + Pixels(0, 0, 8, 0).width());
    }
    QCOMPARE(box.width() - ok->geometry().right(), 273 - Pixels(140, 60, 32, 14).right());
    QCOMPARE(ok->y(), Pixels(140, 60, 32, 14).y());
}

void AboutBoxTest::okIsTheDefaultButtonAndEndsTheBox() {
    CAboutDlg box;
    auto* ok = DialogBuilder::FindControlAs<QPushButton>(&box, IDOK);
    QVERIFY(ok);
    QCOMPARE(ok->text(), QStringLiteral("確定"));
    QCOMPARE(ok->size(), Pixels(140, 60, 32, 14).size());
    QCOMPARE(ok->y(), Pixels(140, 60, 32, 14).y());
    QVERIFY(ok->isDefault());
    ModalAnswerer answerer;
    answerer.handle = [](QWidget* modal) {
        QCOMPARE(modal->focusWidget(), DialogBuilder::FindControl(modal, IDOK));
        QTest::keyClick(modal, Qt::Key_Return);
    };
    QCOMPARE(box.exec(), int(QDialog::Accepted));
}

void AboutBoxTest::emailLinkShowsTheBareAddressAndOpensMailto() {
    CAboutDlg box;
    const QString address = QString::fromStdString(CAboutDlg::BuildCredits().authorEmail);
    CHyperLink& link = box.EmailLink();
    QCOMPARE(DialogBuilder::FindControl(&box, IDC_EMAIL_LINK), &link);
    QCOMPARE(link.text(), address);
    QCOMPARE(link.toolTip(), "mailto:" + address);
    QVERIFY(link.font().underline());
    QCOMPARE(link.geometry().topLeft(), Pixels(71, 30, 0, 0).topLeft());
    QCOMPARE(link.width(), QFontMetrics(link.font()).horizontalAdvance(address));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(&link, Qt::LeftButton, {}, link.rect().center());
    QTRY_COMPARE(m_desktop->OpenerCalls(), QStringList{"mailto:" + address});
    QTRY_VERIFY(link.IsVisited());
}

void AboutBoxTest::homePageLinkShowsAndOpensTheSameUrl() {
    CAboutDlg box;
    const QString url = QString::fromStdString(CAboutDlg::BuildCredits().homePage);
    CHyperLink& link = box.HomePageLink();
    QCOMPARE(DialogBuilder::FindControl(&box, IDC_HOMEPAGE_LINK), &link);
    QCOMPARE(link.text(), url);
    QCOMPARE(link.LinkTarget(), url);
    QCOMPARE(link.toolTip(), url);
    QCOMPARE(link.geometry().topLeft(), Pixels(71, 40, 0, 0).topLeft());
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
    QCOMPARE(window.icon.toolTip(), QStringLiteral("About Tolvane"));
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
    QTest::newRow("Chinese") << "更新 Tolvane"
                             << "About 更新 Tolvane";
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
    QString caption;
    ModalAnswerer answerer;
    answerer.handle = [&](QWidget* modal) {
        hoveredWhileShown = icon.IsOver();
        owner = modal->parentWidget();
        caption = modal->windowTitle();
        QVERIFY(qobject_cast<CAboutDlg*>(modal));
        modal->close();
    };
    QTest::mouseClick(&icon, Qt::LeftButton, {}, icon.rect().center());
    QVERIFY(!hoveredWhileShown);
    QCOMPARE(owner, &window.dialog);
    QVERIFY(caption.startsWith(QStringLiteral("關於Tolvane")));

    QTest::mouseMove(&icon, icon.rect().center() + QPoint(1, 1));
    QVERIFY(icon.IsOver());
}

QTEST_MAIN(AboutBoxTest)
#include "tst_aboutbox.moc"

#include <QAccessible>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "DialogBuilder.h"
#include "MainDialogTemplate.h"
#include "ResourceIds.h"

using namespace tolvane;

namespace {

// A small template with one control of every kind, in the main window's font.
DialogTemplate EveryKindTemplate() {
    using namespace ControlStyle;
    DialogTemplate dialog;
    dialog.caption = "Kinds";
    dialog.width = 100;
    dialog.height = 80;
    dialog.font = MainDialogTemplate().font;
    dialog.style = DialogStyle::SystemMenu;
    dialog.controls = {
        {10, ControlKind::StaticText, "label", {4, 4, 40, 8}, SunkenEdge},
        {11, ControlKind::PushButton, "button", {4, 16, 40, 14}, TabStop},
        {12, ControlKind::CheckBox, "disabled", {4, 32, 40, 10}, TabStop | Disabled},
        {13, ControlKind::Edit, "edit", {4, 44, 40, 12}, TabStop},
        {14, ControlKind::CheckBox, "check", {50, 32, 40, 10}, TabStop},
        {15, ControlKind::PushButton, "no tab", {50, 16, 40, 14}, None},
        {16, ControlKind::GroupBox, "frame", {2, 12, 96, 50}, None},
        {17, ControlKind::StaticIcon, std::to_string(IDR_MAINFRAME), {70, 60, 20, 20}, None},
    };
    return dialog;
}

// The widgets that Tab visits from the focused one, in order, until it comes back.
QList<QWidget*> TabCycle(QDialog& dialog) {
    QList<QWidget*> cycle;
    QWidget* start = dialog.focusWidget();
    for (int step = 0; step < 20; ++step) {
        cycle << QApplication::focusWidget();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (QApplication::focusWidget() == start) {
            break;
        }
    }
    return cycle;
}

}  // namespace

class DialogBuilderTest : public QObject {
    Q_OBJECT

  private slots:
    void dialogFontHasSixByTwelveBaseUnits();
    void toPixels_data();
    void toPixels();
    void mainWindowIsAFixedSizeAppWindow();
    void fontCoversEveryTemplateText();
    void buildsEveryKindWithItsIdAndGeometry();
    void tabOrderFollowsTheTemplateAndSkipsDisabled();
    void groupBoxNeverCoversTheControlsItFrames();
};

void DialogBuilderTest::dialogFontHasSixByTwelveBaseUnits() {
    const QFont font = DialogBuilder::MakeFont(MainDialogTemplate().font);
    QCOMPARE(DialogBuilder::BaseUnits(font), QSize(6, 12));
}

void DialogBuilderTest::toPixels_data() {
    QTest::addColumn<QSize>("units");
    QTest::addColumn<QRect>("dialogUnits");
    QTest::addColumn<QRect>("pixels");
    QTest::newRow("half rounds up") << QSize(6, 12) << QRect(1, 1, 1, 1) << QRect(2, 2, 2, 2);
    QTest::newRow("quarter rounds down") << QSize(5, 10) << QRect(1, 1, 1, 1) << QRect(1, 1, 1, 1);
    QTest::newRow("larger font") << QSize(8, 16) << QRect(14, 27, 148, 10)
                                 << QRect(28, 54, 296, 20);
    QTest::newRow("negative") << QSize(6, 12) << QRect(-3, -3, 0, 0) << QRect(-5, -5, 0, 0);
}

void DialogBuilderTest::toPixels() {
    QFETCH(QSize, units);
    QFETCH(QRect, dialogUnits);
    QFETCH(QRect, pixels);
    const DialogRect rect{dialogUnits.x(), dialogUnits.y(), dialogUnits.width(),
                          dialogUnits.height()};
    QCOMPARE(DialogBuilder::ToPixels(rect, units), pixels);
}

void DialogBuilderTest::mainWindowIsAFixedSizeAppWindow() {
    QDialog dialog;
    DialogBuilder::Build(MainDialogTemplate(), &dialog);
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    // Its own taskbar entry, a minimise box and no maximise box.
    QCOMPARE(dialog.windowType(), Qt::Window);
    QVERIFY(dialog.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
}

void DialogBuilderTest::fontCoversEveryTemplateText() {
    const QFontMetrics metrics(DialogBuilder::MakeFont(MainDialogTemplate().font));
    for (const ControlTemplate& control : MainDialogTemplate().controls) {
        if (control.kind == ControlKind::StaticIcon) {
            continue;
        }
        for (const char32_t character : QString::fromStdString(control.text).toUcs4()) {
            QVERIFY2(metrics.inFontUcs4(character),
                     qPrintable(QStringLiteral("no glyph for U+%1").arg(character, 4, 16)));
        }
    }
}

void DialogBuilderTest::buildsEveryKindWithItsIdAndGeometry() {
    QDialog dialog;
    DialogBuilder::Build(EveryKindTemplate(), &dialog);
    QCOMPARE(dialog.size(), QSize(150, 120));

    auto* label = DialogBuilder::FindControlAs<QLabel>(&dialog, 10);
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("label"));
    QCOMPARE(label->geometry(), QRect(6, 6, 60, 12));
    QCOMPARE(label->frameShadow(), QFrame::Sunken);
    QVERIFY(DialogBuilder::FindControlAs<QPushButton>(&dialog, 11));
    QVERIFY(!DialogBuilder::FindControlAs<QPushButton>(&dialog, 11)->autoDefault());
    QVERIFY(!DialogBuilder::FindControlAs<QCheckBox>(&dialog, 12)->isEnabled());
    QCOMPARE(DialogBuilder::FindControlAs<QLineEdit>(&dialog, 13)->text(), QStringLiteral("edit"));
    QCOMPARE(DialogBuilder::FindControlAs<QGroupBox>(&dialog, 16)->title(),
             QStringLiteral("frame"));
    QCOMPARE(DialogBuilder::FindControl(&dialog, 16)->property(DialogBuilder::kControlIdProperty),
             QVariant(16));

    // An icon control takes the icon's size at the template's position.
    auto* icon = DialogBuilder::FindControlAs<QLabel>(&dialog, 17);
    QVERIFY(icon);
    QVERIFY(!icon->pixmap().isNull());
    QCOMPARE(icon->geometry(), QRect(105, 90, 32, 32));

    QVERIFY(!DialogBuilder::FindControl(&dialog, 99));
}

void DialogBuilderTest::tabOrderFollowsTheTemplateAndSkipsDisabled() {
    QDialog dialog;
    DialogBuilder::Build(EveryKindTemplate(), &dialog);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(dialog.focusWidget(), DialogBuilder::FindControl(&dialog, 11));
    const QList<QWidget*> expected{DialogBuilder::FindControl(&dialog, 11),
                                   DialogBuilder::FindControl(&dialog, 13),
                                   DialogBuilder::FindControl(&dialog, 14)};
    QCOMPARE(TabCycle(dialog), expected);
}

void DialogBuilderTest::groupBoxNeverCoversTheControlsItFrames() {
    QDialog dialog;
    DialogBuilder::Build(EveryKindTemplate(), &dialog);
    // The widget under a point is the one that gets the mouse there.
    for (const int id : {11, 14, 15}) {
        QWidget* control = DialogBuilder::FindControl(&dialog, id);
        QCOMPARE(dialog.childAt(control->geometry().center()), control);
    }
    // A screen reader steps through the controls as they are read, not in template order.
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&dialog);
    QList<int> readingOrder;
    for (int i = 0; i < window->childCount(); ++i) {
        readingOrder
            << window->child(i)->object()->property(DialogBuilder::kControlIdProperty).toInt();
    }
    QCOMPARE(readingOrder, (QList<int>{10, 16, 11, 15, 12, 14, 13, 17}));
}

QTEST_MAIN(DialogBuilderTest)
#include "tst_dialogbuilder.moc"

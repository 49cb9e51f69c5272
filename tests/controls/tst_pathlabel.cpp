#include <QDialog>
#include <QLabel>
#include <QPainter>
#include <QtTest>

#include "CPathLabel.h"
#include "DialogBuilder.h"
#include "MainDialogTemplate.h"
#include "ResourceIds.h"

using namespace tolvane;

namespace {

constexpr unsigned kLabelFormat = DT_NOPREFIX | DT_VCENTER;
const QString kLongPath =
    QStringLiteral("/home/someone/Documents/Projects/2024/annual report drafts/final/");

// The main window's template with its source path bound to a label, as the window does it.
class LabelFixture {
public:
    LabelFixture() : label(kLabelFormat, false) {
        DialogBuilder::Build(MainDialogTemplate(), &dialog);
        control = DialogBuilder::FindControlAs<QLabel>(&dialog, IDC_SOURCE_PATH);
        control->setText(QString());
        label.SubclassDlgItem(IDC_SOURCE_PATH, &dialog);
        label.m_bPathEllipsis = true;
        dialog.show();
    }

    // The control's inside as painted, without its edge.
    QImage Inside() const { return control->grab(control->contentsRect()).toImage(); }
    QColor ButtonFace() const { return control->palette().color(QPalette::Button); }

    QDialog dialog;
    QLabel* control = nullptr;
    CPathLabel label;
};

// How many pixels of image differ from colour.
int PixelsOtherThan(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixelColor(x, y) != colour;
        }
    }
    return count;
}

}  // namespace

class PathLabelTest : public QObject {
    Q_OBJECT

private slots:
    void longPathKeepsItsBeginningAndLastSeparator();
    void ampersandIsShownAsItself();
    void emptyTextLeavesAnEmptyButtonFaceField();
    void newTextRepaintsTheWholeField();
};

void PathLabelTest::longPathKeepsItsBeginningAndLastSeparator() {
    LabelFixture fixture;
    fixture.control->setText(kLongPath);
    const QString shown = fixture.label.DisplayedText();
    QVERIFY(shown.endsWith(QStringLiteral(".../")));
    QVERIFY(kLongPath.startsWith(shown.chopped(4)));
    QVERIFY(shown.size() > 20);
    // Only the drawing is shortened: the control's text stays the full path.
    QCoreApplication::processEvents();
    QCOMPARE(fixture.control->text(), kLongPath);
    // The text reaches the field's right part only because it was shortened to fit.
    QVERIFY(PixelsOtherThan(fixture.Inside(), fixture.ButtonFace()) > 0);
}

void PathLabelTest::ampersandIsShownAsItself() {
    LabelFixture fixture;
    fixture.control->setText(QStringLiteral("/tmp/R&D/"));
    QCOMPARE(fixture.label.DisplayedText(), QStringLiteral("/tmp/R&D/"));
    // Drawn without mnemonics, the text looks as plain drawing of the same text does.
    const QImage painted = fixture.Inside();
    QImage expected(painted.size(), painted.format());
    expected.fill(fixture.ButtonFace());
    QPainter painter(&expected);
    painter.setFont(fixture.dialog.font());
    painter.setPen(fixture.control->palette().color(QPalette::WindowText));
    painter.drawText(expected.rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     QStringLiteral("/tmp/R&D/"));
    painter.end();
    QCOMPARE(painted, expected);
}

void PathLabelTest::emptyTextLeavesAnEmptyButtonFaceField() {
    LabelFixture fixture;
    QCOMPARE(PixelsOtherThan(fixture.Inside(), fixture.ButtonFace()), 0);
}

void PathLabelTest::newTextRepaintsTheWholeField() {
    LabelFixture fixture;
    fixture.control->setText(kLongPath);
    QVERIFY(QTest::qWaitForWindowExposed(&fixture.dialog));
    const QImage longText = fixture.Inside();
    fixture.control->setText(QStringLiteral("/a/"));
    const QImage shortText = fixture.Inside();
    // Right of the short text nothing of the long one is left.
    const QRect rightPart(40, 0, shortText.width() - 40, shortText.height());
    QVERIFY(PixelsOtherThan(longText.copy(rightPart), fixture.ButtonFace()) > 0);
    QCOMPARE(PixelsOtherThan(shortText.copy(rightPart), fixture.ButtonFace()), 0);
}

QTEST_MAIN(PathLabelTest)
#include "tst_pathlabel.moc"

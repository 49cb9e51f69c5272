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

const QString kLongPath =
    QStringLiteral("/home/someone/Documents/Projects/2024/annual report drafts/final/");

// The main window's template with its source path bound to a label, as the window does it.
class LabelFixture {
  public:
    LabelFixture() {
        DialogBuilder::Build(MainDialogTemplate(), &dialog);
        label.Bind(&dialog, IDC_SOURCE_PATH);
        dialog.show();
    }

    // The label's inside as painted, without its edge.
    QImage Inside() { return label.grab(label.contentsRect()).toImage(); }
    QColor ButtonFace() const { return label.palette().color(QPalette::Button); }

    QDialog dialog;
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
};

void PathLabelTest::longPathKeepsItsBeginningAndLastSeparator() {
    LabelFixture fixture;
    QLabel* control = DialogBuilder::FindControlAs<QLabel>(&fixture.dialog, IDC_SOURCE_PATH);
    QCOMPARE(control, static_cast<QLabel*>(&fixture.label));
    control->setText(kLongPath);  // as the window's data exchange does
    const QString shown = fixture.label.elidedText();
    QVERIFY(shown.endsWith(QStringLiteral(".../")));
    QVERIFY(kLongPath.startsWith(shown.chopped(4)));
    QVERIFY(shown.size() > 20);
    QVERIFY(PixelsOtherThan(fixture.Inside(), fixture.ButtonFace()) > 0);
    // Only the drawing is shortened: the text, the tool tip and the name that screen readers
    // announce are the whole path.
    QCOMPARE(fixture.label.text(), kLongPath);
    QCOMPARE(fixture.label.toolTip(), kLongPath);
    QCOMPARE(fixture.label.accessibleName(), kLongPath);
}

void PathLabelTest::ampersandIsShownAsItself() {
    LabelFixture fixture;
    fixture.label.setText(QStringLiteral("/tmp/R&D/"));
    QCOMPARE(fixture.label.elidedText(), QStringLiteral("/tmp/R&D/"));
    // Drawn without mnemonics, the text looks as plain drawing of the same text does.
    const QImage painted = fixture.Inside();
    QImage expected(painted.size(), painted.format());
    expected.fill(fixture.ButtonFace());
    QPainter painter(&expected);
    painter.setFont(fixture.dialog.font());
    painter.setPen(fixture.label.palette().color(QPalette::WindowText));
    painter.drawText(expected.rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     QStringLiteral("/tmp/R&D/"));
    painter.end();
    QCOMPARE(painted, expected);
}

QTEST_MAIN(PathLabelTest)
#include "tst_pathlabel.moc"

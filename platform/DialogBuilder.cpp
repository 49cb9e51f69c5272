#include "DialogBuilder.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QStyle>
#include <QStyleFactory>
#include <algorithm>
#include <utility>

#include "IconResource.h"

namespace tolvane {

namespace {

// a * b / c rounded to the nearest integer, halves away from zero, as the desktop's MulDiv.
int MulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

QString ObjectNameFor(int id) {
    return QStringLiteral("control%1").arg(id);
}

Qt::Alignment TextAlignment(unsigned style) {
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (style & ControlStyle::AlignCenter) {
        horizontal = Qt::AlignHCenter;
    } else if (style & ControlStyle::AlignRight) {
        horizontal = Qt::AlignRight;
    }
    // Static text starts at the top of its rectangle.
    return horizontal | Qt::AlignTop;
}

Qt::WindowFlags WindowFlagsFor(unsigned style) {
    Qt::WindowFlags flags = (style & DialogStyle::AppWindow) ? Qt::Window : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (style & DialogStyle::SystemMenu) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    if (style & DialogStyle::MinimizeBox) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    if (style & DialogStyle::MaximizeBox) {
        flags |= Qt::WindowMaximizeButtonHint;
    }
    return flags;
}

// The classic style draws a group box's frame through the middle of its title, with the
// frame's top edge half a line below the rectangle's top, as the templates' layouts expect;
// other styles put the frame under the title and run it into the controls. Null when the
// style is not available.
QStyle* GroupBoxStyle() {
    static QStyle* const style = [] {
        QStyle* classic = QStyleFactory::create(QStringLiteral("Windows"));
        if (classic) {
            classic->setParent(qApp);
        }
        return classic;
    }();
    return style;
}

}  // namespace

QFont DialogBuilder::MakeFont(const DialogFont& font) {
    QStringList families;
    for (const std::string& family : font.families) {
        families << QString::fromStdString(family);
    }
    QFont result;
    result.setFamilies(families);
    result.setPointSize(font.pointSize);
    result.setWeight(static_cast<QFont::Weight>(font.weight));
    result.setItalic(font.italic);
    return result;
}

QSize DialogBuilder::BaseUnits(const QFont& font) {
    static const QString kLetters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetrics metrics(font);
    const int averageWidth = (metrics.horizontalAdvance(kLetters) / 26 + 1) / 2;
    return {averageWidth, metrics.height()};
}

QRect DialogBuilder::ToPixels(const DialogRect& rect, QSize baseUnits) {
    const int unitX = baseUnits.width();
    const int unitY = baseUnits.height();
    return {MulDiv(rect.x, unitX, 4), MulDiv(rect.y, unitY, 8), MulDiv(rect.width, unitX, 4),
            MulDiv(rect.height, unitY, 8)};
}

void DialogBuilder::Build(const DialogTemplate& dialogTemplate, QDialog* dialog) {
    dialog->setWindowFlags(WindowFlagsFor(dialogTemplate.style));
    const auto translate = [&dialogTemplate](const std::string& text) {
        return Translate(dialogTemplate.translationContext, text);
    };
    dialog->setWindowTitle(translate(dialogTemplate.caption));
    const QFont font = MakeFont(dialogTemplate.font);
    dialog->setFont(font);
    const QSize units = BaseUnits(font);
    dialog->setFixedSize(
        ToPixels({0, 0, dialogTemplate.width, dialogTemplate.height}, units).size());

    QWidget* firstTabStop = nullptr;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = CreateControl(control, translate(control.text), dialog);
        const QRect pixels = ToPixels(control.rect, units);
        if (control.kind == ControlKind::StaticIcon) {
            // An icon control takes the size of its icon, whatever the template says.
            widget->move(pixels.topLeft());
        } else {
            widget->setGeometry(pixels);
        }
        if (control.id >= 0) {
            widget->setObjectName(ObjectNameFor(control.id));
        }
        widget->setProperty(kControlIdProperty, control.id);
        widget->setEnabled(!(control.style & ControlStyle::Disabled));
        if (!control.accessibleName.empty()) {
            widget->setAccessibleName(translate(control.accessibleName));
        }
        if (!control.accessibleDescription.empty()) {
            widget->setAccessibleDescription(translate(control.accessibleDescription));
        }
        ApplyFocusPolicy(control, widget);
        if (!firstTabStop && (control.style & ControlStyle::TabStop) && widget->isEnabled()) {
            firstTabStop = widget;
        }
    }
    StackInReadingOrder(dialog);
    if (firstTabStop) {
        firstTabStop->setFocus();
    }
}

void DialogBuilder::StackInReadingOrder(QDialog* dialog) {
    // A group box counts from its top edge, which lies above everything it frames; any other
    // control from its middle, so that a label and the button beside it form one line.
    const auto readingLine = [](const QWidget* widget) {
        const QRect rect = widget->geometry();
        return qobject_cast<const QGroupBox*>(widget) ? rect.top() : rect.center().y();
    };
    QList<QWidget*> controls = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    std::stable_sort(controls.begin(), controls.end(), [&](const QWidget* a, const QWidget* b) {
        return std::pair(readingLine(a), a->x()) < std::pair(readingLine(b), b->x());
    });
    for (QWidget* control : controls) {
        control->raise();
    }
}

QWidget* DialogBuilder::FindControl(const QWidget* dialog, int id) {
    return dialog->findChild<QWidget*>(ObjectNameFor(id), Qt::FindDirectChildrenOnly);
}

QString DialogBuilder::Translate(const std::string& context, const std::string& text) {
    if (context.empty() || text.empty()) {
        return QString::fromStdString(text);
    }
    return QCoreApplication::translate(context.c_str(), text.c_str());
}

QWidget* DialogBuilder::CreateControl(const ControlTemplate& control, const QString& text,
                                      QWidget* parent) {
    switch (control.kind) {
        case ControlKind::StaticText:
            return CreateStaticText(control, text, parent);
        case ControlKind::StaticIcon:
            return CreateStaticIcon(control, parent);
        case ControlKind::PushButton: {
            auto* button = new QPushButton(text, parent);
            // Enter is handled by the dialog; no button becomes the default by taking focus.
            button->setAutoDefault(false);
            button->setDefault(false);
            return button;
        }
        case ControlKind::CheckBox:
            return new QCheckBox(text, parent);
        case ControlKind::GroupBox: {
            auto* groupBox = new QGroupBox(text, parent);
            if (QStyle* style = GroupBoxStyle()) {
                groupBox->setStyle(style);
            }
            return groupBox;
        }
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(text, parent);
            edit->setReadOnly(control.style & ControlStyle::ReadOnly);
            return edit;
        }
    }
    return new QWidget(parent);
}

QWidget* DialogBuilder::CreateStaticText(const ControlTemplate& control, const QString& text,
                                         QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(TextAlignment(control.style));
    label->setWordWrap(!(control.style & ControlStyle::NoWordWrap));
    label->setIndent(0);
    label->setMargin(0);
    if (control.style & ControlStyle::SunkenEdge) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setLineWidth(1);
    }
    return label;
}

QWidget* DialogBuilder::CreateStaticIcon(const ControlTemplate& control, QWidget* parent) {
    auto* label = new QLabel(parent);
    const QPixmap pixmap = IconResource::LoadPixmap(QString::fromStdString(control.text).toInt());
    label->setPixmap(pixmap);
    label->resize(pixmap.isNull() ? QSize(kStandardIconSize, kStandardIconSize) : pixmap.size());
    return label;
}

void DialogBuilder::ApplyFocusPolicy(const ControlTemplate& control, QWidget* widget) {
    const bool canTakeFocus = control.kind == ControlKind::PushButton ||
                              control.kind == ControlKind::CheckBox ||
                              control.kind == ControlKind::Edit;
    if (!canTakeFocus) {
        widget->setFocusPolicy(Qt::NoFocus);
    } else if (control.style & ControlStyle::TabStop) {
        widget->setFocusPolicy(Qt::StrongFocus);
    } else {
        widget->setFocusPolicy(Qt::ClickFocus);
    }
}

}  // namespace tolvane

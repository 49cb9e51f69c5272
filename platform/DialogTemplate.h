#pragma once

#include <string>
#include <vector>

namespace tolvane {

// The kinds of control a dialog template can hold.
enum class ControlKind {
    StaticText,  // a label
    StaticIcon,  // a label showing an icon resource; text holds the icon's number
    PushButton,
    CheckBox,  // an automatic check box
    GroupBox,  // a frame with a title, drawn behind the controls it frames
    Edit,      // a single-line text field
};

// Style and state bits of one control.
namespace ControlStyle {
inline constexpr unsigned None = 0;
inline constexpr unsigned TabStop = 1u << 0;      // the Tab key stops here
inline constexpr unsigned Group = 1u << 1;        // starts a group of controls
inline constexpr unsigned Disabled = 1u << 2;     // created disabled
inline constexpr unsigned SunkenEdge = 1u << 3;   // a one-pixel sunken border
inline constexpr unsigned NoWordWrap = 1u << 4;   // static text on one line, clipped
inline constexpr unsigned AlignCenter = 1u << 5;  // static text centred
inline constexpr unsigned AlignRight = 1u << 6;   // static text right-aligned
inline constexpr unsigned ReadOnly = 1u << 7;     // edit field that cannot be changed
}  // namespace ControlStyle

// Style bits of the dialog window itself.
namespace DialogStyle {
inline constexpr unsigned None = 0;
inline constexpr unsigned SystemMenu = 1u << 0;   // a close box
inline constexpr unsigned MinimizeBox = 1u << 1;  // a minimise box
inline constexpr unsigned MaximizeBox = 1u << 2;  // a maximise box
inline constexpr unsigned AppWindow = 1u << 3;    // an ordinary top-level window with its own
                                                  // taskbar entry, not a transient dialog
}  // namespace DialogStyle

// A rectangle in dialog units.
struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The dialog font: the first family that is installed is used. Texts are UTF-8.
struct DialogFont {
    std::vector<std::string> families;
    int pointSize = 9;
    int weight = 400;  // 400 normal, 700 bold
    bool italic = false;
};

// One control. id is -1 for controls that nothing looks up. A control without a text of its
// own (an icon, a "..." button) names itself to screen readers with accessibleName and says
// what it does with accessibleDescription.
struct ControlTemplate {
    int id = -1;
    ControlKind kind = ControlKind::StaticText;
    std::string text;  // UTF-8
    DialogRect rect;
    unsigned style = ControlStyle::None;
    std::string accessibleName = {};
    std::string accessibleDescription = {};
};

// A dialog described as data: caption, client size in dialog units, font, style and the
// controls in creation order, which is also the tab order. The caption and the texts are the
// source texts of the translations in translationContext.
struct DialogTemplate {
    int id = 0;
    std::string translationContext;
    std::string caption;  // UTF-8
    int width = 0;        // dialog units
    int height = 0;       // dialog units
    DialogFont font;
    unsigned style = DialogStyle::None;
    std::vector<ControlTemplate> controls;
};

}  // namespace tolvane

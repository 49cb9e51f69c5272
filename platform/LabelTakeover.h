#pragma once

class QLabel;
class QWidget;

namespace tolvane {

// Puts replacement in the place of the label with controlId among dialog's controls, the way a
// control of a dialog template is bound to a class of its own: it takes the label's parent,
// id, geometry, text or picture, font, alignment, visibility and stacking place, and the
// template's label is deleted. Returns false, changing nothing, when dialog holds no such label.
bool TakeOverLabel(QLabel* replacement, QWidget* dialog, int controlId);

}  // namespace tolvane

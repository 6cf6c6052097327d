#pragma once
// What the accessibility bridge (and so a screen reader or an automation tool) is told about our controls beyond
// what Qt tells it by itself:
// - a titled group inside another group is announced by its own title, not by the outer group's (Qt links every
//   control inside a titled group to that group as its label, nested groups included);
// - a drop-down list can be captioned by a control that is not a label, such as the check box of a criterion: Qt
//   names a drop-down on Linux by its current entry and links it only to a label whose buddy it is, so without
//   this a list holding a value is announced as that value alone.

class QComboBox;
class QWidget;

namespace qv {

// Installs the above once; the program does it at start-up, before it creates its windows.
void installAccessibility();

// The list is announced by its caption and its own accessible name, then its value. Set before the list is shown.
void setListCaption(QComboBox* list, QWidget* caption);

} // namespace qv

#pragma once
// Typing whole numbers into a cell or a box: digits with an optional leading minus, and only numbers that an
// integer column can hold. A number beyond that range is refused as it is typed or pasted, with a clear message
// shown once the keystroke is over, never from inside the editor that is handling it (a grid closes its cell
// editor when a box takes the focus).

class QLineEdit;

namespace qv {

void acceptWholeNumbersOnly(QLineEdit* box);

} // namespace qv

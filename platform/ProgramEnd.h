#pragma once
// Any command may ask the program to end; the request takes effect at the event loop's next turn, also when it
// was made before the loop started.

namespace qv {

void requestProgramEnd();
bool programEndRequested();
void resetProgramEndRequest(); // tests only

} // namespace qv

#include "run_state.h"

ArgTable argTable{};
bool commandLineHeld = true;
char workLine[kWorkLineCapacity]{};

#include "run_state.h"

char commandLineCopy[kCommandLineCapacity]{};
ArgTable argTable{};
bool commandLineHeld = true;
char workLine[kWorkLineCapacity]{};

#include "run_state.h"

ArgTable argTable{};
char workLine[kWorkLineCapacity]{};

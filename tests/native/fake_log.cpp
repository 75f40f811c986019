#include "fakes.h"

#include "diag/log.h"

std::string capturedLog;

void writeLog(std::string_view text) {
    capturedLog.append(text);
}

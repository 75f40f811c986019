// A registry with no key, for programs that only read a settings record: linking the log's
// settings dump brings in the settings store, and with it these three.
#include "settings/registry.h"

bool readValue(const char*, void*, uint32_t, uint32_t*) {
    return false;
}

bool writeStringValue(const char*, const char*) {
    return false;
}

bool writeDwordValue(const char*, int32_t) {
    return false;
}

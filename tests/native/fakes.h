// Stand-ins for the platform side of the log and the registry, so that the logic above
// them runs on the host.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Everything writeLog received since the last clear.
extern std::string capturedLog;

enum class FakeType { Sz, Dword, Binary };

struct FakeValue {
    FakeType type;
    std::vector<uint8_t> data;
};

// The values under Software\KVX; no entry for the key means it does not exist.
struct FakeRegistry {
    bool keyExists = false;
    std::map<std::string, FakeValue> values;
    std::vector<std::string> writes; // value names, in the order they were written
};

extern FakeRegistry fakeRegistry;

void resetFakes();

#include "fakes.h"

#include "settings/registry.h"
#include "settings/settings.h"

#include <cstring>

FakeRegistry fakeRegistry;

void resetFakes() {
    capturedLog.clear();
    fakeRegistry = FakeRegistry{};
    settings = SettingsRecord{};
}

// Behaves like RegQueryValueExA: data larger than the buffer fails the read.
bool readValue(const char* name, void* destination, uint32_t capacity, uint32_t* bytesReturned) {
    if (!fakeRegistry.keyExists) {
        return false;
    }
    auto found = fakeRegistry.values.find(name);
    if (found == fakeRegistry.values.end() || found->second.data.size() > capacity) {
        return false;
    }
    const std::vector<uint8_t>& data = found->second.data;
    std::memcpy(destination, data.data(), data.size());
    if (bytesReturned != nullptr) {
        *bytesReturned = static_cast<uint32_t>(data.size());
    }
    return true;
}

bool writeStringValue(const char* name, const char* text) {
    fakeRegistry.keyExists = true;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text);
    fakeRegistry.values[name] = {FakeType::Sz, {bytes, bytes + std::strlen(text) + 1}};
    fakeRegistry.writes.emplace_back(name);
    return true;
}

bool writeDwordValue(const char* name, int32_t value) {
    fakeRegistry.keyExists = true;
    const auto* bytes = reinterpret_cast<const uint8_t*>(&value);
    fakeRegistry.values[name] = {FakeType::Dword, {bytes, bytes + sizeof value}};
    fakeRegistry.writes.emplace_back(name);
    return true;
}

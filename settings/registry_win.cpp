#include "registry.h"

#include "common/win_handles.h"

#include <cstring>

namespace {

constexpr const char* kSoftwareKeyName = "Software";
constexpr const char* kKvxKeyName = "KVX";

bool openSoftwareKey(RegistryKey& software) {
    return RegOpenKeyExA(HKEY_CURRENT_USER, kSoftwareKeyName, 0, KEY_ALL_ACCESS,
                         software.receive()) == ERROR_SUCCESS;
}

// Opens Software\KVX for writing, creating it on the first save.
bool createKvxKey(RegistryKey& kvx) {
    RegistryKey software;
    if (!openSoftwareKey(software)) {
        return false;
    }
    return RegCreateKeyExA(software.get(), kKvxKeyName, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                           kvx.receive(), nullptr) == ERROR_SUCCESS;
}

bool setValue(const char* name, DWORD type, const void* data, DWORD size) {
    RegistryKey kvx;
    if (!createKvxKey(kvx)) {
        return false;
    }
    return RegSetValueExA(kvx.get(), name, 0, type, static_cast<const BYTE*>(data), size) ==
           ERROR_SUCCESS;
}

} // namespace

bool readValue(const char* name, void* destination, uint32_t capacity, uint32_t* bytesReturned) {
    RegistryKey software;
    if (!openSoftwareKey(software)) {
        return false;
    }
    RegistryKey kvx;
    if (RegOpenKeyExA(software.get(), kKvxKeyName, 0, KEY_ALL_ACCESS, kvx.receive()) !=
        ERROR_SUCCESS) {
        return false;
    }
    DWORD size = capacity;
    if (RegQueryValueExA(kvx.get(), name, nullptr, nullptr, static_cast<BYTE*>(destination),
                         &size) != ERROR_SUCCESS) {
        return false;
    }
    if (bytesReturned != nullptr) {
        *bytesReturned = size;
    }
    return true;
}

bool writeStringValue(const char* name, const char* text) {
    return setValue(name, REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
}

bool writeDwordValue(const char* name, int32_t value) {
    return setValue(name, REG_DWORD, &value, sizeof value);
}

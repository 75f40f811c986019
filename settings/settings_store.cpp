#include "settings.h"

#include "registry.h"

#include <array>
#include <cstring>

SettingsRecord settings{};

namespace {

#define KVX_TEXT(group, field)                                                                     \
    SettingsValue {                                                                                \
        #field, group, ValueKind::Text, offsetof(SettingsRecord, field),                           \
            sizeof(SettingsRecord::field)                                                          \
    }
#define KVX_DWORD(group, field)                                                                    \
    SettingsValue {                                                                                \
        #field, group, ValueKind::Dword, offsetof(SettingsRecord, field),                          \
            sizeof(SettingsRecord::field)                                                          \
    }

constexpr std::array kSettingsValues = {
    KVX_TEXT(kGroupConverter, SCPath),     KVX_TEXT(kGroupConverter, SPerlPath),
    KVX_TEXT(kGroupConverter, SScriptPath), KVX_TEXT(kGroupConverter, SEXEPath),
    KVX_DWORD(kGroupConverter, SCEnable),

    KVX_DWORD(kGroupJumper, JEnable),      KVX_DWORD(kGroupJumper, JUnit),
    KVX_TEXT(kGroupJumper, JStep),         KVX_TEXT(kGroupJumper, JMaxLength),
    KVX_TEXT(kGroupJumper, JVia),          KVX_TEXT(kGroupJumper, JDir),
    KVX_TEXT(kGroupJumper, JLayer),

    KVX_DWORD(kGroupRoom, REnable),        KVX_DWORD(kGroupRoom, RType),
    KVX_DWORD(kGroupRoom, RInc),
};

#undef KVX_TEXT
#undef KVX_DWORD

bool inGroup(const SettingsValue& value, int group) {
    return group == kGroupAll || value.group == group;
}

bool isKnownGroup(int group) {
    return group >= kGroupAll && group <= kGroupRoom;
}

char* fieldOf(const SettingsValue& value) {
    return reinterpret_cast<char*>(&settings) + value.offset;
}

void loadValue(const SettingsValue& value) {
    char* field = fieldOf(value);
    uint32_t bytesReturned = 0;
    bool loaded = readValue(value.name, field, static_cast<uint32_t>(value.width), &bytesReturned);
    if (value.kind == ValueKind::Text) {
        if (!loaded || !terminateReadText(field, value.width, bytesReturned)) {
            field[0] = '\0';
        }
    } else if (!loaded) {
        std::memset(field, 0, value.width);
    }
}

void saveValue(const SettingsValue& value) {
    const char* field = fieldOf(value);
    if (value.kind == ValueKind::Text) {
        writeStringValue(value.name, field);
    } else {
        int32_t number;
        std::memcpy(&number, field, sizeof number);
        writeDwordValue(value.name, number);
    }
}

} // namespace

std::span<const SettingsValue> settingsValues() {
    return kSettingsValues;
}

bool terminateReadText(char* field, std::size_t width, std::size_t bytesReturned) {
    if (bytesReturned > width) {
        return false;
    }
    if (std::memchr(field, '\0', bytesReturned) != nullptr) {
        return true;
    }
    if (bytesReturned == width) {
        return false;
    }
    field[bytesReturned] = '\0';
    return true;
}

bool readDebugDir(std::span<char, kDebugDirCapacity> directory) {
    uint32_t bytesReturned = 0;
    return readValue("DebugDir", directory.data(), kDebugDirCapacity, &bytesReturned) &&
           terminateReadText(directory.data(), kDebugDirCapacity, bytesReturned);
}

void loadSettings(int group) {
    if (!isKnownGroup(group)) {
        return;
    }
    for (const SettingsValue& value : kSettingsValues) {
        if (inGroup(value, group)) {
            loadValue(value);
        }
    }
}

void saveSettings(int group) {
    if (!isKnownGroup(group)) {
        return;
    }
    for (const SettingsValue& value : kSettingsValues) {
        if (inGroup(value, group)) {
            saveValue(value);
        }
    }
}

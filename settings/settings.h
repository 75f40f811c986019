// The one in-memory settings record and its persistence, group by group, under
// HKEY_CURRENT_USER\Software\KVX. Each field carries the name of its registry value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

struct SettingsRecord {
    int32_t SCEnable;      // converter enabled; only 1 counts as on
    char SCPath[260];      // router executable
    char SPerlPath[260];   // kept for other tools; never shown or used here
    char SScriptPath[260]; // kept for other tools; never shown or used here
    char SEXEPath[260];    // converter executable
    int32_t JEnable;
    int32_t JUnit; // 1 = mm, anything else reads as inch
    char JStep[10];
    char JMaxLength[10];
    char JVia[50];
    char JDir[30];
    char JLayer[30];
    int32_t REnable;
    int32_t RType; // 0 room and region, 1 room, 2 region
    int32_t RInc;  // 0 hard include, 1 soft include
};

extern SettingsRecord settings;

// The code every load and save takes. Any other value touches nothing.
enum SettingsGroup : int {
    kGroupAll = 1,
    kGroupConverter = 2,
    kGroupJumper = 3,
    kGroupRoom = 4,
};

enum class ValueKind { Text, Dword };

// One registry value mirrored by a field of SettingsRecord.
struct SettingsValue {
    const char* name;
    SettingsGroup group;
    ValueKind kind;
    std::size_t offset; // of the field within SettingsRecord
    std::size_t width;  // of the field, terminator included for text
};

// Every value in the order it is read and written: the converter, jumper and room groups.
std::span<const SettingsValue> settingsValues();

// DebugDir names the folder of the logs; it is only ever read.
inline constexpr uint32_t kDebugDirCapacity = 1024;

// Reads DebugDir into `directory`. False when it is not stored, does not fit or cannot be
// read.
bool readDebugDir(std::span<char, kDebugDirCapacity> directory);

void loadSettings(int group);
void saveSettings(int group);

// Terminates text that a registry read left in `field`: the registry does not promise a
// terminator. Appends one when the returned bytes hold none and there is room; returns
// false when there is none, so the read counts as failed.
bool terminateReadText(char* field, std::size_t width, std::size_t bytesReturned);

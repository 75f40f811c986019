// The three registry primitives over HKEY_CURRENT_USER\Software\KVX. Each opens and closes
// its own keys; no key stays open between calls.
#pragma once

#include <cstdint>

// Queries the named value into `destination` without looking at its stored type. Loading
// never creates the key. `bytesReturned`, when given, receives the size of the data read.
bool readValue(const char* name, void* destination, uint32_t capacity,
               uint32_t* bytesReturned = nullptr);

// Stores `text` as REG_SZ with its terminating NUL, creating the key when needed.
bool writeStringValue(const char* name, const char* text);

// Stores `value` as a 4-byte REG_DWORD, creating the key when needed.
bool writeDwordValue(const char* name, int32_t value);

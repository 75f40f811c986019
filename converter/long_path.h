// The long-path form of a full path ("\\?\C:\..." or "\\?\UNC\server\share\..."), which the
// wide file calls take past the 259 characters of MAX_PATH: the names the converter makes
// beside a design at the ANSI calls' limit are longer than that.
#pragma once

#include <string>
#include <string_view>

// `fullPath` is a full path as GetFullPathNameW gives it; a path already in the long or
// the device form stays as it is.
std::wstring longPathForm(std::wstring_view fullPath);

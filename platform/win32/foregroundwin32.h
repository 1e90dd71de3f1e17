#pragma once
// Free of Qt so that it can be cross-compiled and exercised on its own.

#include <string>

namespace Win32Foreground {

// Reads the foreground window's title and its process's executable path, each
// at most 1,023 UTF-16 code units and never ending in half a surrogate pair.
// False, with both strings empty, when there is no window, its title is
// empty, or the executable cannot be read.
bool read(std::wstring &title, std::wstring &path);

// The full path of a process's executable, cut like read()'s; empty when it
// cannot be read.
std::wstring executablePath(unsigned long processId);

// Milliseconds since the last keyboard or mouse input of this session
// (GetLastInputInfo). False when Windows cannot say. A program that only
// keeps the display on (SetThreadExecutionState) is not seen.
bool idleMilliseconds(unsigned long long &milliseconds);

} // namespace Win32Foreground

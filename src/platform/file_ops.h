// Room platform/, OS seams: includes common/ only; Win32 only in *_win32.cpp.
// File operations the commands need beyond <cstdio>: forcing a file's data to the disk and
// replacing one file by another in a single step, so that readers of the target see either the
// old complete file or the new complete one.
#pragma once

#include <string>

namespace frixa {

// Writes the file's data through to the disk. False if the file cannot be opened or synced.
bool SyncFileToDisk(const std::string& path);

// Moves `from` onto `to` in one step, replacing `to` if it exists. False (and both files as
// they were) if the platform refuses, for example while another program holds `to` open.
bool MoveIntoPlace(const std::string& from, const std::string& to);

}  // namespace frixa

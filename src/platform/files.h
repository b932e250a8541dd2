// What the system asks of the file system.
#pragma once

#include <windows.h>

#include <string>

namespace qz::platform {

inline bool DirectoryExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace qz::platform

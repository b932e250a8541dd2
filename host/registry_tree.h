// A registry key and everything below it, read in the terms of an export file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "reg_file.h"

namespace qz::host {

// The key `path` of `root` (HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or
// HKEY_CLASSES_ROOT) and its subkeys, to kMaxRegFileDepth levels below it: each
// key before its subkeys, in the registry's order, with its values' exact bytes.
// Names of any length are read whole. On failure `error` names the key and why.
bool ReadTree(HKEY root, const std::wstring& path, std::vector<RegFileKey>* keys, std::wstring* error);

// "HKEY_CURRENT_USER\" and the like.
std::wstring HivePrefix(HKEY root);

}  // namespace qz::host

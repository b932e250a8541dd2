// A key and everything below it as a registry export file, and such a file
// written back, all or nothing: the registry walk (registry_tree.h) around the
// file format (reg_file.h). No file is touched here; the caller reads and
// writes the bytes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qz::host {

struct RegTransfer {
    bool ok = false;
    bool fileRefused = false;  // import: the file itself was refused, `error` names its line
    std::wstring error;        // what went wrong, and that nothing was written
    size_t keys = 0;
    size_t values = 0;
};

// `path` below `root` (HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE) as the bytes of
// an export file, every value with its exact bytes; refused, naming the key,
// where the tree holds what an import would refuse.
RegTransfer ExportKey(HKEY root, const std::wstring& path, std::vector<BYTE>* file);

// Writes the keys and values of `file` into `path` below `root`. The whole
// file is read before anything is written and refused when any key lies
// outside `path` or it holds what the registry or another reader would take
// otherwise; when a write fails nonetheless, the tree is put back byte for byte.
RegTransfer ImportKey(HKEY root, const std::wstring& path, const std::vector<BYTE>& file);

}  // namespace qz::host

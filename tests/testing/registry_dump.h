// A key of the registry in force with everything below it, flattened for
// comparing a tree before and after: each key by its path (with the letter
// case of its name), each value by "path|name" with its type and exact bytes.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>

#include "testing/memory_registry.h"
#include "platform/registry.h"

namespace qz::test {

using RegistryDump = std::map<std::wstring, test::MemoryRegistry::Value>;

inline RegistryDump Dump(HKEY root, const std::wstring& path, RegistryDump dump = {}) {
    platform::RegKey key;
    if (key.Open(root, path.c_str(), KEY_READ) != ERROR_SUCCESS) return dump;
    dump[path] = {};
    std::wstring name;
    for (DWORD i = 0; key.ValueName(i, &name) == ERROR_SUCCESS; ++i) {
        test::MemoryRegistry::Value& value = dump[path + L"|" + name];
        key.ReadValue(name.c_str(), &value.type, &value.bytes);
    }
    for (DWORD i = 0; key.SubkeyName(i, &name) == ERROR_SUCCESS; ++i) {
        dump = Dump(root, path + L"\\" + name, std::move(dump));
    }
    return dump;
}

}  // namespace qz::test

#include "registry_tree.h"

#include "platform/registry.h"

namespace qz::host {

std::wstring HivePrefix(HKEY root) {
    if (root == HKEY_LOCAL_MACHINE) return L"HKEY_LOCAL_MACHINE\\";
    if (root == HKEY_CLASSES_ROOT) return L"HKEY_CLASSES_ROOT\\";
    return L"HKEY_CURRENT_USER\\";
}

bool ReadTree(HKEY root, const std::wstring& path, std::vector<RegFileKey>* keys, std::wstring* error) {
    const std::wstring hive = HivePrefix(root);
    const auto fail = [&](const std::wstring& at, const wchar_t* what, LONG result) {
        *error = std::wstring(what) + L" [" + hive + at + L"] failed (error " + std::to_wstring(result) + L")";
        return false;
    };
    // Walked with a stack of its own: a deep tree must not exhaust the thread's.
    struct Pending {
        std::wstring path;
        size_t depth;
    };
    std::vector<Pending> pending{{path, 0}};
    while (!pending.empty()) {
        const Pending at = std::move(pending.back());
        pending.pop_back();
        if (at.depth > kMaxRegFileDepth) {
            *error = L"[" + hive + at.path + L"] lies more than " + std::to_wstring(kMaxRegFileDepth) +
                     L" levels below [" + hive + path + L"]";
            return false;
        }
        platform::RegKey key;
        LONG result = key.Open(root, at.path.c_str(), KEY_READ);
        if (result != ERROR_SUCCESS) return fail(at.path, L"opening", result);
        RegFileKey entry{hive + at.path, false, {}};
        std::wstring name;
        for (DWORD i = 0; (result = key.ValueName(i, &name)) != ERROR_NO_MORE_ITEMS; ++i) {
            RegFileValue value{name, REG_NONE, {}, false};
            if (result == ERROR_SUCCESS) result = key.ReadValue(name.c_str(), &value.type, &value.data);
            if (result != ERROR_SUCCESS) return fail(at.path, L"reading the values of", result);
            entry.values.push_back(std::move(value));
        }
        keys->push_back(std::move(entry));
        std::vector<Pending> subkeys;
        for (DWORD i = 0; (result = key.SubkeyName(i, &name)) != ERROR_NO_MORE_ITEMS; ++i) {
            if (result != ERROR_SUCCESS) return fail(at.path, L"listing the subkeys of", result);
            subkeys.push_back({at.path + L"\\" + name, at.depth + 1});
        }
        pending.insert(pending.end(), std::make_move_iterator(subkeys.rbegin()),
                       std::make_move_iterator(subkeys.rend()));
    }
    return true;
}

}  // namespace qz::host

#include "registration/script_engine.h"

#include <iterator>
#include <new>
#include <string>
#include <unordered_set>
#include <utility>

#include "platform/registry.h"
#include "core/text.h"
#include "platform/boundary.h"

namespace qz::registration {
namespace {

using core::ToWide;
using platform::Registry;
using platform::RegKey;

constexpr REGSAM kAccess = KEY_READ | KEY_WRITE;

HKEY RootHandle(core::RootKey key) {
    switch (key) {
    case core::RootKey::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case core::RootKey::CurrentUser:
        return HKEY_CURRENT_USER;
    case core::RootKey::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    case core::RootKey::Users:
        return HKEY_USERS;
    case core::RootKey::CurrentConfig:
        return HKEY_CURRENT_CONFIG;
    }
    return nullptr;
}

bool IsMissing(LONG result) { return result == ERROR_FILE_NOT_FOUND; }

LONG WriteValue(HKEY key, const wchar_t* name, const core::ScriptValue& value) {
    platform::IRegistry& registry = Registry();
    switch (value.type) {
    case core::ValueType::String: {
        const std::wstring text = ToWide(value.text);
        return registry.SetValue(key, name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>(text.size() + 1) * DWORD{sizeof(wchar_t)});
    }
    case core::ValueType::Dword:
        return registry.SetValue(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value.number),
                                 sizeof value.number);
    case core::ValueType::Binary:
        return registry.SetValue(key, name, REG_BINARY, value.bytes.data(), static_cast<DWORD>(value.bytes.size()));
    }
    return ERROR_INVALID_DATA;
}

class Runner {
public:
    // Stops at the first failure and answers it.
    LONG Register(const core::Script& script);
    // Goes on past failures and answers the first one.
    LONG Unregister(const core::Script& script);

private:
    LONG RegisterEntries(HKEY key, const std::vector<core::ScriptEntry>& entries);
    LONG RegisterKey(HKEY parent, const core::ScriptEntry& entry);
    void UnregisterEntries(HKEY key, const std::vector<core::ScriptEntry>& entries);
    void UnregisterKey(HKEY parent, const core::ScriptEntry& entry);
    bool IsEmpty(HKEY key);
    void Note(LONG result) {
        if (result != ERROR_SUCCESS && !IsMissing(result) && firstError_ == ERROR_SUCCESS) firstError_ = result;
    }

    // NoRemove keys that did not exist before this run: undoing it removes them too.
    std::unordered_set<const core::ScriptEntry*> created_;
    LONG firstError_ = ERROR_SUCCESS;
};

LONG Runner::Register(const core::Script& script) {
    for (const core::ScriptRoot& root : script.roots) {
        if (const LONG result = RegisterEntries(RootHandle(root.key), root.entries)) return result;
    }
    return ERROR_SUCCESS;
}

LONG Runner::RegisterEntries(HKEY key, const std::vector<core::ScriptEntry>& entries) {
    for (const core::ScriptEntry& entry : entries) {
        LONG result = ERROR_SUCCESS;
        switch (entry.kind) {
        case core::EntryKind::Key:
            result = RegisterKey(key, entry);
            break;
        case core::EntryKind::Value:
            result = WriteValue(key, ToWide(entry.name).c_str(), *entry.value);
            break;
        case core::EntryKind::Delete:
            result = Registry().DeleteTree(key, ToWide(entry.name).c_str());
            if (IsMissing(result)) result = ERROR_SUCCESS;
            break;
        }
        if (result != ERROR_SUCCESS) return result;
    }
    return ERROR_SUCCESS;
}

LONG Runner::RegisterKey(HKEY parent, const core::ScriptEntry& entry) {
    const std::wstring name = ToWide(entry.name);
    if (entry.marker == core::KeyMarker::ForceRemove) {
        const LONG result = Registry().DeleteTree(parent, name.c_str());
        if (result != ERROR_SUCCESS && !IsMissing(result)) return result;
    }
    RegKey key;
    bool created = false;
    if (const LONG result = key.Create(parent, name.c_str(), kAccess, &created)) return result;
    if (created && entry.marker == core::KeyMarker::NoRemove) created_.insert(&entry);
    if (entry.value) {
        if (const LONG result = WriteValue(key.Get(), nullptr, *entry.value)) return result;
    }
    return RegisterEntries(key.Get(), entry.children);
}

// Backwards, the order of undoing: when two trees name the same key, the later
// one's entries are gone before the earlier one, which may have made the key,
// looks whether it is empty.
LONG Runner::Unregister(const core::Script& script) {
    for (auto root = script.roots.rbegin(); root != script.roots.rend(); ++root) {
        UnregisterEntries(RootHandle(root->key), root->entries);
    }
    return firstError_;
}

void Runner::UnregisterEntries(HKEY key, const std::vector<core::ScriptEntry>& entries) {
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        switch (entry->kind) {
        case core::EntryKind::Key:
            UnregisterKey(key, *entry);
            break;
        case core::EntryKind::Value:
            Note(Registry().DeleteValue(key, ToWide(entry->name).c_str()));
            break;
        case core::EntryKind::Delete:  // what registering deleted is not brought back
            break;
        }
    }
}

void Runner::UnregisterKey(HKEY parent, const core::ScriptEntry& entry) {
    const std::wstring name = ToWide(entry.name);
    if (entry.marker == core::KeyMarker::ForceRemove) {
        Note(Registry().DeleteTree(parent, name.c_str()));
        return;
    }
    RegKey key;
    if (const LONG result = key.Open(parent, name.c_str(), kAccess)) {
        Note(result);
        return;
    }
    UnregisterEntries(key.Get(), entry.children);
    if (entry.marker == core::KeyMarker::NoRemove && created_.count(&entry) == 0) return;
    if (entry.value) Note(Registry().DeleteValue(key.Get(), nullptr));
    if (!IsEmpty(key.Get())) return;
    key.Close();
    Note(Registry().DeleteTree(parent, name.c_str()));
}

// Nothing else left: no subkey and no value, named or default.
bool Runner::IsEmpty(HKEY key) {
    wchar_t name[256];  // room for the longest key name the registry allows
    auto chars = static_cast<DWORD>(std::size(name));
    const LONG subkey = Registry().EnumKey(key, 0, name, &chars);
    if (subkey != ERROR_NO_MORE_ITEMS) {
        if (subkey != ERROR_MORE_DATA) Note(subkey);
        return false;
    }
    chars = static_cast<DWORD>(std::size(name));
    const LONG value = Registry().EnumValue(key, 0, name, &chars);
    if (value == ERROR_NO_MORE_ITEMS) return true;
    if (value != ERROR_SUCCESS && value != ERROR_MORE_DATA) Note(value);
    return false;
}

}  // namespace

HRESULT RunScript(const core::Script& script, ScriptMode mode, const FinishStep& finish) {
    Runner runner;
    if (mode == ScriptMode::Unregister) return HRESULT_FROM_WIN32(runner.Unregister(script));
    HRESULT hr = S_OK;
    // A registration that fails, also for want of memory, is undone.
    try {
        hr = HRESULT_FROM_WIN32(runner.Register(script));
        if (SUCCEEDED(hr) && finish) hr = finish();
    } catch (...) {
        hr = platform::CaughtResult();
    }
    if (FAILED(hr)) {
        // Best effort; the caller learns the failure that started it.
        try {
            runner.Unregister(script);
        } catch (...) {
        }
    }
    return hr;
}

HRESULT RunScript(std::u16string_view script, const std::vector<core::ScriptVariable>& variables, ScriptMode mode,
                  core::ScriptError* syntaxError, const FinishStep& finish) {
    core::Script parsed;
    core::ScriptError error;
    if (!core::ParseScript(script, variables, &parsed, &error)) {
        if (syntaxError) *syntaxError = std::move(error);
        return kScriptSyntaxError;
    }
    return RunScript(parsed, mode, finish);
}

}  // namespace qz::registration

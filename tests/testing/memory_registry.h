// A registry in memory that answers like Windows, for unit tests and benchmarks:
// every failure branch of the logic can be driven through it, and it counts the
// operations the logic makes and the handles it leaves open.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/registry.h"

namespace qz::test {

using platform::RegOp;

// Behaves as Windows does where the logic can tell:
// - HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS and
//   HKEY_CURRENT_CONFIG are separate trees (no merged HKEY_CLASSES_ROOT view);
// - key and value names compare without regard to case, keep the case they were
//   made with, and subkeys enumerate in Windows' order (names compared upper-cased);
// - values keep their type and exact bytes; like Windows, SetValue of a string
//   type counts a terminating zero the caller left out when one follows the data
//   (Set() stores bytes untouched, to make unterminated values); QueryValue does
//   not end an unterminated string in spare room, as Windows does, since the
//   logic reads values whole (RegKey::ReadValue) and cannot tell;
// - writing values needs KEY_SET_VALUE on the handle, reading KEY_QUERY_VALUE,
//   enumerating KEY_ENUMERATE_SUB_KEYS (the KEY_* rights only: the logic asks for
//   no GENERIC_* ones); opening, creating and deleting below a handle need no right on it;
// - handles to a deleted key answer ERROR_KEY_DELETED until closed.
// Not thread-safe: one test drives it at a time.
class MemoryRegistry : public platform::IRegistry {
public:
    struct Value {
        DWORD type = REG_NONE;
        std::vector<BYTE> bytes;

        // REG_SZ-like value with its terminating zero, as the logic writes texts.
        static Value String(const std::wstring& text, DWORD type = REG_SZ);
        static Value Dword(DWORD value);
        bool operator==(const Value& other) const { return type == other.type && bytes == other.bytes; }
    };

    // Answers ERROR_SUCCESS to let the operation run, anything else to fail it with that.
    // keyPath is the full path (L"HKEY_CURRENT_USER\\Software\\A"): for Open, Create and
    // DeleteTree of the key named, otherwise of the key the handle refers to.
    // valueOrSubkey is the value name or subkey as passed, null for EnumKey, EnumValue and Close.
    using FaultHook = std::function<LONG(RegOp op, const std::wstring& keyPath, const wchar_t* valueOrSubkey)>;

    MemoryRegistry();
    ~MemoryRegistry() override;
    MemoryRegistry(const MemoryRegistry&) = delete;
    MemoryRegistry& operator=(const MemoryRegistry&) = delete;

    LONG OpenKey(HKEY parent, const wchar_t* subkey, REGSAM sam, HKEY* out) override;
    LONG CreateKey(HKEY parent, const wchar_t* subkey, REGSAM sam, HKEY* out, bool* created) override;
    LONG EnumKey(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars) override;
    // Values enumerate in the order of their names, as Wine's registry gives them.
    LONG EnumValue(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars) override;
    LONG QueryValue(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* bytes) override;
    LONG SetValue(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD bytes) override;
    LONG DeleteValue(HKEY key, const wchar_t* name) override;
    LONG DeleteTree(HKEY parent, const wchar_t* subkey) override;
    // A failure injected on Close still closes the handle, so leak counts stay exact.
    LONG CloseKey(HKEY key) override;

    // Fault injection. `op` on the key whose full path equals `path` (case ignored)
    // fails with `error` until cleared. Rules are checked in
    // the order given, before the hook.
    void FailOn(RegOp op, std::wstring path, LONG error) { rules_.push_back(Rule{op, std::move(path), error}); }
    void SetFaultHook(FaultHook hook) { hook_ = std::move(hook); }
    void ClearFaults() {
        rules_.clear();
        hook_ = nullptr;
    }

    // Operations called, failed ones included.
    std::size_t Count(RegOp op) const { return counts_[static_cast<std::size_t>(op)]; }
    std::size_t TotalCount() const { return std::accumulate(counts_.begin(), counts_.end(), std::size_t{0}); }
    void ResetCounts() { counts_.fill(0); }

    // Direct access for arranging and checking a test; neither counted nor faulted.
    // `path` is below `root` (one of the predefined keys), empty for the root itself.
    void Set(HKEY root, const std::wstring& path, const std::wstring& name, const Value& value);
    void Set(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, std::vector<BYTE> bytes) {
        Set(root, path, name, Value{type, std::move(bytes)});
    }
    void SetString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text) {
        Set(root, path, name, Value::String(text));
    }
    void SetDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
        Set(root, path, name, Value::Dword(value));
    }
    std::optional<Value> Get(HKEY root, const std::wstring& path, const std::wstring& name) const;
    bool KeyExists(HKEY root, const std::wstring& path) const { return Find(root, path) != nullptr; }

    // Handles opened or created and not yet closed.
    std::size_t OpenHandleCount() const { return handles_.size(); }

private:
    struct Node;
    // A handle's key and granted rights; a predefined key has them all.
    struct Handle {
        std::shared_ptr<Node> node;
        REGSAM access = 0;
    };
    struct Rule {
        RegOp op;
        std::wstring path;
        LONG error;
    };

    LONG Resolve(HKEY key, Handle* resolved) const;
    LONG Fault(RegOp op, const std::wstring& keyPath, const wchar_t* valueOrSubkey);
    // Counts `op` on a handle and checks, in Windows' order, the handle, an
    // injected fault, the rights `need` and whether the key was deleted.
    LONG Start(RegOp op, HKEY key, const wchar_t* name, REGSAM need, Handle* at);
    // The same checks for an operation on a subkey path below `parent`, uncounted.
    LONG StartBelow(RegOp op, HKEY parent, const wchar_t* subkey, Handle* from, std::vector<std::wstring>* names);
    HKEY NewHandle(std::shared_ptr<Node> node, REGSAM access);
    // Throws for a key that is not predefined.
    const std::shared_ptr<Node>& Root(HKEY root) const;
    std::shared_ptr<Node> Find(HKEY root, const std::wstring& path) const;

    std::array<std::shared_ptr<Node>, 5> roots_;
    std::unordered_map<HKEY, Handle> handles_;
    ULONG_PTR nextHandle_ = 0x1000;
    std::vector<Rule> rules_;
    FaultHook hook_;
    std::array<std::size_t, 9> counts_{};
};

std::ostream& operator<<(std::ostream& os, const MemoryRegistry::Value& value);

}  // namespace qz::test

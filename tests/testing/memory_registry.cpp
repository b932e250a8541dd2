#include "testing/memory_registry.h"

#include <algorithm>
#include <cstring>
#include <iomanip>
#include <iterator>
#include <map>
#include <ostream>
#include <stdexcept>
#include <utility>

namespace qz::test {
namespace {

// The registry's own rule: ordinal comparison of the upper-cased names.
int CompareNames(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE);
}

struct NameLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const { return CompareNames(a, b) == CSTR_LESS_THAN; }
};

const HKEY kRootKeys[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG};
const wchar_t* const kRootNames[] = {L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER", L"HKEY_LOCAL_MACHINE", L"HKEY_USERS",
                                     L"HKEY_CURRENT_CONFIG"};

int RootIndex(HKEY key) {
    for (int i = 0; i < static_cast<int>(std::size(kRootKeys)); ++i) {
        if (kRootKeys[i] == key) return i;
    }
    return -1;
}

std::size_t Index(RegOp op) { return static_cast<std::size_t>(op); }
static_assert(static_cast<std::size_t>(RegOp::Close) == 8, "one count per operation");

// Empty components are skipped: the Win32 calls accept doubled and trailing backslashes.
std::vector<std::wstring> Split(const wchar_t* subkey) {
    std::vector<std::wstring> names;
    if (!subkey) return names;
    std::wstring current;
    for (const wchar_t* p = subkey;; ++p) {
        if (*p == L'\\' || *p == L'\0') {
            if (!current.empty()) names.push_back(std::move(current));
            current.clear();
            if (*p == L'\0') break;
        } else {
            current += *p;
        }
    }
    return names;
}

std::wstring Join(const std::wstring& base, const std::vector<std::wstring>& names) {
    std::wstring path = base;
    for (const std::wstring& name : names) path += L'\\' + name;
    return path;
}

// A subkey is always relative: Windows refuses a leading backslash.
bool IsBadPath(const wchar_t* subkey) { return subkey && subkey[0] == L'\\'; }

REGSAM Granted(REGSAM sam) {
    REGSAM granted = sam & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL | MAXIMUM_ALLOWED);
    if (sam & GENERIC_READ) granted |= KEY_READ;
    if (sam & GENERIC_WRITE) granted |= KEY_WRITE;
    if (sam & GENERIC_EXECUTE) granted |= KEY_EXECUTE;
    if (sam & (GENERIC_ALL | MAXIMUM_ALLOWED)) granted |= KEY_ALL_ACCESS;
    return granted;
}

bool IsString(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

const wchar_t* ValueName(const wchar_t* name) { return name ? name : L""; }

WCHAR CharAt(const BYTE* data, DWORD index) {
    WCHAR c;
    std::memcpy(&c, data + index * sizeof(WCHAR), sizeof c);
    return c;
}

// Copies a name found at an index as RegEnumKeyExW and RegEnumValueW give it;
// null stands for an index past the last.
LONG CopyName(const std::wstring* found, wchar_t* name, DWORD* nameChars) {
    if (!found) return ERROR_NO_MORE_ITEMS;
    if (found->size() >= *nameChars) return ERROR_MORE_DATA;
    std::copy(found->begin(), found->end(), name);
    name[found->size()] = L'\0';
    *nameChars = static_cast<DWORD>(found->size());
    return ERROR_SUCCESS;
}

}  // namespace

struct MemoryRegistry::Node {
    using Subkeys = std::map<std::wstring, std::shared_ptr<Node>, NameLess>;

    std::wstring path;
    bool deleted = false;
    Subkeys subkeys;
    std::map<std::wstring, Value, NameLess> values;

    // The subkey named, made empty when missing.
    std::shared_ptr<Node>& Child(const std::wstring& name) {
        const auto [it, made] = subkeys.try_emplace(name);
        if (made) cursorValid = false;
        return it->second;
    }

    void EraseChild(Subkeys::iterator it) {
        subkeys.erase(it);
        cursorValid = false;
    }

    // The name of the subkey at `index`, null past the last. Enumerating by
    // rising index takes one step per call, as on Windows, not a walk from the
    // first subkey every time.
    const std::wstring* SubkeyAt(std::size_t index) {
        if (index >= subkeys.size()) return nullptr;
        if (!cursorValid || index < cursorIndex) {
            cursor = subkeys.begin();
            cursorIndex = 0;
        }
        std::advance(cursor, index - cursorIndex);
        cursorIndex = index;
        cursorValid = true;
        return &cursor->first;
    }

    // Handles still open on the subtree keep their nodes alive and see them deleted.
    void MarkDeleted() {
        deleted = true;
        ClearChildren();
        values.clear();
    }

    void ClearChildren() {
        for (auto& entry : subkeys) entry.second->MarkDeleted();
        subkeys.clear();
        cursorValid = false;
    }

private:
    // Where the last enumeration stood; forgotten whenever the subkeys change.
    Subkeys::iterator cursor;
    std::size_t cursorIndex = 0;
    bool cursorValid = false;
};

MemoryRegistry::Value MemoryRegistry::Value::String(const std::wstring& text, DWORD type) {
    Value value{type, std::vector<BYTE>((text.size() + 1) * sizeof(wchar_t))};
    std::memcpy(value.bytes.data(), text.c_str(), value.bytes.size());
    return value;
}

MemoryRegistry::Value MemoryRegistry::Value::Dword(DWORD number) {
    Value value{REG_DWORD, std::vector<BYTE>(sizeof number)};
    std::memcpy(value.bytes.data(), &number, sizeof number);
    return value;
}

MemoryRegistry::MemoryRegistry() {
    for (std::size_t i = 0; i < roots_.size(); ++i) {
        roots_[i] = std::make_shared<Node>();
        roots_[i]->path = kRootNames[i];
    }
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::Root(HKEY root) const {
    const int index = RootIndex(root);
    return index < 0 ? nullptr : roots_[index].get();
}

LONG MemoryRegistry::Resolve(HKEY key, Resolved* resolved) const {
    if (const int index = RootIndex(key); index >= 0) {
        *resolved = {roots_[index], KEY_ALL_ACCESS};
        return ERROR_SUCCESS;
    }
    const auto it = handles_.find(key);
    if (it == handles_.end()) return ERROR_INVALID_HANDLE;
    *resolved = {it->second.node, it->second.access};
    return ERROR_SUCCESS;
}

LONG MemoryRegistry::Fault(RegOp op, const std::wstring& keyPath, const wchar_t* valueOrSubkey) {
    for (Rule& rule : rules_) {
        if (rule.op != op || rule.times == 0 || CompareNames(rule.path, keyPath) != CSTR_EQUAL) continue;
        if (rule.times > 0) --rule.times;
        return rule.error;
    }
    return hook_ ? hook_(op, keyPath, valueOrSubkey) : ERROR_SUCCESS;
}

HKEY MemoryRegistry::NewHandle(std::shared_ptr<Node> node, REGSAM access) {
    // Never reused, so a stale handle is always recognised as invalid.
    const HKEY key = reinterpret_cast<HKEY>(nextHandle_);
    nextHandle_ += 4;
    handles_.emplace(key, Handle{std::move(node), Granted(access)});
    return key;
}

LONG MemoryRegistry::OpenKey(HKEY parent, const wchar_t* subkey, REGSAM sam, HKEY* out) {
    ++counts_[Index(RegOp::Open)];
    if (!out) return ERROR_INVALID_PARAMETER;
    *out = nullptr;
    Resolved from;
    if (const LONG error = Resolve(parent, &from)) return error;
    const std::vector<std::wstring> names = Split(subkey);
    if (const LONG error = Fault(RegOp::Open, Join(from.node->path, names), subkey)) return error;
    if (IsBadPath(subkey)) return ERROR_BAD_PATHNAME;
    if (from.node->deleted) return ERROR_KEY_DELETED;

    std::shared_ptr<Node> node = from.node;
    for (const std::wstring& name : names) {
        const auto it = node->subkeys.find(name);
        if (it == node->subkeys.end()) return ERROR_FILE_NOT_FOUND;
        node = it->second;
    }
    *out = NewHandle(std::move(node), sam);
    return ERROR_SUCCESS;
}

LONG MemoryRegistry::CreateKey(HKEY parent, const wchar_t* subkey, REGSAM sam, HKEY* out, bool* created) {
    ++counts_[Index(RegOp::Create)];
    if (!out) return ERROR_INVALID_PARAMETER;
    *out = nullptr;
    if (created) *created = false;
    Resolved from;
    if (const LONG error = Resolve(parent, &from)) return error;
    const std::vector<std::wstring> names = Split(subkey);
    if (const LONG error = Fault(RegOp::Create, Join(from.node->path, names), subkey)) return error;
    if (IsBadPath(subkey)) return ERROR_BAD_PATHNAME;
    if (from.node->deleted) return ERROR_KEY_DELETED;

    std::shared_ptr<Node> node = from.node;
    bool made = false;
    for (const std::wstring& name : names) {
        std::shared_ptr<Node>& child = node->Child(name);
        if (!child) {
            child = std::make_shared<Node>();
            child->path = node->path + L'\\' + name;
            made = true;
        }
        node = child;
    }
    *out = NewHandle(std::move(node), sam);
    if (created) *created = made;
    return ERROR_SUCCESS;
}

LONG MemoryRegistry::EnumKey(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars) {
    ++counts_[Index(RegOp::EnumKey)];
    Resolved at;
    if (const LONG error = Resolve(key, &at)) return error;
    if (const LONG error = Fault(RegOp::EnumKey, at.node->path, nullptr)) return error;
    if (!(at.access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
    if (at.node->deleted) return ERROR_KEY_DELETED;
    if (!name || !nameChars) return ERROR_INVALID_PARAMETER;
    return CopyName(at.node->SubkeyAt(index), name, nameChars);
}

LONG MemoryRegistry::EnumValue(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars) {
    ++counts_[Index(RegOp::EnumValue)];
    Resolved at;
    if (const LONG error = Resolve(key, &at)) return error;
    if (const LONG error = Fault(RegOp::EnumValue, at.node->path, nullptr)) return error;
    if (!(at.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    if (at.node->deleted) return ERROR_KEY_DELETED;
    if (!name || !nameChars) return ERROR_INVALID_PARAMETER;
    const auto& values = at.node->values;
    return CopyName(index < values.size() ? &std::next(values.begin(), index)->first : nullptr, name, nameChars);
}

LONG MemoryRegistry::QueryValue(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* bytes) {
    ++counts_[Index(RegOp::QueryValue)];
    Resolved at;
    if (const LONG error = Resolve(key, &at)) return error;
    if (const LONG error = Fault(RegOp::QueryValue, at.node->path, name)) return error;
    if (!(at.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    if (at.node->deleted) return ERROR_KEY_DELETED;
    if (data && !bytes) return ERROR_INVALID_PARAMETER;
    const auto it = at.node->values.find(ValueName(name));
    if (it == at.node->values.end()) return ERROR_FILE_NOT_FOUND;

    const Value& value = it->second;
    const DWORD size = static_cast<DWORD>(value.bytes.size());
    if (type) *type = value.type;
    if (data) {
        if (*bytes < size) {
            *bytes = size;
            return ERROR_MORE_DATA;
        }
        std::copy(value.bytes.begin(), value.bytes.end(), data);
        // Windows terminates an unterminated string for the caller when the buffer has room.
        if (IsString(value.type) && size >= sizeof(WCHAR) && *bytes - size >= sizeof(WCHAR) &&
            (data[size - 2] || data[size - 1])) {
            data[size] = 0;
            data[size + 1] = 0;
        }
    }
    if (bytes) *bytes = size;
    return ERROR_SUCCESS;
}

LONG MemoryRegistry::SetValue(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD bytes) {
    ++counts_[Index(RegOp::SetValue)];
    Resolved at;
    if (const LONG error = Resolve(key, &at)) return error;
    if (const LONG error = Fault(RegOp::SetValue, at.node->path, name)) return error;
    if (!(at.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    if (at.node->deleted) return ERROR_KEY_DELETED;
    if (!data && bytes) return ERROR_NOACCESS;

    DWORD stored = bytes;
    // Windows counts the terminating zero a caller left out when one follows the data
    // (reading one character past what it was given); so does this.
    if (IsString(type) && bytes >= sizeof(WCHAR) && CharAt(data, bytes / sizeof(WCHAR) - 1) &&
        !CharAt(data, bytes / sizeof(WCHAR))) {
        stored += sizeof(WCHAR);
    }
    at.node->values[ValueName(name)] = Value{type, std::vector<BYTE>(data, data + stored)};
    return ERROR_SUCCESS;
}

LONG MemoryRegistry::DeleteValue(HKEY key, const wchar_t* name) {
    ++counts_[Index(RegOp::DeleteValue)];
    Resolved at;
    if (const LONG error = Resolve(key, &at)) return error;
    if (const LONG error = Fault(RegOp::DeleteValue, at.node->path, name)) return error;
    if (!(at.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    if (at.node->deleted) return ERROR_KEY_DELETED;
    return at.node->values.erase(ValueName(name)) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG MemoryRegistry::DeleteTree(HKEY parent, const wchar_t* subkey) {
    ++counts_[Index(RegOp::DeleteTree)];
    Resolved from;
    if (const LONG error = Resolve(parent, &from)) return error;
    const std::vector<std::wstring> names = Split(subkey);
    if (const LONG error = Fault(RegOp::DeleteTree, Join(from.node->path, names), subkey)) return error;
    if (IsBadPath(subkey)) return ERROR_BAD_PATHNAME;
    Node& base = *from.node;

    if (!names.empty()) {
        if (base.deleted) return ERROR_KEY_DELETED;
        Node* holder = &base;
        for (std::size_t i = 0; i + 1 < names.size(); ++i) {
            const auto it = holder->subkeys.find(names[i]);
            if (it == holder->subkeys.end()) return ERROR_FILE_NOT_FOUND;
            holder = it->second.get();
        }
        const auto it = holder->subkeys.find(names.back());
        if (it == holder->subkeys.end()) return ERROR_FILE_NOT_FOUND;
        it->second->MarkDeleted();
        holder->EraseChild(it);
        return ERROR_SUCCESS;
    }

    // Emptying a key through its handle enumerates and deletes through that handle,
    // so it needs the rights for that; subkeys go before the values.
    if ((from.access & (KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS)) != (KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS)) {
        return ERROR_ACCESS_DENIED;
    }
    if (base.deleted) return ERROR_KEY_DELETED;
    base.ClearChildren();
    if (!base.values.empty() && !(from.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    base.values.clear();
    return ERROR_SUCCESS;
}

LONG MemoryRegistry::CloseKey(HKEY key) {
    ++counts_[Index(RegOp::Close)];
    if (const Node* root = Root(key)) return Fault(RegOp::Close, root->path, nullptr);
    const auto it = handles_.find(key);
    if (it == handles_.end()) return ERROR_INVALID_HANDLE;
    const std::wstring path = it->second.node->path;
    handles_.erase(it);
    return Fault(RegOp::Close, path, nullptr);
}

void MemoryRegistry::FailOn(RegOp op, std::wstring path, LONG error, int times) {
    rules_.push_back(Rule{op, std::move(path), error, times});
}

void MemoryRegistry::SetFaultHook(FaultHook hook) { hook_ = std::move(hook); }

void MemoryRegistry::ClearFaults() {
    rules_.clear();
    hook_ = nullptr;
}

std::size_t MemoryRegistry::Count(RegOp op) const { return counts_[Index(op)]; }

std::size_t MemoryRegistry::TotalCount() const {
    std::size_t total = 0;
    for (const std::size_t count : counts_) total += count;
    return total;
}

void MemoryRegistry::ResetCounts() { counts_.fill(0); }

MemoryRegistry::Node* MemoryRegistry::Find(HKEY root, const std::wstring& path) const {
    Node* node = Root(root);
    if (!node) throw std::invalid_argument("not a predefined registry key");
    for (const std::wstring& name : Split(path.c_str())) {
        const auto it = node->subkeys.find(name);
        if (it == node->subkeys.end()) return nullptr;
        node = it->second.get();
    }
    return node;
}

MemoryRegistry::Node* MemoryRegistry::FindOrMake(HKEY root, const std::wstring& path) {
    Node* node = Root(root);
    if (!node) throw std::invalid_argument("not a predefined registry key");
    for (const std::wstring& name : Split(path.c_str())) {
        std::shared_ptr<Node>& child = node->Child(name);
        if (!child) {
            child = std::make_shared<Node>();
            child->path = node->path + L'\\' + name;
        }
        node = child.get();
    }
    return node;
}

void MemoryRegistry::Set(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                         std::vector<BYTE> bytes) {
    FindOrMake(root, path)->values[name] = Value{type, std::move(bytes)};
}

void MemoryRegistry::Set(HKEY root, const std::wstring& path, const std::wstring& name, const Value& value) {
    FindOrMake(root, path)->values[name] = value;
}

void MemoryRegistry::SetString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text,
                               DWORD type) {
    Set(root, path, name, Value::String(text, type));
}

void MemoryRegistry::SetDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
    Set(root, path, name, Value::Dword(value));
}

std::optional<MemoryRegistry::Value> MemoryRegistry::Get(HKEY root, const std::wstring& path,
                                                         const std::wstring& name) const {
    const Node* node = Find(root, path);
    if (!node) return std::nullopt;
    const auto it = node->values.find(name);
    if (it == node->values.end()) return std::nullopt;
    return it->second;
}

bool MemoryRegistry::KeyExists(HKEY root, const std::wstring& path) const { return Find(root, path) != nullptr; }

std::size_t MemoryRegistry::OpenHandleCount() const { return handles_.size(); }

std::vector<std::wstring> MemoryRegistry::OpenHandlePaths() const {
    std::vector<std::wstring> paths;
    for (const auto& entry : handles_) {
        paths.push_back(entry.second.node->path + (entry.second.node->deleted ? L" (deleted)" : L""));
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::ostream& operator<<(std::ostream& os, const MemoryRegistry::Value& value) {
    const auto flags = os.flags();
    os << "{type " << std::dec << value.type << ", bytes" << std::hex << std::setfill('0');
    for (const BYTE b : value.bytes) os << ' ' << std::setw(2) << static_cast<unsigned>(b);
    os.flags(flags);
    return os << '}';
}

}  // namespace qz::test

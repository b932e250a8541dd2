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
    std::vector<std::wstring> names(1);
    for (const wchar_t* p = subkey; p && *p; ++p) {
        if (*p == L'\\' && !names.back().empty()) names.emplace_back();
        if (*p != L'\\') names.back() += *p;
    }
    if (names.back().empty()) names.pop_back();
    return names;
}

std::wstring Join(const std::wstring& base, const std::vector<std::wstring>& names) {
    std::wstring path = base;
    for (const std::wstring& name : names) path += L'\\' + name;
    return path;
}

// A subkey is always relative: Windows refuses a leading backslash.
bool IsBadPath(const wchar_t* subkey) { return subkey && subkey[0] == L'\\'; }

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

    // The key the names lead to from `node`, null when one is missing.
    template <typename It>
    static std::shared_ptr<Node> Walk(std::shared_ptr<Node> node, It first, It last) {
        for (; node && first != last; ++first) {
            const auto it = node->subkeys.find(*first);
            node = it == node->subkeys.end() ? nullptr : it->second;
        }
        return node;
    }

    // The same, making the keys that are missing; `made` tells whether one was.
    static std::shared_ptr<Node> Make(std::shared_ptr<Node> node, const std::vector<std::wstring>& names, bool* made) {
        for (const std::wstring& name : names) {
            std::shared_ptr<Node>& child = node->subkeys[name];
            if (!child) {
                child = std::make_shared<Node>();
                child->path = node->path + L'\\' + name;
                node->cursorValid = false;
                if (made) *made = true;
            }
            node = child;
        }
        return node;
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

const std::shared_ptr<MemoryRegistry::Node>& MemoryRegistry::Root(HKEY root) const {
    const int index = RootIndex(root);
    if (index < 0) throw std::invalid_argument("not a predefined registry key");
    return roots_[index];
}

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Find(HKEY root, const std::wstring& path) const {
    const std::vector<std::wstring> names = Split(path.c_str());
    return Node::Walk(Root(root), names.begin(), names.end());
}

LONG MemoryRegistry::Resolve(HKEY key, Handle* resolved) const {
    const int index = RootIndex(key);
    const auto it = handles_.find(key);
    if (index < 0 && it == handles_.end()) return ERROR_INVALID_HANDLE;
    *resolved = index >= 0 ? Handle{roots_[index], KEY_ALL_ACCESS} : it->second;
    return ERROR_SUCCESS;
}

LONG MemoryRegistry::Fault(RegOp op, const std::wstring& keyPath, const wchar_t* valueOrSubkey) {
    for (const Rule& rule : rules_) {
        if (rule.op == op && CompareNames(rule.path, keyPath) == CSTR_EQUAL) return rule.error;
    }
    return hook_ ? hook_(op, keyPath, valueOrSubkey) : ERROR_SUCCESS;
}

LONG MemoryRegistry::Start(RegOp op, HKEY key, const wchar_t* name, REGSAM need, Handle* at) {
    ++counts_[Index(op)];
    if (const LONG error = Resolve(key, at)) return error;
    if (const LONG error = Fault(op, at->node->path, name)) return error;
    if ((at->access & need) != need) return ERROR_ACCESS_DENIED;
    return at->node->deleted ? ERROR_KEY_DELETED : ERROR_SUCCESS;
}

LONG MemoryRegistry::StartBelow(RegOp op, HKEY parent, const wchar_t* subkey, Handle* from,
                                std::vector<std::wstring>* names) {
    if (const LONG error = Resolve(parent, from)) return error;
    *names = Split(subkey);
    if (const LONG error = Fault(op, Join(from->node->path, *names), subkey)) return error;
    if (IsBadPath(subkey)) return ERROR_BAD_PATHNAME;
    return from->node->deleted ? ERROR_KEY_DELETED : ERROR_SUCCESS;
}

HKEY MemoryRegistry::NewHandle(std::shared_ptr<Node> node, REGSAM access) {
    // Never reused, so a stale handle is always recognised as invalid.
    const HKEY key = reinterpret_cast<HKEY>(nextHandle_);
    nextHandle_ += 4;
    handles_.emplace(key, Handle{std::move(node), access});
    return key;
}

LONG MemoryRegistry::OpenKey(HKEY parent, const wchar_t* subkey, REGSAM sam, HKEY* out) {
    ++counts_[Index(RegOp::Open)];
    *out = nullptr;
    Handle from;
    std::vector<std::wstring> names;
    if (const LONG error = StartBelow(RegOp::Open, parent, subkey, &from, &names)) return error;
    std::shared_ptr<Node> node = Node::Walk(from.node, names.begin(), names.end());
    if (!node) return ERROR_FILE_NOT_FOUND;
    *out = NewHandle(std::move(node), sam);
    return ERROR_SUCCESS;
}

LONG MemoryRegistry::CreateKey(HKEY parent, const wchar_t* subkey, REGSAM sam, HKEY* out, bool* created) {
    ++counts_[Index(RegOp::Create)];
    *out = nullptr;
    if (created) *created = false;
    Handle from;
    std::vector<std::wstring> names;
    if (const LONG error = StartBelow(RegOp::Create, parent, subkey, &from, &names)) return error;
    *out = NewHandle(Node::Make(from.node, names, created), sam);
    return ERROR_SUCCESS;
}

LONG MemoryRegistry::EnumKey(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars) {
    Handle at;
    if (const LONG error = Start(RegOp::EnumKey, key, nullptr, KEY_ENUMERATE_SUB_KEYS, &at)) return error;
    return CopyName(at.node->SubkeyAt(index), name, nameChars);
}

LONG MemoryRegistry::EnumValue(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars) {
    Handle at;
    if (const LONG error = Start(RegOp::EnumValue, key, nullptr, KEY_QUERY_VALUE, &at)) return error;
    const auto& values = at.node->values;
    return CopyName(index < values.size() ? &std::next(values.begin(), index)->first : nullptr, name, nameChars);
}

LONG MemoryRegistry::QueryValue(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* bytes) {
    Handle at;
    if (const LONG error = Start(RegOp::QueryValue, key, name, KEY_QUERY_VALUE, &at)) return error;
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
    }
    if (bytes) *bytes = size;
    return ERROR_SUCCESS;
}

LONG MemoryRegistry::SetValue(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD bytes) {
    Handle at;
    if (const LONG error = Start(RegOp::SetValue, key, name, KEY_SET_VALUE, &at)) return error;
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
    Handle at;
    if (const LONG error = Start(RegOp::DeleteValue, key, name, KEY_SET_VALUE, &at)) return error;
    return at.node->values.erase(ValueName(name)) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG MemoryRegistry::DeleteTree(HKEY parent, const wchar_t* subkey) {
    ++counts_[Index(RegOp::DeleteTree)];
    Handle from;
    std::vector<std::wstring> names;
    if (const LONG error = StartBelow(RegOp::DeleteTree, parent, subkey, &from, &names)) return error;
    Node& base = *from.node;

    if (!names.empty()) {
        const std::shared_ptr<Node> holder = Node::Walk(from.node, names.begin(), names.end() - 1);
        if (!holder) return ERROR_FILE_NOT_FOUND;
        const auto it = holder->subkeys.find(names.back());
        if (it == holder->subkeys.end()) return ERROR_FILE_NOT_FOUND;
        it->second->MarkDeleted();
        holder->EraseChild(it);
        return ERROR_SUCCESS;
    }

    // Emptying a key through its handle deletes the values through that handle,
    // after the subkeys.
    base.ClearChildren();
    if (!base.values.empty() && !(from.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    base.values.clear();
    return ERROR_SUCCESS;
}

LONG MemoryRegistry::CloseKey(HKEY key) {
    ++counts_[Index(RegOp::Close)];
    if (const int index = RootIndex(key); index >= 0) return Fault(RegOp::Close, roots_[index]->path, nullptr);
    const auto it = handles_.find(key);
    if (it == handles_.end()) return ERROR_INVALID_HANDLE;
    const std::wstring path = it->second.node->path;
    handles_.erase(it);
    return Fault(RegOp::Close, path, nullptr);
}

void MemoryRegistry::Set(HKEY root, const std::wstring& path, const std::wstring& name, const Value& value) {
    Node::Make(Root(root), Split(path.c_str()), nullptr)->values[name] = value;
}

std::optional<MemoryRegistry::Value> MemoryRegistry::Get(HKEY root, const std::wstring& path,
                                                         const std::wstring& name) const {
    const std::shared_ptr<Node> node = Find(root, path);
    if (!node) return std::nullopt;
    const auto it = node->values.find(name);
    if (it == node->values.end()) return std::nullopt;
    return it->second;
}

std::ostream& operator<<(std::ostream& os, const MemoryRegistry::Value& value) {
    const auto flags = os.flags();
    os << "{type " << std::dec << value.type << ", bytes" << std::hex << std::setfill('0');
    for (const BYTE b : value.bytes) os << ' ' << std::setw(2) << static_cast<unsigned>(b);
    os.flags(flags);
    return os << '}';
}

}  // namespace qz::test

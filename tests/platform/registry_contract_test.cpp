// The same cases against the in-memory registry and the real one: what passes
// here for both is what lets unit tests on the in-memory one stand for Windows.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/memory_registry.h"
#include "platform/registry.h"
#include "support/registry_sandbox.h"

namespace qz::platform {
namespace {

using Value = MemoryRegistry::Value;
using Bytes = std::vector<BYTE>;

enum class Backend { Memory, Win32 };

void PrintTo(Backend backend, std::ostream* os) { *os << (backend == Backend::Memory ? "Memory" : "Win32"); }

Bytes Utf16(const std::wstring& text) {
    const auto* first = reinterpret_cast<const BYTE*>(text.data());
    return Bytes(first, first + text.size() * sizeof(wchar_t));
}

class RegistryContract : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::Win32) sandbox_.emplace();
        scope_.emplace(GetParam() == Backend::Win32 ? Win32Registry() : memory_);
    }

    IRegistry& reg() { return Registry(); }

    // The key stays open until the test ends.
    HKEY Create(HKEY parent, const wchar_t* path, REGSAM sam = KEY_ALL_ACCESS) {
        keys_.emplace_back();
        EXPECT_EQ(keys_.back().Create(parent, path, sam), ERROR_SUCCESS) << path;
        return keys_.back().Get();
    }

    HKEY Open(HKEY parent, const wchar_t* path, REGSAM sam) {
        keys_.emplace_back();
        EXPECT_EQ(keys_.back().Open(parent, path, sam), ERROR_SUCCESS) << path;
        return keys_.back().Get();
    }

    // A character that is not zero follows the data, so that no terminating zero
    // is added to strings on the way in.
    LONG Write(HKEY key, const wchar_t* name, DWORD type, const Bytes& bytes) {
        Bytes padded = bytes;
        padded.insert(padded.end(), {'X', 0});
        return reg().SetValue(key, name, type, padded.data(), static_cast<DWORD>(bytes.size()));
    }

    // Asks the size, then reads with exactly that room.
    std::optional<Value> Read(HKEY key, const wchar_t* name) {
        Value value;
        DWORD size = 0;
        if (reg().QueryValue(key, name, &value.type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
        value.bytes.resize(size);
        EXPECT_EQ(reg().QueryValue(key, name, &value.type, value.bytes.data(), &size), ERROR_SUCCESS);
        EXPECT_EQ(size, value.bytes.size());
        return value;
    }

    std::vector<std::wstring> Subkeys(HKEY key) {
        std::vector<std::wstring> names;
        for (DWORD index = 0;; ++index) {
            wchar_t name[256];
            DWORD chars = 256;
            const LONG result = reg().EnumKey(key, index, name, &chars);
            if (result != ERROR_SUCCESS) {
                EXPECT_EQ(result, ERROR_NO_MORE_ITEMS);
                return names;
            }
            names.emplace_back(name, chars);
        }
    }

    std::optional<test::RegistrySandbox> sandbox_;
    MemoryRegistry memory_;
    std::optional<ScopedRegistry> scope_;
    std::vector<RegKey> keys_;  // closed first, while the registry and sandbox are still there
};

TEST_P(RegistryContract, OpenFindsExistingKeysByRelativePathOnly) {
    Create(HKEY_CURRENT_USER, L"Software\\Qz");
    const struct {
        const wchar_t* path;
        LONG result;
    } cases[] = {{L"Software\\Qz\\", ERROR_SUCCESS},
                 {L"Software\\Nope", ERROR_FILE_NOT_FOUND},
                 {L"Software\\Qz\\Nope\\Deeper", ERROR_FILE_NOT_FOUND},
                 {L"\\Software", ERROR_BAD_PATHNAME}};
    for (const auto& c : cases) {
        HKEY key = reinterpret_cast<HKEY>(1);
        EXPECT_EQ(reg().OpenKey(HKEY_CURRENT_USER, c.path, KEY_READ, &key), c.result) << c.path;
        const RegKey owned(key);
        EXPECT_EQ(key != nullptr, c.result == ERROR_SUCCESS) << c.path;
    }
    HKEY key = nullptr;
    EXPECT_EQ(reg().CreateKey(HKEY_CURRENT_USER, L"\\Software\\New", KEY_ALL_ACCESS, &key, nullptr),
              ERROR_BAD_PATHNAME);
    EXPECT_EQ(reg().DeleteTree(HKEY_CURRENT_USER, L"\\Software"), ERROR_BAD_PATHNAME);
}

TEST_P(RegistryContract, CreateTellsNewKeysAndKeepsTheCaseFirstGiven) {
    const struct {
        const wchar_t* path;
        bool created;
    } steps[] = {
        {L"Software\\Qz\\Deep", true},
        {L"SOFTWARE\\qz\\DEEP\\", false},
        {L"software\\QZ\\Other", true},
        {L"Software\\Qz\\\u00e9t\u00e9", true},
        {L"Software\\Qz\\\u00c9T\u00c9", false},
    };
    for (const auto& step : steps) {
        RegKey key;
        bool created = !step.created;
        EXPECT_EQ(key.Create(HKEY_CURRENT_USER, step.path, KEY_ALL_ACCESS, &created), ERROR_SUCCESS) << step.path;
        EXPECT_EQ(created, step.created) << step.path;
    }
    EXPECT_EQ(Subkeys(Open(HKEY_CURRENT_USER, L"Software", KEY_READ)), std::vector<std::wstring>{L"Qz"});
    EXPECT_EQ(Subkeys(Open(HKEY_CURRENT_USER, L"Software\\Qz", KEY_READ)),
              (std::vector<std::wstring>{L"Deep", L"Other", L"\u00e9t\u00e9"}));
}

TEST_P(RegistryContract, NullOrEmptySubkeyGivesANewHandleToTheSameKey) {
    const HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Qz");
    using Reopen = std::function<LONG(const wchar_t*, RegKey&)>;
    const Reopen reopens[] = {
        [&](const wchar_t* subkey, RegKey& out) { return out.Open(key, subkey, KEY_ALL_ACCESS); },
        [&](const wchar_t* subkey, RegKey& out) { return out.Create(key, subkey, KEY_ALL_ACCESS); },
    };
    for (const Reopen& reopen : reopens) {
        for (const wchar_t* subkey : {static_cast<const wchar_t*>(nullptr), L""}) {
            RegKey again;
            ASSERT_EQ(reopen(subkey, again), ERROR_SUCCESS);
            EXPECT_NE(again.Get(), key);
            ASSERT_EQ(reg().SetValue(again.Get(), L"seen", REG_DWORD, Value::Dword(7).bytes.data(), 4), ERROR_SUCCESS);
            EXPECT_EQ(Read(key, L"seen"), Value::Dword(7));
        }
    }
}

TEST_P(RegistryContract, SubkeysEnumerateInOrderWithoutRegardToCase) {
    const HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Qz");
    for (const wchar_t* name : {L"b", L"A", L"c2", L"C1", L"10", L"9", L"-x"}) Create(key, name);
    EXPECT_EQ(Subkeys(key), (std::vector<std::wstring>{L"-x", L"10", L"9", L"A", L"b", L"C1", L"c2"}));
}

TEST_P(RegistryContract, EnumKeyNeedsRoomForTheNameAndItsZero) {
    const HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Qz");
    Create(key, L"123456789");
    const struct {
        DWORD room;
        LONG result;
    } cases[] = {{11, ERROR_SUCCESS}, {10, ERROR_SUCCESS}, {9, ERROR_MORE_DATA}, {0, ERROR_MORE_DATA}};
    for (const auto& c : cases) {
        wchar_t name[16] = L"untouched";
        DWORD chars = c.room;
        EXPECT_EQ(reg().EnumKey(key, 0, name, &chars), c.result) << c.room;
        EXPECT_STREQ(name, c.result == ERROR_SUCCESS ? L"123456789" : L"untouched") << c.room;
        if (c.result == ERROR_SUCCESS) {
            EXPECT_EQ(chars, 9u);
        }
    }
    DWORD chars = 16;
    wchar_t name[16];
    EXPECT_EQ(reg().EnumKey(key, 1, name, &chars), ERROR_NO_MORE_ITEMS);
}

TEST_P(RegistryContract, ValuesKeepTheirTypeAndExactBytes) {
    const HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Qz");
    const Value values[] = {
        {REG_SZ, Utf16(std::wstring(L"ab", 3))},
        {REG_SZ, Utf16(L"ab")},
        {REG_SZ, {'a', 0, 'b', 0, 'c'}},
        {REG_EXPAND_SZ, Utf16(std::wstring(L"%x%", 4))},
        {REG_MULTI_SZ, Utf16(std::wstring(L"a\0b\0", 5))},
        Value::Dword(0x01020304),
        {REG_DWORD, {1, 2, 3}},
        {REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
        {REG_BINARY, {}},
    };
    for (const Value& value : values) {
        ASSERT_EQ(Write(key, L"v", value.type, value.bytes), ERROR_SUCCESS) << value;
        EXPECT_EQ(Read(key, L"v"), value);
    }
}

TEST_P(RegistryContract, AStringWrittenWithoutItsZeroGetsItWhenOneFollows) {
    const HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Qz");
    const wchar_t text[] = L"abc";
    const struct {
        DWORD type;
        size_t stored;
    } cases[] = {{REG_SZ, 8}, {REG_EXPAND_SZ, 8}, {REG_MULTI_SZ, 8}, {REG_BINARY, 6}};
    for (const auto& c : cases) {
        ASSERT_EQ(reg().SetValue(key, L"v", c.type, reinterpret_cast<const BYTE*>(text), 6), ERROR_SUCCESS);
        const std::optional<Value> read = Read(key, L"v");
        ASSERT_TRUE(read);
        EXPECT_EQ(read->bytes.size(), c.stored) << c.type;
    }
}

// Short room asks for more; spare room ends an unterminated string, as Windows does.
TEST_P(RegistryContract, QueryValueAnswersByTheRoomGiven) {
    const HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Qz");
    ASSERT_EQ(Write(key, L"text", REG_SZ, Utf16(L"abc")), ERROR_SUCCESS);
    ASSERT_EQ(Write(key, L"binary", REG_BINARY, Utf16(L"abc")), ERROR_SUCCESS);
    const Bytes untouched(8, 0x55), abc = Utf16(L"abc");
    Bytes ended = abc;
    ended.insert(ended.end(), {0, 0});
    const struct {
        const wchar_t* name;
        DWORD room;
        LONG result;
        Bytes data;
    } cases[] = {
        {L"text", 0, ERROR_MORE_DATA, untouched},
        {L"text", 5, ERROR_MORE_DATA, untouched},
        {L"text", 6, ERROR_SUCCESS, Utf16(L"abc\x5555")},
        {L"text", 7, ERROR_SUCCESS, Utf16(L"abc\x5555")},
        {L"text", 8, ERROR_SUCCESS, ended},
        {L"binary", 8, ERROR_SUCCESS, Utf16(L"abc\x5555")},
    };
    for (const auto& c : cases) {
        Bytes data = untouched;
        DWORD bytes = c.room, type = REG_NONE;
        EXPECT_EQ(reg().QueryValue(key, c.name, &type, data.data(), &bytes), c.result) << c.name << c.room;
        EXPECT_EQ(bytes, 6u);
        EXPECT_EQ(type, static_cast<DWORD>(c.name[0] == L't' ? REG_SZ : REG_BINARY));
        if (c.result == ERROR_SUCCESS) {
            EXPECT_EQ(data, c.data) << c.name << " room " << c.room;
        }
    }
    EXPECT_EQ(reg().QueryValue(key, L"text", nullptr, Bytes(8).data(), nullptr), ERROR_INVALID_PARAMETER);
}

TEST_P(RegistryContract, ValueNamesIgnoreCaseAndTheDefaultValueHasNoName) {
    const HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Qz");
    ASSERT_EQ(Write(key, L"Name", REG_DWORD, Value::Dword(1).bytes), ERROR_SUCCESS);
    ASSERT_EQ(Write(key, L"NAME", REG_DWORD, Value::Dword(2).bytes), ERROR_SUCCESS);
    EXPECT_EQ(Read(key, L"name"), Value::Dword(2));

    ASSERT_EQ(Write(key, nullptr, REG_DWORD, Value::Dword(3).bytes), ERROR_SUCCESS);
    EXPECT_EQ(Read(key, L""), Value::Dword(3));
    EXPECT_EQ(reg().DeleteValue(key, L""), ERROR_SUCCESS);
    EXPECT_EQ(Read(key, nullptr), std::nullopt);
    EXPECT_EQ(reg().DeleteValue(key, nullptr), ERROR_FILE_NOT_FOUND);
    DWORD bytes = 0;
    EXPECT_EQ(reg().QueryValue(key, L"missing", nullptr, nullptr, &bytes), ERROR_FILE_NOT_FOUND);
}

TEST_P(RegistryContract, TheRightsOfAHandleDecideWhatGoesThroughIt) {
    enum Op { Query, Enum, Set, Unset, CreateBelow, DeleteBelow, Empty };
    const struct {
        REGSAM sam;
        Op op;
        LONG result;
    } cases[] = {
        {KEY_READ, Query, ERROR_SUCCESS},        {KEY_READ, Enum, ERROR_SUCCESS},
        {KEY_READ, Set, ERROR_ACCESS_DENIED},    {KEY_READ, Unset, ERROR_ACCESS_DENIED},
        {KEY_READ, CreateBelow, ERROR_SUCCESS},  {KEY_READ, DeleteBelow, ERROR_SUCCESS},
        {KEY_READ, Empty, ERROR_ACCESS_DENIED},  {KEY_WRITE, Query, ERROR_ACCESS_DENIED},
        {KEY_WRITE, Enum, ERROR_ACCESS_DENIED},  {KEY_WRITE, Set, ERROR_SUCCESS},
        {KEY_WRITE, Unset, ERROR_SUCCESS},       {KEY_QUERY_VALUE, Enum, ERROR_ACCESS_DENIED},
        {KEY_ENUMERATE_SUB_KEYS, Query, ERROR_ACCESS_DENIED},
        {KEY_READ | KEY_WRITE, Empty, ERROR_SUCCESS},
    };
    for (const auto& c : cases) {
        const std::wstring path = L"Software\\Case" + std::to_wstring(&c - cases);
        Create(HKEY_CURRENT_USER, (path + L"\\Below").c_str());
        ASSERT_EQ(Write(Open(HKEY_CURRENT_USER, path.c_str(), KEY_SET_VALUE), L"v", REG_DWORD, Value::Dword(1).bytes),
                  ERROR_SUCCESS);
        const HKEY key = Open(HKEY_CURRENT_USER, path.c_str(), c.sam);
        DWORD chars = 16, bytes = 0;
        wchar_t name[16];
        RegKey created;
        LONG result = ERROR_INVALID_FUNCTION;
        switch (c.op) {
            case Query: result = reg().QueryValue(key, L"v", nullptr, nullptr, &bytes); break;
            case Enum: result = reg().EnumKey(key, 0, name, &chars); break;
            case Set: result = reg().SetValue(key, L"v", REG_BINARY, nullptr, 0); break;
            case Unset: result = reg().DeleteValue(key, L"v"); break;
            case CreateBelow: result = reg().CreateKey(key, L"New", KEY_READ, created.Put(), nullptr); break;
            case DeleteBelow: result = reg().DeleteTree(key, L"Below"); break;
            case Empty: result = reg().DeleteTree(key, nullptr); break;
        }
        EXPECT_EQ(result, c.result) << "sam " << std::hex << c.sam << " op " << c.op;
    }
}

TEST_P(RegistryContract, DeleteTreeRemovesAKeyWithAllBelowOrEmptiesTheKeyGiven) {
    const HKEY qz = Create(HKEY_CURRENT_USER, L"Software\\Qz");
    ASSERT_EQ(Write(Create(qz, L"A\\B"), L"v", REG_DWORD, Value::Dword(1).bytes), ERROR_SUCCESS);
    Create(qz, L"Kept");
    EXPECT_EQ(reg().DeleteTree(Open(qz, nullptr, KEY_READ), L"a"), ERROR_SUCCESS);
    EXPECT_EQ(Subkeys(qz), std::vector<std::wstring>{L"Kept"});
    EXPECT_EQ(reg().DeleteTree(qz, L"A"), ERROR_FILE_NOT_FOUND);

    for (const wchar_t* subkey : {static_cast<const wchar_t*>(nullptr), L""}) {
        Create(qz, L"A\\B");
        ASSERT_EQ(Write(qz, L"v", REG_DWORD, Value::Dword(1).bytes), ERROR_SUCCESS);
        EXPECT_EQ(reg().DeleteTree(qz, subkey), ERROR_SUCCESS);
        EXPECT_EQ(Subkeys(qz), std::vector<std::wstring>{});
        EXPECT_EQ(Read(qz, L"v"), std::nullopt);
        EXPECT_NE(Open(HKEY_CURRENT_USER, L"Software\\Qz", KEY_READ), nullptr);
    }
}

TEST_P(RegistryContract, AHandleToADeletedKeyAnswersKeyDeleted) {
    const HKEY deleted = Create(HKEY_CURRENT_USER, L"Software\\Qz\\A");
    ASSERT_EQ(reg().DeleteTree(HKEY_CURRENT_USER, L"Software\\Qz"), ERROR_SUCCESS);
    HKEY key = nullptr;
    DWORD chars = 16, bytes = 4;
    wchar_t name[16];
    BYTE data[4] = {};
    EXPECT_EQ(reg().OpenKey(deleted, L"", KEY_READ, &key), ERROR_KEY_DELETED);
    EXPECT_EQ(reg().CreateKey(deleted, L"B", KEY_READ, &key, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(reg().EnumKey(deleted, 0, name, &chars), ERROR_KEY_DELETED);
    EXPECT_EQ(reg().QueryValue(deleted, L"v", nullptr, data, &bytes), ERROR_KEY_DELETED);
    EXPECT_EQ(reg().SetValue(deleted, L"v", REG_BINARY, data, 4), ERROR_KEY_DELETED);
    EXPECT_EQ(reg().DeleteValue(deleted, L"v"), ERROR_KEY_DELETED);
    EXPECT_EQ(reg().DeleteTree(deleted, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(keys_.back().Close(), ERROR_SUCCESS);
}

TEST_P(RegistryContract, ClosingAnswersLikeWindows) {
    EXPECT_EQ(reg().CloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
    EXPECT_EQ(reg().CloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_EQ(reg().CloseKey(nullptr), ERROR_INVALID_HANDLE);
    HKEY key = nullptr;
    ASSERT_EQ(reg().CreateKey(HKEY_CURRENT_USER, L"Software\\Qz", KEY_ALL_ACCESS, &key, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(reg().CloseKey(key), ERROR_SUCCESS);
    DWORD bytes = 0;
    EXPECT_EQ(reg().QueryValue(key, L"v", nullptr, nullptr, &bytes), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg().CloseKey(key), ERROR_INVALID_HANDLE);
}

INSTANTIATE_TEST_SUITE_P(Backends, RegistryContract, ::testing::Values(Backend::Memory, Backend::Win32),
                         [](const ::testing::TestParamInfo<Backend>& info) {
                             return info.param == Backend::Memory ? "Memory" : "Win32";
                         });

}  // namespace
}  // namespace qz::platform

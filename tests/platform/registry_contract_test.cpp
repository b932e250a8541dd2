// The same cases against the in-memory registry and the real one: what passes
// here for both is what lets unit tests on the in-memory one stand for Windows.
// Then what the logic relies on beyond the registry's contract: the RegKey
// owner, and the in-memory registry's fault injection, operation counts and
// handle ledger that the sweeps stand on.
#include <gtest/gtest.h>

#include <deque>
#include <optional>

#include "platform/registry.h"
#include "testing/memory_registry.h"
#include "testing/registry_sandbox.h"

namespace qz::platform {
namespace {

using Value = test::MemoryRegistry::Value;
using Bytes = std::vector<BYTE>;
using Names = std::vector<std::wstring>;

// Values and subkey names as the RegKey owner reads them: it asks with room for
// the usual sizes and asks again with the size answered.
std::optional<Value> Read(const RegKey& key, const wchar_t* name) {
    Value value;
    if (key.ReadValue(name, &value.type, &value.bytes) != ERROR_SUCCESS) return std::nullopt;
    return value;
}
Names Subkeys(const RegKey& key) {
    Names names;
    std::wstring name;
    while (key.SubkeyName(DWORD(names.size()), &name) == ERROR_SUCCESS) names.push_back(name);
    return names;
}

class RegistryContract : public ::testing::TestWithParam<bool> {  // whether the real registry
protected:
    void SetUp() override {
        if (GetParam()) sandbox_.emplace();
        scope_.emplace(GetParam() ? Win32Registry() : memory_);
    }

    // The key stays open until the test ends.
    RegKey& Key(HKEY parent, const wchar_t* path, REGSAM sam = KEY_ALL_ACCESS, bool open = false) {
        RegKey& key = keys_.emplace_back();
        EXPECT_EQ(open ? key.Open(parent, path, sam) : key.Create(parent, path, sam), ERROR_SUCCESS);
        return key;
    }

    std::optional<test::RegistrySandbox> sandbox_;
    test::MemoryRegistry memory_;
    std::optional<ScopedRegistry> scope_;
    std::deque<RegKey> keys_;  // closed first, while the registry and sandbox are still there
};

// Names ignore case (beyond ASCII too) and keep the case first given; null and
// empty both name the default value.
TEST_P(RegistryContract, KeyAndValueNamesIgnoreCase) {
    std::vector<bool> created;
    for (const wchar_t* path : {L"Software\\Qz\\Deep", L"SOFTWARE\\qz\\DEEP\\", L"Software\\Qz\\\u00e9t\u00e9",
                                L"Software\\Qz\\\u00c9T\u00c9"}) {
        bool isNew = false;
        EXPECT_EQ(RegKey().Create(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS, &isNew), ERROR_SUCCESS) << path;
        created.push_back(isNew);
    }
    EXPECT_EQ(created, (std::vector<bool>{true, false, true, false}));
    RegKey& key = Key(HKEY_CURRENT_USER, L"software\\QZ", KEY_ALL_ACCESS, true);
    EXPECT_EQ(Subkeys(key), (Names{L"Deep", L"\u00e9t\u00e9"}));
    for (const auto& [name, number] : {std::pair{L"Name", 1}, {L"NAME", 2}}) key.WriteDword(name, number);
    EXPECT_EQ(Read(key, L"name"), Value::Dword(2));
    ASSERT_EQ(key.WriteDword(nullptr, 3), ERROR_SUCCESS);
    EXPECT_EQ(Read(key, L""), Value::Dword(3));
}

// Sorted as upper-cased names; the room must hold the name and its zero, and
// too little room leaves the buffer as it was.
TEST_P(RegistryContract, SubkeysEnumerateSortedAndNeedRoomForTheNameAndItsZero) {
    const RegKey& key = Key(HKEY_CURRENT_USER, L"Software\\Qz");
    for (const wchar_t* name : {L"b", L"A", L"c2", L"C1", L"10", L"9", L"-x", L"123456789"}) Key(key.Get(), name);
    EXPECT_EQ(Subkeys(key), (Names{L"-x", L"10", L"123456789", L"9", L"A", L"b", L"C1", L"c2"}));
    for (const DWORD room : {10u, 9u, 0u}) {
        wchar_t name[16] = L"untouched";
        DWORD chars = room;
        EXPECT_EQ(Registry().EnumKey(key.Get(), 2, name, &chars), room > 9 ? ERROR_SUCCESS : ERROR_MORE_DATA) << room;
        EXPECT_STREQ(name, room > 9 ? L"123456789" : L"untouched") << room;
    }
}

// Names as long as the registry allows come back whole, values in the order of their names.
TEST_P(RegistryContract, TheLongestNamesAreEnumeratedWhole) {
    const std::wstring longestKey(255, L'k'), longestValue(16383, L'v');
    RegKey& qz = Key(HKEY_CURRENT_USER, L"Software\\Qz");
    Key(qz.Get(), longestKey.c_str());
    for (const std::wstring& name : {longestValue, std::wstring(L"b"), std::wstring()})
        ASSERT_EQ(qz.WriteValue(name.c_str(), REG_BINARY, {}), ERROR_SUCCESS);
    const RegKey& reader = Key(HKEY_CURRENT_USER, L"Software\\Qz", KEY_READ, true);
    EXPECT_EQ(Subkeys(reader), Names{longestKey});
    Names values;
    std::wstring name;
    for (DWORD i = 0; reader.ValueName(i, &name) == ERROR_SUCCESS; ++i) values.push_back(name);
    EXPECT_EQ(values, (Names{L"", L"b", longestValue}));
    wchar_t shortRoom[2];
    DWORD chars = 2;
    EXPECT_EQ(Registry().EnumValue(reader.Get(), 2, shortRoom, &chars), ERROR_MORE_DATA);
}

// Exact bytes and type; a string written without its zero gets one only when a
// zero follows the data given.
TEST_P(RegistryContract, ValuesKeepTheirTypeAndExactBytes) {
    RegKey& key = Key(HKEY_CURRENT_USER, L"Software\\Qz");
    const Value values[] = {
        // clang-format off
        Value::String(L"ab"), {REG_SZ, {'a', 0, 'b', 0}}, {REG_SZ, {'a', 0, 'b', 0, 'c'}},
        Value::String(L"%x%", REG_EXPAND_SZ), Value::String(std::wstring(L"a\0b\0", 4), REG_MULTI_SZ),
        Value::Dword(0x01020304), {REG_DWORD, {1, 2, 3}}, {REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}}, {REG_BINARY, {}},
        // clang-format on
    };
    for (const Value& value : values) {
        ASSERT_EQ(key.WriteValue(L"v", value.type, value.bytes), ERROR_SUCCESS) << value;
        EXPECT_EQ(Read(key, L"v"), value);
    }
    for (const DWORD type : {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY}) {
        ASSERT_EQ(Registry().SetValue(key.Get(), L"v", type, reinterpret_cast<const BYTE*>(L"abc"), 6), ERROR_SUCCESS);
        EXPECT_EQ(Read(key, L"v").value_or(Value()).bytes.size(), type == REG_BINARY ? 6u : 8u) << type;
    }
    // No buffer asks the size; too little room asks for more and leaves the buffer as it was.
    ASSERT_EQ(key.WriteValue(L"text", REG_SZ, {'a', 0, 'b', 0, 'c', 0}), ERROR_SUCCESS);
    const Bytes untouched(8, 0x55), read = {'a', 0, 'b', 0, 'c', 0, 0x55, 0x55};
    for (const auto& [room, expected] : {std::pair{0ul, &untouched}, {5ul, nullptr}, {6ul, &read}}) {
        Bytes data = untouched;
        DWORD bytes = room, type = REG_NONE;
        EXPECT_EQ(Registry().QueryValue(key.Get(), L"text", &type, room ? data.data() : nullptr, &bytes),
                  expected ? ERROR_SUCCESS : ERROR_MORE_DATA)
            << room;
        EXPECT_EQ(std::make_pair(bytes, type), std::make_pair(6ul, DWORD(REG_SZ))) << room;
        EXPECT_EQ(data, expected ? *expected : untouched) << room;
    }
}

// A read handle changes nothing; DeleteTree removes a key with all below it
// (the rights below are the key's own) or empties the key given; a handle to
// a deleted key answers ERROR_KEY_DELETED.
TEST_P(RegistryContract, ReadHandlesDeletedKeysAndDeleteTree) {
    RegKey& qz = Key(HKEY_CURRENT_USER, L"Software\\Qz");
    ASSERT_EQ(qz.WriteDword(L"v", 1), ERROR_SUCCESS);
    const RegKey& readOnly = Key(HKEY_CURRENT_USER, L"Software\\Qz", KEY_READ, true);
    EXPECT_EQ(Registry().SetValue(readOnly.Get(), L"v", REG_BINARY, nullptr, 0), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Registry().DeleteValue(readOnly.Get(), L"v"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Registry().DeleteTree(readOnly.Get(), nullptr), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Read(readOnly, L"v"), Value::Dword(1));
    ASSERT_EQ(Key(qz.Get(), L"A\\B").WriteDword(L"v", 1), ERROR_SUCCESS);
    Key(qz.Get(), L"Kept");
    EXPECT_EQ(Registry().DeleteTree(readOnly.Get(), L"a"), ERROR_SUCCESS);
    EXPECT_EQ(Subkeys(qz), Names{L"Kept"});
    EXPECT_EQ(Registry().DeleteTree(qz.Get(), L"A"), ERROR_FILE_NOT_FOUND);
    for (const wchar_t* subkey : {static_cast<const wchar_t*>(nullptr), L""}) {
        Key(qz.Get(), L"A\\B");
        EXPECT_EQ(Registry().DeleteTree(qz.Get(), subkey), ERROR_SUCCESS);
        EXPECT_EQ(std::make_pair(Subkeys(qz), Read(qz, L"v")), std::make_pair(Names{}, std::optional<Value>()));
        ASSERT_EQ(qz.WriteDword(L"v", 1), ERROR_SUCCESS);
    }
    const HKEY deleted = Key(qz.Get(), L"A").Get();
    ASSERT_EQ(Registry().DeleteTree(HKEY_CURRENT_USER, L"Software\\Qz"), ERROR_SUCCESS);
    HKEY key = nullptr;
    DWORD chars = 16, bytes = 4;
    wchar_t name[16];
    BYTE data[4] = {};
    const LONG results[] = {Registry().OpenKey(deleted, L"", KEY_READ, &key),
                            Registry().CreateKey(deleted, L"B", KEY_READ, &key, nullptr),
                            Registry().EnumKey(deleted, 0, name, &chars),
                            Registry().QueryValue(deleted, L"v", nullptr, data, &bytes),
                            Registry().SetValue(deleted, L"v", REG_BINARY, data, 4),
                            Registry().DeleteValue(deleted, L"v"),
                            Registry().DeleteTree(deleted, nullptr)};
    for (const LONG result : results) EXPECT_EQ(result, ERROR_KEY_DELETED);
}

INSTANTIATE_TEST_SUITE_P(Backends, RegistryContract, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Win32" : "Memory"; });

// A key holds at most one handle through reopening, failed opens and moves,
// and closes it through the registry it was opened from, even once another is
// installed, answering that registry's result.
TEST(RegKeyTest, HoldsOneHandleAndClosesItThroughTheRegistryItCameFrom) {
    test::MemoryRegistry reg;
    RegKey key, other;
    {
        ScopedRegistry scope(reg);
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, L"A", KEY_ALL_ACCESS), ERROR_SUCCESS);
        ASSERT_EQ(key.Open(HKEY_CURRENT_USER, L"A", KEY_READ), ERROR_SUCCESS);
        ASSERT_EQ(other.Open(HKEY_CURRENT_USER, nullptr, KEY_READ), ERROR_SUCCESS);
        EXPECT_EQ(other.Open(HKEY_CURRENT_USER, L"Missing", KEY_READ), ERROR_FILE_NOT_FOUND);
        EXPECT_FALSE(other);
        ASSERT_EQ(other.Open(HKEY_CURRENT_USER, nullptr, KEY_READ), ERROR_SUCCESS);
        other = std::move(key);
    }
    EXPECT_FALSE(key);
    EXPECT_EQ(reg.OpenHandleCount(), 1u);
    reg.FailOn(RegOp::Close, L"HKEY_CURRENT_USER\\A", ERROR_BADKEY);
    RegKey moved(std::move(other));
    EXPECT_EQ(moved.Close(), ERROR_BADKEY);
    EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

// The hook sees every operation and can fail any one without leaking a handle;
// operations are counted, failed ones too.
TEST(MemoryRegistryTest, FaultsCountsAndTheHandleLedger) {
    test::MemoryRegistry reg;
    std::vector<std::tuple<RegOp, std::wstring, std::wstring>> calls;
    size_t failAt = 0;
    reg.SetFaultHook([&](RegOp op, const std::wstring& path, const wchar_t* name) -> LONG {
        calls.emplace_back(op, path, name ? name : L"(null)");
        return calls.size() == failAt ? ERROR_NOT_ENOUGH_MEMORY : ERROR_SUCCESS;
    });
    for (failAt = 0; failAt <= 4; ++failAt) {
        calls.clear();
        reg.ResetCounts();
        HKEY key = nullptr;
        const LONG results[] = {reg.CreateKey(HKEY_LOCAL_MACHINE, L"X\\Y", KEY_ALL_ACCESS, &key, nullptr),
                                reg.SetValue(key, L"v", REG_BINARY, nullptr, 0), reg.CloseKey(key),
                                reg.DeleteTree(HKEY_LOCAL_MACHINE, L"X")};
        EXPECT_EQ(failAt ? results[failAt - 1] : ERROR_NOT_ENOUGH_MEMORY, ERROR_NOT_ENOUGH_MEMORY) << failAt;
        EXPECT_EQ(reg.OpenHandleCount(), 0u) << failAt << ": a failed close still closes";
        EXPECT_EQ(reg.TotalCount(), 4u);
        EXPECT_EQ(reg.Count(RegOp::SetValue), 1u);
    }
    EXPECT_EQ(calls, (decltype(calls){{RegOp::Create, L"HKEY_LOCAL_MACHINE\\X\\Y", L"X\\Y"},
                                      {RegOp::SetValue, L"HKEY_LOCAL_MACHINE\\X\\Y", L"v"},
                                      {RegOp::Close, L"HKEY_LOCAL_MACHINE\\X\\Y", L"(null)"},
                                      {RegOp::DeleteTree, L"HKEY_LOCAL_MACHINE\\X", L"X"}}));
}

}  // namespace
}  // namespace qz::platform

// The same cases against the in-memory registry and the real one: what passes
// here for both is what lets unit tests on the in-memory one stand for Windows.
// Then what the logic relies on beyond the registry's contract: the RegKey
// owner, and the in-memory registry's fault injection, operation counts and
// handle ledger that the sweeps stand on.
#include <gtest/gtest.h>

#include <optional>

#include "platform/registry.h"
#include "testing/memory_registry.h"
#include "testing/registry_sandbox.h"

namespace qz::platform {
namespace {

using Value = test::MemoryRegistry::Value;
using Bytes = std::vector<BYTE>;
using Names = std::vector<std::wstring>;

Bytes Utf16(const std::wstring& text) {
    return Bytes(reinterpret_cast<const BYTE*>(text.data()), reinterpret_cast<const BYTE*>(text.data() + text.size()));
}

class RegistryContract : public ::testing::TestWithParam<bool> {  // whether the real registry
protected:
    void SetUp() override {
        if (GetParam()) sandbox_.emplace();
        scope_.emplace(GetParam() ? Win32Registry() : memory_);
    }

    // The key stays open until the test ends.
    HKEY Key(HKEY parent, const wchar_t* path, REGSAM sam = KEY_ALL_ACCESS, bool open = false) {
        keys_.emplace_back();
        EXPECT_EQ(open ? keys_.back().Open(parent, path, sam) : keys_.back().Create(parent, path, sam), ERROR_SUCCESS);
        return keys_.back().Get();
    }
    // A character that is not zero follows the data, so that no terminating
    // zero is added to strings on the way in.
    LONG Write(HKEY key, const wchar_t* name, DWORD type, const Bytes& bytes) {
        Bytes padded = bytes;
        padded.insert(padded.end(), {'X', 0});
        return Registry().SetValue(key, name, type, padded.data(), static_cast<DWORD>(bytes.size()));
    }
    // Asks the size, then reads with exactly that room.
    std::optional<Value> Read(HKEY key, const wchar_t* name) {
        Value value;
        DWORD size = 0;
        if (Registry().QueryValue(key, name, &value.type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
        value.bytes.resize(size);
        EXPECT_EQ(Registry().QueryValue(key, name, &value.type, value.bytes.data(), &size), ERROR_SUCCESS);
        EXPECT_EQ(size, value.bytes.size());
        return value;
    }
    Names Subkeys(HKEY key) {
        Names names;
        wchar_t name[256];
        DWORD chars = 256;
        LONG result;
        while ((result = Registry().EnumKey(key, DWORD(names.size()), name, &chars)) == ERROR_SUCCESS)
            names.emplace_back(name, std::exchange(chars, 256));  // the length answered ends the name
        EXPECT_EQ(result, ERROR_NO_MORE_ITEMS);
        return names;
    }

    std::optional<test::RegistrySandbox> sandbox_;
    test::MemoryRegistry memory_;
    std::optional<ScopedRegistry> scope_;
    std::vector<RegKey> keys_;  // closed first, while the registry and sandbox are still there
};

// Names ignore case (beyond ASCII too) and keep the case first given; null and
// empty both name the default value.
TEST_P(RegistryContract, KeyAndValueNamesIgnoreCase) {
    const std::pair<const wchar_t*, bool> steps[] = {{L"Software\\Qz\\Deep", true},
                                                     {L"SOFTWARE\\qz\\DEEP\\", false},
                                                     {L"Software\\Qz\\\u00e9t\u00e9", true},
                                                     {L"Software\\Qz\\\u00c9T\u00c9", false}};
    for (const auto& [path, isNew] : steps) {
        RegKey key;
        bool created = !isNew;
        EXPECT_EQ(key.Create(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS, &created), ERROR_SUCCESS) << path;
        EXPECT_EQ(created, isNew) << path;
    }
    const HKEY key = Key(HKEY_CURRENT_USER, L"software\\QZ", KEY_ALL_ACCESS, true);
    EXPECT_EQ(Subkeys(key), (Names{L"Deep", L"\u00e9t\u00e9"}));
    for (const auto& [name, number] : {std::pair{L"Name", 1}, {L"NAME", 2}})
        Write(key, name, REG_DWORD, Value::Dword(number).bytes);
    EXPECT_EQ(Read(key, L"name"), Value::Dword(2));
    ASSERT_EQ(Write(key, nullptr, REG_DWORD, Value::Dword(3).bytes), ERROR_SUCCESS);
    EXPECT_EQ(Read(key, L""), Value::Dword(3));
}

// Sorted as upper-cased names; the room must hold the name and its zero, and
// too little room leaves the buffer as it was.
TEST_P(RegistryContract, SubkeysEnumerateSortedAndNeedRoomForTheNameAndItsZero) {
    const HKEY key = Key(HKEY_CURRENT_USER, L"Software\\Qz");
    for (const wchar_t* name : {L"b", L"A", L"c2", L"C1", L"10", L"9", L"-x", L"123456789"}) Key(key, name);
    EXPECT_EQ(Subkeys(key), (Names{L"-x", L"10", L"123456789", L"9", L"A", L"b", L"C1", L"c2"}));
    for (const DWORD room : {10u, 9u, 0u}) {
        wchar_t name[16] = L"untouched";
        DWORD chars = room;
        EXPECT_EQ(Registry().EnumKey(key, 2, name, &chars), room > 9 ? ERROR_SUCCESS : ERROR_MORE_DATA) << room;
        EXPECT_STREQ(name, room > 9 ? L"123456789" : L"untouched") << room;
    }
}

// Names as long as the registry allows come back whole, values in the order of their names.
TEST_P(RegistryContract, TheLongestNamesAreEnumeratedWhole) {
    const std::wstring longestKey(255, L'k'), longestValue(16383, L'v');
    Key(Key(HKEY_CURRENT_USER, L"Software\\Qz"), longestKey.c_str());
    for (const std::wstring& name : {longestValue, std::wstring(L"b"), std::wstring()})
        ASSERT_EQ(Write(keys_[0].Get(), name.c_str(), REG_BINARY, {}), ERROR_SUCCESS);
    RegKey reader;
    ASSERT_EQ(reader.Open(HKEY_CURRENT_USER, L"Software\\Qz", KEY_READ), ERROR_SUCCESS);
    std::wstring name;
    EXPECT_EQ(reader.SubkeyName(0, &name), ERROR_SUCCESS);
    EXPECT_EQ(name, longestKey);
    EXPECT_EQ(reader.SubkeyName(1, &name), ERROR_NO_MORE_ITEMS);
    Names values;
    for (DWORD i = 0; reader.ValueName(i, &name) == ERROR_SUCCESS; ++i) values.push_back(name);
    EXPECT_EQ(values, (Names{L"", L"b", longestValue}));
    wchar_t shortRoom[2];
    DWORD chars = 2;
    EXPECT_EQ(Registry().EnumValue(reader.Get(), 2, shortRoom, &chars), ERROR_MORE_DATA);
}

// Exact bytes and type; a string written without its zero gets one only when a
// zero follows the data given. Short room asks for more; spare room ends an
// unterminated string, as Windows does.
TEST_P(RegistryContract, ValuesKeepTheirTypeAndExactBytes) {
    const HKEY key = Key(HKEY_CURRENT_USER, L"Software\\Qz");
    const Value values[] = {
        // clang-format off
        {REG_SZ, Utf16(std::wstring(L"ab", 3))}, {REG_SZ, Utf16(L"ab")}, {REG_SZ, {'a', 0, 'b', 0, 'c'}},
        {REG_EXPAND_SZ, Utf16(std::wstring(L"%x%", 4))}, {REG_MULTI_SZ, Utf16(std::wstring(L"a\0b\0", 5))},
        Value::Dword(0x01020304), {REG_DWORD, {1, 2, 3}}, {REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}}, {REG_BINARY, {}},
        // clang-format on
    };
    for (const Value& value : values) {
        ASSERT_EQ(Write(key, L"v", value.type, value.bytes), ERROR_SUCCESS) << value;
        EXPECT_EQ(Read(key, L"v"), value);
    }
    for (const DWORD type : {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY}) {
        ASSERT_EQ(Registry().SetValue(key, L"v", type, reinterpret_cast<const BYTE*>(L"abc"), 6), ERROR_SUCCESS);
        EXPECT_EQ(Read(key, L"v").value_or(Value()).bytes.size(), type == REG_BINARY ? 6u : 8u) << type;
    }
    ASSERT_EQ(Write(key, L"text", REG_SZ, Utf16(L"abc")), ERROR_SUCCESS);
    ASSERT_EQ(Write(key, L"binary", REG_BINARY, Utf16(L"abc")), ERROR_SUCCESS);
    const Bytes kept = Utf16(L"abc\x5555"), ended = Utf16(std::wstring(L"abc", 4));
    const std::tuple<const wchar_t*, DWORD, const Bytes*> rooms[] = {// no data: too little room
                                                                     {L"text", 0, nullptr}, {L"text", 5, nullptr},
                                                                     {L"text", 6, &kept},   {L"text", 7, &kept},
                                                                     {L"text", 8, &ended},  {L"binary", 8, &kept}};
    for (const auto& [name, room, expected] : rooms) {
        Bytes data(8, 0x55);
        DWORD bytes = room, type = REG_NONE;
        EXPECT_EQ(Registry().QueryValue(key, name, &type, data.data(), &bytes),
                  expected ? ERROR_SUCCESS : ERROR_MORE_DATA)
            << name << room;
        EXPECT_EQ(std::make_pair(bytes, type), std::make_pair(6ul, DWORD(name[0] == L't' ? REG_SZ : REG_BINARY)));
        EXPECT_EQ(data, expected ? *expected : data) << name << " room " << room;
    }
}

// A read handle changes nothing; DeleteTree removes a key with all below it
// (the rights below are the key's own) or empties the key given; a handle to
// a deleted key answers ERROR_KEY_DELETED.
TEST_P(RegistryContract, ReadHandlesDeletedKeysAndDeleteTree) {
    const HKEY qz = Key(HKEY_CURRENT_USER, L"Software\\Qz");
    ASSERT_EQ(Write(qz, L"v", REG_DWORD, Value::Dword(1).bytes), ERROR_SUCCESS);
    const HKEY readOnly = Key(HKEY_CURRENT_USER, L"Software\\Qz", KEY_READ, true);
    EXPECT_EQ(Registry().SetValue(readOnly, L"v", REG_BINARY, nullptr, 0), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Registry().DeleteValue(readOnly, L"v"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Registry().DeleteTree(readOnly, nullptr), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Read(readOnly, L"v"), Value::Dword(1));
    ASSERT_EQ(Write(Key(qz, L"A\\B"), L"v", REG_DWORD, Value::Dword(1).bytes), ERROR_SUCCESS);
    Key(qz, L"Kept");
    EXPECT_EQ(Registry().DeleteTree(readOnly, L"a"), ERROR_SUCCESS);
    EXPECT_EQ(Subkeys(qz), Names{L"Kept"});
    EXPECT_EQ(Registry().DeleteTree(qz, L"A"), ERROR_FILE_NOT_FOUND);
    for (const wchar_t* subkey : {static_cast<const wchar_t*>(nullptr), L""}) {
        Key(qz, L"A\\B");
        EXPECT_EQ(Registry().DeleteTree(qz, subkey), ERROR_SUCCESS);
        EXPECT_EQ(std::make_pair(Subkeys(qz), Read(qz, L"v")), std::make_pair(Names{}, std::optional<Value>()));
        ASSERT_EQ(Write(qz, L"v", REG_DWORD, Value::Dword(1).bytes), ERROR_SUCCESS);
    }
    const HKEY deleted = Key(qz, L"A");
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

// The named operation fails on the named key however it is reached (case
// ignored) until the faults are cleared; the hook sees every operation and can
// fail any one without leaking a handle; operations and open handles are counted.
TEST(MemoryRegistryTest, FaultsCountsAndTheHandleLedger) {
    test::MemoryRegistry reg;
    reg.SetDword(HKEY_CURRENT_USER, L"Software\\A\\B", L"v", 1);
    HKEY a = nullptr, b = nullptr;
    reg.FailOn(RegOp::QueryValue, L"hkey_current_user\\SOFTWARE\\a\\b", ERROR_BADDB);
    ASSERT_EQ(reg.OpenKey(HKEY_CURRENT_USER, L"Software\\A", KEY_READ, &a), ERROR_SUCCESS);
    ASSERT_EQ(reg.OpenKey(a, L"B\\", KEY_READ, &b), ERROR_SUCCESS);
    for (const bool cleared : {false, false, true}) {
        if (cleared) reg.ClearFaults();
        DWORD bytes = 0;
        EXPECT_EQ(reg.QueryValue(b, L"v", nullptr, nullptr, &bytes), cleared ? ERROR_SUCCESS : ERROR_BADDB);
    }
    EXPECT_EQ(reg.OpenHandleCount(), 2u);
    for (const HKEY key : {a, b}) reg.CloseKey(key);
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

// What only the in-memory registry has: Windows' order where Wine differs, fault
// injection, operation counts and the handle ledger.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/memory_registry.h"

namespace qz::platform {
namespace {

using Value = MemoryRegistry::Value;

class MemoryRegistryTest : public ::testing::Test {
protected:
    HKEY Open(HKEY parent, const wchar_t* path) {
        HKEY key = nullptr;
        EXPECT_EQ(reg_.OpenKey(parent, path, KEY_ALL_ACCESS, &key), ERROR_SUCCESS) << path;
        return key;
    }

    LONG Query(HKEY key, const wchar_t* name) {
        DWORD bytes = 0;
        return reg_.QueryValue(key, name, nullptr, nullptr, &bytes);
    }

    MemoryRegistry reg_;
};

// Windows compares upper-cased names, so "_" sorts after the letters; Wine
// compares lower-cased ones and puts it before them.
TEST_F(MemoryRegistryTest, SubkeysFollowWindowsOrderWhereWineDiffers) {
    for (const wchar_t* name : {L"_u", L"A_B", L"Zed", L"AB", L"a"}) reg_.SetDword(HKEY_CLASSES_ROOT, name, L"", 0);
    std::vector<std::wstring> names;
    wchar_t name[16];
    for (DWORD chars = 16; reg_.EnumKey(HKEY_CLASSES_ROOT, static_cast<DWORD>(names.size()), name, &chars) ==
                           ERROR_SUCCESS;
         chars = 16) {
        names.emplace_back(name, chars);
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"a", L"AB", L"A_B", L"Zed", L"_u"}));
}

TEST_F(MemoryRegistryTest, EveryPredefinedKeyHasItsOwnTree) {
    const HKEY roots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG};
    for (DWORD i = 0; i < 5; ++i) reg_.SetDword(roots[i], L"Same\\Path", L"v", i);
    for (DWORD i = 0; i < 5; ++i) EXPECT_EQ(reg_.Get(roots[i], L"same\\PATH", L"V"), Value::Dword(i));
}

TEST_F(MemoryRegistryTest, TestAccessArrangesAndReadsBackWithoutCountingOrLeaking) {
    reg_.SetString(HKEY_LOCAL_MACHINE, L"A\\B", L"text", L"abc");
    reg_.Set(HKEY_LOCAL_MACHINE, L"A\\B", L"raw", REG_SZ, {'a', 0, 'b'});
    EXPECT_TRUE(reg_.KeyExists(HKEY_LOCAL_MACHINE, L"a"));
    EXPECT_TRUE(reg_.KeyExists(HKEY_LOCAL_MACHINE, L""));
    EXPECT_FALSE(reg_.KeyExists(HKEY_CURRENT_USER, L"A"));
    EXPECT_EQ(reg_.Get(HKEY_LOCAL_MACHINE, L"A\\B", L"TEXT"), Value({REG_SZ, {'a', 0, 'b', 0, 'c', 0, 0, 0}}));
    EXPECT_EQ(reg_.Get(HKEY_LOCAL_MACHINE, L"A\\B", L"raw"), Value({REG_SZ, {'a', 0, 'b'}}));
    EXPECT_EQ(reg_.Get(HKEY_LOCAL_MACHINE, L"A\\B", L"missing"), std::nullopt);
    EXPECT_EQ(reg_.Get(HKEY_LOCAL_MACHINE, L"A\\Missing", L"text"), std::nullopt);
    EXPECT_EQ(reg_.TotalCount(), 0u);
    EXPECT_EQ(reg_.OpenHandleCount(), 0u);
}

TEST_F(MemoryRegistryTest, FailOnHitsOnlyTheNamedOperationOnTheNamedKey) {
    reg_.SetDword(HKEY_CURRENT_USER, L"Software\\A\\B\\C", L"v", 1);
    reg_.FailOn(RegOp::Open, L"hkey_current_user\\SOFTWARE\\a\\b", ERROR_ACCESS_DENIED);
    const HKEY a = Open(HKEY_CURRENT_USER, L"Software\\A");
    HKEY key = nullptr;
    EXPECT_EQ(reg_.OpenKey(HKEY_CURRENT_USER, L"Software\\A\\B", KEY_READ, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg_.OpenKey(a, L"B\\", KEY_READ, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, nullptr);
    reg_.CloseKey(Open(a, L"B\\C"));
    HKEY created = nullptr;
    EXPECT_EQ(reg_.CreateKey(a, L"B", KEY_READ, &created, nullptr), ERROR_SUCCESS);

    reg_.FailOn(RegOp::QueryValue, L"HKEY_CURRENT_USER\\Software\\A\\B", ERROR_OUTOFMEMORY);
    EXPECT_EQ(Query(created, L"anything"), ERROR_OUTOFMEMORY);
    EXPECT_EQ(Query(a, L"anything"), ERROR_FILE_NOT_FOUND);

    reg_.ClearFaults();
    EXPECT_EQ(Query(created, L"anything"), ERROR_FILE_NOT_FOUND);
    reg_.CloseKey(created);
    reg_.CloseKey(a);
    EXPECT_EQ(reg_.OpenHandleCount(), 0u);
}

TEST_F(MemoryRegistryTest, FailOnFailsTheGivenNumberOfTimes) {
    reg_.SetDword(HKEY_CURRENT_USER, L"K", L"v", 1);
    const HKEY key = Open(HKEY_CURRENT_USER, L"K");
    for (const int times : {0, 1, 3, -1}) {
        reg_.ClearFaults();
        reg_.FailOn(RegOp::QueryValue, L"HKEY_CURRENT_USER\\K", ERROR_BADDB, times);
        for (int call = 0; call < 5; ++call) {
            const bool fails = times < 0 || call < times;
            EXPECT_EQ(Query(key, L"v"), fails ? ERROR_BADDB : ERROR_SUCCESS) << "times " << times << " call " << call;
        }
    }
}

TEST_F(MemoryRegistryTest, AFailedCloseStillClosesTheHandle) {
    reg_.FailOn(RegOp::Close, L"HKEY_CURRENT_USER", ERROR_BADKEY, 1);
    const HKEY key = Open(HKEY_CURRENT_USER, nullptr);
    EXPECT_EQ(reg_.CloseKey(key), ERROR_BADKEY);
    EXPECT_EQ(reg_.OpenHandleCount(), 0u);
    EXPECT_EQ(reg_.CloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(MemoryRegistryTest, TheHookSeesEveryOperationAndCanFailAnyOne) {
    using Call = std::tuple<RegOp, std::wstring, std::wstring>;
    std::vector<Call> calls;
    int failAt = -1;
    reg_.SetFaultHook([&](RegOp op, const std::wstring& path, const wchar_t* name) -> LONG {
        calls.emplace_back(op, path, name ? name : L"(null)");
        return static_cast<int>(calls.size()) == failAt ? ERROR_NOT_ENOUGH_MEMORY : ERROR_SUCCESS;
    });
    const auto run = [&] {
        HKEY key = nullptr;
        wchar_t name[8];
        DWORD chars = 8;
        calls.clear();
        return std::vector<LONG>{
            reg_.CreateKey(HKEY_LOCAL_MACHINE, L"A\\B", KEY_ALL_ACCESS, &key, nullptr),
            reg_.SetValue(key, L"v", REG_BINARY, nullptr, 0),
            reg_.EnumKey(key, 0, name, &chars),
            reg_.DeleteValue(key, nullptr),
            reg_.CloseKey(key),
            reg_.DeleteTree(HKEY_LOCAL_MACHINE, L"A"),
        };
    };
    run();
    const std::vector<Call> expected = {
        {RegOp::Create, L"HKEY_LOCAL_MACHINE\\A\\B", L"A\\B"},
        {RegOp::SetValue, L"HKEY_LOCAL_MACHINE\\A\\B", L"v"},
        {RegOp::EnumKey, L"HKEY_LOCAL_MACHINE\\A\\B", L"(null)"},
        {RegOp::DeleteValue, L"HKEY_LOCAL_MACHINE\\A\\B", L"(null)"},
        {RegOp::Close, L"HKEY_LOCAL_MACHINE\\A\\B", L"(null)"},
        {RegOp::DeleteTree, L"HKEY_LOCAL_MACHINE\\A", L"A"},
    };
    EXPECT_EQ(calls, expected);

    for (failAt = 1; failAt <= 6; ++failAt) {
        EXPECT_EQ(run()[failAt - 1], ERROR_NOT_ENOUGH_MEMORY) << failAt;
        EXPECT_EQ(reg_.OpenHandleCount(), 0u) << failAt;
    }
    EXPECT_EQ(reg_.Get(HKEY_LOCAL_MACHINE, L"A\\B", L"v"), Value({REG_BINARY, {}})) << "the delete failed last";
}

TEST_F(MemoryRegistryTest, CountsEveryCallPerOperationUntilReset) {
    HKEY key = nullptr;
    reg_.CreateKey(HKEY_CURRENT_USER, L"K", KEY_ALL_ACCESS, &key, nullptr);
    reg_.OpenKey(HKEY_CURRENT_USER, L"Missing", KEY_READ, &key);
    Query(key, L"v");
    reg_.CloseKey(key);
    EXPECT_EQ(reg_.Count(RegOp::Create), 1u);
    EXPECT_EQ(reg_.Count(RegOp::Open), 1u);
    EXPECT_EQ(reg_.Count(RegOp::QueryValue), 1u);
    EXPECT_EQ(reg_.Count(RegOp::Close), 1u);
    EXPECT_EQ(reg_.Count(RegOp::SetValue), 0u);
    EXPECT_EQ(reg_.TotalCount(), 4u);
    reg_.ResetCounts();
    EXPECT_EQ(reg_.TotalCount(), 0u);
    EXPECT_EQ(reg_.Count(RegOp::Create), 0u);
}

TEST_F(MemoryRegistryTest, OpenHandlesAreCountedUntilClosedEvenOnDeletedKeys) {
    const HKEY a = Open(HKEY_CURRENT_USER, nullptr);
    HKEY b = nullptr;
    ASSERT_EQ(reg_.CreateKey(HKEY_CURRENT_USER, L"X\\Y", KEY_ALL_ACCESS, &b, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(reg_.DeleteTree(HKEY_CURRENT_USER, L"X"), ERROR_SUCCESS);
    EXPECT_EQ(reg_.OpenHandlePaths(),
              (std::vector<std::wstring>{L"HKEY_CURRENT_USER", L"HKEY_CURRENT_USER\\X\\Y (deleted)"}));
    reg_.CloseKey(a);
    EXPECT_EQ(reg_.OpenHandleCount(), 1u);
    reg_.CloseKey(b);
    EXPECT_EQ(reg_.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace qz::platform

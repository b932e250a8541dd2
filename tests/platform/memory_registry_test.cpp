// What only the in-memory registry has: fault injection, operation counts and
// the handle ledger that the tests of the logic rely on.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "testing/memory_registry.h"

namespace qz::platform {
namespace {

struct MemoryRegistryTest : ::testing::Test {
    LONG Query(HKEY key, const wchar_t* name) {
        DWORD bytes = 0;
        return reg_.QueryValue(key, name, nullptr, nullptr, &bytes);
    }

    test::MemoryRegistry reg_;
};

// The named operation on the named key fails, however the key is reached,
// the given number of times; other operations and keys are untouched.
TEST_F(MemoryRegistryTest, FailOnHitsTheNamedOperationOnTheNamedKeyTheGivenNumberOfTimes) {
    reg_.SetDword(HKEY_CURRENT_USER, L"Software\\A\\B\\C", L"v", 1);
    reg_.FailOn(RegOp::Open, L"hkey_current_user\\SOFTWARE\\a\\b", ERROR_ACCESS_DENIED);
    HKEY a = nullptr, b = nullptr, c = nullptr;
    ASSERT_EQ(reg_.OpenKey(HKEY_CURRENT_USER, L"Software\\A", KEY_READ, &a), ERROR_SUCCESS);
    ASSERT_EQ(reg_.OpenKey(a, L"B\\C", KEY_READ, &c), ERROR_SUCCESS) << "a key below is no key named";
    EXPECT_EQ(reg_.OpenKey(HKEY_CURRENT_USER, L"Software\\A\\B", KEY_READ, &b), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg_.OpenKey(a, L"B\\", KEY_READ, &b), ERROR_ACCESS_DENIED);
    EXPECT_EQ(b, nullptr);
    ASSERT_EQ(reg_.CreateKey(a, L"B", KEY_READ, &b, nullptr), ERROR_SUCCESS);
    for (const int times : {0, 1, 3, -1}) {
        reg_.ClearFaults();
        reg_.FailOn(RegOp::QueryValue, L"HKEY_CURRENT_USER\\Software\\A\\B\\C", ERROR_BADDB, times);
        for (int call = 0; call < 5; ++call) {
            const LONG expected = times < 0 || call < times ? ERROR_BADDB : ERROR_SUCCESS;
            EXPECT_EQ(Query(c, L"v"), expected) << "times " << times << " call " << call;
        }
        EXPECT_EQ(Query(b, L"v"), ERROR_FILE_NOT_FOUND);
    }
    for (const HKEY key : {a, b, c}) reg_.CloseKey(key);
}

TEST_F(MemoryRegistryTest, TheHookSeesEveryOperationAndCanFailAnyOneWithoutLeakingAHandle) {
    std::vector<std::tuple<RegOp, std::wstring, std::wstring>> calls;
    size_t failAt = 0;
    reg_.SetFaultHook([&](RegOp op, const std::wstring& path, const wchar_t* name) -> LONG {
        calls.emplace_back(op, path, name ? name : L"(null)");
        return calls.size() == failAt ? ERROR_NOT_ENOUGH_MEMORY : ERROR_SUCCESS;
    });
    const auto run = [&] {
        HKEY key = nullptr;
        calls.clear();
        return std::vector<LONG>{reg_.CreateKey(HKEY_LOCAL_MACHINE, L"A\\B", KEY_ALL_ACCESS, &key, nullptr),
                                 reg_.SetValue(key, L"v", REG_BINARY, nullptr, 0), reg_.CloseKey(key),
                                 reg_.DeleteTree(HKEY_LOCAL_MACHINE, L"A")};
    };
    run();
    EXPECT_EQ(calls, (decltype(calls){{RegOp::Create, L"HKEY_LOCAL_MACHINE\\A\\B", L"A\\B"},
                                      {RegOp::SetValue, L"HKEY_LOCAL_MACHINE\\A\\B", L"v"},
                                      {RegOp::Close, L"HKEY_LOCAL_MACHINE\\A\\B", L"(null)"},
                                      {RegOp::DeleteTree, L"HKEY_LOCAL_MACHINE\\A", L"A"}}));
    for (failAt = 1; failAt <= 4; ++failAt) {
        EXPECT_EQ(run()[failAt - 1], ERROR_NOT_ENOUGH_MEMORY) << failAt;
        EXPECT_EQ(reg_.OpenHandleCount(), 0u) << failAt << ": a failed close still closes";
    }
    EXPECT_EQ(reg_.Get(HKEY_LOCAL_MACHINE, L"A\\B", L"v"), test::MemoryRegistry::Value({REG_BINARY, {}}));
}

TEST_F(MemoryRegistryTest, CountsEachOperationAndHandlesUntilClosedEvenOnDeletedKeys) {
    HKEY key = nullptr, missing = nullptr;
    reg_.CreateKey(HKEY_CURRENT_USER, L"X\\Y", KEY_ALL_ACCESS, &key, nullptr);
    reg_.OpenKey(HKEY_CURRENT_USER, L"Missing", KEY_READ, &missing);
    reg_.DeleteTree(HKEY_CURRENT_USER, L"X");
    Query(key, L"v");
    EXPECT_EQ(reg_.OpenHandlePaths(), std::vector<std::wstring>{L"HKEY_CURRENT_USER\\X\\Y (deleted)"});
    const std::pair<RegOp, size_t> counts[] = {
        {RegOp::Create, 1}, {RegOp::Open, 1}, {RegOp::DeleteTree, 1}, {RegOp::QueryValue, 1}, {RegOp::SetValue, 0}};
    for (const auto& [op, count] : counts) EXPECT_EQ(reg_.Count(op), count) << static_cast<int>(op);
    EXPECT_EQ(reg_.TotalCount(), 4u);
    reg_.CloseKey(key);
    EXPECT_EQ(reg_.OpenHandleCount(), 0u);
    reg_.ResetCounts();
    EXPECT_EQ(reg_.TotalCount(), 0u);
}

}  // namespace
}  // namespace qz::platform

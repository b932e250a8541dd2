// What the logic relies on beyond the registry's contract: the RegKey owner,
// and the in-memory registry's fault injection, operation counts and handle
// ledger that the sweeps stand on.
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "testing/memory_registry.h"

namespace qz::platform {
namespace {

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
// ignored), the given number of times; the hook sees every operation and can
// fail any one without leaking a handle; operations and open handles are counted.
TEST(MemoryRegistryTest, FaultsCountsAndTheHandleLedger) {
    test::MemoryRegistry reg;
    reg.SetDword(HKEY_CURRENT_USER, L"Software\\A\\B", L"v", 1);
    HKEY a = nullptr, b = nullptr;
    for (const int times : {0, 1, 3, -1}) {
        reg.ClearFaults();
        reg.FailOn(RegOp::QueryValue, L"hkey_current_user\\SOFTWARE\\a\\b", ERROR_BADDB, times);
        ASSERT_EQ(reg.OpenKey(HKEY_CURRENT_USER, L"Software\\A", KEY_READ, &a), ERROR_SUCCESS);
        ASSERT_EQ(reg.OpenKey(a, L"B\\", KEY_READ, &b), ERROR_SUCCESS);
        for (int call = 0; call < 5; ++call) {
            DWORD bytes = 0;
            EXPECT_EQ(reg.QueryValue(b, L"v", nullptr, nullptr, &bytes),
                      times < 0 || call < times ? ERROR_BADDB : ERROR_SUCCESS)
                << "times " << times << " call " << call;
        }
        EXPECT_EQ(reg.OpenHandlePaths(),
                  (std::vector<std::wstring>{L"HKEY_CURRENT_USER\\Software\\A", L"HKEY_CURRENT_USER\\Software\\A\\B"}));
        for (const HKEY key : {a, b}) reg.CloseKey(key);
    }
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

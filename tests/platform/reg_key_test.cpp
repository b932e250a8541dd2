#include <gtest/gtest.h>

#include <windows.h>

#include <utility>

#include "testing/memory_registry.h"
#include "platform/registry.h"

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

}  // namespace
}  // namespace qz::platform

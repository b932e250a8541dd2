#include <gtest/gtest.h>

#include <windows.h>

#include <utility>

#include "platform/memory_registry.h"
#include "platform/registry.h"

namespace qz::platform {
namespace {

TEST(ScopedRegistryTest, InstallsARegistryForItsScopeAndRestoresThePreviousOne) {
    EXPECT_EQ(&Registry(), &Win32Registry());
    MemoryRegistry outer, inner;
    {
        ScopedRegistry outerScope(outer);
        EXPECT_EQ(&Registry(), &outer);
        {
            ScopedRegistry innerScope(inner);
            EXPECT_EQ(&Registry(), &inner);
        }
        EXPECT_EQ(&Registry(), &outer);
    }
    EXPECT_EQ(&Registry(), &Win32Registry());
}

TEST(RegKeyTest, ClosesThroughTheRegistryItWasOpenedFrom) {
    MemoryRegistry reg;
    RegKey key;
    {
        ScopedRegistry scope(reg);
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, L"K", KEY_ALL_ACCESS), ERROR_SUCCESS);
    }
    EXPECT_EQ(reg.OpenHandleCount(), 1u);
    EXPECT_EQ(key.Close(), ERROR_SUCCESS);
    EXPECT_EQ(reg.OpenHandleCount(), 0u);
    EXPECT_EQ(key.Close(), ERROR_SUCCESS) << "nothing held";
}

TEST(RegKeyTest, OwnsExactlyOneKeyThroughMovesAndReuse) {
    MemoryRegistry reg;
    ScopedRegistry scope(reg);
    bool created = false;
    RegKey a;
    ASSERT_EQ(a.Create(HKEY_CURRENT_USER, L"A", KEY_ALL_ACCESS, &created), ERROR_SUCCESS);
    EXPECT_TRUE(created);
    ASSERT_EQ(a.Open(HKEY_CURRENT_USER, L"A", KEY_READ), ERROR_SUCCESS);
    EXPECT_EQ(reg.OpenHandleCount(), 1u) << "reopening closes the key held";

    RegKey b(std::move(a));
    EXPECT_FALSE(a);
    RegKey c;
    ASSERT_EQ(c.Open(HKEY_CURRENT_USER, nullptr, KEY_READ), ERROR_SUCCESS);
    c = std::move(b);
    EXPECT_EQ(reg.OpenHandleCount(), 1u) << "assignment closes the key it replaces";

    EXPECT_EQ(c.Open(HKEY_CURRENT_USER, L"Missing", KEY_READ), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(c);
    EXPECT_EQ(reg.OpenHandleCount(), 0u);

    ASSERT_EQ(reg.OpenKey(HKEY_CURRENT_USER, L"A", KEY_READ, c.Put()), ERROR_SUCCESS);
    const HKEY released = c.Release();
    EXPECT_FALSE(c);
    EXPECT_EQ(reg.CloseKey(released), ERROR_SUCCESS) << "Release handed the key over open";
}

TEST(RegKeyTest, CloseAnswersTheRegistrysResult) {
    MemoryRegistry reg;
    ScopedRegistry scope(reg);
    reg.FailOn(RegOp::Close, L"HKEY_CURRENT_USER\\A", ERROR_BADKEY);
    RegKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, L"A", KEY_ALL_ACCESS), ERROR_SUCCESS);
    EXPECT_EQ(key.Close(), ERROR_BADKEY);
    EXPECT_FALSE(key);
}

}  // namespace
}  // namespace qz::platform

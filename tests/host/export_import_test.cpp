// export and import over the real registry, sandboxed.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "commands.h"
#include "platform/registry.h"
#include "reg_file.h"
#include "support/registry_sandbox.h"

namespace qz::host {
namespace {

struct ExportImport : ::testing::Test {
    void SetUp() override {
        wchar_t folder[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        file_ = std::wstring(folder) + L"qz_settings_" + std::to_wstring(GetCurrentProcessId()) + L".reg";
    }
    void TearDown() override { DeleteFileW(file_.c_str()); }

    static void Write(const std::wstring& subkey, const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
        platform::RegKey key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, (kUserSettingsKey + subkey).c_str(), KEY_ALL_ACCESS), ERROR_SUCCESS);
        ASSERT_EQ(platform::Registry().SetValue(key.Get(), name, type, static_cast<const BYTE*>(data), bytes),
                  ERROR_SUCCESS);
    }
    static bool Read(const std::wstring& subkey, const wchar_t* name, DWORD* type, std::vector<BYTE>* data) {
        platform::RegKey key;
        return key.Open(HKEY_CURRENT_USER, (kUserSettingsKey + subkey).c_str(), KEY_READ) == ERROR_SUCCESS &&
               key.ReadValue(name, type, data) == ERROR_SUCCESS;
    }
    void SaveText(const std::wstring& text) {
        const std::vector<BYTE> bytes = EncodeRegFile(text);
        FILE* out = _wfopen(file_.c_str(), L"wb");
        ASSERT_NE(out, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    }

    test::RegistrySandbox sandbox_;
    std::wstring file_;
    Report report_;
};

TEST_F(ExportImport, TheWholeSubtreeComesBackAsItWasAfterItIsDeleted) {
    const DWORD number = 7;
    const BYTE blob[] = {1, 0, 255};
    const wchar_t text[] = L"C:\\x \"y\"";
    Write(L"", L"GapLevel", REG_DWORD, &number, 4);
    Write(L"", L"", REG_SZ, text, sizeof text);
    Write(L"\\SelectedCompilers", L"x64", REG_BINARY, blob, 3);
    Write(L"\\Compilers\\1025", L"IncludeDir", REG_EXPAND_SZ, L"%I%", 8);
    ASSERT_TRUE(ExportSettings(file_, report_));
    ASSERT_EQ(platform::Registry().DeleteTree(HKEY_CURRENT_USER, kUserSettingsKey), ERROR_SUCCESS);
    ASSERT_TRUE(ImportSettings(file_, report_));
    const struct {
        const wchar_t* key;
        const wchar_t* name;
        DWORD type;
        std::vector<BYTE> data;
    } expected[] = {
        {L"", L"GapLevel", REG_DWORD, {7, 0, 0, 0}},
        {L"", L"", REG_SZ, std::vector<BYTE>(reinterpret_cast<const BYTE*>(text), reinterpret_cast<const BYTE*>(text) + sizeof text)},
        {L"\\SelectedCompilers", L"x64", REG_BINARY, {1, 0, 255}},
        {L"\\Compilers\\1025", L"IncludeDir", REG_EXPAND_SZ, {'%', 0, 'I', 0, '%', 0, 0, 0}},
    };
    for (const auto& value : expected) {
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_TRUE(Read(value.key, value.name, &type, &data)) << value.key << L" " << value.name;
        EXPECT_EQ(type, value.type) << value.name;
        EXPECT_EQ(data, value.data) << value.name;
    }
    EXPECT_FALSE(report_.Failed());
}

TEST_F(ExportImport, AFileWithOneKeyOutsideWritesNothingAtAll) {
    const std::wstring root = L"HKEY_CURRENT_USER\\" + std::wstring(kUserSettingsKey);
    SaveText(L"Windows Registry Editor Version 5.00\r\n\r\n[" + root + L"\\New]\r\n\"A\"=dword:00000001\r\n\r\n" +
             L"[HKEY_CURRENT_USER\\Software\\Elsewhere]\r\n\"B\"=\"x\"\r\n");
    EXPECT_FALSE(ImportSettings(file_, report_));
    EXPECT_TRUE(report_.Failed());
    platform::RegKey key;
    EXPECT_EQ(key.Open(HKEY_CURRENT_USER, (kUserSettingsKey + std::wstring(L"\\New")).c_str(), KEY_READ),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.Open(HKEY_CURRENT_USER, L"Software\\Elsewhere", KEY_READ), ERROR_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace qz::host

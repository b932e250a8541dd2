// export and import over the real registry, sandboxed.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "commands.h"
#include "testing/memory_registry.h"
#include "platform/registry.h"
#include "reg_file.h"
#include "testing/registry_dump.h"
#include "testing/registry_sandbox.h"

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

    // What a report printed.
    static std::wstring Printed(FILE* out) {
        std::rewind(out);
        std::string bytes;
        for (int c; (c = std::fgetc(out)) != EOF;) bytes += static_cast<char>(c);
        std::wstring text(bytes.size(), L'\0');
        text.resize(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                                        static_cast<int>(text.size())));
        return text;
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
    Write(L"", L"Unended", REG_SZ, L"abX", 4);  // a text without its terminating zero
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
        {L"", L"", REG_SZ,
         std::vector<BYTE>(reinterpret_cast<const BYTE*>(text), reinterpret_cast<const BYTE*>(text) + sizeof text)},
        {L"\\SelectedCompilers", L"x64", REG_BINARY, {1, 0, 255}},
        {L"\\Compilers\\1025", L"IncludeDir", REG_EXPAND_SZ, {'%', 0, 'I', 0, '%', 0, 0, 0}},
        {L"", L"Unended", REG_SZ, {'a', 0, 'b', 0}},
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

// Settings that the registry can hold but that no file can carry safely: the
// export names the key and writes nothing.
TEST_F(ExportImport, AnExportOfNamesNoFileCanCarryIsRefusedNamingTheKey) {
    std::wstring deep;
    for (int i = 0; i < 70; ++i) deep += L"\\d";
    const struct {
        std::wstring subkey;
        std::wstring valueName;
        const wchar_t* message;
    } rows[] = {
        {L"\\" + std::wstring(256, L'k'), L"v", L"a key name of 256 characters"},
        {L"\\Sub", L"a\r\nb", L"the value name holds the control character U+000D in [HKEY_CURRENT_USER\\"},
        {deep, L"v", L"lies more than 16 levels below"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.message);
        DeleteFileW(file_.c_str());
        platform::Registry().DeleteTree(HKEY_CURRENT_USER, kUserSettingsKey);
        platform::RegKey key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kUserSettingsKey, KEY_ALL_ACCESS), ERROR_SUCCESS);
        for (size_t start = 1; start < row.subkey.size();) {  // one level at a time
            const size_t end = std::min(row.subkey.find(L'\\', start), row.subkey.size());
            platform::RegKey child;
            ASSERT_EQ(child.Create(key.Get(), row.subkey.substr(start, end - start).c_str(), KEY_ALL_ACCESS),
                      ERROR_SUCCESS);
            key = std::move(child);
            start = end + 1;
        }
        Write(row.subkey, row.valueName.c_str(), REG_DWORD, "\1\0\0\0", 4);
        FILE* out = std::tmpfile();
        Report report(out);
        EXPECT_FALSE(ExportSettings(file_, report));
        EXPECT_NE(Printed(out).find(row.message), std::wstring::npos) << Printed(out);
        std::fclose(out);
        EXPECT_EQ(GetFileAttributesW(file_.c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

// Whichever write of an import fails, the settings are put back byte for byte,
// also when the file begins by deleting them all and when there were none.
TEST_F(ExportImport, AFailedWriteAnywhereLeavesTheSettingsAsTheyWere) {
    const std::wstring root = L"HKEY_CURRENT_USER\\" + std::wstring(kUserSettingsKey);
    SaveText(L"Windows Registry Editor Version 5.00\r\n\r\n[-" + root + L"]\r\n\r\n[" + root +
             L"]\r\n\"GapLevel\"=dword:00000003\r\n\"ExtFree\"=\"f90\"\r\n\r\n[" + root +
             L"\\111.065\\PX32_PX32]\r\n\"IncludeDir\"=\"C:\\\\new\"\r\n\"LibDir\"=-\r\n\r\n[-" + root +
             L"\\SelectedCompilers]\r\n\r\n[" + root + L"\\New\\Deeper]\r\n@=hex(1):61,00\r\n");
    for (const bool seeded : {true, false}) {
        size_t position = 0;
        for (bool failed = true; failed; ++position) {
            SCOPED_TRACE("write " + std::to_string(position) + (seeded ? " over seeded settings" : " over none"));
            test::MemoryRegistry registry;
            platform::ScopedRegistry scope(registry);
            if (seeded) {
                const std::wstring compiler = std::wstring(kUserSettingsKey) + L"\\111.065\\PX32_PX32";
                registry.SetString(HKEY_CURRENT_USER, compiler, L"IncludeDir", L"C:\\seeded");
                registry.SetString(HKEY_CURRENT_USER, compiler, L"LibDir", L"C:\\lib");
                registry.SetDword(HKEY_CURRENT_USER, kUserSettingsKey, L"GapLevel", 1);
                registry.Set(HKEY_CURRENT_USER, kUserSettingsKey, L"Unended", REG_SZ, {'a', 0});
                registry.SetString(HKEY_CURRENT_USER, std::wstring(kUserSettingsKey) + L"\\SelectedCompilers", L"HY64",
                                   L"111.065|HY64_HY64");
            }
            const test::RegistryDump before = test::Dump(HKEY_CURRENT_USER, L"Software");
            size_t writes = 0;
            registry.SetFaultHook([&](platform::RegOp op, const std::wstring&, const wchar_t*) -> LONG {
                const bool write = op == platform::RegOp::Create || op == platform::RegOp::SetValue ||
                                   op == platform::RegOp::DeleteValue || op == platform::RegOp::DeleteTree;
                return write && writes++ == position ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
            });
            Report report(stderr);
            failed = !ImportSettings(file_, report);
            registry.ClearFaults();
            if (failed) {
                EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, L"Software"), before);
            } else {
                EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, std::wstring(kUserSettingsKey) + L"\\New\\Deeper", L""),
                          (test::MemoryRegistry::Value{REG_SZ, {'a', 0}}));
                EXPECT_FALSE(
                    registry.KeyExists(HKEY_CURRENT_USER, std::wstring(kUserSettingsKey) + L"\\SelectedCompilers"));
            }
            EXPECT_EQ(registry.OpenHandleCount(), 0u);
            ASSERT_LT(position, 100u);
        }
        EXPECT_GT(position, 10u) << "every write of the import was failed once";
    }
}

}  // namespace
}  // namespace qz::host

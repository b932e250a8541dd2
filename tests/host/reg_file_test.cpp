// Registry export files: written byte for byte as the system's reg export
// writes them, read back exactly, refused whole when hostile, and imported all
// or nothing.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "platform/registry.h"
#include "reg_file.h"
#include "reg_transfer.h"
#include "testing/memory_registry.h"
#include "testing/registry_dump.h"

namespace qz::host {
namespace {

using test::MemoryRegistry;

const std::wstring kKey = L"Software\\Microsoft\\VisualStudio\\8.0\\Tavrel Fortran\\QZToolOpt\\120";
const std::wstring kRoot = L"HKEY_CURRENT_USER\\" + kKey;

std::vector<BYTE> Text(const std::wstring& text) { return MemoryRegistry::Value::String(text).bytes; }
std::vector<BYTE> File(const std::wstring& lines) {
    return EncodeRegFile(L"Windows Registry Editor Version 5.00\r\n\r\n" + lines);
}

// Every kind of value an export meets; the system's export loses the last two
// (a dword of other than four bytes, a text without its zero), which this one
// keeps in hex, as it writes a text with line breaks, which the editors do not
// agree how to escape. Written below `at`; how many there are.
size_t EveryKind(const std::wstring& at, bool hexOnes) {
    std::vector<BYTE> blob;
    for (int i = 0; i < 90; ++i) blob.push_back(static_cast<BYTE>(i * 7));  // wraps over four lines
    // The subkey, the value's name, its type and its bytes.
    std::vector<std::tuple<std::wstring, std::wstring, DWORD, std::vector<BYTE>>> values = {
        {L"", L"Path \"q\"", REG_SZ, Text(L"C:\\a\\\"b\" \u00e9")},
        {L"", L"", REG_SZ, Text(L"")},
        {L"", L"Level", REG_DWORD, {10, 0, 0, 0}},
        {L"\\Sub", L"Blob", REG_BINARY, blob},
        {L"\\Sub", L"Empty", REG_BINARY, {}},
        {L"\\Sub\\Deeper", L"Dir", REG_EXPAND_SZ, Text(L"%T%")},
        {L"\\Sub\\Deeper", L"List", REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}},
        {L"\\Sub\\Deeper", L"Nothing", REG_NONE, {}}};
    if (hexOnes) {
        values.insert(values.end(), {{L"\\Hex", L"Lines", REG_SZ, Text(L"a\r\nb")},
                                     {L"\\Hex", L"Short", REG_DWORD, {1, 2}},
                                     {L"\\Hex", L"Unended", REG_SZ, {'A', 0}}});
    }
    for (const auto& [subkey, name, type, data] : values) {
        platform::RegKey key;
        EXPECT_EQ(key.Create(HKEY_CURRENT_USER, (at + subkey).c_str(), KEY_ALL_ACCESS), ERROR_SUCCESS);
        EXPECT_EQ(key.WriteValue(name.c_str(), type, data), ERROR_SUCCESS);
    }
    return values.size();
}

// In the real registry, against the system's own reg export of the same key.
TEST(RegTransferTest, AnExportIsByteForByteTheSystemsRegExport) {
    const std::wstring key = L"Software\\QZToolOptTests\\export-" + std::to_wstring(GetCurrentProcessId());
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring file = folder + key.substr(key.rfind(L'\\') + 1) + L".reg";
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    EveryKind(key, false);
    std::vector<BYTE> ours, theirs;
    const RegTransfer exported = ExportKey(HKEY_CURRENT_USER, key, &ours);
    ASSERT_EQ(_wsystem((L"reg.exe export \"HKCU\\" + key + L"\" \"" + file + L"\" /y >nul").c_str()), 0);
    if (FILE* in = _wfopen(file.c_str(), L"rb")) {
        for (int c; (c = std::fgetc(in)) != EOF;) theirs.push_back(static_cast<BYTE>(c));
        std::fclose(in);
    }
    DeleteFileW(file.c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    ASSERT_TRUE(exported.ok) << exported.error;
    EXPECT_EQ(exported.keys, 3u);
    EXPECT_EQ(std::string(ours.begin(), ours.end()), std::string(theirs.begin(), theirs.end()));
}

TEST(RegTransferTest, EveryValueComesBackExactlyAndOldFilesAreRead) {
    MemoryRegistry registry;
    platform::ScopedRegistry scope(registry);
    const size_t stored = EveryKind(kKey, true);
    const test::RegistryDump before = test::Dump(HKEY_CURRENT_USER, L"Software");
    std::vector<BYTE> file;
    ASSERT_TRUE(ExportKey(HKEY_CURRENT_USER, kKey, &file).ok);
    registry.DeleteTree(HKEY_CURRENT_USER, kKey.c_str());
    const RegTransfer imported = ImportKey(HKEY_CURRENT_USER, kKey, file);
    EXPECT_EQ(imported.values, stored) << imported.error;
    EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, L"Software"), before);
    // REGEDIT4 holds texts in the system's code page, its hex strings too.
    const std::string old =
        "REGEDIT4\r\n[" + std::string(kRoot.begin(), kRoot.end()) + "]\r\n\"\xE9\"=hex(2):E9,00\r\n";
    EXPECT_TRUE(ImportKey(HKEY_CURRENT_USER, kKey, std::vector<BYTE>(old.begin(), old.end())).ok);
    wchar_t e = 0;
    MultiByteToWideChar(CP_ACP, 0, "\xE9", 1, &e, 1);
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, kKey, {e}), MemoryRegistry::Value::String({e}, REG_EXPAND_SZ));
}

// What the registry refuses, what another reader would take otherwise, and
// what reaches outside the settings: refused with its line, nothing written.
TEST(RegTransferTest, AHostileOrMalformedFileIsRefusedWholeWithItsLine) {
    std::wstring deep;
    for (int i = 0; i < 17; ++i) deep += L"\\d";
    const std::pair<std::wstring, std::wstring> cases[] = {
        // the line, how the message begins
        {L"[" + kRoot + L"0]", L"line 5: [" + kRoot + L"0] lies outside"},
        {L"[-HKEY_CURRENT_USER\\Software]", L"line 5: [HKEY_CURRENT_USER\\Software] lies outside"},
        {L"[" + kRoot + L"\\..\\..\\Evil]", L"line 5: [" + kRoot + L"\\..\\..\\Evil] has an empty, \".\" or \"..\""},
        {L"[" + kRoot + L"\\a\r[-HKEY_LOCAL_MACHINE\\Software\\Tavrel]", L"line 5: a carriage return (CR) without"},
        {L"\"a" + std::wstring(1, L'\0') + L"b\"=\"x\"", L"line 5: a NUL character"},
        {L"\"a\x01\"=\"x\"", L"line 5: the value name holds the control character U+0001"},
        {L"[" + kRoot + L"\\a\tb]", L"line 5: a key name holds the control character U+0009"},
        {L"[" + kRoot + L"\\" + std::wstring(256, L'k') + L"]", L"line 5: a key name of 256 characters"},
        {L"\"" + std::wstring(16384, L'v') + L"\"=\"x\"", L"line 5: a value name of 16384 characters"},
        {L"[" + kRoot + deep + L"]", L"line 5: keys may lie at most 16 levels below"},
        {L"\"B\"=dword:123456789", L"line 5: '123456789' is not a dword"},
        {L"\"B\"=hex:01,\\\r\n\"C\"=\"x\"", L"line 5: the hex data ends with a backslash but line 6 does not go on"},
        {L"\"B\"=\"C:\\\\dir\\\"", L"line 5: the quoted text ends in \\\", which escapes its closing quote"},
    };
    MemoryRegistry registry;
    platform::ScopedRegistry scope(registry);
    for (const auto& [text, error] : cases) {
        const RegTransfer imported =
            ImportKey(HKEY_CURRENT_USER, kKey, File(L"[" + kRoot + L"]\r\n\"A\"=\"1\"\r\n" + text));
        EXPECT_TRUE(!imported.ok && imported.fileRefused);
        EXPECT_EQ(imported.error.substr(0, error.size()), error);
        EXPECT_EQ(registry.TotalCount(), 0u) << error;
    }
    // The longest names and the deepest key the registry and the export take.
    const std::wstring longest = L"[" + kRoot + deep.substr(4) + L"\\" + std::wstring(255, L'k') + L"]\r\n\"" +
                                 std::wstring(16383, L'v') + L"\"=\"\"";
    EXPECT_TRUE(ImportKey(HKEY_CURRENT_USER, kKey, File(longest)).ok);
    // What no file can carry, the export refuses, naming the key.
    for (const auto& [subkey, name] :
         {std::pair{deep, L"v"}, {L"\\" + std::wstring(256, L'k'), L"v"}, {L"", L"a\rb"}}) {
        MemoryRegistry own;
        platform::ScopedRegistry ownScope(own);
        own.SetDword(HKEY_CURRENT_USER, kKey + subkey, name, 1);
        std::vector<BYTE> file;
        const RegTransfer exported = ExportKey(HKEY_CURRENT_USER, kKey, &file);
        EXPECT_TRUE(!exported.ok && file.empty());
        EXPECT_NE(exported.error.find(L"[" + kRoot), std::wstring::npos) << exported.error;
    }
}

// Whichever write of an import fails, the settings are put back byte for byte,
// also when the file begins by deleting them all and when there were none.
TEST(RegTransferTest, AFailedWriteAnywhereLeavesTheSettingsAsTheyWere) {
    const std::vector<BYTE> file = File(
        L"[-" + kRoot + L"]\r\n\r\n[" + kRoot + L"]\r\n\"GapLevel\"=dword:00000003\r\n\"ExtFree\"=\"f90\"\r\n\r\n[" +
        kRoot + L"\\111.065\\PX32_PX32]\r\n\"IncludeDir\"=\"C:\\\\new\"\r\n\"LibDir\"=-\r\n\r\n[-" + kRoot +
        L"\\SelectedCompilers]\r\n\r\n[" + kRoot + L"\\New\\Deeper]\r\n@=hex(1):61,00\r\n");
    for (const bool seeded : {true, false}) {
        size_t position = 0;
        for (bool failed = true; failed; ++position) {
            SCOPED_TRACE("write " + std::to_string(position) + (seeded ? " over seeded settings" : " over none"));
            MemoryRegistry registry;
            platform::ScopedRegistry scope(registry);
            if (seeded) {
                registry.SetString(HKEY_CURRENT_USER, kKey + L"\\111.065\\PX32_PX32", L"LibDir", L"C:\\lib");
                registry.Set(HKEY_CURRENT_USER, kKey, L"Unended", REG_SZ, {'a', 0});
                registry.SetString(HKEY_CURRENT_USER, kKey + L"\\SelectedCompilers", L"HY64", L"111.065|HY64_HY64");
            }
            const test::RegistryDump before = test::Dump(HKEY_CURRENT_USER, L"Software");
            size_t writes = 0;
            registry.SetFaultHook([&](platform::RegOp op, const std::wstring&, const wchar_t*) -> LONG {
                const bool write = op == platform::RegOp::Create || op == platform::RegOp::SetValue ||
                                   op == platform::RegOp::DeleteValue || op == platform::RegOp::DeleteTree;
                return write && writes++ == position ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
            });
            const RegTransfer imported = ImportKey(HKEY_CURRENT_USER, kKey, file);
            failed = !imported.ok;
            registry.ClearFaults();
            EXPECT_TRUE(!failed || test::Dump(HKEY_CURRENT_USER, L"Software") == before) << imported.error;
            EXPECT_TRUE(failed || registry.KeyExists(HKEY_CURRENT_USER, kKey + L"\\New\\Deeper"));
            EXPECT_EQ(registry.OpenHandleCount(), 0u);
            ASSERT_LT(position, 100u);
        }
        EXPECT_GT(position, 10u) << "every write of the import was failed once";
    }
}

}  // namespace
}  // namespace qz::host

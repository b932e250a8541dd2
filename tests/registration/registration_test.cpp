// Self-registration over the in-memory registry: the script engine running a
// script with every form it knows, and the variables the package's script
// takes (the script itself is registered in a fresh prefix by regsvr32_check.sh).
#include <gtest/gtest.h>

#include <cwctype>
#include <new>
#include <vector>

#include "registration/script_engine.h"
#include "registration/variables.h"
#include "testing/registry_dump.h"

namespace qz::registration {
namespace {

using platform::RegOp;
using Value = test::MemoryRegistry::Value;

// Shaped like the package's own: a NoRemove chain, ForceRemove trees below
// NoRemove keys, a val under a NoRemove key, plain keys that others use too, a
// second tree reaching into keys the first one makes; and every root.
constexpr char16_t kScript[] =
    uR"(HKLM { NoRemove Software { NoRemove V {
    NoRemove Packages { ForceRemove P = s 'Tool' { val Module = s 'C:\x.dll' } }
    NoRemove Pages { ForceRemove Ours = s '#256' { val Sort = d 1000  General { val Data = b 'DEADBEEF' } } }
    NoRemove Menus { val P = s ', 1000, 1' }  Shared { Mine = s 'x' }  Common { Mine = s 'y' } } } }
HKLM { NoRemove Software { NoRemove V { ForceRemove Extra = d 1  Delete Gone  Delete Missing } } }
HKCR { Software } HKCU { Software } HKU { Software } HKCC { Software })";
const HKEY kRoots[] = {HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_USERS, HKEY_CURRENT_CONFIG};
const std::wstring kV = L"HKEY_LOCAL_MACHINE\\Software\\V\\";

HRESULT Apply(ScriptMode mode, const FinishStep& finish = {}) { return RunScript(kScript, {}, mode, nullptr, finish); }

// Every key and value below Software, root by root.
std::vector<test::RegistryDump> Snapshot() {
    std::vector<test::RegistryDump> all;
    for (HKEY root : kRoots) all.push_back(test::Dump(root, L"Software"));
    return all;
}

TEST(RegistrationTest, RegisterReplacesItsTreesAndUnregisterLeavesWhatStoodBefore) {
    test::MemoryRegistry registry;
    platform::ScopedRegistry scope(registry);
    // What another product keeps beside ours: a menu value, a subkey of one of
    // our plain keys and the default value of the other.
    registry.SetString(HKEY_LOCAL_MACHINE, L"Software\\V\\Menus", L"Other", L", 2000, 1");
    registry.SetDword(HKEY_LOCAL_MACHINE, L"Software\\V\\Shared\\Foreign", L"N", 1);
    registry.SetString(HKEY_LOCAL_MACHINE, L"Software\\V\\Common", L"", L"theirs");
    auto before = Snapshot();
    core::ScriptError error;
    EXPECT_EQ(RunScript(u"HKLM { A }\nHKLM { B", {}, ScriptMode::Register, &error), kScriptSyntaxError);
    EXPECT_EQ(error.line, 2u);

    ASSERT_EQ(Apply(ScriptMode::Register), S_OK);
    registry.SetString(HKEY_LOCAL_MACHINE, L"Software\\V\\Packages\\P", L"Stale", L"old");
    registry.SetDword(HKEY_LOCAL_MACHINE, L"Software\\V\\Gone\\Below", L"N", 1);
    ASSERT_EQ(Apply(ScriptMode::Register), S_OK);
    const std::wstring ours = L"Software\\V\\Pages\\Ours";
    EXPECT_EQ(registry.Get(HKEY_LOCAL_MACHINE, ours, L""), Value::String(L"#256"));
    EXPECT_EQ(registry.Get(HKEY_LOCAL_MACHINE, ours, L"Sort"), Value::Dword(1000));
    EXPECT_EQ(registry.Get(HKEY_LOCAL_MACHINE, ours + L"\\General", L"Data"),
              (Value{REG_BINARY, {0xDE, 0xAD, 0xBE, 0xEF}}));
    EXPECT_FALSE(registry.Get(HKEY_LOCAL_MACHINE, L"Software\\V\\Packages\\P", L"Stale")) << "made anew";
    EXPECT_FALSE(registry.KeyExists(HKEY_LOCAL_MACHINE, L"Software\\V\\Gone"));
    for (HKEY root : kRoots) EXPECT_TRUE(registry.KeyExists(root, L"Software"));

    // Unregistering goes on past failures, the last tree first, and answers the first
    // (a fault's key is named without regard to case).
    registry.FailOn(RegOp::Open, L"hkey_current_config\\SOFTWARE", ERROR_WRITE_PROTECT);
    registry.FailOn(RegOp::DeleteTree, kV + L"Packages\\P", ERROR_ACCESS_DENIED);
    EXPECT_EQ(Apply(ScriptMode::Unregister), HRESULT_FROM_WIN32(ERROR_WRITE_PROTECT));
    EXPECT_FALSE(registry.KeyExists(HKEY_LOCAL_MACHINE, ours));
    // Then only the NoRemove keys the first run made stay, and what others keep.
    registry.ClearFaults();
    ASSERT_EQ(Apply(ScriptMode::Unregister), S_OK);
    before[0][L"Software\\V\\Pages"] = {};
    before[0][L"Software\\V\\Packages"] = {};
    EXPECT_EQ(Snapshot(), before);
}

// Whatever fails, and wherever, the keys the run made are gone, NoRemove ones
// too. The last registry failure lies in the second tree, whose keys the first
// one made; then the step after the script fails.
TEST(RegistrationTest, AFailedRegistrationIsUndone) {
    const struct {
        RegOp op;
        const wchar_t* key;
        FinishStep finish;
    } failures[] = {
        {RegOp::DeleteTree, L"Packages\\P", {}},
        {RegOp::SetValue, L"Packages\\P", {}},
        {RegOp::Create, L"Pages\\Ours\\General", {}},
        {RegOp::SetValue, L"Common\\Mine", {}},
        {RegOp::SetValue, L"Extra", {}},
        {RegOp::Open, L"-", [] { return E_OUTOFMEMORY; }},
        {RegOp::Open, L"-", []() -> HRESULT { throw std::bad_alloc(); }},
    };
    for (const auto& failure : failures) {
        test::MemoryRegistry registry;
        platform::ScopedRegistry scope(registry);
        registry.FailOn(failure.op, kV + failure.key, ERROR_ACCESS_DENIED);
        EXPECT_EQ(Apply(ScriptMode::Register, failure.finish), failure.finish ? E_OUTOFMEMORY : E_ACCESSDENIED);
        EXPECT_EQ(Snapshot(), std::vector<test::RegistryDump>(5)) << failure.key;
    }
}

// The suffix comes from the environment of whoever registers, often elevated:
// only letters, digits, "_", "-" and "." are taken, in levels separated by
// single backslashes, none of them "." or "..". The module path must fit.
TEST(RegistrationTest, OnlyAPlainRootSuffixAndAPathThatFitsAreTaken) {
    std::vector<Variable> variables;
    const auto taken = [&](const std::wstring& suffix) {
        const HRESULT hr = ComputeVariables(L"C:\\QZToolOpt.dll", suffix, &variables);
        EXPECT_TRUE(hr == S_OK || hr == E_INVALIDARG) << hr;
        return hr == S_OK;
    };
    for (wchar_t c = 1; c < 0x100; ++c) {
        const bool plain = (c < 0x80 && std::iswalnum(c)) || c == L'_' || c == L'-' || c == L'.';
        EXPECT_EQ(taken(std::wstring(L"Exp") + c), plain) << "U+" << std::hex << int(c);
    }
    for (const wchar_t* suffix : {L"", L"exp_2-b.C", L"Exp\\Sub", L"\\Exp", L"..."}) EXPECT_TRUE(taken(suffix));
    for (const wchar_t* suffix : {L"Exp\\\\Sub", L"Exp\\", L"Exp\\.\\Sub", L"Exp\\..", L"\u0660", L"X\uFF5B"})
        EXPECT_FALSE(taken(suffix)) << suffix;
    EXPECT_EQ(ComputeVariables(L"C:\\" + std::wstring(252, L'n') + L".dll", L"", &variables), S_OK);
    EXPECT_EQ(ComputeVariables(L"C:\\" + std::wstring(253, L'n') + L".dll", L"", &variables),
              HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
}

}  // namespace
}  // namespace qz::registration

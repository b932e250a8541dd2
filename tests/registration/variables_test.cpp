#include <gtest/gtest.h>

#include <cwctype>
#include <map>

#include "core/script_parser.h"
#include "registration/self_registration.h"
#include "registration/variables.h"

namespace qz::registration {
namespace {

std::map<std::wstring, std::wstring> Compute(const std::wstring& path, const std::wstring& suffix) {
    std::vector<Variable> variables;
    EXPECT_EQ(ComputeVariables(path, suffix, &variables), S_OK);
    return std::map<std::wstring, std::wstring>(variables.begin(), variables.end());
}

// Kinds, markers and nesting of the entries, without their names and values.
std::string Shape(const std::vector<core::ScriptEntry>& entries) {
    std::string out;
    for (const core::ScriptEntry& e : entries) {
        out += "kvd"[static_cast<int>(e.kind)];
        out += "_NF"[static_cast<int>(e.marker)];
        if (e.value) out += "=sdb"[static_cast<int>(e.value->type) + 1];
        out += "{" + Shape(e.children) + "}";
    }
    return out;
}

std::string Shape(const core::Script& script) {
    std::string out;
    for (const core::ScriptRoot& root : script.roots)
        out += std::to_string(static_cast<int>(root.key)) + "{" + Shape(root.entries) + "}";
    return out;
}

TEST(RegistrationVariablesTest, NameTheModuleAndItsSatellite) {
    auto v = Compute(L"C:\\Program Files\\Tavrel\\QZToolOpt.dll", L"");
    EXPECT_EQ(v[L"MODULE"], L"C:\\Program Files\\Tavrel\\QZToolOpt.dll");
    EXPECT_EQ(v[L"RESOURCE_DLL"], L"QZToolOptUI.DLL");
    EXPECT_EQ(v[L"RESOURCE_PATH"], L"C:\\Program Files\\Tavrel\\");
    // The identifiers and string numbers are checked where they land: in the registry regsvr32 leaves.

    // Whatever the extension, the satellite is the base name with "UI.DLL".
    EXPECT_EQ(Compute(L"D:\\x.y\\Tool.ocx", L"")[L"RESOURCE_DLL"], L"ToolUI.DLL");
}

TEST(RegistrationVariablesTest, HostHiveKeysAreNestedNoRemoveKeys) {
    auto v = Compute(L"C:\\QZToolOpt.dll", L"");
    EXPECT_EQ(v[L"REGROOTBEGIN"],
              L" NoRemove 'Software'\n{\n NoRemove 'Microsoft'\n{\n NoRemove 'VisualStudio'\n{\n NoRemove '8.0'\n{\n");
    EXPECT_EQ(v[L"REGROOTEND"], L"\n}\n\n}\n\n}\n\n}\n");
    EXPECT_NE(Compute(L"C:\\QZToolOpt.dll", L"Exp")[L"REGROOTBEGIN"].find(L" NoRemove '8.0Exp'\n{\n"),
              std::wstring::npos);
    EXPECT_EQ(HostHive(L"Exp"), L"Software\\Microsoft\\VisualStudio\\8.0Exp");
}

// The suffix comes from the environment of whoever registers, often elevated:
// only letters, digits, "_", "-" and "." are taken, in levels separated by
// single backslashes, none of them "." or "..".
TEST(RegistrationVariablesTest, OnlyAPlainRootSuffixIsTaken) {
    const auto taken = [](const std::wstring& suffix) {
        std::vector<Variable> variables;
        const HRESULT hr = ComputeVariables(L"C:\\QZToolOpt.dll", suffix, &variables);
        EXPECT_TRUE(hr == S_OK || (hr == E_INVALIDARG && variables.empty())) << hr;
        return hr == S_OK;
    };
    for (wchar_t c = 1; c < 0x100; ++c) {
        const bool plain = (c < 0x80 && std::iswalnum(c)) || c == L'_' || c == L'-' || c == L'.';
        EXPECT_EQ(taken(std::wstring(L"Exp") + c), plain) << "U+" << std::hex << int(c);
    }
    for (const wchar_t* suffix : {L"", L"Exp", L"exp_2-b.C", L"Exp\\Sub", L"\\Exp", L"..."}) {
        EXPECT_TRUE(taken(suffix)) << suffix;
    }
    for (const wchar_t* suffix : {L"Exp\\\\Sub", L"Exp\\", L"\\", L"Exp\\.\\Sub", L"Exp\\..", L"Exp Test",
                                  L"X\n{\n}\n}\nDelete Tavrel", L"X'", L"\u00e9", L"\u0660", L"X\uFF5B"}) {
        EXPECT_FALSE(taken(suffix)) << suffix;
    }
}

// Whatever a variable holds, it lands as one name or one text of the package's script.
TEST(RegistrationVariablesTest, NoVariableCanAddSyntaxToThePackagesScript) {
    std::u16string script;
    ASSERT_EQ(LoadScript(&script), S_OK);
    std::vector<Variable> variables;
    ASSERT_EQ(ComputeVariables(L"C:\\QZToolOpt.dll", L"", &variables), S_OK);
    const auto parse = [&](const std::vector<Variable>& values, core::Script* parsed) {
        std::vector<core::ScriptVariable> scriptVariables;
        for (const Variable& v : values) {
            scriptVariables.push_back(
                {std::u16string(v.first.begin(), v.first.end()), std::u16string(v.second.begin(), v.second.end())});
        }
        core::ScriptError error;
        return core::ParseScript(script, scriptVariables, parsed, &error);
    };
    core::Script plain;
    ASSERT_TRUE(parse(variables, &plain));
    const std::wstring hostile = L"x' }\n Delete Tavrel\n{ = s 'y' NoRemove %";
    for (size_t i = 0; i < variables.size(); ++i) {
        if (variables[i].first == L"REGROOTBEGIN" || variables[i].first == L"REGROOTEND") continue;
        SCOPED_TRACE(std::string(variables[i].first.begin(), variables[i].first.end()));
        std::vector<Variable> changed = variables;
        changed[i].second = hostile;
        core::Script parsed;
        ASSERT_TRUE(parse(changed, &parsed));
        EXPECT_EQ(Shape(parsed), Shape(plain));
    }
}

TEST(RegistrationVariablesTest, APathTooLongForItsRoomIsRefused) {
    std::vector<Variable> variables;
    const std::wstring folder = L"C:\\" + std::wstring(240, L'd') + L"\\";
    EXPECT_EQ(ComputeVariables(folder + std::wstring(259 - folder.size() - 4, L'n') + L".dll", L"", &variables), S_OK);
    EXPECT_EQ(ComputeVariables(folder + std::wstring(260 - folder.size() - 4, L'n') + L".dll", L"", &variables),
              static_cast<HRESULT>(0x8007007A));
}

}  // namespace
}  // namespace qz::registration

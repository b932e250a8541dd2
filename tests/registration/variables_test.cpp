#include <gtest/gtest.h>

#include <map>

#include "registration/variables.h"

namespace qz::registration {
namespace {

std::map<std::wstring, std::wstring> Compute(const std::wstring& path, const std::wstring& suffix) {
    std::vector<Variable> variables;
    EXPECT_EQ(ComputeVariables(path, suffix, &variables), S_OK);
    return std::map<std::wstring, std::wstring>(variables.begin(), variables.end());
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
              L" NoRemove Software\n{\n NoRemove Microsoft\n{\n NoRemove VisualStudio\n{\n NoRemove 8.0\n{\n");
    EXPECT_EQ(v[L"REGROOTEND"], L"\n}\n\n}\n\n}\n\n}\n");
    EXPECT_NE(Compute(L"C:\\QZToolOpt.dll", L"Exp")[L"REGROOTBEGIN"].find(L" NoRemove 8.0Exp\n{\n"), std::wstring::npos);
    EXPECT_EQ(HostHive(L"Exp"), L"Software\\Microsoft\\VisualStudio\\8.0Exp");
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

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

TEST(RegistrationVariablesTest, NameTheModuleItsSatelliteAndTheIdentifiers) {
    auto v = Compute(L"C:\\Program Files\\Tavrel\\QZToolOpt.dll", L"");
    EXPECT_EQ(v[L"MODULE"], L"C:\\Program Files\\Tavrel\\QZToolOpt.dll");
    EXPECT_EQ(v[L"RESOURCE_DLL"], L"QZToolOptUI.DLL");
    EXPECT_EQ(v[L"RESOURCE_PATH"], L"C:\\Program Files\\Tavrel\\");
    EXPECT_EQ(v[L"CLSID_Package"], L"{0DE3E8C5-8C7F-4C1F-97D6-59D5AEBDAFFC}");
    EXPECT_EQ(v[L"SID_SQZToolOptions"], L"{68FEE8AA-3CF8-459A-8B16-AC55DE63B62D}");
    EXPECT_EQ(v[L"GUID_TOGeneralPPG"], L"{878704E3-A6F6-45B2-8461-AE189C654362}");
    EXPECT_EQ(v[L"GUID_TOCompilerPPG"], L"{31921995-2333-4D69-9B44-C7EA9CE2369B}");
    EXPECT_EQ(v[L"GUID_TOGAPPPG"], L"{58E73811-510C-420C-B67B-39F1849A03C9}");
    EXPECT_EQ(v[L"IDS_PACKAGE"] + v[L"IDS_PPG_GENERAL"] + v[L"IDS_PPG_COMPILER"] + v[L"IDS_PPG_GAP"], L"256259260261");

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

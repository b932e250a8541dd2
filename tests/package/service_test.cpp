// The tool-options service over the real options model, as the IDE's other
// packages call it.
#include <gtest/gtest.h>

#include "package/class_factory.h"
#include "package/package.h"
#include "settings/options.h"
#include "support/sited_package.h"

namespace qz::package {
namespace {

using platform::Bstr;
using platform::ComPtr;
using Value = test::MemoryRegistry::Value;
using Text = HRESULT (STDMETHODCALLTYPE IQZToolOptions::*)(BSTR*);
using Number = HRESULT (STDMETHODCALLTYPE IQZToolOptions::*)(INT*);
using Switch = HRESULT (STDMETHODCALLTYPE IQZToolOptions::*)(LONG*);
using Set = HRESULT (STDMETHODCALLTYPE IQZToolOptions::*)(INT);

class ServiceTest : public test::SitedPackageTest {
protected:
    // Every option stored with a value of its own: ".<ordinal>" or the ordinal.
    void StoreEveryOption() {
        for (int i = 0; i < settings::kOptionCount; ++i) {
            const bool text = settings::FindOption(i)->isText;
            registry.Set(HKEY_CURRENT_USER, test::kSettingsPath, settings::FindOption(i)->valueName,
                         text ? Value::String(L"." + std::to_wstring(i)) : Value::Dword(i));
        }
    }
    std::wstring Read(Text get) {
        Bstr text;
        EXPECT_EQ((service.Get()->*get)(text.Put()), S_OK);
        return std::wstring(text.Text(), text.Length());
    }
    std::wstring Default(int ordinal) {
        ComPtr<IDispatch> automation;
        ComPtr<IQZGeneralPPG> model;
        EXPECT_EQ(package->GetAutomationObject(module::kAutomationName, automation.Put()), S_OK);
        EXPECT_EQ(automation.As(&model), S_OK);
        platform::Variant value;
        EXPECT_EQ(model->GetPropertyDef(static_cast<PropertyID>(ordinal), &value.Get()), S_OK);
        return value.AsText();
    }
};

// Each option method answers its own option, the Def ones its default whatever
// is stored; the two joined lists are the fixed-form one, then the free-form one.
TEST_F(ServiceTest, EachOptionMethodAnswersItsOwnOption) {
    StoreEveryOption();
    const std::pair<Text, int> texts[] = {{&IQZToolOptions::GetFreeFormatExt, settings::kOptFreeSourceExt},
                                          {&IQZToolOptions::GetFixedFormatExt, settings::kOptFixedSourceExt},
                                          {&IQZToolOptions::GetFreeFormatExtHdr, settings::kOptFreeHeaderExt},
                                          {&IQZToolOptions::GetFixedFormatExtHdr, settings::kOptFixedHeaderExt},
                                          {&IQZToolOptions::GetGapSuppressRemarks, settings::kOptGapSuppressRemarks},
                                          {&IQZToolOptions::GetGapRemarksFile, settings::kOptGapRemarksFile}};
    for (const auto& [get, ordinal] : texts) EXPECT_EQ(Read(get), L"." + std::to_wstring(ordinal));
    const std::pair<Text, int> defaults[] = {{&IQZToolOptions::DefGetFreeFormatExt, settings::kOptFreeSourceExt},
                                             {&IQZToolOptions::DefGetFixedFormatExt, settings::kOptFixedSourceExt},
                                             {&IQZToolOptions::DefGetFreeFormatExtHdr, settings::kOptFreeHeaderExt},
                                             {&IQZToolOptions::DefGetFixedFormatExtHdr, settings::kOptFixedHeaderExt}};
    for (const auto& [get, ordinal] : defaults) EXPECT_EQ(Read(get), Default(ordinal)) << ordinal;
    const std::pair<Switch, int> switches[] = {{&IQZToolOptions::GetBuildLog, settings::kOptGenerateBuildLog},
                                               {&IQZToolOptions::GetShowEnvInLog, settings::kOptShowEnvInBuildLog},
                                               {&IQZToolOptions::GetContinueOnErrors, settings::kOptContinueOnError}};
    for (const auto& [get, ordinal] : switches) {
        LONG value = -1;
        EXPECT_EQ((service.Get()->*get)(&value), S_OK);
        EXPECT_EQ(value, ordinal);
    }
    // Each GAP number is stored by its setter and read back by its getter.
    const std::tuple<Set, Number, int> numbers[] = {
        {&IQZToolOptions::SetGapLevel, &IQZToolOptions::GetGapLevel, settings::kOptGapLevel},
        {&IQZToolOptions::SetGapSuppressWarnings, &IQZToolOptions::GetGapSuppressWarnings,
         settings::kOptGapSuppressWarnings},
        {&IQZToolOptions::SetGapRemarksToFile, &IQZToolOptions::GetGapRemarksToFile, settings::kOptGapRemarksToFile},
        {&IQZToolOptions::SetGapShowDialog, &IQZToolOptions::GetGapShowDialog, settings::kOptGapShowDialogs}};
    for (const auto& [set, get, ordinal] : numbers) {
        INT value = -1;
        EXPECT_EQ((service.Get()->*get)(&value), S_OK);
        EXPECT_EQ(value, ordinal);
        EXPECT_EQ((service.Get()->*set)(100 + ordinal), S_OK);
        EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, test::kSettingsPath, settings::FindOption(ordinal)->valueName),
                  Value::Dword(100 + ordinal));
    }
    EXPECT_EQ(Read(&IQZToolOptions::GetFortranExtensions), L".2;.0");
    EXPECT_EQ(Read(&IQZToolOptions::GetHeaderExtensions), L".3;.1");
}

// Without the IDE's registry root the model is unavailable: the getters
// answer nothing and succeed, the setters store nothing.
TEST_F(ServiceTest, AnUnavailableModelAnswersNothing) {
    ide.Withhold(ide::Service::LocalRegistry);
    BSTR text = reinterpret_cast<BSTR>(1);
    INT level = 5;
    EXPECT_EQ(service->GetFreeFormatExt(&text), S_OK);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(service->GetGapLevel(&level), S_OK);
    EXPECT_EQ(level, 0);
    EXPECT_EQ(Read(&IQZToolOptions::GetFortranExtensions), L"");
    EXPECT_EQ(service->SetGapLevel(2), S_OK);
    EXPECT_EQ(registry.TotalCount(), 0u);
}

// Two compilers for Win32 (1024: 12.0, 1025: 11.1); a selection of a compiler
// that is gone, or none, gives the platform's default, the newest.
TEST_F(ServiceTest, TheSelectedCompilerElseTheDefault) {
    for (const wchar_t* version : {L"12.0.000", L"11.1.065"}) {
        registry.SetString(HKEY_LOCAL_MACHINE,
                           std::wstring(L"Software\\Tavrel\\Compilers\\Fortran\\") + version + L"\\PX32",
                           L"DisplayString", std::wstring(L"Fortran ") + version);
    }
    const Bstr win32(L"Win32");
    INT handle = 0;
    const auto selected = [&]() {
        EXPECT_EQ(service->GetSelectedCmplr(win32.Get(), &handle), S_OK);
        return handle;
    };
    EXPECT_EQ(selected(), 1024);
    EXPECT_EQ(service->SetSelectedCmplr(1025), S_OK);
    EXPECT_EQ(selected(), 1025);
    registry.SetString(HKEY_CURRENT_USER, std::wstring(test::kSettingsPath) + L"\\SelectedCompilers", L"PX32",
                       L"110.001|PX32_PX32");
    EXPECT_EQ(selected(), 1024);
    Bstr full, again;
    EXPECT_EQ(service->GetCmplrDisplay(1025, full.Put(), again.Put()), S_OK);
    EXPECT_STREQ(full.Text(), L"Fortran 11.1.065");
    EXPECT_STREQ(again.Text(), full.Text());
    EXPECT_NE(again.Get(), full.Get()) << "two texts, each the caller's own";
}

// The compiler's own documentation folder needs no IDE; else the one below its
// product folder in the IDE's language when installed (Japanese), or English.
TEST_F(ServiceTest, TheDocumentationFolderFollowsTheIdesLanguage) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring product = std::wstring(temp) + L"qz-docs-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    const std::wstring compilers = L"Software\\Tavrel\\Compilers\\Fortran\\";
    registry.SetString(HKEY_LOCAL_MACHINE, compilers + L"12.0.000\\PX32", L"DocumentationDir", L"D:\\docs\\");
    registry.SetString(HKEY_LOCAL_MACHINE, compilers + L"11.1.065\\PX32", L"ProductDir", product);
    ASSERT_EQ(service->CheckPlatformLoading(), S_OK);  // 12.0.000 is 1024, 11.1.065 is 1025
    const auto docs = [&](INT handle, HRESULT expected = S_OK) {
        Bstr path;
        EXPECT_EQ(service->GetCmplrDocPath(handle, path.Put()), expected);
        return path.Get() ? std::wstring(path.Text()) : L"(none)";
    };
    ide.Withhold(ide::Service::Dte);
    EXPECT_EQ(docs(1025, E_NOINTERFACE), L"(none)");
    EXPECT_EQ(docs(1024), L"D:\\docs\\");
    ide.Withhold(ide::Service::Dte, false);
    ide.SetDteLocaleId(1041);
    EXPECT_EQ(docs(1025), product + L"Documentation\\en_US\\compiler_f\\") << "no Japanese folder installed";
    for (const wchar_t* folder : {L"", L"Documentation", L"Documentation\\ja_JP"}) {
        ASSERT_TRUE(CreateDirectoryW((product + folder).c_str(), nullptr));
    }
    EXPECT_EQ(docs(1025), product + L"Documentation\\ja_JP\\compiler_f\\");
    ide.SetDteLocaleId(1033);
    EXPECT_EQ(docs(1025), product + L"Documentation\\en_US\\compiler_f\\");
    for (const wchar_t* folder : {L"Documentation\\ja_JP", L"Documentation", L""})
        RemoveDirectoryW((product + folder).c_str());
    registry.SetString(HKEY_LOCAL_MACHINE, compilers + L"11.1.065\\PX32", L"ProductDir", L"");
    EXPECT_EQ(docs(1025), L"(none)") << "an empty product directory";
}

}  // namespace
}  // namespace qz::package

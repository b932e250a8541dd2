// The compiler commands: what the project system sees of each platform's
// compilers, and the per-user choice of one.
#include <cstdio>
#include <cwchar>

#include "commands.h"
#include "compilers/compiler_list.h"
#include "json.h"
#include "text_output.h"

namespace qz::host {
namespace {

using platform::Bstr;
using platform::SafeArray;

int HandleByName(IDispatch* automation, const wchar_t* operation, const std::wstring& platformName) {
    platform::Variant result;
    const platform::Variant name = platform::Variant::Text(platformName.c_str());
    const HRESULT hr = CallByName(automation, operation, {name.Get()}, result.Put());
    return SUCCEEDED(hr) && result.HoldsInt() ? result.AsInt() : -1;
}

std::wstring TextOrError(HRESULT hr, const Bstr& text) {
    if (SUCCEEDED(hr)) return L"\"" + std::wstring(text.Text(), text.Length()) + L"\"";
    return hr == E_FAIL ? L"(no value)" : L"(" + HresultText(hr) + L")";
}

using Get = HRESULT (STDMETHODCALLTYPE IQZToolOptions::*)(INT, BSTR*);
using Set = HRESULT (STDMETHODCALLTYPE IQZToolOptions::*)(INT, BSTR);

struct DirectoryRow {
    const wchar_t* name;  // the registry value name, also the command-line name
    Get getDefault;
    Get getCommitted;
    Set setCommitted;
};

const DirectoryRow kDirectories[] = {
    {L"IncludeDir", &IQZToolOptions::GetCmplrDefIncludePaths, &IQZToolOptions::GetCmplrIncludePaths,
     &IQZToolOptions::SetCmplrIncludePaths},
    {L"LibDir", &IQZToolOptions::GetCmplrDefLibPaths, &IQZToolOptions::GetCmplrLibPaths,
     &IQZToolOptions::SetCmplrLibPaths},
    {L"BinDir", &IQZToolOptions::GetCmplrDefBinPaths, &IQZToolOptions::GetCmplrBinPath,
     &IQZToolOptions::SetCmplrBinPath},
    {L"DefaultOptions", &IQZToolOptions::GetCmplrDefDefaultOptions, &IQZToolOptions::GetCmplrDefaultOptions,
     &IQZToolOptions::SetCmplrDefaultOptions},
};

const DirectoryRow* FindDirectoryRow(const std::wstring& name) {
    for (const DirectoryRow& row : kDirectories) {
        if (CompareStringOrdinal(row.name, -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) return &row;
    }
    return nullptr;
}

void PrintDirectories(IQZToolOptions* service, INT handle) {
    for (const DirectoryRow& row : kDirectories) {
        Bstr byDefault, committed;
        const HRESULT hrDefault = (service->*row.getDefault)(handle, byDefault.Put());
        const HRESULT hrCommitted = (service->*row.getCommitted)(handle, committed.Put());
        Print(L"        %-15ls default:   %ls\n", row.name, TextOrError(hrDefault, byDefault).c_str());
        Print(L"        %-15ls committed: %ls\n", L"", TextOrError(hrCommitted, committed).c_str());
    }
    Bstr docs;
    const HRESULT hr = service->GetCmplrDocPath(handle, docs.Put());
    Print(L"        documentation: %ls\n", TextOrError(hr, docs).c_str());
}

void TextOrNull(JsonWriter& json, HRESULT hr, const Bstr& text) {
    if (SUCCEEDED(hr)) {
        json.String(std::wstring(text.Text(), text.Length()));
    } else {
        json.Null();
    }
}

// The model numbers its compilers in the order it lists them; the host lists
// them in the same way from the same registry to learn their identifiers, and
// trusts a pairing only where platform and version agree too.
class Identifiers {
public:
    explicit Identifiers(IQZToolOptions* service) : service_(service) { list_.Build(kUserSettingsKey); }

    // The identifier ("111.065|PX32_HY64") of a listed compiler, or empty.
    std::wstring Of(INT handle) const {
        const compilers::CCmplrEntry* entry = list_.FindCmplr(handle);
        if (!entry) return {};
        Bstr platformName, version;
        const bool agrees = SUCCEEDED(service_->GetCmplrPlatform(handle, platformName.Put())) &&
                            SUCCEEDED(service_->GetCmplrVersion(handle, version.Put())) &&
                            entry->platform->name == platformName.Text() &&
                            compilers::VersionText(entry->version) == version.Text();
        return agrees ? entry->identifier : std::wstring();
    }

    // A compiler named by identifier (letter case ignored) or by handle; -1 for none.
    INT Find(const std::wstring& name) const {
        wchar_t* end = nullptr;
        const long number = std::wcstol(name.c_str(), &end, 10);
        if (!name.empty() && *end == L'\0') return number;
        for (const auto& platformEntry : list_.Platforms()) {
            for (const auto& entry : platformEntry->compilers) {
                if (_wcsicmp(entry->identifier.c_str(), name.c_str()) == 0 && Of(entry->handle) == entry->identifier) {
                    return entry->handle;
                }
            }
        }
        return -1;
    }

private:
    IQZToolOptions* service_;
    compilers::CompilerList list_;
};

void HandleOrNull(JsonWriter& json, int handle) {
    if (handle == -1) {
        json.Null();
    } else {
        json.Number(handle);
    }
}

void WriteCompiler(JsonWriter& json, IQZToolOptions* service, IDispatch* automation, INT handle,
                   const std::wstring& display, const std::wstring& identifier) {
    json.BeginObject();
    json.Key(L"handle");
    json.Number(handle);
    json.Key(L"identifier");
    if (identifier.empty()) {
        json.Null();
    } else {
        json.String(identifier);
    }
    json.Key(L"display");
    json.String(display);
    json.Key(L"suite");
    platform::Variant suite;
    if (SUCCEEDED(CallByName(automation, L"SuiteDisplayName", {Int4(handle)}, suite.Put())) && suite.HoldsText()) {
        json.String(suite.AsText());
    } else {
        json.Null();
    }
    Bstr version, productDir, packageInfo;
    INT flags = 0;
    json.Key(L"version");
    TextOrNull(json, service->GetCmplrVersion(handle, version.Put()), version);
    json.Key(L"flags");
    if (SUCCEEDED(service->GetCmplrFlags(handle, &flags))) {
        json.Number(flags);
    } else {
        json.Null();
    }
    json.Key(L"productDir");
    TextOrNull(json, service->GetCmplrProductDir(handle, productDir.Put()), productDir);
    json.Key(L"packageInfo");
    TextOrNull(json, service->GetCmplrPackageInfo(handle, packageInfo.Put()), packageInfo);
    json.Key(L"directories");
    json.BeginObject();
    for (const DirectoryRow& row : kDirectories) {
        Bstr byDefault, committed;
        json.Key(row.name);
        json.BeginObject();
        json.Key(L"default");
        TextOrNull(json, (service->*row.getDefault)(handle, byDefault.Put()), byDefault);
        json.Key(L"committed");
        TextOrNull(json, (service->*row.getCommitted)(handle, committed.Put()), committed);
        json.EndObject();
    }
    json.EndObject();
    json.EndObject();
}

}  // namespace

bool PrintCompilers(Session& session, Report& report) {
    IQZToolOptions* service = session.Service();
    INT count = 0;
    SafeArray platforms;
    HRESULT hr = service->GetFullPlatformsList(&count, platforms.Put());
    if (!report.Step(SUCCEEDED(hr) && platforms, L"the full platform list: " + HresultText(hr), false)) return false;

    const Identifiers identifiers(service);
    bool ok = true;
    for (LONG p = 0; p < count; ++p) {
        Bstr platformName;
        SafeArrayGetElement(platforms.Get(), &p, platformName.Put());
        const std::wstring name(platformName.Text(), platformName.Length());
        LONG supported = 0;
        service->IsPlatformSupported(platformName.Get(), &supported);
        const int selected = HandleByName(session.Automation(), L"GetSelectedCmplr", name);
        const int byDefault = HandleByName(session.Automation(), L"GetDefaultCmplr", name);
        Print(L"\nPlatform %ls (%ls)\n", name.c_str(), supported ? L"supported" : L"not supported");

        SafeArray names, handles;
        hr = service->GetPlatformCmplrs(platformName.Get(), names.Put(), handles.Put());
        if (!report.Step(SUCCEEDED(hr), L"the compilers of " + name + L": " + HresultText(hr), false)) {
            ok = false;
            continue;
        }
        const std::vector<int> handleList = handles.Ints();
        const std::vector<std::wstring> displays = names.Texts();
        for (size_t i = 0; i < handleList.size() && i < displays.size(); ++i) {
            const INT handle = handleList[i];
            Bstr version, productDir, packageInfo;
            INT flags = 0;
            const HRESULT hrVersion = service->GetCmplrVersion(handle, version.Put());
            service->GetCmplrFlags(handle, &flags);
            const HRESULT hrDir = service->GetCmplrProductDir(handle, productDir.Put());
            const HRESULT hrInfo = service->GetCmplrPackageInfo(handle, packageInfo.Put());
            platform::Variant suite;
            const HRESULT hrSuite = CallByName(session.Automation(), L"SuiteDisplayName", {Int4(handle)}, suite.Put());
            const std::wstring mark =
                std::wstring(handle == selected ? L"*" : L" ") + (handle == byDefault ? L"+" : L" ");
            const std::wstring identifier = identifiers.Of(handle);
            Print(L" %ls %d  %ls  %ls\n", mark.c_str(), handle, identifier.empty() ? L"-" : identifier.c_str(),
                  displays[i].c_str());
            Print(L"        suite: %ls\n",
                  SUCCEEDED(hrSuite) ? VariantText(suite.Get()).c_str() : HresultText(hrSuite).c_str());
            Print(L"        version %ls, flags %d\n", TextOrError(hrVersion, version).c_str(), flags);
            Print(L"        product directory: %ls\n", TextOrError(hrDir, productDir).c_str());
            Print(L"        package information: %ls\n", TextOrError(hrInfo, packageInfo).c_str());
            PrintDirectories(service, handle);
        }
        if (selected == -1) Print(L"    (nothing selected: the default + serves)\n");
    }
    Print(L"\n* selected by the user, + the platform's default (highest version)\n");
    return report.Step(ok, L"listed the compilers of every platform");
}

std::string CompilersJson(IQZToolOptions* service, IDispatch* automation, Report& report) {
    JsonWriter json;
    json.BeginArray();
    INT count = 0;
    SafeArray platforms;
    HRESULT hr = service->GetFullPlatformsList(&count, platforms.Put());
    bool ok = report.Step(SUCCEEDED(hr) && platforms, L"the full platform list: " + HresultText(hr), false);
    const Identifiers identifiers(service);
    for (LONG p = 0; ok && p < count; ++p) {
        Bstr platformName;
        SafeArrayGetElement(platforms.Get(), &p, platformName.Put());
        const std::wstring name(platformName.Text(), platformName.Length());
        LONG supported = 0;
        service->IsPlatformSupported(platformName.Get(), &supported);
        json.BeginObject();
        json.Key(L"name");
        json.String(name);
        json.Key(L"supported");
        json.Bool(supported != 0);
        json.Key(L"selected");
        HandleOrNull(json, HandleByName(automation, L"GetSelectedCmplr", name));
        json.Key(L"default");
        HandleOrNull(json, HandleByName(automation, L"GetDefaultCmplr", name));
        json.Key(L"compilers");
        SafeArray names, handles;
        hr = service->GetPlatformCmplrs(platformName.Get(), names.Put(), handles.Put());
        if (report.Step(SUCCEEDED(hr), L"the compilers of " + name + L": " + HresultText(hr), false)) {
            json.BeginArray();
            const std::vector<int> handleList = handles.Ints();
            const std::vector<std::wstring> displays = names.Texts();
            for (size_t i = 0; i < handleList.size() && i < displays.size(); ++i) {
                WriteCompiler(json, service, automation, handleList[i], displays[i], identifiers.Of(handleList[i]));
            }
            json.EndArray();
        } else {
            json.Null();
        }
        json.EndObject();
    }
    json.EndArray();
    return json.Text();
}

bool IsDirectoryName(const std::wstring& name) { return FindDirectoryRow(name) != nullptr; }

// A compiler named on the command line, once the model has listed its compilers.
INT CompilerNamed(IQZToolOptions* service, Report& report, const std::wstring& name) {
    service->CheckPlatformLoading();
    const INT handle = Identifiers(service).Find(name);
    report.Step(handle != -1, L"no installed compiler has the identifier " + name + L" (see: compilers)", false);
    return handle;
}

bool StoreDirectory(IQZToolOptions* service, Report& report, const std::vector<std::wstring>& command) {
    const INT handle = CompilerNamed(service, report, command[1]);
    if (handle == -1) return false;
    const DirectoryRow* row = FindDirectoryRow(command[2]);
    Bstr value(command[3].c_str());
    const HRESULT hr = (service->*row->setCommitted)(handle, value.Get());
    return report.Step(SUCCEEDED(hr), L"stored " + std::wstring(row->name) + L" of compiler " + command[1] + L" = \"" +
                                          command[3] + L"\": " + HresultText(hr));
}

bool SelectCompiler(IQZToolOptions* service, IDispatch* automation, Report& report,
                    const std::vector<std::wstring>& command) {
    if (command[0] == L"select") {
        const INT handle = CompilerNamed(service, report, command[2]);
        if (handle == -1) return false;
        Bstr platformName;
        HRESULT hr = service->GetCmplrPlatform(handle, platformName.Put());
        if (SUCCEEDED(hr) &&
            CompareStringOrdinal(command[1].c_str(), -1, platformName.Text(), -1, TRUE) != CSTR_EQUAL) {
            return report.Step(false, L"compiler " + command[2] + L" belongs to platform " + platformName.Text() +
                                          L", not " + command[1]);
        }
        if (SUCCEEDED(hr)) hr = service->SetSelectedCmplr(handle);
        return report.Step(SUCCEEDED(hr),
                           L"selected compiler " + command[2] + L" for " + command[1] + L": " + HresultText(hr));
    }
    const platform::Variant name = platform::Variant::Text(command[1].c_str());
    const HRESULT hr = CallByName(automation, L"ClearSelectedCmplr", {name.Get()}, nullptr);
    return report.Step(SUCCEEDED(hr), L"cleared the choice for " + command[1] + L": " + HresultText(hr));
}

}  // namespace qz::host

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

template <class Get>
TextRead ReadText(Get get) {
    TextRead read;
    Bstr text;
    read.hr = get(text.Put());
    read.text.assign(text.Text(), text.Length());
    return read;
}

std::wstring TextOrError(const TextRead& read) {
    if (SUCCEEDED(read.hr)) return L"\"" + read.text + L"\"";
    return read.hr == E_FAIL ? L"(no value)" : L"(" + HresultText(read.hr) + L")";
}

void TextOrNull(JsonWriter& json, const TextRead& read) {
    if (SUCCEEDED(read.hr)) {
        json.String(read.text);
    } else {
        json.Null();
    }
}

void HandleOrNull(JsonWriter& json, int handle) {
    if (handle == -1) {
        json.Null();
    } else {
        json.Number(handle);
    }
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

CompilerInfo ReadCompiler(IQZToolOptions* service, IDispatch* automation, INT handle, std::wstring display,
                          std::wstring identifier) {
    CompilerInfo info;
    info.handle = handle;
    info.identifier = std::move(identifier);
    info.display = std::move(display);
    info.hrSuite = CallByName(automation, L"SuiteDisplayName", {Int4(handle)}, info.suite.Put());
    info.version = ReadText([&](BSTR* out) { return service->GetCmplrVersion(handle, out); });
    info.hrFlags = service->GetCmplrFlags(handle, &info.flags);
    info.productDir = ReadText([&](BSTR* out) { return service->GetCmplrProductDir(handle, out); });
    info.packageInfo = ReadText([&](BSTR* out) { return service->GetCmplrPackageInfo(handle, out); });
    for (const DirectoryRow& row : kDirectories) {
        info.directories.push_back({row.name,
                                    ReadText([&](BSTR* out) { return (service->*row.getDefault)(handle, out); }),
                                    ReadText([&](BSTR* out) { return (service->*row.getCommitted)(handle, out); })});
    }
    info.documentation = ReadText([&](BSTR* out) { return service->GetCmplrDocPath(handle, out); });
    return info;
}

void WriteCompiler(JsonWriter& json, const CompilerInfo& compiler) {
    json.BeginObject();
    json.Key(L"handle");
    json.Number(compiler.handle);
    json.Key(L"identifier");
    if (compiler.identifier.empty()) {
        json.Null();
    } else {
        json.String(compiler.identifier);
    }
    json.Key(L"display");
    json.String(compiler.display);
    json.Key(L"suite");
    if (SUCCEEDED(compiler.hrSuite) && compiler.suite.HoldsText()) {
        json.String(compiler.suite.AsText());
    } else {
        json.Null();
    }
    json.Key(L"version");
    TextOrNull(json, compiler.version);
    json.Key(L"flags");
    if (SUCCEEDED(compiler.hrFlags)) {
        json.Number(compiler.flags);
    } else {
        json.Null();
    }
    json.Key(L"productDir");
    TextOrNull(json, compiler.productDir);
    json.Key(L"packageInfo");
    TextOrNull(json, compiler.packageInfo);
    json.Key(L"directories");
    json.BeginObject();
    for (const CompilerDirectories& directory : compiler.directories) {
        json.Key(directory.name);
        json.BeginObject();
        json.Key(L"default");
        TextOrNull(json, directory.byDefault);
        json.Key(L"committed");
        TextOrNull(json, directory.committed);
        json.EndObject();
    }
    json.EndObject();
    json.EndObject();
}

const wchar_t* const kListStep = L"the full platform list: ";

}  // namespace

CompilersResult ReadCompilers(IQZToolOptions* service, IDispatch* automation) {
    CompilersResult result;
    INT count = 0;
    SafeArray platforms;
    result.hrPlatforms = service->GetFullPlatformsList(&count, platforms.Put());
    result.listed = SUCCEEDED(result.hrPlatforms) && platforms;
    if (!result.listed) return result;
    const Identifiers identifiers(service);
    for (LONG p = 0; p < count; ++p) {
        Bstr platformName;
        SafeArrayGetElement(platforms.Get(), &p, platformName.Put());
        PlatformInfo& platform = result.platforms.emplace_back();
        platform.name.assign(platformName.Text(), platformName.Length());
        LONG supported = 0;
        service->IsPlatformSupported(platformName.Get(), &supported);
        platform.supported = supported != 0;
        platform.selected = HandleByName(automation, L"GetSelectedCmplr", platform.name);
        platform.byDefault = HandleByName(automation, L"GetDefaultCmplr", platform.name);
        SafeArray names, handles;
        platform.hrCompilers = service->GetPlatformCmplrs(platformName.Get(), names.Put(), handles.Put());
        if (FAILED(platform.hrCompilers)) continue;
        const std::vector<int> handleList = handles.Ints();
        const std::vector<std::wstring> displays = names.Texts();
        for (size_t i = 0; i < handleList.size() && i < displays.size(); ++i) {
            platform.compilers.push_back(
                ReadCompiler(service, automation, handleList[i], displays[i], identifiers.Of(handleList[i])));
        }
    }
    return result;
}

bool PrintCompilers(const CompilersResult& result, Report& report) {
    if (!report.Step(result.listed, kListStep + HresultText(result.hrPlatforms), false)) return false;
    bool ok = true;
    for (const PlatformInfo& platform : result.platforms) {
        Print(L"\nPlatform %ls (%ls)\n", platform.name.c_str(), platform.supported ? L"supported" : L"not supported");
        if (!report.Step(SUCCEEDED(platform.hrCompilers),
                         L"the compilers of " + platform.name + L": " + HresultText(platform.hrCompilers), false)) {
            ok = false;
            continue;
        }
        for (const CompilerInfo& compiler : platform.compilers) {
            const std::wstring mark = std::wstring(compiler.handle == platform.selected ? L"*" : L" ") +
                                      (compiler.handle == platform.byDefault ? L"+" : L" ");
            Print(L" %ls %d  %ls  %ls\n", mark.c_str(), compiler.handle,
                  compiler.identifier.empty() ? L"-" : compiler.identifier.c_str(), compiler.display.c_str());
            Print(L"        suite: %ls\n", SUCCEEDED(compiler.hrSuite) ? VariantText(compiler.suite.Get()).c_str()
                                                                       : HresultText(compiler.hrSuite).c_str());
            Print(L"        version %ls, flags %d\n", TextOrError(compiler.version).c_str(), compiler.flags);
            Print(L"        product directory: %ls\n", TextOrError(compiler.productDir).c_str());
            Print(L"        package information: %ls\n", TextOrError(compiler.packageInfo).c_str());
            for (const CompilerDirectories& directory : compiler.directories) {
                Print(L"        %-15ls default:   %ls\n", directory.name, TextOrError(directory.byDefault).c_str());
                Print(L"        %-15ls committed: %ls\n", L"", TextOrError(directory.committed).c_str());
            }
            Print(L"        documentation: %ls\n", TextOrError(compiler.documentation).c_str());
        }
        if (platform.selected == -1) Print(L"    (nothing selected: the default + serves)\n");
    }
    Print(L"\n* selected by the user, + the platform's default (highest version)\n");
    return report.Step(ok, L"listed the compilers of every platform");
}

std::string CompilersJson(const CompilersResult& result, Report& report) {
    JsonWriter json;
    json.BeginArray();
    if (report.Step(result.listed, kListStep + HresultText(result.hrPlatforms), false)) {
        for (const PlatformInfo& platform : result.platforms) {
            json.BeginObject();
            json.Key(L"name");
            json.String(platform.name);
            json.Key(L"supported");
            json.Bool(platform.supported);
            json.Key(L"selected");
            HandleOrNull(json, platform.selected);
            json.Key(L"default");
            HandleOrNull(json, platform.byDefault);
            json.Key(L"compilers");
            if (report.Step(SUCCEEDED(platform.hrCompilers),
                            L"the compilers of " + platform.name + L": " + HresultText(platform.hrCompilers), false)) {
                json.BeginArray();
                for (const CompilerInfo& compiler : platform.compilers) WriteCompiler(json, compiler);
                json.EndArray();
            } else {
                json.Null();
            }
            json.EndObject();
        }
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

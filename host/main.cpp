// QZIdeHost: plays the IDE for the tool-options package. It loads the DLL
// through DllGetClassObject, sites the package with the stand-in IDE and
// reports what the package does, step by step.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cwchar>
#include <algorithm>
#include <string>
#include <vector>

#include "QZToolOpt.h"
#include "ide/stand_in_ide.h"
#include "package/identifiers.h"
#include "platform/com_ptr.h"
#include "platform/module.h"
#include "platform/vs_interfaces.h"
#include "satellite/resource_ids.h"

namespace {

using qz::platform::ComPtr;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const wchar_t kUsage[] =
    L"Usage: QZIdeHost [--package PATH] [load | options | set NAME VALUE | reset NAME]\n"
    L"\n"
    L"Plays the IDE for the Tavrel Fortran tool-options package.\n"
    L"\n"
    L"Commands:\n"
    L"  load       load the package as the IDE does: class factory, SetSite (the\n"
    L"             satellite library is loaded, the tool-options service offered),\n"
    L"             ask the IDE for the service twice, Close, release, and ask the\n"
    L"             DLL whether it can unload (the default command); while sited\n"
    L"             it also lists the options as below\n"
    L"  options    the thirteen options: value (through the tool-options service)\n"
    L"             and default (through the automation object)\n"
    L"  set NAME VALUE   store an option by its name (for example GapLevel 3);\n"
    L"             texts as given, numbers as decimal\n"
    L"  reset NAME store the option's default\n"
    L"\n"
    L"Options are kept in the registry of the machine (or Wine prefix) the host\n"
    L"runs on, below HKEY_CURRENT_USER\\Software\\Microsoft\\VisualStudio\\8.0\n"
    L"\\Tavrel Fortran\\QZToolOpt\\120.\n"
    L"\n"
    L"Options:\n"
    L"  --package PATH   the package DLL (default: QZToolOpt.dll beside this program)\n"
    L"  --help           this text\n"
    L"\n"
    L"Exit codes: 0 every step succeeded, 1 a step failed, 2 wrong usage.\n";

std::wstring HresultText(HRESULT hr) {
    wchar_t text[32];
    std::swprintf(text, 32, L"0x%08lX", static_cast<unsigned long>(hr));
    switch (hr) {
        case S_OK: return L"S_OK";
        case S_FALSE: return L"S_FALSE";
        default: return text;
    }
}

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

class Report {
public:
    // Prints one step; answers whether it succeeded.
    // Successes are shown when `show` is set, failures always.
    bool Step(bool ok, const std::wstring& what, bool show = true) {
        if (show || !ok) std::wprintf(L"%ls %ls\n", ok ? L"[ok]  " : L"[FAIL]", what.c_str());
        if (!ok) failed_ = true;
        return ok;
    }
    bool Failed() const { return failed_; }

private:
    bool failed_ = false;
};

std::wstring SatelliteString(const std::wstring& satellitePath, UINT id) {
    qz::platform::ModuleHandle satellite(
        LoadLibraryExW(satellitePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    wchar_t text[256] = {};
    if (satellite) LoadStringW(satellite.Get(), id, text, 256);
    return text;
}

struct OptionRow {
    const wchar_t* name;  // the registry value name, which is also the command-line name
    int ordinal;
    bool isText;
    HRESULT (STDMETHODCALLTYPE IQZToolOptions::*getText)(BSTR*);
    HRESULT (STDMETHODCALLTYPE IQZToolOptions::*getNumber)(INT*);
    HRESULT (STDMETHODCALLTYPE IQZToolOptions::*getLong)(LONG*);
};

const OptionRow kOptionRows[] = {
    {L"ExtFree", 0, true, &IQZToolOptions::GetFreeFormatExt, nullptr, nullptr},
    {L"HeadersFree", 1, true, &IQZToolOptions::GetFreeFormatExtHdr, nullptr, nullptr},
    {L"ExtFixed", 2, true, &IQZToolOptions::GetFixedFormatExt, nullptr, nullptr},
    {L"HeadersFixed", 3, true, &IQZToolOptions::GetFixedFormatExtHdr, nullptr, nullptr},
    {L"LogBuilds", 4, false, nullptr, nullptr, &IQZToolOptions::GetBuildLog},
    {L"ShowEnvInLog", 5, false, nullptr, nullptr, &IQZToolOptions::GetShowEnvInLog},
    {L"ContinueOnErrors", 6, false, nullptr, nullptr, &IQZToolOptions::GetContinueOnErrors},
    {L"GapLevel", 7, false, nullptr, &IQZToolOptions::GetGapLevel, nullptr},
    {L"GapSuppressWarnings", 8, false, nullptr, &IQZToolOptions::GetGapSuppressWarnings, nullptr},
    {L"GapSuppressRemarks", 9, true, &IQZToolOptions::GetGapSuppressRemarks, nullptr, nullptr},
    {L"GapRemarksToFile", 10, false, nullptr, &IQZToolOptions::GetGapRemarksToFile, nullptr},
    {L"GapRemarksFile", 11, true, &IQZToolOptions::GetGapRemarksFile, nullptr, nullptr},
    {L"GapShowDialogs", 12, false, nullptr, &IQZToolOptions::GetGapShowDialog, nullptr},
};

const OptionRow* FindOptionRow(const std::wstring& name) {
    for (const OptionRow& row : kOptionRows) {
        if (CompareStringOrdinal(row.name, -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) return &row;
    }
    return nullptr;
}

// Calls an operation of the automation object by name, as a script would.
HRESULT CallByName(IDispatch* automation, const wchar_t* name, std::vector<VARIANT> args, VARIANT* result) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = 0;
    HRESULT hr = automation->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::reverse(args.begin(), args.end());
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    return automation->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, nullptr, nullptr);
}

VARIANT Int4(int value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

std::wstring VariantText(const VARIANT& v) {
    if (V_VT(&v) == VT_BSTR) return L"\"" + std::wstring(V_BSTR(&v), SysStringLen(V_BSTR(&v))) + L"\"";
    if (V_VT(&v) == VT_I4) return std::to_wstring(V_I4(&v));
    return L"(none)";
}

// The package loaded, created and sited as the IDE does; released in reverse.
class Session {
public:
    explicit Session(const std::wstring& packagePath) : packagePath_(packagePath) {}

    bool Open(Report& report, bool verbose) {
        dll_.Reset(LoadLibraryW(packagePath_.c_str()));
        if (!report.Step(bool(dll_), L"loaded the package DLL " + packagePath_, verbose)) return false;
        getClassObject_ = qz::platform::ProcAddress<GetClassObjectFn>(dll_.Get(), "DllGetClassObject");
        canUnloadNow_ = qz::platform::ProcAddress<CanUnloadNowFn>(dll_.Get(), "DllCanUnloadNow");
        if (!report.Step(getClassObject_ && canUnloadNow_, L"found DllGetClassObject and DllCanUnloadNow", verbose)) {
            return false;
        }
        ide_.SetPackagePath(packagePath_);
        ComPtr<IClassFactory> factory;
        HRESULT hr = getClassObject_(CLSID_QZToolOpt, IID_IClassFactory, factory.PutVoid());
        if (!report.Step(SUCCEEDED(hr), L"DllGetClassObject(" + GuidText(CLSID_QZToolOpt) +
                                            L") gave the class factory: " + HresultText(hr), verbose)) {
            return false;
        }
        hr = factory->CreateInstance(nullptr, __uuidof(IVsPackage), package_.PutVoid());
        if (!report.Step(SUCCEEDED(hr), L"created the package (IVsPackage): " + HresultText(hr), verbose)) return false;
        hr = package_->SetSite(ide_.Provider());
        if (!report.Step(SUCCEEDED(hr), L"sited the package: SetSite answered " + HresultText(hr), verbose)) {
            return false;
        }
        hr = ide_.Provider()->QueryService(qz::package::SID_SQZToolOptions, IID_IQZToolOptions, service_.PutVoid());
        if (!report.Step(SUCCEEDED(hr), L"the IDE handed out the tool-options service: " + HresultText(hr), verbose)) {
            return false;
        }
        hr = package_->GetAutomationObject(qz::package::kAutomationName, automation_.Put());
        return report.Step(SUCCEEDED(hr), L"the package gave its automation object \"" +
                                              std::wstring(qz::package::kAutomationName) + L"\": " + HresultText(hr),
                           verbose);
    }

    // Releases everything; answers DllCanUnloadNow's result afterwards.
    HRESULT Close(Report& report, bool verbose) {
        automation_.Reset();
        service_.Reset();
        if (package_) {
            BOOL canClose = FALSE;
            HRESULT hr = package_->QueryClose(&canClose);
            report.Step(SUCCEEDED(hr) && canClose, L"QueryClose allowed closing", verbose);
            hr = package_->Close();
            report.Step(hr == S_OK, L"closed the package: Close answered " + HresultText(hr), verbose);
            hr = canUnloadNow_();
            report.Step(hr == S_FALSE, L"DllCanUnloadNow answered " + HresultText(hr) + L" while the package is held",
                        verbose);
            package_.Reset();
        }
        ide_.RevokeAll();
        return canUnloadNow_ ? canUnloadNow_() : E_UNEXPECTED;
    }

    qz::ide::StandInIde& Ide() { return ide_; }
    IQZToolOptions* Service() { return service_.Get(); }
    IDispatch* Automation() { return automation_.Get(); }

private:
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

    std::wstring packagePath_;
    qz::platform::ModuleHandle dll_;  // declared first: unloaded last
    GetClassObjectFn getClassObject_ = nullptr;
    CanUnloadNowFn canUnloadNow_ = nullptr;
    qz::ide::StandInIde ide_;
    ComPtr<IVsPackage> package_;
    ComPtr<IQZToolOptions> service_;
    ComPtr<IDispatch> automation_;
};

bool PrintOptions(Session& session, Report& report) {
    std::wprintf(L"\nOptions (HKEY_CURRENT_USER\\Software\\Microsoft\\VisualStudio\\8.0\\Tavrel Fortran\\QZToolOpt\\120):\n");
    std::wprintf(L"  %-20ls %-22ls %ls\n", L"name", L"value", L"default");
    bool ok = true;
    for (const OptionRow& row : kOptionRows) {
        std::wstring value;
        HRESULT hr;
        if (row.getText) {
            qz::platform::Bstr text;
            hr = (session.Service()->*row.getText)(text.Put());
            value = L"\"" + std::wstring(text.Text(), text.Length()) + L"\"";
        } else if (row.getNumber) {
            INT number = 0;
            hr = (session.Service()->*row.getNumber)(&number);
            value = std::to_wstring(number);
        } else {
            LONG number = 0;
            hr = (session.Service()->*row.getLong)(&number);
            value = std::to_wstring(number);
        }
        VARIANT def;
        VariantInit(&def);
        const HRESULT hrDef = CallByName(session.Automation(), L"GetPropertyDef", {Int4(row.ordinal)}, &def);
        if (FAILED(hr)) value = L"error " + HresultText(hr);
        const std::wstring defText = SUCCEEDED(hrDef) ? VariantText(def) : L"error " + HresultText(hrDef);
        VariantClear(&def);
        std::wprintf(L"  %-20ls %-22ls %ls\n", row.name, value.c_str(), defText.c_str());
        ok = ok && SUCCEEDED(hr) && SUCCEEDED(hrDef);
    }
    return report.Step(ok, L"read the thirteen options through the service and the automation object");
}

int Run(const std::wstring& packagePath, const std::vector<std::wstring>& command) {
    Report report;
    const bool verbose = command[0] == L"load";
    if (verbose) std::wprintf(L"Package DLL: %ls\n", packagePath.c_str());
    HRESULT unload = E_UNEXPECTED;
    {
        Session session(packagePath);
        if (session.Open(report, verbose)) {
            if (verbose) {
                const std::wstring satellite = session.Ide().SatellitePath();
                report.Step(session.Ide().LoadUILibraryCalls() == 1,
                            L"the package had the IDE load its satellite library: " + satellite);
                const std::wstring node = SatelliteString(satellite, IDS_PACKAGE_NODE);
                report.Step(!node.empty(), L"the satellite names the Tools > Options node \"" + node + L"\"");
                bool offered = false;
                for (const auto& entry : session.Ide().Proffered()) {
                    offered |= IsEqualGUID(entry.sid, qz::package::SID_SQZToolOptions) != 0;
                }
                report.Step(offered, L"the package offered SID_SQZToolOptions " +
                                         GuidText(qz::package::SID_SQZToolOptions));
                ComPtr<IQZToolOptions> again;
                const HRESULT hr = session.Ide().Provider()->QueryService(qz::package::SID_SQZToolOptions,
                                                                         IID_IQZToolOptions, again.PutVoid());
                report.Step(SUCCEEDED(hr) && again.Get() == session.Service(),
                            L"asked again, the IDE handed out the same IQZToolOptions object");
                PrintOptions(session, report);
            } else if (command[0] == L"options") {
                PrintOptions(session, report);
            } else {
                const OptionRow* row = FindOptionRow(command[1]);
                VARIANT value;
                VariantInit(&value);
                HRESULT hr = S_OK;
                if (command[0] == L"reset") {
                    hr = CallByName(session.Automation(), L"GetPropertyDef", {Int4(row->ordinal)}, &value);
                } else if (row->isText) {
                    V_VT(&value) = VT_BSTR;
                    V_BSTR(&value) = SysAllocString(command[2].c_str());
                } else {
                    V_VT(&value) = VT_I4;
                    V_I4(&value) = std::stoi(command[2]);
                }
                if (SUCCEEDED(hr)) hr = CallByName(session.Automation(), L"PutProperty", {Int4(row->ordinal), value}, nullptr);
                report.Step(SUCCEEDED(hr), L"stored " + std::wstring(row->name) + L" = " + VariantText(value) + L": " + HresultText(hr));
                VariantClear(&value);
            }
        }
        unload = session.Close(report, verbose);
    }
    report.Step(unload == S_OK, L"DllCanUnloadNow answered " + HresultText(unload) + L" once everything was released",
                verbose);
    if (verbose) std::wprintf(L"%ls\n", report.Failed() ? L"Some steps failed." : L"Every step succeeded.");
    return report.Failed() ? kExitFailed : kExitOk;
}

int UsageError(const std::wstring& what) {
    std::fwprintf(stderr, L"QZIdeHost: %ls\n\n%ls", what.c_str(), kUsage);
    return kExitUsage;
}

std::wstring DefaultPackagePath() {
    std::wstring path = qz::platform::ModuleFileName(nullptr);
    path.resize(path.find_last_of(L"\\/") + 1);
    return path + qz::ide::kPackageFileName;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring packagePath = DefaultPackagePath();
    std::vector<std::wstring> command;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            std::fputws(kUsage, stdout);
            return kExitOk;
        }
        if (arg == L"--package") {
            if (++i == argc) return UsageError(L"--package needs a path");
            packagePath = argv[i];
        } else {
            command.push_back(arg);
        }
    }
    if (command.empty()) command.push_back(L"load");

    const std::wstring& verb = command[0];
    const size_t wanted = verb == L"set" ? 3 : verb == L"reset" ? 2 : 1;
    if (verb != L"load" && verb != L"options" && verb != L"set" && verb != L"reset") {
        return UsageError(L"unknown command '" + verb + L"'");
    }
    if (command.size() != wanted) return UsageError(L"'" + verb + L"' takes " + std::to_wstring(wanted - 1) + L" argument(s)");
    if (wanted > 1 && !FindOptionRow(command[1])) return UsageError(L"no option is named '" + command[1] + L"'");
    if (verb == L"set" && !FindOptionRow(command[1])->isText) {
        wchar_t* end = nullptr;
        std::wcstol(command[2].c_str(), &end, 10);
        if (command[2].empty() || *end != L'\0') return UsageError(L"'" + command[2] + L"' is not a number");
    }

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int result = Run(packagePath, command);
    CoUninitialize();
    return result;
}

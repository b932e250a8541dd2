// What the host's commands share: the step report, the package loaded and
// sited as the IDE does, and calls by name on the automation object.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>
#include <vector>

#include "QZToolOpt.h"
#include "ide/stand_in_ide.h"
#include "platform/com_ptr.h"
#include "module/identifiers.h"
#include "platform/module.h"
#include "platform/vs_interfaces.h"
#include "text_output.h"
#include "module/registry_layout.h"

namespace qz::host {

using platform::ComPtr;

// The options settings key the stand-in IDE's registry root gives, below HKEY_CURRENT_USER.
inline constexpr const wchar_t* kUserSettingsKey = module::kDefaultSettingsKey.data();

std::wstring HresultText(HRESULT hr);
// A string of the satellite library at `satellitePath`; empty when missing.
std::wstring SatelliteString(const std::wstring& satellitePath, UINT id);
std::wstring GuidText(REFGUID guid);

class Report {
public:
    explicit Report(FILE* out = stdout) : out_(out) {}

    // Prints one step; answers whether it succeeded.
    // Successes are shown when `show` is set, failures always.
    bool Step(bool ok, const std::wstring& what, bool show = true) {
        if (show || !ok) PrintTo(out_, L"%ls %ls\n", ok ? L"[ok]  " : L"[FAIL]", what.c_str());
        if (!ok) failed_ = true;
        return ok;
    }
    bool Failed() const { return failed_; }

private:
    FILE* out_;
    bool failed_ = false;
};

// Calls an operation of the automation object by name, as a script would.
HRESULT CallByName(IDispatch* automation, const wchar_t* name, std::vector<VARIANT> args, VARIANT* result);
VARIANT Int4(int value);
std::wstring VariantText(const VARIANT& v);

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
        if (!report.Step(
                SUCCEEDED(hr),
                L"DllGetClassObject(" + GuidText(CLSID_QZToolOpt) + L") gave the class factory: " + HresultText(hr),
                verbose)) {
            return false;
        }
        hr = factory->CreateInstance(nullptr, __uuidof(IVsPackage), package_.PutVoid());
        if (!report.Step(SUCCEEDED(hr), L"created the package (IVsPackage): " + HresultText(hr), verbose)) return false;
        hr = package_->SetSite(ide_.Provider());
        if (!report.Step(SUCCEEDED(hr), L"sited the package: SetSite answered " + HresultText(hr), verbose)) {
            return false;
        }
        hr = ide_.Provider()->QueryService(qz::module::SID_SQZToolOptions, IID_IQZToolOptions, service_.PutVoid());
        if (!report.Step(SUCCEEDED(hr), L"the IDE handed out the tool-options service: " + HresultText(hr), verbose)) {
            return false;
        }
        hr = package_->GetAutomationObject(qz::module::kAutomationName, automation_.Put());
        return report.Step(SUCCEEDED(hr),
                           L"the package gave its automation object \"" + std::wstring(qz::module::kAutomationName) +
                               L"\": " + HresultText(hr),
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
    IVsPackage* Package() { return package_.Get(); }
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

}  // namespace qz::host

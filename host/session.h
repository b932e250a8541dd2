// What the host's commands share: the step report, the package loaded and
// sited as the IDE does, and calls by name on the automation object.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>
#include <vector>

#include "QZToolOpt.h"
#include "ide/sited_package.h"
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

// The package DLL loaded, and the package made and sited from its export as
// the IDE does; each step reported. Released in reverse.
class Session {
public:
    explicit Session(const std::wstring& packagePath) : packagePath_(packagePath) {}

    bool Open(Report& report, bool verbose);
    // Releases everything; answers DllCanUnloadNow's result afterwards.
    HRESULT Close(Report& report, bool verbose);

    qz::ide::StandInIde& Ide() { return ide_; }
    IQZToolOptions* Service() { return sited_.service.Get(); }
    IVsPackage* Package() { return sited_.package.Get(); }
    IDispatch* Automation() { return sited_.automation.Get(); }

private:
    using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

    std::wstring packagePath_;
    qz::platform::ModuleHandle dll_;  // declared first: unloaded last
    CanUnloadNowFn canUnloadNow_ = nullptr;
    qz::ide::StandInIde ide_;
    qz::ide::SitedPackage sited_{ide_};
};

}  // namespace qz::host

// QZIdeHost: plays the IDE for the tool-options package. It loads the DLL
// through DllGetClassObject, sites the package with the stand-in IDE and
// reports what the package does, step by step.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cwchar>
#include <string>

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
    L"Usage: QZIdeHost [--package PATH] [load]\n"
    L"\n"
    L"Plays the IDE for the Tavrel Fortran tool-options package.\n"
    L"\n"
    L"Commands:\n"
    L"  load       load the package as the IDE does: class factory, SetSite (the\n"
    L"             satellite library is loaded, the tool-options service offered),\n"
    L"             ask the IDE for the service twice, Close, release, and ask the\n"
    L"             DLL whether it can unload (the default command)\n"
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
    bool Step(bool ok, const std::wstring& what) {
        std::wprintf(L"%ls %ls\n", ok ? L"[ok]  " : L"[FAIL]", what.c_str());
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

int Load(const std::wstring& packagePath) {
    Report report;
    std::wprintf(L"Package DLL: %ls\n", packagePath.c_str());

    qz::platform::ModuleHandle dll(LoadLibraryW(packagePath.c_str()));
    if (!report.Step(bool(dll), L"loaded the package DLL")) return kExitFailed;
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();
    auto getClassObject = qz::platform::ProcAddress<GetClassObjectFn>(dll.Get(), "DllGetClassObject");
    auto canUnloadNow = qz::platform::ProcAddress<CanUnloadNowFn>(dll.Get(), "DllCanUnloadNow");
    if (!report.Step(getClassObject && canUnloadNow, L"found DllGetClassObject and DllCanUnloadNow")) {
        return kExitFailed;
    }

    {
        qz::ide::StandInIde ide;
        ide.SetPackagePath(packagePath);

        ComPtr<IClassFactory> factory;
        HRESULT hr = getClassObject(CLSID_QZToolOpt, IID_IClassFactory, factory.PutVoid());
        if (!report.Step(SUCCEEDED(hr), L"DllGetClassObject(" + GuidText(CLSID_QZToolOpt) + L") gave the class factory: " +
                                            HresultText(hr))) {
            return kExitFailed;
        }
        ComPtr<IVsPackage> package;
        hr = factory->CreateInstance(nullptr, __uuidof(IVsPackage), package.PutVoid());
        if (!report.Step(SUCCEEDED(hr), L"created the package (IVsPackage): " + HresultText(hr))) return kExitFailed;
        factory.Reset();

        hr = package->SetSite(ide.Provider());
        report.Step(SUCCEEDED(hr), L"sited the package: SetSite answered " + HresultText(hr));
        const std::wstring satellite = ide.SatellitePath();
        report.Step(ide.LoadUILibraryCalls() == 1,
                    L"the package had the IDE load its satellite library: " + satellite);
        const std::wstring node = SatelliteString(satellite, IDS_PACKAGE_NODE);
        report.Step(!node.empty(), L"the satellite names the Tools > Options node \"" + node + L"\"");

        bool offered = false;
        for (const auto& entry : ide.Proffered()) offered |= IsEqualGUID(entry.sid, qz::package::SID_SQZToolOptions) != 0;
        report.Step(offered, L"the package offered SID_SQZToolOptions " + GuidText(qz::package::SID_SQZToolOptions));

        ComPtr<IQZToolOptions> first, second;
        const HRESULT hr1 =
            ide.Provider()->QueryService(qz::package::SID_SQZToolOptions, IID_IQZToolOptions, first.PutVoid());
        const HRESULT hr2 =
            ide.Provider()->QueryService(qz::package::SID_SQZToolOptions, IID_IQZToolOptions, second.PutVoid());
        report.Step(SUCCEEDED(hr1) && SUCCEEDED(hr2) && first && first.Get() == second.Get(),
                    L"the IDE handed out the same IQZToolOptions object twice: " + HresultText(hr1) + L", " +
                        HresultText(hr2));
        first.Reset();
        second.Reset();

        BOOL canClose = FALSE;
        hr = package->QueryClose(&canClose);
        report.Step(SUCCEEDED(hr) && canClose, L"QueryClose allowed closing");
        hr = package->Close();
        report.Step(hr == S_OK, L"closed the package: Close answered " + HresultText(hr));
        hr = canUnloadNow();
        report.Step(hr == S_FALSE, L"DllCanUnloadNow answered " + HresultText(hr) + L" while the package is held");
        package.Reset();
        ide.RevokeAll();
    }

    const HRESULT unload = canUnloadNow();
    report.Step(unload == S_OK, L"DllCanUnloadNow answered " + HresultText(unload) + L" once everything was released");
    std::wprintf(L"%ls\n", report.Failed() ? L"Some steps failed." : L"Every step succeeded.");
    return report.Failed() ? kExitFailed : kExitOk;
}

std::wstring DefaultPackagePath() {
    std::wstring path = qz::platform::ModuleFileName(nullptr);
    path.resize(path.find_last_of(L"\\/") + 1);
    return path + qz::ide::kPackageFileName;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring packagePath = DefaultPackagePath();
    std::wstring command = L"load";
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            std::fputws(kUsage, stdout);
            return kExitOk;
        }
        if (arg == L"--package") {
            if (++i == argc) {
                std::fwprintf(stderr, L"QZIdeHost: --package needs a path\n\n%ls", kUsage);
                return kExitUsage;
            }
            packagePath = argv[i];
        } else if (arg == L"load") {
            command = arg;
        } else {
            std::fwprintf(stderr, L"QZIdeHost: unknown argument '%ls'\n\n%ls", arg.c_str(), kUsage);
            return kExitUsage;
        }
    }

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int result = Load(packagePath);
    CoUninitialize();
    return result;
}

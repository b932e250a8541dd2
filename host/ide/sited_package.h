// The one way a package is made and sited here: through its class factory,
// sited with a stand-in IDE, which then hands out its tool-options service, as
// the IDE does it. The host program takes the class factory from the DLL's
// export; the tests and the benchmark from the package linked into them.
#pragma once

#include <windows.h>

#include <string>

#include "QZToolOpt.h"
#include "ide/stand_in_ide.h"
#include "platform/com_ptr.h"
#include "platform/vs_interfaces.h"

namespace qz::ide {

// DllGetClassObject.
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

class SitedPackage {
public:
    explicit SitedPackage(StandInIde& ide) : ide_(ide) {}
    // Closes and releases what is still open.
    ~SitedPackage();
    SitedPackage(const SitedPackage&) = delete;
    SitedPackage& operator=(const SitedPackage&) = delete;

    // The steps, in the IDE's order; each answers its call's result.
    HRESULT GetFactory(GetClassObjectFn getClassObject);
    HRESULT Create();  // the package, not sited yet; the factory is let go
    HRESULT Site();
    HRESULT AskService();     // of the IDE, which routes to what the package proffered
    HRESULT AskAutomation();  // the package's automation object (this makes its options model)
    // GetFactory, Create, Site and AskService, up to the first that fails.
    HRESULT Open(GetClassObjectFn getClassObject);

    // Drops the service and the automation object, asks QueryClose (its answer
    // in *canClose when given) and closes the package; answers Close's result.
    // The package itself is still held.
    HRESULT Close(BOOL* canClose = nullptr);
    // Releases the package; the IDE forgets what it proffered.
    void Release();

    StandInIde& Ide() const { return ide_; }

    platform::ComPtr<IVsPackage> package;
    platform::ComPtr<IQZToolOptions> service;
    platform::ComPtr<IDispatch> automation;

private:
    StandInIde& ide_;
    platform::ComPtr<IClassFactory> factory_;  // until the package is made
};

// A string of the satellite library at `satellitePath`; empty when missing.
std::wstring SatelliteText(const std::wstring& satellitePath, UINT id);

}  // namespace qz::ide

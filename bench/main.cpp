// QZBench: figures for the tool-options service and for the work that grows
// with the number of installed compilers. Not a test: it prints figures, and
// fails only when it cannot measure.
#include <windows.h>
#include <objbase.h>

#include "bench.h"
#include "package/class_factory.h"
#include "module/identifiers.h"

namespace qz::bench {

SitedPackage::SitedPackage() {
    platform::ComPtr<IClassFactory> factory;
    if (FAILED(package::GetClassObject(CLSID_QZToolOpt, IID_IClassFactory, factory.PutVoid())) ||
        FAILED(factory->CreateInstance(nullptr, __uuidof(IVsPackage), package_.PutVoid())) ||
        FAILED(package_->SetSite(ide_.Provider()))) {
        return;
    }
    ide_.Provider()->QueryService(module::SID_SQZToolOptions, IID_IQZToolOptions, service_.PutVoid());
}

SitedPackage::~SitedPackage() {
    service_.Reset();
    if (package_) package_->Close();
}

}  // namespace qz::bench

int wmain() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bool service = qz::bench::RunServiceBench();
    const bool scaling = qz::bench::RunScalingBench();
    CoUninitialize();
    return service && scaling ? 0 : 1;
}

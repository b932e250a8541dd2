// What the two parts of the benchmark share: the package made and sited in
// this process as the IDE does, so that the registry installed with
// ScopedRegistry is the one the package uses.
#pragma once

#include <windows.h>

#include "QZToolOpt.h"
#include "ide/stand_in_ide.h"
#include "platform/com_ptr.h"
#include "platform/vs_interfaces.h"

namespace qz::bench {

class SitedPackage {
public:
    SitedPackage();
    ~SitedPackage();
    SitedPackage(const SitedPackage&) = delete;
    SitedPackage& operator=(const SitedPackage&) = delete;

    bool Ready() const { return bool(service_); }
    IVsPackage* Package() const { return package_.Get(); }
    IQZToolOptions* Service() const { return service_.Get(); }

private:
    ide::StandInIde ide_;
    platform::ComPtr<IVsPackage> package_;
    platform::ComPtr<IQZToolOptions> service_;
};

// Part 1: every service operation over the registry of the Wine prefix.
bool RunServiceBench();
// Part 2: building the compiler list, first-run seeding and filling the
// Compilers page for growing installations.
bool RunScalingBench();

}  // namespace qz::bench

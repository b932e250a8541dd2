// What siting a package leaves for the code below it: the stand-in IDE as the
// module's service site and the IDE's satellite as its resource instance. A
// package is sited for it (ide::SitedPackage) and closed when the scope ends.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "ide/sited_package.h"
#include "module/module.h"
#include "module/service_site.h"
#include "package/class_factory.h"
#include "platform/module.h"

namespace qz::test {

class SitedModule {
public:
    explicit SitedModule(ide::StandInIde& ide) : sited_(ide) { EXPECT_EQ(sited_.Open(package::GetClassObject), S_OK); }

    // The package closed: the module has neither site nor satellite any more.
    void Unsite() { sited_.Close(); }
    // A string of the satellite, empty when it is missing.
    std::wstring Text(UINT id) const { return ide::SatelliteText(sited_.Ide().SatellitePath(), id); }

private:
    ide::SitedPackage sited_;
};

}  // namespace qz::test

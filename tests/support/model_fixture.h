// A fixture for the options model: a package sited with the stand-in IDE, so
// that the module has its site and satellite, and message boxes recorded.
#pragma once

#include <string>

#include "model/general_ppg.h"
#include "support/sited_package.h"
#include "testing/recording_window_system.h"

namespace qz::test {

class ModelFixture : public SitedPackageTest {
protected:
    platform::ComPtr<IQZGeneralPPG> MakeModel() {
        platform::ComPtr<IQZGeneralPPG> model;
        EXPECT_EQ(model::CQZGeneralPPG::Create(model.Put()), S_OK);
        return model;
    }

    // A string of the satellite, empty when it is missing.
    std::wstring ResourceText(UINT id) { return ide::SatelliteText(ide.SatellitePath(), id); }

    test::RecordingWindowSystem windows;

private:
    platform::ScopedWindowSystem windowsScope_{windows};
};

}  // namespace qz::test

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "ide/stand_in_ide.h"
#include "module/service_site.h"
#include "module/modal_state.h"
#include "testing/recording_window_system.h"
#include "satellite/resource_ids.h"
#include "testing/product_install.h"
#include "support/sited_module.h"
#include "support/system_test.h"

namespace qz::module {
namespace {

using test::RecordingWindowSystem;

constexpr UINT kMissingString = 9999;

const HWND kIdeOwner = reinterpret_cast<HWND>(0x1110);
const HWND kActive = reinterpret_cast<HWND>(0x2220);

// The package sited in an IDE whose dialog owner is kIdeOwner, the recording
// window system and the satellite as resource instance.
class ModalStateTest : public test::SystemTest {
protected:
    ModalStateTest() {
        windows_.SetActiveWindow(kActive);
        ide_.SetDialogOwner(kIdeOwner);
    }
    void Unsite() { module_.Unsite(); }
    std::wstring Resource(UINT id) const { return module_.Text(id); }

    ide::StandInIde ide_;
    RecordingWindowSystem windows_;
    platform::ScopedWindowSystem scoped_{windows_};
    test::SitedModule module_{ide_};
};

// Only a UI shell the package reached is told of the modal state; one that
// fails gives no owner but is still told.
TEST_F(ModalStateTest, OwnerIsTheIdesDialogOwnerElseTheActiveWindow) {
    enum Shell { Offered, Failing, Withheld, NotSited };
    const struct {
        Shell shell;
        HWND ideOwner, owner;
        bool told;
    } cases[] = {{Offered, kIdeOwner, kIdeOwner, true},
                 {Offered, nullptr, kActive, true},
                 {Failing, kIdeOwner, kActive, true},
                 {Withheld, kIdeOwner, kActive, false},
                 {NotSited, kIdeOwner, kActive, false}};
    Unsite();
    for (const auto& c : cases) {
        ide::StandInIde ide;
        ide.SetDialogOwner(c.ideOwner);
        if (c.shell == Failing) ide.FailWith(ide::Service::UIShell, E_FAIL);
        if (c.shell == Withheld) ide.Withhold(ide::Service::UIShell);
        if (c.shell != NotSited) module::TheServiceSite().SetSite(ide.Provider());
        EXPECT_EQ(module::CVsModalState(false).Owner(), c.owner) << "case " << &c - cases;
        if (c.shell != NotSited) module::TheServiceSite().SetSite(nullptr);
        EXPECT_EQ(ide.EnableModelessCalls().size(), c.told ? 2u : 0u) << &c - cases;
    }
}

// The shell told to stop is the one told to restart, even when the package
// was closed meanwhile.
TEST_F(ModalStateTest, NestedGuardsStopAndRestartTheIdeOnceEach) {
    {
        module::CVsModalState outer(false);
        {
            module::CVsModalState inner(false);
            Unsite();
        }
        EXPECT_EQ(ide_.ModelessDepth(), 1);
    }
    EXPECT_EQ(ide_.EnableModelessCalls(), (std::vector<bool>{false, false, true, true}));
}

// The enable calls on the owner, in order: - disables, + enables.
TEST_F(ModalStateTest, DisablesOnlyAnEnabledOwnerAndOnlyWhenAsked) {
    const struct {
        bool disableOwner, ownerEnabled, enabledWhileAlive;
        const char* enableCalls;
    } cases[] = {
        {false, true, true, ""}, {false, false, false, ""}, {true, true, false, "-+"}, {true, false, false, ""}};
    for (const auto& c : cases) {
        RecordingWindowSystem windows;
        platform::ScopedWindowSystem scope(windows);
        windows.SetEnabled(kIdeOwner, c.ownerEnabled);
        {
            module::CVsModalState guard(c.disableOwner);
            EXPECT_EQ(windows.IsEnabled(kIdeOwner), c.enabledWhileAlive) << &c - cases;
        }
        EXPECT_EQ(windows.IsEnabled(kIdeOwner), c.ownerEnabled) << &c - cases;
        std::string calls;
        for (const auto& call : windows.EnableCalls()) calls += call.enable ? '+' : '-';
        EXPECT_EQ(calls, c.enableCalls) << &c - cases;
    }
}

// The text is the hive's string with the key's path put in.
TEST_F(ModalStateTest, RegistryFailureNamesTheKeyUnderItsHiveUnderAGuard) {
    const std::wstring path = test::kSettingsPath;
    int depthWhileShown = -1;
    windows_.SetWhileMessageBox([&] { depthWhileShown = ide_.ModelessDepth(); });
    const std::pair<HKEY, UINT> cases[] = {{HKEY_CURRENT_USER, IDS_MSG_REG_USER_KEY},
                                           {HKEY_LOCAL_MACHINE, IDS_MSG_REG_MACHINE_KEY}};
    for (const auto& c : cases) module::ShowRegistryFailure(path.c_str(), c.first);
    ASSERT_EQ(windows_.MessageBoxes().size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        std::wstring expected = Resource(cases[i].second);
        expected.replace(expected.find(L"%1"), 2, path);
        const auto& box = windows_.MessageBoxes()[i];
        EXPECT_EQ(box.text, expected);
        EXPECT_EQ(box.caption, Resource(IDS_MSG_CAPTION));
        EXPECT_EQ(box.type, 0x30u);
        EXPECT_EQ(box.owner, kIdeOwner);
    }
    EXPECT_EQ(depthWhileShown, 1);
    EXPECT_EQ(ide_.ModelessDepth(), 0);
}

// A missing string still shows the message, with an empty text; formatting
// one fails and leaves the text as it was.
TEST_F(ModalStateTest, AMissingStringStillShowsTheMessage) {
    module::ShowResourceMessage(kMissingString, MB_OK, L"caption");
    ASSERT_EQ(windows_.MessageBoxes().size(), 1u);
    EXPECT_EQ(windows_.MessageBoxes()[0].text, L"");
    const wchar_t* argument = L"x";
    std::wstring out = L"old";
    EXPECT_FALSE(module::FormatResourceString(out, kMissingString, &argument, 1));
    EXPECT_EQ(out, L"old");
}

}  // namespace
}  // namespace qz::module

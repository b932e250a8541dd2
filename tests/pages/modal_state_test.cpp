#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "ide/stand_in_ide.h"
#include "package/module.h"
#include "package/service_site.h"
#include "pages/modal_state.h"
#include "platform/module.h"
#include "platform/window_system.h"
#include "satellite/resource_ids.h"
#include "support/system_test.h"

namespace qz::pages {
namespace {

using platform::MessageBoxCall;
using platform::RecordingWindowSystem;

constexpr UINT kMissingString = 9999;

HWND FakeHandle(INT_PTR value) { return reinterpret_cast<HWND>(value); }
const HWND kIdeOwner = FakeHandle(0x1110);
const HWND kActive = FakeHandle(0x2220);

std::wstring ProgramFolder() {
    const std::wstring path = platform::ModuleFileName(nullptr);
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

// The IDE, the window system and the satellite as resource instance; the
// package's site is left to each test.
class ModalStateTest : public test::SystemTest {
protected:
    ModalStateTest() : satellite_(LoadLibraryW((ProgramFolder() + L"QZToolOptUI.dll").c_str())) {
        previousInstance_ = package::ExchangeResourceInstance(satellite_.Get());
        windows_.SetActiveWindow(kActive);
    }
    ~ModalStateTest() override {
        Unsite();
        package::ExchangeResourceInstance(previousInstance_);
    }

    void SetUp() override { ASSERT_TRUE(satellite_) << "the satellite library lies beside the test program"; }

    void Site() {
        package::TheServiceSite().SetSite(ide_.Provider());
        sited_ = true;
    }
    void Unsite() {
        if (sited_) package::TheServiceSite().SetSite(nullptr);
        sited_ = false;
    }

    std::wstring Resource(UINT id) const {
        wchar_t text[512] = L"";
        LoadStringW(satellite_.Get(), id, text, 512);
        return text;
    }

    ide::StandInIde ide_;
    RecordingWindowSystem windows_;
    platform::ScopedWindowSystem scoped_{windows_};

private:
    platform::ModuleHandle satellite_;
    HINSTANCE previousInstance_ = nullptr;
    bool sited_ = false;
};

enum class Shell { Offered, Failing, Withheld, NotSited };

struct OwnerCase {
    const char* name;
    Shell shell;
    HWND ideOwner;
    HWND expectedOwner;
    std::vector<bool> modelessCalls;
};

class ModalStateOwnerTest : public ModalStateTest, public ::testing::WithParamInterface<OwnerCase> {};

TEST_P(ModalStateOwnerTest, TakesTheOwnerAndStopsTheIdeWhileAlive) {
    const OwnerCase& c = GetParam();
    ide_.SetDialogOwner(c.ideOwner);
    if (c.shell == Shell::Failing) ide_.FailWith(ide::Service::UIShell, E_FAIL);
    if (c.shell == Shell::Withheld) ide_.Withhold(ide::Service::UIShell);
    if (c.shell != Shell::NotSited) Site();
    {
        CVsModalState guard(false);
        EXPECT_EQ(guard.Owner(), c.expectedOwner);
        if (c.shell == Shell::Offered) {
            EXPECT_EQ(ide_.ModelessDepth(), 1);
        }
    }
    EXPECT_EQ(ide_.ModelessDepth(), 0);
    EXPECT_EQ(ide_.EnableModelessCalls(), c.modelessCalls);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ModalStateOwnerTest,
    ::testing::Values(OwnerCase{"ide_owner", Shell::Offered, kIdeOwner, kIdeOwner, {false, true}},
                      OwnerCase{"no_ide_owner", Shell::Offered, nullptr, kActive, {false, true}},
                      // A failing shell gives no owner; it is still told of the modal state.
                      OwnerCase{"failing_shell", Shell::Failing, kIdeOwner, kActive, {false, true}},
                      OwnerCase{"withheld_shell", Shell::Withheld, kIdeOwner, kActive, {}},
                      OwnerCase{"not_sited", Shell::NotSited, kIdeOwner, kActive, {}}),
    [](const ::testing::TestParamInfo<OwnerCase>& info) { return std::string(info.param.name); });

TEST_F(ModalStateTest, NestedGuardsStopAndRestartTheIdeOnceEach) {
    ide_.SetDialogOwner(kIdeOwner);
    Site();
    {
        CVsModalState outer(false);
        {
            CVsModalState inner(false);
            EXPECT_EQ(inner.Owner(), kIdeOwner);
            EXPECT_EQ(ide_.ModelessDepth(), 2);
        }
        EXPECT_EQ(ide_.ModelessDepth(), 1);
    }
    EXPECT_EQ(ide_.ModelessDepth(), 0);
    EXPECT_EQ(ide_.EnableModelessCalls(), (std::vector<bool>{false, false, true, true}));
}

TEST_F(ModalStateTest, RestartsTheIdeEvenWhenThePackageClosedMeanwhile) {
    Site();
    {
        CVsModalState guard(false);
        Unsite();
    }
    EXPECT_EQ(ide_.ModelessDepth(), 0);
    EXPECT_EQ(ide_.EnableModelessCalls(), (std::vector<bool>{false, true}));
}

struct DisableCase {
    const char* name;
    bool disableOwner;
    bool ownerEnabled;
    bool enabledWhileAlive;
    std::vector<bool> enableCalls;  // on the owner, in order
};

class ModalStateDisableTest : public ModalStateTest, public ::testing::WithParamInterface<DisableCase> {};

TEST_P(ModalStateDisableTest, DisablesOnlyAnEnabledOwnerWhenAsked) {
    const DisableCase& c = GetParam();
    ide_.SetDialogOwner(kIdeOwner);
    windows_.SetEnabled(kIdeOwner, c.ownerEnabled);
    Site();
    {
        CVsModalState guard(c.disableOwner);
        EXPECT_EQ(windows_.IsEnabled(kIdeOwner), c.enabledWhileAlive);
    }
    EXPECT_EQ(windows_.IsEnabled(kIdeOwner), c.ownerEnabled) << "the owner's state is back as it was";
    std::vector<bool> calls;
    for (const platform::EnableCall& call : windows_.EnableCalls()) {
        EXPECT_EQ(call.window, kIdeOwner);
        calls.push_back(call.enable);
    }
    EXPECT_EQ(calls, c.enableCalls);
}

INSTANTIATE_TEST_SUITE_P(
    States, ModalStateDisableTest,
    ::testing::Values(DisableCase{"keep_enabled", false, true, true, {}},
                      DisableCase{"keep_disabled", false, false, false, {}},
                      DisableCase{"disable_enabled", true, true, false, {false, true}},
                      DisableCase{"leave_disabled", true, false, false, {}}),
    [](const ::testing::TestParamInfo<DisableCase>& info) { return std::string(info.param.name); });

TEST_F(ModalStateTest, MessageIsShownUnderAGuardAndAnswersTheButton) {
    ide_.SetDialogOwner(kIdeOwner);
    Site();
    windows_.SetAnswer(IDCANCEL);
    int depthWhileShown = -1;
    windows_.SetWhileMessageBox([&] { depthWhileShown = ide_.ModelessDepth(); });

    EXPECT_EQ(ShowMessage(L"text", MB_OKCANCEL, L"caption"), IDCANCEL);
    EXPECT_EQ(depthWhileShown, 1);
    EXPECT_EQ(ide_.ModelessDepth(), 0);
    ASSERT_EQ(windows_.MessageBoxes().size(), 1u);
    const MessageBoxCall& box = windows_.MessageBoxes()[0];
    EXPECT_EQ(box.owner, kIdeOwner);
    EXPECT_EQ(box.text, L"text");
    EXPECT_EQ(box.caption, L"caption");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_OKCANCEL));
    EXPECT_TRUE(windows_.EnableCalls().empty()) << "a message never disables its owner";
}

TEST_F(ModalStateTest, ResourceMessageTextComesFromTheResourceInstance) {
    Site();
    ShowResourceMessage(IDS_MSG_EXT_APPLIED, MB_OK, L"caption");
    ShowResourceMessage(kMissingString, MB_OK, L"caption");
    ASSERT_EQ(windows_.MessageBoxes().size(), 2u);
    EXPECT_EQ(windows_.MessageBoxes()[0].text, Resource(IDS_MSG_EXT_APPLIED));
    EXPECT_FALSE(windows_.MessageBoxes()[0].text.empty());
    EXPECT_EQ(windows_.MessageBoxes()[1].text, L"") << "a missing string gives an empty text";
}

TEST_F(ModalStateTest, FormatReplacesTheArgumentsOfALoadedString) {
    const wchar_t* extension = L".f90";
    std::wstring out = L"old";
    ASSERT_TRUE(FormatResourceString(out, IDS_MSG_EXT_NO_DOT, &extension, 1));
    EXPECT_NE(out.find(L"\".f90\""), std::wstring::npos) << out;
    EXPECT_EQ(out.find(L"%1"), std::wstring::npos) << out;

    ASSERT_TRUE(FormatResourceString(out, IDS_MSG_EXT_NO_DOT, nullptr, 0));
    EXPECT_NE(out.find(L"\"?\""), std::wstring::npos) << out;
}

TEST_F(ModalStateTest, FormatOfAMissingStringLeavesTheTextAlone) {
    const wchar_t* argument = L"x";
    std::wstring out = L"old";
    EXPECT_FALSE(FormatResourceString(out, kMissingString, &argument, 1));
    EXPECT_EQ(out, L"old");
}

struct RegistryCase {
    const char* name;
    HKEY hive;
    const wchar_t* hiveName;
};

class RegistryFailureTest : public ModalStateTest, public ::testing::WithParamInterface<RegistryCase> {};

TEST_P(RegistryFailureTest, NamesTheKeyUnderItsHive) {
    const RegistryCase& c = GetParam();
    const wchar_t* path = L"Software\\Microsoft\\VisualStudio\\8.0\\Tavrel Fortran\\QZToolOpt\\120";
    ide_.SetDialogOwner(kIdeOwner);
    Site();
    int depthWhileShown = -1;
    windows_.SetWhileMessageBox([&] { depthWhileShown = ide_.ModelessDepth(); });

    ShowRegistryFailure(path, c.hive);

    ASSERT_EQ(windows_.MessageBoxes().size(), 1u);
    const MessageBoxCall& box = windows_.MessageBoxes()[0];
    EXPECT_NE(box.text.find(std::wstring(c.hiveName) + L"\\" + path), std::wstring::npos) << box.text;
    EXPECT_EQ(box.text.find(L"%1"), std::wstring::npos) << box.text;
    EXPECT_EQ(box.caption, Resource(IDS_MSG_CAPTION));
    EXPECT_FALSE(box.caption.empty());
    EXPECT_EQ(box.type, 0x30u);
    EXPECT_EQ(box.owner, kIdeOwner);
    EXPECT_EQ(depthWhileShown, 1);
    EXPECT_EQ(ide_.ModelessDepth(), 0);
}

INSTANTIATE_TEST_SUITE_P(Hives, RegistryFailureTest,
                         ::testing::Values(RegistryCase{"user", HKEY_CURRENT_USER, L"HKEY_CURRENT_USER"},
                                           RegistryCase{"machine", HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE"},
                                           RegistryCase{"other_hive", HKEY_CLASSES_ROOT, L"HKEY_LOCAL_MACHINE"}),
                         [](const ::testing::TestParamInfo<RegistryCase>& info) { return std::string(info.param.name); });

TEST_F(ModalStateTest, RegistryFailureWithoutTheSatelliteIsStillShown) {
    const HINSTANCE satellite = package::ExchangeResourceInstance(package::ModuleInstance());
    Site();
    ShowRegistryFailure(L"Software\\X", HKEY_CURRENT_USER);
    package::ExchangeResourceInstance(satellite);

    ASSERT_EQ(windows_.MessageBoxes().size(), 1u);
    EXPECT_EQ(windows_.MessageBoxes()[0].text, L"");
    EXPECT_EQ(windows_.MessageBoxes()[0].caption, L"");
    EXPECT_EQ(windows_.MessageBoxes()[0].type, 0x30u);
}

}  // namespace
}  // namespace qz::pages

// The IDE's service cache and the modal guard.
#include <gtest/gtest.h>

#include "module/modal_state.h"
#include "module/service_site.h"
#include "support/system_test.h"
#include "testing/recording_window_system.h"

namespace qz::module {
namespace {

using ModuleTest = test::SystemTest;  // which also finds every reference the site kept

// While counted, the first provider stays; the count back at zero empties the
// site and its cache. Only the first of the two IDEs offers a UI shell.
TEST_F(ModuleTest, TheSiteKeepsTheFirstProviderWhileCountedAndCachesItsServices) {
    ide::StandInIde first, second;
    second.Withhold(ide::Service::UIShell);
    IServiceProvider* const given[] = {nullptr, first.Provider(), second.Provider()};
    ServiceSite site;
    const int steps[][4] = {// provider given, result, count, provider held
                            {0, E_NOINTERFACE, -1, 0}, {1, S_OK, 0, 1}, {2, S_OK, 1, 1}, {0, E_NOINTERFACE, 0, 0},
                            {2, S_OK, 1, 2},           {1, S_OK, 2, 2}, {0, S_OK, 1, 2}, {0, E_NOINTERFACE, 0, 0}};
    for (const auto& [provider, result, count, held] : steps) {
        EXPECT_EQ(site.SetSite(given[provider]), result);
        EXPECT_EQ(std::make_tuple(site.SiteCount(), site.HasProvider()), std::make_tuple(LONG{count}, held != 0));
        EXPECT_EQ(site.Cached<IVsUIShell>(SiteService::UIShell) != nullptr, held == 1) << count;
    }
    void* out = &site;
    EXPECT_EQ(site.QueryService(GUID_NULL, IID_IUnknown, &out), E_NOINTERFACE);
    EXPECT_EQ(site.QueryService(GUID_NULL, IID_IUnknown, nullptr), E_POINTER);
    // A service is fetched once; a failed fetch is tried again.
    site.SetSite(second.Provider());
    EXPECT_EQ(site.Cached(SiteService::UIShell, &out), ide::kUnknownServiceResult);
    second.Withhold(ide::Service::UIShell, false);
    IVsUIShell* shell = site.Cached<IVsUIShell>(SiteService::UIShell);
    second.Withhold(ide::Service::UIShell);
    EXPECT_NE(shell, nullptr);
    EXPECT_EQ(site.Cached<IVsUIShell>(SiteService::UIShell), shell);
    site.SetSite(nullptr);
}

const HWND kIdeOwner = reinterpret_cast<HWND>(0x1110), kActive = reinterpret_cast<HWND>(0x2220);

// The owner is the IDE's dialog owner, else the active window. Only a UI shell
// the package reached is told of the modal state, also one that gives no owner.
// Nested guards restart the IDE through the shell they reached, even when the
// package is closed meanwhile; only an enabled owner is disabled, only when asked.
TEST_F(ModuleTest, TheModalGuardStopsTheIdeAndRestoresWhatItChanged) {
    test::RecordingWindowSystem windows;
    platform::ScopedWindowSystem scope(windows);
    windows.SetActiveWindow(kActive);
    enum { Offered, Failing, Withheld, NotSited };
    const std::tuple<int, HWND, HWND, size_t> cases[] = {
        // clang-format off
        {Offered, kIdeOwner, kIdeOwner, 2}, {Offered, nullptr, kActive, 2}, {Failing, kIdeOwner, kActive, 2},
        {Withheld, kIdeOwner, kActive, 0},  {NotSited, kIdeOwner, kActive, 0},
        // clang-format on
    };
    for (const auto& [shell, ideOwner, owner, told] : cases) {
        ide::StandInIde ide;
        ide.SetDialogOwner(ideOwner);
        if (shell == Failing) ide.FailWith(ide::Service::UIShell, E_FAIL);
        if (shell == Withheld) ide.Withhold(ide::Service::UIShell);
        if (shell != NotSited) TheServiceSite().SetSite(ide.Provider());
        EXPECT_EQ(CVsModalState(false).Owner(), owner) << shell;
        if (shell != NotSited) TheServiceSite().SetSite(nullptr);
        EXPECT_EQ(ide.EnableModelessCalls().size(), told) << shell;
    }
    ide::StandInIde ide;
    const HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    ide.SetDialogOwner(owner);
    TheServiceSite().SetSite(ide.Provider());
    {
        const CVsModalState unasked(false);
        EXPECT_TRUE(IsWindowEnabled(owner));
        const CVsModalState outer(true);
        {
            const CVsModalState inner(true);
            TheServiceSite().SetSite(nullptr);
        }
        EXPECT_FALSE(IsWindowEnabled(owner)) << "the inner guard found it disabled and left it so";
    }
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
    EXPECT_EQ(ide.EnableModelessCalls(), (std::vector<bool>{false, false, false, true, true, true}));
    // A missing string formats nothing.
    std::wstring out = L"old";
    EXPECT_FALSE(FormatResourceString(out, 9999, nullptr, 0));
    EXPECT_EQ(out, L"old");
}

}  // namespace
}  // namespace qz::module

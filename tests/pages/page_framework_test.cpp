#include <gtest/gtest.h>

#include <cstring>

#include "module/identifiers.h"
#include "module/module.h"
#include "pages/compilers_page.h"
#include "pages/gap_page.h"
#include "pages/general_page.h"
#include "pages/page_framework.h"
#include "support/model_fixture.h"
#include "support/sited_package.h"

namespace qz::pages {
namespace {

using platform::ComPtr;

struct PageCase {
    const GUID* page;
    WORD templateId;
    HRESULT (*create)(IUnknown*, IQZGeneralPPG*, VSPROPSHEETPAGE*);
};

const PageCase kPages[] = {
    {&module::GUID_TOGeneralPPG, 106, CreateGeneralPage},
    {&module::GUID_TOCompilerPPG, 107, CreateCompilersPage},
    {&module::GUID_TOGAPPPG, 109, CreateGapPage},
};

VSPROPSHEETPAGE Scribbled() {
    VSPROPSHEETPAGE sheet;
    std::memset(&sheet, 0xCD, sizeof sheet);
    return sheet;
}

using PageRequestTest = test::SitedPackageTest;

TEST_F(PageRequestTest, EachPageIsDescribedFromTheSatellite) {
    for (const PageCase& c : kPages) {
        SCOPED_TRACE(c.templateId);
        VSPROPSHEETPAGE sheet = Scribbled();
        const VSPROPSHEETPAGE before = sheet;
        ASSERT_EQ(package->GetPropertyPage(*c.page, &sheet), S_OK);
        EXPECT_EQ(sheet.dwSize, sizeof(void*) == 8 ? 80u : 48u);
        EXPECT_EQ(sheet.dwFlags, 0xA0u);
        EXPECT_EQ(sheet.hInstance, module::ResourceInstance());
        EXPECT_NE(sheet.hInstance, module::ModuleInstance());
        EXPECT_EQ(sheet.wTemplateId, c.templateId);
        EXPECT_NE(sheet.pfnDlgProc, nullptr);
        EXPECT_NE(sheet.pfnCallback, nullptr);
        EXPECT_EQ(sheet.lParam, 0);
        EXPECT_EQ(sheet.pcRefParent, nullptr);
        // What the IDE fills itself stays as it was passed.
        EXPECT_EQ(sheet.dwTemplateSize, before.dwTemplateSize);
        EXPECT_EQ(sheet.pTemplate, before.pTemplate);
        EXPECT_EQ(sheet.dwReserved, before.dwReserved);
        EXPECT_EQ(sheet.hwndDlg, before.hwndDlg);
        EXPECT_NE(FindResourceW(sheet.hInstance, MAKEINTRESOURCEW(sheet.wTemplateId), MAKEINTRESOURCEW(5)), nullptr);
    }
}

class PageCreationTest : public test::ModelFixture {
protected:
    ~PageCreationTest() override { ResetPageStates(); }

    static ULONG References(IUnknown* object) {
        object->AddRef();
        return object->Release();
    }
};

TEST_F(PageCreationTest, NullArgumentsChangeNothing) {
    ComPtr<IQZGeneralPPG> model = MakeModel();
    for (const PageCase& c : kPages) {
        SCOPED_TRACE(c.templateId);
        VSPROPSHEETPAGE sheet = Scribbled();
        const VSPROPSHEETPAGE before = sheet;
        EXPECT_EQ(c.create(model.Get(), nullptr, &sheet), E_POINTER);
        EXPECT_EQ(c.create(nullptr, model.Get(), &sheet), E_POINTER);
        EXPECT_EQ(c.create(model.Get(), model.Get(), nullptr), E_POINTER);
        EXPECT_EQ(std::memcmp(&sheet, &before, sizeof sheet), 0);
    }
    EXPECT_EQ(References(model.Get()), 1u);
}

TEST_F(PageCreationTest, APageKeepsOneReferenceToTheLatestModel) {
    ComPtr<IQZGeneralPPG> first = MakeModel();
    ComPtr<IQZGeneralPPG> second = MakeModel();
    VSPROPSHEETPAGE sheet{};
    ASSERT_EQ(CreateGapPage(first.Get(), first.Get(), &sheet), S_OK);
    ASSERT_EQ(CreateGapPage(first.Get(), first.Get(), &sheet), S_OK);
    EXPECT_EQ(References(first.Get()), 2u);
    ASSERT_EQ(CreateGapPage(first.Get(), second.Get(), &sheet), S_OK);
    EXPECT_EQ(References(first.Get()), 1u);
    EXPECT_EQ(References(second.Get()), 2u);
}

// The frame over the recording window system: no window needs to exist.
TEST_F(PageCreationTest, WithoutHostOrPageObjectTheFrameDoesNothing) {
    ComPtr<IQZGeneralPPG> model = MakeModel();
    VSPROPSHEETPAGE sheet{};
    ASSERT_EQ(CreateGapPage(model.Get(), model.Get(), &sheet), S_OK);
    PROPSHEETPAGEW page{};
    sheet.pfnCallback(nullptr, PSPCB_CREATE, reinterpret_cast<LPPROPSHEETPAGEA>(&page));
    ASSERT_NE(page.lParam, 0);

    const HWND dialog = reinterpret_cast<HWND>(0x100);
    EXPECT_EQ(sheet.pfnDlgProc(dialog, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&page)), 0);
    EXPECT_TRUE(windows.ComboItems(windows.DialogItem(dialog, 2034)).empty()) << "filled without a host";
    EXPECT_TRUE(windows.PassedOn().empty());

    // Never filled, so never applied: it would write what the user did not see.
    NMHDR apply{nullptr, 0, static_cast<UINT>(PSN_APPLY)};
    EXPECT_EQ(sheet.pfnDlgProc(dialog, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&apply)), 0);
    sheet.pfnDlgProc(dialog, WM_DESTROY, 0, 0);
    sheet.pfnCallback(nullptr, PSPCB_RELEASE, reinterpret_cast<LPPROPSHEETPAGEA>(&page));
    EXPECT_EQ(page.lParam, 0);
    EXPECT_EQ(StateOf(PageKind::Gap).created, 0);
}

TEST_F(PageCreationTest, ASecondWindowOfAKindIsFilledAndKeepsItsBindingWhenTheFirstGoes) {
    ComPtr<IQZGeneralPPG> model = MakeModel();
    VSPROPSHEETPAGE sheet{};
    ASSERT_EQ(CreateGapPage(model.Get(), model.Get(), &sheet), S_OK);
    PROPSHEETPAGEW pages[2] = {};
    const HWND dialogs[2] = {reinterpret_cast<HWND>(0x100), reinterpret_cast<HWND>(0x300)};
    for (int i = 0; i < 2; ++i) {
        sheet.pfnCallback(nullptr, PSPCB_CREATE, reinterpret_cast<LPPROPSHEETPAGEA>(&pages[i]));
        windows.SetParent(dialogs[i], reinterpret_cast<HWND>(0x200));
        ASSERT_EQ(sheet.pfnDlgProc(dialogs[i], WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&pages[i])), 1);
        EXPECT_EQ(windows.ComboItems(windows.DialogItem(dialogs[i], 2034)).size(), 4u) << "window " << i;
    }
    sheet.pfnDlgProc(dialogs[0], WM_DESTROY, 0, 0);
    NMHDR apply{nullptr, 0, static_cast<UINT>(PSN_APPLY)};
    EXPECT_EQ(sheet.pfnDlgProc(dialogs[1], WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&apply)), 1);
    for (int i = 0; i < 2; ++i) {
        sheet.pfnDlgProc(dialogs[i], WM_DESTROY, 0, 0);
        sheet.pfnCallback(nullptr, PSPCB_RELEASE, reinterpret_cast<LPPROPSHEETPAGEA>(&pages[i]));
        EXPECT_EQ(pages[i].lParam, 0) << "page object " << i << " freed";
    }
}

TEST_F(PageCreationTest, NotificationsAnswerByTheTable) {
    ComPtr<IQZGeneralPPG> model = MakeModel();
    VSPROPSHEETPAGE sheet{};
    ASSERT_EQ(CreateGapPage(model.Get(), model.Get(), &sheet), S_OK);
    PROPSHEETPAGEW page{};
    sheet.pfnCallback(nullptr, PSPCB_CREATE, reinterpret_cast<LPPROPSHEETPAGEA>(&page));
    const HWND dialog = reinterpret_cast<HWND>(0x100);
    windows.SetParent(dialog, reinterpret_cast<HWND>(0x200));
    ASSERT_EQ(sheet.pfnDlgProc(dialog, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&page)), 1);

    const struct {
        UINT code;
        INT_PTR answer;
        bool reloadAfter;
    } cases[] = {
        {PSN_SETACTIVE, 1, false}, {PSN_KILLACTIVE, 1, false}, {PSN_HELP, 0, false},      {PSN_RESET, 0, false},
        {0u - 1000, 1, false},     {PSN_APPLY, 1, true},       {PSN_SETACTIVE, 1, false}, {PSN_QUERYCANCEL, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        windows.SetPageResult(dialog, 7);
        NMHDR header{nullptr, 0, c.code};
        EXPECT_EQ(sheet.pfnDlgProc(dialog, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header)), c.answer);
        EXPECT_EQ(StateOf(PageKind::Gap).reload, c.reloadAfter);
        const bool setsResult = c.code == PSN_APPLY || c.code == PSN_KILLACTIVE;
        EXPECT_EQ(windows.PageResult(dialog), setsResult ? 0 : 7);
    }
    sheet.pfnDlgProc(dialog, WM_DESTROY, 0, 0);
    sheet.pfnCallback(nullptr, PSPCB_RELEASE, reinterpret_cast<LPPROPSHEETPAGEA>(&page));
}

}  // namespace
}  // namespace qz::pages

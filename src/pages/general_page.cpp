#include "pages/general_page.h"

#include "pages/page_framework.h"

namespace qz::pages {
namespace {

constexpr PageKind kKind = PageKind::General;

// The General page's controls, validation and apply are not built yet: the
// page runs the shared frame over its placeholder template.
class GeneralPage final : public PageLogic {
public:
    void Fill(HWND) override {}
    void Apply(HWND) override {}
};

GeneralPage g_page;

}  // namespace

HRESULT CreateGeneralPage(IUnknown* package, IQZGeneralPPG* model, VSPROPSHEETPAGE* sheet) {
    return CreatePage(kKind, GeneralPageProc, package, model, sheet);
}

INT_PTR CALLBACK GeneralPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return RunPageFrame(kKind, g_page, dialog, message, wParam, lParam);
}

}  // namespace qz::pages

#include "pages/compilers_page.h"

#include "pages/page_framework.h"

namespace qz::pages {
namespace {

constexpr PageKind kKind = PageKind::Compilers;

// The Compilers page's controls, commands and apply are not built yet: the
// page runs the shared frame over its placeholder template.
class CompilersPage final : public PageLogic {
public:
    void Fill(HWND) override {}
    void Apply(HWND) override {}
};

CompilersPage g_page;

}  // namespace

HRESULT CreateCompilersPage(IUnknown* package, IQZGeneralPPG* model, VSPROPSHEETPAGE* sheet) {
    return CreatePage(kKind, CompilersPageProc, package, model, sheet);
}

INT_PTR CALLBACK CompilersPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return RunPageFrame(kKind, g_page, dialog, message, wParam, lParam);
}

}  // namespace qz::pages

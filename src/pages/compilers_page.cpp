#include "pages/compilers_page.h"

#include <string>
#include <vector>

#include "module/module.h"
#include "pages/page_framework.h"
#include "platform/boundary.h"
#include "platform/com_ptr.h"
#include "platform/window_system.h"
#include "satellite/resource_ids.h"

namespace qz::pages {
namespace {

constexpr PageKind kKind = PageKind::Compilers;
// The item data of the first compiler item, which stands for the platform's default.
constexpr int kDefaultItem = -1;

using TextGetter = HRESULT (STDMETHODCALLTYPE IQZGeneralPPG::*)(int, BSTR*);
using TextPutter = HRESULT (STDMETHODCALLTYPE IQZGeneralPPG::*)(int, BSTR);

// The four per-compiler texts, each with its edit, its "..." button and its
// three layers in the model.
struct Field {
    int edit;
    int editButton;
    TextGetter pageCopy;
    TextPutter putPageCopy;
    TextGetter committed;
    TextPutter putCommitted;
    TextGetter defaults;
};

constexpr Field kFields[] = {
    {IDC_CMPLR_BIN_PATHS, IDC_CMPLR_EDIT_BIN, &IQZGeneralPPG::get_CmplrPPGBinPath, &IQZGeneralPPG::put_CmplrPPGBinPath,
     &IQZGeneralPPG::get_CmplrBinPath, &IQZGeneralPPG::put_CmplrBinPath, &IQZGeneralPPG::get_CmplrDefBinPaths},
    {IDC_CMPLR_LIB_PATHS, IDC_CMPLR_EDIT_LIB, &IQZGeneralPPG::get_CmplrPPGLibPaths,
     &IQZGeneralPPG::put_CmplrPPGLibPaths, &IQZGeneralPPG::get_CmplrLibPaths, &IQZGeneralPPG::put_CmplrLibPaths,
     &IQZGeneralPPG::get_CmplrDefLibPaths},
    {IDC_CMPLR_INCLUDE_PATHS, IDC_CMPLR_EDIT_INCLUDE, &IQZGeneralPPG::get_CmplrPPGIncludePaths,
     &IQZGeneralPPG::put_CmplrPPGIncludePaths, &IQZGeneralPPG::get_CmplrIncludePaths,
     &IQZGeneralPPG::put_CmplrIncludePaths, &IQZGeneralPPG::get_CmplrDefIncludePaths},
    {IDC_CMPLR_OPTIONS, IDC_CMPLR_EDIT_OPTIONS, &IQZGeneralPPG::get_CmplrPPGDefaultOptions,
     &IQZGeneralPPG::put_CmplrPPGDefaultOptions, &IQZGeneralPPG::get_CmplrDefaultOptions,
     &IQZGeneralPPG::put_CmplrDefaultOptions, &IQZGeneralPPG::get_CmplrDefDefaultOptions},
};
constexpr int kFieldCount = static_cast<int>(sizeof kFields / sizeof kFields[0]);

std::wstring Lower(std::wstring text) {
    if (!text.empty()) CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

class CompilersPage final : public PageLogic {
public:
    // Runs at every WM_INITDIALOG, so a cancelled showing leaves nothing behind
    // in the page copies.
    void Fill(HWND dialog) override {
        platform::IWindowSystem& windows = platform::WindowSystem();
        for (int i = 0; i < kFieldCount; ++i) edits_[i] = windows.DialogItem(dialog, kFields[i].edit);
        packageInfo_ = windows.DialogItem(dialog, IDC_CMPLR_PACKAGE_INFO);
        FillFromModel(dialog, false);
    }

    void Apply(HWND) override {
        IQZGeneralPPG* model = Model();
        if (!model) return;
        Store(model);
        for (const std::wstring& name : SupportedPlatforms(model)) {
            for (int handle : Compilers(model, name)) {
                for (const Field& field : kFields) {
                    bool ok = false;
                    const std::wstring text = Read(model, field.pageCopy, handle, &ok);
                    if (ok) Write(model, field.putCommitted, handle, text);
                }
            }
        }
    }

    INT_PTR Command(HWND dialog, WORD id, WORD code) override {
        if (code == CBN_SELCHANGE) {
            if (id == IDC_CMPLR_COMPILER) ChangeCompiler(dialog);
            if (id == IDC_CMPLR_PLATFORM) ChangePlatform(dialog);
            return 0;
        }
        if (code != BN_CLICKED) return 0;
        for (const Field& field : kFields) {
            if (id != field.editButton) continue;
            EditListField(dialog, field.edit, IDS_EDITOR_TITLE_COMPILERS);
            return 1;
        }
        switch (id) {
        case IDC_CMPLR_RESET:
            ResetShown(dialog);
            return 1;
        case IDC_CMPLR_RESET_ALL:
            FillFromModel(dialog, true);
            return 1;
        default:
            return 0;
        }
    }

private:
    static IQZGeneralPPG* Model() { return StateOf(kKind).model.Get(); }

    static std::wstring CurrentPlatform(IQZGeneralPPG* model) {
        platform::Bstr name;
        model->GetCurrentPlatformName(name.Put());
        return std::wstring(name.Text(), name.Length());
    }

    static int SelectedCompiler(IQZGeneralPPG* model, const std::wstring& platformName) {
        platform::Bstr name(platformName.c_str());
        int handle = kDefaultItem;
        if (FAILED(model->GetSelectedCmplr(name.Get(), &handle))) handle = kDefaultItem;
        return handle;
    }

    // The compiler whose fields are shown: the selected one, else the platform's default.
    static int ShownCompiler(IQZGeneralPPG* model) {
        const std::wstring current = CurrentPlatform(model);
        const int selected = SelectedCompiler(model, current);
        if (selected != kDefaultItem) return selected;
        platform::Bstr name(current.c_str());
        int handle = kDefaultItem;
        if (FAILED(model->GetDefaultCmplr(name.Get(), &handle))) handle = kDefaultItem;
        return handle;
    }

    // The supported platforms' names, in the model's order.
    static std::vector<std::wstring> SupportedPlatforms(IQZGeneralPPG* model) {
        int count = 0;
        platform::SafeArray list;
        std::vector<std::wstring> names;
        if (FAILED(model->GetSupportedPlatformsList(&count, list.Put())) || !list) return names;
        for (LONG i = 0; i < count; ++i) {
            platform::Bstr name;
            if (FAILED(SafeArrayGetElement(list.Get(), &i, name.Put()))) break;
            names.emplace_back(name.Text(), name.Length());
        }
        return names;
    }

    static std::vector<int> Compilers(IQZGeneralPPG* model, const std::wstring& platformName) {
        platform::Bstr name(platformName.c_str());
        platform::SafeArray names, handles;
        if (FAILED(model->get_PlatformCmplrs(name.Get(), names.Put(), handles.Put()))) return {};
        return handles.Ints();
    }

    static std::wstring Read(IQZGeneralPPG* model, TextGetter getter, int handle, bool* ok) {
        platform::Bstr text;
        *ok = SUCCEEDED((model->*getter)(handle, text.Put()));
        return std::wstring(text.Text(), text.Length());
    }

    static void Write(IQZGeneralPPG* model, TextPutter putter, int handle, const std::wstring& text) {
        platform::Bstr value(text.c_str(), static_cast<UINT>(text.size()));
        (model->*putter)(handle, value.Get());
    }

    // Copies one layer of a compiler into its page copies, each text only when it reads.
    static void CopyToPageCopies(IQZGeneralPPG* model, int handle, bool defaults) {
        for (const Field& field : kFields) {
            bool ok = false;
            const std::wstring text = Read(model, defaults ? field.defaults : field.committed, handle, &ok);
            if (ok) Write(model, field.putPageCopy, handle, text);
        }
    }

    // The item of the platform's default first, then the platform's compilers.
    static void ListCompilers(HWND dialog, IQZGeneralPPG* model, const std::vector<int>& handles, int selected) {
        platform::IWindowSystem& windows = platform::WindowSystem();
        const HWND combo = windows.DialogItem(dialog, IDC_CMPLR_COMPILER);
        const int first = windows.ComboAdd(combo, module::ResourceString(IDS_CMPLR_DEFAULT_ITEM).c_str());
        windows.ComboSetData(combo, first, kDefaultItem);
        windows.ComboSelect(combo, 0);
        for (int handle : handles) {
            bool ok = false;
            const std::wstring text = Read(model, &IQZGeneralPPG::get_SuiteDisplayName, handle, &ok);
            const int item = windows.ComboAdd(combo, text.c_str());
            windows.ComboSetData(combo, item, handle);
            if (handle == selected) windows.ComboSelect(combo, item);
        }
    }

    void FillFromModel(HWND dialog, bool defaults) {
        IQZGeneralPPG* model = Model();
        if (!model) return;
        platform::IWindowSystem& windows = platform::WindowSystem();
        model->CheckPlatformLoading();
        const HWND platforms = windows.DialogItem(dialog, IDC_CMPLR_PLATFORM);
        windows.ComboReset(platforms);
        windows.ComboReset(windows.DialogItem(dialog, IDC_CMPLR_COMPILER));
        const std::wstring current = CurrentPlatform(model);
        const std::wstring currentKey = Lower(current);
        const int selected = SelectedCompiler(model, current);

        for (const std::wstring& name : SupportedPlatforms(model)) {
            const int item = windows.ComboAdd(platforms, name.c_str());
            const std::vector<int> handles = Compilers(model, name);
            if (Lower(name) == currentKey) {
                windows.ComboSelect(platforms, item);
                ListCompilers(dialog, model, handles, selected);
            }
            for (int handle : handles) CopyToPageCopies(model, handle, defaults);
        }
        Show(dialog, model, selected);
    }

    void Show(HWND dialog, IQZGeneralPPG* model, int handle) {
        platform::IWindowSystem& windows = platform::WindowSystem();
        if (handle == kDefaultItem) {
            platform::Bstr current(CurrentPlatform(model).c_str());
            if (FAILED(model->GetDefaultCmplr(current.Get(), &handle))) handle = kDefaultItem;
        }
        bool ok = false;
        const std::wstring display = Read(model, &IQZGeneralPPG::get_CmplrDisplayName, handle, &ok);
        windows.SetText(windows.DialogItem(dialog, IDC_CMPLR_DISPLAY_NAME), ok ? display.c_str() : L"");
        for (int i = 0; i < kFieldCount; ++i) {
            const std::wstring text = Read(model, kFields[i].pageCopy, handle, &ok);
            if (ok) windows.SetText(edits_[i], text.c_str());
        }
        const std::wstring info = Read(model, &IQZGeneralPPG::get_CmplrPackageInfo, handle, &ok);
        if (ok) windows.SetText(packageInfo_, info.c_str());

        // Without a real compiler shown, nothing typed here could be committed.
        LONG empty = 1;
        const bool editable = handle != kDefaultItem && SUCCEEDED(model->IsEmptyCompiler(handle, &empty)) && !empty;
        for (int i = 0; i < kFieldCount; ++i) {
            windows.Enable(edits_[i], editable);
            windows.Enable(windows.DialogItem(dialog, kFields[i].editButton), editable);
        }
        windows.Enable(windows.DialogItem(dialog, IDC_CMPLR_RESET), editable);
    }

    // Keeps the shown compiler's fields in its page copies while the user moves on.
    void Store(IQZGeneralPPG* model) {
        platform::IWindowSystem& windows = platform::WindowSystem();
        const int handle = ShownCompiler(model);
        for (int i = 0; i < kFieldCount; ++i) Write(model, kFields[i].putPageCopy, handle, windows.Text(edits_[i]));
    }

    void ChangeCompiler(HWND dialog) {
        IQZGeneralPPG* model = Model();
        if (!model) return;
        platform::IWindowSystem& windows = platform::WindowSystem();
        Store(model);
        const HWND combo = windows.DialogItem(dialog, IDC_CMPLR_COMPILER);
        const int item = windows.ComboSelection(combo);
        const int handle = item == CB_ERR ? kDefaultItem : static_cast<int>(windows.ComboData(combo, item));
        if (handle != kDefaultItem) {
            model->SetSelectedCmplr(handle);
        } else {
            platform::Bstr current(CurrentPlatform(model).c_str());
            model->ClearSelectedCmplr(current.Get());
        }
        Show(dialog, model, handle);
    }

    void ChangePlatform(HWND dialog) {
        IQZGeneralPPG* model = Model();
        if (!model) return;
        platform::IWindowSystem& windows = platform::WindowSystem();
        Store(model);
        const HWND platforms = windows.DialogItem(dialog, IDC_CMPLR_PLATFORM);
        platform::Bstr chosen;
        model->GetNameSupportedPlatformByIndex(windows.ComboSelection(platforms), chosen.Put());
        model->SetCurrentPlatformName(chosen.Get());

        windows.ComboReset(windows.DialogItem(dialog, IDC_CMPLR_COMPILER));
        const std::wstring current = CurrentPlatform(model);
        const int selected = SelectedCompiler(model, current);
        const std::wstring currentKey = Lower(current);
        const std::vector<std::wstring> names = SupportedPlatforms(model);
        for (size_t i = 0; i < names.size(); ++i) {
            if (Lower(names[i]) != currentKey) continue;
            windows.ComboSelect(platforms, static_cast<int>(i));
            ListCompilers(dialog, model, Compilers(model, names[i]), selected);
            Show(dialog, model, selected);
            return;
        }
    }

    void ResetShown(HWND dialog) {
        IQZGeneralPPG* model = Model();
        if (!model) return;
        const int handle = ShownCompiler(model);
        CopyToPageCopies(model, handle, true);
        Show(dialog, model, handle);
    }

    // Looked up once per page window.
    HWND edits_[kFieldCount] = {};
    HWND packageInfo_ = nullptr;
};

CompilersPage g_page;

}  // namespace

HRESULT CreateCompilersPage(IUnknown* package, IQZGeneralPPG* model, VSPROPSHEETPAGE* sheet) {
    return CreatePage(kKind, CompilersPageProc, package, model, sheet);
}

INT_PTR CALLBACK CompilersPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) try {
    return RunPageFrame(kKind, g_page, dialog, message, wParam, lParam);
}
QZ_CATCH_RETURN_VALUE(0)

}  // namespace qz::pages

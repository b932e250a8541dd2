#include "pages/general_page.h"

#include <string>

#include "settings/options.h"
#include "module/module.h"
#include "core/extension_lists.h"
#include "module/modal_state.h"
#include "pages/page_framework.h"
#include "platform/boundary.h"
#include "platform/com_ptr.h"
#include "core/text.h"
#include "platform/window_system.h"
#include "satellite/resource_ids.h"

namespace qz::pages {
namespace {

constexpr PageKind kKind = PageKind::General;
constexpr UINT kMessageType = MB_ICONWARNING | MB_OK;

struct ListField {
    int option;
    int field;
    int editButton;
};

// In the order apply compares them.
constexpr ListField kListFields[] = {
    {settings::kOptFreeSourceExt, IDC_GEN_FREE_SOURCE_EXT, IDC_GEN_EDIT_FREE_SOURCE},
    {settings::kOptFixedSourceExt, IDC_GEN_FIXED_SOURCE_EXT, IDC_GEN_EDIT_FIXED_SOURCE},
    {settings::kOptFreeHeaderExt, IDC_GEN_FREE_HEADER_EXT, IDC_GEN_EDIT_FREE_HEADER},
    {settings::kOptFixedHeaderExt, IDC_GEN_FIXED_HEADER_EXT, IDC_GEN_EDIT_FIXED_HEADER},
};

struct Switch {
    int option;
    int box;
};

constexpr Switch kSwitches[] = {
    {settings::kOptGenerateBuildLog, IDC_GEN_BUILD_LOG},
    {settings::kOptContinueOnError, IDC_GEN_CONTINUE_ON_ERROR},
    {settings::kOptShowEnvInBuildLog, IDC_GEN_ENV_IN_BUILD_LOG},
};

std::wstring FieldText(HWND dialog, int id) {
    platform::IWindowSystem& windows = platform::WindowSystem();
    return windows.Text(windows.DialogItem(dialog, id));
}

void SetFieldText(HWND dialog, int id, const std::wstring& text) {
    platform::IWindowSystem& windows = platform::WindowSystem();
    windows.SetText(windows.DialogItem(dialog, id), text.c_str());
}

void ShowPageMessage(const std::wstring& text) {
    module::ShowMessage(text.c_str(), kMessageType, module::ResourceString(IDS_MSG_CAPTION).c_str());
}

// A change of letter case alone counts as a change.
bool SameText(const std::wstring& a, const std::wstring& b) {
    const platform::Bstr left(a.c_str(), static_cast<UINT>(a.size()));
    const platform::Bstr right(b.c_str(), static_cast<UINT>(b.size()));
    return VarBstrCmp(left.Get(), right.Get(), LOCALE_USER_DEFAULT, 0) == VARCMP_EQ;
}

class GeneralPage final : public PageLogic {
public:
    void Fill(HWND dialog) override {
        platform::IWindowSystem& windows = platform::WindowSystem();
        for (const ListField& list : kListFields) SetFieldText(dialog, list.field, ReadText(kKind, list.option));
        for (const Switch& s : kSwitches) {
            windows.SetCheckState(windows.DialogItem(dialog, s.box),
                                  ReadNumber(kKind, s.option) != 0 ? BST_CHECKED : BST_UNCHECKED);
        }
    }

    bool Validate(HWND dialog) override {
        const core::ExtensionListsCheck check =
            core::CheckExtensionLists({core::ToU16(FieldText(dialog, IDC_GEN_FREE_SOURCE_EXT)),
                                       core::ToU16(FieldText(dialog, IDC_GEN_FREE_HEADER_EXT)),
                                       core::ToU16(FieldText(dialog, IDC_GEN_FIXED_SOURCE_EXT)),
                                       core::ToU16(FieldText(dialog, IDC_GEN_FIXED_HEADER_EXT))},
                                      {core::ToU16(ReadText(kKind, settings::kOptFreeSourceExt, true)),
                                       core::ToU16(ReadText(kKind, settings::kOptFreeHeaderExt, true)),
                                       core::ToU16(ReadText(kKind, settings::kOptFixedSourceExt, true)),
                                       core::ToU16(ReadText(kKind, settings::kOptFixedHeaderExt, true))});
        if (check.valid) return true;
        const std::wstring entry = core::ToWide(check.entry);
        const wchar_t* args[] = {entry.c_str()};
        std::wstring text;
        module::FormatResourceString(text, check.message, args, 1);
        ShowPageMessage(text);
        return false;
    }

    void Apply(HWND dialog) override {
        platform::IWindowSystem& windows = platform::WindowSystem();
        for (const Switch& s : kSwitches) {
            WriteNumber(kKind, s.option, windows.CheckState(windows.DialogItem(dialog, s.box)) == BST_CHECKED ? 1 : 0);
        }
        bool changed = false;
        for (const ListField& list : kListFields) {
            const std::wstring text = FieldText(dialog, list.field);
            if (SameText(ReadText(kKind, list.option), text)) continue;
            WriteText(kKind, list.option, text);
            changed = true;
        }
        // Open projects keep the lists they were loaded with.
        if (changed) ShowPageMessage(module::ResourceString(IDS_MSG_EXT_APPLIED));
    }

    INT_PTR Command(HWND dialog, WORD id, WORD code) override {
        if (code != BN_CLICKED) return 0;
        for (const ListField& list : kListFields) {
            if (id != list.editButton) continue;
            EditListField(dialog, list.field, IDS_EDITOR_TITLE_GENERAL);
            return 1;
        }
        if (id == IDC_GEN_FREE_DEFAULTS) {
            SetDefaults(dialog, settings::kOptFreeSourceExt, IDC_GEN_FREE_SOURCE_EXT, settings::kOptFreeHeaderExt,
                        IDC_GEN_FREE_HEADER_EXT);
            return 1;
        }
        if (id == IDC_GEN_FIXED_DEFAULTS) {
            SetDefaults(dialog, settings::kOptFixedSourceExt, IDC_GEN_FIXED_SOURCE_EXT, settings::kOptFixedHeaderExt,
                        IDC_GEN_FIXED_HEADER_EXT);
            return 1;
        }
        return 0;
    }

private:
    static void SetDefaults(HWND dialog, int sourceOption, int sourceField, int headerOption, int headerField) {
        SetFieldText(dialog, sourceField, ReadText(kKind, sourceOption, true));
        SetFieldText(dialog, headerField, ReadText(kKind, headerOption, true));
    }
};

GeneralPage g_page;

}  // namespace

HRESULT CreateGeneralPage(IUnknown* package, IQZGeneralPPG* model, VSPROPSHEETPAGE* sheet) {
    return CreatePage(kKind, GeneralPageProc, package, model, sheet);
}

INT_PTR CALLBACK GeneralPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) try {
    return RunPageFrame(kKind, g_page, dialog, message, wParam, lParam);
}
QZ_CATCH_RETURN_VALUE(0)

}  // namespace qz::pages

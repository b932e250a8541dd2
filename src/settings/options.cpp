#include "settings/options.h"

#include "platform/com_ptr.h"
#include "platform/registry.h"
#include "module/registry_layout.h"

namespace qz::settings {
namespace {

constexpr REGSAM kRead = KEY_READ;
constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE;

constexpr OptionInfo kOptions[kOptionCount] = {
    {module::kFreeSourceExtValue, true, L".f90", 0},
    {module::kFreeHeaderExtValue, true, L"", 0},
    {module::kFixedSourceExtValue, true, L".f;.for;.fpp", 0},
    {module::kFixedHeaderExtValue, true, L".fi;.fd", 0},
    {module::kBuildLogValue, false, nullptr, 1},
    {module::kEnvInBuildLogValue, false, nullptr, 0},
    {module::kContinueOnErrorsValue, false, nullptr, 0},
    {module::kGapLevelValue, false, nullptr, 0},
    {module::kGapSuppressWarningsValue, false, nullptr, 1},
    {module::kGapSuppressRemarksValue, true, L"", 0},
    {module::kGapRemarksToFileValue, false, nullptr, 0},
    {module::kGapRemarksFileValue, true, L"", 0},
    {module::kGapShowDialogsValue, false, nullptr, 1},
};

HRESULT SetText(VARIANT* value, const wchar_t* text, UINT length) {
    platform::Variant made = platform::Variant::Text(text, length);
    if (!made.HoldsText()) return E_OUTOFMEMORY;
    made.Detach(value);
    return S_OK;
}

void SetNumber(VARIANT* value, int number) { platform::Variant::Int(number).Detach(value); }

}  // namespace

const OptionInfo* FindOption(int ordinal) {
    return static_cast<unsigned>(ordinal) < static_cast<unsigned>(kOptionCount) ? &kOptions[ordinal] : nullptr;
}

HRESULT OptionDefault(int ordinal, VARIANT* value) {
    const OptionInfo* option = FindOption(ordinal);
    if (!option) return E_FAIL;
    if (option->isText) return SetText(value, option->textDefault, static_cast<UINT>(wcslen(option->textDefault)));
    SetNumber(value, option->numberDefault);
    return S_OK;
}

HRESULT ReadOption(const std::wstring& settingsPath, int ordinal, VARIANT* value) {
    const OptionInfo* option = FindOption(ordinal);
    if (!option) return E_FAIL;
    platform::RegKey key;
    if (key.Open(HKEY_CURRENT_USER, settingsPath.c_str(), kRead) == ERROR_SUCCESS) {
        if (option->isText) {
            std::wstring text;
            if (key.ReadString(option->valueName, &text) == ERROR_SUCCESS) {
                return SetText(value, text.data(), static_cast<UINT>(text.size()));
            }
        } else {
            DWORD number = 0;
            if (key.ReadDword(option->valueName, &number) == ERROR_SUCCESS) {
                SetNumber(value, static_cast<int>(number));
                return S_OK;
            }
        }
    }
    return OptionDefault(ordinal, value);
}

HRESULT WriteOption(const std::wstring& settingsPath, int ordinal, const VARIANT& value) {
    const OptionInfo* option = FindOption(ordinal);
    if (!option) return E_INVALIDARG;
    // The automation callers pass VT_BSTR for texts and VT_I4 for numbers; a
    // late-bound client may pass another type, which is converted rather than
    // read as the wrong member of the VARIANT.
    platform::Variant converted;
    const VARTYPE wanted = option->isText ? VT_BSTR : VT_I4;
    const VARIANT* source = &value;
    if (V_VT(&value) != wanted) {
        if (FAILED(VariantChangeType(converted.Put(), const_cast<VARIANT*>(&value), 0, wanted))) {
            return DISP_E_TYPEMISMATCH;
        }
        source = &converted.Get();
    }
    platform::RegKey key;
    LONG result = key.Create(HKEY_CURRENT_USER, settingsPath.c_str(), kReadWrite);
    if (result == ERROR_SUCCESS) {
        if (option->isText) {
            // A null BSTR is COM's empty text, and is stored as one.
            const BSTR text = V_BSTR(source);
            result = key.WriteString(option->valueName, text ? text : L"", SysStringLen(text));
        } else {
            result = key.WriteDword(option->valueName, static_cast<DWORD>(V_I4(source)));
        }
    }
    return result == ERROR_SUCCESS ? S_OK : E_FAIL;
}

}  // namespace qz::settings

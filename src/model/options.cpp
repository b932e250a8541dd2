#include "model/options.h"

#include <cstring>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/registry.h"

namespace qz::model {
namespace {

constexpr REGSAM kRead = KEY_READ;
constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE;

constexpr OptionInfo kOptions[kOptionCount] = {
    {L"ExtFree", true, L".f90", 0},
    {L"HeadersFree", true, L"", 0},
    {L"ExtFixed", true, L".f;.for;.fpp", 0},
    {L"HeadersFixed", true, L".fi;.fd", 0},
    {L"LogBuilds", false, nullptr, 1},
    {L"ShowEnvInLog", false, nullptr, 0},
    {L"ContinueOnErrors", false, nullptr, 0},
    {L"GapLevel", false, nullptr, 0},
    {L"GapSuppressWarnings", false, nullptr, 1},
    {L"GapSuppressRemarks", true, L"", 0},
    {L"GapRemarksToFile", false, nullptr, 0},
    {L"GapRemarksFile", true, L"", 0},
    {L"GapShowDialogs", false, nullptr, 1},
};

HRESULT SetText(VARIANT* value, const wchar_t* text, UINT length) {
    BSTR copy = SysAllocStringLen(text, length);
    if (!copy) return E_OUTOFMEMORY;
    VariantInit(value);
    V_VT(value) = VT_BSTR;
    V_BSTR(value) = copy;
    return S_OK;
}

void SetNumber(VARIANT* value, int number) {
    VariantInit(value);
    V_VT(value) = VT_I4;
    V_I4(value) = number;
}

// A stored text counts only as REG_SZ or REG_EXPAND_SZ (not expanded), a whole
// number of characters, ending with its terminating zero.
bool ReadStoredText(const platform::RegKey& key, const wchar_t* name, std::wstring* text) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (key.ReadValue(name, &type, &data) != ERROR_SUCCESS) return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    if (data.size() < sizeof(wchar_t) || data.size() % sizeof(wchar_t) != 0) return false;
    const auto* chars = reinterpret_cast<const wchar_t*>(data.data());
    const size_t count = data.size() / sizeof(wchar_t);
    if (chars[count - 1] != L'\0') return false;
    text->assign(chars, count - 1);
    return true;
}

bool ReadStoredNumber(const platform::RegKey& key, const wchar_t* name, int* number) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (key.ReadValue(name, &type, &data) != ERROR_SUCCESS) return false;
    if (type != REG_DWORD || data.size() != sizeof(DWORD)) return false;
    DWORD stored;
    std::memcpy(&stored, data.data(), sizeof stored);
    *number = static_cast<int>(stored);
    return true;
}

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
            if (ReadStoredText(key, option->valueName, &text)) {
                return SetText(value, text.data(), static_cast<UINT>(text.size()));
            }
        } else {
            int number = 0;
            if (ReadStoredNumber(key, option->valueName, &number)) {
                SetNumber(value, number);
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
    VARIANT converted;
    VariantInit(&converted);
    const VARTYPE wanted = option->isText ? VT_BSTR : VT_I4;
    const VARIANT* source = &value;
    if (V_VT(&value) != wanted) {
        if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, wanted))) return DISP_E_TYPEMISMATCH;
        source = &converted;
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
    VariantClear(&converted);
    return result == ERROR_SUCCESS ? S_OK : E_FAIL;
}

}  // namespace qz::model

// The outs of a call of the service or the options model, rendered for
// comparison and freed together.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "QZToolOpt.h"
#include "platform/com_ptr.h"

namespace qz::test {

// An INT or LONG out that the call did not write.
inline constexpr INT kUntouched = 0x7777;

struct CallOuts {
    BSTR text = nullptr;
    BSTR text2 = nullptr;
    INT number = kUntouched;
    LONG flag = kUntouched;
    SAFEARRAY* list = nullptr;
    SAFEARRAY* list2 = nullptr;
    VARIANT value;

    CallOuts() { VariantInit(&value); }
    CallOuts(const CallOuts&) = delete;
    CallOuts& operator=(const CallOuts&) = delete;
    ~CallOuts() { Take(); }

    // What the call wrote, empty when nothing; frees it all.
    std::string Take() {
        std::string shown;
        Show(&text, &shown);
        Show(&text2, &shown);
        if (number != kUntouched) shown += " int " + std::to_string(number);
        if (flag != kUntouched) shown += " long " + std::to_string(flag);
        Show(&list, &shown);
        Show(&list2, &shown);
        if (V_VT(&value) == VT_BSTR) {
            Show(&V_BSTR(&value), &shown);
        } else if (V_VT(&value) != VT_EMPTY) {
            shown += " vt" + std::to_string(V_VT(&value)) + " " + std::to_string(V_I4(&value));
        }
        VariantClear(&value);
        number = flag = kUntouched;
        return shown;
    }

private:
    static std::string Narrow(const std::wstring& text) {
        std::string narrow;
        for (wchar_t c : text) narrow += c < 128 ? static_cast<char>(c) : '?';
        return narrow;
    }
    static void Show(BSTR* text, std::string* shown) {
        if (!*text) return;
        *shown += " '" + Narrow(std::wstring(*text, SysStringLen(*text))) + "'";
        SysFreeString(*text);
        *text = nullptr;
    }
    static void Show(SAFEARRAY** list, std::string* shown) {
        if (!*list) return;
        VARTYPE type = VT_EMPTY;
        SafeArrayGetVartype(*list, &type);
        platform::SafeArray owned(*list);
        *list = nullptr;
        *shown += " [";
        if (type == VT_BSTR) {
            for (const std::wstring& t : owned.Texts()) *shown += Narrow(t) + ",";
        } else {
            for (int i : owned.Ints()) *shown += std::to_string(i) + ",";
        }
        *shown += "]";
    }
};

}  // namespace qz::test

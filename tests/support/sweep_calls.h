// What the sweeps need to call every method of the service and the options
// model uniformly: the outs of a call, rendered for comparison and freed
// together, a sink for the advise method, and the methods grouped by kind.
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

// The advise method neither keeps nor calls its sink.
struct NullSink : IZRBToolOptionEvents {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE OnToolOptionPropertyChanged(BSTR, BSTR, BSTR) override { return S_OK; }
};

// The methods of the service and the options model grouped by signature and
// by what they do, with their names, for the sweeps to call them all alike.
template <class M>
struct Named {
    const char* name;
    M method;
};
template <class P, class G>
struct PutGet {
    const char* name;
    P put;
    G get;
};
template <class I, class... A>
using Method = HRESULT (STDMETHODCALLTYPE I::*)(A...);
using SvcText = Method<IQZToolOptions, BSTR*>;
using SvcHandleText = Method<IQZToolOptions, INT, BSTR*>;
using ModelHandleText = Method<IQZGeneralPPG, int, BSTR*>;

#define QZ_NAMED(I, m) \
    { #m, &I::m }
#define QZ_PUT_GET(I, put, get) \
    { #put, &I::put, &I::get }

// The option reads of the service.
inline const std::vector<Named<SvcText>> kServiceOptionTexts = {
    QZ_NAMED(IQZToolOptions, GetFortranExtensions),   QZ_NAMED(IQZToolOptions, GetHeaderExtensions),
    QZ_NAMED(IQZToolOptions, GetFreeFormatExt),       QZ_NAMED(IQZToolOptions, GetFixedFormatExt),
    QZ_NAMED(IQZToolOptions, GetFreeFormatExtHdr),    QZ_NAMED(IQZToolOptions, GetFixedFormatExtHdr),
    QZ_NAMED(IQZToolOptions, DefGetFreeFormatExt),    QZ_NAMED(IQZToolOptions, DefGetFixedFormatExt),
    QZ_NAMED(IQZToolOptions, DefGetFreeFormatExtHdr), QZ_NAMED(IQZToolOptions, DefGetFixedFormatExtHdr),
    QZ_NAMED(IQZToolOptions, GetGapSuppressRemarks),  QZ_NAMED(IQZToolOptions, GetGapRemarksFile)};
inline const std::vector<Named<Method<IQZToolOptions, INT*>>> kServiceOptionNumbers = {
    QZ_NAMED(IQZToolOptions, GetGapLevel), QZ_NAMED(IQZToolOptions, GetGapSuppressWarnings),
    QZ_NAMED(IQZToolOptions, GetGapRemarksToFile), QZ_NAMED(IQZToolOptions, GetGapShowDialog)};
inline const std::vector<Named<Method<IQZToolOptions, LONG*>>> kServiceOptionSwitches = {
    QZ_NAMED(IQZToolOptions, GetBuildLog), QZ_NAMED(IQZToolOptions, GetContinueOnErrors),
    QZ_NAMED(IQZToolOptions, GetShowEnvInLog)};
inline const std::vector<Named<Method<IQZToolOptions, INT>>> kServiceOptionSets = {
    QZ_NAMED(IQZToolOptions, SetGapLevel), QZ_NAMED(IQZToolOptions, SetGapSuppressWarnings),
    QZ_NAMED(IQZToolOptions, SetGapRemarksToFile), QZ_NAMED(IQZToolOptions, SetGapShowDialog)};
// Each text setter of the service with the getter that reads it back.
inline const std::vector<PutGet<Method<IQZToolOptions, BSTR>, SvcText>> kServiceTextPuts = {
    QZ_PUT_GET(IQZToolOptions, SetGapSuppressRemarks, GetGapSuppressRemarks),
    QZ_PUT_GET(IQZToolOptions, SetGapRemarksFile, GetGapRemarksFile),
    QZ_PUT_GET(IQZToolOptions, SetCurrentPlatformName, GetCurrentPlatformName)};
inline const std::vector<Named<SvcHandleText>> kServiceHandleTexts = {
    QZ_NAMED(IQZToolOptions, GetCmplrVersion),           QZ_NAMED(IQZToolOptions, GetCmplrPlatform),
    QZ_NAMED(IQZToolOptions, GetCmplrProductDir),        QZ_NAMED(IQZToolOptions, GetCmplrDefIncludePaths),
    QZ_NAMED(IQZToolOptions, GetCmplrDefLibPaths),       QZ_NAMED(IQZToolOptions, GetCmplrDefBinPaths),
    QZ_NAMED(IQZToolOptions, GetCmplrDefDefaultOptions), QZ_NAMED(IQZToolOptions, GetCmplrIncludePaths),
    QZ_NAMED(IQZToolOptions, GetCmplrLibPaths),          QZ_NAMED(IQZToolOptions, GetCmplrBinPath),
    QZ_NAMED(IQZToolOptions, GetCmplrDocPath),           QZ_NAMED(IQZToolOptions, GetCmplrDefaultOptions),
    QZ_NAMED(IQZToolOptions, GetCmplrPackageInfo)};
inline const std::vector<PutGet<Method<IQZToolOptions, INT, BSTR>, SvcHandleText>> kServiceHandlePuts = {
    QZ_PUT_GET(IQZToolOptions, SetCmplrIncludePaths, GetCmplrIncludePaths),
    QZ_PUT_GET(IQZToolOptions, SetCmplrLibPaths, GetCmplrLibPaths),
    QZ_PUT_GET(IQZToolOptions, SetCmplrBinPath, GetCmplrBinPath),
    QZ_PUT_GET(IQZToolOptions, SetCmplrDefaultOptions, GetCmplrDefaultOptions)};
inline const std::vector<Named<ModelHandleText>> kModelHandleTexts = {
    QZ_NAMED(IQZGeneralPPG, get_CmplrVersionString),     QZ_NAMED(IQZGeneralPPG, get_CmplrDisplayName),
    QZ_NAMED(IQZGeneralPPG, get_SuiteDisplayName),       QZ_NAMED(IQZGeneralPPG, get_CmplrPlatformName),
    QZ_NAMED(IQZGeneralPPG, get_CmplrDefIncludePaths),   QZ_NAMED(IQZGeneralPPG, get_CmplrDefLibPaths),
    QZ_NAMED(IQZGeneralPPG, get_CmplrDefBinPaths),       QZ_NAMED(IQZGeneralPPG, get_CmplrDefDefaultOptions),
    QZ_NAMED(IQZGeneralPPG, get_CmplrPackageInfo),       QZ_NAMED(IQZGeneralPPG, get_CmplrIncludePaths),
    QZ_NAMED(IQZGeneralPPG, get_CmplrLibPaths),          QZ_NAMED(IQZGeneralPPG, get_CmplrBinPath),
    QZ_NAMED(IQZGeneralPPG, get_CmplrDefaultOptions),    QZ_NAMED(IQZGeneralPPG, get_CmplrPPGIncludePaths),
    QZ_NAMED(IQZGeneralPPG, get_CmplrPPGLibPaths),       QZ_NAMED(IQZGeneralPPG, get_CmplrPPGBinPath),
    QZ_NAMED(IQZGeneralPPG, get_CmplrPPGDefaultOptions), QZ_NAMED(IQZGeneralPPG, get_CmplrDocPath),
    QZ_NAMED(IQZGeneralPPG, GetCmplrProductDir)};
inline const std::vector<PutGet<Method<IQZGeneralPPG, int, BSTR>, ModelHandleText>> kModelHandlePuts = {
    QZ_PUT_GET(IQZGeneralPPG, put_CmplrIncludePaths, get_CmplrIncludePaths),
    QZ_PUT_GET(IQZGeneralPPG, put_CmplrLibPaths, get_CmplrLibPaths),
    QZ_PUT_GET(IQZGeneralPPG, put_CmplrBinPath, get_CmplrBinPath),
    QZ_PUT_GET(IQZGeneralPPG, put_CmplrDefaultOptions, get_CmplrDefaultOptions),
    QZ_PUT_GET(IQZGeneralPPG, put_CmplrPPGIncludePaths, get_CmplrPPGIncludePaths),
    QZ_PUT_GET(IQZGeneralPPG, put_CmplrPPGLibPaths, get_CmplrPPGLibPaths),
    QZ_PUT_GET(IQZGeneralPPG, put_CmplrPPGBinPath, get_CmplrPPGBinPath),
    QZ_PUT_GET(IQZGeneralPPG, put_CmplrPPGDefaultOptions, get_CmplrPPGDefaultOptions)};

#undef QZ_NAMED
#undef QZ_PUT_GET

}  // namespace qz::test

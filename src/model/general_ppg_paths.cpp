// The options model's compiler directories and default options: the default
// layer, the user's committed layer and the Compilers page's copies.
#include "model/general_ppg.h"
#include "compilers/directories.h"
#include "platform/boundary.h"

namespace qz::model {

using compilers::CCmplrEntry;
using compilers::Setting;

namespace {

// The page's copy of one setting in a compiler entry.
std::wstring& PageCopy(CCmplrEntry& entry, Setting setting) {
    switch (setting) {
    case Setting::IncludeDirs:
        return entry.pageIncludePaths;
    case Setting::LibDirs:
        return entry.pageLibPaths;
    case Setting::BinDirs:
        return entry.pageBinPaths;
    case Setting::DefaultOptions:
        break;
    }
    return entry.pageDefaultOptions;
}

}  // namespace

HRESULT CQZGeneralPPG::ReadDirectory(int handle, Layer layer, Setting setting, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return WithCompiler(handle, [&](CCmplrEntry& entry) {
        switch (layer) {
        case Layer::Default:
            return compilers::ReadDefault(entry.registryKey, setting, out);
        case Layer::Committed:
            return compilers::ReadCommitted(entry.settingsKey, entry.registryKey, setting, out);
        case Layer::Page:
            break;
        }
        const std::wstring& copy = PageCopy(entry, setting);
        *out = SysAllocStringLen(copy.data(), static_cast<UINT>(copy.size()));
        return *out ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT CQZGeneralPPG::WriteDirectory(int handle, Layer layer, Setting setting, BSTR text) {
    return WithCompiler(handle, [&](CCmplrEntry& entry) {
        if (layer == Layer::Committed) return compilers::WriteCommitted(entry.settingsKey, setting, text);
        PageCopy(entry, setting).assign(text ? text : L"", SysStringLen(text));
        return S_OK;
    });
}

// clang-format off
HRESULT CQZGeneralPPG::get_CmplrDefIncludePaths(int handle, BSTR* out) try { return ReadDirectory(handle, Layer::Default, Setting::IncludeDirs, out); } QZ_CATCH_RETURN()
HRESULT CQZGeneralPPG::get_CmplrDefLibPaths(int handle, BSTR* out) try { return ReadDirectory(handle, Layer::Default, Setting::LibDirs, out); } QZ_CATCH_RETURN()
HRESULT CQZGeneralPPG::get_CmplrDefBinPaths(int handle, BSTR* out) try { return ReadDirectory(handle, Layer::Default, Setting::BinDirs, out); } QZ_CATCH_RETURN()
HRESULT CQZGeneralPPG::get_CmplrDefDefaultOptions(int handle, BSTR* out) try { return ReadDirectory(handle, Layer::Default, Setting::DefaultOptions, out); } QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::get_CmplrIncludePaths(int handle, BSTR* out) try { return ReadDirectory(handle, Layer::Committed, Setting::IncludeDirs, out); } QZ_CATCH_RETURN()
HRESULT CQZGeneralPPG::put_CmplrIncludePaths(int handle, BSTR text) try { return WriteDirectory(handle, Layer::Committed, Setting::IncludeDirs, text); } QZ_CATCH_RETURN()
HRESULT CQZGeneralPPG::get_CmplrLibPaths(int handle, BSTR* out) try { return ReadDirectory(handle, Layer::Committed, Setting::LibDirs, out); } QZ_CATCH_RETURN()
HRESULT CQZGeneralPPG::put_CmplrLibPaths(int handle, BSTR text) try { return WriteDirectory(handle, Layer::Committed, Setting::LibDirs, text); } QZ_CATCH_RETURN()
HRESULT CQZGeneralPPG::get_CmplrBinPath(int handle, BSTR* out) try { return ReadDirectory(handle, Layer::Committed, Setting::BinDirs, out); } QZ_CATCH_RETURN()
HRESULT CQZGeneralPPG::put_CmplrBinPath(int handle, BSTR text) try { return WriteDirectory(handle, Layer::Committed, Setting::BinDirs, text); } QZ_CATCH_RETURN()
HRESULT CQZGeneralPPG::get_CmplrDefaultOptions(int handle, BSTR* out) try { return ReadDirectory(handle, Layer::Committed, Setting::DefaultOptions, out); } QZ_CATCH_RETURN()
HRESULT CQZGeneralPPG::put_CmplrDefaultOptions(int handle, BSTR text) try { return WriteDirectory(handle, Layer::Committed, Setting::DefaultOptions, text); } QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::get_CmplrPPGIncludePaths(int handle, BSTR* out) try { return ReadDirectory(handle, Layer::Page, Setting::IncludeDirs, out); } QZ_CATCH_RETURN()
HRESULT CQZGeneralPPG::put_CmplrPPGIncludePaths(int handle, BSTR text) try { return WriteDirectory(handle, Layer::Page, Setting::IncludeDirs, text); } QZ_CATCH_RETURN()
HRESULT CQZGeneralPPG::get_CmplrPPGLibPaths(int handle, BSTR* out) try { return ReadDirectory(handle, Layer::Page, Setting::LibDirs, out); } QZ_CATCH_RETURN()
HRESULT CQZGeneralPPG::put_CmplrPPGLibPaths(int handle, BSTR text) try { return WriteDirectory(handle, Layer::Page, Setting::LibDirs, text); } QZ_CATCH_RETURN()
HRESULT CQZGeneralPPG::get_CmplrPPGBinPath(int handle, BSTR* out) try { return ReadDirectory(handle, Layer::Page, Setting::BinDirs, out); } QZ_CATCH_RETURN()
HRESULT CQZGeneralPPG::put_CmplrPPGBinPath(int handle, BSTR text) try { return WriteDirectory(handle, Layer::Page, Setting::BinDirs, text); } QZ_CATCH_RETURN()
HRESULT CQZGeneralPPG::get_CmplrPPGDefaultOptions(int handle, BSTR* out) try { return ReadDirectory(handle, Layer::Page, Setting::DefaultOptions, out); } QZ_CATCH_RETURN()
HRESULT CQZGeneralPPG::put_CmplrPPGDefaultOptions(int handle, BSTR text) try { return WriteDirectory(handle, Layer::Page, Setting::DefaultOptions, text); } QZ_CATCH_RETURN()
// clang-format on

HRESULT CQZGeneralPPG::get_CmplrDocPath(int handle, BSTR* out) try {
    if (!out) return E_POINTER;
    *out = nullptr;
    return WithCompiler(
        handle, [&](const CCmplrEntry& entry) { return compilers::ReadDocumentationDir(entry.registryKey, out); });
}
QZ_CATCH_RETURN()

}  // namespace qz::model

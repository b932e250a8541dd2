// The IDE's own COM interfaces that the package implements or calls, declared
// in slot order: the order is the binary contract with the real IDE. Where the
// package only calls an interface, the declaration stops after the last method
// it calls.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oaidl.h>
#include <prsht.h>
#include <servprov.h>
#include <shobjidl.h>  // IProfferService, SID_SProfferService

#include <cstddef>

namespace qz::platform {

inline constexpr GUID kSID_SVsShell = {0xFD9DC8E3, 0x2FFC, 0x446D, {0x8C, 0x50, 0x99, 0xCA, 0x4A, 0x3D, 0x2D, 0x1C}};
inline constexpr GUID kSID_SLocalRegistry = {
    0x6D5140D3, 0x7436, 0x11CE, {0x80, 0x34, 0x00, 0xAA, 0x00, 0x60, 0x09, 0xFA}};
inline constexpr GUID kSID_SVsUIShell = {0xB61FC35B, 0xEEBF, 0x4DEC, {0xBF, 0xF1, 0x28, 0xA2, 0xDD, 0x43, 0xC3, 0x8F}};
inline constexpr GUID kSID_SUIHostLocale = {
    0x2C2EA031, 0x02BE, 0x11D1, {0x8C, 0x85, 0x00, 0xC0, 0x4F, 0xC2, 0xAA, 0x89}};
inline constexpr GUID kSID_SVsHelpSystem = {
    0x854D7AC0, 0xBC3D, 0x11D0, {0xB4, 0x21, 0x00, 0xA0, 0xC9, 0x0F, 0x9D, 0xC4}};
inline constexpr GUID kSID_SVsHelp = {0x4A791148, 0x19E4, 0x11D3, {0xB8, 0x6B, 0x00, 0xC0, 0x4F, 0x79, 0xF8, 0x02}};
inline constexpr GUID kSID_SDTE = {0x04A72314, 0x32E9, 0x48E2, {0x9B, 0x87, 0xA6, 0x36, 0x03, 0x45, 0x4F, 0x3E}};
inline constexpr GUID kSID_SProfferService = {
    0xCB728B20, 0xF786, 0x11CE, {0x92, 0xAD, 0x00, 0xAA, 0x00, 0xA7, 0x4C, 0xD0}};

// An earlier IDE's package interface; the package does not answer it.
inline constexpr GUID kIID_IVsPackageOld = {
    0x7D960B00, 0x7AF8, 0x11D0, {0x8E, 0x5E, 0x00, 0xA0, 0xC9, 0x11, 0x00, 0x5A}};

// The IDE's dispatch identifier of _DTE.LocaleID.
inline constexpr DISPID kDispidDteLocaleID = 218;

}  // namespace qz::platform

struct VSPROPSHEETPAGE {
    DWORD dwSize;
    DWORD dwFlags;
    HINSTANCE hInstance;
    WORD wTemplateId;
    DWORD dwTemplateSize;
    BYTE* pTemplate;
    DLGPROC pfnDlgProc;
    LPARAM lParam;
    LPFNPSPCALLBACKA pfnCallback;
    UINT* pcRefParent;
    DWORD dwReserved;
    HWND hwndDlg;
};
#ifdef _WIN64
static_assert(sizeof(VSPROPSHEETPAGE) == 80, "VSPROPSHEETPAGE is 80 bytes on 64-bit Windows");
#else
static_assert(sizeof(VSPROPSHEETPAGE) == 48, "VSPROPSHEETPAGE is 48 bytes on 32-bit Windows");
#endif

struct IVsPackage : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetSite(IServiceProvider* pSP) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryClose(BOOL* pfCanClose) = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAutomationObject(LPCOLESTR pszPropName, IDispatch** ppDisp) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateTool(REFGUID rguidPersistenceSlot) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetDefaults(DWORD grfFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPropertyPage(REFGUID rguidPage, VSPROPSHEETPAGE* ppage) = 0;
};
__CRT_UUID_DECL(IVsPackage, 0xD4F3F4B1, 0xE900, 0x4E51, 0xAD, 0xB3, 0xD5, 0x32, 0x34, 0x8F, 0x83, 0xCB)

struct IVsShell : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetPackageEnum(IUnknown** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProperty(LONG propid, VARIANT* pvar) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetProperty(LONG propid, VARIANT var) = 0;
    virtual HRESULT STDMETHODCALLTYPE AdviseBroadcastMessages(IUnknown* pSink, DWORD* pdwCookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnadviseBroadcastMessages(DWORD dwCookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE AdviseShellPropertyChanges(IUnknown* pSink, DWORD* pdwCookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnadviseShellPropertyChanges(DWORD dwCookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE LoadPackage(REFGUID guidPackage, IVsPackage** ppPackage) = 0;
    virtual HRESULT STDMETHODCALLTYPE LoadPackageString(REFGUID guidPackage, ULONG resid, BSTR* pbstrOut) = 0;
    virtual HRESULT STDMETHODCALLTYPE LoadUILibrary(REFGUID guidPackage, DWORD dwExFlags, DWORD_PTR* phinstOut) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsPackageInstalled(REFGUID guidPackage, BOOL* pfInstalled) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsPackageLoaded(REFGUID guidPackage, IVsPackage** ppPackage) = 0;
};
__CRT_UUID_DECL(IVsShell, 0xFD9DC8E3, 0x2FFC, 0x446D, 0x8C, 0x50, 0x99, 0xCA, 0x4A, 0x3D, 0x2D, 0x1C)

struct ILocalRegistry : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(CLSID clsid, IUnknown* punkOuter, REFIID riid, DWORD dwFlags,
                                                     void** ppvObj) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeLibOfClsid(CLSID clsid, ITypeLib** pptlib) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClassObjectOfClsid(REFCLSID clsid, DWORD dwFlags, LPVOID lpReserved,
                                                            REFIID riid, void** ppvClassObject) = 0;
};
__CRT_UUID_DECL(ILocalRegistry, 0x6D5140D3, 0x7436, 0x11CE, 0x80, 0x34, 0x00, 0xAA, 0x00, 0x60, 0x09, 0xFA)

struct ILocalRegistry2 : public ILocalRegistry {
    virtual HRESULT STDMETHODCALLTYPE GetLocalRegistryRoot(BSTR* pbstrRoot) = 0;
};
__CRT_UUID_DECL(ILocalRegistry2, 0x77BB19B0, 0x0462, 0x11D1, 0xAA, 0xF6, 0x00, 0xA0, 0xC9, 0x05, 0x5A, 0x90)

using VSITEMID = DWORD_PTR;

struct IVsUIShell : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetToolWindowEnum(IUnknown** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDocumentWindowEnum(IUnknown** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindToolWindow(DWORD grfFTW, REFGUID rguidPersistenceSlot,
                                                     IUnknown** ppWindowFrame) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateToolWindow(DWORD grfCTW, DWORD dwToolWindowId, IUnknown* punkTool,
                                                       REFCLSID rclsidTool, REFGUID rguidPersistenceSlot,
                                                       REFGUID rguidAutoActivate, IServiceProvider* psp,
                                                       LPCOLESTR pszCaption, BOOL* pfDefaultPosition,
                                                       IUnknown** ppWindowFrame) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateDocumentWindow(DWORD grfCDW, LPCOLESTR pszMkDocument, IUnknown* pUIH,
                                                           VSITEMID itemid, IUnknown* punkDocView,
                                                           IUnknown* punkDocData, REFGUID rguidEditorType,
                                                           LPCOLESTR pszPhysicalView, REFGUID rguidCmdUI,
                                                           IServiceProvider* psp, LPCOLESTR pszOwnerCaption,
                                                           LPCOLESTR pszEditorCaption, BOOL* pfDefaultPosition,
                                                           IUnknown** ppWindowFrame) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetErrorInfo(HRESULT hr, LPCOLESTR pszDescription, DWORD dwReserved,
                                                   LPCOLESTR pszHelpKeyword, LPCOLESTR pszSource) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReportErrorInfo(HRESULT hr) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDialogOwnerHwnd(HWND* phwnd) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnableModeless(BOOL fEnable) = 0;
};
__CRT_UUID_DECL(IVsUIShell, 0xB61FC35B, 0xEEBF, 0x4DEC, 0xBF, 0xF1, 0x28, 0xA2, 0xDD, 0x43, 0xC3, 0x8F)

struct IUIHostLocale : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetUILocale(LCID* plcid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDialogFont(LOGFONTW* plogfont) = 0;
};
__CRT_UUID_DECL(IUIHostLocale, 0x2C2EA031, 0x02BE, 0x11D1, 0x8C, 0x85, 0x00, 0xC0, 0x4F, 0xC2, 0xAA, 0x89)

struct IUIHostLocale2 : public IUIHostLocale {
    virtual HRESULT STDMETHODCALLTYPE LoadUILibrary(LPCOLESTR lpstrPath, LPCOLESTR lpstrDllName, DWORD dwExFlags,
                                                    DWORD_PTR* phinstOut) = 0;
    virtual HRESULT STDMETHODCALLTYPE MungeDialogFont(DWORD dwSize, const BYTE* pDlgTemplate,
                                                      BYTE** ppDlgTemplateOut) = 0;
    virtual HRESULT STDMETHODCALLTYPE LoadDialog(DWORD_PTR hMod, DWORD dwDlgResId, BYTE** ppDlgTemplate) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUILibraryFileName(LPCOLESTR lpstrPath, LPCOLESTR lpstrDllName,
                                                           BSTR* pbstrOut) = 0;
};
__CRT_UUID_DECL(IUIHostLocale2, 0x2C2EA032, 0x02BE, 0x11D1, 0x8C, 0x85, 0x00, 0xC0, 0x4F, 0xC2, 0xAA, 0x89)

struct IVsHelpSystem : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE KeywordSearch(LPCOLESTR pszKeyword, DWORD_PTR dwFlags, DWORD_PTR dwReserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE ALinkSearch(LPCOLESTR pszALink, DWORD_PTR dwFlags, DWORD_PTR dwReserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE KeywordSearchDlg(LPCOLESTR pszKeyword, DWORD_PTR dwFlags,
                                                       DWORD_PTR dwReserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE FullTextSearchDlg(LPCOLESTR pszQuery, DWORD_PTR dwFlags,
                                                        DWORD_PTR dwReserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentURL(BSTR* ppszURL) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisplayTopicFromURL(LPCOLESTR pszURL, DWORD_PTR Command) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisplayTopicFromIdentifier(LPCOLESTR pszFile, DWORD_PTR Id,
                                                                 DWORD_PTR Command) = 0;
    virtual HRESULT STDMETHODCALLTYPE ActivateHelpSystem(DWORD_PTR dwFlags) = 0;
};
__CRT_UUID_DECL(IVsHelpSystem, 0x854D7AC0, 0xBC3D, 0x11D0, 0xB4, 0x21, 0x00, 0xA0, 0xC9, 0x0F, 0x9D, 0xC4)

// The F1 help service's interface (dual).
struct IVsHelp : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Contents() = 0;
    virtual HRESULT STDMETHODCALLTYPE Index() = 0;
    virtual HRESULT STDMETHODCALLTYPE Search() = 0;
    virtual HRESULT STDMETHODCALLTYPE IndexResults() = 0;
    virtual HRESULT STDMETHODCALLTYPE SearchResults() = 0;
    virtual HRESULT STDMETHODCALLTYPE DisplayTopicFromId(BSTR bstrFile, DWORD Id) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisplayTopicFromURL(BSTR pszURL) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisplayTopicFromURLEx(BSTR pszURL, IUnknown* pEvents) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisplayTopicFromKeyword(BSTR pszKeyword) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisplayTopicFromF1Keyword(BSTR pszKeyword) = 0;
};
__CRT_UUID_DECL(IVsHelp, 0x4A791148, 0x19E4, 0x11D3, 0xB8, 0x6B, 0x00, 0xC0, 0x4F, 0x79, 0xF8, 0x02)

// The IDE automation object, up to LocaleID; the package reads LocaleID late-bound.
struct DTE : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* lpbstrReturn) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FileName(BSTR* lpbstrReturn) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Version(BSTR* lpbstrReturn) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CommandBars(IDispatch** ppcbs) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Windows(IDispatch** ppwin) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Events(IDispatch** ppevt) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AddIns(IDispatch** lppAddIns) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MainWindow(IDispatch** ppwin) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ActiveWindow(IDispatch** ppwin) = 0;
    virtual HRESULT STDMETHODCALLTYPE Quit() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DisplayMode(LONG* lpDispMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DisplayMode(LONG lDispMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Solution(IDispatch** ppSolution) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Commands(IDispatch** ppCommands) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetObject(BSTR Name, IDispatch** ppObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Properties(BSTR Category, BSTR Page, IDispatch** ppObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SelectedItems(IDispatch** ppSelectedItems) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CommandLineArguments(BSTR* lpbstrReturn) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenFile(BSTR ViewKind, BSTR FileName, IDispatch** ppWin) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsOpenFile(BSTR ViewKind, BSTR FileName, VARIANT_BOOL* lpfReturn) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DTE(IDispatch** lppaReturn) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_LocaleID(LONG* lpReturn) = 0;
};
__CRT_UUID_DECL(DTE, 0x04A72314, 0x32E9, 0x48E2, 0x9B, 0x87, 0xA6, 0x36, 0x03, 0x45, 0x4F, 0x3E)

// CQZToolOpt: the package object the IDE creates, sites and closes.
#pragma once

#include <windows.h>
#include <docobj.h>
#include <servprov.h>

#include "QZToolOpt.h"
#include "module/identifiers.h"
#include "module/module.h"
#include "package/service.h"
#include "platform/com_ptr.h"
#include "platform/module.h"
#include "platform/vs_interfaces.h"

namespace qz::package {

class CQZToolOpt : public IVsPackage, public IOleCommandTarget, public IServiceProvider {
public:
    CQZToolOpt() = default;
    virtual ~CQZToolOpt();

    IUnknown* Identity() { return static_cast<IVsPackage*>(this); }
    void* FindInterface(REFIID iid);

    // IVsPackage
    HRESULT STDMETHODCALLTYPE SetSite(IServiceProvider* provider) override;
    HRESULT STDMETHODCALLTYPE QueryClose(BOOL* canClose) override;
    HRESULT STDMETHODCALLTYPE Close() override;
    HRESULT STDMETHODCALLTYPE GetAutomationObject(LPCOLESTR name, IDispatch** out) override;
    HRESULT STDMETHODCALLTYPE CreateTool(REFGUID slot) override;
    HRESULT STDMETHODCALLTYPE ResetDefaults(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetPropertyPage(REFGUID page, VSPROPSHEETPAGE* sheet) override;

    // The one options model of this package, made on first need; the caller
    // gets its own reference.
    virtual HRESULT STDMETHODCALLTYPE GetGeneralPPG(IQZGeneralPPG** out);

    // IOleCommandTarget: the package handles no command.
    HRESULT STDMETHODCALLTYPE QueryStatus(const GUID* group, ULONG count, OLECMD commands[], OLECMDTEXT* text) override;
    HRESULT STDMETHODCALLTYPE Exec(const GUID* group, DWORD id, DWORD options, VARIANT* in, VARIANT* out) override;

    // IServiceProvider: the tool-options service the package offered the IDE.
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** out) override;

private:
    bool closed_ = false;
    // SetSite is taken once; a second call is refused rather than re-siting.
    bool siteTaken_ = false;
    platform::ModuleHandle satellite_;
    platform::ComPtr<IQZGeneralPPG> model_;
    platform::ComPtr<CQZToolOptionsSvc> service_;
    module::ModuleLock lock_;
};

}  // namespace qz::package

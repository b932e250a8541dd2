// The stand-in IDE: the services a package asks of the IDE, behind one
// IServiceProvider, for the tests and for the host program. Every service can
// be withheld or made to fail, and each records what it was asked.
#pragma once

#include <windows.h>
#include <servprov.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/com_ptr.h"
#include "module/registry_layout.h"

namespace qz::ide {

enum class Service {
    Shell,           // IVsShell: loads the satellite UI library
    ProfferService,  // IProfferService: services offered by packages
    LocalRegistry,   // ILocalRegistry2: the IDE's registry root
    UIShell,         // IVsUIShell: dialog owner, modeless state
    UILocale,        // IUIHostLocale2: UI locale, dialog fonts
    HelpSystem,      // IVsHelpSystem: topics by identifier
    Help,            // IVsHelp: F1 keywords
    Dte,             // DTE: the automation object's LocaleID
};
inline constexpr int kServiceCount = static_cast<int>(Service::Dte) + 1;

// What QueryService answers for a withheld service or one nobody offers. It is
// also what the package's own provider answers for an unknown service.
inline constexpr HRESULT kUnknownServiceResult = E_NOINTERFACE;

inline constexpr LCID kDefaultLocale = 1033;
inline constexpr const wchar_t* kDefaultRegistryRoot = module::kIdeRoot;
inline constexpr wchar_t kPackageFileName[] = L"QZToolOpt.dll";

struct ProfferedService {
    GUID sid;
    platform::ComPtr<IServiceProvider> provider;
    DWORD cookie;
};

struct HelpTopicRequest {
    std::wstring file;  // empty when none was given
    DWORD_PTR id;
    DWORD_PTR command;
};

struct IdeState;

class StandInIde {
public:
    StandInIde();
    // Drops what packages proffered: a package that never revokes would
    // otherwise keep itself and this IDE alive through each other.
    ~StandInIde();
    StandInIde(const StandInIde&) = delete;
    StandInIde& operator=(const StandInIde&) = delete;

    // Owned by the stand-in; AddRef to keep it past the stand-in's life.
    // Null only when it could not be allocated.
    IServiceProvider* Provider() const { return provider_.Get(); }

    // A withheld service is not found by QueryService (kUnknownServiceResult).
    void Withhold(Service service, bool withheld = true);
    // The service's working operations answer `result` instead of working, with
    // their outs cleared; S_OK makes them work again. Calls are still recorded.
    void FailWith(Service service, HRESULT result);

    // Shell: the satellite is the package's base name + "UI.dll" in its folder.
    void SetPackagePath(std::wstring path);
    std::wstring SatellitePath() const;
    // LoadUILibrary then answers S_OK with a null handle and loads nothing.
    void SetUILibraryYieldsNull(bool yieldsNull);

    void SetRegistryRoot(std::wstring root);
    void SetDialogOwner(HWND owner);
    void SetDteLocaleId(LCID locale);

    // What the services were asked.
    int LoadUILibraryCalls() const;
    GUID LastUILibraryPackage() const;
    DWORD LastUILibraryFlags() const;
    const std::vector<ProfferedService>& Proffered() const;
    // Releases every proffered provider, as if each had been revoked.
    void RevokeAll();
    // EnableModeless(FALSE) deepens, TRUE undoes; 0 when balanced.
    int ModelessDepth() const;
    const std::vector<bool>& EnableModelessCalls() const;
    int MungeDialogFontCalls() const;
    const std::vector<HelpTopicRequest>& HelpTopics() const;
    const std::vector<std::wstring>& F1Keywords() const;

    // COM objects of any stand-in IDE still alive in this process.
    static long LiveObjects();

private:
    std::shared_ptr<IdeState> state_;
    platform::ComPtr<IServiceProvider> provider_;
};

// The satellite UI library that belongs to a package DLL:
// "C:\dir\Pkg.dll" -> "C:\dir\PkgUI.dll".
std::wstring SatellitePathFor(const std::wstring& packagePath);

}  // namespace qz::ide

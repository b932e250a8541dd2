#include "ide/stand_in_ide.h"

#include <array>
#include <utility>

#include "ide/ide_services.h"
#include "ide/ide_state.h"
#include "platform/com_object.h"
#include "platform/module.h"

namespace qz::ide {

namespace {

using platform::ComPtr;

// The IDE's service provider: its own services first, then what packages proffered.
class ServiceProvider : public IServiceProvider, private LiveCounted {
public:
    explicit ServiceProvider(std::shared_ptr<IdeState> state) : state_(std::move(state)) {}
    IUnknown* Identity() { return static_cast<IServiceProvider*>(this); }
    void* FindInterface(REFIID iid) {
        return IsEqualIID(iid, IID_IServiceProvider) ? static_cast<IServiceProvider*>(this) : nullptr;
    }

    HRESULT STDMETHODCALLTYPE QueryService(REFGUID sid, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        for (int i = 0; i < kServiceCount; ++i) {
            const auto service = static_cast<Service>(i);
            if (!IsEqualGUID(sid, ServiceId(service))) continue;
            if (state_->Withheld(service)) return kUnknownServiceResult;
            // Made once, so every caller sees the same object, as in the IDE.
            ComPtr<IUnknown>& object = services_[i];
            if (!object) object = CreateServiceObject(service, state_);
            if (!object) return E_OUTOFMEMORY;
            return object->QueryInterface(iid, out);
        }
        for (const ProfferedService& entry : state_->proffered) {
            if (!IsEqualGUID(sid, entry.sid)) continue;
            // Held across the call: the provider may revoke itself meanwhile.
            const ComPtr<IServiceProvider> provider = entry.provider;
            return provider->QueryService(sid, iid, out);
        }
        return kUnknownServiceResult;
    }

private:
    std::shared_ptr<IdeState> state_;
    std::array<ComPtr<IUnknown>, kServiceCount> services_;
};

std::wstring DefaultPackagePath() {
    std::wstring path = platform::ModuleFileName(nullptr);
    path.resize(path.find_last_of(L"\\/") + 1);  // npos + 1 == 0: no folder
    return path + kPackageFileName;
}

int Index(Service service) { return static_cast<int>(service); }

}  // namespace

std::wstring SatellitePathFor(const std::wstring& packagePath) {
    const size_t separator = packagePath.find_last_of(L"\\/");
    const size_t nameStart = separator == std::wstring::npos ? 0 : separator + 1;
    const size_t dot = packagePath.rfind(L'.');
    const size_t baseEnd = dot == std::wstring::npos || dot < nameStart ? packagePath.size() : dot;
    return packagePath.substr(0, baseEnd) + L"UI.dll";
}

StandInIde::StandInIde() : state_(std::make_shared<IdeState>()) {
    state_->packagePath = DefaultPackagePath();
    if (auto* provider = platform::ComObject<ServiceProvider>::Create(nullptr, state_)) {
        provider_ = ComPtr<IServiceProvider>(provider);
    }
}

StandInIde::~StandInIde() { RevokeAll(); }

void StandInIde::Withhold(Service service, bool withheld) { state_->withheld[Index(service)] = withheld; }
void StandInIde::FailWith(Service service, HRESULT result) { state_->failure[Index(service)] = result; }

void StandInIde::SetPackagePath(std::wstring path) { state_->packagePath = std::move(path); }
std::wstring StandInIde::SatellitePath() const { return SatellitePathFor(state_->packagePath); }
void StandInIde::SetUILibraryYieldsNull(bool yieldsNull) { state_->uiLibraryYieldsNull = yieldsNull; }

void StandInIde::SetRegistryRoot(std::wstring root) { state_->registryRoot = std::move(root); }
void StandInIde::SetDialogOwner(HWND owner) { state_->dialogOwner = owner; }
void StandInIde::SetDteLocaleId(LCID locale) { state_->dteLocaleId = locale; }

int StandInIde::LoadUILibraryCalls() const { return state_->loadUILibraryCalls; }
GUID StandInIde::LastUILibraryPackage() const { return state_->lastUILibraryPackage; }
DWORD StandInIde::LastUILibraryFlags() const { return state_->lastUILibraryFlags; }
const std::vector<ProfferedService>& StandInIde::Proffered() const { return state_->proffered; }

void StandInIde::RevokeAll() {
    // Moved out first: releasing a package may call back into this IDE.
    const std::vector<ProfferedService> released = std::move(state_->proffered);
    state_->proffered.clear();
}

int StandInIde::ModelessDepth() const { return state_->modelessDepth; }
const std::vector<bool>& StandInIde::EnableModelessCalls() const { return state_->enableModelessCalls; }
int StandInIde::MungeDialogFontCalls() const { return state_->mungeDialogFontCalls; }
const std::vector<HelpTopicRequest>& StandInIde::HelpTopics() const { return state_->helpTopics; }
const std::vector<std::wstring>& StandInIde::F1Keywords() const { return state_->f1Keywords; }

long StandInIde::LiveObjects() { return LiveCounted::Count(); }

}  // namespace qz::ide

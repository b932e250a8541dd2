#include "model/option_values.h"

namespace qz::model {

HRESULT GetOption(IQZGeneralPPG* model, int ordinal, bool defaultWanted, platform::Variant* value) {
    const auto pid = static_cast<PropertyID>(ordinal);
    return defaultWanted ? model->GetPropertyDef(pid, value->Put()) : model->GetProperty(pid, value->Put());
}

HRESULT PutOption(IQZGeneralPPG* model, int ordinal, int number) {
    return model->PutProperty(static_cast<PropertyID>(ordinal), platform::Variant::Int(number).Get());
}

HRESULT PutOption(IQZGeneralPPG* model, int ordinal, const std::wstring& text) {
    const platform::Variant value = platform::Variant::Text(text.data(), static_cast<UINT>(text.size()));
    if (!value.HoldsText()) return E_OUTOFMEMORY;
    return model->PutProperty(static_cast<PropertyID>(ordinal), value.Get());
}

}  // namespace qz::model

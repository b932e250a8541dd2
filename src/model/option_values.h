// The options of any options model by ordinal, as typed values: how the
// service, the pages and the host read and write them through IQZGeneralPPG.
#pragma once

#include <windows.h>

#include <string>

#include "QZToolOpt.h"
#include "platform/com_ptr.h"

namespace qz::model {

// GetProperty, or GetPropertyDef when the default is wanted: the model's
// answer, `value` holding what it gave.
HRESULT GetOption(IQZGeneralPPG* model, int ordinal, bool defaultWanted, platform::Variant* value);

// PutProperty with a VT_I4, or with a VT_BSTR copy of `text` (E_OUTOFMEMORY
// when the copy cannot be made).
HRESULT PutOption(IQZGeneralPPG* model, int ordinal, int number);
HRESULT PutOption(IQZGeneralPPG* model, int ordinal, const std::wstring& text);

}  // namespace qz::model

// The type information of IQZGeneralPPG, loaded once for the module and shared
// by every options model: from the registered type library, else from the
// module's own TYPELIB 1 resource.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace qz::model {

// The shared type information; the caller gets its own reference.
HRESULT ModelTypeInfo(ITypeInfo** out);

// GetIDsOfNames over the shared type information: a single name is first
// looked up, case-sensitively, in the cache of the interface's member names.
HRESULT ModelIdsOfNames(LPOLESTR* names, UINT count, DISPID* ids);

// Lets the shared type information go (the module is unloading).
void ReleaseModelTypeInfo();

}  // namespace qz::model

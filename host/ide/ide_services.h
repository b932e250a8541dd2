// The stand-in IDE's service objects, one class per Service.
#pragma once

#include <windows.h>

#include <memory>

#include "ide/ide_state.h"
#include "ide/stand_in_ide.h"
#include "platform/com_ptr.h"

namespace qz::ide {

// The service identifier under which QueryService finds the service.
const GUID& ServiceId(Service service);

// A new object of the service with one reference; null when out of memory.
platform::ComPtr<IUnknown> CreateServiceObject(Service service, std::shared_ptr<IdeState> state);

}  // namespace qz::ide

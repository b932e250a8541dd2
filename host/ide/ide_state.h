// What the stand-in IDE's service objects share: configuration and records.
// The objects hold it by shared_ptr, since a package may keep a service past
// the life of the StandInIde that made it.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <string>
#include <vector>

#include "ide/stand_in_ide.h"

namespace qz::ide {

struct IdeState {
    std::array<bool, kServiceCount> withheld{};
    std::array<HRESULT, kServiceCount> failure{};

    std::wstring packagePath;
    bool uiLibraryYieldsNull = false;
    std::wstring registryRoot = kDefaultRegistryRoot;
    HWND dialogOwner = nullptr;
    LCID uiLocale = kDefaultLocale;
    LCID dteLocaleId = kDefaultLocale;

    int loadUILibraryCalls = 0;
    GUID lastUILibraryPackage = GUID_NULL;
    DWORD lastUILibraryFlags = 0;
    std::vector<ProfferedService> proffered;
    DWORD lastCookie = 0;
    int modelessDepth = 0;
    std::vector<bool> enableModelessCalls;
    int mungeDialogFontCalls = 0;
    std::vector<HelpTopicRequest> helpTopics;
    std::vector<std::wstring> f1Keywords;

    HRESULT Failure(Service service) const { return failure[static_cast<int>(service)]; }
    bool Withheld(Service service) const { return withheld[static_cast<int>(service)]; }
};

// Counts the stand-in's live COM objects; every one of its classes derives from it.
class LiveCounted {
protected:
    LiveCounted() { ++count_; }
    LiveCounted(const LiveCounted&) = delete;
    LiveCounted& operator=(const LiveCounted&) = delete;
    ~LiveCounted() { --count_; }

public:
    static long Count() { return count_; }

private:
    static inline std::atomic<long> count_{0};
};

}  // namespace qz::ide

#include "compilers/vc_platforms.h"

#include <windows.h>

#include "compilers/compiler_keys.h"
#include "platform/registry.h"
#include "module/registry_layout.h"

namespace qz::compilers {
namespace {

// Characters per name, the terminating zero included: longer names end the list.
constexpr DWORD kNameRoom = 32;

}  // namespace

std::vector<std::wstring> ReadVcPlatformList() {
    platform::RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, module::kVcPlatformsKey.data(), KEY_READ) != ERROR_SUCCESS)
        return {L"Win32", L"x64"};
    std::vector<std::wstring> platforms;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kNameRoom];
        DWORD length = kNameRoom;
        if (platform::Registry().EnumKey(key.Get(), index, name, &length) != ERROR_SUCCESS) break;
        platforms.push_back(compilers::NormalizePlatformName(std::wstring(name, length)));
    }
    return platforms;
}

}  // namespace qz::compilers

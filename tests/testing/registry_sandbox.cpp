#include "testing/registry_sandbox.h"

#include <stdexcept>
#include <string>

namespace qz::test {
namespace {

const wchar_t kSandboxes[] = L"Software\\QZToolOptTests";
bool g_active = false;

}  // namespace

RegistrySandbox::RegistrySandbox() : path_(std::wstring(kSandboxes) + L"\\" + std::to_wstring(GetCurrentProcessId())) {
    // A second sandbox would be made inside the first one and undo its redirection.
    if (g_active) throw std::logic_error("a registry sandbox is already active");
    // A crashed process with the same id may have left its sandbox behind.
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    const auto make = [this](const wchar_t* hive, HKEY* key) {
        return RegCreateKeyExW(HKEY_CURRENT_USER, (path_ + L"\\" + hive).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_ALL_ACCESS, nullptr, key, nullptr);
    };
    LONG result = make(L"HKCU", &currentUser_);
    if (result == ERROR_SUCCESS) result = make(L"HKLM", &localMachine_);
    if (result == ERROR_SUCCESS) result = RegOverridePredefKey(HKEY_LOCAL_MACHINE, localMachine_);
    if (result == ERROR_SUCCESS) result = RegOverridePredefKey(HKEY_CURRENT_USER, currentUser_);
    if (result != ERROR_SUCCESS) {
        Remove();
        throw std::runtime_error("cannot set up the registry sandbox: error " + std::to_string(result));
    }
    g_active = true;
}

RegistrySandbox::~RegistrySandbox() {
    Remove();
    g_active = false;
}

void RegistrySandbox::Remove() {
    // Restored first: while redirected, the delete below would miss the sandbox.
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    if (currentUser_) RegCloseKey(currentUser_);
    if (localMachine_) RegCloseKey(localMachine_);
    currentUser_ = localMachine_ = nullptr;
    // Deleting a subkey's tree deletes the subkey too.
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    // Fails, as it should, while other test processes still have their sandboxes.
    RegDeleteKeyW(HKEY_CURRENT_USER, kSandboxes);
}

}  // namespace qz::test

// Isolates a test process from the registry of the Wine prefix (or machine):
// while a sandbox lives, HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE are fresh,
// empty keys below HKEY_CURRENT_USER\Software\QZToolOptTests\<process id>, so
// tests see no leftovers and parallel test processes never meet.
// HKEY_CLASSES_ROOT is not redirected.
#pragma once

#include <windows.h>

#include <string>

namespace qz::test {

class RegistrySandbox {
public:
    // Throws std::runtime_error when the sandbox cannot be made, rather than
    // letting a test write to the real registry; one sandbox at a time.
    RegistrySandbox();
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

private:
    void Remove();

    std::wstring path_;
    HKEY currentUser_ = nullptr;
    HKEY localMachine_ = nullptr;
};

}  // namespace qz::test

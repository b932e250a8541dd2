// The host plays the person in front of the IDE: a message box that the
// package shows is printed and answered with its default button at once, so
// that a console run (or one without any display) never waits.
#pragma once

#include <windows.h>

namespace qz::host {

class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    static int Answered();

private:
    HHOOK hook_;
};

}  // namespace qz::host

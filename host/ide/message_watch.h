// The person in front of the IDE, for message boxes: each one that this thread
// shows is reported and answered with its default button at once, so that a
// run without a person (or without any display) never waits.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace qz::ide {

class MessageBoxWatcher {
public:
    using Seen = std::function<void(const std::wstring& caption, const std::wstring& text)>;

    explicit MessageBoxWatcher(Seen seen);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

private:
    Seen seen_;
    HHOOK hook_;
};

}  // namespace qz::ide

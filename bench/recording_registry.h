// A registry decorator that counts the calls the logic makes and can keep them,
// and the replay of kept calls straight through a registry (the Win32 one, or
// the in-memory one): the raw cost of exactly the registry work an operation did.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace qz::bench {

// One call as the logic made it, with what is needed to make it again.
struct RegCall {
    platform::RegOp op;
    HKEY key;              // the parent for Open, Create and DeleteTree
    std::wstring name;     // subkey or value name
    bool hasName = false;  // false when the logic passed a null pointer
    REGSAM sam = 0;
    DWORD index = 0;         // EnumKey, EnumValue
    DWORD room = 0;          // EnumKey, EnumValue: characters; QueryValue: bytes
    bool hasData = false;    // QueryValue: a buffer was passed, not only the size asked
    DWORD type = 0;          // SetValue
    std::vector<BYTE> data;  // SetValue
    HKEY result = nullptr;   // Open and Create: the key handed out
};

class RecordingRegistry final : public platform::IRegistry {
public:
    explicit RecordingRegistry(platform::IRegistry& inner) : inner_(inner) {}

    // Counting always runs; recording keeps the calls from now on.
    void StartRecording() {
        calls_.clear();
        recording_ = true;
    }
    std::vector<RegCall> StopRecording() {
        recording_ = false;
        return std::move(calls_);
    }
    std::size_t Count() const { return count_; }

    LONG OpenKey(HKEY parent, const wchar_t* subkey, REGSAM sam, HKEY* out) override;
    LONG CreateKey(HKEY parent, const wchar_t* subkey, REGSAM sam, HKEY* out, bool* created) override;
    LONG EnumKey(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars) override;
    LONG EnumValue(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars) override;
    LONG QueryValue(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* bytes) override;
    LONG SetValue(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD bytes) override;
    LONG DeleteValue(HKEY key, const wchar_t* name) override;
    LONG DeleteTree(HKEY parent, const wchar_t* subkey) override;
    LONG CloseKey(HKEY key) override;

private:
    RegCall* Note(platform::RegOp op, HKEY key, const wchar_t* name);

    platform::IRegistry& inner_;
    std::vector<RegCall> calls_;
    bool recording_ = false;
    std::size_t count_ = 0;
};

// Makes recorded calls again straight through `registry` (for the Win32 one,
// each a call of its one-line pass-through to Reg*). Handles that the recorded
// calls opened are mapped, ahead of time, onto slots that the replay fills, so
// that replaying costs the registry calls and next to nothing else.
class RawReplay {
public:
    RawReplay(std::vector<RegCall> calls, platform::IRegistry& registry);
    void Run();
    bool Empty() const { return steps_.empty(); }

private:
    struct Step {
        RegCall call;
        int keySlot;     // -1: call.key itself (a predefined key)
        int resultSlot;  // Open and Create: where the replay keeps the key it gets
    };
    HKEY KeyOf(const Step& step) const { return step.keySlot < 0 ? step.call.key : slots_[step.keySlot]; }

    platform::IRegistry& registry_;
    std::vector<Step> steps_;
    std::vector<HKEY> slots_;
    std::vector<BYTE> buffer_;
};

}  // namespace qz::bench

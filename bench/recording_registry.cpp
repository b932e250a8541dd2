#include "recording_registry.h"

#include <algorithm>
#include <utility>

namespace qz::bench {

using platform::RegOp;

RegCall* RecordingRegistry::Note(RegOp op, HKEY key, const wchar_t* name) {
    ++count_;
    if (!recording_) return nullptr;
    RegCall call;
    call.op = op;
    call.key = key;
    call.hasName = name != nullptr;
    if (name) call.name = name;
    calls_.push_back(std::move(call));
    return &calls_.back();
}

LONG RecordingRegistry::OpenKey(HKEY parent, const wchar_t* subkey, REGSAM sam, HKEY* out) {
    RegCall* call = Note(RegOp::Open, parent, subkey);
    const LONG result = inner_.OpenKey(parent, subkey, sam, out);
    if (call) {
        call->sam = sam;
        call->result = result == ERROR_SUCCESS ? *out : nullptr;
    }
    return result;
}

LONG RecordingRegistry::CreateKey(HKEY parent, const wchar_t* subkey, REGSAM sam, HKEY* out, bool* created) {
    RegCall* call = Note(RegOp::Create, parent, subkey);
    const LONG result = inner_.CreateKey(parent, subkey, sam, out, created);
    if (call) {
        call->sam = sam;
        call->result = result == ERROR_SUCCESS ? *out : nullptr;
    }
    return result;
}

LONG RecordingRegistry::EnumKey(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars) {
    if (RegCall* call = Note(RegOp::EnumKey, key, nullptr)) {
        call->room = *nameChars;
        call->index = index;
    }
    return inner_.EnumKey(key, index, name, nameChars);
}

LONG RecordingRegistry::EnumValue(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars) {
    if (RegCall* call = Note(RegOp::EnumValue, key, nullptr)) {
        call->room = *nameChars;
        call->index = index;
    }
    return inner_.EnumValue(key, index, name, nameChars);
}

LONG RecordingRegistry::QueryValue(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* bytes) {
    if (RegCall* call = Note(RegOp::QueryValue, key, name)) {
        call->room = bytes ? *bytes : 0;
        call->hasData = data != nullptr;
    }
    return inner_.QueryValue(key, name, type, data, bytes);
}

LONG RecordingRegistry::SetValue(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD bytes) {
    if (RegCall* call = Note(RegOp::SetValue, key, name)) {
        call->type = type;
        call->data.assign(data, data + bytes);
    }
    return inner_.SetValue(key, name, type, data, bytes);
}

LONG RecordingRegistry::DeleteValue(HKEY key, const wchar_t* name) {
    Note(RegOp::DeleteValue, key, name);
    return inner_.DeleteValue(key, name);
}

LONG RecordingRegistry::DeleteTree(HKEY parent, const wchar_t* subkey) {
    Note(RegOp::DeleteTree, parent, subkey);
    return inner_.DeleteTree(parent, subkey);
}

LONG RecordingRegistry::CloseKey(HKEY key) {
    Note(RegOp::Close, key, nullptr);
    return inner_.CloseKey(key);
}

RawReplay::RawReplay(std::vector<RegCall> calls, platform::IRegistry& registry) : registry_(registry) {
    // Recorded handle -> slot, for the handles open at each point of the record.
    std::vector<std::pair<HKEY, int>> open;
    DWORD room = 0;
    for (RegCall& call : calls) {
        Step step{std::move(call), -1, -1};
        const auto found = std::find_if(open.rbegin(), open.rend(), [&](const std::pair<HKEY, int>& entry) {
            return entry.first == step.call.key;
        });
        if (found != open.rend()) step.keySlot = found->second;
        if (step.call.op == RegOp::Close && found != open.rend()) open.erase(std::next(found).base());
        if ((step.call.op == RegOp::Open || step.call.op == RegOp::Create) && step.call.result) {
            step.resultSlot = static_cast<int>(slots_.size());
            slots_.push_back(nullptr);
            open.emplace_back(step.call.result, step.resultSlot);
        }
        const bool names = step.call.op == RegOp::EnumKey || step.call.op == RegOp::EnumValue;
        room = std::max(room, names ? step.call.room * DWORD{sizeof(wchar_t)} : step.call.room);
        steps_.push_back(std::move(step));
    }
    buffer_.resize(std::max<DWORD>(room, 1));
}

void RawReplay::Run() {
    for (Step& step : steps_) {
        const RegCall& call = step.call;
        const wchar_t* name = call.hasName ? call.name.c_str() : nullptr;
        HKEY* out = step.resultSlot >= 0 ? &slots_[step.resultSlot] : nullptr;
        HKEY ignored = nullptr;
        switch (call.op) {
        case RegOp::Open:
            registry_.OpenKey(KeyOf(step), name, call.sam, out ? out : &ignored);
            break;
        case RegOp::Create:
            registry_.CreateKey(KeyOf(step), name, call.sam, out ? out : &ignored, nullptr);
            break;
        case RegOp::EnumKey: {
            DWORD chars = call.room;
            registry_.EnumKey(KeyOf(step), call.index, reinterpret_cast<wchar_t*>(buffer_.data()), &chars);
            break;
        }
        case RegOp::EnumValue: {
            DWORD chars = call.room;
            RegEnumValueW(KeyOf(step), call.index, reinterpret_cast<wchar_t*>(buffer_.data()), &chars, nullptr, nullptr,
                          nullptr, nullptr);
            break;
        }
        case RegOp::QueryValue: {
            DWORD type = 0, bytes = call.room;
            registry_.QueryValue(KeyOf(step), name, &type, call.hasData ? buffer_.data() : nullptr, &bytes);
            break;
        }
        case RegOp::SetValue:
            registry_.SetValue(KeyOf(step), name, call.type, call.data.data(), static_cast<DWORD>(call.data.size()));
            break;
        case RegOp::DeleteValue:
            registry_.DeleteValue(KeyOf(step), name);
            break;
        case RegOp::DeleteTree:
            registry_.DeleteTree(KeyOf(step), name);
            break;
        case RegOp::Close:
            registry_.CloseKey(KeyOf(step));
            break;
        }
        // A key that failed to open is not closed by the logic either.
        if (ignored) registry_.CloseKey(ignored);
    }
}

}  // namespace qz::bench

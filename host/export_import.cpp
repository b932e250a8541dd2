// The export and import commands: the user's settings as a registry export file.
#include <cstdio>

#include "commands.h"
#include "platform/registry.h"
#include "reg_file.h"

namespace qz::host {


namespace {

const std::wstring kHive = L"HKEY_CURRENT_USER\\";

// The key at `path` below HKEY_CURRENT_USER, then its subkeys, as the registry
// editor lists them.
LONG ReadTree(const std::wstring& path, std::vector<RegFileKey>* keys) {
    platform::RegKey key;
    LONG result = key.Open(HKEY_CURRENT_USER, path.c_str(), KEY_READ);
    if (result != ERROR_SUCCESS) return result;
    RegFileKey entry{kHive + path, false, {}};
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];  // the longest value name the registry allows, and its zero
        DWORD chars = 16384;
        // Value enumeration is not part of the registry layer.
        result = RegEnumValueW(key.Get(), i, name, &chars, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        RegFileValue value{std::wstring(name, chars), REG_NONE, {}, false};
        if (result == ERROR_SUCCESS) result = key.ReadValue(name, &value.type, &value.data);
        if (result != ERROR_SUCCESS) return result;
        entry.values.push_back(std::move(value));
    }
    keys->push_back(std::move(entry));
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD room = 256;
        result = platform::Registry().EnumKey(key.Get(), i, name, &room);
        if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (result == ERROR_SUCCESS) result = ReadTree(path + L"\\" + name, keys);
        if (result != ERROR_SUCCESS) return result;
    }
}

LONG WriteKey(const RegFileKey& entry) {
    const std::wstring path = entry.path.substr(kHive.size());
    if (entry.remove) {
        const LONG result = platform::Registry().DeleteTree(HKEY_CURRENT_USER, path.c_str());
        return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
    }
    platform::RegKey key;
    LONG result = key.Create(HKEY_CURRENT_USER, path.c_str(), KEY_READ | KEY_WRITE);
    for (const RegFileValue& value : entry.values) {
        if (result != ERROR_SUCCESS) break;
        if (value.remove) {
            result = platform::Registry().DeleteValue(key.Get(), value.name.c_str());
            if (result == ERROR_FILE_NOT_FOUND) result = ERROR_SUCCESS;
        } else {
            // SetValue for every type keeps the exact bytes the file gave.
            result = platform::Registry().SetValue(key.Get(), value.name.c_str(), value.type, value.data.data(),
                                                   static_cast<DWORD>(value.data.size()));
        }
    }
    return result;
}

}  // namespace

bool ExportSettings(const std::wstring& file, Report& report) {
    std::vector<RegFileKey> keys;
    const LONG result = ReadTree(kUserSettingsKey, &keys);
    if (!report.Step(result == ERROR_SUCCESS, L"read HKEY_CURRENT_USER\\" + std::wstring(kUserSettingsKey) +
                                                  L" (error " + std::to_wstring(result) + L")",
                     false)) {
        return false;
    }
    const std::vector<BYTE> bytes = EncodeRegFile(WriteRegFile(keys));
    FILE* out = _wfopen(file.c_str(), L"wb");
    const bool written = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    const bool closed = out && std::fclose(out) == 0;
    size_t values = 0;
    for (const RegFileKey& key : keys) values += key.values.size();
    return report.Step(written && closed, L"exported " + std::to_wstring(keys.size()) + L" key(s), " +
                                              std::to_wstring(values) + L" value(s) to " + file);
}

bool ImportSettings(const std::wstring& file, Report& report) {
    FILE* in = _wfopen(file.c_str(), L"rb");
    if (!report.Step(in != nullptr, L"could not open " + file, false)) return false;
    std::vector<BYTE> bytes;
    BYTE buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(in);

    std::wstring text, error;
    std::vector<RegFileKey> keys;
    if (!DecodeRegFile(bytes, &text, &error) || !ParseRegFile(text, kHive + kUserSettingsKey, &keys, &error)) {
        return report.Step(false, file + L": " + error + L"; nothing was imported");
    }
    size_t values = 0;
    for (const RegFileKey& key : keys) {
        const LONG result = WriteKey(key);
        if (!report.Step(result == ERROR_SUCCESS, L"writing [" + key.path + L"] failed (error " +
                                                      std::to_wstring(result) + L")",
                         false)) {
            return false;
        }
        values += key.values.size();
    }
    return report.Step(true, L"imported " + std::to_wstring(keys.size()) + L" key(s), " + std::to_wstring(values) +
                                 L" value(s) from " + file);
}

}  // namespace qz::host

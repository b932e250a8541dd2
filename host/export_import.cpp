// The export and import commands: the user's settings as a registry export file.
#include <cstdio>

#include "commands.h"
#include "platform/registry.h"
#include "reg_file.h"
#include "registry_tree.h"

namespace qz::host {
namespace {

const std::wstring kHive = L"HKEY_CURRENT_USER\\";

std::wstring SettingsRoot() { return kHive + kUserSettingsKey; }

std::wstring ErrorText(LONG result) { return L"error " + std::to_wstring(result); }

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
            result = key.WriteValue(value.name.c_str(), value.type, value.data);
        }
    }
    return result;
}

// The settings as they were before an import, to be put back byte for byte
// when any write of the import fails.
class SettingsSnapshot {
public:
    bool Take(std::wstring* error) {
        platform::RegKey root;
        const LONG result = root.Open(HKEY_CURRENT_USER, kUserSettingsKey, KEY_READ);
        if (result == ERROR_FILE_NOT_FOUND) {
            // Putting back means removing what the import made, from the first key that was missing.
            existed_ = false;
            const std::wstring path = kUserSettingsKey;
            for (size_t end = 0; end != std::wstring::npos && firstMissing_.empty();) {
                end = path.find(L'\\', end + 1);
                platform::RegKey key;
                if (key.Open(HKEY_CURRENT_USER, path.substr(0, end).c_str(), KEY_READ) == ERROR_FILE_NOT_FOUND) {
                    firstMissing_ = path.substr(0, end);
                }
            }
            return true;
        }
        if (result != ERROR_SUCCESS) {
            *error = L"opening " + SettingsRoot() + L" failed (" + ErrorText(result) + L")";
            return false;
        }
        return ReadTree(HKEY_CURRENT_USER, kUserSettingsKey, &keys_, error);
    }

    LONG Restore() const {
        if (!existed_) {
            if (firstMissing_.empty()) return ERROR_SUCCESS;
            const LONG result = platform::Registry().DeleteTree(HKEY_CURRENT_USER, firstMissing_.c_str());
            return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
        }
        // Emptied rather than deleted, so that the settings key keeps the letter case of its name.
        platform::RegKey root;
        LONG result = root.Create(HKEY_CURRENT_USER, kUserSettingsKey, KEY_ALL_ACCESS);
        if (result == ERROR_SUCCESS) result = platform::Registry().DeleteTree(root.Get(), nullptr);
        for (const RegFileKey& key : keys_) {
            if (result == ERROR_SUCCESS) result = WriteKey(key);
        }
        return result;
    }

private:
    bool existed_ = true;
    std::wstring firstMissing_;
    std::vector<RegFileKey> keys_;
};

}  // namespace

bool ExportSettings(const std::wstring& file, Report& report) {
    std::vector<RegFileKey> keys;
    std::wstring error;
    bool ok = ReadTree(HKEY_CURRENT_USER, kUserSettingsKey, &keys, &error);
    // What the import would refuse is not written either.
    for (size_t k = 0; ok && k < keys.size(); ++k) {
        error = KeyPathProblem(keys[k].path, SettingsRoot());
        for (size_t v = 0; error.empty() && v < keys[k].values.size(); ++v) {
            error = ValueNameProblem(keys[k].values[v].name);
            if (!error.empty()) error += L" in [" + keys[k].path + L"]";
        }
        ok = error.empty();
    }
    if (!ok) return report.Step(false, error + L"; nothing was exported");
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
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
        bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(in);

    std::wstring text, error;
    std::vector<RegFileKey> keys;
    if (!DecodeRegFile(bytes, &text, &error) || !ParseRegFile(text, SettingsRoot(), &keys, &error)) {
        return report.Step(false, file + L": " + error + L"; nothing was imported");
    }
    SettingsSnapshot before;
    if (!before.Take(&error)) {
        return report.Step(
            false, L"the settings as they are could not be kept to fall back on: " + error + L"; nothing was imported");
    }
    size_t values = 0;
    for (const RegFileKey& key : keys) {
        const LONG result = WriteKey(key);
        if (result != ERROR_SUCCESS) {
            const LONG restored = before.Restore();
            return report.Step(false,
                               L"writing [" + key.path + L"] failed (" + ErrorText(result) + L"); " +
                                   (restored == ERROR_SUCCESS
                                        ? std::wstring(L"the settings were put back as they were")
                                        : L"putting the settings back failed too (" + ErrorText(restored) + L")"));
        }
        values += key.values.size();
    }
    return report.Step(true, L"imported " + std::to_wstring(keys.size()) + L" key(s), " + std::to_wstring(values) +
                                 L" value(s) from " + file);
}

}  // namespace qz::host

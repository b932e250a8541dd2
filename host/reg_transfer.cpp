#include "reg_transfer.h"

#include "platform/registry.h"
#include "reg_file.h"
#include "registry_tree.h"

namespace qz::host {
namespace {

std::wstring ErrorText(LONG result) { return L"error " + std::to_wstring(result); }

LONG Ignoring(LONG result, LONG ignored) { return result == ignored ? ERROR_SUCCESS : result; }

// Writes one key of a file: creates it and sets or removes its values, or
// deletes it with everything below it.
LONG WriteKey(HKEY root, const RegFileKey& entry) {
    const std::wstring path = entry.path.substr(HivePrefix(root).size());
    if (entry.remove) return Ignoring(platform::Registry().DeleteTree(root, path.c_str()), ERROR_FILE_NOT_FOUND);
    platform::RegKey key;
    LONG result = key.Create(root, path.c_str(), KEY_READ | KEY_WRITE);
    for (const RegFileValue& value : entry.values) {
        if (result != ERROR_SUCCESS) break;
        result = value.remove
                     ? Ignoring(platform::Registry().DeleteValue(key.Get(), value.name.c_str()), ERROR_FILE_NOT_FOUND)
                     : key.WriteValue(value.name.c_str(), value.type, value.data);
    }
    return result;
}

// The tree as it was before an import, to be put back byte for byte when any
// write of the import fails.
class Snapshot {
public:
    Snapshot(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {}

    bool Take(std::wstring* error) {
        platform::RegKey key;
        const LONG result = key.Open(root_, path_.c_str(), KEY_READ);
        if (result == ERROR_FILE_NOT_FOUND) {
            // Putting back means removing what the import made, from the first key that was missing.
            existed_ = false;
            for (size_t end = 0; end != std::wstring::npos && firstMissing_.empty();) {
                end = path_.find(L'\\', end + 1);
                platform::RegKey part;
                if (part.Open(root_, path_.substr(0, end).c_str(), KEY_READ) == ERROR_FILE_NOT_FOUND) {
                    firstMissing_ = path_.substr(0, end);
                }
            }
            return true;
        }
        if (result != ERROR_SUCCESS) {
            *error = L"opening " + HivePrefix(root_) + path_ + L" failed (" + ErrorText(result) + L")";
            return false;
        }
        return ReadTree(root_, path_, &keys_, error);
    }

    LONG Restore() const {
        if (!existed_) {
            if (firstMissing_.empty()) return ERROR_SUCCESS;
            return Ignoring(platform::Registry().DeleteTree(root_, firstMissing_.c_str()), ERROR_FILE_NOT_FOUND);
        }
        // Emptied rather than deleted, so that the key keeps the letter case of its name.
        platform::RegKey key;
        LONG result = key.Create(root_, path_.c_str(), KEY_ALL_ACCESS);
        if (result == ERROR_SUCCESS) result = platform::Registry().DeleteTree(key.Get(), nullptr);
        for (const RegFileKey& entry : keys_) {
            if (result == ERROR_SUCCESS) result = WriteKey(root_, entry);
        }
        return result;
    }

private:
    HKEY root_;
    std::wstring path_;
    bool existed_ = true;
    std::wstring firstMissing_;
    std::vector<RegFileKey> keys_;
};

void Count(const std::vector<RegFileKey>& keys, RegTransfer* done) {
    done->keys = keys.size();
    for (const RegFileKey& key : keys) done->values += key.values.size();
}

}  // namespace

RegTransfer ExportKey(HKEY root, const std::wstring& path, std::vector<BYTE>* file) {
    RegTransfer done;
    std::vector<RegFileKey> keys;
    if (!ReadTree(root, path, &keys, &done.error)) return done;
    // What the import would refuse is not written either.
    const std::wstring allowed = HivePrefix(root) + path;
    for (const RegFileKey& key : keys) {
        done.error = KeyPathProblem(key.path, allowed);
        for (size_t v = 0; done.error.empty() && v < key.values.size(); ++v) {
            done.error = ValueNameProblem(key.values[v].name);
            if (!done.error.empty()) done.error += L" in [" + key.path + L"]";
        }
        if (!done.error.empty()) return done;
    }
    *file = EncodeRegFile(WriteRegFile(keys));
    Count(keys, &done);
    done.ok = true;
    return done;
}

RegTransfer ImportKey(HKEY root, const std::wstring& path, const std::vector<BYTE>& file) {
    RegTransfer done;
    std::wstring text;
    std::vector<RegFileKey> keys;
    if (!DecodeRegFile(file, &text, &done.error) || !ParseRegFile(text, HivePrefix(root) + path, &keys, &done.error)) {
        done.fileRefused = true;
        done.error += L"; nothing was imported";
        return done;
    }
    Snapshot before(root, path);
    std::wstring error;
    if (!before.Take(&error)) {
        done.error =
            L"the settings as they are could not be kept to fall back on: " + error + L"; nothing was imported";
        return done;
    }
    for (const RegFileKey& key : keys) {
        const LONG result = WriteKey(root, key);
        if (result == ERROR_SUCCESS) continue;
        const LONG restored = before.Restore();
        done.error =
            L"writing [" + key.path + L"] failed (" + ErrorText(result) + L"); " +
            (restored == ERROR_SUCCESS ? std::wstring(L"the settings were put back as they were")
                                       : L"putting the settings back failed too (" + ErrorText(restored) + L")");
        return done;
    }
    Count(keys, &done);
    done.ok = true;
    return done;
}

}  // namespace qz::host

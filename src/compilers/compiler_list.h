// The options model's compilers: the platform map (platform entries in
// insertion order, each owning its compiler entries) and the handle list
// (every compiler entry ever added; handle = 1024 + position).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/version.h"

namespace qz::compilers {

inline constexpr int kFirstHandle = 1024;
inline constexpr int kNoCompiler = -1;

struct CPlatformEntry;

struct CCmplrEntry {
    // From a packed version ("111.065") and a compiler key; the version is
    // 0.0.0 when the packed text yields none.
    CCmplrEntry(const std::wstring& packedVersion, const std::wstring& key);

    std::wstring displayString;
    std::wstring suiteName;
    std::wstring identifier;  // packed version "|" compiler key
    std::wstring compilerKey;
    int handle = kNoCompiler;
    core::CmplrVersion version;
    std::wstring registryKey;  // below HKEY_LOCAL_MACHINE; empty for the empty compiler
    std::wstring settingsKey;  // below HKEY_CURRENT_USER; empty for the empty compiler
    // The Compilers page's uncommitted copies.
    std::wstring pageBinPaths;
    std::wstring pageLibPaths;
    std::wstring pageIncludePaths;
    std::wstring pageDefaultOptions;
    bool empty = false;
    CPlatformEntry* platform = nullptr;
};

struct CPlatformEntry {
    std::wstring name;
    bool supported = false;
    std::vector<std::unique_ptr<CCmplrEntry>> compilers;  // insertion order
    // The same entries by identifier, so that building a long list stays linear.
    std::unordered_map<std::wstring, CCmplrEntry*> byIdentifier;

    CCmplrEntry* Find(const std::wstring& identifier) const;
};

class CompilerList {
public:
    bool Empty() const { return platforms_.empty(); }
    const std::vector<std::unique_ptr<CPlatformEntry>>& Platforms() const { return platforms_; }

    // Fills the map from the installed compilers that this host is offered,
    // highest version first; `settingsPath` is the options settings key.
    void Build(const std::wstring& settingsPath);
    // A platform entry holding only "No Compiler Installed"; answers its handle.
    int AddEmptyCmplr(const std::wstring& platform, bool supported);

    CCmplrEntry* FindCmplr(int handle) const;
    // Exact, case-sensitive, as platform names are kept.
    CPlatformEntry* FindPlatform(const std::wstring& name) const;

private:
    CPlatformEntry* AddPlatform(const std::wstring& name, bool supported);
    int AddCmplr(CPlatformEntry* platform, std::unique_ptr<CCmplrEntry> entry);

    std::vector<std::unique_ptr<CPlatformEntry>> platforms_;
    std::vector<CCmplrEntry*> handles_;
};

// The version string shown to users: 11.1.065, or 12.0 when the revision is 0.
std::wstring VersionText(const core::CmplrVersion& version);

}  // namespace qz::compilers

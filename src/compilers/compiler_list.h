// The options model's compilers: the platform map (platform entries in
// insertion order, each owning its compiler entries) and the handle list
// (every compiler entry ever added; handle = 1024 + position).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "compilers/compiler_keys.h"
#include "compilers/compiler_table.h"
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

// Why a record of the discovery table has an entry in the list, or has none.
enum class ListingReason { Listed, NotOffered, KeyUnreadable, Duplicate };

struct RecordListing {
    CCompilerRecord record;
    ListingReason reason = ListingReason::Listed;
    OfferDecision offer;             // the offering rule's decision, with its facts
    LONG openError = ERROR_SUCCESS;  // KeyUnreadable: what opening the compiler key answered
    int handle = -1;                 // Listed: its entry; Duplicate: the entry listed under its identifier
};

// What one build of the list decided about each installed compiler.
struct Listing {
    std::vector<RecordListing> records;  // in the order the build walks them: highest version first
    std::vector<CSkippedKey> skipped;    // the keys discovery passed over
};

class CompilerList {
public:
    bool Empty() const { return platforms_.empty(); }
    const std::vector<std::unique_ptr<CPlatformEntry>>& Platforms() const { return platforms_; }

    // Fills the map from the installed compilers that this host is offered,
    // highest version first; `settingsPath` is the options settings key. When
    // `listing` is given, it receives why each record was listed or not.
    void Build(const std::wstring& settingsPath, Listing* listing = nullptr);
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

// The compiler identifier, the name a selection is stored under: packed
// version "|" compiler key ("111.065|PX32_HY64").
std::wstring IdentifierOf(const core::CmplrVersion& version, const std::wstring& compilerKey);

}  // namespace qz::compilers

#include "compilers/compiler_list.h"

#include <algorithm>

#include "compilers/compiler_keys.h"
#include "compilers/compiler_table.h"
#include "platform/registry_read.h"
#include "module/module.h"
#include "compilers/vc_platforms.h"
#include "platform/com_ptr.h"
#include "platform/registry.h"
#include "core/text.h"
#include "satellite/resource_ids.h"
#include "module/registry_layout.h"

namespace qz::compilers {

CCmplrEntry::CCmplrEntry(const std::wstring& packedVersion, const std::wstring& key)
    : identifier(packedVersion + L"|" + key), compilerKey(key) {
    core::ParseCmplrVersion(core::ToU16(packedVersion), &version);
}

CCmplrEntry* CPlatformEntry::Find(const std::wstring& id) const {
    const auto found = byIdentifier.find(id);
    return found == byIdentifier.end() ? nullptr : found->second;
}

std::wstring VersionText(const core::CmplrVersion& version) { return core::ToWide(core::VersionString(version)); }

std::wstring IdentifierOf(const core::CmplrVersion& version, const std::wstring& compilerKey) {
    return core::ToWide(core::PackedVersion(version)) + L"|" + compilerKey;
}

void CompilerList::Build(const std::wstring& settingsPath, Listing* listing) {
    const std::vector<std::wstring> vcPlatforms = compilers::ReadVcPlatformList();
    const CCompilerTable table;
    const std::wstring displayLabel = module::ResourceString(IDS_CMPLR_DISPLAY_LABEL);
    const std::wstring suiteLabel = module::ResourceString(IDS_CMPLR_SUITE_LABEL);
    if (listing) listing->skipped = table.Skipped();

    for (size_t i = table.Count(); i-- > 0;) {
        const CCompilerRecord& record = table.At(i);
        // Told to the caller who asked, whatever the walk decides below.
        RecordListing untold;
        RecordListing& decided = listing ? listing->records.emplace_back() : untold;
        if (listing) decided.record = record;
        decided.offer = DecideOffer(record.version, record.compilerKey);
        if (!decided.offer.Offered()) {
            decided.reason = ListingReason::NotOffered;
            continue;
        }
        const TargetPlatform target = TargetOf(record.compilerKey);
        platform::RegKey key;
        decided.openError = key.Open(record.root, record.registryKey.c_str(), KEY_READ);
        if (decided.openError != ERROR_SUCCESS) {
            decided.reason = ListingReason::KeyUnreadable;
            continue;
        }

        CPlatformEntry* entry = FindPlatform(target.platform);
        if (!entry) {
            const bool supported =
                std::find(vcPlatforms.begin(), vcPlatforms.end(), target.platform) != vcPlatforms.end();
            entry = AddPlatform(target.platform, supported);
        }
        const std::wstring packed = core::ToWide(core::PackedVersion(record.version));
        if (const CCmplrEntry* listed = entry->Find(IdentifierOf(record.version, record.compilerKey))) {
            decided.reason = ListingReason::Duplicate;
            decided.handle = listed->handle;
            continue;
        }

        auto compiler = std::make_unique<CCmplrEntry>(packed, record.compilerKey);
        CCmplrEntry* added = compiler.get();
        decided.handle = AddCmplr(entry, std::move(compiler));
        const std::wstring versionText = VersionText(added->version);

        if (key.ReadString(module::kDisplayStringValue, &added->displayString) != ERROR_SUCCESS ||
            added->displayString.empty()) {
            added->displayString = displayLabel + L"  " + versionText + L" [" + target.archLabel + L"]";
        }
        platform::Bstr suite;
        bool suiteNamed = false;
        platform::ReadRegStringIfPresent(record.root, record.versionKey, module::kSuiteNameValue, suite.Put(),
                                         &suiteNamed);
        if (suiteNamed) {
            added->suiteName.assign(suite.Text(), suite.Length());
        } else {
            added->suiteName = suiteLabel + L" " + versionText;
        }
        added->settingsKey = settingsPath + L"\\" + packed + L"\\" + record.compilerKey;
        added->registryKey = record.registryKey;
    }

    if (!FindPlatform(L"Win32")) AddEmptyCmplr(L"Win32", true);
}

int CompilerList::AddEmptyCmplr(const std::wstring& name, bool supported) {
    CPlatformEntry* entry = AddPlatform(name, supported);
    auto compiler = std::make_unique<CCmplrEntry>(L"120", L"PX32_" + PlatformToArch(name));
    compiler->displayString = L"No Compiler Installed";
    compiler->empty = true;
    return AddCmplr(entry, std::move(compiler));
}

CCmplrEntry* CompilerList::FindCmplr(int handle) const {
    const long long index = static_cast<long long>(handle) - kFirstHandle;
    if (index < 0 || index >= static_cast<long long>(handles_.size())) return nullptr;
    return handles_[static_cast<size_t>(index)];
}

CPlatformEntry* CompilerList::FindPlatform(const std::wstring& name) const {
    for (const auto& entry : platforms_) {
        if (entry->name == name) return entry.get();
    }
    return nullptr;
}

CPlatformEntry* CompilerList::AddPlatform(const std::wstring& name, bool supported) {
    auto entry = std::make_unique<CPlatformEntry>();
    entry->name = name;
    entry->supported = supported;
    platforms_.push_back(std::move(entry));
    return platforms_.back().get();
}

int CompilerList::AddCmplr(CPlatformEntry* platform, std::unique_ptr<CCmplrEntry> entry) {
    entry->handle = kFirstHandle + static_cast<int>(handles_.size());
    entry->platform = platform;
    // The first entry of an identifier is the one found, as by a walk in insertion order.
    platform->byIdentifier.emplace(entry->identifier, entry.get());
    handles_.push_back(entry.get());
    platform->compilers.push_back(std::move(entry));
    return handles_.back()->handle;
}

}  // namespace qz::compilers

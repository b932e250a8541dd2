// doctor: what a user asks when a compiler does not show up or a build cannot
// find its includes. Works on the registry alone; no package is loaded, but
// every decision is made by the functions the package decides with.
#include <cstdio>
#include <cwchar>
#include <algorithm>

#include "doctor.h"
#include "json.h"
#include "module/registry_layout.h"
#include "platform/files.h"
#include "text_output.h"

namespace qz::host::doctor {
namespace {

using compilers::CSkippedKey;
using compilers::Layer;
using compilers::ListingReason;
using compilers::OfferReason;
using compilers::Setting;

constexpr Setting kSettings[] = {Setting::IncludeDirs, Setting::LibDirs, Setting::BinDirs, Setting::DefaultOptions};
// The order in which stored selections are shown.
const wchar_t* const kPlatforms[] = {L"Win32", L"x64", L"Ventrix"};

bool IsSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

// \\server\share and //server/share, also as \\?\UNC\server\share; not the
// local device forms \\?\C:\... and \\.\...
bool IsNetworkPath(const std::wstring& path) {
    if (path.size() < 2 || !IsSlash(path[0]) || !IsSlash(path[1])) return false;
    if (path.size() < 4 || (path[2] != L'?' && path[2] != L'.') || !IsSlash(path[3])) return true;
    return path.size() >= 8 && _wcsnicmp(path.c_str() + 4, L"UNC", 3) == 0 && IsSlash(path[7]);
}

// 110 -> "11.0".
std::wstring Tenths(int version) { return std::to_wstring(version / 10) + L"." + std::to_wstring(version % 10); }

bool NamesACompiler(const CSkippedKey& skipped) { return skipped.why == CSkippedKey::Why::CompilerKeyUnreadable; }

std::wstring SourceText(const compilers::SettingValue& value) {
    const wchar_t* hive = value.hive == HKEY_LOCAL_MACHINE ? L" (machine)" : L" (user)";
    switch (value.layer) {
    case Layer::Committed:
        return L"the user's committed value";
    case Layer::ForThisIde:
        return L"the compiler key's " + std::wstring(module::kForThisIdeSubkey) + L" subkey" + hive;
    case Layer::CompilerKey:
        return L"the compiler key" + std::wstring(hive);
    case Layer::Nowhere:
        break;
    }
    return L"nowhere";
}

bool Readable(const compilers::SettingValue& value) { return value.readable || value.layer == Layer::Nowhere; }

// The view's name, and where it reads.
std::pair<const wchar_t*, const wchar_t*> ViewOf(platform::RegistryView view) {
    switch (view) {
    case platform::RegistryView::Native64:
        return {L"64-bit", L"HKEY_LOCAL_MACHINE\\Software itself, as a 64-bit process sees it"};
    case platform::RegistryView::Wow64:
        return {L"32-bit", L"HKEY_LOCAL_MACHINE\\Software\\Wow6432Node, as the 32-bit IDE sees it on 64-bit Windows"};
    case platform::RegistryView::Only32:
        return {L"32-bit", L"HKEY_LOCAL_MACHINE\\Software, the only view of 32-bit Windows"};
    }
    return {L"", L""};
}

bool Summary(const Findings& findings, Report& report) {
    const size_t installed = findings.compilers.size() + findings.skipped.size();
    return report.Step(true, std::to_wstring(findings.Offered()) + L" of " + std::to_wstring(installed) +
                                 L" installed compilers offered, " + std::to_wstring(findings.Stale()) +
                                 L" stale selection(s)");
}

void JsonStringOrNull(JsonWriter& json, bool present, const std::wstring& text) {
    if (present) {
        json.String(text);
    } else {
        json.Null();
    }
}

void WriteDirectories(JsonWriter& json, const Compiler& compiler) {
    json.Key(L"directories");
    json.BeginObject();
    for (const Directory& directory : compiler.directories) {
        json.Key(compilers::ValueName(directory.setting));
        json.BeginObject();
        json.Key(L"source");
        json.String(SourceText(directory.value));
        json.Key(L"value");
        json.String(directory.value.text);
        json.Key(L"readable");
        json.Bool(Readable(directory.value));
        json.Key(L"missing");
        json.BeginArray();
        for (const std::wstring& missing : directory.check.missing) json.String(missing);
        json.EndArray();
        json.Key(L"unchecked");
        json.BeginArray();
        for (const std::wstring& unchecked : directory.check.unchecked) json.String(unchecked);
        json.EndArray();
        json.EndObject();
    }
    json.EndObject();
}

}  // namespace

std::wstring ReasonText(const compilers::RecordListing& listing) {
    switch (listing.reason) {
    case ListingReason::Listed:
        return L"offered";
    case ListingReason::KeyUnreadable:
        return L"not offered: the compiler key does not open";
    case ListingReason::Duplicate:
        return L"not offered: the same version and key is listed from another version key";
    case ListingReason::NotOffered:
        break;
    }
    switch (listing.offer.reason) {
    case OfferReason::VersionOutOfRange:
        return L"not offered: version outside " + Tenths(compilers::kLowestOffered) + L" to " +
               Tenths(compilers::kHighestOffered);
    case OfferReason::NativeEpic:
        return L"not offered: native EPIC compilers never are";
    case OfferReason::NotThisHost:
        return L"not offered on this host (x64 targets: native on x64, cross elsewhere)";
    case OfferReason::Offered:
        break;
    }
    return L"offered";
}

std::wstring SkippedText(const CSkippedKey& skipped) {
    switch (skipped.why) {
    case CSkippedKey::Why::NameTooLong:
        return L"not read: the version key's name is longer than " + std::to_wstring(compilers::kMaxVersionKeyName) +
               L" characters";
    case CSkippedKey::Why::VersionKeyUnreadable:
        return L"not read: the version key does not open (error " + std::to_wstring(skipped.error) + L")";
    case CSkippedKey::Why::CompilerKeyUnreadable:
        break;
    }
    return L"not offered: the compiler key does not open";
}

DirectoryCheck CheckDirectories(const std::wstring& list, const std::function<bool(const std::wstring&)>& exists,
                                bool checkNetwork) {
    DirectoryCheck check;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find(L';', start), list.size());
        const std::wstring entry = list.substr(start, end - start);
        start = end + 1;
        if (entry.empty() || entry == L"$(PATH)") continue;
        if (!checkNetwork && IsNetworkPath(entry)) {
            check.unchecked.push_back(entry);
        } else if (!exists(entry)) {
            check.missing.push_back(entry);
        }
    }
    return check;
}

size_t Findings::Offered() const {
    return size_t(std::count_if(compilers.begin(), compilers.end(), [](const Compiler& compiler) {
        return compiler.listing.reason == ListingReason::Listed;
    }));
}

size_t Findings::Stale() const {
    return size_t(std::count_if(selections.begin(), selections.end(), [](const Selection& selection) {
        return selection.match.state == settings::SelectionState::Stale;
    }));
}

Findings Examine(bool checkNetwork) {
    Findings findings;
    findings.view = platform::ProcessRegistryView();
    findings.x64Host = platform::X64Host();
    compilers::CompilerList list;
    compilers::Listing listing;
    list.Build(kUserSettingsKey, &listing);
    findings.skipped = std::move(listing.skipped);
    for (compilers::RecordListing& record : listing.records) {
        Compiler& compiler = findings.compilers.emplace_back();
        compiler.listing = std::move(record);
        const compilers::CCmplrEntry* entry = list.FindCmplr(compiler.listing.handle);
        if (compiler.listing.reason != ListingReason::Listed || !entry) continue;
        compiler.settingsKey = entry->settingsKey;
        for (const Setting setting : kSettings) {
            Directory& directory = compiler.directories.emplace_back();
            directory.setting = setting;
            directory.value = compilers::ResolveCommitted(entry->settingsKey, entry->registryKey, setting);
            if (setting != Setting::DefaultOptions) {
                directory.check = CheckDirectories(directory.value.text, platform::DirectoryExists, checkNetwork);
            }
        }
    }
    for (const wchar_t* name : kPlatforms) {
        // A platform without compilers matches no stored selection.
        compilers::CPlatformEntry none;
        none.name = name;
        const compilers::CPlatformEntry* platform = list.FindPlatform(name);
        Selection selection{name, compilers::PlatformToArch(name),
                            settings::MatchSelection(kUserSettingsKey, platform ? *platform : none)};
        if (selection.match.state != settings::SelectionState::NoneStored) {
            findings.selections.push_back(std::move(selection));
        }
    }
    return findings;
}

bool PrintFindings(const Findings& findings, Report& report) {
    const auto view = ViewOf(findings.view);
    Print(L"Registry view: %ls (%ls)\n", view.first, view.second);
    Print(L"Installed compilers below HKEY_LOCAL_MACHINE\\%ls (host %ls x64), highest first:\n", module::kCompilersKey,
          findings.x64Host ? L"is" : L"is not");
    for (const Compiler& compiler : findings.compilers) {
        const compilers::CCompilerRecord& record = compiler.listing.record;
        Print(L"  %-10ls %-16ls %ls\n      %ls\n", compilers::VersionText(record.version).c_str(),
              record.compilerKey.c_str(), record.registryKey.c_str(), ReasonText(compiler.listing).c_str());
    }
    for (const CSkippedKey& skipped : findings.skipped) {
        const bool named = NamesACompiler(skipped);
        Print(L"  %-10ls %-16ls %ls\n      %ls\n", named ? compilers::VersionText(skipped.version).c_str() : L"-",
              named ? skipped.compilerKey.c_str() : L"-", skipped.path.c_str(), SkippedText(skipped).c_str());
    }
    if (findings.compilers.empty() && findings.skipped.empty()) Print(L"  none\n");

    for (const Compiler& compiler : findings.compilers) {
        if (compiler.listing.reason != ListingReason::Listed) continue;
        const compilers::CCompilerRecord& record = compiler.listing.record;
        Print(L"\n%ls %ls: directories (user's values below HKEY_CURRENT_USER\\%ls)\n",
              compilers::VersionText(record.version).c_str(), record.compilerKey.c_str(), compiler.settingsKey.c_str());
        for (const Directory& directory : compiler.directories) {
            Print(L"  %-15ls from %ls%ls: %ls\n", compilers::ValueName(directory.setting),
                  SourceText(directory.value).c_str(), Readable(directory.value) ? L"" : L", unreadable",
                  directory.value.text.c_str());
            for (const std::wstring& missing : directory.check.missing) {
                Print(L"      missing on disk: %ls\n", missing.c_str());
            }
            for (const std::wstring& unchecked : directory.check.unchecked) {
                Print(L"      not checked, on another machine (doctor --check-network checks it): %ls\n",
                      unchecked.c_str());
            }
        }
    }

    Print(L"\nStored selections (HKEY_CURRENT_USER\\%ls\\%ls):\n", kUserSettingsKey, module::kSelectionsSubkey);
    if (findings.selections.empty()) Print(L"  none: every platform uses its default (the highest version)\n");
    for (const Selection& selection : findings.selections) {
        Print(L"  %-8ls %ls: %ls\n", selection.arch.c_str(), selection.match.identifier.c_str(),
              selection.match.state == settings::SelectionState::Stale
                  ? L"matches no offered compiler; the default serves instead, silently"
                  : L"in use");
    }
    return Summary(findings, report);
}

std::string FindingsJson(const Findings& findings, Report& report) {
    JsonWriter json;
    json.BeginObject();
    json.Key(L"registryView");
    json.String(ViewOf(findings.view).first);
    json.Key(L"x64Host");
    json.Bool(findings.x64Host);
    json.Key(L"compilers");
    json.BeginArray();
    const auto head = [&](bool named, const core::CmplrVersion& version, const std::wstring& key,
                          const std::wstring& path, bool offered, const std::wstring& reason) {
        json.Key(L"version");
        JsonStringOrNull(json, named, compilers::VersionText(version));
        json.Key(L"key");
        JsonStringOrNull(json, named, key);
        json.Key(L"identifier");
        JsonStringOrNull(json, named, compilers::IdentifierOf(version, key));
        json.Key(L"registryKey");
        json.String(path);
        json.Key(L"offered");
        json.Bool(offered);
        json.Key(L"reason");
        json.String(reason);
    };
    for (const Compiler& compiler : findings.compilers) {
        const compilers::CCompilerRecord& record = compiler.listing.record;
        const bool offered = compiler.listing.reason == ListingReason::Listed;
        json.BeginObject();
        head(true, record.version, record.compilerKey, record.registryKey, offered, ReasonText(compiler.listing));
        if (offered) WriteDirectories(json, compiler);
        json.EndObject();
    }
    for (const CSkippedKey& skipped : findings.skipped) {
        json.BeginObject();
        head(NamesACompiler(skipped), skipped.version, skipped.compilerKey, skipped.path, false, SkippedText(skipped));
        json.EndObject();
    }
    json.EndArray();
    json.Key(L"selections");
    json.BeginArray();
    for (const Selection& selection : findings.selections) {
        json.BeginObject();
        json.Key(L"arch");
        json.String(selection.arch);
        json.Key(L"identifier");
        json.String(selection.match.identifier);
        json.Key(L"stale");
        json.Bool(selection.match.state == settings::SelectionState::Stale);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    Summary(findings, report);
    return json.Text();
}

}  // namespace qz::host::doctor

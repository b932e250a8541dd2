// doctor: what a user asks when a compiler does not show up or a build cannot
// find its includes. Works on the registry alone; no package is loaded.
#include <cstdio>
#include <cwchar>
#include <algorithm>
#include <set>

#include "commands.h"
#include "compilers/compiler_keys.h"
#include "platform/registry_read.h"
#include "doctor.h"
#include "json.h"
#include "platform/com_ptr.h"
#include "platform/files.h"
#include "platform/host.h"
#include "platform/registry.h"
#include "core/text.h"
#include "text_output.h"
#include "module/registry_layout.h"

namespace qz::host {
namespace doctor {
namespace {

using compilers::CCompilerRecord;

constexpr wchar_t kNativeEpic[] = L"Ventrix_Ventrix";
// Names longer than a version key or an architecture subkey are of no interest.
constexpr DWORD kNameRoom = 32;

std::wstring Packed(const core::CmplrVersion& version) { return core::ToWide(core::PackedVersion(version)); }

std::wstring ArchOf(const std::wstring& compilerKey) {
    return compilers::PlatformToArch(compilers::TargetOf(compilerKey).platform);
}

bool IsSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

// \\server\share and //server/share, also as \\?\UNC\server\share; not the
// local device forms \\?\C:\... and \\.\...
bool IsNetworkPath(const std::wstring& path) {
    if (path.size() < 2 || !IsSlash(path[0]) || !IsSlash(path[1])) return false;
    if (path.size() < 4 || (path[2] != L'?' && path[2] != L'.') || !IsSlash(path[3])) return true;
    return path.size() >= 8 && _wcsnicmp(path.c_str() + 4, L"UNC", 3) == 0 && IsSlash(path[7]);
}

// The architecture subkeys below one version key that are listed but refuse to open.
void FindUnreadable(const std::wstring& versionKey, const std::wstring& name, std::vector<Found>* found) {
    platform::RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, versionKey.c_str(), KEY_READ) != ERROR_SUCCESS) return;
    for (DWORD index = 0;; ++index) {
        wchar_t subkey[kNameRoom];
        DWORD length = kNameRoom;
        const LONG result = platform::Registry().EnumKey(key.Get(), index, subkey, &length);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) continue;
        for (const compilers::CompilerKeyInfo& info : compilers::kCompilerKeys) {
            if (_wcsicmp(subkey, info.archSubkey) != 0) continue;
            const std::wstring path = versionKey + L'\\' + info.archSubkey;
            platform::RegKey arch;
            if (arch.Open(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ) == ERROR_SUCCESS) continue;
            bool opened = false;
            const core::CmplrVersion version = compilers::ReadVersion(versionKey, name, &opened);
            found->push_back({{version, info.key, versionKey, path, HKEY_LOCAL_MACHINE}, false});
        }
    }
}

Source SourceOf(const std::wstring& settingsKey, const std::wstring& registryKey, compilers::Setting setting) {
    const wchar_t* name = compilers::ValueName(setting);
    if (platform::RegValueExists(HKEY_CURRENT_USER, settingsKey, name)) return Source::Committed;
    const std::wstring vsNet = registryKey + L'\\' + module::kForThisIdeSubkey;
    const bool forThisIde =
        setting == compilers::Setting::DefaultOptions || platform::RegValueExists(HKEY_LOCAL_MACHINE, vsNet, name);
    const std::wstring& key = forThisIde ? vsNet : registryKey;
    platform::Bstr text;
    if (platform::ReadRegString(HKEY_LOCAL_MACHINE, key, name, text.Put()) == S_OK) {
        return forThisIde ? Source::VsNetMachine : Source::KeyMachine;
    }
    if (platform::ReadRegString(HKEY_CURRENT_USER, key, name, text.Put()) == S_OK) {
        return forThisIde ? Source::VsNetUser : Source::KeyUser;
    }
    return Source::Nowhere;
}

}  // namespace

const wchar_t* VerdictText(Verdict verdict) {
    switch (verdict) {
    case Verdict::Offered:
        return L"offered";
    case Verdict::OutOfRange:
        return L"not offered: version outside 11.0 to 12.0";
    case Verdict::HostRule:
        return L"not offered on this host (x64 targets: native on x64, cross elsewhere)";
    case Verdict::NativeEpic:
        return L"not offered: native EPIC compilers never are";
    case Verdict::Unreadable:
        return L"not offered: the compiler key does not open";
    case Verdict::Duplicate:
        return L"not offered: the same version and key is listed from another version key";
    }
    return L"";
}

std::vector<Found> FindCompilers() {
    const compilers::CCompilerTable table;
    std::vector<Found> found;
    for (size_t i = 0; i < table.Count(); ++i) found.push_back({table.At(i), true});
    platform::RegKey root;
    if (root.Open(HKEY_LOCAL_MACHINE, module::kCompilersKey, KEY_READ) == ERROR_SUCCESS) {
        for (DWORD index = 0;; ++index) {
            wchar_t name[kNameRoom];
            DWORD length = kNameRoom;
            const LONG result = platform::Registry().EnumKey(root.Get(), index, name, &length);
            if (result == ERROR_NO_MORE_ITEMS) break;
            // As the table reads them: names of at most 9 characters, none beginning with "-".
            if (result != ERROR_SUCCESS || length > 9 || name[0] == L'-') continue;
            FindUnreadable(std::wstring(module::kCompilersKey) + L'\\' + name, name, &found);
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.record.version.OrderKey() < b.record.version.OrderKey();
    });
    return found;
}

std::vector<Verdict> Judge(const std::vector<Found>& found) {
    std::vector<Verdict> verdicts(found.size());
    std::set<std::wstring> listed;
    for (size_t i = found.size(); i-- > 0;) {
        const CCompilerRecord& record = found[i].record;
        const int v = record.version.major * 10 + record.version.minor;
        if (!compilers::IsCmplrOffered(record.version, record.compilerKey)) {
            verdicts[i] = v < 110 || v > 120                  ? Verdict::OutOfRange
                          : record.compilerKey == kNativeEpic ? Verdict::NativeEpic
                                                              : Verdict::HostRule;
        } else if (!found[i].opens) {
            verdicts[i] = Verdict::Unreadable;
        } else {
            // The identifier names the platform too (by its key), so one set serves all platforms.
            const bool fresh = listed.insert(IdentifierOf(record)).second;
            verdicts[i] = fresh ? Verdict::Offered : Verdict::Duplicate;
        }
    }
    return verdicts;
}

std::wstring IdentifierOf(const CCompilerRecord& record) { return Packed(record.version) + L"|" + record.compilerKey; }

std::wstring SettingsKeyOf(const CCompilerRecord& record) {
    return std::wstring(kUserSettingsKey) + L"\\" + Packed(record.version) + L"\\" + record.compilerKey;
}

const wchar_t* SourceText(Source source) {
    switch (source) {
    case Source::Committed:
        return L"the user's committed value";
    case Source::VsNetMachine:
        return L"the compiler key's VSNet2005 subkey (machine)";
    case Source::VsNetUser:
        return L"the compiler key's VSNet2005 subkey (user)";
    case Source::KeyMachine:
        return L"the compiler key (machine)";
    case Source::KeyUser:
        return L"the compiler key (user)";
    case Source::Nowhere:
        return L"nowhere";
    }
    return L"";
}

Located Locate(const std::wstring& settingsKey, const std::wstring& registryKey, compilers::Setting setting) {
    Located located;
    located.source = SourceOf(settingsKey, registryKey, setting);
    platform::Bstr text;
    located.readable = compilers::ReadCommitted(settingsKey, registryKey, setting, text.Put()) == S_OK;
    located.text.assign(text.Text(), text.Length());
    return located;
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

std::vector<Selection> ReadSelections() {
    std::vector<Selection> stored;
    const std::wstring key = std::wstring(kUserSettingsKey) + L'\\' + module::kSelectionsSubkey;
    for (const wchar_t* arch : {L"PX32", L"HY64", L"Ventrix"}) {
        platform::Bstr text;
        if (platform::ReadRegString(HKEY_CURRENT_USER, key, arch, text.Put()) == S_OK && text.Length() != 0) {
            stored.emplace_back(arch, std::wstring(text.Text(), text.Length()));
        }
    }
    return stored;
}

std::vector<Selection> StaleSelections(const std::vector<Selection>& stored, const std::vector<Found>& found,
                                       const std::vector<Verdict>& verdicts) {
    std::vector<Selection> stale;
    for (const Selection& selection : stored) {
        bool matched = false;
        for (size_t i = 0; i < found.size() && !matched; ++i) {
            const CCompilerRecord& record = found[i].record;
            matched = verdicts[i] == Verdict::Offered &&
                      _wcsicmp(ArchOf(record.compilerKey).c_str(), selection.first.c_str()) == 0 &&
                      _wcsicmp(IdentifierOf(record).c_str(), selection.second.c_str()) == 0;
        }
        if (!matched) stale.push_back(selection);
    }
    return stale;
}

}  // namespace doctor

namespace {

using namespace doctor;

constexpr compilers::Setting kSettings[] = {compilers::Setting::IncludeDirs, compilers::Setting::LibDirs,
                                            compilers::Setting::BinDirs, compilers::Setting::DefaultOptions};

// What doctor finds, read once and then told as text or as JSON.
struct Findings {
    std::vector<Found> found;
    std::vector<Verdict> verdicts;
    std::vector<Selection> stored;
    std::vector<Selection> stale;
    size_t offered = 0;

    Findings() : found(FindCompilers()), verdicts(Judge(found)), stored(ReadSelections()) {
        stale = StaleSelections(stored, found, verdicts);
        offered = size_t(std::count(verdicts.begin(), verdicts.end(), Verdict::Offered));
    }
    bool IsStale(const Selection& selection) const {
        return std::find(stale.begin(), stale.end(), selection) != stale.end();
    }
};

DirectoryCheck CheckOf(compilers::Setting setting, const Located& located, bool checkNetwork) {
    if (setting == compilers::Setting::DefaultOptions) return {};
    return CheckDirectories(located.text, platform::DirectoryExists, checkNetwork);
}

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
    return report.Step(true, std::to_wstring(findings.offered) + L" of " + std::to_wstring(findings.found.size()) +
                                 L" installed compilers offered, " + std::to_wstring(findings.stale.size()) +
                                 L" stale selection(s)");
}

}  // namespace

bool Doctor(Report& report, bool checkNetwork) {
    const Findings findings;
    const std::vector<Found>& found = findings.found;
    const auto view = ViewOf(platform::ProcessRegistryView());
    Print(L"Registry view: %ls (%ls)\n", view.first, view.second);
    Print(L"Installed compilers below HKEY_LOCAL_MACHINE\\%ls (host %ls x64), highest first:\n", module::kCompilersKey,
          platform::X64Host() ? L"is" : L"is not");
    for (size_t i = found.size(); i-- > 0;) {
        const compilers::CCompilerRecord& record = found[i].record;
        Print(L"  %-10ls %-16ls %ls\n      %ls\n", core::ToWide(core::VersionString(record.version)).c_str(),
              record.compilerKey.c_str(), record.registryKey.c_str(), VerdictText(findings.verdicts[i]));
    }
    if (found.empty()) Print(L"  none\n");

    for (size_t i = found.size(); i-- > 0;) {
        if (findings.verdicts[i] != Verdict::Offered) continue;
        const compilers::CCompilerRecord& record = found[i].record;
        const std::wstring settingsKey = SettingsKeyOf(record);
        Print(L"\n%ls %ls: directories (user's values below HKEY_CURRENT_USER\\%ls)\n",
              core::ToWide(core::VersionString(record.version)).c_str(), record.compilerKey.c_str(),
              settingsKey.c_str());
        for (compilers::Setting setting : kSettings) {
            const Located located = Locate(settingsKey, record.registryKey, setting);
            Print(L"  %-15ls from %ls%ls: %ls\n", compilers::ValueName(setting), SourceText(located.source),
                  located.readable || located.source == Source::Nowhere ? L"" : L", unreadable", located.text.c_str());
            const DirectoryCheck check = CheckOf(setting, located, checkNetwork);
            for (const std::wstring& missing : check.missing) Print(L"      missing on disk: %ls\n", missing.c_str());
            for (const std::wstring& unchecked : check.unchecked) {
                Print(L"      not checked, on another machine (doctor --check-network checks it): %ls\n",
                      unchecked.c_str());
            }
        }
    }

    Print(L"\nStored selections (HKEY_CURRENT_USER\\%ls\\SelectedCompilers):\n", kUserSettingsKey);
    if (findings.stored.empty()) Print(L"  none: every platform uses its default (the highest version)\n");
    for (const Selection& selection : findings.stored) {
        Print(L"  %-8ls %ls: %ls\n", selection.first.c_str(), selection.second.c_str(),
              findings.IsStale(selection) ? L"matches no offered compiler; the default serves instead, silently"
                                          : L"in use");
    }
    return Summary(findings, report);
}

std::string DoctorJson(Report& report, bool checkNetwork) {
    const Findings findings;
    JsonWriter json;
    json.BeginObject();
    json.Key(L"registryView");
    json.String(ViewOf(platform::ProcessRegistryView()).first);
    json.Key(L"x64Host");
    json.Bool(platform::X64Host());
    json.Key(L"compilers");
    json.BeginArray();
    for (size_t i = findings.found.size(); i-- > 0;) {
        const compilers::CCompilerRecord& record = findings.found[i].record;
        const Verdict verdict = findings.verdicts[i];
        json.BeginObject();
        json.Key(L"version");
        json.String(core::ToWide(core::VersionString(record.version)));
        json.Key(L"key");
        json.String(record.compilerKey);
        json.Key(L"identifier");
        json.String(IdentifierOf(record));
        json.Key(L"registryKey");
        json.String(record.registryKey);
        json.Key(L"offered");
        json.Bool(verdict == Verdict::Offered);
        json.Key(L"reason");
        json.String(VerdictText(verdict));
        if (verdict == Verdict::Offered) {
            const std::wstring settingsKey = SettingsKeyOf(record);
            json.Key(L"directories");
            json.BeginObject();
            for (compilers::Setting setting : kSettings) {
                const Located located = Locate(settingsKey, record.registryKey, setting);
                json.Key(compilers::ValueName(setting));
                json.BeginObject();
                json.Key(L"source");
                json.String(SourceText(located.source));
                json.Key(L"value");
                json.String(located.text);
                json.Key(L"readable");
                json.Bool(located.readable || located.source == Source::Nowhere);
                const DirectoryCheck check = CheckOf(setting, located, checkNetwork);
                json.Key(L"missing");
                json.BeginArray();
                for (const std::wstring& missing : check.missing) json.String(missing);
                json.EndArray();
                json.Key(L"unchecked");
                json.BeginArray();
                for (const std::wstring& unchecked : check.unchecked) json.String(unchecked);
                json.EndArray();
                json.EndObject();
            }
            json.EndObject();
        }
        json.EndObject();
    }
    json.EndArray();
    json.Key(L"selections");
    json.BeginArray();
    for (const Selection& selection : findings.stored) {
        json.BeginObject();
        json.Key(L"arch");
        json.String(selection.first);
        json.Key(L"identifier");
        json.String(selection.second);
        json.Key(L"stale");
        json.Bool(findings.IsStale(selection));
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    Summary(findings, report);
    return json.Text();
}

}  // namespace qz::host

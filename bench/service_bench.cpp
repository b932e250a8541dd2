// Part 1: each operation of the tool-options service, called as the project
// system calls it, over the registry of the Wine prefix holding the host's
// sample installation and some settings of the user. For each: the registry
// calls it makes, the fewest its algorithm needs, its time per call, and the
// time of replaying exactly its registry calls through the raw Win32 API.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench.h"
#include "commands.h"
#include "ide/sited_package.h"
#include "package/class_factory.h"
#include "platform/com_ptr.h"
#include "platform/registry.h"
#include "recording_registry.h"
#include "timing.h"

namespace qz::bench {
namespace {

using platform::Bstr;
using Call = std::function<HRESULT()>;

constexpr int kPairs = 41;
// Time per call against the raw registry calls it makes.
constexpr double kTarget = 1.25;

struct Operation {
    std::wstring name;
    // The fewest registry calls that answer it: every model call reads the
    // registry afresh by design, and one value costs opening its key, one query
    // and closing (3); a value looked for in one key and then in another, 6.
    size_t floor;
    Call call;
};

// Out texts and arrays are the caller's to free, so freeing them is part of the call.
template <class F>
Call Text(F f) {
    return [f] {
        BSTR text = nullptr;
        const HRESULT hr = f(&text);
        SysFreeString(text);
        return hr;
    };
}

template <class T, class F>
Call Number(F f) {
    return [f] {
        T number = 0;
        return f(&number);
    };
}

template <class F>
Call List(F f) {
    return [f] {
        SAFEARRAY* list = nullptr;
        INT count = 0;
        const HRESULT hr = f(&count, &list);
        if (list) SafeArrayDestroy(list);
        return hr;
    };
}

// The handle of the compiler of a platform with the given version text.
INT FindCompiler(IQZToolOptions* service, const wchar_t* platformName, const wchar_t* version) {
    Bstr name(platformName);
    platform::SafeArray names, handles;
    if (FAILED(service->GetPlatformCmplrs(name.Get(), names.Put(), handles.Put()))) return -1;
    for (int handle : handles.Ints()) {
        Bstr text;
        if (SUCCEEDED(service->GetCmplrVersion(handle, text.Put())) && std::wstring(text.Text()) == version) {
            return handle;
        }
    }
    return -1;
}

std::vector<Operation> Operations(IQZToolOptions* s, INT win32, INT x64) {
    // Kept alive for the calls; the setters store what is stored already.
    static const Bstr kWin32(L"Win32"), kX64(L"x64");
    static const Bstr kRemarks(L"7000,7001"), kRemarksFile(L"C:\\Work\\gap-remarks.txt");
    static const Bstr kInclude(L"C:\\Work\\include;C:\\Program Files\\Tavrel\\Compiler\\11.1\\065\\include");
    static const Bstr kLib(L"C:\\Program Files\\Tavrel\\Compiler\\11.1\\065\\lib\\ia32");
    static const Bstr kBin(L"C:\\Program Files\\Tavrel\\Compiler\\11.1\\065\\bin\\ia32;$(PATH)");
    static const Bstr kOptions(L"/nologo /warn:all");
    const BSTR w32 = kWin32.Get(), w64 = kX64.Get();
    return {
        // Two options, each read afresh.
        {L"GetFortranExtensions", 6, Text([s](BSTR* b) { return s->GetFortranExtensions(b); })},
        {L"GetHeaderExtensions", 6, Text([s](BSTR* b) { return s->GetHeaderExtensions(b); })},
        {L"GetFreeFormatExt", 3, Text([s](BSTR* b) { return s->GetFreeFormatExt(b); })},
        {L"GetFixedFormatExt", 3, Text([s](BSTR* b) { return s->GetFixedFormatExt(b); })},
        {L"GetFreeFormatExtHdr", 3, Text([s](BSTR* b) { return s->GetFreeFormatExtHdr(b); })},
        {L"GetFixedFormatExtHdr", 3, Text([s](BSTR* b) { return s->GetFixedFormatExtHdr(b); })},
        {L"GetBuildLog", 3, Number<LONG>([s](LONG* n) { return s->GetBuildLog(n); })},
        {L"GetContinueOnErrors", 3, Number<LONG>([s](LONG* n) { return s->GetContinueOnErrors(n); })},
        {L"GetShowEnvInLog", 3, Number<LONG>([s](LONG* n) { return s->GetShowEnvInLog(n); })},
        {L"DefGetFreeFormatExt", 0, Text([s](BSTR* b) { return s->DefGetFreeFormatExt(b); })},
        {L"DefGetFixedFormatExt", 0, Text([s](BSTR* b) { return s->DefGetFixedFormatExt(b); })},
        {L"DefGetFreeFormatExtHdr", 0, Text([s](BSTR* b) { return s->DefGetFreeFormatExtHdr(b); })},
        {L"DefGetFixedFormatExtHdr", 0, Text([s](BSTR* b) { return s->DefGetFixedFormatExtHdr(b); })},
        {L"GetGapLevel", 3, Number<INT>([s](INT* n) { return s->GetGapLevel(n); })},
        {L"SetGapLevel", 3, [s] { return s->SetGapLevel(2); }},
        {L"GetGapSuppressWarnings", 3, Number<INT>([s](INT* n) { return s->GetGapSuppressWarnings(n); })},
        {L"SetGapSuppressWarnings", 3, [s] { return s->SetGapSuppressWarnings(1); }},
        {L"GetGapSuppressRemarks", 3, Text([s](BSTR* b) { return s->GetGapSuppressRemarks(b); })},
        {L"SetGapSuppressRemarks", 3, [s] { return s->SetGapSuppressRemarks(kRemarks.Get()); }},
        {L"GetGapRemarksToFile", 3, Number<INT>([s](INT* n) { return s->GetGapRemarksToFile(n); })},
        {L"SetGapRemarksToFile", 3, [s] { return s->SetGapRemarksToFile(1); }},
        {L"GetGapRemarksFile", 3, Text([s](BSTR* b) { return s->GetGapRemarksFile(b); })},
        {L"SetGapRemarksFile", 3, [s] { return s->SetGapRemarksFile(kRemarksFile.Get()); }},
        {L"GetGapShowDialog", 3, Number<INT>([s](INT* n) { return s->GetGapShowDialog(n); })},
        {L"SetGapShowDialog", 3, [s] { return s->SetGapShowDialog(1); }},
        {L"AdviseToolOptionEvents", 0,
         [s] {
             DWORD cookie = 0;
             // Any sink that is not null: the service neither keeps nor calls it.
             return s->AdviseToolOptionEvents(reinterpret_cast<IZRBToolOptionEvents*>(s), &cookie);
         }},
        {L"UnadviseToolOptionEvents", 0, [s] { return s->UnadviseToolOptionEvents(1); }},
        {L"GetPlatforms", 0,
         [s] {
             SAFEARRAY* list = nullptr;
             const HRESULT hr = s->GetPlatforms(&list);
             if (list) SafeArrayDestroy(list);
             return hr;
         }},
        {L"GetPlatformCmplrs (Win32)", 0,
         [s, w32] {
             SAFEARRAY *names = nullptr, *handles = nullptr;
             const HRESULT hr = s->GetPlatformCmplrs(w32, &names, &handles);
             if (names) SafeArrayDestroy(names);
             if (handles) SafeArrayDestroy(handles);
             return hr;
         }},
        {L"SetSelectedCmplr", 3, [s, x64] { return s->SetSelectedCmplr(x64); }},
        {L"GetSelectedCmplr (stored)", 3, Number<INT>([s, w64](INT* n) { return s->GetSelectedCmplr(w64, n); })},
        {L"GetSelectedCmplr (default)", 3, Number<INT>([s, w32](INT* n) { return s->GetSelectedCmplr(w32, n); })},
        {L"GetFullPlatformsList", 0, List([s](INT* n, SAFEARRAY** l) { return s->GetFullPlatformsList(n, l); })},
        {L"GetSupportedPlatformsList", 0,
         List([s](INT* n, SAFEARRAY** l) { return s->GetSupportedPlatformsList(n, l); })},
        {L"GetUsedInCfgsPlatformsList", 0,
         List([s](INT* n, SAFEARRAY** l) { return s->GetUsedInCfgsPlatformsList(n, l); })},
        {L"GetDefaultPlatform", 0, Text([s](BSTR* b) { return s->GetDefaultPlatform(b); })},
        {L"GetCurrentPlatformName", 0, Text([s](BSTR* b) { return s->GetCurrentPlatformName(b); })},
        {L"SetCurrentPlatformName", 0, [s, w32] { return s->SetCurrentPlatformName(w32); }},
        {L"GetNameSupportedPlatformByIndex", 0,
         Text([s](BSTR* b) { return s->GetNameSupportedPlatformByIndex(1, b); })},
        {L"CheckPlatformLoading", 0, [s] { return s->CheckPlatformLoading(); }},
        {L"IsPlatformSupported", 0, Number<LONG>([s, w64](LONG* n) { return s->IsPlatformSupported(w64, n); })},
        {L"GetCmplrVersion", 0, Text([s, win32](BSTR* b) { return s->GetCmplrVersion(win32, b); })},
        {L"GetCmplrFlags", 3, Number<INT>([s, win32](INT* n) { return s->GetCmplrFlags(win32, n); })},
        {L"GetCmplrPlatform", 0, Text([s, win32](BSTR* b) { return s->GetCmplrPlatform(win32, b); })},
        {L"GetCmplrDisplay", 0,
         [s, win32] {
             BSTR full = nullptr, again = nullptr;
             const HRESULT hr = s->GetCmplrDisplay(win32, &full, &again);
             SysFreeString(full);
             SysFreeString(again);
             return hr;
         }},
        {L"IsEmptyCompiler", 0, Number<LONG>([s, win32](LONG* n) { return s->IsEmptyCompiler(win32, n); })},
        // The 11.1.065 compiler keeps its product directory in the version key only.
        {L"GetCmplrProductDir (version key)", 6, Text([s, win32](BSTR* b) { return s->GetCmplrProductDir(win32, b); })},
        // The IDE's directories first (3), else the compiler's general ones (6).
        {L"GetCmplrDefIncludePaths", 3, Text([s, win32](BSTR* b) { return s->GetCmplrDefIncludePaths(win32, b); })},
        {L"GetCmplrDefLibPaths", 6, Text([s, win32](BSTR* b) { return s->GetCmplrDefLibPaths(win32, b); })},
        {L"GetCmplrDefBinPaths", 6, Text([s, win32](BSTR* b) { return s->GetCmplrDefBinPaths(win32, b); })},
        {L"GetCmplrDefDefaultOptions", 3, Text([s, win32](BSTR* b) { return s->GetCmplrDefDefaultOptions(win32, b); })},
        {L"GetCmplrIncludePaths", 3, Text([s, win32](BSTR* b) { return s->GetCmplrIncludePaths(win32, b); })},
        {L"GetCmplrLibPaths", 3, Text([s, win32](BSTR* b) { return s->GetCmplrLibPaths(win32, b); })},
        {L"GetCmplrBinPath", 3, Text([s, win32](BSTR* b) { return s->GetCmplrBinPath(win32, b); })},
        {L"GetCmplrDefaultOptions", 3, Text([s, win32](BSTR* b) { return s->GetCmplrDefaultOptions(win32, b); })},
        {L"GetCmplrDocPath (own directory)", 3, Text([s, win32](BSTR* b) { return s->GetCmplrDocPath(win32, b); })},
        // No documentation directory: machine (3) and user (1, the key is
        // missing), then the product directory from the version key (6).
        {L"GetCmplrDocPath (from product dir)", 10, Text([s, x64](BSTR* b) { return s->GetCmplrDocPath(x64, b); })},
        {L"GetCmplrPackageInfo", 3, Text([s, win32](BSTR* b) { return s->GetCmplrPackageInfo(win32, b); })},
        {L"SetCmplrIncludePaths", 3, [s, win32] { return s->SetCmplrIncludePaths(win32, kInclude.Get()); }},
        {L"SetCmplrLibPaths", 3, [s, win32] { return s->SetCmplrLibPaths(win32, kLib.Get()); }},
        {L"SetCmplrBinPath", 3, [s, win32] { return s->SetCmplrBinPath(win32, kBin.Get()); }},
        {L"SetCmplrDefaultOptions", 3, [s, win32] { return s->SetCmplrDefaultOptions(win32, kOptions.Get()); }},
    };
}

// The user's own settings beside what the first run seeded.
void StoreUserSettings(const std::vector<Operation>& operations) {
    for (const Operation& operation : operations) {
        if (operation.name.compare(0, 3, L"Set") == 0) operation.call();
    }
}

}  // namespace

bool RunServiceBench() {
    std::wprintf(L"== Tool-options service over the registry of the Wine prefix ==\n");
    host::Report report;
    if (!host::InstallSample(report)) return false;
    // A new user on this machine, so that every run starts from the first run's seeding.
    RegDeleteTreeW(HKEY_CURRENT_USER, host::kUserSettingsKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, host::kUserSettingsKey);

    ide::StandInIde ide;
    ide::SitedPackage sited(ide);
    const bool ready = SUCCEEDED(sited.Open(package::GetClassObject));
    IQZToolOptions* service = sited.service.Get();
    if (!report.Step(ready && SUCCEEDED(service->CheckPlatformLoading()), L"sited the package in this process")) {
        return false;
    }
    const INT win32 = FindCompiler(service, L"Win32", L"11.1.065");
    const INT x64 = FindCompiler(service, L"x64", L"11.1.065");
    if (!report.Step(win32 >= 0 && x64 >= 0, L"found the 11.1.065 compilers for Win32 and x64")) return false;
    const std::vector<Operation> operations = Operations(service, win32, x64);
    StoreUserSettings(operations);

    std::wprintf(L"\n%-36ls %5ls %5ls %11ls %11ls %6ls\n", L"operation", L"calls", L"floor", L"time/call", L"raw Reg*",
                 L"ratio");
    platform::IRegistry& direct = platform::Win32Registry();
    RecordingRegistry recorder(direct);
    bool ok = true;
    for (const Operation& operation : operations) {
        HRESULT hr;
        std::vector<RegCall> calls;
        {
            platform::ScopedRegistry counted(recorder);
            operation.call();
            recorder.StartRecording();
            hr = operation.call();
            calls = recorder.StopRecording();
        }
        const size_t made = calls.size();
        RawReplay replay(std::move(calls), direct);
        // Short batches of the operation and of its replay, side by side and
        // in turns, and the median of their ratios: another process's load
        // then weighs on both sides of a pair alike.
        const int perBatch = CallsPerBatch(operation.call, 0.002);
        std::vector<double> own, raw, ratios;
        for (int pair = 0; pair < kPairs; ++pair) {
            if (replay.Empty()) {
                own.push_back(BatchTime(operation.call, perBatch));
                continue;
            }
            const bool ownFirst = pair % 2 == 0;
            if (!ownFirst) raw.push_back(BatchTime([&] { replay.Run(); }, perBatch));
            own.push_back(BatchTime(operation.call, perBatch));
            if (ownFirst) raw.push_back(BatchTime([&] { replay.Run(); }, perBatch));
            ratios.push_back(own.back() / raw.back());
        }
        const double ownTime = Median(own) * 1e6;
        std::wstring rawText = L"-", ratioText = L"-";
        bool within = made <= operation.floor;
        if (!replay.Empty()) {
            const double ratio = Median(ratios);
            wchar_t text[32];
            std::swprintf(text, 32, L"%.2f us", Median(raw) * 1e6);
            rawText = text;
            std::swprintf(text, 32, L"%.2f", ratio);
            ratioText = text;
            within = within && ratio <= kTarget;
        }
        std::wprintf(L"%-36ls %5zu %5zu %8.2f us %11ls %6ls%ls\n", operation.name.c_str(), made, operation.floor,
                     ownTime, rawText.c_str(), ratioText.c_str(),
                     FAILED(hr) ? L"  (failed)"
                     : within   ? L""
                                : L"  <-- above");
        ok = ok && SUCCEEDED(hr);
    }
    std::wprintf(
        L"calls: registry calls per call, counted through platform/; floor: the fewest its algorithm needs;\n"
        L"raw Reg*: the same registry calls replayed straight through the Win32 API; ratio: median of\n"
        L"time/call over raw in 41 pairs of batches side by side; marked when above the floor or above 1.25.\n\n");
    return ok;
}

}  // namespace qz::bench

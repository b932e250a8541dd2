// Part 2: the work that grows with the number of installed compilers: building
// the compiler list, the first-run seeding of a new user's directories, and
// filling the Compilers page (its WM_INITDIALOG, as a real dialog under the
// null driver). Each over the in-memory registry, which shows the algorithm,
// and over the registry of the Wine prefix, which shows the real cost; each
// beside exactly its registry calls replayed straight through that registry,
// which tells the package's own cost from the registry's.
#include <windows.h>
#include <prsht.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench.h"
#include "commands.h"
#include "compilers/compiler_list.h"
#include "compilers/compiler_table.h"
#include "ide/sited_package.h"
#include "module/identifiers.h"
#include "package/class_factory.h"
#include "settings/first_run.h"
#include "testing/memory_registry.h"
#include "platform/registry.h"
#include "testing/product_install.h"
#include "testing/registry_sandbox.h"
#include "recording_registry.h"
#include "timing.h"
#include "module/registry_layout.h"

namespace qz::bench {
namespace {

// Where the timed first runs seed, apart from the model's own settings key.
constexpr wchar_t kSeedRoot[] = L"Software\\QZBench\\FirstRun";
constexpr int kSizes[] = {10, 100, 1000, 10000};

void Write(platform::RegKey& key, const wchar_t* name, const std::wstring& text) {
    key.WriteString(name, text.c_str(), text.size());
}

// `records` compilers, three per version key (Win32, x64 and EPIC targets),
// versions 11.0 to 12.0 with growing revisions, each with the values an
// installer writes; the product record and the IDE's two VC platforms.
void Install(int records) {
    const wchar_t* const archs[] = {L"PX32", L"HY64_NATIVE", L"Ventrix"};
    for (int version = 0; version * 3 < records; ++version) {
        const unsigned packed = 110 + version % 11, revision = version / 11;
        wchar_t name[16];
        std::swprintf(name, 16, L"%u.%03u", packed, revision);
        const std::wstring path = std::wstring(module::kCompilersKey) + L"\\" + name;
        const std::wstring productDir = L"C:\\Program Files\\Tavrel\\Compiler\\" + std::wstring(name) + L"\\";
        platform::RegKey key;
        key.Create(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ | KEY_WRITE);
        key.WriteDword(module::kMajorVersionValue, packed / 10);
        key.WriteDword(module::kMinorVersionValue, packed % 10);
        key.WriteDword(module::kRevisionValue, revision);
        Write(key, module::kSuiteNameValue, L"Tavrel Fortran Compiler Professional " + std::wstring(name));
        Write(key, module::kProductDirValue, productDir);
        for (int arch = 0; arch < 3 && version * 3 + arch < records; ++arch) {
            const std::wstring archPath = path + L"\\" + archs[arch];
            platform::RegKey compiler;
            compiler.Create(HKEY_LOCAL_MACHINE, archPath.c_str(), KEY_READ | KEY_WRITE);
            Write(compiler, module::kDisplayStringValue,
                  L"Tavrel Fortran Compiler " + std::wstring(name) + L" " + archs[arch]);
            Write(compiler, module::kProductIdValue, L"QMV");
            Write(compiler, module::kBinDirValue, productDir + L"bin\\" + archs[arch]);
            Write(compiler, module::kLibDirValue, productDir + L"lib\\" + archs[arch]);
            Write(compiler, module::kIncludeDirValue, productDir + L"include");
            platform::RegKey forThisIde;
            forThisIde.Create(HKEY_LOCAL_MACHINE, (archPath + L'\\' + module::kForThisIdeSubkey).c_str(),
                              KEY_READ | KEY_WRITE);
            Write(forThisIde, module::kDefaultOptionsValue, L"/nologo");
            Write(forThisIde, module::kIncludeDirValue, productDir + L"include\\vs2005");
        }
    }
    for (const wchar_t* vcPlatform : {L"Win32", L"Win64 (AMD64)"}) {
        platform::RegKey key;
        key.Create(HKEY_LOCAL_MACHINE, (std::wstring(module::kVcPlatformsKey.data()) + L"\\" + vcPlatform).c_str(),
                   KEY_READ);
    }
}

struct Figure {
    double seconds;     // one run
    double rawSeconds;  // its registry calls replayed straight through the registry
    double ownSeconds;  // the difference: the package's own cost
    double ratio;
    double callsPerRecord;
};

struct Figures {
    Figure build, seed, page;
};

// Records the registry calls of one run of `run` (`prepare` untimed before
// it), then times runs and replays of those calls in `repeats` pairs, side by
// side and in turns, `prepare` before each: medians of the times, of the
// differences and of the ratios.
template <class F, class P>
Figure Measure(int records, int repeats, F&& run, P&& prepare) {
    platform::IRegistry& registry = platform::Registry();
    RecordingRegistry recorder(registry);
    prepare();
    {
        platform::ScopedRegistry recorded(recorder);
        recorder.StartRecording();
        run();
    }
    std::vector<RegCall> calls = recorder.StopRecording();
    const double callsPerRecord = static_cast<double>(calls.size()) / records;
    RawReplay replay(std::move(calls), registry);
    std::vector<double> own, raw, difference, ratio;
    for (int pair = 0; pair < repeats; ++pair) {
        const auto timeRun = [&] { return MedianOfRuns(1, run, prepare); };
        const auto timeReplay = [&] {
            return MedianOfRuns(
                1, [&] { replay.Run(); }, prepare);
        };
        if (pair % 2 == 0) {
            own.push_back(timeRun());
            raw.push_back(timeReplay());
        } else {
            raw.push_back(timeReplay());
            own.push_back(timeRun());
        }
        difference.push_back(own.back() - raw.back());
        ratio.push_back(own.back() / raw.back());
    }
    return {Median(own), Median(raw), Median(difference), Median(ratio), callsPerRecord};
}

// The three figures over the registry in force, which holds `records` compilers.
std::optional<Figures> MeasureInstallation(int records, int repeats) {
    Install(records);
    ide::StandInIde ide;
    ide::SitedPackage sited(ide);
    if (FAILED(sited.Open(package::GetClassObject))) return std::nullopt;
    Figures figures{};

    std::optional<compilers::CompilerList> list;
    figures.build = Measure(
        records, repeats, [&] { list->Build(host::kUserSettingsKey); }, [&] { list.emplace(); });
    list.reset();

    figures.seed = Measure(
        records, repeats, [] { settings::SeedFirstRun(kSeedRoot); },
        [] { platform::Registry().DeleteTree(HKEY_CURRENT_USER, kSeedRoot); });
    platform::Registry().DeleteTree(HKEY_CURRENT_USER, kSeedRoot);

    // The model, its own first run and its compiler list come first, untimed,
    // as when the IDE asked for the service before the Options dialog opened.
    if (FAILED(sited.service->CheckPlatformLoading())) return std::nullopt;
    VSPROPSHEETPAGE sheet{};
    if (FAILED(sited.package->GetPropertyPage(module::GUID_TOCompilerPPG, &sheet))) return std::nullopt;
    PROPSHEETPAGEW record{};
    record.dwSize = sizeof record;
    record.lParam = sheet.lParam;
    sheet.pfnCallback(nullptr, PSPCB_CREATE, reinterpret_cast<LPPROPSHEETPAGEA>(&record));
    const HWND host =
        CreateWindowExW(0, L"STATIC", L"Options", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
    HWND page = nullptr;
    bool filled = true;
    figures.page = Measure(
        records, repeats,
        [&] {
            page = CreateDialogParamW(sheet.hInstance, MAKEINTRESOURCEW(sheet.wTemplateId), host, sheet.pfnDlgProc,
                                      reinterpret_cast<LPARAM>(&record));
            filled = filled && page;
        },
        [&] {
            if (page) DestroyWindow(page);
            page = nullptr;
        });
    if (page) DestroyWindow(page);
    sheet.pfnCallback(nullptr, PSPCB_RELEASE, reinterpret_cast<LPPROPSHEETPAGEA>(&record));
    DestroyWindow(host);
    if (!filled) return std::nullopt;
    return figures;
}

int RepeatsFor(int records) { return records >= 10000 ? 5 : records >= 1000 ? 7 : 9; }

void PrintRows(const wchar_t* work, const Figure (&figures)[4]) {
    for (int i = 0; i < 4; ++i) {
        const double n = kSizes[i];
        const Figure& figure = figures[i];
        std::wprintf(L"%-16ls %8d %10.2f %10.2f %10.2f %10.2f %6.2f %12.1f\n", i == 0 ? work : L"", kSizes[i],
                     figure.seconds * 1e3, figure.seconds * 1e6 / n, figure.rawSeconds * 1e6 / n,
                     figure.ownSeconds * 1e6 / n, figure.ratio, figure.callsPerRecord);
    }
}

bool RunOver(const wchar_t* title, bool inMemory) {
    std::wprintf(L"== %ls ==\n", title);
    Figure build[4], seed[4], page[4];
    for (int i = 0; i < 4; ++i) {
        std::optional<Figures> figures;
        try {
            // Fresh, empty hives for every size: a new machine with n compilers.
            std::unique_ptr<test::MemoryRegistry> memory;
            std::unique_ptr<platform::ScopedRegistry> scope;
            std::unique_ptr<test::RegistrySandbox> sandbox;
            if (inMemory) {
                memory = std::make_unique<test::MemoryRegistry>();
                scope = std::make_unique<platform::ScopedRegistry>(*memory);
                test::InstallProduct(*memory);
            } else {
                sandbox = std::make_unique<test::RegistrySandbox>();
                test::InstallProduct();
            }
            figures = MeasureInstallation(kSizes[i], RepeatsFor(kSizes[i]));
        } catch (const std::exception& error) {
            std::wprintf(L"[FAIL] %hs\n", error.what());
        }
        if (!figures) {
            std::wprintf(L"[FAIL] could not measure %d compilers\n", kSizes[i]);
            return false;
        }
        build[i] = figures->build;
        seed[i] = figures->seed;
        page[i] = figures->page;
    }
    std::wprintf(L"%-16ls %8ls %10ls %10ls %10ls %10ls %6ls %12ls\n", L"work", L"records", L"total ms", L"us/record",
                 L"raw us/rec", L"own us/rec", L"ratio", L"calls/record");
    PrintRows(L"compiler list", build);
    PrintRows(L"first-run seed", seed);
    PrintRows(L"Compilers page", page);
    std::wprintf(L"\n");
    return true;
}

}  // namespace

bool RunScalingBench() {
    std::wprintf(
        L"Compiler records: three per version key (Win32, x64, EPIC targets), all offered; the page fill\n"
        L"is the page's WM_INITDIALOG with its controls. raw: the same registry calls replayed straight\n"
        L"through the registry of the table; own: time less raw; medians of 5 to 9 pairs side by side.\n\n");
    const bool memory = RunOver(L"Growing installations, in-memory registry (the algorithm)", true);
    const bool wine = RunOver(L"Growing installations, registry of the Wine prefix (the real cost)", false);
    return memory && wine;
}

}  // namespace qz::bench

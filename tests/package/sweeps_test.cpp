// The evidence sweeps over every interface method of the package, the
// tool-options service and the options model, each case on a realistic
// installation of its own (InstalledSession):
// - the fault sweep runs every call once for each registry operation it makes,
//   with exactly that one failing;
// - the bad-input sweep passes what a careless or hostile caller passes: null
//   outs, handles and identifiers that name nothing, null, long and odd texts,
//   VARIANTs of every kind, calls after Close.
// No case may crash or leave an open key, a live object or a BSTR or SAFEARRAY.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/host.h"
#include "support/allocation_balance.h"
#include "support/installed_session.h"
#include "support/sweep_calls.h"
#include "support/system_test.h"

namespace qz::test {
namespace {

using platform::Bstr;
using platform::RegOp;
using platform::Variant;

// The outs of a call, freed together; the one numbered `nullAt` (from 1, in
// the order the call takes them) is passed as null.
struct Outs : CallOuts {
    template <class T>
    T* Out(T* out) {
        return ++seen == nullAt ? nullptr : out;
    }
    BSTR* Text() { return Out(&text); }
    INT* Number() { return Out(&number); }
    LONG* Flag() { return Out(&flag); }
    SAFEARRAY** List() { return Out(&list); }
    VARIANT* Value() { return Out(&value); }
    // What the call wrote, empty when nothing; frees it all.
    std::string Take() {
        std::string shown = CallOuts::Take() + (object ? " object" : "") + (info ? " type" : "");
        object.Reset();
        info.Reset();
        return shown;
    }

    int nullAt = 0;
    int seen = 0;
    platform::ComPtr<IDispatch> object;
    platform::ComPtr<ITypeInfo> info;
    VSPROPSHEETPAGE sheet{};
};

// A call named by its text; by-handle calls take the handle given.
struct Op {
    std::string name;
    std::function<HRESULT(InstalledSession& s, Outs& o, INT h)> call;
    bool byHandle;
};
#define QZ_CALL(call, byHandle)                                                                                       \
    Op {                                                                                                              \
#call, []([[maybe_unused]] auto& s, [[maybe_unused]] auto& o, [[maybe_unused]] INT h) { return call; },       \
                                                                                                             byHandle \
    }
#define QZ_OP(call) QZ_CALL(call, false)
#define QZ_BY_HANDLE(call) QZ_CALL(call, true)

IQZToolOptions* S(InstalledSession& s) { return s.service.Get(); }
IQZGeneralPPG* M(InstalledSession& s) { return s.Model(); }
Bstr B(const wchar_t* text) { return Bstr(text); }
platform::ComPtr<IServiceProvider> Provider(InstalledSession& s) {
    platform::ComPtr<IServiceProvider> own;
    s.package.As(&own);
    return own;
}

// The advise method neither keeps nor calls its sink.
struct NullSink : IZRBToolOptionEvents {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE OnToolOptionPropertyChanged(BSTR, BSTR, BSTR) override { return S_OK; }
};

// Each text setter, by handle or not, with the getter that reads it back.
template <class I, class... Handle>
struct PutGet {
    const char* name;
    HRESULT (STDMETHODCALLTYPE I::*put)(Handle..., BSTR);
    HRESULT (STDMETHODCALLTYPE I::*get)(Handle..., BSTR*);
};
#define QZ_PUT_GET(I, put, get) \
    { #put, &I::put, &I::get }
const PutGet<IQZToolOptions> kServiceTextPuts[] = {
    QZ_PUT_GET(IQZToolOptions, SetGapSuppressRemarks, GetGapSuppressRemarks),
    QZ_PUT_GET(IQZToolOptions, SetGapRemarksFile, GetGapRemarksFile),
    QZ_PUT_GET(IQZToolOptions, SetCurrentPlatformName, GetCurrentPlatformName)};
const PutGet<IQZToolOptions, INT> kServiceHandlePuts[] = {
    QZ_PUT_GET(IQZToolOptions, SetCmplrIncludePaths, GetCmplrIncludePaths),
    QZ_PUT_GET(IQZToolOptions, SetCmplrLibPaths, GetCmplrLibPaths),
    QZ_PUT_GET(IQZToolOptions, SetCmplrBinPath, GetCmplrBinPath),
    QZ_PUT_GET(IQZToolOptions, SetCmplrDefaultOptions, GetCmplrDefaultOptions)};
const PutGet<IQZGeneralPPG, int> kModelHandlePuts[] = {
    QZ_PUT_GET(IQZGeneralPPG, put_CmplrIncludePaths, get_CmplrIncludePaths),
    QZ_PUT_GET(IQZGeneralPPG, put_CmplrLibPaths, get_CmplrLibPaths),
    QZ_PUT_GET(IQZGeneralPPG, put_CmplrBinPath, get_CmplrBinPath),
    QZ_PUT_GET(IQZGeneralPPG, put_CmplrDefaultOptions, get_CmplrDefaultOptions),
    QZ_PUT_GET(IQZGeneralPPG, put_CmplrPPGIncludePaths, get_CmplrPPGIncludePaths),
    QZ_PUT_GET(IQZGeneralPPG, put_CmplrPPGLibPaths, get_CmplrPPGLibPaths),
    QZ_PUT_GET(IQZGeneralPPG, put_CmplrPPGBinPath, get_CmplrPPGBinPath),
    QZ_PUT_GET(IQZGeneralPPG, put_CmplrPPGDefaultOptions, get_CmplrPPGDefaultOptions)};

#define QZ_GET(target, m, out) QZ_OP(target(s)->m(o.out()))
#define QZ_HANDLE_TEXT(target, m) QZ_BY_HANDLE(target(s)->m(h, o.Text()))

// The setters of a table, each storing a path for the handle given.
template <class Puts, class Target>
void AddHandlePuts(std::vector<Op>* ops, const Puts& puts, Target target) {
    for (const auto& [name, put, get] : puts) {
        ops->push_back({name,
                        [put = put, target](auto& s, auto&, INT h) { return (target(s)->*put)(h, B(L"C:\\p").Get()); },
                        true});
    }
}

const std::vector<Op>& ServiceOps() {
    static NullSink sink;
    static const std::vector<Op> ops = [] {
        std::vector<Op> ops = {
            QZ_OP(S(s)->AdviseToolOptionEvents(&sink, reinterpret_cast<DWORD*>(o.Flag()))),
            QZ_OP(S(s)->UnadviseToolOptionEvents(5)),
            QZ_OP(S(s)->GetPlatforms(o.List())),
            QZ_OP(S(s)->GetPlatformCmplrs(B(L"Win32").Get(), o.List(), o.Out(&o.list2))),
            QZ_BY_HANDLE(S(s)->SetSelectedCmplr(h)),
            QZ_OP(S(s)->GetSelectedCmplr(B(L"Win32").Get(), o.Number())),
            QZ_OP(S(s)->GetFullPlatformsList(o.Number(), o.List())),
            QZ_OP(S(s)->GetSupportedPlatformsList(o.Number(), o.List())),
            QZ_OP(S(s)->GetUsedInCfgsPlatformsList(o.Number(), o.List())),
            QZ_OP(S(s)->GetDefaultPlatform(o.Text())),
            QZ_OP(S(s)->GetCurrentPlatformName(o.Text())),
            QZ_OP(S(s)->GetNameSupportedPlatformByIndex(1, o.Text())),
            QZ_OP(S(s)->CheckPlatformLoading()),
            QZ_OP(S(s)->GetCmplrFlags(1025, o.Number())),  // always S_OK: not swept as by-handle
            QZ_BY_HANDLE(S(s)->GetCmplrDisplay(h, o.Text(), o.Out(&o.text2))),
            QZ_OP(S(s)->IsPlatformSupported(B(L"x64").Get(), o.Flag())),
            QZ_BY_HANDLE(S(s)->IsEmptyCompiler(h, o.Flag())),
        };
        ops.insert(ops.end(), {QZ_GET(S, GetFortranExtensions, Text), QZ_GET(S, GetHeaderExtensions, Text),
                               QZ_GET(S, GetFreeFormatExt, Text), QZ_GET(S, GetFixedFormatExt, Text),
                               QZ_GET(S, GetFreeFormatExtHdr, Text), QZ_GET(S, GetFixedFormatExtHdr, Text),
                               QZ_GET(S, DefGetFreeFormatExt, Text), QZ_GET(S, DefGetFixedFormatExt, Text),
                               QZ_GET(S, DefGetFreeFormatExtHdr, Text), QZ_GET(S, DefGetFixedFormatExtHdr, Text),
                               QZ_GET(S, GetGapSuppressRemarks, Text), QZ_GET(S, GetGapRemarksFile, Text),
                               QZ_GET(S, GetGapLevel, Number), QZ_GET(S, GetGapSuppressWarnings, Number),
                               QZ_GET(S, GetGapRemarksToFile, Number), QZ_GET(S, GetGapShowDialog, Number),
                               QZ_GET(S, GetBuildLog, Flag), QZ_GET(S, GetContinueOnErrors, Flag),
                               QZ_GET(S, GetShowEnvInLog, Flag)});
        ops.insert(ops.end(), {QZ_OP(S(s)->SetGapLevel(3)), QZ_OP(S(s)->SetGapSuppressWarnings(3)),
                               QZ_OP(S(s)->SetGapRemarksToFile(3)), QZ_OP(S(s)->SetGapShowDialog(3))});
        for (const auto& [name, put, get] : kServiceTextPuts) {
            ops.push_back({name, [put = put](auto& s, auto&, INT) { return (S(s)->*put)(B(L"C:\\r").Get()); }, false});
        }
        ops.insert(ops.end(), {QZ_HANDLE_TEXT(S, GetCmplrVersion), QZ_HANDLE_TEXT(S, GetCmplrPlatform),
                               QZ_HANDLE_TEXT(S, GetCmplrProductDir), QZ_HANDLE_TEXT(S, GetCmplrDefIncludePaths),
                               QZ_HANDLE_TEXT(S, GetCmplrDefLibPaths), QZ_HANDLE_TEXT(S, GetCmplrDefBinPaths),
                               QZ_HANDLE_TEXT(S, GetCmplrDefDefaultOptions), QZ_HANDLE_TEXT(S, GetCmplrIncludePaths),
                               QZ_HANDLE_TEXT(S, GetCmplrLibPaths), QZ_HANDLE_TEXT(S, GetCmplrBinPath),
                               QZ_HANDLE_TEXT(S, GetCmplrDocPath), QZ_HANDLE_TEXT(S, GetCmplrDefaultOptions),
                               QZ_HANDLE_TEXT(S, GetCmplrPackageInfo)});
        AddHandlePuts(&ops, kServiceHandlePuts, S);
        return ops;
    }();
    return ops;
}

const std::vector<Op>& ModelOps() {
    static const std::vector<Op> ops = [] {
        std::vector<Op> ops = {
            QZ_OP(s.package->GetAutomationObject(module::kAutomationName, o.Out(o.object.Put()))),
            QZ_OP(s.package->GetPropertyPage(module::GUID_TOGAPPPG, o.Out(&o.sheet))),
            QZ_OP(M(s)->GetTypeInfo(0, 0, o.Out(o.info.Put()))),
            QZ_OP(M(s)->PutProperty(PropertyID(2), Variant::Text(L".f").Get())),
            QZ_OP(M(s)->PutProperty(PropertyID(4), Variant::Int(0).Get())),
            QZ_OP(M(s)->GetProperty(PropertyID(0), o.Value())),
            QZ_OP(M(s)->GetProperty(PropertyID(7), o.Value())),
            QZ_OP(M(s)->GetPropertyDef(PropertyID(3), o.Value())),
            QZ_OP(M(s)->get_Platforms(o.List())),
            QZ_OP(M(s)->get_PlatformCmplrs(B(L"x64").Get(), o.List(), o.Out(&o.list2))),
            QZ_BY_HANDLE(M(s)->get_CmplrFlags(h, o.Number())),
            QZ_OP(M(s)->GetSelectedCmplr(B(L"Win32").Get(), o.Number())),
            QZ_OP(M(s)->GetSelectedCmplr(B(L"Itanium").Get(), o.Number())),
            QZ_OP(M(s)->GetDefaultCmplr(B(L"Win32").Get(), o.Number())),
            QZ_BY_HANDLE(M(s)->SetSelectedCmplr(h)),
            QZ_OP(M(s)->ClearSelectedCmplr(B(L"Win32").Get())),
            QZ_OP(M(s)->GetFullPlatformsList(o.Number(), o.List())),
            QZ_OP(M(s)->GetSupportedPlatformsList(o.Number(), o.List())),
            QZ_OP(M(s)->GetUsedInCfgsPlatformsList(o.Number(), o.List())),
            QZ_OP(M(s)->GetDefaultPlatform(o.Text())),
            QZ_OP(M(s)->GetCurrentPlatformName(o.Text())),
            QZ_OP(M(s)->SetCurrentPlatformName(B(L"x64").Get())),
            QZ_OP(M(s)->GetNameSupportedPlatformByIndex(0, o.Text())),
            QZ_OP(M(s)->CheckPlatformLoading()),
            QZ_OP(M(s)->IsPlatformSupported(B(L"Win32").Get(), o.Flag())),
            QZ_BY_HANDLE(M(s)->IsEmptyCompiler(h, o.Flag())),
        };
        ops.insert(ops.end(), {QZ_HANDLE_TEXT(M, get_CmplrVersionString), QZ_HANDLE_TEXT(M, get_CmplrDisplayName),
                               QZ_HANDLE_TEXT(M, get_SuiteDisplayName), QZ_HANDLE_TEXT(M, get_CmplrPlatformName),
                               QZ_HANDLE_TEXT(M, get_CmplrDefIncludePaths), QZ_HANDLE_TEXT(M, get_CmplrDefLibPaths),
                               QZ_HANDLE_TEXT(M, get_CmplrDefBinPaths), QZ_HANDLE_TEXT(M, get_CmplrDefDefaultOptions),
                               QZ_HANDLE_TEXT(M, get_CmplrPackageInfo), QZ_HANDLE_TEXT(M, get_CmplrIncludePaths),
                               QZ_HANDLE_TEXT(M, get_CmplrLibPaths), QZ_HANDLE_TEXT(M, get_CmplrBinPath),
                               QZ_HANDLE_TEXT(M, get_CmplrDefaultOptions), QZ_HANDLE_TEXT(M, get_CmplrPPGIncludePaths),
                               QZ_HANDLE_TEXT(M, get_CmplrPPGLibPaths), QZ_HANDLE_TEXT(M, get_CmplrPPGBinPath),
                               QZ_HANDLE_TEXT(M, get_CmplrPPGDefaultOptions), QZ_HANDLE_TEXT(M, get_CmplrDocPath),
                               QZ_HANDLE_TEXT(M, GetCmplrProductDir)});
        AddHandlePuts(&ops, kModelHandlePuts, M);
        return ops;
    }();
    return ops;
}

// ---- the fault sweep ----

struct Outcome {
    HRESULT hr = S_OK;
    std::string outs;
    bool operator<(const Outcome& o) const { return std::tie(hr, outs) < std::tie(o.hr, o.outs); }
    bool operator==(const Outcome& o) const { return hr == o.hr && outs == o.outs; }
};
std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    return os << "0x" << std::hex << static_cast<unsigned long>(o.hr) << std::dec << o.outs;
}

// A value ("HKEY_...\\path" and a value name) or a key (no name) as the fault hook names it.
using Target = std::pair<std::wstring, std::optional<std::wstring>>;
using Stored = std::optional<MemoryRegistry::Value>;

Stored Read(const MemoryRegistry& r, const Target& t) {
    const size_t slash = t.first.find(L'\\');
    const HKEY root = t.first.compare(0, slash, L"HKEY_CURRENT_USER") == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    const std::wstring path = slash == std::wstring::npos ? L"" : t.first.substr(slash + 1);
    if (t.second) return r.Get(root, path, *t.second);
    return r.KeyExists(root, path) ? Stored(MemoryRegistry::Value{}) : std::nullopt;
}

struct Trial {
    Outcome outcome;
    size_t registryOps = 0;
    size_t messages = 0;
    std::set<Target> writes;
    std::unique_ptr<MemoryRegistry> registry;
};

// Where the call is made: on a fresh package (the options model is made by the
// call), the same for a new user (whose first run the call seeds), or on a
// package whose model has built its compiler list.
enum class Start { Fresh, FirstRun, Loaded };

// Stands in for the failing operation: the data as the system sees it when a
// read cannot be made.
using Degrade = std::function<void(MemoryRegistry&)>;

// Every value of the installation missing or unreadable; every key of it, up
// to the keys the system names, missing or empty.
std::vector<Degrade> Degradations() {
    std::vector<Degrade> all;
    std::set<std::pair<HKEY, std::wstring>> keys;
    const auto anchored = [](const std::wstring& path) {
        for (const wchar_t* anchor :
             {L"Software\\Tavrel\\Compilers\\Fortran",
              L"Software\\Microsoft\\VisualStudio\\8.0\\VC\\VC_OBJECTS_PLATFORM_INFO", kSettingsPath, kProductKey}) {
            if (path.compare(0, wcslen(anchor), anchor) == 0) return true;
        }
        return false;
    };
    const auto emptied = [](HKEY root, const std::wstring& path, const wchar_t* value) {
        return [=](MemoryRegistry& r) {
            HKEY key = nullptr;
            if (r.OpenKey(root, path.c_str(), KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
            value ? r.DeleteValue(key, value) : r.DeleteTree(key, nullptr);
            r.CloseKey(key);
        };
    };
    for (const RegistryEntry& e : InstalledEntries()) {
        all.push_back(emptied(e.root, e.path, e.name.c_str()));
        all.push_back([e](MemoryRegistry& r) { r.Set(e.root, e.path, e.name, REG_BINARY, {1}); });
        for (std::wstring path = e.path; anchored(path); path.resize(path.rfind(L'\\'))) keys.insert({e.root, path});
    }
    for (const auto& [root, path] : keys) {
        all.push_back([root = root, path = path](MemoryRegistry& r) { r.DeleteTree(root, path.c_str()); });
        all.push_back(emptied(root, path, nullptr));
    }
    return all;
}

class FaultSweepTest : public SystemTest {
protected:
    Trial Execute(const Op& op, INT handle, Start start, size_t failAt, const Degrade& degrade = {}) {
        Trial run;
        InstalledSession session(ide);
        if (start == Start::Loaded) {
            EXPECT_EQ(session.service->CheckPlatformLoading(), S_OK);
        }
        if (start == Start::FirstRun) session.registry->DeleteTree(HKEY_CURRENT_USER, kSettingsPath);
        if (degrade) degrade(*session.registry);
        AllocationBalance balance;
        session.registry->SetFaultHook([&](RegOp regOp, const std::wstring& key, const wchar_t* name) -> LONG {
            ++run.registryOps;
            if (regOp == RegOp::SetValue || regOp == RegOp::DeleteValue) run.writes.insert({key, name ? name : L""});
            if (regOp == RegOp::Create || regOp == RegOp::DeleteTree) run.writes.insert({key, std::nullopt});
            // Failure codes in turn, so that none is mistaken for a particular answer.
            static constexpr LONG kErrors[] = {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA};
            return run.registryOps == failAt ? kErrors[failAt % 3] : ERROR_SUCCESS;
        });
        Outs outs;
        run.outcome.hr = op.call(session, outs, handle);
        run.outcome.outs = outs.Take();
        session.registry->SetFaultHook({});
        const std::string where = op.name + " failing at " + std::to_string(failAt);
        EXPECT_EQ(session.registry->OpenHandleCount(), 0u) << where;
        run.messages = session.windows.MessageBoxes().size();
        session.Close();
        EXPECT_EQ(module::ModuleLockCount(), 0) << where << ": an object left alive";
        EXPECT_EQ(balance.Outstanding(), 0u) << where << ": a BSTR or SAFEARRAY left";
        run.registry = std::move(session.registry);
        return run;
    }

    // Whatever fails, the answer is the call's answer without failures, what
    // it answers when the data it reads is missing or unreadable, or E_FAIL
    // for a value it writes. When the options settings key cannot be
    // established, the registry message is shown once and the call answers as
    // when that key is unavailable from the start (or a selection may still be
    // written). No value is half-written: it is as it was, as the call writes
    // it, or as missing data makes it write; and but for a new user's seeding
    // a failed call changes none, a successful one writes all.
    void Sweep(const std::vector<Op>& ops, Start start) {
        platform::ScopedX64Host host(false);
        MemoryRegistry pristine;
        InstallEntries(pristine);
        if (start == Start::FirstRun) pristine.DeleteTree(HKEY_CURRENT_USER, kSettingsPath);
        size_t points = 0;
        for (size_t i = 0; i < ops.size(); ++i) {
            const Op& op = ops[i];
            // The installation's three compilers in turn, so that every kind of record is met.
            const INT handle = 1024 + static_cast<INT>(i % 3);
            const Trial unavailable = Execute(op, handle, Start::Fresh, 0, [](MemoryRegistry& r) {
                const std::wstring settings = std::wstring(L"HKEY_CURRENT_USER\\") + kSettingsPath;
                r.FailOn(RegOp::Open, settings, ERROR_ACCESS_DENIED);
                r.FailOn(RegOp::Create, settings, ERROR_ACCESS_DENIED);
            });
            const bool writes = !Execute(op, handle, Start::Loaded, 0).writes.empty();
            const Trial baseline = Execute(op, handle, start, 0);
            EXPECT_EQ(baseline.messages, 0u) << op.name;
            // What the call answers and stores when data it reads is missing or unreadable, made on first need.
            std::set<Outcome> degradedOutcomes;
            std::map<Target, std::vector<Stored>> degradedValues;
            const auto degraded = [&]() -> bool {
                for (const Degrade& degrade : degradedOutcomes.empty() ? Degradations() : std::vector<Degrade>{}) {
                    Trial missing = Execute(op, handle, start, 0, degrade);
                    degradedOutcomes.insert(missing.outcome);
                    for (const Target& t : missing.writes) degradedValues[t].push_back(Read(*missing.registry, t));
                }
                return true;
            };
            for (size_t k = 1; k <= baseline.registryOps; ++k, ++points) {
                const Trial run = Execute(op, handle, start, k);
                const std::string where = op.name + " with registry operation " + std::to_string(k) + " of " +
                                          std::to_string(baseline.registryOps) + " failing: answered ";
                const Outcome& got = run.outcome;
                const bool writeFailed = writes && got.hr == E_FAIL;
                if (run.messages > 0) {
                    EXPECT_EQ(run.messages, 1u) << where << got;
                    EXPECT_TRUE(got == unavailable.outcome || (writes && (got == baseline.outcome || writeFailed)))
                        << where << got << ", unavailable " << unavailable.outcome;
                } else {
                    EXPECT_TRUE(got == baseline.outcome || writeFailed || (degraded() && degradedOutcomes.count(got)))
                        << where << got << ", neither " << baseline.outcome << " nor what missing data gives";
                }
                std::set<Target> touched = run.writes;
                touched.insert(baseline.writes.begin(), baseline.writes.end());
                for (const Target& t : touched) {
                    const Stored after = Read(*run.registry, t), before = Read(pristine, t);
                    const Stored written = Read(*baseline.registry, t);
                    const std::string name(t.first.begin(), t.first.end());
                    if (t.second && run.messages == 0 && start != Start::FirstRun) {
                        EXPECT_EQ(after, FAILED(got.hr) ? before : written) << where << got << ", " << name;
                    }
                    EXPECT_TRUE(after == before || after == written ||
                                (degraded() && std::count(degradedValues[t].begin(), degradedValues[t].end(), after)))
                        << where << got << ", " << name << " half-written";
                }
            }
        }
        std::printf("fault sweep %s: %zu operations, %zu failure points\n",
                    ::testing::UnitTest::GetInstance()->current_test_info()->name(), ops.size(), points);
        RecordProperty("failure_points", static_cast<int>(points));
    }

    ide::StandInIde ide;
};

// The balance is only evidence if Wine's automation runtime allocates through the spy.
TEST(AllocationBalanceTest, SeesBstrsAndSafeArraysOfItsScope) {
    AllocationBalance balance;
    ASSERT_TRUE(balance.Active());
    BSTR text = SysAllocString(L"left over");
    SAFEARRAY* list = SafeArrayCreateVector(VT_BSTR, 0, 2);
    EXPECT_EQ(balance.Outstanding(), 2u) << "the text and the array (one block for a vector)";
    SafeArrayDestroy(list);
    EXPECT_EQ(balance.Outstanding(), 1u);
    SysFreeString(text);
    EXPECT_EQ(balance.Outstanding(), 0u) << "a freed text goes back to the allocator, not to a cache";
}

TEST_F(FaultSweepTest, ServiceOnAFreshPackage) { Sweep(ServiceOps(), Start::Fresh); }
TEST_F(FaultSweepTest, ServiceOnTheFirstRun) { Sweep(ServiceOps(), Start::FirstRun); }
TEST_F(FaultSweepTest, ServiceWithTheCompilerListBuilt) { Sweep(ServiceOps(), Start::Loaded); }
TEST_F(FaultSweepTest, ModelOnAFreshPackage) { Sweep(ModelOps(), Start::Fresh); }
TEST_F(FaultSweepTest, ModelOnTheFirstRun) { Sweep(ModelOps(), Start::FirstRun); }
TEST_F(FaultSweepTest, ModelWithTheCompilerListBuilt) { Sweep(ModelOps(), Start::Loaded); }

// ---- the bad-input sweep ----

// Handles that name nothing: the installation's are 1024 to 1026.
constexpr INT kBadHandles[] = {1023, 1027, -1, INT_MIN, INT_MAX};
// What a probe answers for a case that turns out not to exist (a null for an
// out the call does not have).
constexpr HRESULT kNoSuchCase = 0x7EEEEEEE;
constexpr DISPID kPut = 0x60020000, kGet = 0x60020001, kVersion = 12;

template <class... A>
std::vector<Variant> Args(A&&... args) {
    std::vector<Variant> all;
    (all.push_back(std::forward<A>(args)), ...);
    return all;
}
Variant Real(double value) {
    Variant v;
    V_VT(&v.Get()) = VT_R8;
    V_R8(&v.Get()) = value;
    return v;
}

// The model's PutProperty, GetProperty and CmplrVersionString through IDispatch;
// a failure of the method itself arrives as its own code.
HRESULT Invoke(InstalledSession& s, DISPID id, std::vector<Variant> args, VARIANT* result) {
    std::vector<VARIANT> reversed;  // DISPPARAMS take the arguments last first
    for (auto arg = args.rbegin(); arg != args.rend(); ++arg) reversed.push_back(arg->Get());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO info{};
    const WORD flags = id == kVersion ? DISPATCH_PROPERTYGET : DISPATCH_METHOD;
    HRESULT hr = M(s)->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &info, nullptr);
    if (hr == DISP_E_EXCEPTION) hr = info.scode;
    for (BSTR text : {info.bstrSource, info.bstrDescription, info.bstrHelpFile}) SysFreeString(text);
    return hr;
}

std::wstring LongText() {
    std::wstring text(65536, L'x');
    for (size_t i = 0; i < text.size(); i += 97) text[i] = L';';
    return text;
}

using Probe = std::function<HRESULT(InstalledSession&, Outs&)>;

class BadInputTest : public SystemTest {
protected:
    // One case on a fresh installation with its compiler list built: its answer
    // and what it wrote to its outs; no registry value is written unless
    // `mayWrite`.
    void Expect(const std::string& name, const Probe& call, HRESULT expected, const std::string& outs = "",
                bool mayWrite = false) {
        InstalledSession session(ide);
        EXPECT_EQ(session.service->CheckPlatformLoading(), S_OK);
        session.registry->ResetCounts();
        AllocationBalance balance;
        Outs written;
        const HRESULT hr = call(session, written);
        if (hr != kNoSuchCase) {
            ++cases;
            EXPECT_EQ(hr, expected) << name;
            EXPECT_EQ(written.Take(), outs) << name;
            const size_t writes = session.registry->Count(RegOp::SetValue) + session.registry->Count(RegOp::Create);
            EXPECT_TRUE(mayWrite || writes == 0) << name << " wrote to the registry";
        }
        written.Take();
        EXPECT_EQ(session.registry->OpenHandleCount(), 0u) << name;
        session.Close();
        EXPECT_EQ(module::ModuleLockCount(), 0) << name << ": an object left alive";
        EXPECT_EQ(balance.Outstanding(), 0u) << name << ": a BSTR or SAFEARRAY left";
    }
    void Report(const char* what) {
        std::printf("bad-input sweep: %zu %s\n", cases, what);
        RecordProperty("cases", static_cast<int>(cases));
    }

    platform::ScopedX64Host host{false};
    ide::StandInIde ide;
    size_t cases = 0;
};

// Every out, one at a time, null: E_POINTER before anything else. A handle
// that names nothing: E_INVALIDARG. A caller that keeps the service past the
// package's Close: E_POINTER for a null out, else E_UNEXPECTED, and no model
// is made.
TEST_F(BadInputTest, NullOutsHandlesOfNothingAndCallsAfterClose) {
    for (const auto* ops : {&ServiceOps(), &ModelOps()}) {
        for (const Op& op : *ops) {
            for (int at = 1; at <= 2; ++at) {
                const auto nulled = [&op, at](auto& s, auto& o) {
                    o.nullAt = at;
                    const HRESULT hr = op.call(s, o, 1024);
                    return o.seen < at ? kNoSuchCase : hr;
                };
                Expect(op.name + ", out " + std::to_string(at) + " null", nulled, E_POINTER);
            }
            for (INT h : kBadHandles) {
                const auto call = [&op, h](auto& s, auto& o) { return op.byHandle ? op.call(s, o, h) : kNoSuchCase; };
                Expect(op.name + " of " + std::to_string(h), call, E_INVALIDARG);
            }
        }
    }
    for (const Op& op : ServiceOps()) {
        for (int at = 0; at <= 2; ++at) {
            const auto late = [&op, at](auto& s, auto& o) {
                platform::ComPtr<IQZToolOptions> kept = s.service;
                s.Close();
                s.service = kept;
                o.nullAt = at;
                const HRESULT hr = op.call(s, o, 1024);
                s.service.Reset();
                EXPECT_EQ(s.registry->TotalCount(), 0u) << op.name << ": a late call made a model";
                return at > 0 && o.seen < at ? kNoSuchCase : hr;
            };
            Expect(op.name + " after Close, out " + std::to_string(at) + " null", late, at ? E_POINTER : E_UNEXPECTED);
        }
    }
    Report("calls with a null out, a handle of nothing or after Close");
}

HRESULT NameToId(InstalledSession& s, const wchar_t* name, bool nullNames, bool nullIds) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = 0;
    return M(s)->GetIDsOfNames(IID_NULL, nullNames ? nullptr : names, 1, 0, nullIds ? nullptr : &id);
}
HRESULT InvokeRaw(InstalledSession& s, REFIID iid, bool withParameters) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return M(s)->Invoke(kGet, iid, 0, DISPATCH_METHOD, withParameters ? &none : nullptr, nullptr, nullptr, nullptr);
}

// A case named by its call, in the scope's trace.
#define QZ_EXPECT(call, ...) \
    Expect(                  \
        #call, [=]([[maybe_unused]] auto& s, [[maybe_unused]] auto& o) { return call; }, __VA_ARGS__)

TEST_F(BadInputTest, UnknownNamesAndIdentifiersAndNullTexts) {
    for (INT h : kBadHandles) {
        SCOPED_TRACE(h);
        // The service's flags are always S_OK; nothing is written for a handle that names nothing.
        QZ_EXPECT(S(s)->GetCmplrFlags(h, o.Number()), S_OK);
        QZ_EXPECT(S(s)->GetNameSupportedPlatformByIndex(h, o.Text()), S_OK, " ''");
    }
    QZ_EXPECT(S(s)->AdviseToolOptionEvents(nullptr, reinterpret_cast<DWORD*>(o.Flag())), E_INVALIDARG);
    for (const wchar_t* name : {static_cast<const wchar_t*>(nullptr), L"", L"win32", L"Win32 "}) {
        SCOPED_TRACE(name ? name : L"(null)");
        QZ_EXPECT(S(s)->GetPlatformCmplrs(Bstr(name).Get(), o.List(), o.Out(&o.list2)), E_FAIL);
        QZ_EXPECT(S(s)->IsPlatformSupported(Bstr(name).Get(), o.Flag()), S_OK);
        QZ_EXPECT(M(s)->GetDefaultCmplr(Bstr(name).Get(), o.Number()), S_OK, " int -1");
        // A name without an entry gets one, holding an empty compiler.
        QZ_EXPECT(S(s)->GetSelectedCmplr(Bstr(name).Get(), o.Number()), S_OK, " int 1027");
        QZ_EXPECT(M(s)->ClearSelectedCmplr(Bstr(name).Get()), S_OK, "", true);
    }
    for (const auto& [name, put, get] : kServiceHandlePuts) QZ_EXPECT((S(s)->*put)(1025, nullptr), E_FAIL);
    // A null BSTR is COM's empty text.
    for (const auto& [name, put, get] : kServiceTextPuts) QZ_EXPECT((S(s)->*put)(nullptr), S_OK, "", true);
    QZ_EXPECT(M(s)->PutProperty(PropertyID(9), Variant::Text(nullptr).Get()), S_OK, "", true);
    for (int id : {-1, 13, INT_MIN, INT_MAX, int(0x8C000000), int(0x8C000007), int(0x8C00000C)}) {
        SCOPED_TRACE(id);
        QZ_EXPECT(M(s)->GetProperty(PropertyID(id), o.Value()), E_INVALIDARG);
        QZ_EXPECT(M(s)->GetPropertyDef(PropertyID(id), o.Value()), E_FAIL);
        QZ_EXPECT(M(s)->PutProperty(PropertyID(id), Variant::Int(1).Get()), E_INVALIDARG);
    }
    // IDispatch: arguments are converted where they can be, refused where not.
    QZ_EXPECT(Invoke(s, kPut, Args(Variant::Int(7), Variant::Text(L"12")), nullptr), S_OK, "", true);
    QZ_EXPECT(Invoke(s, kPut, Args(Variant::Int(0), Variant::Int(5)), nullptr), S_OK, "", true);
    QZ_EXPECT(Invoke(s, kPut, Args(Variant::Int(7), Variant::Text(L"three")), nullptr), DISP_E_TYPEMISMATCH);
    QZ_EXPECT(Invoke(s, kPut, Args(Variant::Text(L"GapLevel"), Variant::Int(1)), nullptr), DISP_E_TYPEMISMATCH);
    QZ_EXPECT(Invoke(s, kPut, Args(Variant::Int(13), Variant::Int(1)), nullptr), E_INVALIDARG);
    QZ_EXPECT(Invoke(s, kGet, Args(Variant::Int(7)), o.Value()), S_OK, " vt3 2");
    QZ_EXPECT(Invoke(s, kGet, Args(Variant::Int(7), Variant::Int(7)), o.Value()), DISP_E_BADPARAMCOUNT);
    QZ_EXPECT(Invoke(s, kVersion, Args(Variant::Text(L"1024")), o.Value()), S_OK, " '12.0'");
    QZ_EXPECT(Invoke(s, kVersion, Args(Real(1024.0)), o.Value()), S_OK, " '12.0'");
    QZ_EXPECT(Invoke(s, kVersion, Args(Real(1e12)), o.Value()), DISP_E_OVERFLOW);
    QZ_EXPECT(Invoke(s, kVersion, Args(Variant::Int(INT_MAX)), nullptr), E_INVALIDARG);
    QZ_EXPECT(InvokeRaw(s, IID_IQZGeneralPPG, true), DISP_E_UNKNOWNINTERFACE);
    QZ_EXPECT(InvokeRaw(s, IID_NULL, false), E_INVALIDARG);
    static const std::wstring longName = LongText();
    for (const wchar_t* name : {longName.c_str(), L"", static_cast<const wchar_t*>(nullptr)}) {
        QZ_EXPECT(NameToId(s, name, false, false), DISP_E_UNKNOWNNAME);
    }
    QZ_EXPECT(NameToId(s, L"GetProperty", true, false), E_POINTER);
    QZ_EXPECT(NameToId(s, L"GetProperty", false, true), E_POINTER);
    // The package's own methods.
    QZ_EXPECT(s.package->GetAutomationObject(longName.c_str(), o.Out(o.object.Put())), E_NOTIMPL);
    const std::pair<const GUID*, const IID*> services[] = {{&GUID_NULL, &IID_IUnknown},
                                                           {&IID_IQZGeneralPPG, &IID_IUnknown},
                                                           {&module::SID_SQZToolOptions, &IID_IDispatch}};
    for (const auto& [service, iid] : services) {
        QZ_EXPECT(Provider(s)->QueryService(*service, *iid, o.Out(o.object.PutVoid())), E_NOINTERFACE);
    }
    Report("cases of names, identifiers and texts that name nothing");
}

// Every text setter given 64 K characters, an embedded zero and characters
// beyond the BMP: read back whole, or refused with nothing stored.
TEST_F(BadInputTest, TextsAreKeptWholeOrRefusedCleanly) {
    using Trip = std::function<HRESULT(InstalledSession&, BSTR, BSTR*)>;
    std::vector<std::pair<std::string, Trip>> trips;
    // A text setter, by handle or not, with the getter that reads it back.
    const auto add = [&](const char* name, auto put, auto get, auto target, auto... handle) {
        trips.push_back({name, [=](InstalledSession& s, BSTR text, BSTR* back) {
                             const HRESULT hr = (target(s)->*put)(handle..., text);
                             return FAILED(hr) ? hr : (target(s)->*get)(handle..., back);
                         }});
    };
    for (const auto& [name, put, get] : kServiceTextPuts) add(name, put, get, S);
    for (const auto& [name, put, get] : kServiceHandlePuts) add(name, put, get, S, 1026);
    for (const auto& [name, put, get] : kModelHandlePuts) add(name, put, get, M, 1024);
    for (int id : {0, 1, 2, 3, 9, 11}) {
        trips.push_back({"option " + std::to_string(id), [id](auto& s, BSTR text, BSTR* back) {
                             VARIANT value;
                             V_VT(&value) = VT_BSTR;
                             V_BSTR(&value) = text;
                             HRESULT hr = M(s)->PutProperty(PropertyID(id), value);
                             if (SUCCEEDED(hr)) hr = M(s)->GetProperty(PropertyID(id), &value);
                             *back = SUCCEEDED(hr) && V_VT(&value) == VT_BSTR ? V_BSTR(&value) : nullptr;
                             return hr;
                         }});
    }
    trips.push_back({"model current platform", [](auto& s, BSTR text, BSTR* back) {
                         const HRESULT hr = M(s)->SetCurrentPlatformName(text);
                         return FAILED(hr) ? hr : M(s)->GetCurrentPlatformName(back);
                     }});
    // The platform name becomes a value name, which the registry may refuse.
    trips.push_back({"selection of a long platform", [](auto& s, BSTR text, BSTR* back) {
                         int handle = 0;
                         HRESULT hr = M(s)->ClearSelectedCmplr(text);
                         if (SUCCEEDED(hr)) hr = M(s)->GetSelectedCmplr(text, &handle);
                         return FAILED(hr) ? hr : M(s)->get_CmplrPlatformName(handle, back);
                     }});
    const std::wstring texts[] = {LongText(), std::wstring(L"C:\\a\0b;", 7), L"C:\\\u00e9t\u00e9\\\U0001F600;\u4e2d"};
    for (const std::wstring& text : texts) {
        for (const auto& [name, trip] : trips) {
            const auto kept = [&, &trip = trip](auto& s, auto&) {
                Bstr input(text.data(), static_cast<UINT>(text.size())), back;
                const HRESULT hr = trip(s, input.Get(), back.Put());
                if (FAILED(hr)) {
                    for (const RegistryEntry& e : InstalledEntries())
                        EXPECT_EQ(s.registry->Get(e.root, e.path, e.name), e.value);
                    return hr == E_FAIL ? S_OK : hr;
                }
                return std::wstring(back.Text(), back.Length()) == text ? S_OK : E_UNEXPECTED;
            };
            Expect(name + ": kept whole or refused with E_FAIL, nothing stored", kept, S_OK, "", true);
        }
    }
    std::printf("bad-input sweep: %zu texts (64 K characters, an embedded zero, beyond the BMP) through %zu setters\n",
                std::size(texts), trips.size());
}

// An option given a VARIANT of any type: stored converted to the option's
// kind, or refused with nothing stored.
TEST_F(BadInputTest, OptionsTakeAnyVariantConvertedOrRefused) {
    LONG number = 42;
    Bstr owned(L".g"), two(L"2");
    BSTR text = owned.Get();
    SAFEARRAY* emptyArray = SafeArrayCreateVector(VT_BSTR, 0, 0);
    const auto typed = [](VARTYPE type, LONGLONG bits) {
        VARIANT v;
        VariantInit(&v);
        V_VT(&v) = type;
        V_I8(&v) = bits;
        return v;
    };
    // Not owned: nothing here is cleared but the array, at the end.
    const VARIANT values[] = {typed(VT_BSTR, reinterpret_cast<LONGLONG>(two.Get())),
                              typed(VT_I4, 12),
                              typed(VT_EMPTY, 0),
                              typed(VT_NULL, 0),
                              typed(VT_UNKNOWN, 0),
                              typed(VT_DISPATCH, 0),
                              typed(VT_BYREF | VT_I4, reinterpret_cast<LONGLONG>(&number)),
                              typed(VT_BYREF | VT_BSTR, reinterpret_cast<LONGLONG>(&text)),
                              typed(VT_ARRAY | VT_BSTR, reinterpret_cast<LONGLONG>(emptyArray)),
                              Real(std::nan("")).Get(),
                              typed(VT_I8, 1LL << 40),
                              typed(VT_BOOL, VARIANT_TRUE),
                              typed(VT_ERROR, DISP_E_PARAMNOTFOUND)};
    for (const VARIANT& value : values) {
        for (int id : {0, 7}) {
            // S_OK when stored as VariantChangeType converts it, or refused as a type mismatch.
            const auto stored = [id, v = value](auto& s, auto&) mutable {
                Outs before, after, converted;
                M(s)->GetProperty(PropertyID(id), before.Value());
                const HRESULT hr = M(s)->PutProperty(PropertyID(id), v);
                M(s)->GetProperty(PropertyID(id), after.Value());
                if (FAILED(hr)) return hr == DISP_E_TYPEMISMATCH && after.Take() == before.Take() ? S_OK : hr;
                VariantChangeType(converted.Value(), &v, 0, id == 0 ? VT_BSTR : VT_I4);
                return after.Take() == converted.Take() ? S_OK : E_UNEXPECTED;
            };
            Expect("vt " + std::to_string(V_VT(&value)) + (id ? " into a number" : " into a text"), stored, S_OK, "",
                   true);
        }
    }
    SafeArrayDestroy(emptyArray);
    std::printf("bad-input sweep: %zu VARIANT types into a text and a number option\n", std::size(values));
}

}  // namespace
}  // namespace qz::test

// Every operation of the tool-options service and of the options model, run
// once for each registry operation it performs with exactly that one failing.
// A failed read must answer as if the data were missing (a default, a
// fallback, a dropped compiler, or the read's own failure code), a failed
// write must answer a failure and leave the old value, a failed options
// settings key must leave the model unavailable with the registry failure
// message shown once; never a crash, an open key, a live object or a leaked
// BSTR or SAFEARRAY.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
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

using platform::RegOp;
using test::MemoryRegistry;

using Call = std::function<HRESULT(InstalledSession&, CallOuts&)>;

// What a call may answer, besides its answer without failures, when one
// registry operation fails while the options model is available.
constexpr unsigned kOk = 1;    // S_OK: reads fall back to defaults, lists drop what they cannot read
constexpr unsigned kFail = 2;  // E_FAIL: a value that cannot be read or written

// The selection setters do not look at the unavailable state: their answer
// depends on how far the options settings key was established.
constexpr HRESULT kIgnoresState = S_FALSE;

struct Op {
    const char* name;
    // The documented answer of an unavailable options model.
    HRESULT unavailable;
    unsigned failures;
    Call call;
};

bool Allowed(unsigned failures, HRESULT hr) {
    return (hr == S_OK && (failures & kOk)) || (hr == E_FAIL && (failures & kFail));
}

platform::Bstr B(const wchar_t* text) { return platform::Bstr(text); }
IQZToolOptions* S(InstalledSession& s) { return s.service.Get(); }
IQZGeneralPPG* M(InstalledSession& s) { return s.Model(); }

// The by-handle getters and setters of an interface, on the installation's
// three compilers in turn, so that every kind of compiler record is met.
template <class Texts, class Puts, class Target>
void AddByHandle(std::vector<Op>* ops, const Texts& texts, const Puts& puts, Target target) {
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ops->push_back(
            {texts[i].name, S_OK, kOk | kFail, [m = texts[i].method, h = 1024 + int(i % 3), target](auto& s, auto& o) {
                 return (target(s)->*m)(h, &o.text);
             }});
    }
    for (std::size_t i = 0; i < puts.size(); ++i) {
        ops->push_back(
            {puts[i].name, S_OK, kOk | kFail, [m = puts[i].put, h = 1024 + int(i % 3), target](auto& s, auto&) {
                 return (target(s)->*m)(h, B(L"C:\\p").Get());
             }});
    }
}

const std::vector<Op>& ServiceOps() {
    static NullSink sink;
    static const std::vector<Op> ops = [] {
        std::vector<Op> ops = {
            {"AdviseToolOptionEvents", S_OK, kOk,
             [](auto& s, auto& o) { return S(s)->AdviseToolOptionEvents(&sink, reinterpret_cast<DWORD*>(&o.flag)); }},
            {"UnadviseToolOptionEvents", S_OK, kOk, [](auto& s, auto&) { return S(s)->UnadviseToolOptionEvents(5); }},
            {"GetPlatforms", S_OK, kOk, [](auto& s, auto& o) { return S(s)->GetPlatforms(&o.list); }},
            {"GetPlatformCmplrs", S_OK, kOk,
             [](auto& s, auto& o) { return S(s)->GetPlatformCmplrs(B(L"Win32").Get(), &o.list, &o.list2); }},
            {"SetSelectedCmplr", kIgnoresState, kOk | kFail,
             [](auto& s, auto&) { return S(s)->SetSelectedCmplr(1025); }},
            {"GetSelectedCmplr", E_FAIL, kOk,
             [](auto& s, auto& o) { return S(s)->GetSelectedCmplr(B(L"Win32").Get(), &o.number); }},
            {"GetFullPlatformsList", S_OK, kOk,
             [](auto& s, auto& o) { return S(s)->GetFullPlatformsList(&o.number, &o.list); }},
            {"GetSupportedPlatformsList", S_OK, kOk,
             [](auto& s, auto& o) { return S(s)->GetSupportedPlatformsList(&o.number, &o.list); }},
            {"GetUsedInCfgsPlatformsList", S_OK, kOk,
             [](auto& s, auto& o) { return S(s)->GetUsedInCfgsPlatformsList(&o.number, &o.list); }},
            {"GetDefaultPlatform", E_FAIL, kOk, [](auto& s, auto& o) { return S(s)->GetDefaultPlatform(&o.text); }},
            {"GetCurrentPlatformName", E_UNEXPECTED, kOk,
             [](auto& s, auto& o) { return S(s)->GetCurrentPlatformName(&o.text); }},
            {"GetNameSupportedPlatformByIndex", S_OK, kOk,
             [](auto& s, auto& o) { return S(s)->GetNameSupportedPlatformByIndex(1, &o.text); }},
            {"CheckPlatformLoading", S_OK, kOk, [](auto& s, auto&) { return S(s)->CheckPlatformLoading(); }},
            {"GetCmplrFlags", S_OK, kOk, [](auto& s, auto& o) { return S(s)->GetCmplrFlags(1025, &o.number); }},
            {"GetCmplrDisplay", S_OK, kOk,
             [](auto& s, auto& o) { return S(s)->GetCmplrDisplay(1025, &o.text, &o.text2); }},
            {"IsPlatformSupported", S_OK, kOk,
             [](auto& s, auto& o) { return S(s)->IsPlatformSupported(B(L"x64").Get(), &o.flag); }},
            {"IsEmptyCompiler", S_OK, kOk, [](auto& s, auto& o) { return S(s)->IsEmptyCompiler(1026, &o.flag); }},
        };
        for (const auto& [name, m] : kServiceOptionTexts) {
            ops.push_back({name, S_OK, kOk, [m = m](auto& s, auto& o) { return (S(s)->*m)(&o.text); }});
        }
        for (const auto& [name, m] : kServiceOptionNumbers) {
            ops.push_back({name, S_OK, kOk, [m = m](auto& s, auto& o) { return (S(s)->*m)(&o.number); }});
        }
        for (const auto& [name, m] : kServiceOptionSwitches) {
            ops.push_back({name, S_OK, kOk, [m = m](auto& s, auto& o) { return (S(s)->*m)(&o.flag); }});
        }
        for (const auto& [name, m] : kServiceOptionSets) {
            ops.push_back({name, S_OK, kOk | kFail, [m = m](auto& s, auto&) { return (S(s)->*m)(3); }});
        }
        for (const auto& [name, put, get] : kServiceTextPuts) {
            ops.push_back(
                {name, S_OK, kOk | kFail, [put = put](auto& s, auto&) { return (S(s)->*put)(B(L"C:\\r").Get()); }});
        }
        AddByHandle(&ops, kServiceHandleTexts, kServiceHandlePuts, S);
        return ops;
    }();
    return ops;
}

const std::vector<Op>& ModelOps() {
    static const std::vector<Op> ops = [] {
        std::vector<Op> ops = {
            {"PutProperty(text)", S_OK, kOk | kFail,
             [](auto& s, auto&) { return M(s)->PutProperty(PropertyID(2), platform::Variant::Text(L".f").Get()); }},
            {"PutProperty(number)", S_OK, kOk | kFail,
             [](auto& s, auto&) { return M(s)->PutProperty(PropertyID(4), platform::Variant::Int(0).Get()); }},
            {"GetProperty(text)", S_OK, kOk,
             [](auto& s, auto& o) { return M(s)->GetProperty(PropertyID(0), &o.value); }},
            {"GetProperty(number)", S_OK, kOk,
             [](auto& s, auto& o) { return M(s)->GetProperty(PropertyID(7), &o.value); }},
            {"GetPropertyDef", S_OK, kOk,
             [](auto& s, auto& o) { return M(s)->GetPropertyDef(PropertyID(3), &o.value); }},
            {"Platforms", S_OK, kOk, [](auto& s, auto& o) { return M(s)->get_Platforms(&o.list); }},
            {"PlatformCmplrs", S_OK, kOk | kFail,
             [](auto& s, auto& o) { return M(s)->get_PlatformCmplrs(B(L"x64").Get(), &o.list, &o.list2); }},
            {"CmplrFlags", S_OK, kOk, [](auto& s, auto& o) { return M(s)->get_CmplrFlags(1025, &o.number); }},
            {"GetSelectedCmplr", E_FAIL, kOk,
             [](auto& s, auto& o) { return M(s)->GetSelectedCmplr(B(L"Win32").Get(), &o.number); }},
            {"GetSelectedCmplr(new platform)", E_FAIL, kOk,
             [](auto& s, auto& o) { return M(s)->GetSelectedCmplr(B(L"Itanium").Get(), &o.number); }},
            {"GetDefaultCmplr", E_FAIL, kOk,
             [](auto& s, auto& o) { return M(s)->GetDefaultCmplr(B(L"Win32").Get(), &o.number); }},
            {"SetSelectedCmplr", kIgnoresState, kOk | kFail,
             [](auto& s, auto&) { return M(s)->SetSelectedCmplr(1024); }},
            {"ClearSelectedCmplr", kIgnoresState, kOk | kFail,
             [](auto& s, auto&) { return M(s)->ClearSelectedCmplr(B(L"Win32").Get()); }},
            {"GetFullPlatformsList", S_OK, kOk,
             [](auto& s, auto& o) { return M(s)->GetFullPlatformsList(&o.number, &o.list); }},
            {"GetSupportedPlatformsList", S_OK, kOk,
             [](auto& s, auto& o) { return M(s)->GetSupportedPlatformsList(&o.number, &o.list); }},
            {"GetUsedInCfgsPlatformsList", S_OK, kOk,
             [](auto& s, auto& o) { return M(s)->GetUsedInCfgsPlatformsList(&o.number, &o.list); }},
            {"GetDefaultPlatform", E_FAIL, kOk, [](auto& s, auto& o) { return M(s)->GetDefaultPlatform(&o.text); }},
            {"GetCurrentPlatformName", E_UNEXPECTED, kOk,
             [](auto& s, auto& o) { return M(s)->GetCurrentPlatformName(&o.text); }},
            {"SetCurrentPlatformName", S_OK, kOk,
             [](auto& s, auto&) { return M(s)->SetCurrentPlatformName(B(L"x64").Get()); }},
            {"GetNameSupportedPlatformByIndex", S_OK, kOk,
             [](auto& s, auto& o) { return M(s)->GetNameSupportedPlatformByIndex(0, &o.text); }},
            {"CheckPlatformLoading", S_OK, kOk, [](auto& s, auto&) { return M(s)->CheckPlatformLoading(); }},
            {"IsPlatformSupported", S_OK, kOk,
             [](auto& s, auto& o) { return M(s)->IsPlatformSupported(B(L"Win32").Get(), &o.flag); }},
            {"IsEmptyCompiler", S_OK, kOk, [](auto& s, auto& o) { return M(s)->IsEmptyCompiler(1025, &o.flag); }},
        };
        AddByHandle(&ops, kModelHandleTexts, kModelHandlePuts, M);
        return ops;
    }();
    return ops;
}

// ---- how a run goes ----

struct Outcome {
    HRESULT hr = S_OK;
    std::string outs;
    bool operator<(const Outcome& other) const { return hr != other.hr ? hr < other.hr : outs < other.outs; }
    bool operator==(const Outcome& other) const { return hr == other.hr && outs == other.outs; }
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    return os << "0x" << std::hex << static_cast<unsigned long>(o.hr) << std::dec << " " << o.outs;
}

// A value or a key as the fault hook names it: "HKEY_...\\path" and a value name.
struct Target {
    std::wstring key;
    std::wstring value;
    bool isKey;
    bool operator<(const Target& o) const { return std::tie(key, value, isKey) < std::tie(o.key, o.value, o.isKey); }
};

struct Trial {
    Outcome outcome;
    std::size_t registryOps = 0;
    std::size_t messages = 0;
    std::set<Target> writes;
    std::unique_ptr<MemoryRegistry> registry;
};

// Where the sweep makes the call: on a fresh package (the options model is
// made by the call), the same for a new user (whose first run is seeded by
// it), or on a package whose model has already built its compiler list.
enum class Start { Fresh, FirstRun, Loaded };

// Stands in for the one registry operation that fails: what the data looks
// like to the system when a read cannot be made.
using Degrade = std::function<void(MemoryRegistry&)>;

class FaultSweepTest : public SystemTest {
protected:
    Trial Execute(const Op& op, Start start, std::size_t failAt, const Degrade& degrade = {}) {
        Trial run;
        {
            InstalledSession session(ide);
            if (start == Start::Loaded) {
                EXPECT_EQ(session.service->CheckPlatformLoading(), S_OK);
            } else if (start == Start::FirstRun) {
                session.registry->DeleteTree(HKEY_CURRENT_USER, kSettingsPath);
            }
            if (degrade) degrade(*session.registry);
            AllocationBalance balance;
            session.registry->SetFaultHook([&](RegOp regOp, const std::wstring& key, const wchar_t* name) -> LONG {
                ++run.registryOps;
                if (regOp == RegOp::SetValue || regOp == RegOp::DeleteValue) {
                    run.writes.insert({key, name ? name : L"", false});
                } else if (regOp == RegOp::Create || regOp == RegOp::DeleteTree) {
                    run.writes.insert({key, L"", true});
                }
                // Failure codes in turn, so none of them is mistaken for a particular answer.
                static constexpr LONG kErrors[] = {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA};
                return run.registryOps == failAt ? kErrors[failAt % 3] : ERROR_SUCCESS;
            });
            CallOuts outs;
            run.outcome.hr = op.call(session, outs);
            run.outcome.outs = outs.Take();
            session.registry->SetFaultHook({});
            EXPECT_EQ(session.registry->OpenHandleCount(), 0u) << op.name << " failing at " << failAt;
            run.messages = session.windows.MessageBoxes().size();
            session.Close();
            EXPECT_EQ(module::ModuleLockCount(), 0) << op.name << " failing at " << failAt << ": an object left alive";
            EXPECT_EQ(balance.Outstanding(), 0u) << op.name << " failing at " << failAt << ": BSTR or SAFEARRAY";
            run.registry = std::move(session.registry);
        }
        return run;
    }

    // The answers the call may give, and the values it may store, when data it
    // reads is missing or unreadable.
    struct Answers {
        std::set<Outcome> outcomes;
        std::map<Target, std::vector<std::optional<MemoryRegistry::Value>>> stored;
    };
    const Answers& Degraded(const Op& op, Start start) {
        auto [it, added] = degraded_.try_emplace({op.name, start});
        if (added) {
            for (const Degrade& degrade : Degradations()) {
                Trial run = Execute(op, start, 0, degrade);
                it->second.outcomes.insert(run.outcome);
                for (const Target& t : run.writes) it->second.stored[t].push_back(Read(*run.registry, t));
            }
        }
        return it->second;
    }
    bool MayStore(const Op& op, Start start, const Target& t, const std::optional<MemoryRegistry::Value>& value) {
        const auto& stored = Degraded(op, start).stored;
        const auto found = stored.find(t);
        return found != stored.end() &&
               std::find(found->second.begin(), found->second.end(), value) != found->second.end();
    }

    static std::vector<Degrade> Degradations() {
        std::vector<Degrade> all;
        std::set<std::pair<HKEY, std::wstring>> keys;
        for (const RegistryEntry& entry : InstalledEntries()) {
            all.push_back([entry](MemoryRegistry& r) { Delete(r, entry.root, entry.path, entry.name.c_str()); });
            all.push_back([entry](MemoryRegistry& r) { r.Set(entry.root, entry.path, entry.name, REG_BINARY, {1}); });
            // The key of the value and its parents up to the key the system names.
            for (std::wstring path = entry.path; Anchored(path); path.resize(path.rfind(L'\\'))) {
                keys.insert({entry.root, path});
            }
        }
        for (const auto& [root, path] : keys) {
            all.push_back([root = root, path = path](MemoryRegistry& r) { r.DeleteTree(root, path.c_str()); });
            all.push_back([root = root, path = path](MemoryRegistry& r) { EmptyKey(r, root, path); });
        }
        return all;
    }
    static bool Anchored(const std::wstring& path) {
        for (const wchar_t* anchor :
             {L"Software\\Tavrel\\Compilers\\Fortran",
              L"Software\\Microsoft\\VisualStudio\\8.0\\VC\\VC_OBJECTS_PLATFORM_INFO", kSettingsPath, kProductKey}) {
            if (path.compare(0, wcslen(anchor), anchor) == 0) return true;
        }
        return false;
    }
    static void Delete(MemoryRegistry& r, HKEY root, const std::wstring& path, const wchar_t* name) {
        HKEY key = nullptr;
        if (r.OpenKey(root, path.c_str(), KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
        r.DeleteValue(key, name);
        r.CloseKey(key);
    }
    static void EmptyKey(MemoryRegistry& r, HKEY root, const std::wstring& path) {
        HKEY key = nullptr;
        if (r.OpenKey(root, path.c_str(), KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
        r.DeleteTree(key, nullptr);
        r.CloseKey(key);
    }

    static std::optional<MemoryRegistry::Value> Read(const MemoryRegistry& r, const Target& t) {
        const std::size_t slash = t.key.find(L'\\');
        const std::wstring rootName = t.key.substr(0, slash);
        const std::wstring path = slash == std::wstring::npos ? L"" : t.key.substr(slash + 1);
        const HKEY root = rootName == L"HKEY_CURRENT_USER" ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        if (t.isKey) {
            return r.KeyExists(root, path) ? std::optional(MemoryRegistry::Value{}) : std::nullopt;
        }
        return r.Get(root, path, t.value);
    }

    void Sweep(const std::vector<Op>& ops, Start start, const char* what) {
        platform::ScopedX64Host host(false);
        MemoryRegistry pristine;
        InstallEntries(pristine);
        if (start == Start::FirstRun) pristine.DeleteTree(HKEY_CURRENT_USER, kSettingsPath);
        std::size_t points = 0;
        for (const Op& op : ops) {
            const Trial unavailable = ExecuteUnavailable(op);
            if (op.unavailable != kIgnoresState) {
                EXPECT_EQ(unavailable.outcome.hr, op.unavailable) << op.name << " of an unavailable model";
            }
            const Trial baseline = Execute(op, start, 0);
            EXPECT_EQ(baseline.messages, 0u) << op.name;
            for (std::size_t k = 1; k <= baseline.registryOps; ++k, ++points) {
                const Trial run = Execute(op, start, k);
                const std::string where = std::string(op.name) + " with registry operation " + std::to_string(k) +
                                          " of " + std::to_string(baseline.registryOps) + " failing";
                if (run.messages > 0) {
                    // The options settings key could not be established.
                    EXPECT_EQ(run.messages, 1u) << where;
                    if (op.unavailable != kIgnoresState) {
                        EXPECT_EQ(run.outcome, unavailable.outcome) << where;
                    }
                } else if (!(run.outcome == baseline.outcome)) {
                    EXPECT_TRUE(run.outcome.hr == baseline.outcome.hr || Allowed(op.failures, run.outcome.hr))
                        << where << ": answered " << run.outcome;
                }
                if (run.messages == 0 && !(run.outcome == baseline.outcome) && !IsWriteFailure(run, baseline)) {
                    EXPECT_TRUE(Degraded(op, start).outcomes.count(run.outcome))
                        << where << ": " << run.outcome << " is neither " << baseline.outcome
                        << " nor what missing data gives";
                }
                std::set<Target> touched = run.writes;
                touched.insert(baseline.writes.begin(), baseline.writes.end());
                for (const Target& t : touched) {
                    const auto after = Read(*run.registry, t);
                    const auto before = Read(pristine, t);
                    const auto written = Read(*baseline.registry, t);
                    const std::string name(t.value.begin(), t.value.end());
                    // The first run's seeding ignores its write failures, and what it cannot
                    // read it seeds as empty; only the call's own writes are all or nothing.
                    if (!t.isKey && run.messages == 0 && start != Start::FirstRun) {
                        if (FAILED(run.outcome.hr)) {
                            EXPECT_EQ(after, before) << where << ": a failed call changed " << name;
                        } else {
                            EXPECT_EQ(after, written) << where << ": the call succeeded but did not store " << name;
                        }
                    }
                    EXPECT_TRUE(after == before || after == written || MayStore(op, start, t, after))
                        << where << ": " << name << " half-written";
                }
            }
        }
        std::printf("fault sweep (%s): %zu operations, %zu failure points\n", what, ops.size(), points);
        RecordProperty("failure_points", static_cast<int>(points));
    }

    // A write whose key or value could not be written answers E_FAIL.
    static bool IsWriteFailure(const Trial& run, const Trial& baseline) {
        return run.outcome.hr == E_FAIL && !baseline.writes.empty() && SUCCEEDED(baseline.outcome.hr);
    }

    // The options settings key can neither be opened nor made: the model is unavailable.
    Trial ExecuteUnavailable(const Op& op) {
        const std::wstring settings = std::wstring(L"HKEY_CURRENT_USER\\") + kSettingsPath;
        return Execute(op, Start::Fresh, 0, [settings](MemoryRegistry& r) {
            r.FailOn(RegOp::Open, settings, ERROR_ACCESS_DENIED);
            r.FailOn(RegOp::Create, settings, ERROR_ACCESS_DENIED);
        });
    }

    ide::StandInIde ide;
    std::map<std::pair<std::string, Start>, Answers> degraded_;
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

TEST_F(FaultSweepTest, ServiceOnAFreshPackage) { Sweep(ServiceOps(), Start::Fresh, "service, model made by the call"); }
TEST_F(FaultSweepTest, ServiceOnTheFirstRun) {
    Sweep(ServiceOps(), Start::FirstRun, "service, first run seeded by the call");
}
TEST_F(FaultSweepTest, ServiceWithTheCompilerListBuilt) {
    Sweep(ServiceOps(), Start::Loaded, "service, compiler list built");
}
TEST_F(FaultSweepTest, ModelOnAFreshPackage) { Sweep(ModelOps(), Start::Fresh, "model, made by the call"); }
TEST_F(FaultSweepTest, ModelOnTheFirstRun) {
    Sweep(ModelOps(), Start::FirstRun, "model, first run seeded by the call");
}
TEST_F(FaultSweepTest, ModelWithTheCompilerListBuilt) {
    Sweep(ModelOps(), Start::Loaded, "model, compiler list built");
}

}  // namespace
}  // namespace qz::test

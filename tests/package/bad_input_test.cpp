// Every interface method of the package, the service and the options model
// given what a careless or hostile caller passes: null out pointers, null and
// empty texts, compiler handles that name nothing, option identifiers outside
// 0 to 12, arguments of the wrong type, 64 K texts, and calls after Close.
// Each case answers its documented code, writes only what it answers, and
// leaves no open key, live object or leaked BSTR or SAFEARRAY behind.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <functional>
#include <iterator>
#include <limits>
#include <string>
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

using Call = std::function<HRESULT(InstalledSession&, CallOuts&)>;

struct Case {
    std::string name;
    HRESULT expected;
    // What the call writes to its outs (CallOuts::Take), empty for nothing.
    std::string outs;
    Call call;
    // A refused call stores nothing; the others may.
    bool mayWrite = false;
};

// Handles of the installation: 1024 to 1026; 1027 is one past the last.
constexpr INT kBadHandles[] = {1023, 1027, -1, INT_MIN, INT_MAX};
constexpr int kTextOrdinals[] = {0, 1, 2, 3, 9, 11};
constexpr int kBadOrdinals[] = {-1, 13, INT_MIN, INT_MAX, int(0x8C000000), int(0x8C000007), int(0x8C00000C)};

IQZToolOptions* S(InstalledSession& s) { return s.service.Get(); }
IQZGeneralPPG* M(InstalledSession& s) { return s.Model(); }

std::wstring LongText() {
    std::wstring text(65536, L'x');
    for (size_t i = 0; i < text.size(); i += 97) text[i] = L';';
    return text;
}

// Calls through IDispatch; a failure of the method itself arrives as its own code.
HRESULT Invoke(InstalledSession& s, DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result) {
    // DISPPARAMS take the arguments last first.
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO info{};
    UINT argError = 0;
    HRESULT hr = M(s)->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &info, &argError);
    if (hr == DISP_E_EXCEPTION) hr = info.scode;
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    for (VARIANT& arg : args) VariantClear(&arg);
    return hr;
}
// Arguments for Invoke, which clears them.
template <class Fill>
VARIANT Arg(VARTYPE type, Fill fill) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = type;
    fill(&v);
    return v;
}
VARIANT I4(int value) {
    return Arg(VT_I4, [=](VARIANT* v) { V_I4(v) = value; });
}
VARIANT R8(double value) {
    return Arg(VT_R8, [=](VARIANT* v) { V_R8(v) = value; });
}
VARIANT Text(const wchar_t* text) {
    return Arg(VT_BSTR, [=](VARIANT* v) { V_BSTR(v) = SysAllocString(text); });
}
VARIANT NullObject() {
    return Arg(VT_DISPATCH, [](VARIANT* v) { V_DISPATCH(v) = nullptr; });
}

std::vector<Case> Cases() {
    static NullSink sink;
    std::vector<Case> cases;
    auto add = [&](std::string name, HRESULT expected, std::string outs, Call call, bool mayWrite = false) {
        cases.push_back({std::move(name), expected, std::move(outs), std::move(call), mayWrite});
    };

    // Null out pointers: E_POINTER before anything else.
    for (const auto& [name, m] : kServiceOptionTexts)
        add(name, E_POINTER, "", [m = m](auto& s, auto&) { return (S(s)->*m)(nullptr); });
    for (const auto& [name, m] : kServiceOptionNumbers)
        add(name, E_POINTER, "", [m = m](auto& s, auto&) { return (S(s)->*m)(nullptr); });
    for (const auto& [name, m] : kServiceOptionSwitches)
        add(name, E_POINTER, "", [m = m](auto& s, auto&) { return (S(s)->*m)(nullptr); });
    for (const auto& [name, m] : kServiceHandleTexts) {
        add(std::string(name) + ", null out", E_POINTER, "",
            [m = m](auto& s, auto&) { return (S(s)->*m)(1024, nullptr); });
        for (INT h : kBadHandles) {
            add(name + (" of " + std::to_string(h)), E_INVALIDARG, "",
                [m = m, h](auto& s, auto& o) { return (S(s)->*m)(h, &o.text); });
        }
    }
    for (const auto& [name, m] : kModelHandleTexts) {
        add(std::string(name) + ", null out", E_POINTER, "",
            [m = m](auto& s, auto&) { return (M(s)->*m)(1024, nullptr); });
        for (INT h : kBadHandles) {
            add(name + (" of " + std::to_string(h)), E_INVALIDARG, "",
                [m = m, h](auto& s, auto& o) { return (M(s)->*m)(h, &o.text); });
        }
    }
    for (INT h : kBadHandles) {
        for (const auto& [name, put, get] : kServiceHandlePuts) {
            add(name + (" of " + std::to_string(h)), E_INVALIDARG, "",
                [put = put, h](auto& s, auto&) { return (S(s)->*put)(h, Bstr(L"C:\\x").Get()); });
        }
        for (const auto& [name, put, get] : kModelHandlePuts) {
            add(name + (" of " + std::to_string(h)), E_INVALIDARG, "",
                [put = put, h](auto& s, auto&) { return (M(s)->*put)(h, Bstr(L"C:\\x").Get()); });
        }
        add("service SetSelectedCmplr, handle " + std::to_string(h), E_INVALIDARG, "",
            [h](auto& s, auto&) { return S(s)->SetSelectedCmplr(h); });
        add("model SetSelectedCmplr, handle " + std::to_string(h), E_INVALIDARG, "",
            [h](auto& s, auto&) { return M(s)->SetSelectedCmplr(h); });
        // The service's flags are always S_OK; nothing is written for a handle that names nothing.
        add("service GetCmplrFlags, handle " + std::to_string(h), S_OK, "",
            [h](auto& s, auto& o) { return S(s)->GetCmplrFlags(h, &o.number); });
        add("model CmplrFlags, handle " + std::to_string(h), E_INVALIDARG, "",
            [h](auto& s, auto& o) { return M(s)->get_CmplrFlags(h, &o.number); });
        add("service IsEmptyCompiler, handle " + std::to_string(h), E_INVALIDARG, "",
            [h](auto& s, auto& o) { return S(s)->IsEmptyCompiler(h, &o.flag); });
        add("service GetCmplrDisplay, handle " + std::to_string(h), E_INVALIDARG, "",
            [h](auto& s, auto& o) { return S(s)->GetCmplrDisplay(h, &o.text, &o.text2); });
        add("service GetNameSupportedPlatformByIndex " + std::to_string(h), S_OK, " ''",
            [h](auto& s, auto& o) { return S(s)->GetNameSupportedPlatformByIndex(h, &o.text); });
    }
    const std::vector<std::pair<std::string, Call>> nullOuts = {
        {"AdviseToolOptionEvents cookie", [](auto& s, auto&) { return S(s)->AdviseToolOptionEvents(&sink, nullptr); }},
        {"GetPlatforms", [](auto& s, auto&) { return S(s)->GetPlatforms(nullptr); }},
        {"GetPlatformCmplrs names",
         [](auto& s, auto& o) { return S(s)->GetPlatformCmplrs(Bstr(L"Win32").Get(), nullptr, &o.list); }},
        {"GetPlatformCmplrs handles",
         [](auto& s, auto& o) { return S(s)->GetPlatformCmplrs(Bstr(L"Win32").Get(), &o.list, nullptr); }},
        {"GetSelectedCmplr", [](auto& s, auto&) { return S(s)->GetSelectedCmplr(Bstr(L"Win32").Get(), nullptr); }},
        {"GetFullPlatformsList count", [](auto& s, auto& o) { return S(s)->GetFullPlatformsList(nullptr, &o.list); }},
        {"GetFullPlatformsList list", [](auto& s, auto& o) { return S(s)->GetFullPlatformsList(&o.number, nullptr); }},
        {"GetSupportedPlatformsList count",
         [](auto& s, auto& o) { return S(s)->GetSupportedPlatformsList(nullptr, &o.list); }},
        {"GetSupportedPlatformsList list",
         [](auto& s, auto& o) { return S(s)->GetSupportedPlatformsList(&o.number, nullptr); }},
        {"GetUsedInCfgsPlatformsList count",
         [](auto& s, auto& o) { return S(s)->GetUsedInCfgsPlatformsList(nullptr, &o.list); }},
        {"GetUsedInCfgsPlatformsList list",
         [](auto& s, auto& o) { return S(s)->GetUsedInCfgsPlatformsList(&o.number, nullptr); }},
        {"GetNameSupportedPlatformByIndex",
         [](auto& s, auto&) { return S(s)->GetNameSupportedPlatformByIndex(0, nullptr); }},
        {"GetCmplrFlags", [](auto& s, auto&) { return S(s)->GetCmplrFlags(1024, nullptr); }},
        {"GetCmplrDisplay full", [](auto& s, auto& o) { return S(s)->GetCmplrDisplay(1024, nullptr, &o.text); }},
        {"GetCmplrDisplay second", [](auto& s, auto& o) { return S(s)->GetCmplrDisplay(1024, &o.text, nullptr); }},
        {"IsPlatformSupported", [](auto& s, auto&) { return S(s)->IsPlatformSupported(Bstr(L"x64").Get(), nullptr); }},
        {"IsEmptyCompiler", [](auto& s, auto&) { return S(s)->IsEmptyCompiler(1024, nullptr); }},
        {"model GetProperty", [](auto& s, auto&) { return M(s)->GetProperty(PropertyID(0), nullptr); }},
        {"model GetPropertyDef", [](auto& s, auto&) { return M(s)->GetPropertyDef(PropertyID(0), nullptr); }},
        {"model Platforms", [](auto& s, auto&) { return M(s)->get_Platforms(nullptr); }},
        {"model PlatformCmplrs",
         [](auto& s, auto& o) { return M(s)->get_PlatformCmplrs(Bstr(L"Win32").Get(), &o.list, nullptr); }},
        {"GetDefaultPlatform", [](auto& s, auto&) { return S(s)->GetDefaultPlatform(nullptr); }},
        {"GetCurrentPlatformName", [](auto& s, auto&) { return S(s)->GetCurrentPlatformName(nullptr); }},
        {"model CmplrFlags", [](auto& s, auto&) { return M(s)->get_CmplrFlags(1024, nullptr); }},
        {"model GetSelectedCmplr",
         [](auto& s, auto&) { return M(s)->GetSelectedCmplr(Bstr(L"Win32").Get(), nullptr); }},
        {"model GetDefaultCmplr", [](auto& s, auto&) { return M(s)->GetDefaultCmplr(Bstr(L"Win32").Get(), nullptr); }},
        {"model GetFullPlatformsList", [](auto& s, auto& o) { return M(s)->GetFullPlatformsList(nullptr, &o.list); }},
        {"model GetCurrentPlatformName", [](auto& s, auto&) { return M(s)->GetCurrentPlatformName(nullptr); }},
        {"model IsPlatformSupported",
         [](auto& s, auto&) { return M(s)->IsPlatformSupported(Bstr(L"x64").Get(), nullptr); }},
        {"model IsEmptyCompiler", [](auto& s, auto&) { return M(s)->IsEmptyCompiler(1024, nullptr); }},
        {"model GetTypeInfo", [](auto& s, auto&) { return M(s)->GetTypeInfo(0, 0, nullptr); }},
        {"package GetAutomationObject",
         [](auto& s, auto&) { return s.package->GetAutomationObject(module::kAutomationName, nullptr); }},
        {"package GetPropertyPage",
         [](auto& s, auto&) { return s.package->GetPropertyPage(module::GUID_TOGeneralPPG, nullptr); }},
    };
    for (const auto& [name, call] : nullOuts) add(name + ", null out", E_POINTER, "", call);

    // Null, empty and unknown texts and identifiers.
    add("Advise, null sink", E_INVALIDARG, "",
        [](auto& s, auto& o) { return S(s)->AdviseToolOptionEvents(nullptr, reinterpret_cast<DWORD*>(&o.flag)); });
    for (const wchar_t* name : {static_cast<const wchar_t*>(nullptr), L"", L"win32", L"Win32 "}) {
        const std::string shown = name ? "'" + std::string(name, name + wcslen(name)) + "'" : "null";
        add("GetPlatformCmplrs " + shown, E_FAIL, "",
            [name](auto& s, auto& o) { return S(s)->GetPlatformCmplrs(Bstr(name).Get(), &o.list, &o.list2); });
        add("IsPlatformSupported " + shown, S_OK, "",
            [name](auto& s, auto& o) { return S(s)->IsPlatformSupported(Bstr(name).Get(), &o.flag); });
        add("GetDefaultCmplr " + shown, S_OK, " int -1",
            [name](auto& s, auto& o) { return M(s)->GetDefaultCmplr(Bstr(name).Get(), &o.number); });
        // A name without an entry gets one, holding an empty compiler.
        add("GetSelectedCmplr " + shown, S_OK, " int 1027",
            [name](auto& s, auto& o) { return S(s)->GetSelectedCmplr(Bstr(name).Get(), &o.number); });
        add(
            "ClearSelectedCmplr " + shown, S_OK, "",
            [name](auto& s, auto&) { return M(s)->ClearSelectedCmplr(Bstr(name).Get()); }, true);
    }
    for (const auto& [name, put, get] : kServiceHandlePuts) {
        add(name + std::string(" of a null text"), E_FAIL, "",
            [put = put](auto& s, auto&) { return (S(s)->*put)(1025, nullptr); });
    }
    for (const auto& [name, put, get] : kServiceTextPuts) {
        // A null BSTR is COM's empty text.
        add(
            name + std::string(" of a null text"), S_OK, "",
            [put = put](auto& s, auto&) { return (S(s)->*put)(nullptr); }, true);
    }
    for (int pid : kBadOrdinals) {
        const std::string at = " of " + std::to_string(pid);
        add("GetProperty" + at, E_INVALIDARG, "",
            [pid](auto& s, auto& o) { return M(s)->GetProperty(PropertyID(pid), &o.value); });
        add("GetPropertyDef" + at, E_FAIL, "",
            [pid](auto& s, auto& o) { return M(s)->GetPropertyDef(PropertyID(pid), &o.value); });
        add("PutProperty" + at, E_INVALIDARG, "",
            [pid](auto& s, auto&) { return M(s)->PutProperty(PropertyID(pid), Variant::Int(1).Get()); });
    }
    add(
        "PutProperty of a null text", S_OK, "",
        [](auto& s, auto&) { return M(s)->PutProperty(PropertyID(9), Variant::Text(nullptr).Get()); }, true);

    // IDispatch: arguments are converted where they can be, refused where not.
    const DISPID put = 0x60020000, get = 0x60020001, version = 12;
    add(
        "Invoke PutProperty number from text", S_OK, "",
        [=](auto& s, auto&) {
            return Invoke(s, put, DISPATCH_METHOD, {I4(7), Text(L"12")}, nullptr);
        },
        true);
    add(
        "Invoke PutProperty text from number", S_OK, "",
        [=](auto& s, auto&) {
            return Invoke(s, put, DISPATCH_METHOD, {I4(0), I4(5)}, nullptr);
        },
        true);
    add("Invoke PutProperty number from words", DISP_E_TYPEMISMATCH, "", [=](auto& s, auto&) {
        return Invoke(s, put, DISPATCH_METHOD, {I4(7), Text(L"three")}, nullptr);
    });
    add("Invoke PutProperty number from null object", DISP_E_TYPEMISMATCH, "", [=](auto& s, auto&) {
        return Invoke(s, put, DISPATCH_METHOD, {I4(7), NullObject()}, nullptr);
    });
    add("Invoke PutProperty identifier from words", DISP_E_TYPEMISMATCH, "", [=](auto& s, auto&) {
        return Invoke(s, put, DISPATCH_METHOD, {Text(L"GapLevel"), I4(1)}, nullptr);
    });
    add("Invoke PutProperty identifier 13", E_INVALIDARG, "", [=](auto& s, auto&) {
        return Invoke(s, put, DISPATCH_METHOD, {I4(13), I4(1)}, nullptr);
    });
    add("Invoke GetProperty", S_OK, " vt3 2",
        [=](auto& s, auto& o) { return Invoke(s, get, DISPATCH_METHOD, {I4(7)}, &o.value); });
    add("Invoke GetProperty with two", DISP_E_BADPARAMCOUNT, "", [=](auto& s, auto& o) {
        return Invoke(s, get, DISPATCH_METHOD, {I4(7), I4(7)}, &o.value);
    });
    add("Invoke CmplrVersionString handle from text", S_OK, " '12.0'",
        [=](auto& s, auto& o) { return Invoke(s, version, DISPATCH_PROPERTYGET, {Text(L"1024")}, &o.value); });
    add("Invoke CmplrVersionString handle from a double", S_OK, " '12.0'",
        [=](auto& s, auto& o) { return Invoke(s, version, DISPATCH_PROPERTYGET, {R8(1024.0)}, &o.value); });
    add("Invoke CmplrVersionString handle past 32 bits", DISP_E_OVERFLOW, "",
        [=](auto& s, auto&) { return Invoke(s, version, DISPATCH_PROPERTYGET, {R8(1e12)}, nullptr); });
    add("Invoke CmplrVersionString bad handle", E_INVALIDARG, "",
        [=](auto& s, auto&) { return Invoke(s, version, DISPATCH_PROPERTYGET, {I4(INT_MAX)}, nullptr); });
    add("Invoke with an interface", DISP_E_UNKNOWNINTERFACE, "", [=](auto& s, auto&) {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        return M(s)->Invoke(get, IID_IQZGeneralPPG, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
    });
    add("Invoke without parameters", E_INVALIDARG, "", [=](auto& s, auto&) {
        return M(s)->Invoke(get, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr);
    });
    auto ids = [](const wchar_t* name) {
        return [name](InstalledSession& s, CallOuts&) {
            LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
            DISPID id = 0;
            return M(s)->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
        };
    };
    static const std::wstring longName = LongText();
    add("GetIDsOfNames long", DISP_E_UNKNOWNNAME, "", ids(longName.c_str()));
    add("GetIDsOfNames empty", DISP_E_UNKNOWNNAME, "", ids(L""));
    add("GetIDsOfNames null name", DISP_E_UNKNOWNNAME, "", ids(nullptr));
    add("GetIDsOfNames null names", E_POINTER, "", [](auto& s, auto&) {
        DISPID id = 0;
        return M(s)->GetIDsOfNames(IID_NULL, nullptr, 1, 0, &id);
    });
    add("GetIDsOfNames null ids", E_POINTER, "", [](auto& s, auto&) {
        LPOLESTR name = const_cast<LPOLESTR>(L"GetProperty");
        return M(s)->GetIDsOfNames(IID_NULL, &name, 1, 0, nullptr);
    });

    // The package's own methods (their plain null and unknown arguments are the package tests').
    add("GetAutomationObject long name", E_NOTIMPL, "", [](auto& s, auto&) {
        platform::ComPtr<IDispatch> out;
        return s.package->GetAutomationObject(longName.c_str(), out.Put());
    });
    const std::pair<const GUID*, const IID*> services[] = {{&GUID_NULL, &IID_IUnknown},
                                                           {&IID_IQZGeneralPPG, &IID_IUnknown},
                                                           {&module::SID_SQZToolOptions, &IID_IDispatch}};
    for (const auto& [service, iid] : services) {
        add("QueryService of what is not offered", E_NOINTERFACE, "", [service = service, iid = iid](auto& s, auto& o) {
            return s.template PackageAs<IServiceProvider>()->QueryService(*service, *iid,
                                                                          reinterpret_cast<void**>(&o.text));
        });
    }
    return cases;
}

// Every text setter given 64 K characters: read back whole, or refused with nothing stored.
std::vector<std::pair<std::string, std::function<HRESULT(InstalledSession&, BSTR, BSTR*)>>> LongTextRoundTrips() {
    std::vector<std::pair<std::string, std::function<HRESULT(InstalledSession&, BSTR, BSTR*)>>> trips;
    for (const auto& [name, put, get] : kServiceTextPuts) {
        trips.push_back({name, [put = put, get = get](auto& s, BSTR text, BSTR* back) {
                             const HRESULT hr = (S(s)->*put)(text);
                             return FAILED(hr) ? hr : (S(s)->*get)(back);
                         }});
    }
    for (const auto& [name, put, get] : kServiceHandlePuts) {
        trips.push_back({name, [put = put, get = get](auto& s, BSTR text, BSTR* back) {
                             const HRESULT hr = (S(s)->*put)(1026, text);
                             return FAILED(hr) ? hr : (S(s)->*get)(1026, back);
                         }});
    }
    for (const auto& [name, put, get] : kModelHandlePuts) {
        trips.push_back({name, [put = put, get = get](auto& s, BSTR text, BSTR* back) {
                             const HRESULT hr = (M(s)->*put)(1024, text);
                             return FAILED(hr) ? hr : (M(s)->*get)(1024, back);
                         }});
    }
    for (int pid : kTextOrdinals) {
        trips.push_back({"option " + std::to_string(pid), [pid](auto& s, BSTR text, BSTR* back) {
                             VARIANT value;
                             VariantInit(&value);
                             V_VT(&value) = VT_BSTR;
                             V_BSTR(&value) = text;
                             HRESULT hr = M(s)->PutProperty(PropertyID(pid), value);
                             if (FAILED(hr)) return hr;
                             hr = M(s)->GetProperty(PropertyID(pid), &value);
                             *back = V_VT(&value) == VT_BSTR ? V_BSTR(&value) : nullptr;
                             return hr;
                         }});
    }
    trips.push_back({"model current platform", [](auto& s, BSTR text, BSTR* back) {
                         const HRESULT hr = M(s)->SetCurrentPlatformName(text);
                         return FAILED(hr) ? hr : M(s)->GetCurrentPlatformName(back);
                     }});
    // The platform name becomes a value name, which the registry may refuse.
    trips.push_back({"selection of a long platform", [](auto& s, BSTR text, BSTR* back) {
                         HRESULT hr = M(s)->ClearSelectedCmplr(text);
                         if (FAILED(hr)) return hr;
                         int handle = 0;
                         hr = M(s)->GetSelectedCmplr(text, &handle);
                         if (FAILED(hr)) return hr;
                         return M(s)->get_CmplrPlatformName(handle, back);
                     }});
    return trips;
}

class BadInputTest : public SystemTest {
protected:
    // A fresh installation with its compiler list built, for one case.
    template <class Body>
    void WithSession(const std::string& name, Body body) {
        InstalledSession session(ide);
        EXPECT_EQ(session.service->CheckPlatformLoading(), S_OK);
        session.registry->ResetCounts();
        AllocationBalance balance;
        body(session);
        EXPECT_EQ(session.registry->OpenHandleCount(), 0u) << name;
        session.Close();
        EXPECT_EQ(module::ModuleLockCount(), 0) << name << ": an object left alive";
        EXPECT_EQ(balance.Outstanding(), 0u) << name << ": BSTR or SAFEARRAY left";
    }

    ide::StandInIde ide;
};

TEST_F(BadInputTest, EveryMethodAnswersBadArgumentsAsDocumented) {
    platform::ScopedX64Host host(false);
    const std::vector<Case> cases = Cases();
    for (const Case& c : cases) {
        WithSession(c.name, [&](InstalledSession& session) {
            CallOuts outs;
            EXPECT_EQ(c.call(session, outs), c.expected) << c.name;
            EXPECT_EQ(outs.Take(), c.outs) << c.name;
            if (!c.mayWrite) {
                EXPECT_EQ(session.registry->Count(RegOp::SetValue) + session.registry->Count(RegOp::Create), 0u)
                    << c.name << " wrote to the registry";
            }
        });
    }
    std::printf("bad-input sweep: %zu cases\n", cases.size());
    RecordProperty("cases", static_cast<int>(cases.size()));
}

TEST_F(BadInputTest, TextsAreKeptWholeOrRefusedCleanly) {
    platform::ScopedX64Host host(false);
    const std::wstring texts[] = {LongText(), std::wstring(L"C:\\a\0b;", 7), L"C:\\\u00e9t\u00e9\\\U0001F600;\u4e2d"};
    const auto trips = LongTextRoundTrips();
    for (const std::wstring& text : texts) {
        for (const auto& [name, trip] : trips) {
            WithSession(name, [&, &name = name, &trip = trip](InstalledSession& session) {
                Bstr input(text.data(), static_cast<UINT>(text.size())), back;
                const HRESULT hr = trip(session, input.Get(), back.Put());
                if (SUCCEEDED(hr)) {
                    EXPECT_EQ(back.Length(), text.size()) << name;
                    EXPECT_TRUE(std::wstring(back.Text(), back.Length()) == text) << name << ": read back altered";
                } else {
                    EXPECT_EQ(hr, E_FAIL) << name;
                    for (const RegistryEntry& entry : InstalledEntries()) {
                        EXPECT_EQ(session.registry->Get(entry.root, entry.path, entry.name), entry.value) << name;
                    }
                }
            });
        }
    }
    std::printf("bad-input sweep: %zu texts (64 K characters, an embedded zero, beyond the BMP) through %zu setters\n",
                std::size(texts), trips.size());
}

// A caller that keeps the service past the package's Close: a null out is
// still E_POINTER, everything else E_UNEXPECTED, and no model is made.
TEST_F(BadInputTest, AClosedServiceAnswersUnexpected) {
    platform::ScopedX64Host host(false);
    std::size_t calls = 0;
    WithSession("closed", [&](InstalledSession& session) {
        platform::ComPtr<IQZToolOptions> late = session.service;
        session.Close();
        auto expect = [&](HRESULT hr, HRESULT expected) {
            EXPECT_EQ(hr, expected) << "call " << calls;
            ++calls;
        };
        for (const auto& [name, m] : kServiceOptionTexts) {
            Bstr out;
            expect((late.Get()->*m)(nullptr), E_POINTER);
            expect((late.Get()->*m)(out.Put()), E_UNEXPECTED);
        }
        for (const auto& [name, m] : kServiceOptionNumbers) {
            INT out = 0;
            expect((late.Get()->*m)(nullptr), E_POINTER);
            expect((late.Get()->*m)(&out), E_UNEXPECTED);
        }
        for (const auto& [name, m] : kServiceOptionSwitches) {
            LONG out = 0;
            expect((late.Get()->*m)(nullptr), E_POINTER);
            expect((late.Get()->*m)(&out), E_UNEXPECTED);
        }
        for (const auto& [name, m] : kServiceHandleTexts) {
            Bstr out;
            expect((late.Get()->*m)(1024, nullptr), E_POINTER);
            expect((late.Get()->*m)(1024, out.Put()), E_UNEXPECTED);
        }
        for (const auto& [name, put, get] : kServiceHandlePuts)
            expect((late.Get()->*put)(1024, Bstr(L"x").Get()), E_UNEXPECTED);
        for (const auto& [name, put, get] : kServiceTextPuts)
            expect((late.Get()->*put)(Bstr(L"x").Get()), E_UNEXPECTED);
        for (const auto& [name, m] : kServiceOptionSets) expect((late.Get()->*m)(1), E_UNEXPECTED);
        INT number = 0;
        DWORD cookie = 0;
        NullSink sink;
        SAFEARRAY* list = nullptr;
        Bstr text;
        expect(late->GetCmplrFlags(1024, nullptr), E_POINTER);
        expect(late->GetCmplrDisplay(1024, text.Put(), nullptr), E_POINTER);
        expect(late->GetPlatformCmplrs(nullptr, &list, nullptr), E_POINTER);
        expect(late->GetFullPlatformsList(&number, nullptr), E_POINTER);
        expect(late->GetCmplrFlags(1024, &number), E_UNEXPECTED);
        expect(late->CheckPlatformLoading(), E_UNEXPECTED);
        expect(late->AdviseToolOptionEvents(&sink, &cookie), E_UNEXPECTED);
        expect(late->UnadviseToolOptionEvents(cookie), E_UNEXPECTED);
        EXPECT_EQ(session.registry->TotalCount(), 0u) << "a late call made a model";
    });
    std::printf("bad-input sweep: %zu calls on a closed service\n", calls);
}

// An option given a VARIANT of any type: converted to the option's kind and
// stored, or refused with nothing stored.
TEST_F(BadInputTest, OptionsTakeAnyVariantConvertedOrRefused) {
    platform::ScopedX64Host host(false);
    LONG number = 42;
    Bstr owned(L".g"), two(L"2");
    BSTR text = owned.Get();
    SAFEARRAY* emptyArray = SafeArrayCreateVector(VT_BSTR, 0, 0);
    // Not owned: nothing here is cleared but the array, at the end.
    const std::pair<const char*, VARIANT> typed[] = {
        {"VT_BSTR of a number", Arg(VT_BSTR, [&](VARIANT* v) { V_BSTR(v) = two.Get(); })},
        {"VT_I4", I4(12)},
        {"VT_EMPTY", Arg(VT_EMPTY, [](VARIANT*) {})},
        {"VT_NULL", Arg(VT_NULL, [](VARIANT*) {})},
        {"VT_UNKNOWN null", Arg(VT_UNKNOWN, [](VARIANT* v) { V_UNKNOWN(v) = nullptr; })},
        {"VT_DISPATCH null", NullObject()},
        {"VT_BYREF|VT_I4", Arg(VT_BYREF | VT_I4, [&](VARIANT* v) { V_I4REF(v) = &number; })},
        {"VT_BYREF|VT_BSTR", Arg(VT_BYREF | VT_BSTR, [&](VARIANT* v) { V_BSTRREF(v) = &text; })},
        {"VT_ARRAY|VT_BSTR", Arg(VT_ARRAY | VT_BSTR, [&](VARIANT* v) { V_ARRAY(v) = emptyArray; })},
        {"VT_R8 NaN", R8(std::numeric_limits<double>::quiet_NaN())},
        {"VT_I8 past 32 bits", Arg(VT_I8, [](VARIANT* v) { V_I8(v) = 1LL << 40; })},
        {"VT_BOOL", Arg(VT_BOOL, [](VARIANT* v) { V_BOOL(v) = VARIANT_TRUE; })},
        {"VT_ERROR", Arg(VT_ERROR, [](VARIANT* v) { V_ERROR(v) = DISP_E_PARAMNOTFOUND; })},
    };
    for (const auto& [what, value] : typed) {
        for (int pid : {0, 7}) {
            WithSession(what, [&, what = what, value = value](InstalledSession& session) mutable {
                CallOuts before, after;
                ASSERT_EQ(M(session)->GetProperty(PropertyID(pid), &before.value), S_OK);
                const HRESULT hr = M(session)->PutProperty(PropertyID(pid), value);
                ASSERT_EQ(M(session)->GetProperty(PropertyID(pid), &after.value), S_OK);
                if (hr == S_OK) {
                    VARIANT expected;
                    VariantInit(&expected);
                    ASSERT_EQ(VariantChangeType(&expected, &value, 0, pid == 0 ? VT_BSTR : VT_I4), S_OK) << what;
                    CallOuts converted;
                    converted.value = expected;
                    EXPECT_EQ(after.Take(), converted.Take()) << what << " stored as something else";
                } else {
                    EXPECT_EQ(hr, DISP_E_TYPEMISMATCH) << what;
                    EXPECT_EQ(after.Take(), before.Take()) << what << " refused, yet the option changed";
                }
            });
        }
    }
    SafeArrayDestroy(emptyArray);
    std::printf("bad-input sweep: %zu VARIANT types into a text and a number option\n", std::size(typed));
}

}  // namespace
}  // namespace qz::test

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "module/service_site.h"
#include "platform/com_object.h"
#include "platform/com_ptr.h"
#include "platform/vs_interfaces.h"
#include "support/system_test.h"

namespace qz::module {
namespace {

using platform::ComPtr;

// A provider that answers every service with itself and counts the requests.
class CountingProvider : public IServiceProvider {
public:
    IUnknown* Identity() { return this; }
    void* FindInterface(REFIID iid) {
        return IsEqualIID(iid, IID_IServiceProvider) ? static_cast<IServiceProvider*>(this) : nullptr;
    }
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID, REFIID, void** out) override {
        ++requests;
        if (fail) return E_NOINTERFACE;
        AddRef();
        *out = static_cast<IServiceProvider*>(this);
        return S_OK;
    }
    int requests = 0;
    bool fail = false;
};

ComPtr<CountingProvider> MakeProvider() {
    ComPtr<CountingProvider> p;
    p.Attach(platform::ComObject<CountingProvider>::Create(nullptr));
    p->AddRef();
    return p;
}

class ServiceSiteTest : public test::SystemTest {};

struct SiteStep {
    int provider;  // 0 = null, else which of the two providers
    HRESULT result;
    LONG count;
    int held;  // which provider is held afterwards, 0 = none
};

struct SiteCase {
    const char* name;
    std::vector<SiteStep> steps;
};

class ServiceSiteSequenceTest : public ServiceSiteTest, public ::testing::WithParamInterface<SiteCase> {};

TEST_P(ServiceSiteSequenceTest, KeepsTheFirstProviderWhileCounted) {
    std::map<int, ComPtr<CountingProvider>> providers{{1, MakeProvider()}, {2, MakeProvider()}};
    {
        module::ServiceSite site;
        int stepNo = 0;
        for (const SiteStep& step : GetParam().steps) {
            ++stepNo;
            IServiceProvider* given = step.provider ? providers[step.provider].Get() : nullptr;
            EXPECT_EQ(site.SetSite(given), step.result) << "step " << stepNo;
            EXPECT_EQ(site.SiteCount(), step.count) << "step " << stepNo;
            EXPECT_EQ(site.HasProvider(), step.held != 0) << "step " << stepNo;
            if (step.held) {
                ComPtr<IServiceProvider> got;
                ASSERT_EQ(site.QueryService(GUID_NULL, IID_IServiceProvider, got.PutVoid()), S_OK);
                EXPECT_EQ(got.Get(), static_cast<IServiceProvider*>(providers[step.held].Get())) << "step " << stepNo;
            }
        }
    }
    // Whatever the sequence, the site let go of every reference it took.
    for (auto& [which, provider] : providers) {
        EXPECT_EQ(provider->AddRef(), 2u) << "provider " << which;
        provider->Release();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, ServiceSiteSequenceTest,
    ::testing::Values(SiteCase{"one", {{1, S_OK, 1, 1}}},
                      SiteCase{"second_is_ignored", {{1, S_OK, 1, 1}, {2, S_OK, 2, 1}}},
                      SiteCase{"cleared", {{1, S_OK, 1, 1}, {0, E_NOINTERFACE, 0, 0}}},
                      SiteCase{"nested", {{1, S_OK, 1, 1}, {2, S_OK, 2, 1}, {0, S_OK, 1, 1}, {0, E_NOINTERFACE, 0, 0}}},
                      SiteCase{"null_first", {{0, E_NOINTERFACE, -1, 0}, {1, S_OK, 0, 1}, {2, S_OK, 1, 1}}},
                      SiteCase{"replaced_after_clear", {{1, S_OK, 1, 1}, {0, E_NOINTERFACE, 0, 0}, {2, S_OK, 1, 2}}}),
    [](const ::testing::TestParamInfo<SiteCase>& info) { return std::string(info.param.name); });

TEST_F(ServiceSiteTest, CachesEachServiceOnFirstUse) {
    ComPtr<CountingProvider> first = MakeProvider();
    ComPtr<CountingProvider> second = MakeProvider();
    module::ServiceSite site;
    void* out = nullptr;
    EXPECT_EQ(site.Cached(module::SiteService::UIShell, &out), E_NOINTERFACE) << "no provider yet";

    site.SetSite(first.Get());
    ASSERT_EQ(site.Cached(module::SiteService::UIShell, &out), S_OK);
    ASSERT_EQ(site.Cached(module::SiteService::UIShell, &out), S_OK);
    EXPECT_EQ(first->requests, 1);
    ASSERT_EQ(site.Cached(module::SiteService::LocalRegistry, &out), S_OK);
    EXPECT_EQ(first->requests, 2);

    // A new provider empties the cache: the next request goes to it.
    site.SetSite(nullptr);
    site.SetSite(second.Get());
    ASSERT_EQ(site.Cached(module::SiteService::UIShell, &out), S_OK);
    EXPECT_EQ(out, static_cast<void*>(static_cast<IServiceProvider*>(second.Get())));
    EXPECT_EQ(second->requests, 1);
    site.SetSite(nullptr);
}

TEST_F(ServiceSiteTest, AFailedFetchIsTriedAgain) {
    ComPtr<CountingProvider> provider = MakeProvider();
    module::ServiceSite site;
    site.SetSite(provider.Get());
    provider->fail = true;
    EXPECT_EQ(site.Cached<IUnknown>(module::SiteService::F1Help), nullptr);
    provider->fail = false;
    EXPECT_NE(site.Cached<IUnknown>(module::SiteService::F1Help), nullptr);
    EXPECT_EQ(provider->requests, 2);
    site.SetSite(nullptr);
}

TEST_F(ServiceSiteTest, QueryServiceChecksItsArguments) {
    module::ServiceSite site;
    EXPECT_EQ(site.QueryService(GUID_NULL, IID_IUnknown, nullptr), E_POINTER);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(site.QueryService(GUID_NULL, IID_IUnknown, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
}

}  // namespace
}  // namespace qz::module

// The shared component frame, exercised in both libraries through the real COM
// runtime and the libraries' own exported entry points.
#include <gtest/gtest.h>

#include <windows.h>
#include <olectl.h>

#include <string>

#include "ComponentTestSupport.h"

namespace {

using kdtest::ComScope;

struct Component {
    const char* dll;
    CLSID classId;
    IID interfaceId;
    CLSID otherClassId; // the other library's class: not served here
    IID otherInterfaceId;
};

void PrintTo(const Component& c, std::ostream* os)
{
    *os << c.dll;
}

using GetClassObjectFn = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(__stdcall*)();

class FrameTest : public ::testing::TestWithParam<Component> {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(m_com.result());
        // Load through COM first, so the entry points called below are those
        // of the very module the runtime uses.
        kd::com_ptr<IClassFactory> factory;
        ASSERT_EQ(S_OK, ::CoGetClassObject(GetParam().classId, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                           factory.put_void()))
            << "is the component registered?";
        m_module = ::GetModuleHandleA(GetParam().dll);
        ASSERT_NE(nullptr, m_module);
        m_getClassObject = reinterpret_cast<GetClassObjectFn>(
            reinterpret_cast<void*>(::GetProcAddress(m_module, "DllGetClassObject")));
        m_canUnloadNow =
            reinterpret_cast<CanUnloadNowFn>(reinterpret_cast<void*>(::GetProcAddress(m_module, "DllCanUnloadNow")));
        ASSERT_NE(nullptr, m_getClassObject);
        ASSERT_NE(nullptr, m_canUnloadNow);
    }

    kd::com_ptr<IClassFactory> Factory()
    {
        kd::com_ptr<IClassFactory> factory;
        EXPECT_EQ(S_OK, m_getClassObject(GetParam().classId, IID_IClassFactory, factory.put_void()));
        return factory;
    }

    ComScope m_com;
    HMODULE m_module = nullptr;
    GetClassObjectFn m_getClassObject = nullptr;
    CanUnloadNowFn m_canUnloadNow = nullptr;
};

TEST_P(FrameTest, GetClassObjectRefusesOtherClassesAndInterfaces)
{
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, m_getClassObject(GetParam().otherClassId, IID_IClassFactory, &out));
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, m_getClassObject(GUID_NULL, IID_IClassFactory, &out));

    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, m_getClassObject(GetParam().classId, IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);
    // The object's own interface is not the factory's either.
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, m_getClassObject(GetParam().classId, GetParam().interfaceId, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(S_OK, m_canUnloadNow());
}

TEST_P(FrameTest, FactoryStartsWithOneReferenceAndAnswersItsTwoInterfaces)
{
    IClassFactory* factory = nullptr;
    ASSERT_EQ(S_OK, m_getClassObject(GetParam().classId, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(2u, factory->AddRef());
    EXPECT_EQ(1u, factory->Release());

    IUnknown* unknown = nullptr;
    ASSERT_EQ(S_OK, factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(static_cast<IUnknown*>(factory), unknown);
    EXPECT_EQ(1u, unknown->Release());

    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, factory->QueryInterface(IID_IClassFactory2, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(0u, factory->Release());
}

TEST_P(FrameTest, CreateInstanceRefusesAggregation)
{
    auto factory = Factory();
    ASSERT_TRUE(factory);
    kd::com_ptr<IUnknown> outer;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, outer.put_void()));

    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(outer.get(), IID_IUnknown, &out));
    EXPECT_EQ(nullptr, out);
    // The same through the runtime.
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              ::CoCreateInstance(GetParam().classId, outer.get(), CLSCTX_INPROC_SERVER, IID_IUnknown, &out));
    outer.reset();
    EXPECT_EQ(S_OK, m_canUnloadNow());
}

TEST_P(FrameTest, UnsupportedInterfaceDestroysTheNewObject)
{
    auto factory = Factory();
    ASSERT_TRUE(factory);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, GetParam().otherInterfaceId, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(S_OK, m_canUnloadNow()) << "object count must be back at zero";

    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE,
              ::CoCreateInstance(GetParam().classId, nullptr, CLSCTX_INPROC_SERVER, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(S_OK, m_canUnloadNow());
}

TEST_P(FrameTest, ObjectAnswersIUnknownAndItsOwnInterfaceOnly)
{
    kd::com_ptr<IUnknown> object;
    ASSERT_EQ(S_OK, ::CoCreateInstance(GetParam().classId, nullptr, CLSCTX_INPROC_SERVER, GetParam().interfaceId,
                                       object.put_void()));
    IUnknown* same = nullptr;
    ASSERT_EQ(S_OK, object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&same)));
    EXPECT_EQ(object.get(), same);
    EXPECT_EQ(1u, same->Release());
    EXPECT_EQ(2u, object->AddRef());
    EXPECT_EQ(1u, object->Release());
    EXPECT_EQ(0u, object->Release());
    (void)object.detach();
    same = nullptr;

    kd::com_ptr<IUnknown> again;
    ASSERT_EQ(S_OK,
              ::CoCreateInstance(GetParam().classId, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, again.put_void()));
    for (const IID& iid : {GetParam().otherInterfaceId, IID_IDispatch, IID_IClassFactory}) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(E_NOINTERFACE, again->QueryInterface(iid, &out));
        EXPECT_EQ(nullptr, out);
    }
    EXPECT_EQ(E_POINTER, again->QueryInterface(IID_IUnknown, nullptr));
}

TEST_P(FrameTest, CanUnloadNowFollowsLiveObjects)
{
    EXPECT_EQ(S_OK, m_canUnloadNow());
    kd::com_ptr<IUnknown> first, second;
    ASSERT_EQ(S_OK, ::CoCreateInstance(GetParam().classId, nullptr, CLSCTX_INPROC_SERVER, GetParam().interfaceId,
                                       first.put_void()));
    ASSERT_EQ(S_OK, ::CoCreateInstance(GetParam().classId, nullptr, CLSCTX_INPROC_SERVER, GetParam().interfaceId,
                                       second.put_void()));
    EXPECT_EQ(S_FALSE, m_canUnloadNow());
    first.reset();
    EXPECT_EQ(S_FALSE, m_canUnloadNow());
    second.reset();
    EXPECT_EQ(S_OK, m_canUnloadNow());
}

TEST_P(FrameTest, CanUnloadNowFollowsServerLocks)
{
    auto factory = Factory();
    ASSERT_TRUE(factory);
    // A held factory alone does not keep the library.
    EXPECT_EQ(S_OK, m_canUnloadNow());
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_FALSE, m_canUnloadNow());
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_FALSE, m_canUnloadNow());
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_OK, m_canUnloadNow());
}

INSTANTIATE_TEST_SUITE_P(
    Components, FrameTest,
    ::testing::Values(Component{"Helper.dll", CLSID_Helper, IID_IHelper, CLSID_Scrivet, IID_IScrivet},
                      Component{"Scrivet.dll", CLSID_Scrivet, IID_IScrivet, CLSID_Helper, IID_IHelper}),
    [](const ::testing::TestParamInfo<Component>& info) {
        return std::string(info.param.dll).substr(0, std::string(info.param.dll).find('.'));
    });

} // namespace

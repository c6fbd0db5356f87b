#include "DocumentedIds.h"
#include "Com/EventSink.h"
#include "FakeObject.h"
#include "Office/Ids.h"

#include <gtest/gtest.h>

#include <olectl.h>

#include <vector>

namespace {

struct Recorder {
    std::vector<DISPID> events;
    static void handle(void* self, DISPID id, DISPPARAMS*) noexcept { static_cast<Recorder*>(self)->events.push_back(id); }
};

} // namespace

TEST(EventSinkTest, ConnectsEachSourceOnceAndHoldsItWhileConnected)
{
    Recorder recorder;
    Fake::Ref source = Fake::Object::create(L"Inspectors");
    Fake::ConnectionPoint& point = source->eventSource(Documented::DIID_InspectorsEvents);
    {
        Com::EventSink sink(Documented::DIID_InspectorsEvents, &recorder, &Recorder::handle);
        EXPECT_EQ(sink.connect(nullptr), E_INVALIDARG);

        const ULONG before = source->refs();
        EXPECT_EQ(sink.connect(static_cast<IDispatch*>(source.get())), S_OK);
        EXPECT_EQ(sink.connect(static_cast<IDispatch*>(source.get())), Com::EventSink::AlreadyConnected);
        EXPECT_EQ(point.adviseCount(), 1) << "no second connection";
        EXPECT_EQ(point.sinkCount(), 1u);
        EXPECT_EQ(source->refs(), before + 1) << "the sink holds one reference on its source";

        point.fire(0xF001, {});
        EXPECT_EQ(recorder.events, std::vector<DISPID>{0xF001});
    }
    // Destroyed: disconnected and the source released.
    EXPECT_EQ(point.sinkCount(), 0u);
    EXPECT_EQ(source->refs(), 1u);
}

TEST(EventSinkTest, AFailedAdviseLeavesNothingBehind)
{
    Recorder recorder;
    Fake::Ref source = Fake::Object::create(L"Inspectors");
    Fake::ConnectionPoint& point = source->eventSource(Documented::DIID_InspectorsEvents);
    point.failAdvise(CONNECT_E_ADVISELIMIT);

    Com::EventSink sink(Documented::DIID_InspectorsEvents, &recorder, &Recorder::handle);
    EXPECT_EQ(sink.connect(static_cast<IDispatch*>(source.get())), CONNECT_E_ADVISELIMIT);
    EXPECT_EQ(sink.connectionCount(), 0u);
    EXPECT_EQ(source->refs(), 1u);

    // A source without the events cannot be connected either.
    Fake::Ref other = Fake::Object::create(L"Explorer");
    EXPECT_TRUE(FAILED(sink.connect(static_cast<IDispatch*>(other.get()))));
    EXPECT_EQ(other->refs(), 1u);
}

namespace {

// A source that breaks COM identity: every query for IUnknown answers a new object, which
// passes every other query on to the stand-in object behind it.
class ShiftingIdentity final : public IUnknown {
public:
    explicit ShiftingIdentity(Fake::Ref target) : m_target(std::move(target)) { ++s_alive; }
    ~ShiftingIdentity() { --s_alive; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid != IID_IUnknown)
            return m_target->QueryInterface(iid, object);
        *object = static_cast<IUnknown*>(new ShiftingIdentity(m_target));
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

    static int alive() noexcept { return s_alive; }

private:
    Fake::Ref m_target;
    ULONG m_refs = 1;
    static inline int s_alive = 0;
};

} // namespace

TEST(EventSinkTest, DisconnectingASourceThatBreaksComIdentityEnds)
{
    Recorder recorder;
    Fake::Ref target = Fake::Object::create(L"Inspectors");
    Fake::ConnectionPoint& point = target->eventSource(Office::DIID_InspectorsEvents);
    Com::EventSink sink(Office::DIID_InspectorsEvents, &recorder, &Recorder::handle);
    {
        const auto source = Com::ComPtr<IUnknown>::attach(new ShiftingIdentity(target));
        ASSERT_EQ(sink.connect(source.get()), S_OK);
    }
    ASSERT_EQ(point.sinkCount(), 1u);

    sink.disconnectAll();
    EXPECT_EQ(sink.connectionCount(), 0u);
    EXPECT_EQ(point.sinkCount(), 0u);
    EXPECT_EQ(ShiftingIdentity::alive(), 0) << "every answer released";
    EXPECT_EQ(target->refs(), 1u);
}

// CZtContext and CZtErrorDescriptor through the shared library: result
// codes, subscriber references, notifications (callbacks that re-enter,
// unsubscribe or delete), the traced value line, and both registries under
// threads.
#include <zotrel/context.h>
#include <zotrel/trace.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "support/latch.h"
#include "support/trace_capture.h"

using Varn::CZtContext;
using Varn::CZtErrorDescriptor;
using Varn::CZtGUID;
using Varn::CZtString;
using Varn::CZtVariant;
using Varn::IZtContextNotify;
using Varn::IZtUnknown;
using Varn::tagZTGUID;

namespace {

constexpr unsigned int kOk = 0;
constexpr unsigned int kExists = 0x8000000Cu;
constexpr unsigned int kNotFound = 0x8000001Cu;
constexpr unsigned int kRegistered = 0x80000020u;
constexpr unsigned int kInvalidArg = 0x80000004u;

CZtString Detached() {
    return CZtString(static_cast<const CZtString*>(nullptr));
}

std::wstring Text(const CZtString& s) {
    const wchar_t* w = s.w_str();
    return w ? std::wstring(w) : std::wstring();
}

/// A subscriber that counts its references and records its notifications.
/// It is born with one reference, the test's. When `m_bSelfDelete` is set
/// the last release deletes it (and sets `*m_pDeleted`), so a call after
/// that is a use after free the sanitizer reports.
class CountingNotify final : public IZtContextNotify {
public:
    struct Call {
        CZtGUID context;
        std::wstring key;
        int value;
    };
    using Action = std::function<void(CountingNotify& self, const CZtGUID& context,
                                      const CZtString& key, const CZtVariant& value)>;

    int AddRef() const override {
        ++m_nAddRefs;
        return ++m_nCount;
    }
    int Release() const override {
        ++m_nReleases;
        const int count = --m_nCount;
        if (count == 0 && m_bSelfDelete) {
            if (m_pDeleted)
                *m_pDeleted = true;
            delete this;
        }
        return count;
    }
    unsigned int QueryInterface(const tagZTGUID&, IZtUnknown** out) override {
        if (!out)
            return 0x80000006u;
        *out = nullptr;
        return 0x80000009u;
    }
    unsigned int OnContextValueChanged(const CZtGUID& context, const CZtString& key,
                                       const CZtVariant& value) override {
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_Calls.push_back({context, Text(key), static_cast<int>(value)});
        }
        if (m_pOrder)
            m_pOrder->push_back(this);
        if (m_Action)
            m_Action(*this, context, key, value);
        return 0x80000000u;  // ignored by the library
    }

    int Count() const { return m_nCount; }
    int AddRefs() const { return m_nAddRefs; }
    int Releases() const { return m_nReleases; }
    std::vector<Call> Calls() const {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Calls;
    }
    std::size_t CallCount() const {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Calls.size();
    }

    Action m_Action;
    std::vector<const CountingNotify*>* m_pOrder = nullptr;
    bool m_bSelfDelete = false;
    bool* m_pDeleted = nullptr;

private:
    mutable std::atomic<int> m_nCount{1};
    mutable std::atomic<int> m_nAddRefs{0};
    mutable std::atomic<int> m_nReleases{0};
    mutable std::mutex m_Mutex;
    std::vector<Call> m_Calls;
};

// Every test gets a context of its own and leaves the library's severity at 0.
class ContextTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(trace_control_set("Zotrel", "0"), 0);
        m_id = CZtGUID::CreateGUID();
        ASSERT_EQ(CZtContext::InitializeContext(m_id), kOk);
    }
    void TearDown() override {
        CZtContext::DeleteContext(m_id);
        ASSERT_EQ(trace_control_set("Zotrel", "0"), 0);
    }

    CZtGUID m_id;
};

// ---------------------------------------------------------------------------
// Result codes

TEST(ContextRegistryTest, InitializeAndDeleteResults) {
    const CZtGUID id = CZtGUID::CreateGUID();
    EXPECT_EQ(CZtContext::GetContext(id), nullptr);
    EXPECT_EQ(CZtContext::InitializeContext(id), kOk);
    EXPECT_EQ(CZtContext::InitializeContext(id), kExists);
    EXPECT_NE(CZtContext::GetContext(id), nullptr);
    EXPECT_EQ(CZtContext::DeleteContext(id), kOk);
    EXPECT_EQ(CZtContext::DeleteContext(id), kNotFound);
    EXPECT_EQ(CZtContext::GetContext(id), nullptr);
    // The identifier can be used again, and starts empty.
    EXPECT_EQ(CZtContext::InitializeContext(id), kOk);
    EXPECT_FALSE(CZtContext::ContextKeyExists(id, L"Mode"));
    EXPECT_EQ(CZtContext::DeleteContext(id), kOk);
}

TEST(ContextRegistryTest, EveryMemberOnAContextNeverInitialised) {
    const CZtGUID id = CZtGUID::CreateGUID();
    CountingNotify notify;
    CZtVariant out(7);
    EXPECT_EQ(CZtContext::GetContextValue(id, L"Mode", out), kNotFound);
    EXPECT_EQ(static_cast<int>(out), 7);  // untouched
    EXPECT_EQ(CZtContext::GetContextValue(id, L"Mode", 5u), 5u);
    EXPECT_EQ(static_cast<int>(CZtContext::GetContextValue(id, L"Mode", CZtVariant(9))), 9);
    EXPECT_EQ(CZtContext::SetContextValue(id, L"Mode", CZtVariant(1)), kNotFound);
    EXPECT_FALSE(CZtContext::ContextKeyExists(id, L"Mode"));
    EXPECT_EQ(CZtContext::RegisterNotify(id, &notify), kNotFound);
    EXPECT_EQ(CZtContext::UnRegisterNotify(id, &notify), kNotFound);
    EXPECT_EQ(CZtContext::DeleteContext(id), kNotFound);
    EXPECT_EQ(CZtContext::GetContext(id), nullptr);
    EXPECT_EQ(notify.AddRefs(), 0);
    EXPECT_EQ(notify.Releases(), 0);
    // Setting on a missing context did not create it.
    EXPECT_EQ(CZtContext::GetContext(id), nullptr);
}

TEST_F(ContextTest, ValuesAndDefaults) {
    CZtVariant out(-1);
    EXPECT_EQ(CZtContext::GetContextValue(m_id, L"Level", out), kNotFound);
    EXPECT_EQ(static_cast<int>(out), -1);  // a missing key leaves it untouched

    EXPECT_EQ(CZtContext::SetContextValue(m_id, L"Level", CZtVariant(42)), kOk);
    EXPECT_EQ(CZtContext::SetContextValue(m_id, L"Mode", CZtVariant(L"auto")), kOk);
    EXPECT_TRUE(CZtContext::ContextKeyExists(m_id, L"Level"));
    EXPECT_FALSE(CZtContext::ContextKeyExists(m_id, L"level"));  // keys are exact

    EXPECT_EQ(CZtContext::GetContextValue(m_id, L"Level", out), kOk);
    EXPECT_EQ(static_cast<int>(out), 42);
    EXPECT_EQ(CZtContext::GetContextValue(m_id, L"Mode", out), kOk);
    EXPECT_EQ(Text(CZtString(out)), L"auto");

    struct UnsignedCase {
        const char* name;
        const wchar_t* key;
        unsigned int defaultValue;
        unsigned int expected;
    };
    const UnsignedCase unsignedCases[] = {
        {"present", L"Level", 7u, 42u},
        {"missing, 0", L"Missing", 0u, 0u},
        {"missing, 7", L"Missing", 7u, 7u},
        {"missing, largest", L"Missing", 0xFFFFFFFFu, 0xFFFFFFFFu},
    };
    for (const UnsignedCase& c : unsignedCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CZtContext::GetContextValue(m_id, c.key, c.defaultValue), c.expected);
    }

    const CZtVariant fallback(L"none");
    EXPECT_EQ(static_cast<int>(CZtContext::GetContextValue(m_id, L"Level", fallback)), 42);
    EXPECT_EQ(Text(CZtString(CZtContext::GetContextValue(m_id, L"Missing", fallback))), L"none");

    // Setting again replaces the value.
    EXPECT_EQ(CZtContext::SetContextValue(m_id, L"Level", CZtVariant(43)), kOk);
    EXPECT_EQ(CZtContext::GetContextValue(m_id, L"Level", 0u), 43u);
}

// A detached key is the empty key; keys around it keep their places.
TEST_F(ContextTest, DetachedKeyIsTheEmptyKey) {
    EXPECT_EQ(CZtContext::SetContextValue(m_id, L"b", CZtVariant(2)), kOk);
    EXPECT_EQ(CZtContext::SetContextValue(m_id, Detached(), CZtVariant(1)), kOk);
    EXPECT_EQ(CZtContext::SetContextValue(m_id, L"a", CZtVariant(3)), kOk);
    EXPECT_EQ(CZtContext::GetContextValue(m_id, L"", 0u), 1u);
    EXPECT_EQ(CZtContext::GetContextValue(m_id, Detached(), 0u), 1u);
    EXPECT_EQ(CZtContext::GetContextValue(m_id, L"a", 0u), 3u);
    EXPECT_EQ(CZtContext::GetContextValue(m_id, L"b", 0u), 2u);
    EXPECT_FALSE(CZtContext::ContextKeyExists(m_id, L"c"));
}

TEST_F(ContextTest, InstanceMembers) {
    CZtContext* context = CZtContext::GetContext(m_id);
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->SetValue(L"Shift", CZtVariant(2)), kOk);
    EXPECT_TRUE(context->Exists(L"Shift"));
    EXPECT_FALSE(context->Exists(L"Crew"));
    CZtVariant out(0);
    EXPECT_EQ(context->GetValue(L"Crew", out), kNotFound);
    EXPECT_EQ(static_cast<int>(out), 0);
    EXPECT_EQ(context->GetValue(L"Shift", out), kOk);
    EXPECT_EQ(static_cast<int>(out), 2);
    // The static members see the same values.
    EXPECT_EQ(CZtContext::GetContextValue(m_id, L"Shift", 0u), 2u);
}

// Copies take the values and the identifier: a copy's change is announced
// to the subscribers of the registered context with that identifier, while
// the registered values stay as they were.
TEST_F(ContextTest, CopiesTakeValuesAndIdentifier) {
    CountingNotify notify;
    ASSERT_EQ(CZtContext::RegisterNotify(m_id, &notify), kOk);
    ASSERT_EQ(CZtContext::SetContextValue(m_id, L"Shift", CZtVariant(1)), kOk);
    ASSERT_EQ(notify.CallCount(), 1u);

    CZtContext copy(*CZtContext::GetContext(m_id));
    CZtVariant out;
    EXPECT_EQ(copy.GetValue(L"Shift", out), kOk);
    EXPECT_EQ(static_cast<int>(out), 1);
    EXPECT_EQ(copy.SetValue(L"Shift", CZtVariant(2)), kOk);
    ASSERT_EQ(notify.CallCount(), 2u);
    EXPECT_EQ(notify.Calls()[1].context, m_id);
    EXPECT_EQ(notify.Calls()[1].value, 2);
    EXPECT_EQ(CZtContext::GetContextValue(m_id, L"Shift", 0u), 1u);

    const CZtGUID otherId = CZtGUID::CreateGUID();
    CZtContext assigned(otherId);
    EXPECT_EQ(assigned.SetValue(L"Crew", CZtVariant(5)), kOk);  // nobody is told
    EXPECT_EQ(notify.CallCount(), 2u);
    assigned = copy;
    EXPECT_FALSE(assigned.Exists(L"Crew"));
    EXPECT_EQ(assigned.GetValue(L"Shift", out), kOk);
    EXPECT_EQ(static_cast<int>(out), 2);
    EXPECT_EQ(assigned.SetValue(L"Shift", CZtVariant(3)), kOk);
    EXPECT_EQ(notify.CallCount(), 3u);
    assigned = assigned;  // changes nothing
    EXPECT_TRUE(assigned.Exists(L"Shift"));

    EXPECT_EQ(CZtContext::UnRegisterNotify(m_id, &notify), kOk);
}

// ---------------------------------------------------------------------------
// Subscribers

TEST_F(ContextTest, SubscriberReferencesAreTakenOnceAndReleasedOnce) {
    CountingNotify notify;
    EXPECT_EQ(CZtContext::RegisterNotify(m_id, nullptr), kInvalidArg);
    EXPECT_EQ(CZtContext::UnRegisterNotify(m_id, nullptr), kNotFound);
    EXPECT_EQ(CZtContext::UnRegisterNotify(m_id, &notify), kNotFound);

    EXPECT_EQ(CZtContext::RegisterNotify(m_id, &notify), kOk);
    EXPECT_EQ(CZtContext::RegisterNotify(m_id, &notify), kRegistered);
    EXPECT_EQ(notify.AddRefs(), 1);
    EXPECT_EQ(notify.Count(), 2);

    EXPECT_EQ(CZtContext::UnRegisterNotify(m_id, &notify), kOk);
    EXPECT_EQ(CZtContext::UnRegisterNotify(m_id, &notify), kNotFound);
    EXPECT_EQ(notify.Releases(), 1);
    EXPECT_EQ(notify.Count(), 1);

    // DeleteContext releases each subscriber once.
    CountingNotify second;
    EXPECT_EQ(CZtContext::RegisterNotify(m_id, &notify), kOk);
    EXPECT_EQ(CZtContext::RegisterNotify(m_id, &second), kOk);
    EXPECT_EQ(CZtContext::DeleteContext(m_id), kOk);
    EXPECT_EQ(notify.AddRefs(), 2);
    EXPECT_EQ(notify.Releases(), 2);
    EXPECT_EQ(notify.Count(), 1);
    EXPECT_EQ(second.AddRefs(), 1);
    EXPECT_EQ(second.Releases(), 1);
    EXPECT_EQ(second.Count(), 1);
    EXPECT_EQ(CZtContext::UnRegisterNotify(m_id, &notify), kNotFound);
}

TEST_F(ContextTest, EveryChangeIsNotifiedOnceEvenWhenEqual) {
    CountingNotify notify;
    ASSERT_EQ(CZtContext::RegisterNotify(m_id, &notify), kOk);
    ASSERT_EQ(CZtContext::RegisterNotify(m_id, &notify), kRegistered);
    EXPECT_EQ(CZtContext::SetContextValue(m_id, L"Level", CZtVariant(4)), kOk);
    EXPECT_EQ(CZtContext::SetContextValue(m_id, L"Level", CZtVariant(4)), kOk);
    EXPECT_EQ(CZtContext::GetContext(m_id)->SetValue(L"Flow", CZtVariant(9)), kOk);
    const std::vector<CountingNotify::Call> calls = notify.Calls();
    ASSERT_EQ(calls.size(), 3u);
    for (const CountingNotify::Call& call : calls)
        EXPECT_EQ(call.context, m_id);
    EXPECT_EQ(calls[0].key, L"Level");
    EXPECT_EQ(calls[0].value, 4);
    EXPECT_EQ(calls[1].key, L"Level");
    EXPECT_EQ(calls[2].key, L"Flow");
    EXPECT_EQ(calls[2].value, 9);
    // Reading tells nobody.
    EXPECT_EQ(CZtContext::GetContextValue(m_id, L"Level", 0u), 4u);
    EXPECT_EQ(notify.CallCount(), 3u);
    EXPECT_EQ(CZtContext::UnRegisterNotify(m_id, &notify), kOk);
    EXPECT_EQ(CZtContext::SetContextValue(m_id, L"Level", CZtVariant(5)), kOk);
    EXPECT_EQ(notify.CallCount(), 3u);
}

TEST_F(ContextTest, SubscribersAreToldInTheOrderOfTheirAddresses) {
    std::vector<CountingNotify> subscribers(5);
    std::vector<const CountingNotify*> order;
    for (CountingNotify& s : subscribers) {
        s.m_pOrder = &order;
        ASSERT_EQ(CZtContext::RegisterNotify(m_id, &s), kOk);
    }
    EXPECT_EQ(CZtContext::SetContextValue(m_id, L"Level", CZtVariant(1)), kOk);
    std::vector<const CountingNotify*> expected;
    for (const CountingNotify& s : subscribers)
        expected.push_back(&s);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(order, expected);
    for (CountingNotify& s : subscribers)
        EXPECT_EQ(CZtContext::UnRegisterNotify(m_id, &s), kOk);
}

// The mutex is re-entered: a callback reads and sets values itself.
TEST_F(ContextTest, CallbackReadsAndSetsValues) {
    CountingNotify notify;
    int seenInput = -1;
    notify.m_Action = [&](CountingNotify&, const CZtGUID& context, const CZtString& key,
                          const CZtVariant& value) {
        if (Text(key) != L"In")
            return;
        seenInput = static_cast<int>(CZtContext::GetContextValue(context, L"In", 0u));
        EXPECT_EQ(
            CZtContext::SetContextValue(context, L"Out", CZtVariant(2 * static_cast<int>(value))),
            kOk);
        EXPECT_TRUE(CZtContext::ContextKeyExists(context, L"Out"));
    };
    ASSERT_EQ(CZtContext::RegisterNotify(m_id, &notify), kOk);
    EXPECT_EQ(CZtContext::SetContextValue(m_id, L"In", CZtVariant(21)), kOk);
    EXPECT_EQ(seenInput, 21);  // the new value is in place when subscribers hear of it
    EXPECT_EQ(CZtContext::GetContextValue(m_id, L"Out", 0u), 42u);
    // Told of both changes: the inner one while the outer callback ran.
    const std::vector<CountingNotify::Call> calls = notify.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].key, L"In");
    EXPECT_EQ(calls[1].key, L"Out");
    EXPECT_EQ(calls[1].value, 42);
    EXPECT_EQ(CZtContext::UnRegisterNotify(m_id, &notify), kOk);
}

TEST_F(ContextTest, CallbackUnsubscribesItself) {
    CountingNotify leaving;
    CountingNotify staying;
    leaving.m_Action = [&](CountingNotify& self, const CZtGUID& context, const CZtString&,
                           const CZtVariant&) {
        EXPECT_EQ(CZtContext::UnRegisterNotify(context, &self), kOk);
    };
    ASSERT_EQ(CZtContext::RegisterNotify(m_id, &leaving), kOk);
    ASSERT_EQ(CZtContext::RegisterNotify(m_id, &staying), kOk);
    EXPECT_EQ(CZtContext::SetContextValue(m_id, L"Level", CZtVariant(1)), kOk);
    EXPECT_EQ(CZtContext::SetContextValue(m_id, L"Level", CZtVariant(2)), kOk);
    EXPECT_EQ(leaving.CallCount(), 1u);
    EXPECT_EQ(leaving.Releases(), 1);
    EXPECT_EQ(leaving.Count(), 1);
    EXPECT_EQ(staying.CallCount(), 2u);
    EXPECT_EQ(CZtContext::UnRegisterNotify(m_id, &staying), kOk);
}

// Whichever of two subscribers is told first unsubscribes the other, whose
// last reference the registry held: the other is destroyed and never called.
TEST_F(ContextTest, CallbackUnsubscribesAnotherThatIsThenDestroyed) {
    bool deletedA = false;
    bool deletedB = false;
    CountingNotify* a = new CountingNotify;
    CountingNotify* b = new CountingNotify;
    a->m_bSelfDelete = b->m_bSelfDelete = true;
    a->m_pDeleted = &deletedA;
    b->m_pDeleted = &deletedB;
    int firstCalls = 0;
    auto unsubscribeOther = [&](CountingNotify* other) {
        return [&, other](CountingNotify&, const CZtGUID& context, const CZtString&,
                          const CZtVariant&) {
            ++firstCalls;
            CZtContext::UnRegisterNotify(context, other);
        };
    };
    a->m_Action = unsubscribeOther(b);
    b->m_Action = unsubscribeOther(a);
    ASSERT_EQ(CZtContext::RegisterNotify(m_id, a), kOk);
    ASSERT_EQ(CZtContext::RegisterNotify(m_id, b), kOk);
    a->Release();  // the registry holds the last references
    b->Release();
    ASSERT_FALSE(deletedA || deletedB);

    EXPECT_EQ(CZtContext::SetContextValue(m_id, L"Level", CZtVariant(1)), kOk);
    EXPECT_EQ(firstCalls, 1);
    EXPECT_NE(deletedA, deletedB);  // exactly the one unsubscribed is gone
    EXPECT_EQ(CZtContext::DeleteContext(m_id), kOk);
    EXPECT_TRUE(deletedA && deletedB);
}

// A callback deletes the context: no later subscriber is told, each is
// released exactly once, and the setter still returns 0.
TEST_F(ContextTest, CallbackDeletesTheContext) {
    std::vector<CountingNotify> subscribers(3);
    for (CountingNotify& s : subscribers) {
        s.m_Action = [](CountingNotify&, const CZtGUID& context, const CZtString&,
                        const CZtVariant&) { CZtContext::DeleteContext(context); };
        ASSERT_EQ(CZtContext::RegisterNotify(m_id, &s), kOk);
    }
    EXPECT_EQ(CZtContext::SetContextValue(m_id, L"Level", CZtVariant(1)), kOk);
    EXPECT_EQ(CZtContext::GetContext(m_id), nullptr);
    std::size_t told = 0;
    for (const CountingNotify& s : subscribers) {
        told += s.CallCount();
        EXPECT_EQ(s.AddRefs(), 1);
        EXPECT_EQ(s.Releases(), 1);
        EXPECT_EQ(s.Count(), 1);
    }
    EXPECT_EQ(told, 1u);

    // The same through the instance member, whose object the callback destroys.
    ASSERT_EQ(CZtContext::InitializeContext(m_id), kOk);
    ASSERT_EQ(CZtContext::RegisterNotify(m_id, &subscribers[0]), kOk);
    EXPECT_EQ(CZtContext::GetContext(m_id)->SetValue(L"Level", CZtVariant(2)), kOk);
    EXPECT_EQ(CZtContext::GetContext(m_id), nullptr);
    EXPECT_EQ(subscribers[0].Releases(), 2);
}

// A subscriber added by a callback hears the next change, not this one.
TEST_F(ContextTest, CallbackSubscribesAnother) {
    CountingNotify late;
    CountingNotify recruiter;
    recruiter.m_Action = [&](CountingNotify&, const CZtGUID& context, const CZtString&,
                             const CZtVariant&) {
        const unsigned int result = CZtContext::RegisterNotify(context, &late);
        EXPECT_TRUE(result == kOk || result == kRegistered);
    };
    ASSERT_EQ(CZtContext::RegisterNotify(m_id, &recruiter), kOk);
    EXPECT_EQ(CZtContext::SetContextValue(m_id, L"Level", CZtVariant(1)), kOk);
    EXPECT_EQ(late.CallCount(), 0u);
    EXPECT_EQ(CZtContext::SetContextValue(m_id, L"Level", CZtVariant(2)), kOk);
    EXPECT_EQ(late.CallCount(), 1u);
    EXPECT_EQ(late.AddRefs(), 1);
    EXPECT_EQ(CZtContext::DeleteContext(m_id), kOk);
    EXPECT_EQ(late.Count(), 1);
    EXPECT_EQ(recruiter.Count(), 1);
}

// ---------------------------------------------------------------------------
// The traced line

TEST_F(ContextTest, ValueLineOnlyFromSeverityVerbose) {
    zotrel_test::TraceCapture capture;
    const std::string line = " Zotrel/ZtCore VERBOSE ZtContext Pump=\"42\"";
    for (int severity = 0; severity <= 7; ++severity) {
        SCOPED_TRACE(severity);
        ASSERT_EQ(trace_control_set("Zotrel", std::to_string(severity).c_str()), 0);
        capture.Clear();
        EXPECT_EQ(CZtContext::SetContextValue(m_id, L"Pump", CZtVariant(42)), kOk);
        EXPECT_EQ(capture.CountEndingWith(line), severity >= 5 ? 1 : 0);
        EXPECT_EQ(capture.Lines().size(), severity >= 5 ? 1u : 0u);
    }
}

TEST_F(ContextTest, ValueLineTexts) {
    zotrel_test::TraceCapture capture;
    ASSERT_EQ(trace_control_set("Zotrel", "verbose"), 0);
    struct Case {
        const char* name;
        CZtString key;
        CZtVariant value;
        const char* expected;
    };
    const Case cases[] = {
        {"number", CZtString(L"Level"), CZtVariant(-7), "ZtContext Level=\"-7\""},
        {"text", CZtString(L"Mode"), CZtVariant(L"auto"), "ZtContext Mode=\"auto\""},
        {"empty", CZtString(L"Note"), CZtVariant(), "ZtContext Note=\"\""},
        {"empty key", CZtString(L""), CZtVariant(1), "ZtContext =\"1\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        capture.Clear();
        EXPECT_EQ(CZtContext::SetContextValue(m_id, c.key, c.value), kOk);
        EXPECT_EQ(capture.CountEndingWith(std::string(" VERBOSE ") + c.expected), 1);
    }
    // Nothing on a missing context, and the instance member writes no line.
    capture.Clear();
    ASSERT_EQ(trace_control_set("Zotrel", "call"), 0);
    EXPECT_EQ(CZtContext::SetContextValue(CZtGUID::CreateGUID(), L"Pump", CZtVariant(1)),
              kNotFound);
    EXPECT_EQ(CZtContext::GetContext(m_id)->SetValue(L"Pump", CZtVariant(1)), kOk);
    EXPECT_TRUE(capture.Lines().empty());
}

// ---------------------------------------------------------------------------
// Threads

// Eight threads set and read keys of one context that two subscribers watch,
// while two more make and delete contexts of their own with subscribers.
TEST(ContextConcurrencyTest, SettersReadersAndRegistryChanges) {
    constexpr int kSetters = 8;
    constexpr int kChurners = 2;
    constexpr int kRounds = 400;
    const CZtGUID shared = CZtGUID::CreateGUID();
    ASSERT_EQ(CZtContext::InitializeContext(shared), kOk);
    CountingNotify watchers[2];
    for (CountingNotify& w : watchers)
        ASSERT_EQ(CZtContext::RegisterNotify(shared, &w), kOk);
    CountingNotify churnNotify[kChurners];

    const std::vector<int> failures = zotrel_test::RunTogether(kSetters + kChurners, [&](int t) {
        int failed = 0;
        if (t < kSetters) {
            const CZtString key(std::to_wstring(t).c_str());
            for (int i = 0; i < kRounds; ++i) {
                failed += CZtContext::SetContextValue(shared, key, CZtVariant(i)) != kOk;
                CZtVariant out;
                failed += CZtContext::GetContextValue(shared, key, out) != kOk;
                failed += static_cast<int>(out) != i;
            }
            return failed;
        }
        CountingNotify& notify = churnNotify[t - kSetters];
        for (int i = 0; i < kRounds / 4; ++i) {
            const CZtGUID own = CZtGUID::CreateGUID();
            failed += CZtContext::InitializeContext(own) != kOk;
            failed += CZtContext::RegisterNotify(own, &notify) != kOk;
            failed += CZtContext::SetContextValue(own, L"x", CZtVariant(i)) != kOk;
            failed += CZtContext::DeleteContext(own) != kOk;
            // Subscribing to and leaving the shared context meanwhile.
            failed += CZtContext::RegisterNotify(shared, &notify) != kOk;
            failed += CZtContext::UnRegisterNotify(shared, &notify) != kOk;
        }
        return failed;
    });
    for (int t = 0; t < kSetters + kChurners; ++t)
        EXPECT_EQ(failures[t], 0) << "thread " << t;
    for (const CountingNotify& w : watchers)
        EXPECT_EQ(w.CallCount(), static_cast<std::size_t>(kSetters * kRounds));
    for (const CountingNotify& n : churnNotify) {
        // Told once per value set in its own contexts, and of any shared
        // change made while it was subscribed there.
        EXPECT_GE(n.CallCount(), static_cast<std::size_t>(kRounds / 4));
        EXPECT_EQ(n.Count(), 1);
        EXPECT_EQ(n.AddRefs(), n.Releases());
    }
    for (int t = 0; t < kSetters; ++t) {
        EXPECT_EQ(CZtContext::GetContextValue(shared, std::to_wstring(t).c_str(), 0u),
                  static_cast<unsigned int>(kRounds - 1));
    }
    EXPECT_EQ(CZtContext::DeleteContext(shared), kOk);
    for (const CountingNotify& w : watchers)
        EXPECT_EQ(w.Count(), 1);
}

// ---------------------------------------------------------------------------
// Unload

/// A subscriber that says so on standard error when its last reference goes.
class AnnouncingNotify final : public IZtContextNotify {
public:
    int AddRef() const override { return ++m_nCount; }
    int Release() const override {
        const int count = --m_nCount;
        if (count == 0) {
            std::fputs("subscriber released at unload\n", stderr);
            delete this;
        }
        return count;
    }
    unsigned int QueryInterface(const tagZTGUID&, IZtUnknown** out) override {
        if (out)
            *out = nullptr;
        return 0x80000009u;
    }
    unsigned int OnContextValueChanged(const CZtGUID&, const CZtString&,
                                       const CZtVariant&) override {
        return 0;
    }

private:
    mutable std::atomic<int> m_nCount{1};
};

// A context still registered when the library unloads is destroyed then and
// its subscribers are released, after which the first-use objects go too.
TEST(ContextUnloadDeathTest, ContextsLeftAtUnloadReleaseTheirSubscribers) {
    EXPECT_EXIT(
        {
            const CZtGUID id = CZtGUID::CreateGUID();
            CZtContext::InitializeContext(id);
            CZtContext::SetContextValue(id, L"Mode", CZtVariant(L"auto"));
            AnnouncingNotify* notify = new AnnouncingNotify;
            CZtContext::RegisterNotify(id, notify);
            notify->Release();  // the registry holds the last reference
            const CZtErrorDescriptor error(0x8ABE0001u, L"left at unload");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "subscriber released at unload");
}

// ---------------------------------------------------------------------------
// Error descriptors

TEST(ErrorDescriptorTest, TextsByCode) {
    constexpr unsigned int kCode = 0x8ABC0001u;
    EXPECT_EQ(Text(CZtErrorDescriptor::GetErrorString(kCode)), L"<no error>");
    {
        const CZtErrorDescriptor first(kCode, L"valve stuck");
        EXPECT_EQ(static_cast<unsigned int>(first), kCode);
    }
    // The text outlives the descriptor.
    EXPECT_EQ(Text(CZtErrorDescriptor::GetErrorString(kCode)), L"valve stuck");
    const CZtErrorDescriptor second(kCode, L"valve jammed");
    EXPECT_EQ(Text(CZtErrorDescriptor::GetErrorString(kCode)), L"valve jammed");
    EXPECT_EQ(Text(CZtErrorDescriptor::GetErrorString(kCode + 1)), L"<no error>");
    const CZtErrorDescriptor empty(kCode + 2, L"");
    EXPECT_EQ(Text(CZtErrorDescriptor::GetErrorString(kCode + 2)), L"");
}

TEST(ErrorDescriptorTest, CopiesDoNotTouchTheTable) {
    constexpr unsigned int kCode = 0x8ABC0100u;
    CZtErrorDescriptor original(kCode, L"first");
    const CZtErrorDescriptor replacement(kCode, L"second");
    CZtErrorDescriptor copy(original);  // copies "first" without recording it
    EXPECT_EQ(static_cast<unsigned int>(copy), kCode);
    EXPECT_EQ(Text(CZtErrorDescriptor::GetErrorString(kCode)), L"second");
    CZtErrorDescriptor assigned(kCode + 1, L"other");
    assigned = original;
    EXPECT_EQ(static_cast<unsigned int>(assigned), kCode);
    EXPECT_EQ(Text(CZtErrorDescriptor::GetErrorString(kCode)), L"second");
    EXPECT_EQ(Text(CZtErrorDescriptor::GetErrorString(kCode + 1)), L"other");
}

// Eight threads record descriptors and read texts at once: no entry is lost.
TEST(ErrorDescriptorConcurrencyTest, EightThreadsLoseNoEntry) {
    constexpr int kThreads = 8;
    constexpr int kPerThread = 1000;
    constexpr unsigned int kShared = 0x8ABD0000u;
    auto code = [](int t, int i) {
        return 0x8AC00000u + static_cast<unsigned int>(t * 0x10000 + i);
    };
    auto text = [](int t, int i) { return std::to_wstring(t) + L":" + std::to_wstring(i); };
    const std::vector<int> failures = zotrel_test::RunTogether(kThreads, [&](int t) {
        int failed = 0;
        for (int i = 0; i < kPerThread; ++i) {
            const CZtErrorDescriptor made(code(t, i), text(t, i).c_str());
            const CZtErrorDescriptor shared(kShared, std::to_wstring(t).c_str());
            failed += Text(CZtErrorDescriptor::GetErrorString(code(t, i))) != text(t, i);
            if (i > 0)
                failed +=
                    Text(CZtErrorDescriptor::GetErrorString(code(t, i - 1))) != text(t, i - 1);
            failed += Text(CZtErrorDescriptor::GetErrorString(kShared)).empty();
        }
        return failed;
    });
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(failures[t], 0) << "thread " << t;
    int missing = 0;
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kPerThread; ++i)
            missing += Text(CZtErrorDescriptor::GetErrorString(code(t, i))) != text(t, i);
    }
    EXPECT_EQ(missing, 0);
    const std::wstring last = Text(CZtErrorDescriptor::GetErrorString(kShared));
    EXPECT_TRUE(last.size() == 1 && last[0] >= L'0' && last[0] < L'0' + kThreads) << "last";
}

}  // namespace

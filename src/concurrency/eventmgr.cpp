#include "concurrency/eventmgr.h"

#include <new>

#include "concurrency/eventelement.h"
#include "platform/event.h"

namespace Varn {

namespace {

/// Drops the references a wait took, however the wait ends.
class References {
public:
    References() = default;
    References(const References&) = delete;
    References& operator=(const References&) = delete;
    ~References() {
        for (unsigned int i = 0; i < m_nCount; ++i)
            m_Elements[i]->Release();
    }

    /// Takes one reference on `element`.
    void Add(CZtEventElement* element) {
        element->AddRef();
        m_Elements[m_nCount++] = element;
    }
    const CZtEventElement& operator[](unsigned int index) const { return *m_Elements[index]; }

private:
    CZtEventElement* m_Elements[platform::kMaxWaitObjects];
    unsigned int m_nCount = 0;
};

/// Holds the registry mutex for a scope. Calls the mutex directly rather than
/// through CZtAutoMutexLock, whose exported constructor and destructor add two
/// calls through the procedure linkage table to every operation.
class Guard {
public:
    explicit Guard(CZtAutoMutex& mutex) : m_Mutex(mutex) { m_Mutex.Lock(); }
    ~Guard() { m_Mutex.Unlock(); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    CZtAutoMutex& m_Mutex;
};

}  // namespace

CZtEventMgr::~CZtEventMgr() {
    Guard lock(m_Mutex);
    for (CZtEventElement* element : qAsConst(m_Events)) {
        if (element)
            element->Release();
    }
    m_Events.clear();
}

tagZTEVENT* CZtEventMgr::Create(bool manualReset, bool initialState, const CZtString* name) {
    CZtEventElement* element = nullptr;
    try {
        element = new CZtEventElement(manualReset, initialState, name);
        Guard lock(m_Mutex);
        m_Events.insert(element->Handle(), element);
    } catch (const std::bad_alloc&) {
        if (element)
            element->Release();
        return nullptr;
    }
    return element->Handle();
}

unsigned int CZtEventMgr::DestroyLocked(const tagZTEVENT* event) {
    const auto found = m_Events.find(event);
    if (found == m_Events.end())
        return ZT_E_INVALID_TYPE;
    CZtEventElement* element = found.value();
    m_Events.erase(found);
    // The registry's reference; a wait that still holds one keeps the object
    // (and the record, so the address is not reused) until it ends.
    if (element)
        element->Release();
    return ZT_S_OK;
}

unsigned int CZtEventMgr::Destroy(const tagZTEVENT* event) {
    Guard lock(m_Mutex);
    return DestroyLocked(event);
}

unsigned int CZtEventMgr::Signal(const tagZTEVENT* event, bool signalled) {
    Guard lock(m_Mutex);
    const auto found = m_Events.constFind(event);
    if (found == m_Events.constEnd())
        return ZT_E_INVALID_TYPE;
    if (!found.value())
        return ZT_E_INVALID_OBJECT;
    const platform::Event& osEvent = found.value()->OsEvent();
    return (signalled ? osEvent.Set() : osEvent.Reset()) ? ZT_S_OK : ZT_E_FAIL;
}

unsigned int CZtEventMgr::Set(const tagZTEVENT* event) {
    return Signal(event, true);
}

unsigned int CZtEventMgr::Reset(const tagZTEVENT* event) {
    return Signal(event, false);
}

unsigned int CZtEventMgr::Copy(const tagZTEVENT* source, tagZTEVENT** destination) {
    Guard lock(m_Mutex);
    const auto found = m_Events.constFind(source);
    if (found == m_Events.constEnd())
        return ZT_E_INVALID_TYPE;
    const CZtEventElement* original = found.value();
    if (!original)
        return ZT_E_FAIL;
    // The copy is registered before the destination's old handle goes: that
    // handle may be the source itself, whose object the copy is made from, and
    // a failure leaves the destination as it was.
    CZtEventElement* copy = nullptr;
    try {
        copy = new CZtEventElement(original->ManualReset() != 0, original->InitialState() != 0,
                                   &original->Name());
        m_Events.insert(copy->Handle(), copy);
    } catch (const std::bad_alloc&) {
        if (copy)
            copy->Release();
        return ZT_E_FAIL;
    }
    if (*destination)
        DestroyLocked(*destination);
    *destination = copy->Handle();
    return ZT_S_OK;
}

unsigned int CZtEventMgr::GetAttributes(const tagZTEVENT* event, unsigned char* manualReset,
                                        unsigned char* initialState, CZtString* name) {
    Guard lock(m_Mutex);
    const auto found = m_Events.constFind(event);
    if (found == m_Events.constEnd())
        return ZT_E_INVALID_TYPE;
    const CZtEventElement* element = found.value();
    if (!element)
        return ZT_E_FAIL;
    if (manualReset)
        *manualReset = element->ManualReset();
    if (initialState)
        *initialState = element->InitialState();
    if (name)
        *name = element->Name();
    return ZT_S_OK;
}

CZtEventElement* CZtEventMgr::Acquire(const tagZTEVENT* event) {
    Guard lock(m_Mutex);
    const auto found = m_Events.constFind(event);
    if (found == m_Events.constEnd() || !found.value())
        return nullptr;
    found.value()->AddRef();
    return found.value();
}

void CZtEventMgr::Register(const tagZTEVENT* event, CZtEventElement* element) {
    Guard lock(m_Mutex);
    m_Events.insert(event, element);
}

unsigned int CZtEventMgr::Wait(const tagZTEVENT* event, unsigned int milliseconds) {
    CZtEventElement* element = Acquire(event);
    if (!element)
        return platform::kWaitFailed;
    // An empty system event fails the wait at once.
    const unsigned int result = element->OsEvent().Wait(milliseconds);
    element->Release();
    return result;
}

unsigned int CZtEventMgr::WaitMultiple(unsigned int count, tagZTEVENT* const* events, bool waitAll,
                                       unsigned int milliseconds) {
    if (count == 0 || count > platform::kMaxWaitObjects || !events)
        return platform::kWaitFailed;
    References references;
    {
        Guard lock(m_Mutex);
        for (unsigned int i = 0; i < count; ++i) {
            const auto found = m_Events.constFind(events[i]);
            // A null entry is never registered.
            if (found == m_Events.constEnd() || !found.value() ||
                !found.value()->OsEvent().IsValid())
                return platform::kWaitFailed;
            // One event twice in a wait-all set could never be satisfied in one
            // step; two handles of one named event are the same event.
            if (waitAll) {
                for (unsigned int j = 0; j < i; ++j) {
                    if (references[j].OsEvent() == found.value()->OsEvent())
                        return platform::kWaitFailed;
                }
            }
            references.Add(found.value());
        }
    }
    const platform::Event* osEvents[platform::kMaxWaitObjects];
    for (unsigned int i = 0; i < count; ++i)
        osEvents[i] = &references[i].OsEvent();
    return platform::Event::WaitMultiple(osEvents, count, waitAll, milliseconds);
}

}  // namespace Varn

// CZtEvent: the class form of an event handle. Every operation goes through
// the C functions.
#include <zotrel/event.h>

#include <zotrel/string.h>

#include <memory>

namespace Varn {

// The object is its handle and nothing else.
static_assert(sizeof(CZtEvent) == sizeof(tagZTEVENT*), "one handle");

CZtEvent::CZtEvent() : m_pEvent(ZtCreateEvent(0, 0, nullptr)) {}

CZtEvent::CZtEvent(unsigned char manualReset, unsigned char initialState)
    : m_pEvent(ZtCreateEvent(manualReset, initialState, nullptr)) {}

CZtEvent::CZtEvent(unsigned char manualReset, unsigned char initialState, const CZtString& name)
    : m_pEvent(ZtCreateEvent(manualReset, initialState, &name)) {}

CZtEvent::CZtEvent(const CZtEvent& other) : m_pEvent(nullptr) {
    if (other.m_pEvent)
        ZtCopyEvent(other.m_pEvent, &m_pEvent);
}

CZtEvent::CZtEvent(const tagZTEVENT& event) : m_pEvent(nullptr) {
    ZtCopyEvent(&event, &m_pEvent);
}

CZtEvent::~CZtEvent() {
    if (m_pEvent)
        ZtDestroyEvent(m_pEvent);
}

CZtEvent& CZtEvent::operator=(const CZtEvent& other) {
    if (this != std::addressof(other)) {
        if (m_pEvent)
            ZtDestroyEvent(m_pEvent);
        m_pEvent = nullptr;
        if (other.m_pEvent)
            ZtCopyEvent(other.m_pEvent, &m_pEvent);
    }
    return *this;
}

CZtEvent& CZtEvent::operator=(const tagZTEVENT& event) {
    // The copy comes first: `event` may be this object's own record, which
    // destroying the held handle would free.
    tagZTEVENT* copy = nullptr;
    ZtCopyEvent(&event, &copy);
    if (m_pEvent)
        ZtDestroyEvent(m_pEvent);
    m_pEvent = copy;
    return *this;
}

void CZtEvent::Attach(tagZTEVENT* event) {
    if (event == m_pEvent)
        return;
    if (m_pEvent)
        ZtDestroyEvent(m_pEvent);
    m_pEvent = event;
}

tagZTEVENT* CZtEvent::Detach() {
    tagZTEVENT* event = m_pEvent;
    m_pEvent = nullptr;
    return event;
}

unsigned int CZtEvent::SetEvent() const {
    return ZtSetEvent(m_pEvent);
}

unsigned int CZtEvent::ResetEvent() const {
    return ZtResetEvent(m_pEvent);
}

unsigned char CZtEvent::GetManualReset() const {
    unsigned char manualReset = 0;
    if (ZtFailed(ZtGetEventAttributes(m_pEvent, &manualReset, nullptr, nullptr)))
        return 0;
    return manualReset;
}

unsigned char CZtEvent::GetInitialState() const {
    unsigned char initialState = 0;
    if (ZtFailed(ZtGetEventAttributes(m_pEvent, nullptr, &initialState, nullptr)))
        return 0;
    return initialState;
}

CZtString CZtEvent::GetName() const {
    CZtString name;
    if (ZtFailed(ZtGetEventAttributes(m_pEvent, nullptr, nullptr, &name)))
        return CZtString();
    return name;
}

unsigned int CZtEvent::WaitForSingleEvent(const CZtEvent& event, unsigned int milliseconds) {
    return ZtWaitForSingleEvent(event.m_pEvent, milliseconds);
}

unsigned int CZtEvent::WaitForMultipleEvents(unsigned int count, const CZtEvent* events,
                                             unsigned char waitAll, unsigned int milliseconds) {
    if (count == 0 || !events)
        return ZT_WAIT_FAILED;
    // More than the C function accepts, which it would refuse as well.
    if (count > ZT_MAXIMUM_WAIT_OBJECTS)
        return ZT_WAIT_FAILED;
    tagZTEVENT* handles[ZT_MAXIMUM_WAIT_OBJECTS];
    for (unsigned int i = 0; i < count; ++i)
        handles[i] = events[i].m_pEvent;
    return ZtWaitForMultipleEvents(count, handles, waitAll, milliseconds);
}

CZtEvent::operator tagZTEVENT*() {
    return m_pEvent;
}

CZtEvent::operator tagZTEVENT*() const {
    return m_pEvent;
}

CZtEvent::operator const tagZTEVENT*() const {
    return m_pEvent;
}

tagZTEVENT** CZtEvent::operator&() {
    return &m_pEvent;
}

}  // namespace Varn

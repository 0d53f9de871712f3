// CZtContext: the process-wide registry of value tables, their values and
// their change notifications. The registry and its mutex are defined with
// the other module-wide objects, in foundation/moduleinit.cpp.
#include <zotrel/context.h>

#include <zotrel/trace.h>

#include <vector>

#include "diagnostics/contextimpl.h"
#include "diagnostics/tracing.h"
#include "text/stringimpl.h"

namespace Varn {

// ---------------------------------------------------------------------------
// The registry's entries

CZtContextData::CZtContextData(const CZtGUID& id) : m_pContext(new CZtContext(id)) {}

CZtContextData::~CZtContextData() {
    // A subscriber's last Release may run client code that calls back into
    // the registry (the mutex is re-entrant): the set is taken out first, so
    // nothing it does can change the set being walked.
    std::set<IZtContextNotify*> subscribers;
    subscribers.swap(m_Subscribers);
    for (IZtContextNotify* notify : subscribers)
        notify->Release();
    delete m_pContext;
}

CZtContextDataMap::~CZtContextDataMap() {
    CZtAutoMutexLock lock(CZtContext::sm_Mutex);
    // One entry at a time, each taken out before it is destroyed, for the
    // same reason as above.
    while (!m_Map.empty()) {
        const auto first = m_Map.begin();
        CZtContextData* data = first->second;
        m_Map.erase(first);
        delete data;
    }
}

// ---------------------------------------------------------------------------
// Values

namespace {

// Orders keys by their UTF-16 text, as CZtString's less-than does, except
// that a detached string counts as the empty text: CZtString's own operator
// finds a detached string neither less nor greater than anything, which is
// no order a map can use.
inline bool KeyTextLess(const CZtString& a, const CZtString& b) {
    const QString* right = CZtStringImpl::TextOf(b);
    if (!right || right->isEmpty())
        return false;
    const QString* left = CZtStringImpl::TextOf(a);
    return !left || *left < *right;
}

/// Tells the subscribers of the context `id` that `key` was set to `value`.
/// The caller holds the mutex. A callback may subscribe, unsubscribe or
/// delete contexts, this one included: the loop walks a copy of the set,
/// calls only those still subscribed when their turn comes (the set holds a
/// reference to each, so they are alive) and stops once the context is gone.
void NotifySubscribers(const CZtGUID& id, const CZtString& key, const CZtVariant& value) {
    CZtContextData* const data = CZtContext::sm_ContextData.Find(id);
    if (!data || data->m_Subscribers.empty())
        return;
    const std::vector<IZtContextNotify*> snapshot(data->m_Subscribers.begin(),
                                                  data->m_Subscribers.end());
    for (std::size_t i = 0; i < snapshot.size(); ++i) {
        if (i > 0) {
            if (CZtContext::sm_ContextData.Find(id) != data)
                return;
            if (data->m_Subscribers.count(snapshot[i]) == 0)
                continue;
        }
        snapshot[i]->OnContextValueChanged(id, key, value);
    }
}

}  // namespace

bool CZtContext::KeyLess::operator()(const CZtString& a, const CZtString& b) const {
    return KeyTextLess(a, b);
}

CZtContext::CZtContext(const CZtGUID& id) : m_Guid(id) {}

CZtContext::CZtContext(const CZtContext& other) {
    CZtAutoMutexLock lock(sm_Mutex);
    m_Values = other.m_Values;
    m_Guid = other.m_Guid;
}

CZtContext& CZtContext::operator=(const CZtContext& other) {
    CZtAutoMutexLock lock(sm_Mutex);
    if (this != &other) {
        m_Values = other.m_Values;
        m_Guid = other.m_Guid;
    }
    return *this;
}

CZtContext::~CZtContext() {
    // The values go while the mutex is held: a value may hold an interface
    // whose release runs client code.
    CZtAutoMutexLock lock(sm_Mutex);
    m_Values.clear();
}

unsigned int CZtContext::GetValue(const CZtString& key, CZtVariant& value) const {
    CZtAutoMutexLock lock(sm_Mutex);
    const auto it = m_Values.find(key);
    if (it == m_Values.end())
        return ZT_E_NOTFOUND;
    value = it->second;
    return ZT_S_OK;
}

unsigned int CZtContext::SetValue(const CZtString& key, const CZtVariant& value) {
    CZtAutoMutexLock lock(sm_Mutex);
    m_Values[key] = value;
    // A callback may delete this very context: from here on only the copy
    // of the identifier is used, never a member.
    const CZtGUID id(m_Guid);
    NotifySubscribers(id, key, value);
    return ZT_S_OK;
}

bool CZtContext::Exists(const CZtString& key) const {
    CZtAutoMutexLock lock(sm_Mutex);
    return m_Values.find(key) != m_Values.end();
}

// ---------------------------------------------------------------------------
// The registry

unsigned int CZtContext::InitializeContext(const CZtGUID& id) {
    CZtAutoMutexLock lock(sm_Mutex);
    if (sm_ContextData.Find(id))
        return ZT_E_EXISTS;
    sm_ContextData.m_Map.emplace(id, new CZtContextData(id));
    return ZT_S_OK;
}

unsigned int CZtContext::DeleteContext(const CZtGUID& id) {
    CZtAutoMutexLock lock(sm_Mutex);
    const auto it = sm_ContextData.m_Map.find(id);
    if (it == sm_ContextData.m_Map.end())
        return ZT_E_NOTFOUND;
    // Out of the registry before it is destroyed: releasing a subscriber may
    // run client code that looks the context up again.
    CZtContextData* data = it->second;
    sm_ContextData.m_Map.erase(it);
    delete data;
    return ZT_S_OK;
}

CZtContext* CZtContext::GetContext(const CZtGUID& id) {
    CZtAutoMutexLock lock(sm_Mutex);
    CZtContextData* data = sm_ContextData.Find(id);
    return data ? data->m_pContext : nullptr;
}

unsigned int CZtContext::GetContextValue(const CZtGUID& id, const CZtString& key,
                                         CZtVariant& value) {
    CZtAutoMutexLock lock(sm_Mutex);
    CZtContextData* data = sm_ContextData.Find(id);
    if (!data)
        return ZT_E_NOTFOUND;
    const auto it = data->m_pContext->m_Values.find(key);
    if (it == data->m_pContext->m_Values.end())
        return ZT_E_NOTFOUND;
    value = it->second;
    return ZT_S_OK;
}

unsigned int CZtContext::GetContextValue(const CZtGUID& id, const CZtString& key,
                                         unsigned int defaultValue) {
    CZtAutoMutexLock lock(sm_Mutex);
    CZtContextData* data = sm_ContextData.Find(id);
    if (!data)
        return defaultValue;
    const auto it = data->m_pContext->m_Values.find(key);
    if (it == data->m_pContext->m_Values.end())
        return defaultValue;
    return static_cast<unsigned int>(it->second);
}

CZtVariant CZtContext::GetContextValue(const CZtGUID& id, const CZtString& key,
                                       const CZtVariant& defaultValue) {
    CZtAutoMutexLock lock(sm_Mutex);
    CZtContextData* data = sm_ContextData.Find(id);
    if (!data)
        return defaultValue;
    const auto it = data->m_pContext->m_Values.find(key);
    if (it == data->m_pContext->m_Values.end())
        return defaultValue;
    return it->second;
}

unsigned int CZtContext::SetContextValue(const CZtGUID& id, const CZtString& key,
                                         const CZtVariant& value) {
    CZtAutoMutexLock lock(sm_Mutex);
    CZtContextData* data = sm_ContextData.Find(id);
    if (!data)
        return ZT_E_NOTFOUND;
    ZT_TRACE(Tracing::Severity::SeverityVerbose, Tracing::TraceMessage("ZtContext %1=\"%2\"")
                                                     << key << CZtString(value));
    return data->m_pContext->SetValue(key, value);
}

bool CZtContext::ContextKeyExists(const CZtGUID& id, const CZtString& key) {
    CZtAutoMutexLock lock(sm_Mutex);
    CZtContextData* data = sm_ContextData.Find(id);
    return data && data->m_pContext->Exists(key);
}

unsigned int CZtContext::RegisterNotify(const CZtGUID& id, IZtContextNotify* notify) {
    // A null subscriber could only crash the next notification.
    if (!notify)
        return ZT_E_INVALIDARG;
    CZtAutoMutexLock lock(sm_Mutex);
    CZtContextData* data = sm_ContextData.Find(id);
    if (!data)
        return ZT_E_NOTFOUND;
    if (data->m_Subscribers.count(notify) != 0)
        return ZT_E_REGISTERED;
    notify->AddRef();
    data->m_Subscribers.insert(notify);
    return ZT_S_OK;
}

unsigned int CZtContext::UnRegisterNotify(const CZtGUID& id, IZtContextNotify* notify) {
    CZtAutoMutexLock lock(sm_Mutex);
    CZtContextData* data = sm_ContextData.Find(id);
    if (!data || data->m_Subscribers.erase(notify) == 0)
        return ZT_E_NOTFOUND;
    // Out of the set before the release, which may run client code.
    notify->Release();
    return ZT_S_OK;
}

}  // namespace Varn

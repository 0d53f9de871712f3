// The registry behind CZtContext: each registered context with its
// subscribers, by identifier.
#ifndef ZOTREL_SRC_DIAGNOSTICS_CONTEXTIMPL_H
#define ZOTREL_SRC_DIAGNOSTICS_CONTEXTIMPL_H

#include <zotrel/context.h>

#include <cstring>
#include <map>
#include <set>

namespace Varn {

/// A registered context and its subscribers. It owns the context and one
/// reference to each subscriber; all of it is guarded by `CZtContext::sm_Mutex`.
class CZtContextData {
public:
    explicit CZtContextData(const CZtGUID& id);
    /// Releases every subscriber, then destroys the context.
    ~CZtContextData();
    CZtContextData(const CZtContextData&) = delete;
    CZtContextData& operator=(const CZtContextData&) = delete;

    CZtContext* m_pContext;
    /// Ordered by address; notifications follow this order.
    std::set<IZtContextNotify*> m_Subscribers;
};

/// The order of CZtGUID's less-than (Data1, Data2, Data3 as unsigned
/// numbers, then the bytes of Data4 in index order), inline: every context
/// operation looks its identifier up.
struct CZtGuidLess {
    bool operator()(const CZtGUID& a, const CZtGUID& b) const {
        if (a.Data1 != b.Data1)
            return a.Data1 < b.Data1;
        if (a.Data2 != b.Data2)
            return a.Data2 < b.Data2;
        if (a.Data3 != b.Data3)
            return a.Data3 < b.Data3;
        return std::memcmp(a.Data4, b.Data4, sizeof a.Data4) < 0;
    }
};

/// The registered contexts. Contexts still registered when it is destroyed
/// (the library unloads) are destroyed with it and their subscribers
/// released.
class CZtContextDataMap {
public:
    CZtContextDataMap() = default;
    ~CZtContextDataMap();
    CZtContextDataMap(const CZtContextDataMap&) = delete;
    CZtContextDataMap& operator=(const CZtContextDataMap&) = delete;

    /// The entry of `id`, or null.
    CZtContextData* Find(const CZtGUID& id) const {
        const auto it = m_Map.find(id);
        return it == m_Map.end() ? nullptr : it->second;
    }

    std::map<CZtGUID, CZtContextData*, CZtGuidLess> m_Map;
};

}  // namespace Varn

#endif  // ZOTREL_SRC_DIAGNOSTICS_CONTEXTIMPL_H

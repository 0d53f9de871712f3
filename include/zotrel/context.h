/// @file
/// Zotrel contexts and error descriptors: process-wide tables of named values,
/// and the texts of result codes.
///
/// A context is a table of values by key (`CZtString` to `CZtVariant`) that
/// the whole process shares, named by a GUID. Components put values into it,
/// read them back with defaults, and may subscribe to its changes:
///
///     const Varn::CZtGUID plant = Varn::CZtGUID::CreateGUID();
///     Varn::CZtContext::InitializeContext(plant);                      // 0
///     Varn::CZtContext::SetContextValue(plant, L"Mode", Varn::CZtVariant(L"auto"));
///     unsigned int shift = Varn::CZtContext::GetContextValue(plant, L"Shift", 1u);  // 1
///     Varn::CZtContext::RegisterNotify(plant, watcher);   // watcher hears every later change
///     ...
///     Varn::CZtContext::DeleteContext(plant);             // releases watcher
///
/// Every value set through `SetContextValue` is traced at severity 5
/// (verbose) as `ZtContext key="text of the value"`; the line is built only
/// when the library's severity lets it through.
///
/// Ownership. The registry owns each context and holds one reference to each
/// subscriber: `RegisterNotify` takes it, `UnRegisterNotify` and
/// `DeleteContext` give it back. Subscribers still registered when the
/// library unloads are released then, so a module that subscribes must
/// unsubscribe before it unloads itself. `GetContext` hands out the registry's
/// own object: it stays valid until its context is deleted.
///
/// Threads. One re-entrant mutex, `CZtContext::sm_Mutex`, serialises all
/// context work, the notifications included: `OnContextValueChanged` runs on
/// the thread that set the value, with the mutex held, so it may read and set
/// context values itself (and subscribe, unsubscribe or delete contexts), but
/// every other thread's context work waits until it returns. A change
/// notifies the subscribers that were registered when it was made, in the
/// order of their addresses; one that is unsubscribed by an earlier callback
/// of the same change is not called any more, and once the context itself is
/// deleted by a callback no further subscriber is told.
///
/// `CZtErrorDescriptor` pairs a result code with a description and records
/// the pair in a process-wide table, so the text of a code can be looked up
/// later with `CZtErrorDescriptor::GetErrorString`. The table has a lock of
/// its own: descriptors may be made and texts looked up on any threads at once.
#ifndef ZOTREL_CONTEXT_H
#define ZOTREL_CONTEXT_H

#include <zotrel/foundation.h>
#include <zotrel/guid.h>
#include <zotrel/string.h>
#include <zotrel/variant.h>

#include <map>

namespace Varn {

/// Implemented by clients: what a context calls when one of its values is set.
class IZtContextNotify : public IZtUnknown {
public:
    /// Called for every value set in a context this object subscribes to,
    /// also when the new value equals the old one. Runs on the setting thread
    /// with `CZtContext::sm_Mutex` held. The result is not used.
    virtual unsigned int OnContextValueChanged(const CZtGUID& context, const CZtString& key,
                                               const CZtVariant& value) = 0;
};

/// The contexts by identifier (internal).
class CZtContextDataMap;

/// One table of values by key, identified by a GUID, and the static registry
/// of all contexts of the process. Keys are ordered by their text (UTF-16
/// code units); a detached key counts as the empty key.
class ZOTREL_EXPORT CZtContext : public CZtCrtAllocated {
public:
    /// An empty context with the identifier `id`; it is not registered.
    explicit CZtContext(const CZtGUID& id);
    /// Copies the values and the identifier.
    CZtContext(const CZtContext& other);
    /// Copies the values and the identifier.
    CZtContext& operator=(const CZtContext& other);
    /// Destroys the values; subscribers are held by the registry, not here.
    ~CZtContext();

    /// Stores the value of `key` in `value` and returns 0; `ZT_E_NOTFOUND`
    /// when the key is missing (`value` untouched).
    unsigned int GetValue(const CZtString& key, CZtVariant& value) const;
    /// Sets the value of `key` (adding the key when needed), then tells the
    /// subscribers of the registered context with this context's identifier.
    /// Always 0.
    unsigned int SetValue(const CZtString& key, const CZtVariant& value);
    /// True when the key is present.
    bool Exists(const CZtString& key) const;

    // The registry --------------------------------------------------------

    /// Creates and registers an empty context for `id`: 0, or `ZT_E_EXISTS`
    /// when `id` has one already.
    static unsigned int InitializeContext(const CZtGUID& id);
    /// Releases the context's subscribers and destroys it: 0, or
    /// `ZT_E_NOTFOUND`.
    static unsigned int DeleteContext(const CZtGUID& id);
    /// The registered context of `id`, or null. Valid until it is deleted.
    static CZtContext* GetContext(const CZtGUID& id);

    /// Stores the value of `key` in `value` and returns 0; `ZT_E_NOTFOUND`
    /// when the context or the key is missing (`value` untouched). A
    /// non-const `CZtVariant` argument picks this overload.
    static unsigned int GetContextValue(const CZtGUID& id, const CZtString& key, CZtVariant& value);
    /// The value of `key` read as an unsigned integer, or `defaultValue` when
    /// the context or the key is missing.
    static unsigned int GetContextValue(const CZtGUID& id, const CZtString& key,
                                        unsigned int defaultValue);
    /// A copy of the value of `key`, or of `defaultValue` when the context or
    /// the key is missing.
    static CZtVariant GetContextValue(const CZtGUID& id, const CZtString& key,
                                      const CZtVariant& defaultValue);
    /// Traces the change (severity 5) and sets the value (`SetValue`): 0, or
    /// `ZT_E_NOTFOUND` (nothing traced) when `id` has no context.
    static unsigned int SetContextValue(const CZtGUID& id, const CZtString& key,
                                        const CZtVariant& value);
    /// True when the context exists and holds the key.
    static bool ContextKeyExists(const CZtGUID& id, const CZtString& key);

    /// Subscribes `notify` to the context's changes, taking one reference:
    /// 0; `ZT_E_NOTFOUND` when `id` has no context; `ZT_E_REGISTERED` when
    /// `notify` is subscribed already; `ZT_E_INVALIDARG` for a null `notify`.
    static unsigned int RegisterNotify(const CZtGUID& id, IZtContextNotify* notify);
    /// Unsubscribes `notify` and releases the registry's reference: 0, or
    /// `ZT_E_NOTFOUND` when it is not subscribed (or `id` has no context).
    static unsigned int UnRegisterNotify(const CZtGUID& id, IZtContextNotify* notify);

    /// The registered contexts by identifier, each with its subscribers.
    static CZtContextDataMap sm_ContextData;
    /// Guards the registry, every context's values and every subscriber set;
    /// held for each operation and its callbacks.
    static CZtAutoMutex sm_Mutex;

private:
    /// Orders keys by their text; a detached key counts as empty.
    struct KeyLess {
        bool operator()(const CZtString& a, const CZtString& b) const;
    };

    std::map<CZtString, CZtVariant, KeyLess> m_Values;
    CZtGUID m_Guid;
};

/// The internal table behind `CZtErrorDescriptor`.
class CZtErrorMap;

/// A result code with its description. Making one records the description
/// as the text of the code in a process-wide table.
class ZOTREL_EXPORT CZtErrorDescriptor : public CZtCrtAllocated {
public:
    /// Stores both and makes `description` the text of `code`, replacing an
    /// earlier one.
    CZtErrorDescriptor(unsigned int code, const CZtString& description);
    /// Copies code and description; the table is not touched.
    CZtErrorDescriptor(const CZtErrorDescriptor& other);
    /// Copies code and description; the table is not touched.
    CZtErrorDescriptor& operator=(const CZtErrorDescriptor& other);
    /// The table keeps the text recorded for the code.
    ~CZtErrorDescriptor();

    /// The code.
    operator unsigned int() const;

    /// The text last recorded for `code`, or `"<no error>"` when none was.
    static CZtString GetErrorString(unsigned int code);

private:
    /// The process-wide table, created on first use.
    static CZtErrorMap& GetErrorMap();

    unsigned int m_nCode;
    CZtString m_strDescription;
};

}  // namespace Varn

#endif  // ZOTREL_CONTEXT_H

/// @file
/// Zotrel variant map: `CZtMap`, an ordered, shared map from text keys to variants.
///
/// A `CZtMap` is the library's dictionary value: it maps `CZtString` keys to
/// `CZtVariant` values and keeps them ordered by key, comparing UTF-16 code
/// units one by one (case-sensitive: "A" < "a" < "b"). Keys are unique. A map
/// is also a variant type of its own (`ZT_VT_MAP`): a variant built from a map
/// holds a handle that shares the map's entries.
///
/// Copy on write. A `CZtMap` is a small handle to a reference-counted body that
/// holds the entries. Copies share the body (one atomic increment, no entry is
/// copied); the first change through a handle whose body is shared gives that
/// handle a private copy, so copies never see each other's changes:
///
///     Varn::CZtMap levels;
///     levels.Add(L"Pump", 3);
///     levels.Add(L"Valve", 5);
///     Varn::CZtMap snapshot = levels;        // shares the entries
///     levels.Remove(L"Pump");                // levels gets its own entries
///     int pump = snapshot[L"Pump"];          // 3: the snapshot is unchanged
///     Varn::CZtVariant v(levels);            // ZT_VT_MAP sharing levels' entries
///     Varn::CZtMap back(v);                  // shares them again
///
/// Reading never changes a map: `operator[]`, `Value` and `Contains` leave an
/// absent key absent. `GetItemAt(key)` is the one reading member that writes:
/// it inserts an absent key with an empty value and returns a reference to
/// the stored value, valid until the map next changes.
///
/// A map without a body. A map made or assigned from a null pointer has no
/// body: it reads as empty, ignores every change, equals nothing (not even
/// itself) and `GetItemAt(key)` returns a spare value of the handle's own.
/// Assigning a map or a variant gives it a body again.
///
/// Threads and the lock. Distinct `CZtMap` objects, even when they share one
/// body, may be used on different threads at the same time: the count is
/// atomic and every change is made on a private copy. One `CZtMap` object (or
/// several that share a body) used by several threads at once needs the lock:
///
///     registry.Lock();                       // this thread now has the body
///     if (!registry.Contains(name))
///         registry.Add(name, severity);
///     registry.Unlock();
///
/// From `Lock` to `Unlock` every operation of other threads on the same body
/// waits, including one that started just before `Lock` (it finishes first),
/// so the caller's series of operations is exclusive. `Lock` and `Unlock` are
/// meant to be used in pairs by one thread; a second `Lock` by the thread that
/// holds the lock changes nothing, and `Unlock` from a thread that does not
/// hold it does nothing. While no thread holds the lock, operations take no
/// lock at all, and the map is then safe for one thread at a time only. A
/// write through a locking handle whose body is shared moves the lock with
/// the handle to its private copy. Several threads must not use one handle
/// object while a copy shares its body and one of them writes: the write
/// moves that handle to a new body under the others' feet.
#ifndef ZOTREL_MAP_H
#define ZOTREL_MAP_H

#include <zotrel/foundation.h>
#include <zotrel/string.h>
#include <zotrel/variant.h>

namespace Varn {

class CZtMapImpl;

/// Base of the shared map body. It holds no data; it exists so that a
/// handle's declaration can name its body without showing the body's
/// contents.
class ZOTREL_EXPORT CZtMapData {
public:
    /// Nothing to set up.
    CZtMapData();
    /// Copies nothing.
    CZtMapData(const CZtMapData& other);
    /// Nothing to free.
    virtual ~CZtMapData();
    /// Copies nothing.
    CZtMapData& operator=(const CZtMapData& other);
};

/// An ordered map from text keys to variants with copy-on-write sharing and
/// an optional lock. See the header comment for the sharing and thread rules.
class ZOTREL_EXPORT CZtMap : public CZtCrtAllocated {
public:
    // Construction --------------------------------------------------------

    /// A new, empty map.
    CZtMap();
    /// Shares the other map's entries (a map without a body gives a new
    /// empty map).
    CZtMap(const CZtMap& other);
    /// As the copy; a null pointer gives a map without a body.
    CZtMap(const CZtMap* other);
    /// Shares the entries of the map the variant holds: by value
    /// (ZT_VT_MAP), by reference (ZT_VT_MAP with ZT_VT_BYREF) or through
    /// ZT_VT_VARIANT references. Any other variant, and a map variant whose
    /// handle or reference is null, gives a new empty map.
    CZtMap(const CZtVariant& value);
    /// As the reference form; a null pointer gives a map without a body.
    CZtMap(const CZtVariant* value);
    /// Releases the entries (and the lock, if this handle's thread holds it).
    virtual ~CZtMap();

    // Assignment: lets go of the current entries, then takes the new ones as
    // the matching constructor does -------------------------------------------

    /// Shares the other map's entries, letting go of this map's; assigning a
    /// map to itself changes nothing. Returns this map.
    CZtMap& operator=(const CZtMap& other);
    /// A null pointer, or this very map, changes nothing.
    CZtMap& operator=(const CZtMap* other);
    /// Shares the entries of the map the variant holds, as the variant
    /// constructor; any other variant gives a new empty map. The new entries
    /// are shared before the old ones go, so a variant that holds this very
    /// map is safe. Returns this map.
    CZtMap& operator=(const CZtVariant& value);
    /// A null pointer leaves the map without a body.
    CZtMap& operator=(const CZtVariant* value);

    /// A new heap map sharing this map's entries, for owners that free it
    /// with `delete` on either side of a module boundary.
    CZtMap* AllocMap() const;

    // Reading ---------------------------------------------------------------

    /// Number of entries; 0 without a body.
    int Count() const;
    /// True when there are no entries (also without a body).
    bool IsEmpty() const;
    /// True when the key has an entry; false without a body. A detached key
    /// counts as the empty key.
    bool Contains(const CZtString& key) const;
    /// A copy of the key's value; an empty variant for an absent key, which
    /// stays absent.
    CZtVariant operator[](const CZtString& key) const;
    /// The key's value, or `defaultValue` when the key is absent; an empty
    /// variant without a body.
    CZtVariant Value(const CZtString& key, const CZtVariant& defaultValue = CZtVariant()) const;
    /// The smallest key whose value equals `value` (`CZtVariant::operator==`),
    /// or `defaultKey`; an empty text without a body.
    CZtString Key(const CZtVariant& value, const CZtString& defaultKey = CZtString()) const;
    /// The entry at `index` in key order (0 holds the smallest key) into
    /// `key` and `value`. An index outside 0..Count()-1 leaves both unchanged.
    void GetItemAt(int index, CZtString& key, CZtVariant& value) const;

    // Changing (each first gives this handle private entries) ---------------

    /// Inserts the pair; an existing key gets the new value.
    void Add(const CZtString& key, const CZtVariant& value);
    /// Removes the key's entry; the number removed (0 or 1).
    int Remove(const CZtString& key);
    /// Removes the key's entry and returns its value; an empty variant when
    /// the key is absent.
    CZtVariant Take(const CZtString& key);
    /// Removes every entry.
    void Clear();
    /// The stored value of the key, inserted empty when absent. The reference
    /// stays valid until the map next changes; write through it before the
    /// map is copied again, as a copy taken meanwhile shares the value. Without
    /// a body: a spare value that belongs to this handle.
    CZtVariant& GetItemAt(const CZtString& key);

    // Comparison ------------------------------------------------------------

    /// Same number of entries and, in key order, equal keys and values
    /// (`CZtVariant::operator==`, so 1 as ZT_VT_I4 differs from 1 as
    /// ZT_VT_I8). A map without a body equals nothing.
    bool operator==(const CZtMap& other) const;
    /// The negation of `operator==` (so a map without a body differs from
    /// every map, itself included).
    bool operator!=(const CZtMap& other) const;

    // The lock --------------------------------------------------------------

    /// Gives the calling thread the body's lock, waiting while another thread
    /// holds it and for operations already running on other threads.
    void Lock();
    /// Releases the lock if the calling thread holds it.
    void Unlock();

private:
    /// Shares `impl`, or makes a new empty body when it is null.
    explicit CZtMap(CZtMapImpl* impl);
    CZtMap& operator=(CZtMapImpl* impl);

    /// Lets go of the body (releasing the lock first if this handle took it).
    void FreeMap();
    /// Gives this handle private entries before a change.
    void CopyOnWrite();
    /// Fill a handle that has no body.
    void Copy(CZtMapImpl* impl);
    void Copy(const CZtMap& other);
    void Copy(const CZtVariant& value);

    CZtVariant m_Fallback;  ///< what GetItemAt(key) hands out without a body
    CZtMapImpl* m_pImpl;    ///< the shared body; null only after a null pointer
    bool m_bLocked;         ///< this handle took the body's lock
};

}  // namespace Varn

#endif  // ZOTREL_MAP_H

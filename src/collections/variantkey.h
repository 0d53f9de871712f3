// The key of CZtVariantObjectMap's hash: a variant record compared with
// variant equality and hashed consistently with it.
#ifndef ZOTREL_SRC_COLLECTIONS_VARIANTKEY_H
#define ZOTREL_SRC_COLLECTIONS_VARIANTKEY_H

#include <zotrel/string.h>
#include <zotrel/variant.h>

#include <QHash>
#include <QString>

#include <new>

#include "text/stringimpl.h"
#include "variant/varianttype.h"

namespace Varn::detail {

/// The hash of a key record. It follows the type code of the key (numbers by
/// value, texts, byte buffers, times and durations by content, interfaces by
/// address, CHROMIDs by the number or text they name, maps by size, data
/// arrays by element count, by-reference keys by what they refer to) so that
/// any two keys that `CZtVariant` equality finds equal hash alike.
unsigned int HashVariantKey(const tagZTVARIANT& key, unsigned int seed);

/// Whether the key `stored` in a map is the key `given`: `CZtVariant`
/// equality of the stored key with the given one (a failed comparison, as
/// for interfaces, counts as unequal).
bool IsSameVariantKey(const tagZTVARIANT& stored, const tagZTVARIANT& given);

/// The text object of a record that holds text by value, or null.
inline const CZtString* StringIn(const tagZTVARIANT& record) {
    return record.vartype == ZT_VT_STRING ? Load<const CZtString*>(&record.data) : nullptr;
}

/// A key of the hash. A key made from a record borrows it: lookups copy
/// nothing. Copying a key, which the hash does when it stores one in a new
/// entry, makes a `CZtVariant` copy that the copy owns.
///
/// Text keys, the usual ones, take a fast way: a stored key also keeps its
/// text as a QString sharing the characters, so comparing with it reads the
/// characters directly instead of through the record's text object; the
/// result is the one variant equality gives.
class VariantObjectKey {
public:
    explicit VariantObjectKey(const tagZTVARIANT& record) noexcept : m_pRecord(&record) {}
    VariantObjectKey(const VariantObjectKey& other) : m_pRecord(nullptr) {
        m_pRecord = new (m_Copy) CZtVariant(other.Record());
        // A text object without a body equals nothing: it keeps the general way.
        const CZtString* text = StringIn(*m_pRecord);
        const QString* characters = text ? CZtStringImpl::TextOf(*text) : nullptr;
        if (characters) {
            m_Text = *characters;
            m_bText = true;
        }
    }
    VariantObjectKey& operator=(const VariantObjectKey&) = delete;
    ~VariantObjectKey() {
        if (IsOwned())
            static_cast<const CZtVariant*>(m_pRecord)->~CZtVariant();
    }

    const tagZTVARIANT& Record() const { return *m_pRecord; }

    /// Equality of this stored key with `given`.
    bool Matches(const VariantObjectKey& given) const {
        if (!m_bText)
            return IsSameVariantKey(*m_pRecord, *given.m_pRecord);
        const CZtString* text = StringIn(*given.m_pRecord);
        if (!text)
            return false;  // another type word, or no text object
        // A given text object without a body reads as empty.
        const QString* characters = CZtStringImpl::TextOf(*text);
        return characters ? m_Text == *characters : m_Text.isEmpty();
    }

private:
    bool IsOwned() const { return static_cast<const void*>(m_pRecord) == m_Copy; }

    // What a lookup reads of every stored key it passes comes first, so that
    // it shares the cache line of the hash node's link and hash value.
    QString m_Text;        ///< a stored text key's characters, shared
    bool m_bText = false;  ///< m_Text holds them
    const tagZTVARIANT* m_pRecord;
    alignas(CZtVariant) unsigned char m_Copy[sizeof(CZtVariant)];
};

inline unsigned int qHash(const VariantObjectKey& key, unsigned int seed) {
    const tagZTVARIANT& record = key.Record();
    if (const CZtString* text = StringIn(record)) {
        // Read in place: a copy of the QString would cost two atomic counts.
        const QString* characters = CZtStringImpl::TextOf(*text);
        return characters ? ::qHash(*characters, seed) : ::qHash(QString(), seed);
    }
    return HashVariantKey(record, seed);
}

/// Qt's hash compares the key looked for (left) with a stored one (right);
/// the map's rule compares the stored key with the given one.
inline bool operator==(const VariantObjectKey& given, const VariantObjectKey& stored) {
    return stored.Matches(given);
}

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_COLLECTIONS_VARIANTKEY_H

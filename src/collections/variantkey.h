// The key of CZtVariantObjectMap's hash: a variant record compared with
// variant equality and hashed consistently with it.
#ifndef ZOTREL_SRC_COLLECTIONS_VARIANTKEY_H
#define ZOTREL_SRC_COLLECTIONS_VARIANTKEY_H

#include <zotrel/string.h>
#include <zotrel/variant.h>

#include <new>

#include <QHash>
#include <QString>

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
/// Text keys, the usual ones, take a fast way. Every key finds its characters
/// once, when it is made: a borrowed key keeps a pointer to the QString in
/// its text object's body, and a stored key keeps the QString itself, sharing
/// the characters, beside the hash node's link. Hashing and comparing then
/// read the characters directly instead of going through record, text object
/// and body on every node passed; the result is the one variant equality
/// gives.
class VariantObjectKey {
public:
    explicit VariantObjectKey(const tagZTVARIANT& record) noexcept : m_pRecord(&record) {
        m_pText = CharactersOf(record, &m_Kind);
    }
    VariantObjectKey(const VariantObjectKey& other)
        : m_pRecord(new CZtVariant(other.Record())), m_bOwned(true) {
        // A text object without a body equals nothing: it keeps the general way.
        if (const QString* characters = CharactersOf(*m_pRecord, &m_Kind))
            m_pText = new (m_Text) QString(*characters);
    }
    VariantObjectKey& operator=(const VariantObjectKey&) = delete;
    ~VariantObjectKey() {
        if (m_bOwned) {
            if (m_pText)
                m_pText->~QString();
            delete static_cast<const CZtVariant*>(m_pRecord);
        }
    }

    const tagZTVARIANT& Record() const { return *m_pRecord; }

    unsigned int Hash(unsigned int seed) const {
        if (__builtin_expect(m_pText != nullptr, 1))
            return ::qHash(*m_pText, seed);
        // A text object without a body reads as empty text.
        return m_Kind == Kind::EmptyText ? ::qHash(QString(), seed)
                                         : HashVariantKey(*m_pRecord, seed);
    }

    /// Equality of this stored key with `given`.
    bool Matches(const VariantObjectKey& given) const {
        // Text against text reads the characters; anything else (a text
        // given by reference included) takes the general rule.
        if (m_Kind != Kind::Text || given.m_Kind == Kind::Other)
            return IsSameVariantKey(*m_pRecord, *given.m_pRecord);
        if (given.m_pText)
            return *m_pText == *given.m_pText;
        return m_pText->isEmpty();  // a given text object without a body reads as empty
    }

private:
    enum class Kind : unsigned char {
        Text,       ///< a text object with a body: m_pText points to its characters
        EmptyText,  ///< a text object without a body
        Other,      ///< anything else: compared and hashed by the general rules
    };

    static const QString* CharactersOf(const tagZTVARIANT& record, Kind* kind) noexcept {
        const CZtString* text = StringIn(record);
        const QString* characters = text ? CZtStringImpl::TextOf(*text) : nullptr;
        *kind = characters ? Kind::Text : (text ? Kind::EmptyText : Kind::Other);
        return characters;
    }

    // A stored key is small, so that a hash node holds its link, hash
    // value, key and value in one cache line; its record copy lives apart,
    // as it is read only when a key is not text or is handed out. A stored
    // text key's characters are a QString built in m_Text (shared with the
    // record copy's); a borrowed key leaves m_Text raw, so that making and
    // dropping one for a lookup costs nothing for it.
    alignas(QString) unsigned char m_Text[sizeof(QString)];
    const tagZTVARIANT* m_pRecord;
    const QString* m_pText = nullptr;  ///< the characters, when a text key (in m_Text if owned)
    Kind m_Kind = Kind::Other;
    bool m_bOwned = false;  ///< m_pRecord is a copy of this key's own
};

inline unsigned int qHash(const VariantObjectKey& key, unsigned int seed) {
    return key.Hash(seed);
}

/// Qt's hash compares the key looked for (left) with a stored one (right);
/// the map's rule compares the stored key with the given one.
inline bool operator==(const VariantObjectKey& given, const VariantObjectKey& stored) {
    return stored.Matches(given);
}

}  // namespace Varn::detail

#endif  // ZOTREL_SRC_COLLECTIONS_VARIANTKEY_H

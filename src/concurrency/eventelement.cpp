#include "concurrency/eventelement.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <string>

namespace Varn {

CZtEventElement::CZtEventElement(bool manualReset, bool initialState, const CZtString* name)
    : m_pHandle(nullptr),
      m_byManualReset(manualReset ? 1 : 0),
      m_byInitialState(initialState ? 1 : 0) {
    // The record is owned here until the object is complete, so that a
    // failure below does not leak it.
    std::unique_ptr<tagZTEVENT> record(new tagZTEVENT);
    record->id = detail::g_nLastEventId.fetch_add(1, std::memory_order_relaxed) + 1;
    if (name)
        m_strName = *name;
    if (m_strName.IsEmpty()) {
        m_Event = platform::Event::Create(manualReset, initialState);
    } else {
        const QByteArray utf8 = static_cast<const QString&>(m_strName).toUtf8();
        m_Event = platform::Event::Create(manualReset, initialState,
                                          std::string(utf8.constData(), utf8.size()));
    }
    m_pHandle = record.release();
}

CZtEventElement::~CZtEventElement() {
    m_Event = platform::Event();
    delete m_pHandle;
}

}  // namespace Varn

// The empty record base of the store and folder records.
#include "model/InfoObject.h"

#include "platform/afx/CArchive.h"

IMPLEMENT_SERIAL(CInfoObject, CObject, 1)

void CInfoObject::Serialize(CArchive& /*ar*/) {
    // No fields: the record body is empty.
}

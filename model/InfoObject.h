// The empty record base of the store and folder records.
#pragma once

#include "platform/afx/CObject.h"

// A record class with no fields: its Serialize writes and reads nothing.
class CInfoObject : public CObject {
    DECLARE_SERIAL(CInfoObject)

public:
    CInfoObject() = default;
    ~CInfoObject() override = default;
    void Serialize(CArchive& ar) override;
};

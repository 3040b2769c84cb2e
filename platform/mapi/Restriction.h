// A table's own copy of a restriction, and its evaluation against a row's values.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/mapi/PropCell.h"

namespace qrvmapi {

// Kept: RES_AND, RES_OR, RES_NOT, RES_EXIST, RES_PROPERTY (all relations but RELOP_RE) and
// RES_BITMASK; anything else is MAPI_E_TOO_COMPLEX when the restriction is set.
class CRestriction {
public:
    // Copies the caller's restriction (which the caller may free afterwards).
    static HRESULT Build(const SRestriction* lpRes, std::unique_ptr<CRestriction>& out);

    // Looks up a row's value by tag; null when the row has none.
    typedef std::function<const CPropCell*(ULONG tag)> CLookup;
    bool Matches(const CLookup& lookup) const;
    // Every tag the restriction reads, so a table can fetch them with the row.
    void CollectTags(std::vector<ULONG>& tags) const;

private:
    static HRESULT BuildAt(const SRestriction* lpRes, int depth, std::unique_ptr<CRestriction>& out);

    ULONG m_type = RES_AND;
    ULONG m_relop = RELOP_EQ;
    ULONG m_tag = 0;
    ULONG m_mask = 0;
    std::optional<CPropCell> m_value;
    std::vector<std::unique_ptr<CRestriction>> m_children;
};

}  // namespace qrvmapi

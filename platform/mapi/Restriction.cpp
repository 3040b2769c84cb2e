// Restriction copies and their evaluation for the service's tables.
#include "platform/mapi/Restriction.h"

namespace qrvmapi {

namespace {
// Nesting deeper than this is refused: the copy and the evaluation recurse.
constexpr int kMaxDepth = 64;
}  // namespace

HRESULT CRestriction::Build(const SRestriction* lpRes, std::unique_ptr<CRestriction>& out) {
    return BuildAt(lpRes, 0, out);
}

HRESULT CRestriction::BuildAt(const SRestriction* lpRes, int depth, std::unique_ptr<CRestriction>& out) {
    out.reset();
    if (lpRes == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    if (depth > kMaxDepth) {
        return MAPI_E_TOO_COMPLEX;
    }
    auto node = std::make_unique<CRestriction>();
    node->m_type = lpRes->rt;
    switch (lpRes->rt) {
        case RES_AND:
        case RES_OR: {
            const SAndRestriction& list = lpRes->res.resAnd;
            if (list.cRes > 0 && list.lpRes == nullptr) {
                return MAPI_E_INVALID_PARAMETER;
            }
            node->m_children.reserve(list.cRes);
            for (ULONG i = 0; i < list.cRes; ++i) {
                std::unique_ptr<CRestriction> child;
                HRESULT hr = BuildAt(&list.lpRes[i], depth + 1, child);
                if (FAILED(hr)) {
                    return hr;
                }
                node->m_children.push_back(std::move(child));
            }
            break;
        }
        case RES_NOT: {
            std::unique_ptr<CRestriction> child;
            HRESULT hr = BuildAt(lpRes->res.resNot.lpRes, depth + 1, child);
            if (FAILED(hr)) {
                return hr;
            }
            node->m_children.push_back(std::move(child));
            break;
        }
        case RES_EXIST:
            node->m_tag = lpRes->res.resExist.ulPropTag;
            break;
        case RES_BITMASK:
            node->m_relop = lpRes->res.resBitMask.relBMR;
            node->m_tag = lpRes->res.resBitMask.ulPropTag;
            node->m_mask = lpRes->res.resBitMask.ulMask;
            if (node->m_relop != BMR_EQZ && node->m_relop != BMR_NEZ) {
                return MAPI_E_INVALID_PARAMETER;
            }
            break;
        case RES_PROPERTY: {
            const SPropertyRestriction& prop = lpRes->res.resProperty;
            if (prop.lpProp == nullptr || prop.relop > RELOP_NE) {
                return prop.relop == RELOP_RE ? MAPI_E_TOO_COMPLEX : MAPI_E_INVALID_PARAMETER;
            }
            node->m_relop = prop.relop;
            node->m_tag = prop.ulPropTag;
            CPropCell value;
            HRESULT hr = CellFromValue(*prop.lpProp, value);
            if (FAILED(hr)) {
                return hr == MAPI_E_INVALID_TYPE ? MAPI_E_TOO_COMPLEX : hr;
            }
            node->m_value = std::move(value);
            break;
        }
        default:
            return MAPI_E_TOO_COMPLEX;
    }
    out = std::move(node);
    return S_OK;
}

bool CRestriction::Matches(const CLookup& lookup) const {
    switch (m_type) {
        case RES_AND:
            for (const auto& child : m_children) {
                if (!child->Matches(lookup)) {
                    return false;
                }
            }
            return true;
        case RES_OR:
            for (const auto& child : m_children) {
                if (child->Matches(lookup)) {
                    return true;
                }
            }
            return false;
        case RES_NOT:
            return !m_children.front()->Matches(lookup);
        case RES_EXIST:
            return lookup(m_tag) != nullptr;
        case RES_BITMASK: {
            const CPropCell* cell = lookup(m_tag);
            if (cell == nullptr || cell->m_kind != CellKind::Integer) {
                return false;
            }
            bool zero = (static_cast<ULONG>(cell->m_int) & m_mask) == 0;
            return m_relop == BMR_EQZ ? zero : !zero;
        }
        case RES_PROPERTY: {
            // A row without the property never passes, whatever the relation.
            const CPropCell* cell = lookup(m_tag);
            if (cell == nullptr) {
                return false;
            }
            int c = CompareCells(*cell, *m_value);
            if (c == 2) {
                return m_relop == RELOP_NE;
            }
            switch (m_relop) {
                case RELOP_LT:
                    return c < 0;
                case RELOP_LE:
                    return c <= 0;
                case RELOP_GT:
                    return c > 0;
                case RELOP_GE:
                    return c >= 0;
                case RELOP_EQ:
                    return c == 0;
                default:
                    return c != 0;
            }
        }
        default:
            return false;
    }
}

void CRestriction::CollectTags(std::vector<ULONG>& tags) const {
    if (m_type == RES_EXIST || m_type == RES_BITMASK || m_type == RES_PROPERTY) {
        tags.push_back(m_tag);
    }
    for (const auto& child : m_children) {
        child->CollectTags(tags);
    }
}

}  // namespace qrvmapi

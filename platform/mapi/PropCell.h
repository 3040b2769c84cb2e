// An owning, storable form of one property value, and its conversion to and from SPropValue.
#pragma once

#include <string>
#include <vector>

#include "platform/mapi/MAPIDefs.h"

namespace qrvmapi {

// How a value sits in a database column: integer, real, text or bytes.
enum class CellKind { Integer, Real, Text, Bytes };

// One property value held by this layer. Integers (I2, LONG, BOOLEAN, I8, SYSTIME, CURRENCY, ERROR)
// sit in m_int, reals (R4, DOUBLE, APPTIME) in m_real, both text types as UTF-8 in m_bytes, binary
// values and GUIDs as bytes, and multi-valued ones as the packed list encoding of PackList.
struct CPropCell {
    ULONG m_tag = PR_NULL;
    CellKind m_kind = CellKind::Integer;
    LONGLONG m_int = 0;
    double m_real = 0;
    std::string m_bytes;

    ULONG Type() const { return PROP_TYPE(m_tag); }
    static CPropCell Long(ULONG tag, LONGLONG value);
    static CPropCell Bool(ULONG tag, bool value);
    static CPropCell Text(ULONG tag, std::string utf8);
    static CPropCell Binary(ULONG tag, const void* data, size_t cb);
    static CPropCell Binary(ULONG tag, const std::string& bytes) {
        return Binary(tag, bytes.data(), bytes.size());
    }
    // Takes the bytes over: computed ids and keys are made for every item read, copying them twice
    // would double their cost.
    static CPropCell Binary(ULONG tag, std::string&& bytes) {
        CPropCell cell;
        cell.m_tag = tag;
        cell.m_kind = CellKind::Bytes;
        cell.m_bytes = std::move(bytes);
        return cell;
    }
    static CPropCell Time(ULONG tag, LONGLONG fileTime);
};

// The column kind that values of a (stored) type use.
CellKind KindOfType(ULONG type);

// Whether a value of this type can be kept in a store (not null, object or unspecified).
bool IsStorableType(ULONG type);

// Turns a caller's value into a cell. Fails with MAPI_E_INVALID_TYPE for a type that cannot be kept
// and MAPI_E_INVALID_PARAMETER for a malformed value (a null pointer with a count, say).
HRESULT CellFromValue(const SPropValue& value, CPropCell& cell);

// Writes a cell into a caller's value, allocating what it points at with MAPIAllocateMore on
// lpParent. wantedType is the type asked for: PT_UNSPECIFIED takes the stored one (text as 8-bit
// unless MAPI_UNICODE is in ulFlags); 8-bit and UTF-16 text convert into each other. A type that
// does not fit, or a damaged packed list, gives a PT_ERROR value (MAPI_E_NOT_FOUND or
// MAPI_E_CORRUPT_DATA) and S_OK. A cell of a type no store keeps (damage), asked for by a type,
// fails with MAPI_E_CORRUPT_STORE; otherwise only an allocation failure fails the call.
HRESULT ValueFromCell(const CPropCell& cell, ULONG wantedTag, ULONG ulFlags, LPVOID lpParent,
                      SPropValue& value);

// The linked room ValueFromCell takes for the cell with MAPIAllocateMore (texts, bytes, lists),
// block headers included; it errs on the high side, so a buffer with that much room needs no more.
size_t LinkedRoomOfCell(const CPropCell& cell, ULONG wantedTag, ULONG ulFlags);

// An error value for the tag: PT_ERROR in the type, the code in Value.err.
void ErrorValue(ULONG tag, SCODE sc, SPropValue& value);

// Packed list encoding of multi-valued cells: a 32-bit little-endian count, then the elements;
// fixed-size elements in little-endian order, text and binary elements as a 32-bit length and
// their bytes. UnpackList checks every length against what is left.
std::string PackFixed(const void* elements, size_t count, size_t size);
bool UnpackCount(const std::string& packed, ULONG type, ULONG& count);
// Splits a packed list of text or binary elements; false when the list is damaged.
bool UnpackVariable(const std::string& packed, std::vector<std::string>& elements);
std::string PackVariable(const std::vector<std::string>& elements);

// Compares two cells of one type family: <0, 0, >0. Text and bytes compare bytewise; a value
// always compares unequal to one of another kind (result 2).
int CompareCells(const CPropCell& a, const CPropCell& b);

}  // namespace qrvmapi

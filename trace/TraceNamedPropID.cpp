// The data dump of a named property's name.
#include "platform/mapi/MAPIDefs.h"
#include "trace/Trace.h"

void TraceNamedPropID(const MAPINAMEID* nameId) {
    if (!TraceEnabled(TRACE_DATA))
        return;
    if (!nameId) {
        TraceRaw(__FILE__, __LINE__, TRACE_DATA, "NULL\n");
        return;
    }
    TraceRaw(__FILE__, __LINE__, TRACE_DATA, "guid=");
    TraceGUID(nameId->lpguid);
    if (nameId->ulKind == MNID_STRING)
        TraceRaw(__FILE__, __LINE__, TRACE_DATA, "name=%S\n", (const WCHAR*)nameId->Kind.lpwstrName);
    else
        TraceRaw(__FILE__, __LINE__, TRACE_DATA, "id=%lx\n", nameId->Kind.lID);
}

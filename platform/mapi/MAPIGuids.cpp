// Interface ids of the message-store service, with the public values of the interfaces.
#include "platform/mapi/MAPIInterfaces.h"

namespace {
constexpr GUID MapiIid(DWORD data1) {
    return GUID{data1, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
}
}  // namespace

const IID IID_IMAPISession = MapiIid(0x00020300);
const IID IID_IMAPITable = MapiIid(0x00020301);
const IID IID_IMAPIProp = MapiIid(0x00020303);
const IID IID_IMsgStore = MapiIid(0x00020306);
const IID IID_IMessage = MapiIid(0x00020307);
const IID IID_IMAPIContainer = MapiIid(0x0002030B);
const IID IID_IMAPIFolder = MapiIid(0x0002030C);
const IID IID_IProfAdmin = MapiIid(0x0002031C);
const IID IID_IMsgServiceAdmin = MapiIid(0x0002031D);
const IID IID_IMAPIProgress = MapiIid(0x0002031F);

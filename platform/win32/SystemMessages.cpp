// The system's texts for the result codes and error codes the program can show.
#include <algorithm>
#include <iterator>

#include "platform/win32/Format.h"

namespace {

struct MessageEntry {
    DWORD code;
    const char* text;
};

// Sorted by code for the binary search below.
const MessageEntry kMessages[] = {
    {0x00000000u, "The operation completed successfully.\n"},
    {0x00000001u, "Incorrect function.\n"},
    {0x00000002u, "The system cannot find the file specified.\n"},
    {0x00000003u, "The system cannot find the path specified.\n"},
    {0x00000004u, "The system cannot open the file.\n"},
    {0x00000005u, "Access is denied.\n"},
    {0x00000006u, "The handle is invalid.\n"},
    {0x00000008u, "Not enough memory resources are available to process this command.\n"},
    {0x0000000Du, "The data is invalid.\n"},
    {0x0000000Eu, "Not enough memory resources are available to complete this operation.\n"},
    {0x00000011u, "The system cannot move the file to a different disk drive.\n"},
    {0x00000012u, "There are no more files.\n"},
    {0x00000013u, "The media is write protected.\n"},
    {0x0000001Du, "The system cannot write to the specified device.\n"},
    {0x0000001Fu, "A device attached to the system is not functioning.\n"},
    {0x00000020u, "The process cannot access the file because it is being used by another process.\n"},
    {0x00000021u,
     "The process cannot access the file because another process has locked a portion of the file.\n"},
    {0x00000026u, "Reached the end of the file.\n"},
    {0x00000032u, "The request is not supported.\n"},
    {0x00000050u, "The file exists.\n"},
    {0x00000057u, "The parameter is incorrect.\n"},
    {0x00000070u, "There is not enough space on the disk.\n"},
    {0x0000007Au, "The data area passed to a system call is too small.\n"},
    {0x00000091u, "The directory is not empty.\n"},
    {0x000000AAu, "The requested resource is in use.\n"},
    {0x000000B7u, "Cannot create a file when that file already exists.\n"},
    {0x000000CEu, "The filename or extension is too long.\n"},
    {0x000000DFu, "The file size exceeds the limit allowed and cannot be saved.\n"},
    {0x000000EAu, "More data is available.\n"},
    {0x00000103u, "No more data is available.\n"},
    {0x0000013Du, "The system cannot find message text for this message number.\n"},
    {0x000003E3u,
     "The I/O operation has been aborted because of either a thread exit or an application request.\n"},
    {0x000003F1u, "The configuration registry database is corrupt.\n"},
    {0x000003F2u, "The configuration registry key is invalid.\n"},
    {0x000003F3u, "The configuration registry key could not be opened.\n"},
    {0x000003F4u, "The configuration registry key could not be read.\n"},
    {0x000003F5u, "The configuration registry key could not be written.\n"},
    {0x00000459u, "No mapping for the Unicode character exists in the target multi-byte code page.\n"},
    {0x0000045Du, "The request could not be performed because of an I/O device error.\n"},
    {0x000005B4u, "This operation returned because the timeout period expired.\n"},
    {0x00000781u, "The name of the file cannot be resolved by the system.\n"},
    {0x00040203u, "A message service could not be found.\n"},
    {0x00040380u, "The operation succeeded, but some properties could not be returned.\n"},
    {0x00040481u, "The table position changed.\n"},
    {0x00040482u, "The count of rows is approximate.\n"},
    {0x00040580u, "The message was cancelled.\n"},
    {0x00040680u, "The operation completed only in part.\n"},
    {0x80004001u, "Not implemented\n"},
    {0x80004002u, "No such interface supported\n"},
    {0x80004003u, "Invalid pointer\n"},
    {0x80004004u, "Operation aborted\n"},
    {0x80004005u, "Unspecified error\n"},
    {0x8000FFFFu, "Catastrophic failure\n"},
    {0x80040102u, "The operation is not supported.\n"},
    {0x80040103u, "The text is of the wrong character width.\n"},
    {0x80040105u, "The text is too long.\n"},
    {0x80040106u, "Unknown flags were passed.\n"},
    {0x80040107u, "The entry identifier is invalid.\n"},
    {0x80040108u, "The object is invalid.\n"},
    {0x80040109u, "The object was changed by someone else.\n"},
    {0x8004010Au, "The object has been deleted.\n"},
    {0x8004010Bu, "The object is busy.\n"},
    {0x8004010Du, "There is not enough disk space.\n"},
    {0x8004010Eu, "There are not enough resources.\n"},
    {0x8004010Fu, "The object could not be found.\n"},
    {0x80040110u, "The version is not supported.\n"},
    {0x80040111u, "The logon failed.\n"},
    {0x80040112u, "No more sessions can be opened.\n"},
    {0x80040113u, "The operation was cancelled by the user.\n"},
    {0x80040114u, "The operation could not be aborted.\n"},
    {0x80040115u, "A network error occurred.\n"},
    {0x80040116u, "A disk error occurred.\n"},
    {0x80040117u, "The operation is too complex.\n"},
    {0x80040118u, "A column is invalid.\n"},
    {0x80040119u, "An extended error occurred.\n"},
    {0x8004011Au, "The property is computed and cannot be changed.\n"},
    {0x8004011Bu, "The data is corrupt.\n"},
    {0x8004011Cu, "The message service is not configured.\n"},
    {0x8004011Du, "A message service provider failed to start.\n"},
    {0x8004011Eu, "The code page is not supported.\n"},
    {0x8004011Fu, "The locale is not supported.\n"},
    {0x80040120u, "The password must be changed.\n"},
    {0x80040121u, "The password has expired.\n"},
    {0x80040122u, "The account may not log on from this workstation.\n"},
    {0x80040123u, "The account may not log on at this time.\n"},
    {0x80040124u, "The account is disabled.\n"},
    {0x80040200u, "The session has ended.\n"},
    {0x80040201u, "The entry identifier is not known.\n"},
    {0x80040202u, "A required column is missing.\n"},
    {0x80040301u, "A value is invalid.\n"},
    {0x80040302u, "A property type is invalid.\n"},
    {0x80040303u, "A property type is not supported.\n"},
    {0x80040304u, "A property has an unexpected type.\n"},
    {0x80040305u, "The value is too big.\n"},
    {0x80040306u, "The copy was declined.\n"},
    {0x80040307u, "A property identifier is unexpected.\n"},
    {0x80040400u, "The operation could not be completed.\n"},
    {0x80040401u, "The operation timed out.\n"},
    {0x80040402u, "The table is empty.\n"},
    {0x80040403u, "The table is too big.\n"},
    {0x80040405u, "The bookmark is invalid.\n"},
    {0x80040500u, "A wait time-out occurred.\n"},
    {0x80040501u, "The operation was cancelled.\n"},
    {0x80040502u, "The operation is not for this provider.\n"},
    {0x80040600u, "The message store is corrupt.\n"},
    {0x80040601u, "The message is not in the queue.\n"},
    {0x80040602u, "Suppression is not possible.\n"},
    {0x80040604u, "A collision occurred.\n"},
    {0x80040605u, "The subsystem is not initialized.\n"},
    {0x80040606u, "A non-standard error occurred.\n"},
    {0x80040607u, "The message has no recipients.\n"},
    {0x80040608u, "The message has already been submitted.\n"},
    {0x80040609u, "The folder has subfolders.\n"},
    {0x8004060Au, "The folder holds messages.\n"},
    {0x8004060Bu, "A folder cannot be moved or copied into itself.\n"},
    {0x80040700u, "The recipient is ambiguous.\n"},
};

}  // namespace

const char* GetSystemMessageText(DWORD code) {
    auto find = [](DWORD c) -> const char* {
        auto it = std::lower_bound(std::begin(kMessages), std::end(kMessages), c,
                                   [](const MessageEntry& e, DWORD v) { return e.code < v; });
        return it != std::end(kMessages) && it->code == c ? it->text : nullptr;
    };
    if (const char* text = find(code))
        return text;
    // A Win32 error carried as a result code (HRESULT_FROM_WIN32) has the Win32 error's text.
    if ((code & 0xFFFF0000u) == 0x80070000u)
        return find(code & 0xFFFFu);
    return nullptr;
}

// The registry: file-backed hives HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT.
//
// Each hive is a human-readable text file in the machine root ("<root>/registry/<hive>.reg"),
// re-read when another process changed it and rewritten atomically on every change. Key and value
// names are case-insensitive; both '\' and '/' separate key names. Functions return a Win32 error
// code (ERROR_SUCCESS on success) and also set it as the last error.
#pragma once

#include "platform/win32/WinTypes.h"

struct HKEY__;
typedef HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef DWORD REGSAM;
typedef LONG LSTATUS;

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002u)

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_EXECUTE KEY_READ
#define KEY_ALL_ACCESS 0xF003F

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7

#define REG_OPTION_NON_VOLATILE 0x0
#define REG_CREATED_NEW_KEY 0x1
#define REG_OPENED_EXISTING_KEY 0x2

// Opens an existing key (ERROR_FILE_NOT_FOUND when it does not exist). A null or empty sub key
// opens a new handle to hKey itself. Writing through a handle opened without KEY_SET_VALUE gives
// ERROR_ACCESS_DENIED.
LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR subKey, DWORD options, REGSAM samDesired, PHKEY result);
// Opens a key, creating it and its missing parents; disposition (may be null) tells which.
LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                        REGSAM samDesired, void* securityAttributes, PHKEY result, LPDWORD disposition);
LSTATUS RegCloseKey(HKEY hKey);
// Reads a value. A null or empty name is the key's default value. data may be null to ask for the
// size. ERROR_MORE_DATA (with the needed size in *cbData) when the buffer is too small. REG_SZ
// values are returned with their NUL.
LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD cbData);
// Writes a value (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD or REG_BINARY). A REG_DWORD needs
// cbData == 4; a text is taken up to its first NUL within cbData bytes.
LSTATUS RegSetValueExA(HKEY hKey, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD cbData);
// Counts and maximum lengths of the key's sub keys and values; any out pointer may be null. Name
// lengths are in characters without the NUL; maxValueLen is the longest value's size in bytes.
LSTATUS RegQueryInfoKeyA(HKEY hKey, LPSTR keyClass, LPDWORD cchClass, LPDWORD reserved, LPDWORD subKeys,
                         LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen,
                         LPDWORD maxValueLen, LPDWORD securityDescriptor, FILETIME* lastWriteTime);
// Enumerates sub keys and values in name order; ERROR_NO_MORE_ITEMS past the end.
LSTATUS RegEnumKeyExA(HKEY hKey, DWORD index, LPSTR name, LPDWORD cchName, LPDWORD reserved, LPSTR keyClass,
                      LPDWORD cchClass, FILETIME* lastWriteTime);
LSTATUS RegEnumValueA(HKEY hKey, DWORD index, LPSTR valueName, LPDWORD cchValueName, LPDWORD reserved,
                      LPDWORD type, LPBYTE data, LPDWORD cbData);
// Deletes a key without sub keys (ERROR_ACCESS_DENIED when it has some), or a value.
LSTATUS RegDeleteKeyA(HKEY hKey, LPCSTR subKey);
LSTATUS RegDeleteValueA(HKEY hKey, LPCSTR valueName);

#define RegOpenKeyEx RegOpenKeyExA
#define RegCreateKeyEx RegCreateKeyExA
#define RegQueryValueEx RegQueryValueExA
#define RegSetValueEx RegSetValueExA
#define RegQueryInfoKey RegQueryInfoKeyA
#define RegEnumKeyEx RegEnumKeyExA
#define RegEnumValue RegEnumValueA
#define RegDeleteKey RegDeleteKeyA
#define RegDeleteValue RegDeleteValueA

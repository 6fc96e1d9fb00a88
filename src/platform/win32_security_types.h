// Win32 vocabulary of the unattended run's safety calls: security descriptors and SIDs, private
// namespaces, file identity, job objects, the window station, version resources and Authenticode.
// Laid out as Windows lays them out; the win32 adapter checks each layout against the system's.
#pragma once

#include <cstdint>

#include "platform/win32_types.h"

namespace w32 {

// Security descriptors, SIDs and tokens (ADVAPI32).
using PSID = void*;
using PSECURITY_DESCRIPTOR = void*;
using SECURITY_INFORMATION = DWORD;
using BOOLEAN = BYTE;
inline constexpr DWORD SDDL_REVISION_1 = 1;
inline constexpr SECURITY_INFORMATION OWNER_SECURITY_INFORMATION = 0x00000001;
inline constexpr DWORD READ_CONTROL = 0x00020000;
inline constexpr DWORD ERROR_FILE_EXISTS = 80;

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    void* lpSecurityDescriptor;
    BOOL bInheritHandle;
};

// GetTokenInformation's classes the program asks for.
using TOKEN_INFORMATION_CLASS = int;
inline constexpr TOKEN_INFORMATION_CLASS TokenUser = 1;
inline constexpr TOKEN_INFORMATION_CLASS TokenOwner = 4;
inline constexpr TOKEN_INFORMATION_CLASS TokenElevation = 20;  // Vista and later

struct SID_AND_ATTRIBUTES {
    PSID Sid;
    DWORD Attributes;
};
struct TOKEN_USER {
    SID_AND_ATTRIBUTES User;
};
struct TOKEN_OWNER {
    PSID Owner;
};
struct TOKEN_ELEVATION {
    DWORD TokenIsElevated;
};

// Files: opened without following a reparse point, and what an open handle is.
inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD FILE_FLAG_OPEN_REPARSE_POINT = 0x00200000;
inline constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x00000400;
inline constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x00000001;

struct BY_HANDLE_FILE_INFORMATION {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD dwVolumeSerialNumber;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD nNumberOfLinks;
    DWORD nFileIndexHigh;
    DWORD nFileIndexLow;
};

// Job objects and suspended processes (KERNEL32).
inline constexpr DWORD CREATE_SUSPENDED = 0x00000004;
inline constexpr DWORD CREATE_BREAKAWAY_FROM_JOB = 0x01000000;
inline constexpr DWORD JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE = 0x00002000;
using JOBOBJECTINFOCLASS = int;
inline constexpr JOBOBJECTINFOCLASS JobObjectExtendedLimitInformation = 9;

struct JOBOBJECT_BASIC_LIMIT_INFORMATION {
    std::int64_t PerProcessUserTimeLimit;  // LARGE_INTEGER
    std::int64_t PerJobUserTimeLimit;      // LARGE_INTEGER
    DWORD LimitFlags;
    SIZE_T MinimumWorkingSetSize;
    SIZE_T MaximumWorkingSetSize;
    DWORD ActiveProcessLimit;
    ULONG_PTR Affinity;
    DWORD PriorityClass;
    DWORD SchedulingClass;
};
struct IO_COUNTERS {
    std::uint64_t ReadOperationCount;
    std::uint64_t WriteOperationCount;
    std::uint64_t OtherOperationCount;
    std::uint64_t ReadTransferCount;
    std::uint64_t WriteTransferCount;
    std::uint64_t OtherTransferCount;
};
struct JOBOBJECT_EXTENDED_LIMIT_INFORMATION {
    JOBOBJECT_BASIC_LIMIT_INFORMATION BasicLimitInformation;
    IO_COUNTERS IoInfo;
    SIZE_T ProcessMemoryLimit;
    SIZE_T JobMemoryLimit;
    SIZE_T PeakProcessMemoryUsed;
    SIZE_T PeakJobMemoryUsed;
};

// The window station and the error mode (USER32, KERNEL32).
struct HWINSTA__;
using HWINSTA = HWINSTA__*;
inline constexpr int UOI_FLAGS = 1;
inline constexpr DWORD WSF_VISIBLE = 0x0001;
struct USEROBJECTFLAGS {
    BOOL fInherit;
    BOOL fReserved;
    DWORD dwFlags;
};
inline constexpr UINT SEM_FAILCRITICALERRORS = 0x0001;
inline constexpr UINT SEM_NOOPENFILEERRORBOX = 0x8000;

// Version resources (VERSION).
struct VS_FIXEDFILEINFO {
    DWORD dwSignature;  // 0xFEEF04BD
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};
inline constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;

// Authenticode (WINTRUST, CRYPT32).
struct WINTRUST_FILE_INFO {
    DWORD cbStruct;
    const WCHAR* pcwszFilePath;
    HANDLE hFile;
    const GUID* pgKnownSubject;
};
// The layout of Windows XP SP2 to 7 (no signature settings): cbStruct tells WinVerifyTrust which.
struct WINTRUST_DATA {
    DWORD cbStruct;
    void* pPolicyCallbackData;
    void* pSIPClientData;
    DWORD dwUIChoice;
    DWORD fdwRevocationChecks;
    DWORD dwUnionChoice;
    WINTRUST_FILE_INFO* pFile;
    DWORD dwStateAction;
    HANDLE hWVTStateData;
    WCHAR* pwszURLReference;
    DWORD dwProvFlags;
    DWORD dwUIContext;
};
inline constexpr DWORD WTD_UI_NONE = 2;
inline constexpr DWORD WTD_REVOKE_NONE = 0;
inline constexpr DWORD WTD_CHOICE_FILE = 1;
inline constexpr DWORD WTD_STATEACTION_IGNORE = 0;
inline constexpr DWORD WTD_CACHE_ONLY_URL_RETRIEVAL = 0x00001000;
inline constexpr GUID WINTRUST_ACTION_GENERIC_VERIFY_V2 = {
    0x00AAC56B, 0xCD44, 0x11D0, {0x8C, 0xC2, 0x00, 0xC0, 0x4F, 0xC2, 0x95, 0xEE}};
inline constexpr LONG TRUST_E_NOSIGNATURE = static_cast<LONG>(0x800B0100u);

using HCERTSTORE = void*;
using HCRYPTMSG = void*;
inline constexpr DWORD CERT_QUERY_OBJECT_FILE = 1;
inline constexpr DWORD CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED = 1u << 10;
inline constexpr DWORD CERT_QUERY_FORMAT_FLAG_BINARY = 1u << 1;
inline constexpr DWORD CMSG_SIGNER_INFO_PARAM = 6;
struct CRYPT_DATA_BLOB {
    DWORD cbData;
    BYTE* pbData;
};
// The leading fields of CMSG_SIGNER_INFO: the signer certificate's issuer and serial number,
// which name that certificate.
struct CMSG_SIGNER_INFO_HEAD {
    DWORD dwVersion;
    CRYPT_DATA_BLOB Issuer;
    CRYPT_DATA_BLOB SerialNumber;
};

}  // namespace w32

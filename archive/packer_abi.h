#pragma once

#include <cstdint>

// The file manager's packer plug-in interface: the constants and records the packer uses, with
// the values of its public SDK (interface 2.21 SE). The records are laid out as C lays them out
// on x64; only their named fields up to FileAttr are ever written (see the packer's exports).

inline constexpr int E_END_ARCHIVE = 10;
inline constexpr int E_NO_MEMORY = 11;
inline constexpr int E_BAD_DATA = 12;
inline constexpr int E_BAD_ARCHIVE = 13;
inline constexpr int E_UNKNOWN_FORMAT = 14;
inline constexpr int E_EOPEN = 15;
inline constexpr int E_ECREATE = 16;
inline constexpr int E_ECLOSE = 17;
inline constexpr int E_EREAD = 18;
inline constexpr int E_EWRITE = 19;
inline constexpr int E_EABORTED = 21;
inline constexpr int E_NO_FILES = 22;
inline constexpr int E_NOT_SUPPORTED = 24;

inline constexpr int PK_OM_LIST = 0;
inline constexpr int PK_OM_EXTRACT = 1;

inline constexpr int PK_SKIP = 0;
inline constexpr int PK_TEST = 1;
inline constexpr int PK_EXTRACT = 2;

inline constexpr int PK_PACK_MOVE_FILES = 1;
inline constexpr int PK_PACK_SAVE_PATHS = 2;

inline constexpr int PK_CAPS_NEW = 1;
inline constexpr int PK_CAPS_MULTIPLE = 4;
inline constexpr int PK_CAPS_OPTIONS = 16;
inline constexpr int PK_CAPS_BY_CONTENT = 64;
inline constexpr int PK_CAPS_SEARCHTEXT = 128;
inline constexpr int PK_CAPS_HIDE = 256;

inline constexpr int BACKGROUND_UNPACK = 1;
inline constexpr int BACKGROUND_PACK = 2;

inline constexpr std::uint32_t kAttrHidden = 0x2;
inline constexpr std::uint32_t kAttrDirectory = 0x10;

#ifdef _WIN32
#include <windows.h>

struct tHeaderData {
    char ArcName[260];
    char FileName[260];
    int Flags;
    int PackSize;
    int UnpSize;
    int HostOS;
    int FileCRC;
    int FileTime;
    int UnpVer;
    int Method;
    int FileAttr;
    char* CmtBuf;
    int CmtBufSize;
    int CmtSize;
    int CmtState;
};

struct tHeaderDataEx {
    char ArcName[1024];
    char FileName[1024];
    int Flags;
    unsigned int PackSize;
    unsigned int PackSizeHigh;
    unsigned int UnpSize;
    unsigned int UnpSizeHigh;
    int HostOS;
    int FileCRC;
    int FileTime;
    int UnpVer;
    int Method;
    int FileAttr;
    char* CmtBuf;
    int CmtBufSize;
    int CmtSize;
    int CmtState;
    char Reserved[1024];
};

struct tHeaderDataExW {
    WCHAR ArcName[1024];
    WCHAR FileName[1024];
    int Flags;
    unsigned int PackSize;
    unsigned int PackSizeHigh;
    unsigned int UnpSize;
    unsigned int UnpSizeHigh;
    int HostOS;
    int FileCRC;
    int FileTime;
    int UnpVer;
    int Method;
    int FileAttr;
    char* CmtBuf;
    int CmtBufSize;
    int CmtSize;
    int CmtState;
    char Reserved[1024];
};

struct tOpenArchiveData {
    char* ArcName;
    int OpenMode;
    int OpenResult;
    char* CmtBuf;
    int CmtBufSize;
    int CmtSize;
    int CmtState;
};

struct tOpenArchiveDataW {
    WCHAR* ArcName;
    int OpenMode;
    int OpenResult;
    WCHAR* CmtBuf;
    int CmtBufSize;
    int CmtSize;
    int CmtState;
};

struct PackDefaultParamStruct {
    int size;
    DWORD PluginInterfaceVersionLow;
    DWORD PluginInterfaceVersionHi;
    char DefaultIniName[MAX_PATH];
};

using tChangeVolProc = int(WINAPI*)(char* ArcName, int Mode);
using tChangeVolProcW = int(WINAPI*)(WCHAR* ArcName, int Mode);
using tProcessDataProc = int(WINAPI*)(char* FileName, int Size);
using tProcessDataProcW = int(WINAPI*)(WCHAR* FileName, int Size);
#endif

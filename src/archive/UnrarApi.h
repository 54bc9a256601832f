// The call interface of the UnRAR library that the picture archive is read through: the record
// types, the operation codes and statuses, and the types of the five entry points. A library
// offering these entry points with C linkage can take the built-in module's place.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Statuses.
enum {
    ERAR_SUCCESS = 0,
    ERAR_END_ARCHIVE = 10,
    ERAR_NO_MEMORY = 11,
    ERAR_BAD_DATA = 12,
    ERAR_BAD_ARCHIVE = 13,
    ERAR_UNKNOWN_FORMAT = 14,
    ERAR_EOPEN = 15,
    ERAR_ECREATE = 16,
    ERAR_ECLOSE = 17,
    ERAR_EREAD = 18,
    ERAR_EWRITE = 19,
    ERAR_SMALL_BUF = 20,
    ERAR_UNKNOWN = 21,
    ERAR_MISSING_PASSWORD = 22
};

// Open modes.
enum { RAR_OM_LIST = 0, RAR_OM_EXTRACT = 1 };

// Operations of RARProcessFile.
enum { RAR_SKIP = 0, RAR_TEST = 1, RAR_EXTRACT = 2 };

struct RAROpenArchiveData {
    char* ArcName;
    unsigned int OpenMode;
    unsigned int OpenResult;
    char* CmtBuf;
    unsigned int CmtBufSize;
    unsigned int CmtSize;
    unsigned int CmtState;
};

struct RARHeaderData {
    char ArcName[260];
    char FileName[260];  // raw bytes as stored, folders separated by '\', NUL-terminated
    unsigned int Flags;
    unsigned int PackSize;
    unsigned int UnpSize;
    unsigned int HostOS;
    unsigned int FileCRC;
    unsigned int FileTime;
    unsigned int UnpVer;
    unsigned int Method;
    unsigned int FileAttr;
    char* CmtBuf;
    unsigned int CmtBufSize;
    unsigned int CmtSize;
    unsigned int CmtState;
};

// Receives unpacked bytes block by block; returns a positive value to go on, -1 to cancel.
typedef int (*PROCESSDATAPROC)(unsigned char* Addr, int Size);

typedef void* RARHANDLE;

typedef RARHANDLE (*RAROpenArchiveFn)(struct RAROpenArchiveData* ArchiveData);
typedef int (*RARCloseArchiveFn)(RARHANDLE hArcData);
typedef void (*RARSetProcessDataProcFn)(RARHANDLE hArcData, PROCESSDATAPROC ProcessDataProc);
typedef int (*RARReadHeaderFn)(RARHANDLE hArcData, struct RARHeaderData* HeaderData);
typedef int (*RARProcessFileFn)(RARHANDLE hArcData, int Operation, char* DestPath, char* DestName);

#ifdef __cplusplus
}
#endif

// The built-in UnRAR module: the five entry points of the UnRAR library over libunarr (archives
// of RAR 2.x to 4.x, signature "Rar!\x1A\x07\x00") and libarchive (RAR 5, signature
// "Rar!\x1A\x07\x01\x00"), chosen by the archive's signature. It stands in for the Windows
// library graph\dll\unrar.dll that every disc carries, whatever that file holds.
//
// What it reports:
// - one header per file member, in archive order; folder entries are passed over (they hold no
//   data, and the RAR 2.x-4.x reader does not surface them at all, so both formats agree);
// - the member's name as an archive made on Windows reports it: the bytes as stored in the
//   header (for RAR 2.x-4.x the 8-bit name, for RAR 5 the stored UTF-8), folder parts separated
//   by '\', letter case kept; a name longer than the record's 259 bytes is cut there;
// - RARProcessFile in test mode hands the member's bytes to the data callback in blocks of at
//   most 64 KiB; nothing is kept inside the module.
// Statuses: 0 success, 10 end of archive, 12 broken header or bad data, 22 for an encrypted
// member (no password can be given), 16 for the extract operation (this module writes no
// files), 21 when the data callback cancels. An archive whose headers are encrypted does not
// open (OpenResult 22); neither does a file that is not a RAR archive (13).
#pragma once

#include <memory>
#include <string>

#include "archive/UnrarApi.h"
#include "platform/LibraryLoader.h"

extern "C" {
RARHANDLE BuiltinRAROpenArchive(struct RAROpenArchiveData* ArchiveData);
int BuiltinRARCloseArchive(RARHANDLE hArcData);
void BuiltinRARSetProcessDataProc(RARHANDLE hArcData, PROCESSDATAPROC ProcessDataProc);
int BuiltinRARReadHeader(RARHANDLE hArcData, struct RARHeaderData* HeaderData);
int BuiltinRARProcessFile(RARHANDLE hArcData, int Operation, char* DestPath, char* DestName);
}

// Opens an archive held in memory the way RAROpenArchive opens a file (for an archive inside a
// disc image, which is no file of this system): `ArchiveData->ArcName` is only the name the
// headers report. The handle keeps its share of the bytes; the other entry points take it as any.
RARHANDLE BuiltinRAROpenArchiveFromMemory(struct RAROpenArchiveData* ArchiveData,
                                          std::shared_ptr<const std::string> bytes);

// The module's entry points by name, as the UnRAR library names them.
const BuiltinEntryPoints& BuiltinUnrarEntryPoints();

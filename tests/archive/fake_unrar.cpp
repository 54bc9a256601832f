// A small UnRAR library for the tests, built once per variant with one -D switch:
//   FAKE_NO_<entry point>  the library lacks that entry point
//   FAKE_OPEN_FAILS, FAKE_HEADER_BROKEN, FAKE_PROCESS_FAILS, FAKE_CLOSE_FAILS  that step fails
//   FAKE_ODD_STATUS        every header read answers 21, a status the reader does not explain
// Otherwise it serves four members whose data it hands over one byte at a time:
// "b.gif" = "bb", "a.gif" = "first", "A.GIF" = "upper", "a.gif" = "second". It checks the call
// protocol (extract mode, no comment buffer, test operation, no destination) and fails the
// call when it is broken.
#include <cstring>

#include "archive/UnrarApi.h"

namespace {

struct Member {
    const char* name;
    const char* data;
};
const Member kMembers[] = {{"b.gif", "bb"}, {"a.gif", "first"}, {"A.GIF", "upper"}, {"a.gif", "second"}};
constexpr int kMemberCount = 4;

struct Fake {
    PROCESSDATAPROC callback = nullptr;
    int next = 0;
};
Fake g_fake;
int g_token;

}  // namespace

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

#ifndef FAKE_NO_RAROpenArchive
FAKE_EXPORT RARHANDLE RAROpenArchive(RAROpenArchiveData* data)
{
    const bool protocol_ok = data->OpenMode == RAR_OM_EXTRACT && data->CmtBuf == nullptr &&
                             data->CmtBufSize == 0 && data->ArcName != nullptr;
#ifdef FAKE_OPEN_FAILS
    data->OpenResult = ERAR_EOPEN;
    return nullptr;
#endif
    data->OpenResult = protocol_ok ? ERAR_SUCCESS : ERAR_BAD_ARCHIVE;
    g_fake = Fake{};
    return &g_token;
}
#endif

#ifndef FAKE_NO_RARCloseArchive
FAKE_EXPORT int RARCloseArchive(RARHANDLE handle)
{
#ifdef FAKE_CLOSE_FAILS
    return ERAR_ECLOSE;
#endif
    return handle == &g_token ? ERAR_SUCCESS : ERAR_ECLOSE;
}
#endif

#ifndef FAKE_NO_RARSetProcessDataProc
FAKE_EXPORT void RARSetProcessDataProc(RARHANDLE, PROCESSDATAPROC proc)
{
    g_fake.callback = proc;
}
#endif

#ifndef FAKE_NO_RARReadHeader
FAKE_EXPORT int RARReadHeader(RARHANDLE handle, RARHeaderData* header)
{
    if (handle != &g_token)
        return ERAR_UNKNOWN;
#ifdef FAKE_ODD_STATUS
    std::strcpy(header->FileName, "odd.gif");
    return ERAR_UNKNOWN;
#endif
#ifdef FAKE_HEADER_BROKEN
    if (g_fake.next == 1)
        return ERAR_BAD_DATA;
#endif
    if (g_fake.next >= kMemberCount)
        return ERAR_END_ARCHIVE;
    std::strcpy(header->FileName, kMembers[g_fake.next].name);
    header->UnpSize = static_cast<unsigned>(std::strlen(kMembers[g_fake.next].data));
    return ERAR_SUCCESS;
}
#endif

#ifndef FAKE_NO_RARProcessFile
FAKE_EXPORT int RARProcessFile(RARHANDLE handle, int operation, char* dest_path, char* dest_name)
{
    if (handle != &g_token || operation != RAR_TEST || dest_path != nullptr || dest_name != nullptr)
        return ERAR_UNKNOWN;
#ifdef FAKE_PROCESS_FAILS
    return ERAR_BAD_DATA;
#endif
#ifdef FAKE_ODD_STATUS
    return ERAR_SUCCESS;
#endif
    const char* data = kMembers[g_fake.next++].data;
    for (const char* p = data; *p != '\0'; ++p) {
        unsigned char byte = static_cast<unsigned char>(*p);
        if (g_fake.callback == nullptr || g_fake.callback(&byte, 1) < 0)
            return ERAR_UNKNOWN;
    }
    return ERAR_SUCCESS;
}
#endif

// Every byte sequence is either a description or one of the parser's error codes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "script/Synter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Synter synter(ScriptStream::FromBytes(std::string(reinterpret_cast<const char*>(data), size)));
    Inf_shell description;
    try {
        synter.parse(description);
    } catch (const ScriptError& e) {
        switch (e.code) {
        case 2: case 3: case 5: case 102: case 103: case 666:
            break;
        default:
            std::abort();
        }
        if (synter.line_no < 0)
            std::abort();
    }
    return 0;
}

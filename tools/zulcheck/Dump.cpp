#include <filesystem>
#include <ostream>

#include "app/LoadObj.h"
#include "disc/PathResolver.h"
#include "zulcheck/Commands.h"
#include "zulcheck/DumpJson.h"

int RunDump(const std::string& script, std::ostream& out, std::ostream&)
{
    // SCRIPT is a path on this system; a disc path such as graph\image_ru.dat (any letter case)
    // is found from the current folder the way the menu finds it.
    std::filesystem::path path = script;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        path = PathResolver(".").Resolve(script);

    Inf_shell description;
    const std::optional<LoadFailure> failure = ParseScript(path, description);

    std::string json = "{\"error\": ";
    if (!failure) {
        json += "null";
    } else if (failure->code) {
        json += "{\"code\": " + std::to_string(*failure->code) +
                ", \"line\": " + std::to_string(failure->line) + "}";
    } else {
        json += "{\"text\": ";
        AppendJsonText(json, failure->text);
        json += "}";
    }
    json += ", \"description\": " + DescriptionJson(description) + "}\n";
    out << json;
    return failure ? 1 : 0;
}

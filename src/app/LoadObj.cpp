#include "app/LoadObj.h"

#include "script/Synter.h"

std::string LoadFailure::Message() const
{
    if (code)
        return "Error: " + std::to_string(*code) + " in line: " + std::to_string(line);
    return text;
}

std::optional<LoadFailure> ParseScript(const std::filesystem::path& script, Inf_shell& target)
{
    return ParseScript(*FolderDiscFs(script.parent_path()), script, target);
}

std::optional<LoadFailure> ParseScript(const DiscFs& disc, const std::filesystem::path& script, Inf_shell& target)
{
    try {
        Synter synter(disc, script);
        try {
            synter.parse(target);
        } catch (const ScriptError& e) {
            return LoadFailure{e.code, synter.line_no, {}};
        }
    } catch (const ScriptOpenError& e) {
        return LoadFailure{std::nullopt, 0, e.what()};
    }
    return std::nullopt;
}

LoadObj::LoadObj(Inf_shell& target, std::filesystem::path script, Parse parse)
    : target_(target), script_(std::move(script)), parse_(std::move(parse))
{
}

LoadObj::~LoadObj()
{
    if (thread_.joinable())
        thread_.join();
}

LoadObj::LoadObj(Inf_shell& target, std::shared_ptr<const DiscFs> disc, std::filesystem::path script)
    : LoadObj(target, std::move(script),
              [disc = std::move(disc)](const std::filesystem::path& file, Inf_shell& into) {
                  return ParseScript(*disc, file, into);
              })
{
}

void LoadObj::Start()
{
    thread_ = std::thread([this] {
        try {
            failure_ = parse_(script_, target_);
        } catch (...) {
            unexpected_ = std::current_exception();
        }
    });
}

int LoadObj::WaitFor()
{
    if (thread_.joinable())
        thread_.join();
    if (unexpected_)
        std::rethrow_exception(unexpected_);
    return failure_ ? 1 : 0;
}

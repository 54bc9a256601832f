// Loading the description script. The parse runs on a thread of its own while the main thread
// waits; a failure is handed back to the main thread, which shows it, so that no window is ever
// touched from the loading thread.
#pragma once

#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "disc/DiscFs.h"
#include "model/Description.h"

// What a parse ended with: nothing (success), a parse error with its line, or the open failure.
struct LoadFailure {
    std::optional<int> code;  // the parse error code; empty for the open failure
    int line = 0;             // the line the error was found on
    std::string text;         // the open failure's own text

    // The message box text: "Error: <code> in line: <line>", or the open failure's text.
    std::string Message() const;
};

// Parses the script at `script` (a path on this system) into `target`, exactly as the loading
// step does. Returns the failure, if any; `target` keeps what was parsed before it.
std::optional<LoadFailure> ParseScript(const std::filesystem::path& script, Inf_shell& target);
// The same for the script `script` of `disc`.
std::optional<LoadFailure> ParseScript(const DiscFs& disc, const std::filesystem::path& script, Inf_shell& target);

// The loading thread: created with its target and script, started, then waited for.
class LoadObj {
public:
    // What the thread runs over the script and the target: ParseScript, or a stand-in in tests.
    using Parse = std::function<std::optional<LoadFailure>(const std::filesystem::path&, Inf_shell&)>;

    LoadObj(Inf_shell& target, std::filesystem::path script, Parse parse);
    // Parses the script `script` of `disc` (kept alive by the thread).
    LoadObj(Inf_shell& target, std::shared_ptr<const DiscFs> disc, std::filesystem::path script);
    ~LoadObj();
    LoadObj(const LoadObj&) = delete;
    LoadObj& operator=(const LoadObj&) = delete;

    void Start();
    // Waits for the thread; returns 0 after a successful parse, 1 after a failure. An exception
    // other than the parser's own is rethrown here, on the waiting thread.
    int WaitFor();

    const std::optional<LoadFailure>& failure() const { return failure_; }

private:
    Inf_shell& target_;
    std::filesystem::path script_;
    Parse parse_;
    std::optional<LoadFailure> failure_;
    std::exception_ptr unexpected_;
    std::thread thread_;
};

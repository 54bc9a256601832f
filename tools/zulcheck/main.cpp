// zulcheck: checks a disc's data the way the menu reads it.
#include <iostream>
#include <string>
#include <vector>

#include "version/Version.h"
#include "zulcheck/Check.h"
#include "zulcheck/Commands.h"

namespace {

constexpr const char* kUsage =
    "usage: zulcheck [--json] [DISC_ROOT | DISC_IMAGE]\n"
    "       zulcheck --dump SCRIPT\n"
    "       zulcheck --list-archive FILE\n"
    "       zulcheck --decode PICTURE\n"
    "       zulcheck --site OUT [--force] [--no-files] DISC_ROOT | DISC_IMAGE\n"
    "       zulcheck --help | --version\n";

int Usage()
{
    std::cerr << kUsage;
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);

    if (args.size() == 1 && args[0] == "--help") {
        std::cout << kUsage;
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "zulcheck " << ZUL_VERSION << '\n';
        return 0;
    }
    if (!args.empty() && (args[0] == "--dump" || args[0] == "--list-archive" || args[0] == "--decode")) {
        if (args.size() != 2)
            return Usage();
        if (args[0] == "--dump")
            return RunDump(args[1], std::cout, std::cerr);
        if (args[0] == "--list-archive")
            return RunListArchive(args[1], std::cout, std::cerr);
        return RunDecode(args[1], std::cout, std::cerr);
    }

    if (!args.empty() && args[0] == "--site") {
        // --site OUT DISC, the options anywhere after --site.
        bool force = false;
        bool no_files = false;
        std::vector<std::string> operands;
        bool only_operands = false;
        for (std::size_t i = 1; i < args.size(); ++i) {
            const std::string& arg = args[i];
            if (!only_operands && arg == "--")
                only_operands = true;
            else if (!only_operands && arg == "--force")
                force = true;
            else if (!only_operands && arg == "--no-files")
                no_files = true;
            else if (!only_operands && arg.starts_with("-") && arg != "-")
                return Usage();
            else
                operands.push_back(arg);
        }
        if (operands.size() != 2)
            return Usage();
        return RunSite(operands[0], operands[1], force, !no_files, std::cerr);
    }

    // The check: [--json] [DISC_ROOT | DISC_IMAGE], the current folder by default.
    bool json = false;
    std::string root;
    bool only_operands = false;
    for (const std::string& arg : args) {
        if (!only_operands && arg == "--") {
            only_operands = true;
        } else if (!only_operands && arg == "--json" && !json) {
            json = true;
        } else if ((only_operands || !arg.starts_with("-") || arg == "-") && root.empty()) {
            root = arg;
        } else {
            return Usage();
        }
    }
    return RunCheck(root.empty() ? "." : root, json, std::cout, std::cerr);
}

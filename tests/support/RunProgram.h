// Runs a program of the build and collects what it wrote and how it ended.
#pragma once

#include <string>
#include <vector>

struct ProgramResult {
    int exit_code = -1;  // -1: did not end normally
    std::string out;     // standard output
    std::string err;     // standard error
};

// Runs `program` with `args` (no shell involved), in `cwd` when not empty.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& cwd = {});

#include "support/RunProgram.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::string Slurp(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& cwd)
{
    namespace fs = std::filesystem;
    // Output goes to files, so a large output can never block the child on a full pipe.
    char out_name[] = "/tmp/zul-run-out-XXXXXX";
    char err_name[] = "/tmp/zul-run-err-XXXXXX";
    const int out_fd = mkstemp(out_name);
    const int err_fd = mkstemp(err_name);
    ProgramResult result;
    // Made before the fork: a child of a process with threads must not allocate.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out_fd, 1);
        dup2(err_fd, 2);
        const int null_fd = open("/dev/null", O_RDONLY);
        dup2(null_fd, 0);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0)
            _exit(127);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.exit_code = WEXITSTATUS(status);
    close(out_fd);
    close(err_fd);
    result.out = Slurp(out_name);
    result.err = Slurp(err_name);
    fs::remove(out_name);
    fs::remove(err_name);
    return result;
}

// Keeps what a library writes to standard error on its own from reaching it: while a
// QuietStderr lives, file descriptor 2 points at /dev/null; the destructor puts the original
// back. The sound libraries under SDL complain there while a device is looked for, some from
// threads of their own and some straight to the descriptor, and whoever reads the menu's standard
// error must see only the menu's own lines.
//
// Descriptor 2 belongs to the whole process: what every thread writes meanwhile is lost, so hold
// one only briefly, around the library's own calls, and never while our own code may report
// something. A library that writes through stderr on one thread is silenced with
// ThreadQuietStderr instead. Should any step fail (descriptor 2 closed, no /dev/null), nothing is
// redirected.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

class QuietStderr {
public:
    QuietStderr()
    {
        std::fflush(stderr);
        saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
        if (saved_ < 0)
            return;
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        const bool redirected = null >= 0 && ::dup2(null, STDERR_FILENO) >= 0;
        if (null >= 0)
            ::close(null);
        if (!redirected) {
            ::close(saved_);
            saved_ = -1;
        }
    }

    ~QuietStderr()
    {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }

    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;  // the original descriptor 2, while it is redirected
};

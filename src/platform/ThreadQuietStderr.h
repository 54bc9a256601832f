// Keeps what a library writes through the C library's standard error stream on the calling thread
// from reaching it, while every other thread writes to standard error as before.
//
// libunarr, as Debian builds it, logs a line for every folder entry it passes over and for every
// damage it meets (through fprintf on stderr); whoever reads the menu's standard error must see
// only the menu's own lines. The archive is read on a thread of its own while the rest of the start
// goes on, so silencing descriptor 2 for the whole process (QuietStderr) would also swallow what the
// other threads report meanwhile, and two threads doing so at once could leave it silenced for good.
//
// For this, `stderr` is replaced once, before main runs, by an unbuffered stream that writes to
// descriptor 2 at the moment of each write, unless the writing thread holds a ThreadQuietStderr;
// asked for its descriptor (fileno), it gives 2. What is written to descriptor 2 directly is not
// filtered, nor, as a rule, what std::cerr writes (it keeps the stream it was made with). Holding
// one costs no system call.
#pragma once

class ThreadQuietStderr {
public:
    ThreadQuietStderr();
    ~ThreadQuietStderr();

    ThreadQuietStderr(const ThreadQuietStderr&) = delete;
    ThreadQuietStderr& operator=(const ThreadQuietStderr&) = delete;

    // True when `stderr` is the filtering stream (it could not be made only if the C library
    // refused to make a stream).
    static bool Filtering();
};

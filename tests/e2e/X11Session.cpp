#include "X11Session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;

std::vector<char*> Argv(const std::string& program, const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

// Where a started program's session bus would be: nowhere. The private X server has no session
// bus, and without an address the D-Bus library (through Qt's accessibility and theme) launches
// one by forking; a forked child that allocates before it executes anything hangs for ever under
// the address sanitizer of our compiler when another thread held the sanitizer's allocator lock
// at the fork. With an address that cannot be reached, Qt goes on without a bus at once.
constexpr const char* kNoSessionBus = "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/zulshell-test-bus";

// This process's environment for a program on `display`: DISPLAY set, no session bus, no Qt
// platform chosen, then `settings` (NAME=VALUE) over all of it. Made before a fork, since a child
// of a process with threads must not allocate.
std::vector<std::string> Environment(const std::string& display, const std::vector<std::string>& settings)
{
    std::vector<std::string> env;
    // NAME=VALUE sets NAME; a NAME alone takes it away.
    auto replace = [&env](const std::string& setting) {
        const std::size_t eq = setting.find('=');
        const std::string name = (eq == std::string::npos ? setting : setting.substr(0, eq)) + "=";
        std::erase_if(env, [&name](const std::string& e) { return e.rfind(name, 0) == 0; });
        if (eq != std::string::npos)
            env.push_back(setting);
    };
    for (char** e = environ; *e != nullptr; ++e)
        env.emplace_back(*e);
    replace("QT_QPA_PLATFORM");
    // Run from a Wayland desktop, the program would take its session for its own.
    replace("WAYLAND_DISPLAY");
    replace("XDG_SESSION_TYPE");
    replace("DISPLAY=" + display);
    replace(kNoSessionBus);
    for (const std::string& setting : settings)
        replace(setting);
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Runs a program to its end with DISPLAY set; returns its standard output.
std::string Capture(const std::string& display, const std::string& program,
                    const std::vector<std::string>& args)
{
    std::vector<std::string> env = Environment(display, {});
    const std::vector<char*> envp = Pointers(env);
    const std::vector<char*> argv = Argv(program, args);
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0)
        throw std::runtime_error("pipe");
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipe_fds[1], 1);
        close(pipe_fds[0]);
        const int null_fd = open("/dev/null", O_WRONLY);
        dup2(null_fd, 2);
        execvpe(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(pipe_fds[1]);
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = read(pipe_fds[0], buf, sizeof buf)) > 0)
        out.append(buf, static_cast<std::size_t>(n));
    close(pipe_fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return out;
}

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

X11Session::X11Session(int width, int height)
{
    // Xvfb picks a free display and tells its number on the pipe.
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0)
        throw std::runtime_error("pipe");
    const std::string fd = std::to_string(pipe_fds[1]);
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    server_ = fork();
    if (server_ == 0) {
        close(pipe_fds[0]);
        const int null_fd = open("/dev/null", O_RDWR);
        dup2(null_fd, 1);
        dup2(null_fd, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
               "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipe_fds[1]);
    std::string number;
    char c;
    while (read(pipe_fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(pipe_fds[0]);
    if (number.empty())
        throw std::runtime_error("Xvfb did not start");
    display_ = ":" + number;
}

X11Session::~X11Session()
{
    if (server_ > 0) {
        kill(server_, SIGTERM);
        waitpid(server_, nullptr, 0);
    }
}

std::string X11Session::XdoTool(const std::vector<std::string>& args) const
{
    return Capture(display_, "xdotool", args);
}

std::vector<std::string> X11Session::WaitForWindows(const std::string& name_regex,
                                                    std::chrono::milliseconds timeout) const
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        std::istringstream found(XdoTool({"search", "--onlyvisible", "--name", name_regex}));
        std::vector<std::string> windows;
        for (std::string w; found >> w;)
            windows.push_back(w);
        if (!windows.empty() || std::chrono::steady_clock::now() > until)
            return windows;
        std::this_thread::sleep_for(100ms);
    }
}

QRect X11Session::Geometry(const std::string& window) const
{
    // --shell prints X=, Y=, WIDTH=, HEIGHT= lines.
    std::istringstream lines(XdoTool({"getwindowgeometry", "--shell", window}));
    int x = 0, y = 0, w = 0, h = 0;
    for (std::string line; std::getline(lines, line);) {
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        const int value = std::atoi(line.c_str() + eq + 1);
        if (key == "X") x = value;
        if (key == "Y") y = value;
        if (key == "WIDTH") w = value;
        if (key == "HEIGHT") h = value;
    }
    return QRect(x, y, w, h);
}

QRect X11Session::Placement(const std::string& window) const
{
    // Lines such as "  Absolute upper-left X:  219" and "  Width: 585".
    std::istringstream lines(Capture(display_, "xwininfo", {"-id", window}));
    int x = 0, y = 0, w = 0, h = 0;
    for (std::string line; std::getline(lines, line);) {
        const auto colon = line.find(':');
        const auto start = line.find_first_not_of(' ');
        if (colon == std::string::npos || start >= colon)
            continue;
        const std::string key = line.substr(start, colon - start);
        const int value = std::atoi(line.c_str() + colon + 1);
        if (key == "Absolute upper-left X") x = value;
        if (key == "Absolute upper-left Y") y = value;
        if (key == "Width") w = value;
        if (key == "Height") h = value;
    }
    return QRect(x, y, w, h);
}

QRect X11Session::Outside(const std::string& window) const
{
    // "_NET_FRAME_EXTENTS(CARDINAL) = 1, 1, 22, 1": left, right, top, bottom.
    const std::string extents =
        Capture(display_, "xprop", {"-id", window, "_NET_FRAME_EXTENTS"});
    int left = 0, right = 0, top = 0, bottom = 0;
    const auto eq = extents.find('=');
    if (eq != std::string::npos)
        std::sscanf(extents.c_str() + eq + 1, "%d, %d, %d, %d", &left, &right, &top, &bottom);
    return Placement(window).adjusted(-left, -top, right, bottom);
}

void X11Session::MoveMouse(int x, int y) const
{
    XdoTool({"mousemove", "--sync", std::to_string(x), std::to_string(y)});
}

void X11Session::MouseDown() const
{
    XdoTool({"mousedown", "1"});
}

void X11Session::MouseUp() const
{
    XdoTool({"mouseup", "1"});
}

void X11Session::Click(int x, int y) const
{
    MoveMouse(x, y);
    XdoTool({"click", "1"});
}

void X11Session::Key(const std::string& window, const std::string& key) const
{
    // No window manager gives the window the focus: give it, then type as a person would.
    XdoTool({"windowfocus", "--sync", window});
    XdoTool({"key", key});
}

QImage X11Session::Screenshot() const
{
    char name[] = "/tmp/zul-shot-XXXXXX";
    const int fd = mkstemp(name);
    close(fd);
    const std::string png = std::string(name) + ".png";
    Capture(display_, "import", {"-display", display_, "-window", "root", png});
    QImage image(QString::fromStdString(png));
    std::filesystem::remove(name);
    std::filesystem::remove(png);
    return image.convertToFormat(QImage::Format_RGB32);
}

RunningProgram::RunningProgram(const std::string& program, const std::vector<std::string>& args,
                               const std::string& cwd, const std::string& display,
                               const std::vector<std::string>& env)
{
    // Made before the fork: the child only hands them on.
    std::vector<std::string> settings = Environment(display, env);
    const std::vector<char*> envp = Pointers(settings);
    const std::vector<char*> argv = Argv(program, args);
    char name[] = "/tmp/zul-err-XXXXXX";
    const int err_fd = mkstemp(name);
    err_file_ = name;
    pid_ = fork();
    if (pid_ == 0) {
        dup2(err_fd, 2);
        const int null_fd = open("/dev/null", O_RDWR);
        dup2(null_fd, 0);
        dup2(null_fd, 1);
        if (chdir(cwd.c_str()) != 0)
            _exit(127);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(err_fd);
}

RunningProgram::~RunningProgram()
{
    if (!ended_ && pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    std::filesystem::remove(err_file_);
}

std::optional<int> RunningProgram::WaitForExit(std::chrono::milliseconds timeout)
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!ended_) {
        int status = 0;
        const pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            ended_ = true;
            if (WIFEXITED(status))
                exit_code_ = WEXITSTATUS(status);
            break;
        }
        if (std::chrono::steady_clock::now() > until)
            break;
        std::this_thread::sleep_for(50ms);
    }
    return exit_code_;
}

std::string RunningProgram::ThreadDump() const
{
    if (ended_ || pid_ <= 0 || kill(pid_, 0) != 0)
        return "\n(the program has ended)\n";
    if (std::system("command -v gdb > /dev/null 2>&1") != 0)
        return "\n(the program still runs; no gdb to show its threads)\n";
    const std::string command = "gdb -p " + std::to_string(pid_) +
                                " -batch -ex 'thread apply all bt 30' 2>&1 | grep -E '^(Thread|#)'";
    std::string dump = "\nthe program still runs; its threads:\n";
    if (FILE* out = popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n = 0;
        while ((n = std::fread(buf, 1, sizeof buf, out)) > 0)
            dump.append(buf, n);
        pclose(out);
    }
    return dump;
}

std::string RunningProgram::Stderr() const
{
    return Slurp(err_file_);
}

bool RunningProgram::WaitForStderr(const std::string& text, std::chrono::milliseconds timeout) const
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (Stderr().find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

DiskAudioCapture::DiskAudioCapture()
{
    char dir[] = "/tmp/zul-audio-XXXXXX";
    if (mkdtemp(dir) == nullptr)
        throw std::runtime_error("mkdtemp");
    dir_ = dir;
    fifo_ = dir_ + "/audio.raw";
    if (mkfifo(fifo_.c_str(), 0600) != 0)
        throw std::runtime_error("mkfifo " + fifo_);
    // Open for reading and writing: never waits, and never reads an end while this lives.
    fd_ = open(fifo_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        throw std::runtime_error("open " + fifo_);
    reader_ = std::thread([this] { Read(); });
}

DiskAudioCapture::~DiskAudioCapture()
{
    stop_ = true;
    if (reader_.joinable())
        reader_.join();
    if (fd_ >= 0)
        close(fd_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

void DiskAudioCapture::Read()
{
    char buf[65536];
    while (!stop_) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        const ssize_t n = read(fd_, buf, sizeof buf);
        if (n > 0) {
            std::lock_guard lock(mutex_);
            bytes_.append(buf, static_cast<std::size_t>(n));
        }
    }
}

std::size_t DiskAudioCapture::Size() const
{
    std::lock_guard lock(mutex_);
    return bytes_.size();
}

std::string DiskAudioCapture::Bytes() const
{
    std::lock_guard lock(mutex_);
    return bytes_;
}

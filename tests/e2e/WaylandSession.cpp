#include "WaylandSession.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// The ordinary user a session runs as when the tests run as root: made once on this machine.
constexpr const char* kSessionUser = "zulwayland";

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Starts `argv` as `uid`/`gid` in a process group of its own, with exactly `env`, standard input
// from `in_fd` and output to `out_fd` (-1: /dev/null). Everything is made before the fork: a
// child of a process with threads must not allocate.
pid_t Spawn(std::vector<std::string> argv, std::vector<std::string> env, uid_t uid, gid_t gid, const std::string& cwd,
            int in_fd, int out_fd, int err_fd)
{
    const std::vector<char*> args = Pointers(argv);
    const std::vector<char*> envp = Pointers(env);
    const bool drop = geteuid() == 0;
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        const int null_fd = open("/dev/null", O_RDWR);
        dup2(in_fd >= 0 ? in_fd : null_fd, 0);
        dup2(out_fd >= 0 ? out_fd : null_fd, 1);
        dup2(err_fd >= 0 ? err_fd : null_fd, 2);
        if (drop && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0))
            _exit(126);
        if (chdir(cwd.c_str()) != 0)
            _exit(127);
        execvpe(args[0], args.data(), envp.data());
        _exit(127);
    }
    return pid;
}

bool Executable(const std::string& name)
{
    return std::system(("command -v " + name + " > /dev/null 2>&1").c_str()) == 0;
}

void Collect(const QJsonObject& node, std::vector<WaylandView>& views)
{
    if (node.contains(QStringLiteral("pid")) && node.value(QStringLiteral("type")).toString() != "workspace") {
        const QJsonObject r = node.value(QStringLiteral("rect")).toObject();
        const QJsonObject w = node.value(QStringLiteral("window_rect")).toObject();
        WaylandView v;
        v.name = node.value(QStringLiteral("name")).toString().toStdString();
        v.shell = node.value(QStringLiteral("shell")).toString().toStdString();
        v.rect = QRect(r.value("x").toInt() + w.value("x").toInt(), r.value("y").toInt() + w.value("y").toInt(),
                       w.value("width").toInt(), w.value("height").toInt());
        v.decoration_height = node.value(QStringLiteral("deco_rect")).toObject().value("height").toInt();
        v.border = node.value(QStringLiteral("border")).toString().toStdString();
        v.focused = node.value(QStringLiteral("focused")).toBool();
        v.visible = node.value(QStringLiteral("visible")).toBool();
        views.push_back(v);
    }
    for (const char* key : {"nodes", "floating_nodes"})
        for (const QJsonValue child : node.value(QLatin1String(key)).toArray())
            Collect(child.toObject(), views);
}

}  // namespace

WaylandSession::WaylandSession(bool xwayland)
{
    for (const char* tool : {"sway", "swaymsg", "grim", "wtype", "python3"})
        if (!Executable(tool))
            throw SessionUnavailable{std::string(tool) + " is not installed"};
    if (xwayland && !Executable("Xwayland"))
        throw SessionUnavailable{"Xwayland is not installed"};
    uid_ = getuid();
    gid_ = getgid();
    if (geteuid() == 0) {
        if (getpwnam(kSessionUser) == nullptr)
            std::system((std::string("useradd --system --no-create-home --home-dir /nonexistent --shell "
                                     "/usr/sbin/nologin ") + kSessionUser + " > /dev/null 2>&1").c_str());
        const passwd* user = getpwnam(kSessionUser);
        if (user == nullptr)
            throw SessionUnavailable{std::string("no ordinary user to run sway as (") + kSessionUser + ")"};
        uid_ = user->pw_uid;
        gid_ = user->pw_gid;
    }
    char dir[] = "/tmp/zul-wayland-XXXXXX";
    if (mkdtemp(dir) == nullptr)
        throw std::runtime_error("mkdtemp");
    dir_ = dir;
    runtime_ = dir_ + "/runtime";
    fs::create_directory(runtime_);
    chmod(dir_.c_str(), 0755);
    chmod(runtime_.c_str(), 0700);
    if (chown(runtime_.c_str(), uid_, gid_) != 0)
        throw SessionUnavailable{"cannot give the session's user its runtime folder"};
    {
        std::ofstream config(dir_ + "/config");
        config << "xwayland " << (xwayland ? "enable" : "disable") << "\n"
               << "output HEADLESS-1 resolution 1024x768 position 0 0\n";
    }
    chmod((dir_ + "/config").c_str(), 0644);
    const int log = open((dir_ + "/sway.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    sway_ = Spawn({"sway", "-c", dir_ + "/config"},
                  {"PATH=/usr/local/bin:/usr/bin:/bin", "HOME=" + dir_, "XDG_RUNTIME_DIR=" + runtime_,
                   "WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman"},
                  uid_, gid_, dir_, -1, log, log);
    close(log);
    // Its sockets: the Wayland display and the IPC socket swaymsg talks to.
    const auto until = std::chrono::steady_clock::now() + 15s;
    while ((wayland_display_.empty() || swaysock_.empty()) && std::chrono::steady_clock::now() < until) {
        std::error_code ec;
        for (const fs::directory_entry& e : fs::directory_iterator(runtime_, ec)) {
            const std::string name = e.path().filename().string();
            if (name.rfind("wayland-", 0) == 0 && name.find('.') == std::string::npos)
                wayland_display_ = name;
            if (name.rfind("sway-ipc.", 0) == 0)
                swaysock_ = e.path().string();
        }
        if (waitpid(sway_, nullptr, WNOHANG) == sway_) {
            sway_ = -1;
            break;
        }
        std::this_thread::sleep_for(100ms);
    }
    if (wayland_display_.empty() || swaysock_.empty())
        throw std::runtime_error("sway did not start: " + dir_ + "/sway.log");
    if (xwayland) {
        // The X display sway made for XWayland, as its own programs see it.
        Run({"swaymsg", "exec", "printf %s \"$DISPLAY\" > " + runtime_ + "/display"});
        for (int i = 0; i < 100 && display_.empty(); ++i) {
            std::ifstream in(runtime_ + "/display");
            std::getline(in, display_);
            std::this_thread::sleep_for(100ms);
        }
        if (display_.empty())
            throw std::runtime_error("sway made no X display");
    }
}

WaylandSession::~WaylandSession()
{
    // sway and every client it started (XWayland) are one process group.
    if (sway_ > 0) {
        kill(-sway_, SIGTERM);
        int status = 0;
        for (int i = 0; i < 30 && waitpid(sway_, &status, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(100ms);
        kill(-sway_, SIGKILL);
        waitpid(sway_, nullptr, WNOHANG);
    }
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

std::vector<std::string> WaylandSession::Settings() const
{
    std::vector<std::string> settings = {"WAYLAND_DISPLAY=" + wayland_display_, "XDG_RUNTIME_DIR=" + runtime_,
                                         "XDG_SESSION_TYPE=wayland", "HOME=" + dir_, "SWAYSOCK=" + swaysock_};
    settings.push_back(display_.empty() ? "DISPLAY" : "DISPLAY=" + display_);
    return settings;
}

std::vector<std::string> WaylandSession::AsUser(const std::string& program) const
{
    if (geteuid() != 0)
        return {program};
    return {"/usr/bin/setpriv", "--reuid=" + std::to_string(uid_), "--regid=" + std::to_string(gid_),
            "--clear-groups", "--", program};
}

void WaylandSession::Share(const std::string& path) const
{
    std::error_code ec;
    const auto add = fs::perms::others_read | fs::perms::others_exec | fs::perms::group_read | fs::perms::group_exec;
    fs::permissions(path, add, fs::perm_options::add, ec);
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(path, ec))
        fs::permissions(e.path(), e.is_directory() ? add : fs::perms::others_read, fs::perm_options::add, ec);
}

std::string WaylandSession::Run(const std::vector<std::string>& command, const std::string& input) const
{
    std::vector<std::string> argv = {"timeout", "-k", "2", "20"};
    argv.insert(argv.end(), command.begin(), command.end());
    std::vector<std::string> env = {"PATH=/usr/local/bin:/usr/bin:/bin"};
    for (const std::string& s : Settings())
        if (s.find('=') != std::string::npos)
            env.push_back(s);
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    const pid_t pid = Spawn(argv, env, uid_, gid_, dir_, in[0], out[1], -1);
    close(in[0]);
    close(out[1]);
    // A tool that ended early takes no input: its status tells.
    [[maybe_unused]] const ssize_t written = input.empty() ? 0 : write(in[1], input.data(), input.size());
    close(in[1]);
    std::string text;
    char buf[65536];
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0)
        text.append(buf, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        text.insert(0, "\x01");  // a mark the callers that care can see
    return text;
}

std::vector<WaylandView> WaylandSession::Views() const
{
    std::string tree = Run({"swaymsg", "-r", "-t", "get_tree"});
    if (!tree.empty() && tree[0] == '\x01')
        return {};
    std::vector<WaylandView> views;
    Collect(QJsonDocument::fromJson(QByteArray::fromStdString(tree)).object(), views);
    return views;
}

bool WaylandSession::Pointer(const std::string& commands) const
{
    static const std::string tool = ZUL_SOURCE_DIR "/../shared/tools/wlpointer.py";
    const std::string done = Run({"python3", tool}, commands);
    return done.empty() || done[0] != '\x01';
}

bool WaylandSession::Keys(const std::vector<std::string>& args) const
{
    // The first delay lets the program take the new keyboard before the first key.
    std::vector<std::string> command = {"wtype", "-s", "300"};
    command.insert(command.end(), args.begin(), args.end());
    const std::string done = Run(command);
    return done.empty() || done[0] != '\x01';
}

QImage WaylandSession::Screenshot() const
{
    const std::string png = Run({"grim", "-"});
    if (png.empty() || png[0] == '\x01')
        return {};
    return QImage::fromData(QByteArray::fromStdString(png)).convertToFormat(QImage::Format_RGB32);
}

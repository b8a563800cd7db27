// A private PulseAudio daemon for the tests that go through a real sound
// server, the child processes around it and a busy loop on every core.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/resource.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tw::test {

using namespace std::chrono_literals;

inline bool onPath(const std::string& tool)
{
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// A child process, ended (SIGTERM, then SIGKILL) and reaped on destruction.
class Child {
public:
    Child(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& out)
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        std::vector<char*> vars;
        for (const auto& e : env)
            vars.push_back(const_cast<char*>(e.c_str()));
        vars.push_back(nullptr);
        if (posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), vars.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() { stop(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool running()
    {
        if (pid_ <= 0)
            return false;
        int status = 0;
        rusage usage{};
        if (wait4(pid_, &status, WNOHANG, &usage) == pid_) {
            pid_ = -1;
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            maxResidentKb_ = usage.ru_maxrss;
            return false;
        }
        return true;
    }
    // After it ended by itself: its exit status (-1 for a signal) and its peak memory.
    std::optional<int> exitCode() const { return exitCode_; }
    long maxResidentKb() const { return maxResidentKb_; }

    void stop()
    {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        const auto until = std::chrono::steady_clock::now() + 3s;
        while (waitpid(pid_, nullptr, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > until) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    std::optional<int> exitCode_;
    long maxResidentKb_ = 0;
};

// Sets a variable of this process; puts the old value back on destruction.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A private PulseAudio daemon in dir: one null sink and a socket. The sink
// does not rewind: its monitor then holds exactly what the sink played (with
// rewinds it misses frames after every underrun, even of a client that lost
// nothing).
class SoundServer {
public:
    // rate: the null sink's; its monitor is the default input.
    // dir: a private folder, for the daemon's socket, state and log.
    explicit SoundServer(const std::string& dir, int rate = 44100) : socket_(dir + "/native")
    {
        const std::string script = dir + "/server.pa";
        std::ofstream(script) << "load-module module-null-sink sink_name=tarnwick format=s16le rate=" << rate
                              << " channels=2 norewinds=1\n"
                              << "load-module module-native-protocol-unix auth-anonymous=1 socket=" << socket_
                              << "\nset-default-sink tarnwick\nset-default-source tarnwick.monitor\n";
        // Everything of the daemon's own lives in dir; no session is touched.
        for (char** e = environ; *e; ++e) {
            const std::string var = *e;
            bool keep = true;
            for (const char* drop : {"HOME=", "XDG_", "PULSE_", "DBUS_SESSION_BUS_ADDRESS=", "DISPLAY="})
                keep = keep && var.rfind(drop, 0) != 0;
            if (keep)
                env_.push_back(var);
        }
        for (const char* name :
             {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "PULSE_RUNTIME_PATH", "PULSE_STATE_PATH"})
            env_.push_back(std::string(name) + "=" + dir + "/");
        log_ = dir + "/server.log";
        // Root needs --system=false spelled out; the cpu limit would kill a
        // daemon that shares its cores with busy loops.
        daemon_.emplace(std::vector<std::string>{"pulseaudio", "-n", "--daemonize=no", "--use-pid-file=no",
                                                 "--system=false", "--exit-idle-time=-1", "--no-cpu-limit=yes",
                                                 "-F", script},
                        env_, log_);
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (daemon_->running() && std::chrono::steady_clock::now() < until) {
            if (accepts()) {
                ready_ = true;
                return;
            }
            std::this_thread::sleep_for(20ms);
        }
    }

    bool ready() const { return ready_; }
    std::string address() const { return "unix:" + socket_; }
    // The daemon's environment, for its tools.
    const std::vector<std::string>& environment() const { return env_; }
    std::string lastLogLine() const
    {
        std::ifstream in(log_);
        std::string line, last;
        while (std::getline(in, line))
            if (!line.empty())
                last = line;
        return last;
    }

private:
    bool accepts() const
    {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        socket_.copy(addr.sun_path, sizeof addr.sun_path - 1);
        const bool ok = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        if (fd >= 0)
            close(fd);
        return ok;
    }

    std::string socket_;
    std::vector<std::string> env_;
    std::string log_;
    std::optional<Child> daemon_;
    bool ready_ = false;
};

// A busy loop on every core until destruction.
class BusyCores {
public:
    BusyCores()
    {
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < cores; ++i)
            threads_.emplace_back([this] {
                while (!stop_.load(std::memory_order_relaxed)) {
                }
            });
    }
    ~BusyCores()
    {
        stop_ = true;
        for (auto& t : threads_)
            t.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

}  // namespace tw::test

// Drives the real program from outside on the test command's X server:
// starting it as a child process, finding its windows, typing into them and
// asking them to close, as a user and a window manager do.
#ifndef QUORVEX_TESTS_PROGRAMDRIVER_H
#define QUORVEX_TESTS_PROGRAMDRIVER_H

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

// after the test framework: the X headers define macros such as None
#include <X11/Xlib.h>

extern char** environ;

inline bool WaitFor(const std::function<bool()>& done, int timeout_ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Runs a shell command and returns its standard output.
inline std::string Shell(const std::string& cmd)
{
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[256];
        while (fgets(buf, sizeof buf, p)) out += buf;
        pclose(p);
    }
    return out;
}

inline long FileSize(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : 0;
}

// The program as a child process.
class Program
{
public:
    // The program with these environment settings; its standard error goes
    // to stderr_path if one is given.
    explicit Program(const std::vector<std::string>& env_settings, const std::string& stderr_path = "")
    {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string s = *e;
            bool replaced = false;
            for (const std::string& set : env_settings)
                if (s.compare(0, set.find('=') + 1, set, 0, set.find('=') + 1) == 0) replaced = true;
            if (!replaced) env.push_back(s);
        }
        env.insert(env.end(), env_settings.begin(), env_settings.end());
        std::vector<char*> envp;
        for (std::string& s : env) envp.push_back(&s[0]);
        envp.push_back(nullptr);
        char* argv[] = {const_cast<char*>(QUORVEX_PROGRAM), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (!stderr_path.empty())
            posix_spawn_file_actions_addopen(&actions, 2, stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (posix_spawn(&m_pid, QUORVEX_PROGRAM, &actions, nullptr, argv, envp.data()) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }

    ~Program()
    {
        if (m_pid > 0 && !m_exited) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }

    // Resident memory in kilobytes, 0 once the process is gone.
    long ResidentKb() const
    {
        std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.compare(0, 6, "VmRSS:") == 0) return std::atol(line.c_str() + 6);
        return 0;
    }

    // The first visible window of this process whose title matches.
    unsigned long FindWindow(const std::string& title_regex, int timeout_ms = 20000)
    {
        unsigned long id = 0;
        WaitFor([&] {
            const std::string out = Shell("xdotool search --all --onlyvisible --pid " + std::to_string(m_pid) +
                                          " --name '" + title_regex + "' 2>/dev/null");
            id = std::strtoul(out.c_str(), nullptr, 10);
            return id != 0 || Exited();
        }, timeout_ms);
        return id;
    }

    // Keys typed into the window, as a user types them.
    void Keys(unsigned long window, const std::string& keys)
    {
        Shell("xdotool windowfocus --sync " + std::to_string(window) + " key --delay 60 " + keys);
    }

    // Asks the window to close, as a window manager's close button does.
    static void RequestClose(unsigned long window)
    {
        Display* d = XOpenDisplay(nullptr);
        ASSERT_NE(d, nullptr);
        XEvent ev;
        std::memset(&ev, 0, sizeof ev);
        ev.xclient.type = ClientMessage;
        ev.xclient.window = window;
        ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
        ev.xclient.data.l[1] = CurrentTime;
        XSendEvent(d, window, False, NoEventMask, &ev);
        XFlush(d);
        XCloseDisplay(d);
    }

    bool Exited()
    {
        if (m_exited) return true;
        if (waitpid(m_pid, &m_status, WNOHANG) == m_pid) m_exited = true;
        return m_exited;
    }
    bool WaitExit(int timeout_ms) { return WaitFor([&] { return Exited(); }, timeout_ms); }
    int ExitStatus() const { return m_status; }

private:
    pid_t m_pid = -1;
    bool m_exited = false;
    int m_status = -1;
};

// A connection to the X server held for a whole test. The server resets
// when its last client leaves, and a program connecting during the reset
// fails to start; holding a connection keeps the server up while the
// program is restarted.
class DisplayConnection
{
public:
    DisplayConnection()
    {
        // the server may be resetting after the previous test's last client left
        WaitFor([&] { return (m_display = XOpenDisplay(nullptr)) != nullptr; }, 10000);
    }
    ~DisplayConnection()
    {
        if (m_display) XCloseDisplay(m_display);
    }
    bool IsOk() const { return m_display != nullptr; }

private:
    Display* m_display = nullptr;
};

inline std::string TempDir()
{
    char tmpl[] = "/tmp/quorvex-program-XXXXXX";
    const char* dir = mkdtemp(tmpl);
    return dir ? dir : "/tmp";
}

#endif

// A careless user: the real program under random real clicks, keys and
// slider moves from a fixed seed. After every command the window must answer
// within a second (the toolkit's reply to the window manager's ping goes out
// from the GUI thread's event loop, so a blocked GUI thread cannot answer),
// the process must live, its resident memory stay bounded, and nothing may
// be printed on the terminal by the toolkit. At the end a close request ends
// it with status 0.
//
// QUORVEX_MONKEY_COMMANDS sets the number of commands (1000 by default, about
// a minute; 10000 for the long run), QUORVEX_MONKEY_SEED the seed (printed,
// so that any failure can be replayed).
#include <poll.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "ProgramDriver.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace {

long EnvNumber(const char* name, long fallback)
{
    const char* v = std::getenv(name);
    return v && *v ? std::atol(v) : fallback;
}

// Our own connection to the X server: finds the program's windows and pings
// them as a window manager does.
class Observer
{
public:
    Observer()
    {
        // a window listed a moment ago may be gone when it is asked about:
        // such errors only mean that the window is no longer there
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        m_display = XOpenDisplay(nullptr);
        if (!m_display) return;
        m_root = DefaultRootWindow(m_display);
        // the replies to pings go to the root window
        XSelectInput(m_display, m_root, SubstructureNotifyMask);
        m_protocols = XInternAtom(m_display, "WM_PROTOCOLS", False);
        m_ping = XInternAtom(m_display, "_NET_WM_PING", False);
        m_pid_atom = XInternAtom(m_display, "_NET_WM_PID", False);
        m_name_atom = XInternAtom(m_display, "_NET_WM_NAME", False);
        m_utf8 = XInternAtom(m_display, "UTF8_STRING", False);
    }
    ~Observer()
    {
        if (m_display) XCloseDisplay(m_display);
    }
    bool IsOk() const { return m_display != nullptr; }

    struct TopLevel
    {
        Window id;
        std::string title;
    };

    // The mapped top-level windows of the process.
    std::vector<TopLevel> Windows(pid_t pid)
    {
        std::vector<TopLevel> found;
        Window root_ret, parent_ret;
        Window* children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(m_display, m_root, &root_ret, &parent_ret, &children, &n)) return found;
        for (unsigned int i = 0; i < n; ++i) {
            XWindowAttributes attr;
            // tooltips and menus are override-redirect windows: not boxes
            if (!XGetWindowAttributes(m_display, children[i], &attr) || attr.map_state != IsViewable ||
                attr.override_redirect)
                continue;
            if (Cardinal(children[i], m_pid_atom) != static_cast<long>(pid)) continue;
            found.push_back(TopLevel{children[i], Title(children[i])});
        }
        if (children) XFree(children);
        return found;
    }

    // Sends a ping and waits for the reply; returns the milliseconds it
    // took, or -1 if none came within timeout_ms.
    long Ping(Window w, long timeout_ms)
    {
        const long stamp = ++m_stamp;
        XEvent ev;
        std::memset(&ev, 0, sizeof ev);
        ev.xclient.type = ClientMessage;
        ev.xclient.window = w;
        ev.xclient.message_type = m_protocols;
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = static_cast<long>(m_ping);
        ev.xclient.data.l[1] = stamp;
        ev.xclient.data.l[2] = static_cast<long>(w);
        XSendEvent(m_display, w, False, NoEventMask, &ev);
        XFlush(m_display);

        const auto start = std::chrono::steady_clock::now();
        for (;;) {
            while (XPending(m_display)) {
                XEvent in;
                XNextEvent(m_display, &in);
                if (in.type == ClientMessage && in.xclient.message_type == m_protocols &&
                    static_cast<Atom>(in.xclient.data.l[0]) == m_ping && in.xclient.data.l[1] == stamp)
                    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                 std::chrono::steady_clock::now() - start)
                                                 .count());
            }
            const long waited = static_cast<long>(
                std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                    .count());
            if (waited >= timeout_ms) return -1;
            pollfd p{ConnectionNumber(m_display), POLLIN, 0};
            poll(&p, 1, static_cast<int>(std::min<long>(timeout_ms - waited, 50)));
        }
    }

    // The window's position and size.
    bool Geometry(Window w, int& x, int& y, int& width, int& height)
    {
        XWindowAttributes attr;
        if (!XGetWindowAttributes(m_display, w, &attr)) return false;
        Window child;
        XTranslateCoordinates(m_display, w, m_root, 0, 0, &x, &y, &child);
        width = attr.width;
        height = attr.height;
        return true;
    }

private:
    long Cardinal(Window w, Atom property)
    {
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char* data = nullptr;
        long value = -1;
        if (XGetWindowProperty(m_display, w, property, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                               &data) == Success &&
            data && items == 1)
            value = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
        if (data) XFree(data);
        return value;
    }
    std::string Title(Window w)
    {
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char* data = nullptr;
        std::string title;
        if (XGetWindowProperty(m_display, w, m_name_atom, 0, 1024, False, m_utf8, &type, &format, &items, &after,
                               &data) == Success &&
            data)
            title.assign(reinterpret_cast<char*>(data), items);
        if (data) XFree(data);
        return title;
    }

    Display* m_display = nullptr;
    Window m_root = 0;
    Atom m_protocols = 0, m_ping = 0, m_pid_atom = 0, m_name_atom = 0, m_utf8 = 0;
    long m_stamp = 0;
};

// Lines the toolkit printed on the program's standard error.
std::vector<std::string> ToolkitWarnings(const std::string& path)
{
    std::vector<std::string> found;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        if (line.find("Gtk-") != std::string::npos || line.find("GLib-") != std::string::npos ||
            line.find("GLib-GObject-") != std::string::npos || line.find("Gdk-") != std::string::npos ||
            line.find("Pango-") != std::string::npos)
            found.push_back(line);
    return found;
}

// Positions of the controls, measured from the window's top-right corner
// (the control column keeps its width when the window grows) and from its
// top; the algorithm list reaches down to the bottom edge.
struct Spot
{
    int from_right, y;
};
const Spot INVERSIONS{158, 310};
const Spot SPEED_SLIDER{163, 164};     // 159 pixels wide
const Spot SUSTAIN_SLIDER{163, 227};   // 126 pixels wide
const Spot ARRAY_SIZE_SLIDER{195, 436}; // 154 pixels wide
const Spot INPUT_CHOICE{195, 394};     // 191 pixels wide
const Spot LIST{271, 457};             // 267 pixels wide
const int SPEED_WIDTH = 159, SUSTAIN_WIDTH = 126, ARRAY_SIZE_WIDTH = 154, LIST_WIDTH = 267;
// the slider's knob sits a little inside either end of its track
const int TRACK_INSET = 8;

class Monkey
{
public:
    Monkey(Program& program, Observer& observer, Window window, uint32_t seed)
        : m_program(program), m_observer(observer), m_window(window), m_rng(seed)
    {
    }

    // Sends one random command.
    void Command()
    {
        const int pick = Uniform(0, 99);
        if (pick < 10) Keys("alt+r");                                    // Run pressed or released
        else if (pick < 22) Burst("alt+s", Uniform(1, 12));              // Step bursts
        else if (pick < 28) Keys("alt+e");                               // Reset
        else if (pick < 34) Burst("alt+d", Uniform(1, 4));               // Random bursts
        else if (pick < 40) ListClick(true);                             // double-click: start
        else if (pick < 47) ListClick(false);                            // selection
        else if (pick < 51) ListKeys();                                  // selection by keys
        else if (pick < 55) InputChoice();                               // input type
        else if (pick < 65) Slider(SPEED_SLIDER, SPEED_WIDTH);           // speed, 2 s per access included
        else if (pick < 69) Slider(SUSTAIN_SLIDER, SUSTAIN_WIDTH);       // sustain
        else if (pick < 75) Slider(ARRAY_SIZE_SLIDER, ARRAY_SIZE_WIDTH); // array size
        else if (pick < 80) Click(INVERSIONS, 0);                        // inversions on and off
        else if (pick < 84) Keys("alt+o");                               // Sound
        else if (pick < 87) About();
        else if (pick < 91) SlowSortAtFullSize();
        else if (pick < 94) Resize();
        else Wait(Uniform(20, 200));                                     // the user watches
        ++m_commands;
    }

    long Commands() const { return m_commands; }

    // Closes the message boxes the commands opened (Run with nothing
    // selected after Random): a user reads them and presses Return.
    void CloseBoxes()
    {
        for (int round = 0; round < 6; ++round) {
            bool any = false;
            for (const Observer::TopLevel& t : m_observer.Windows(m_program.Pid())) {
                if (t.id == m_window) continue;
                any = true;
                if (round == 0) ++m_boxes;
                // Return first; a box opened over another box can leave the
                // keyboard elsewhere, so later rounds click its button
                if (round % 2 == 0)
                    Shell("xdotool windowfocus --sync " + std::to_string(t.id) + " key Return 2>/dev/null");
                else
                    ClickButtonOf(t);
            }
            if (!any) return;
            WaitFor([&] { return m_observer.Windows(m_program.Pid()).size() <= 1; }, 1000);
        }
    }
    long Boxes() const { return m_boxes; }

private:
    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }

    void Keys(const std::string& keys)
    {
        Shell("xdotool windowfocus --sync " + std::to_string(m_window) + " key --delay 20 " + keys +
              " 2>/dev/null");
    }
    void Burst(const std::string& key, int count)
    {
        std::string keys;
        for (int i = 0; i < count; ++i) keys += key + " ";
        Keys(keys);
    }

    bool Where(int& x, int& y, int& width, int& height)
    {
        return m_observer.Geometry(m_window, x, y, width, height);
    }
    // A click at the spot, dx pixels to its right.
    void Click(const Spot& s, int dx, int clicks = 1)
    {
        int x, y, w, h;
        if (!Where(x, y, w, h)) return;
        Shell("xdotool mousemove " + std::to_string(x + w - s.from_right + dx) + " " +
              std::to_string(y + s.y) + " click --repeat " + std::to_string(clicks) + " --delay 80 1 2>/dev/null");
    }
    void Slider(const Spot& s, int width)
    {
        const int how = Uniform(0, 3);
        if (how == 0) {
            // one end: for the speed the slowest (2 s per access) or the fastest
            const bool high = Uniform(0, 1);
            Click(s, high ? width - TRACK_INSET : TRACK_INSET);
            Keys(high ? "End" : "Home");
        }
        else if (how == 1) {
            // keys on the focused slider
            Click(s, Uniform(TRACK_INSET, width - TRACK_INSET));
            static const char* keys[] = {"Left", "Right", "Page_Up", "Page_Down", "Home", "End"};
            Keys(keys[Uniform(0, 5)]);
        }
        else {
            Click(s, Uniform(TRACK_INSET, width - TRACK_INSET));
        }
    }
    void ListClick(bool twice)
    {
        int x, y, w, h;
        if (!Where(x, y, w, h)) return;
        const int list_height = h - LIST.y - 8;
        Shell("xdotool mousemove " + std::to_string(x + w - LIST.from_right + Uniform(10, LIST_WIDTH - 20)) +
              " " + std::to_string(y + LIST.y + Uniform(4, std::max(5, list_height - 4))) + " click --repeat " +
              (twice ? "2" : "1") + " --delay 60 1 2>/dev/null");
    }
    void ListKeys()
    {
        ListClick(false);
        static const char* keys[] = {"Down", "Up", "Page_Down", "Page_Up", "End", "Home"};
        Burst(keys[Uniform(0, 5)], Uniform(1, 4));
    }
    void InputChoice()
    {
        // the wheel over the choice steps through the input types
        int x, y, w, h;
        if (!Where(x, y, w, h)) return;
        Shell("xdotool mousemove " + std::to_string(x + w - INPUT_CHOICE.from_right + 60) + " " +
              std::to_string(y + INPUT_CHOICE.y) + " click --repeat " + std::to_string(Uniform(1, 3)) + " " +
              (Uniform(0, 1) ? "4" : "5") + " 2>/dev/null");
    }
    void About()
    {
        Keys("alt+a");
        Observer::TopLevel box{0, ""};
        WaitFor([&] {
            for (const Observer::TopLevel& t : m_observer.Windows(m_program.Pid()))
                if (t.title == "About") box = t;
            return box.id != 0;
        }, 3000);
        if (!box.id) return;
        Wait(Uniform(0, 150));
        const int how = Uniform(0, 2);
        if (how == 2)
            ClickButtonOf(box);
        else
            Shell("xdotool windowfocus --sync " + std::to_string(box.id) + " key " + (how ? "Escape" : "Return") +
                  " 2>/dev/null");
        WaitFor([&] {
            for (const Observer::TopLevel& t : m_observer.Windows(m_program.Pid()))
                if (t.id == box.id) return false;
            return true;
        }, 3000);
    }
    // Bogo, bozo, stooge or slow sort on 2048 items at the current speed.
    void SlowSortAtFullSize()
    {
        Click(ARRAY_SIZE_SLIDER, ARRAY_SIZE_WIDTH - TRACK_INSET);
        Keys("End");   // 2048
        Keys("alt+e"); // refilled at that size
        ListClick(false);
        Keys("End");
        const int up = Uniform(0, 3); // slow, stooge, bozo, bogo sort
        if (up) Burst("Up", up);
        Keys("alt+r");
    }
    void Resize()
    {
        // never below the size the window was fitted to
        Shell("xdotool windowsize --sync " + std::to_string(m_window) + " " + std::to_string(Uniform(898, 1300)) +
              " " + std::to_string(Uniform(671, 1000)) + " 2>/dev/null");
    }
    void Wait(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    // Clicks the box's button: About's is centred at the bottom, a message
    // box's sits at the bottom right.
    void ClickButtonOf(const Observer::TopLevel& box)
    {
        int x, y, w, h;
        if (!m_observer.Geometry(box.id, x, y, w, h)) return;
        const int bx = box.title == "About" ? x + w / 2 : x + w - 50;
        Shell("xdotool mousemove " + std::to_string(bx) + " " + std::to_string(y + h - 30) + " click 1 2>/dev/null");
    }

    Program& m_program;
    Observer& m_observer;
    Window m_window;
    std::mt19937 m_rng;
    long m_commands = 0, m_boxes = 0;
};

} // namespace

TEST(Monkey, RandomCommandsNeverFreezeOrKillTheProgram)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server (the test command provides one)";
    const DisplayConnection display;
    ASSERT_TRUE(display.IsOk());
    const long commands = EnvNumber("QUORVEX_MONKEY_COMMANDS", 1000);
    const uint32_t seed = static_cast<uint32_t>(EnvNumber("QUORVEX_MONKEY_SEED", 20261210));
    // resident memory may grow by this much over the run; sanitizer builds
    // keep freed memory in quarantine
    const long growth_limit_kb = EnvNumber("QUORVEX_MONKEY_GROWTH_MB", QUORVEX_MONKEY_GROWTH_MB) * 1024;
    std::printf("monkey: seed %u, %ld commands (QUORVEX_MONKEY_SEED=%u replays it)\n", seed, commands, seed);
    std::fflush(stdout);

    const std::string dir = TempDir();
    const std::string err = dir + "/stderr.txt";
    Program program({"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + dir + "/out.raw"}, err);
    ASSERT_TRUE(program.Started());
    Observer observer;
    ASSERT_TRUE(observer.IsOk());
    const unsigned long window = program.FindWindow("^Quorvex 0\\.6\\.5 - https://quorvex\\.org/$");
    ASSERT_NE(window, 0u) << "the main window did not open";
    ASSERT_GE(observer.Ping(window, 5000), 0) << "the window does not answer pings";
    const long rss_start = program.ResidentKb();

    Monkey monkey(program, observer, window, seed);
    long worst_ms = 0, worst_at = -1, rss_max = rss_start;
    for (long i = 0; i < commands; ++i) {
        monkey.Command();
        monkey.CloseBoxes();
        ASSERT_FALSE(program.Exited()) << "the program ended after command " << i << " (seed " << seed << "), status "
                                       << program.ExitStatus();
        const long ms = observer.Ping(window, 1000);
        ASSERT_GE(ms, 0) << "no answer within 1 s after command " << i << " (seed " << seed << ")";
        if (ms > worst_ms) {
            worst_ms = ms;
            worst_at = i;
        }
        if (i % 50 == 0) {
            rss_max = std::max(rss_max, program.ResidentKb());
            ASSERT_LE(rss_max - rss_start, growth_limit_kb) << "resident memory grew to " << rss_max << " kB";
            // the disk driver's sound file is not what is tested here
            std::remove((dir + "/out.raw").c_str());
        }
        if (i % 1000 == 999) {
            std::printf("monkey: %ld commands, worst answer %ld ms, resident %ld kB\n", i + 1, worst_ms,
                        program.ResidentKb());
            std::fflush(stdout);
        }
    }
    const long rss_end = program.ResidentKb();
    std::printf("monkey: %ld commands sent, %ld message boxes closed, worst answer %ld ms (after command %ld), "
                "resident memory %ld kB at start, %ld kB at most, %ld kB at the end\n",
                monkey.Commands(), monkey.Boxes(), worst_ms, worst_at, rss_start, rss_max, rss_end);

    Program::RequestClose(window);
    ASSERT_TRUE(program.WaitExit(20000)) << "the program did not end after its window closed";
    EXPECT_TRUE(WIFEXITED(program.ExitStatus()));
    EXPECT_EQ(WEXITSTATUS(program.ExitStatus()), 0);

    for (const std::string& w : ToolkitWarnings(err)) ADD_FAILURE() << "on the terminal: " << w;
    Shell("rm -rf '" + dir + "'");
}

// Starting, running, a description box shown and hidden, and resizing print
// nothing from the toolkit on the terminal.
TEST(Monkey, StartRunSelectAndResizePrintNoToolkitWarning)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server (the test command provides one)";
    const DisplayConnection display;
    ASSERT_TRUE(display.IsOk());
    const std::string dir = TempDir();
    const std::string err = dir + "/stderr.txt";
    Program program({"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + dir + "/out.raw"}, err);
    ASSERT_TRUE(program.Started());
    Observer observer;
    ASSERT_TRUE(observer.IsOk());
    const unsigned long window = program.FindWindow("^Quorvex 0\\.6\\.5 - ");
    ASSERT_NE(window, 0u);
    int x, y, w, h;
    ASSERT_TRUE(observer.Geometry(window, x, y, w, h));
    const std::string id = std::to_string(window);

    program.Keys(window, "alt+r");
    // every entry in turn, the ones with a description among them
    Shell("xdotool mousemove " + std::to_string(x + w - LIST.from_right + 40) + " " +
          std::to_string(y + LIST.y + 10) + " click 1");
    Shell("xdotool windowfocus --sync " + id + " key Home");
    for (int i = 0; i < 32; ++i) Shell("xdotool key --delay 40 Down");
    for (const char* size : {"1200 900", "898 671", "1600 1100", "1000 700"}) {
        Shell("xdotool windowsize --sync " + id + " " + size);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_GE(observer.Ping(window, 2000), 0);

    Program::RequestClose(window);
    ASSERT_TRUE(program.WaitExit(20000));
    EXPECT_EQ(WEXITSTATUS(program.ExitStatus()), 0);
    for (const std::string& line : ToolkitWarnings(err)) ADD_FAILURE() << "on the terminal: " << line;
    Shell("rm -rf '" + dir + "'");
}

// The real program, started as a user starts it, on the test command's X
// server. It is driven through its keyboard mnemonics (xdotool) and closed
// through the window manager's close request; its sound goes to a file
// through the audio library's disk driver.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "ProgramDriver.h"

namespace {

const int BUFFER = 4096; // samples per audio callback
const int RATE = 44100;

std::vector<int16_t> ReadSamples(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                          (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
    return samples;
}

// Buffers [from, to) of the stream that hold any sound.
int SoundingBuffers(const std::vector<int16_t>& s, long from, long to)
{
    int n = 0;
    for (long b = from; b < to; ++b) {
        bool any = false;
        for (long k = b * BUFFER; k < (b + 1) * BUFFER && k < static_cast<long>(s.size()); ++k)
            any = any || s[k] != 0;
        n += any;
    }
    return n;
}

} // namespace

// Sound on, run, pause, resume, sound off, close while running: what was
// played is silent until the run starts, sounds while it runs, falls silent
// while it is paused and after sound is switched off, and never leaves the
// sample range. Its pitch lies between the lowest and the highest tone.
TEST(Program, PlaysTheAccessesOfARun)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server (the test command provides one)";
    const DisplayConnection display;
    ASSERT_TRUE(display.IsOk());
    const std::string dir = TempDir();
    const std::string raw = dir + "/out.raw";
    Program program({"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + raw});
    ASSERT_TRUE(program.Started());
    const unsigned long window = program.FindWindow("^Quorvex 0\\.6\\.5 - https://quorvex\\.org/$");
    ASSERT_NE(window, 0u) << "the main window did not open";

    // Types the keys and waits until the stream holds `more` further
    // buffers. The change the keys make falls between the two buffer counts
    // taken just before and just after typing.
    struct Mark
    {
        long before, after;
    };
    auto buffers_now = [&] { return FileSize(raw) / (2 * BUFFER); };
    auto command = [&](const std::string& keys, int more) {
        Mark m;
        m.before = buffers_now();
        program.Keys(window, keys);
        m.after = buffers_now();
        EXPECT_TRUE(WaitFor([&] { return buffers_now() >= m.after + more; }, 20000));
        return m;
    };

    // the device plays silence while paused
    EXPECT_TRUE(WaitFor([&] { return buffers_now() >= 3; }, 20000));
    const Mark sound_on = command("alt+o", 4);   // Sound on
    const Mark run = command("alt+r", 12);       // Run: Selection Sort on 100 shuffled items
    const Mark pause = command("alt+r", 10);     // Run released: paused
    const Mark resume = command("alt+r", 10);    // running again
    const Mark sound_off = command("alt+o", 8);  // Sound off

    Program::RequestClose(window); // while the algorithm runs
    ASSERT_TRUE(program.WaitExit(20000)) << "the program did not end after its window closed";
    EXPECT_TRUE(WIFEXITED(program.ExitStatus()));
    EXPECT_EQ(WEXITSTATUS(program.ExitStatus()), 0);

    const std::vector<int16_t> s = ReadSamples(raw);
    const long buffers = static_cast<long>(s.size()) / BUFFER;
    ASSERT_GE(buffers, sound_off.after + 8);
    std::string pattern; // one letter per buffer: # sounding, . silent
    for (long b = 0; b < buffers; ++b) pattern += SoundingBuffers(s, b, b + 1) ? '#' : '.';
    std::printf("buffers %s\nsound on at %ld-%ld, run %ld-%ld, pause %ld-%ld, resume %ld-%ld, sound off %ld-%ld\n",
                pattern.c_str(), sound_on.before, sound_on.after, run.before, run.after, pause.before,
                pause.after, resume.before, resume.after, sound_off.before, sound_off.after);

    // a command takes effect at the next callback; the accesses before it
    // are spread over that buffer, and their tones ring into the next one;
    // the program may react a little late to a typed key
    const long slack = 4;
    EXPECT_LT(sound_on.after, run.before);
    EXPECT_EQ(SoundingBuffers(s, 0, run.before), 0) << "sound before the run started";
    EXPECT_EQ(SoundingBuffers(s, run.after + slack, pause.before), pause.before - run.after - slack)
        << "the run was not heard throughout";
    EXPECT_EQ(SoundingBuffers(s, pause.after + slack, resume.before), 0) << "sound while paused";
    EXPECT_EQ(SoundingBuffers(s, resume.after + slack, sound_off.before),
              sound_off.before - resume.after - slack)
        << "the resumed run was not heard throughout";
    EXPECT_EQ(SoundingBuffers(s, sound_off.after + slack, buffers), 0) << "sound after sound was switched off";

    // levels within the limiter's range; pitch from the zero crossings of
    // the sounding stretch: tones lie between 120 and 1320 Hz
    int peak = 0;
    for (int16_t v : s) peak = std::max(peak, std::abs(static_cast<int>(v)));
    EXPECT_LE(peak, 32200);
    EXPECT_GT(peak, 1000);

    long crossings = 0, sounding = 0;
    for (long b = run.after + slack; b < pause.before; ++b) {
        const long lo = b * BUFFER, hi = (b + 1) * BUFFER;
        for (long k = lo + 1; k < hi; ++k) {
            if ((s[k - 1] < 0) != (s[k] < 0)) ++crossings;
            if (s[k] != 0) ++sounding;
        }
    }
    ASSERT_GT(sounding, 0);
    const double hz = crossings / 2.0 / (static_cast<double>(sounding) / RATE);
    EXPECT_GT(hz, 100.0);
    EXPECT_LT(hz, 1500.0);
    std::printf("peak %d, pitch from zero crossings %.0f Hz\n", peak, hz);

    std::remove(raw.c_str());
    rmdir(dir.c_str());
}

// Without a usable audio device the program says so once, then works
// without sound: a run changes the picture, and the window closes normally.
TEST(Program, RunsWithoutAudio)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server (the test command provides one)";
    const DisplayConnection display;
    ASSERT_TRUE(display.IsOk());
    const std::string dir = TempDir();
    Program program({"SDL_AUDIODRIVER=quorvex-no-driver"});
    ASSERT_TRUE(program.Started());

    // the error box, shown once the main window is up
    const unsigned long box = program.FindWindow("Error$");
    ASSERT_NE(box, 0u) << "no error box about the audio device"
                       << (program.Exited() ? ", the program ended with status " + std::to_string(program.ExitStatus())
                                            : ", the program runs");
    const unsigned long window = program.FindWindow("^Quorvex 0\\.6\\.5 - ");
    ASSERT_NE(window, 0u);
    program.Keys(box, "Return");
    ASSERT_TRUE(WaitFor([&] { return program.FindWindow("Error$", 200) == 0; }, 10000)) << "the box stayed";

    const std::string id = std::to_string(window);
    auto shot = [&](const std::string& name) {
        const std::string path = dir + "/" + name + ".png";
        Shell("import -window " + id + " " + path + " 2>/dev/null");
        return path;
    };
    auto differing_pixels = [&](const std::string& a, const std::string& b) {
        return std::atol(Shell("compare -metric AE " + a + " " + b + " null: 2>&1").c_str());
    };

    // idle, the picture stands still; running, it changes
    const std::string idle1 = shot("idle1");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::string idle2 = shot("idle2");
    EXPECT_EQ(differing_pixels(idle1, idle2), 0);

    program.Keys(window, "alt+r");
    const std::string run1 = shot("run1");
    EXPECT_TRUE(WaitFor([&] { return differing_pixels(run1, shot("run2")) > 0; }, 10000))
        << "the run did not change the picture";

    Program::RequestClose(window);
    ASSERT_TRUE(program.WaitExit(20000));
    EXPECT_TRUE(WIFEXITED(program.ExitStatus()));
    EXPECT_EQ(WEXITSTATUS(program.ExitStatus()), 0);

    Shell("rm -rf '" + dir + "'");
}

// A close request while the About box is open ends the box and then closes
// the window, as a close request without the box does: the program exits
// with status 0 and needs no second request.
TEST(Program, CloseWhileAboutIsOpenEndsTheBoxAndTheProgram)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server (the test command provides one)";
    const DisplayConnection display;
    ASSERT_TRUE(display.IsOk());
    const std::string dir = TempDir();
    Program program({"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + dir + "/out.raw"});
    ASSERT_TRUE(program.Started());
    const unsigned long window = program.FindWindow("^Quorvex 0\\.6\\.5 - ");
    ASSERT_NE(window, 0u);

    program.Keys(window, "alt+r alt+a"); // running, then the box
    ASSERT_NE(program.FindWindow("^About$"), 0u) << "the About box did not open";

    Program::RequestClose(window);
    ASSERT_TRUE(program.WaitExit(10000)) << "the close request was dropped while the box was open";
    EXPECT_TRUE(WIFEXITED(program.ExitStatus()));
    EXPECT_EQ(WEXITSTATUS(program.ExitStatus()), 0);
    Shell("rm -rf '" + dir + "'");
}

// The audio device of the main window: opened at start, switched by the
// Sound button, closed with the window; and a window without a device.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include <SDL.h>

#include "MainWindowTest.h"

namespace {

long FileSize(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : 0;
}

// Whether the 16-bit samples from byte offset `from` on hold any sound.
bool SoundsFrom(const std::string& path, long from)
{
    std::ifstream in(path, std::ios::binary);
    in.seekg(from);
    char pair[2];
    while (in.read(pair, 2))
        if (pair[0] != 0 || pair[1] != 0) return true;
    return false;
}

} // namespace

TEST_F(MainWindowTest, WithoutAudioSoundIsDisabledAndTheRestWorks)
{
    // the fixture names no audio driver that exists
    int reports = 0;
    for (const wxString& e : TestLog::Errors()) reports += e.StartsWith("Couldn't open audio: ");
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(TestLog::Logged(wxString("Couldn't open audio: ") + SDL_GetError()));
    EXPECT_FALSE(frame->soundButton->IsEnabled());
    EXPECT_FALSE(frame->soundButton->GetValue());
    EXPECT_FALSE(g_sound_on);

    Scroll(frame->arraySizeSlider, 30);
    Reset();
    Scroll(frame->speedSlider, 0);
    RunPressed();
    ASSERT_TRUE(PumpUntil([&] { return frame->m_thread == nullptr; }, 20000));
    EXPECT_TRUE(A().m_sorted_ok);
}

class SoundDeviceTest : public MainWindowTest
{
protected:
    std::string m_raw;

    void SetUp() override
    {
        char name[] = "/tmp/quorvex-sound-XXXXXX";
        const int fd = mkstemp(name);
        ASSERT_GE(fd, 0);
        close(fd);
        m_raw = name;
        // the audio library writes what it plays into this file
        Open("disk", m_raw);
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        std::remove(m_raw.c_str());
    }
};

TEST_F(SoundDeviceTest, SoundButtonSwitchesTheOpenedDevice)
{
    EXPECT_FALSE(TestLog::Logged("Couldn't open audio: "));
    EXPECT_TRUE(frame->soundButton->IsEnabled());
    EXPECT_FALSE(frame->soundButton->GetValue());
    EXPECT_FALSE(g_sound_on);
    // opened paused: it plays silence
    EXPECT_EQ(SDL_GetAudioStatus(), SDL_AUDIO_PAUSED);
    ASSERT_TRUE(PumpUntil([&] { return FileSize(m_raw) >= 2 * 2 * 4096; }, 10000));
    EXPECT_FALSE(SoundsFrom(m_raw, 0));

    Toggle(frame->soundButton, true);
    EXPECT_TRUE(g_sound_on);
    EXPECT_EQ(SDL_GetAudioStatus(), SDL_AUDIO_PLAYING);

    // a run is heard
    const long before_run = FileSize(m_raw);
    Scroll(frame->speedSlider, 800); // about 5 ms per access
    RunPressed();
    EXPECT_TRUE(PumpUntil([&] { return SoundsFrom(m_raw, before_run); }, 10000));

    Toggle(frame->soundButton, false);
    EXPECT_FALSE(g_sound_on);
    EXPECT_EQ(SDL_GetAudioStatus(), SDL_AUDIO_PAUSED);
    // nothing is recorded for the renderer while sound is off
    {
        wxMutexLocker lock(g_sound_mutex);
        g_pending_accesses.clear();
    }
    ASSERT_TRUE(Advances());
    {
        wxMutexLocker lock(g_sound_mutex);
        EXPECT_TRUE(g_pending_accesses.empty());
    }

    // the window closes the device: the stream ends on whole buffers of
    // 4096 signed 16-bit mono samples
    Close();
    EXPECT_EQ(SDL_GetAudioStatus(), SDL_AUDIO_STOPPED);
    EXPECT_EQ(FileSize(m_raw) % (2 * 4096), 0);
}

// Writes a video file frame by frame with FFmpeg's libraries: pictures as
// 0xAARRGGBB pixels, sound as 44100 Hz signed 16-bit mono samples. Nothing is
// kept beyond the encoders' own buffers, so memory stays flat however long
// the video is.
#ifndef QUORVEX_VIDEOENCODER_H
#define QUORVEX_VIDEOENCODER_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

// The encoding failed: opening the file, finding or opening an encoder,
// encoding or writing. The message names what and why.
struct EncodeError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

// What a file holds, chosen by the output's extension (and --lossless).
struct OutputFormat
{
    const char* extension;     // ".mp4"
    const char* muxer;         // FFmpeg's name of the container
    const char* video_encoder; // nullptr: sound only
    const char* audio_encoder;
    const char* description;   // for --help and messages
};

// The format an output name asks for, or nullptr if its extension is none of
// .mp4, .mkv, .webm, .wav (any case). With lossless, only .mkv is accepted.
const OutputFormat* FindOutputFormat(const std::string& path, bool lossless);

// The accepted extensions, for messages: ".mp4, .mkv, .webm, .wav".
std::string OutputExtensions();

constexpr int SOUND_RATE = 44100;

class VideoEncoder
{
public:
    struct Settings
    {
        OutputFormat format;
        int width = 1280, height = 720; // even numbers
        int fps = 60;
        bool sound = true; // an audio stream (always for a sound-only format)
    };

    // Opens path for writing (creating or truncating it) and writes the
    // container's header. Throws EncodeError.
    VideoEncoder(const std::string& path, const Settings& settings);
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    bool has_video() const;
    bool has_sound() const;

    // Encodes the next picture: width x height words 0xAARRGGBB (alpha
    // ignored), rows `stride` words apart.
    void WriteVideo(const uint32_t* pixels, ptrdiff_t stride);

    // Appends samples to the sound, in chunks of any length.
    void WriteSound(const int16_t* samples, size_t count);

    // Drains the encoders, writes the container's index and closes the file.
    // Without it, the destructor closes the file as it is.
    void Finish();

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

#endif

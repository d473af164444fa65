// The renderer as its users run it: a subprocess, its exit status, its
// messages, and the files it leaves.

#include "tools/render/MidiFile.h"
#include "tools/render/ProgramFile.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#ifndef ZARVEX_RENDER_PATH
#error "the tests need the path of the renderer"
#endif

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string output;
};

std::string quoted(const std::string& text)
{
    std::string result = "'";
    for (char c : text)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

class RenderCommand : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/zarvex-render-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        midi = dir / "phrase.mid";
        writeMidi(midi);
    }
    void TearDown() override { fs::remove_all(dir); }

    Outcome invoke(const std::vector<std::string>& args, const std::string& environment = "")
    {
        std::string command = environment + " " + quoted(ZARVEX_RENDER_PATH);
        for (const auto& arg : args)
            command += " " + quoted(arg);
        FILE* pipe = popen((command + " 2>&1 </dev/null").c_str(), "r");
        std::string output;
        char buffer[4096];
        while (size_t n = fread(buffer, 1, sizeof buffer, pipe))
            output.append(buffer, n);
        const int status = pclose(pipe);
        return { WIFEXITED(status) ? WEXITSTATUS(status) : -1, output };
    }

    // One note from 0.25 s to 0.5 s at the default 120 BPM, the file ending at 1 s.
    static void writeMidi(const fs::path& path)
    {
        const std::vector<uint8_t> bytes = { 'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0,
            0, 0, 12, 0x30, 0x90, 60, 100, 0x30, 0x80, 60, 0, 0x60, 0xff, 0x2f, 0x00 };
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    }

    size_t filesInDir() const { return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {})); }

    void expectFailure(const std::vector<std::string>& args, const std::string& message,
        const std::string& environment = "")
    {
        const size_t before = filesInDir();
        const Outcome result = invoke(args, environment);
        EXPECT_EQ(result.status, 1) << result.output;
        EXPECT_NE(result.output.find("zarvex-render: error: "), std::string::npos) << result.output;
        EXPECT_NE(result.output.find(message), std::string::npos) << result.output;
        EXPECT_EQ(filesInDir(), before) << "a failed run left a file behind";
    }

    fs::path dir;
    fs::path midi;
    const std::string probe = ZARVEX_PROBE_PLUGIN_PATH;
};

} // namespace

TEST_F(RenderCommand, RendersAStereoWavOfTheMusicAndTheTail)
{
    const fs::path wav = dir / "out.wav";
    const Outcome result
        = invoke({ "-p", probe, "-r", "48000", "--format", "pcm24", "--param", "Tail Size=0.1", midi, "-o", wav });
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find("wrote " + wav.string()), std::string::npos);
    SF_INFO info {};
    SNDFILE* sound = sf_open(wav.c_str(), SFM_READ, &info);
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.samplerate, 48000);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    // One second of music and the probe's tail of 0.1 * 100000 samples.
    EXPECT_EQ(info.frames, 48000 + 10000);
    std::vector<float> samples(static_cast<size_t>(info.frames * 2));
    sf_readf_float(sound, samples.data(), info.frames);
    sf_close(sound);
    EXPECT_EQ(samples[2 * 11999], 0.0f);
    EXPECT_NEAR(samples[2 * 12000], 100.0f / 127.0f, 1e-6f);
    EXPECT_NEAR(samples[2 * 12000 + 1], -100.0f / 127.0f, 1e-6f);
    EXPECT_EQ(filesInDir(), 2u) << "only the MIDI file and the WAV file";
}

TEST_F(RenderCommand, SavesAProgramThatLoadsBackWithTheSameValues)
{
    const fs::path fxp = dir / "sound.fxp";
    ASSERT_EQ(invoke({ "-p", probe, "--param", "0=0.125", "--param", "Release=0.75", "--save-program", fxp }).status, 0);
    std::ifstream in(fxp, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    const ProgramFile saved = decodeProgram(bytes, fxp);
    EXPECT_EQ(saved.program.values, (std::vector<float> { 0.125f, 0.5f, 0.75f, 0.0f }));
    EXPECT_EQ(pluginIdText(saved.pluginId), "Prb1");

    const Outcome info = invoke({ "-p", probe, "--load", fxp, "--info" });
    ASSERT_EQ(info.status, 0) << info.output;
    const auto line = info.output.find("\"Release\"");
    ASSERT_NE(line, std::string::npos) << info.output;
    EXPECT_NE(info.output.substr(line, info.output.find('\n', line) - line).find("0.750000"), std::string::npos);
    EXPECT_NE(info.output.find("Unique ID:  'Prb1'"), std::string::npos);
}

TEST_F(RenderCommand, FailuresAreExplainedAndLeaveNoFile)
{
    const std::string wav = (dir / "out.wav").string();
    expectFailure({ "-p", (dir / "missing.so").string(), midi, "-o", wav }, "plug-in not found");
    expectFailure({ "-p", midi, midi, "-o", wav }, "cannot load plug-in");
    expectFailure({ "-p", probe, midi, "-o", wav }, "refused to open", "PROBE_REFUSE=1");
    expectFailure({ "-p", probe, midi, "-o", (dir / "no-such-dir" / "out.wav").string() }, "cannot write");
    expectFailure({ "-p", probe, "--param", "Cutoff=0.3", midi, "-o", wav }, "no parameter named \"Cutoff\"");

    std::ofstream(dir / "bad.mid") << "MThd garbage";
    expectFailure({ "-p", probe, (dir / "bad.mid").string(), "-o", wav }, "bad.mid: ");
    std::ofstream(dir / "bad.fxp") << "CcnK";
    expectFailure({ "-p", probe, "--load", (dir / "bad.fxp").string(), midi, "-o", wav }, "bad.fxp: ");
}

TEST_F(RenderCommand, AFailedRunLeavesAnOlderOutputAlone)
{
    const fs::path wav = dir / "out.wav";
    std::ofstream(wav) << "older";
    expectFailure({ "-p", probe, "--param", "Gain=1", midi, "-o", wav }, "several parameters");
    std::ifstream in(wav);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "older");
}

TEST_F(RenderCommand, UsageErrorsExitWithTwo)
{
    for (const auto& args : std::vector<std::vector<std::string>> {
             {}, { "--rate", "fast", midi }, { "--bogus" }, { "--block", "0", midi }, { midi, midi } }) {
        const Outcome result = invoke(args);
        EXPECT_EQ(result.status, 2) << result.output;
        EXPECT_NE(result.output.find("--help"), std::string::npos) << result.output;
    }
    EXPECT_EQ(invoke({ "--help" }).status, 0);
}

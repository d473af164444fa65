// The renderer as its users run it: a subprocess, its exit status, its
// messages, and the files it leaves.

#include "tests/tools/RenderTestSupport.h"
#include "tools/render/ProgramFile.h"
#include "vst2/aeffectx.h"

#include <sndfile.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string output;
};

std::string contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

class RenderCommand : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/zarvex-render-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        log = dir.string() + ".log";
        // One note from 0.25 s to 0.5 s at the default 120 BPM, the file ending at 1 s.
        midi = write("phrase.mid",
            { 'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 12, 0x30, 0x90, 60, 100, 0x30,
                0x80, 60, 0, 0x60, 0xff, 0x2f, 0x00 });
    }
    void TearDown() override
    {
        fs::remove_all(dir);
        fs::remove(log);
    }

    std::string write(const std::string& name, const Bytes& bytes) const
    {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return (dir / name).string();
    }

    Outcome invoke(const std::vector<std::string>& args, const std::string& environment = "") const
    {
        // No argument holds a quote.
        std::string command = environment + " '" ZARVEX_RENDER_PATH "'";
        for (const auto& arg : args)
            command.append(" '").append(arg).append("'");
        const int status = std::system((command + " >" + log + " 2>&1 </dev/null").c_str());
        return { WIFEXITED(status) ? WEXITSTATUS(status) : -1, contents(log) };
    }

    fs::path dir;
    std::string log;
    std::string midi;
    const std::string probe = ZARVEX_PROBE_PLUGIN_PATH;
};

} // namespace

TEST_F(RenderCommand, RendersAStereoWavOfTheMusicAndTheTail)
{
    const fs::path wav = dir / "out.wav";
    const Outcome result
        = invoke({ "-p", probe, "-r", "48000", "--format", "pcm24", "--param", "tail size=0.1", midi, "-o", wav });
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find("wrote " + wav.string()), std::string::npos);
    SF_INFO info {};
    SNDFILE* sound = sf_open(wav.c_str(), SFM_READ, &info);
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.samplerate, 48000);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    // One second of music and the probe's tail of 0.1 * 100000 samples.
    ASSERT_EQ(info.frames, 48000 + 10000);
    std::vector<float> samples(static_cast<size_t>(info.frames * 2));
    sf_readf_float(sound, samples.data(), info.frames);
    sf_close(sound);
    EXPECT_EQ(samples[2 * 11999], 0.0f);
    EXPECT_NEAR(samples[2 * 12000], 100.0f / 127.0f, 1e-6f);
    EXPECT_NEAR(samples[2 * 12000 + 1], -100.0f / 127.0f, 1e-6f);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 2) << "only the MIDI file and the WAV file";
}

TEST_F(RenderCommand, SavedProgramsAndBanksLoadBackWithTheSameValues)
{
    const std::string fxp = (dir / "sound.fxp").string(), fxb = (dir / "sounds.fxb").string();
    const Outcome saving = invoke({ "-p", probe, "--program", "1", "--param", "0=0.125", "--param", "Release=0.75",
        "--save-program", fxp, "--save-bank", fxb });
    ASSERT_EQ(saving.status, 0) << saving.output;
    const std::string bytes = contents(fxp);
    const ProgramFile saved = decodeProgram(Bytes(bytes.begin(), bytes.end()), fxp);
    EXPECT_EQ(saved.program.values, (std::vector<float> { 0.125f, 0.5f, 0.75f, 0.0f }));
    EXPECT_EQ(pluginIdText(saved.pluginId), "Prb1");

    // A fresh probe starts at program 0 with its release at 0; the bank brings back program 1.
    for (const auto& [file, current] : { std::pair { fxp, "current 0" }, { fxb, "current 1" } }) {
        const Outcome info = invoke({ "-p", probe, "--load", file, "--info" });
        ASSERT_EQ(info.status, 0) << info.output;
        const auto line = info.output.find("\"Release\"");
        ASSERT_NE(line, std::string::npos) << info.output;
        EXPECT_NE(info.output.substr(line, info.output.find('\n', line) - line).find("0.750000"), std::string::npos);
        EXPECT_NE(info.output.find(current), std::string::npos) << info.output;
    }
}

TEST_F(RenderCommand, FailuresAreExplainedAndLeaveNoFileNorTouchAnOlderOutput)
{
    const std::string wav = write("out.wav", { 'o', 'l', 'd' });
    const int32_t probeId = vstFourCC('P', 'r', 'b', '1');
    const std::vector<float> four(4, 0.0f);
    // Arguments after "-p PROBE -o OUT.wav"; a later -p or -o takes the place of the earlier one.
    const struct {
        std::vector<std::string> args;
        const char* message;
        const char* environment = "";
    } failures[] = {
        { { "-p", (dir / "missing.so").string(), midi }, "plug-in not found" },
        { { "-p", midi, midi }, "cannot load plug-in" },
        { { midi }, "refused to open", "PROBE_REFUSE=1" },
        { { "-o", (dir / "no-such-dir" / "out.wav").string(), midi }, "cannot write" },
        { { "--param", "Cutoff=0.3", midi }, "no parameter named \"Cutoff\"" },
        { { "--param", "Gain=1", midi }, "several parameters are named \"Gain\" (0, 1)" },
        { { "--param", "4=1", midi }, "parameter 4 does not exist" },
        { { "--program", "2", midi }, "program 2 does not exist" },
        { { write("bad.mid", { 'M', 'T', 'h', 'd', 1 }) }, "bad.mid: " },
        { { "--load", write("bad.fxp", { 'C', 'c', 'n', 'K' }), midi }, "bad.fxp: " },
        { { "--load", write("zvx2.fxp", encodeProgram({ vstFourCC('Z', 'v', 'x', '2'), 1, { "x", four } })), midi },
            "saved for plug-in 'Zvx2'" },
        { { "--load", write("short.fxp", encodeProgram({ probeId, 1, { "x", { 0.0f } } })), midi }, "holds 1" },
        { { "--load", write("many.fxb", encodeBank({ probeId, 1, 0, { 3, { "x", four } } })), midi },
            "holds 3 programs" },
    };
    const auto files = std::distance(fs::directory_iterator(dir), {});
    for (const auto& failure : failures) {
        std::vector<std::string> args = { "-p", probe, "-o", wav };
        args.insert(args.end(), failure.args.begin(), failure.args.end());
        const Outcome result = invoke(args, failure.environment);
        EXPECT_EQ(result.status, 1) << result.output;
        EXPECT_NE(result.output.find("zarvex-render: error: "), std::string::npos) << result.output;
        EXPECT_NE(result.output.find(failure.message), std::string::npos) << result.output;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), files) << "a failed run left a file behind";
        EXPECT_EQ(contents(wav), "old");
    }
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

// The renderer as its users run it: a subprocess, its exit status, its
// messages, and the files it leaves.

#include "tests/tools/RenderTestSupport.h"
#include "tools/render/ProgramFile.h"
#include "vst2/aeffectx.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string output;
};

SF_INFO soundInfo(const fs::path& path) { return readSound(path).info; }

// A file of nothing but time, at 192 ticks a second.
Bytes silentFile(int hours)
{
    Bytes track = variableLength(static_cast<uint32_t>(hours) * 3600 * 192);
    track.insert(track.end(), { 0xff, 0x2f, 0x00 });
    return midiFile({ track });
}

class RenderCommand : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(dir.empty());
        // One note from 0.25 s to 0.5 s at the default 120 BPM, the file ending at 1 s.
        midi = write("phrase.mid",
            { 'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 12, 0x30, 0x90, 60, 100,
                0x30, 0x80, 60, 0, 0x60, 0xff, 0x2f, 0x00 });
    }

    std::string write(const std::string& name, const Bytes& bytes) const
    {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return (dir / name).string();
    }

    // The environment (assignments, or a "cd DIR &&") goes before the
    // command; standard output goes to the log unless redirected.
    Outcome invoke(const std::vector<std::string>& args, const std::string& environment = "",
        const std::string& redirections = "</dev/null") const
    {
        // No argument holds a quote.
        std::string command = environment + " '" ZARVEX_RENDER_PATH "'";
        for (const auto& arg : args)
            command.append(" '").append(arg).append("'");
        const int status = std::system((command + " >" + log + " 2>&1 " + redirections).c_str());
        return { WIFEXITED(status) ? WEXITSTATUS(status) : -1, contents(log) };
    }

    long files() const { return static_cast<long>(std::distance(fs::directory_iterator(dir), {})); }

    // The log sits beside the folder, so that counting its files leaves it out.
    ScratchDir scratch { "zarvex-render-test" }, logDir { "zarvex-render-log" };
    const fs::path& dir = scratch.path;
    const std::string log = (logDir.path / "log").string();
    std::string midi;
    const std::string probe = ZARVEX_PROBE_PLUGIN_PATH;
};

} // namespace

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

    // A fresh probe starts at program 0 with its release at 0; the bank
    // brings back program 1 unless the command line names another.
    const struct {
        std::vector<std::string> args;
        const char* current;
    } loads[] = { { { "--load", fxp }, "current 0" }, { { "--load", fxb }, "current 1" },
        { { "--program", "0", "--load", fxb, "--param", "Release=0.75" }, "current 0" } };
    for (const auto& [args, current] : loads) {
        std::vector<std::string> all = { "-p", probe, "--info" };
        all.insert(all.end(), args.begin(), args.end());
        const Outcome info = invoke(all);
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
        std::string message;
        const char* environment = "";
    } failures[] = {
        { { "-p", (dir / "missing.so").string(), midi }, "plug-in not found" },
        { { "-p", midi, midi }, "cannot load plug-in" },
        { { midi }, "refused to open", "PROBE_REFUSE=1" },
        // A disk that fills up: files may not grow past 32 kB.
        { { midi }, "cannot write " + wav + ": File too large", "ulimit -f 64; trap '' XFSZ;" },
        { { "-o", (dir / "no-such-dir" / "out.wav").string(), midi }, "cannot write" },
        { { "--param", "Cutoff=0.3", midi }, "no parameter named \"Cutoff\"" },
        { { "--param", "Gain=1", midi }, "several parameters are named \"Gain\" (0, 1)" },
        { { "--param", "4=1", midi }, "parameter 4 does not exist" },
        { { "--program", "2", midi }, "program 2 does not exist" },
        { { write("bad.mid", { 'M', 'T', 'h', 'd', 1 }) }, "bad.mid: " },
        { { "--load", write("zvx2.fxp", encodeProgram({ vstFourCC('Z', 'v', 'x', '2'), 1, { "x", four } })), midi },
            "saved for plug-in 'Zvx2'" },
        { { "--load", write("short.fxp", encodeProgram({ probeId, 1, { "x", { 0.0f } } })), midi }, "holds 1" },
        { { "--load", write("many.fxb", encodeBank({ probeId, 1, 0, { 3, { "x", four } } })), midi },
            "holds 3 programs" },
        { { "--load", write("loud.fxp", encodeProgram({ probeId, 1, { "x", { 0.5f, 0.5f, 100.0f, 0.0f } } })), midi },
            "parameter 2 \"Release\" is outside 0..1" },
        { { "--params", write("loud.params", Bytes { '#', '\n', 'R', 'e', 'l', 'e', 'a', 's', 'e', '=', '2' }), midi },
            "loud.params:2: the value 2 of \"Release\" is outside 0..1" },
        // A byte-order mark before the first line, an unknown name holding an escape on the second.
        { { "--params", write("names.params", Bytes { 0xef, 0xbb, 0xbf, '2', '=', '0', '\n', 'X', 0x1b, '[', 'J', '=', '0' }),
              midi },
            "names.params:2: the plug-in has no parameter named \"X\\x1b[J\"" },
        { { write("days.mid", silentFile(77)) }, "77 hours" },
        { { "-r", "8000", write("long.mid", silentFile(19)), "-o", (dir / "long.aiff").string() },
            "more than an AIFF file holds" },
    };
    const auto before = files();
    for (const auto& failure : failures) {
        std::vector<std::string> args = { "-p", probe, "-o", wav };
        args.insert(args.end(), failure.args.begin(), failure.args.end());
        const Outcome result = invoke(args, failure.environment);
        EXPECT_EQ(result.status, 1) << result.output;
        EXPECT_NE(result.output.find("zarvex-render: error: "), std::string::npos) << result.output;
        EXPECT_NE(result.output.find(failure.message), std::string::npos) << result.output;
        EXPECT_EQ(result.output.find('\x1b'), std::string::npos) << "a control character reached the terminal";
        EXPECT_EQ(files(), before) << "a failed run left a file behind";
        EXPECT_EQ(contents(wav), "old");
    }
}

TEST_F(RenderCommand, UsageErrorsExitWithTwo)
{
    const std::pair<std::vector<std::string>, const char*> usages[] = {
        { {}, "no MIDI file" },
        { { "--rate", "fast", midi }, "--rate" },
        { { "--rate", "400000", midi }, "--rate wants a number from 8000 to 384000" },
        { { "--bogus" }, "unknown option" },
        { { "--block", "0", midi }, "--block" },
        { { midi, midi }, "the same file" },
        { { "--param", "Release", midi }, "no '='" },
        { { "--param", "-0.5:Release=0", midi }, "a negative time" },
        { { "--param", "Release=100", midi }, "the value 100 of \"Release\" is outside 0..1" },
        { { "--info", "--program", "-1" }, "from 0 to 1048576" },
        { { midi, "-o", "x.mp3" }, "cannot tell the sound format" },
        { { "--tail", "40", "--max-tail", "10", midi }, "--tail is longer than --max-tail" },
        { { midi, "--save-program", "" }, "--save-program needs a value" },
    };
    for (const auto& [args, message] : usages) {
        const Outcome result = invoke(args);
        EXPECT_EQ(result.status, 2) << result.output;
        EXPECT_NE(result.output.find(message), std::string::npos) << result.output;
        EXPECT_NE(result.output.find("--help"), std::string::npos) << result.output;
    }
    EXPECT_EQ(invoke({ "--help", "--bogus" }).status, 0);
    const Outcome version = invoke({ "--version" });
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output.rfind("zarvex-render ", 0), 0u) << version.output;
    // A report that cannot be written is a failure.
    EXPECT_EQ(invoke({ "-p", probe, "--info" }, "", ">/dev/full").status, 1);
}

TEST_F(RenderCommand, NoOutputIsEverOneOfTheInputsUnderAnyName)
{
    const std::string original = contents(midi);
    const std::string fxp = (dir / "sound.fxp").string();
    ASSERT_EQ(invoke({ "-p", probe, "--save-program", fxp }).status, 0);
    fs::create_symlink(midi, dir / "link.wav");
    fs::create_hard_link(midi, dir / "hard.wav");
    const std::string other = (dir / "x.wav").string();
    const std::vector<std::vector<std::string>> cases = {
        { midi, "-o", (dir / "." / "phrase.mid").string() },
        { midi, "-o", (dir / ".." / dir.filename() / "phrase.mid").string() },
        { midi, "-o", (dir / "link.wav").string() }, { midi, "-o", (dir / "hard.wav").string() },
        { midi, "--save-bank", (dir / "hard.wav").string() },
        { midi, "--save-program", other, "-o", (dir / "." / "x.wav").string() },
        { "--load", fxp, "--save-program", (dir / "." / "sound.fxp").string() },
        { midi, "-o", "-" }, // standard output is the MIDI file itself
    };
    const auto before = files();
    for (const auto& args : cases) {
        std::vector<std::string> all = { "-p", probe };
        all.insert(all.end(), args.begin(), args.end());
        const Outcome result = invoke(all, "", ">>" + midi + " </dev/null");
        EXPECT_EQ(result.status, 2) << args.back() << ": " << result.output;
        EXPECT_NE(result.output.find("is the same file as"), std::string::npos) << result.output;
        EXPECT_EQ(contents(midi), original) << args.back();
        EXPECT_EQ(files(), before) << args.back();
    }
}

TEST_F(RenderCommand, LinksPipesAndDevicesAreWrittenThroughNotReplaced)
{
    // A symbolic link (relative to its folder): the file it points to takes the sound.
    const fs::path target = write("target.wav", { 'o', 'l', 'd' });
    fs::create_symlink("target.wav", dir / "link.wav");
    ASSERT_EQ(invoke({ "-p", probe, midi, "-o", (dir / "link.wav").string() }).status, 0);
    EXPECT_TRUE(fs::is_symlink(dir / "link.wav"));
    EXPECT_EQ(soundInfo(target).frames, 44100);

    // A pipe gets the whole file; it stays a pipe.
    const fs::path fifo = dir / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto received = std::async(std::launch::async, [&] { return contents(fifo); });
    ASSERT_EQ(invoke({ "-p", probe, midi, "-o", fifo.string() }).status, 0);
    EXPECT_EQ(received.get(), contents(target));
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A device stays a device (as root, this is where /dev/null was lost).
    const fs::path device = dir / "null";
    if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        ASSERT_EQ(invoke({ "-p", probe, midi, "-o", device.string() }).status, 0);
        EXPECT_TRUE(fs::is_character_file(device));
    }

    // A file without write permission is left alone, even for root.
    const std::string locked = write("locked.wav", { 'o', 'l', 'd' });
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const Outcome refused = invoke({ "-p", probe, midi, "-o", locked });
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("read-only"), std::string::npos) << refused.output;
    EXPECT_EQ(contents(locked), "old");

    // A plug-in that kills the process leaves no scratch file behind.
    const auto before = files();
    EXPECT_NE(invoke({ "-p", probe, midi, "-o", (dir / "crash.wav").string() }, "PROBE_ABORT=1").status, 0);
    EXPECT_EQ(files(), before);
}

TEST_F(RenderCommand, AFilterBetweenPipesGivesTheSameBytesAsAFileRun)
{
    const fs::path file = dir / "file.wav", piped = dir / "piped.wav";
    ASSERT_EQ(invoke({ "-p", probe, midi, "-o", file }).status, 0);
    // The float format's peak chunk once carried the time of writing.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    const Outcome result = invoke({ "-p", probe, "-", "-o", "-" }, "", "<" + midi + " >" + piped.string());
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find("wrote standard output"), std::string::npos) << "the report goes to the log";
    EXPECT_EQ(contents(piped), contents(file));
}

TEST_F(RenderCommand, HeldNotesAreReleasedAtTheEndOfAMillionEvents)
{
    // A million controller messages, one a tick, then a note left held.
    Bytes track;
    for (int i = 0; i < 1000000; ++i)
        track.insert(track.end(), { 0x01, 0xb0, 74, static_cast<uint8_t>(i & 0x7f) });
    track.insert(track.end(), { 0x00, 0x90, 60, 127, 0x60, 0xff, 0x2f, 0x00 });
    const fs::path wav = dir / "crowded.wav";
    const Outcome result = invoke(
        { "-p", probe, "-r", "8000", "--param", "Release=0.3", write("crowded.mid", midiFile({ track })), "-o", wav });
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find("1 note still held at the end was released"), std::string::npos) << result.output;
    // 1000096 ticks at 192 a second, then the 300-sample release instead of the 30 s cap.
    EXPECT_EQ(soundInfo(wav).frames, std::llround(1000096 * 8000.0 / 192) + 300);
}

TEST_F(RenderCommand, AWavOverFourGigabytesIsWrittenAsRf64)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "half a billion samples take too long with the sanitizers";
#endif
    // 19 hours of silence at 8 kHz: 4.4 GB of float samples.
    const fs::path wav = dir / "long.wav";
    const Outcome result
        = invoke({ "-p", probe, "-r", "8000", "--tail", "0", write("long.mid", silentFile(19)), "-o", wav });
    ASSERT_EQ(result.status, 0) << result.output;
    const SF_INFO info = soundInfo(wav);
    EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_RF64);
    EXPECT_EQ(info.frames, int64_t { 19 } * 3600 * 8000);
}

TEST_F(RenderCommand, BehavesLikeTheAudioToolsPeopleKnow)
{
    const fs::path out = dir / "out";
    fs::create_directory(out);
    fs::copy_file(midi, dir / "-second.mid");
    // Several files into a directory; "--" ends the options; -q prints nothing.
    Outcome result
        = invoke({ "-q", "-p", probe, "-o", out.string(), midi, "--", "-second.mid" }, "cd " + dir.string() + " &&");
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(soundInfo(out / "phrase.wav").frames, 44100);
    EXPECT_EQ(soundInfo(out / "-second.wav").frames, 44100);

    // The container follows the extension, the sample format follows -f.
    const std::tuple<const char*, std::vector<std::string>, int> formats[] = {
        { "x.flac", {}, SF_FORMAT_FLAC | SF_FORMAT_PCM_24 },
        { "x.flac", { "-f", "pcm16" }, SF_FORMAT_FLAC | SF_FORMAT_PCM_16 },
        { "x.ogg", {}, SF_FORMAT_OGG | SF_FORMAT_VORBIS },
        { "x.aiff", { "-f", "pcm24" }, SF_FORMAT_AIFF | SF_FORMAT_PCM_24 },
        { "x.wav", {}, SF_FORMAT_WAV | SF_FORMAT_FLOAT },
    };
    for (const auto& [name, options, format] : formats) {
        std::vector<std::string> args = { "-p", probe, midi, "-o", (dir / name).string() };
        args.insert(args.end(), options.begin(), options.end());
        ASSERT_EQ(invoke(args).status, 0) << name;
        EXPECT_EQ(soundInfo(dir / name).format, format) << name;
    }

    // A tail longer than the default cap is what was asked for.
    ASSERT_EQ(invoke({ "-p", probe, "--tail", "40", midi, "-o", (dir / "tail.wav").string() }).status, 0);
    EXPECT_EQ(soundInfo(dir / "tail.wav").frames, 41 * 44100);

    // Clipping is reported; an effect that ignores MIDI is named; a plug-in
    // named without a folder is the file in the current one.
    result = invoke(
        { "-p", probe, "-f", "pcm16", "--param", "0=1", midi, "-o", (dir / "loud.wav").string() }, "PROBE_EFFECT=1");
    EXPECT_NE(result.output.find("samples were clipped"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("is an effect"), std::string::npos) << result.output;

    // Dither moves a quiet steady level (51.6 steps of 16 bits) between steps.
    for (const bool dither : { false, true }) {
        const fs::path wav = dir / "quiet.wav";
        std::vector<std::string> args = { "-p", probe, "-f", "pcm16", "--param", "0=0.001", midi, "-o", wav };
        if (dither)
            args.push_back("--dither");
        ASSERT_EQ(invoke(args).status, 0);
        const auto samples = readSound(wav).samples;
        // The left channel while the note sounds (0.25 s to 0.5 s).
        std::set<float> levels;
        for (size_t i = 2 * 12000; i < 2 * 21000; i += 2)
            levels.insert(samples[i]);
        EXPECT_EQ(levels.size() > 1, dither) << levels.size();
    }
    const fs::path probePath = probe;
    result
        = invoke({ "-p", probePath.filename().string(), "--info" }, "cd " + probePath.parent_path().string() + " &&");
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find("Name:       Probe"), std::string::npos) << result.output;
}

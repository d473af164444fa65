// The renderer as its users run it: a subprocess, its exit status, its
// messages, and the files it leaves.

#include "tests/tools/RenderTestSupport.h"
#include "tools/render/Files.h"
#include "tools/render/ProgramFile.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cmath>
#include <future>
#include <regex>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string output;
};

SF_INFO soundInfo(const fs::path& path) { return readSound(path, true).info; }

// A file of nothing but time, at 192 ticks a second: one delta time of
// four bytes, seven bits in each.
Bytes silentFile(uint32_t hours)
{
    const uint32_t ticks = hours * 3600 * 192;
    return midiFile({ { static_cast<uint8_t>(0x80 | ticks >> 21), static_cast<uint8_t>(0x80 | (ticks >> 14 & 0x7f)),
        static_cast<uint8_t>(0x80 | (ticks >> 7 & 0x7f)), static_cast<uint8_t>(ticks & 0x7f), 0xff, 0x2f, 0x00 } });
}

class RenderCommand : public testing::Test {
protected:
    std::string write(const std::string& name, const Bytes& bytes) const
    {
        std::ofstream(dir / name, std::ios::binary) << std::string(bytes.begin(), bytes.end());
        return (dir / name).string();
    }

    // The command with the probe as its plug-in (a later -p takes its place).
    // The environment (assignments, or a "cd DIR &&") goes before the
    // command; standard output goes to the log unless redirected.
    Outcome invoke(const std::vector<std::string>& args, const std::string& environment = "",
        const std::string& redirections = "</dev/null") const
    {
        // No argument holds a quote.
        std::string command = environment + " '" ZARVEX_RENDER_PATH "' -p '" + probe + "'";
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
    const std::string probe = ZARVEX_PROBE_PLUGIN_PATH;
    // One note from 0.25 s to 0.5 s at the default 120 BPM, the file ending at 1 s.
    const std::string midi
        = write("phrase.mid", midiFile({ { 0x30, 0x90, 60, 100, 0x30, 0x80, 60, 0, 0x60, 0xff, 0x2f, 0x00 } }));
};

} // namespace

TEST_F(RenderCommand, SavedProgramsAndBanksLoadBackWithTheSameValues)
{
    const std::string fxp = (dir / "sound.fxp").string(), fxb = (dir / "sounds.fxb").string();
    const Outcome saving = invoke({ "--program", "1", "--param", "0=0.125", "--param", "Release=0.75",
        "--save-program", fxp, "--save-bank", fxb });
    ASSERT_EQ(saving.status, 0) << saving.output;
    const ProgramFile saved = decodeProgram(readWholeFile(fxp, "program", 1 << 20), fxp);
    EXPECT_EQ(saved.program.values, (std::vector<float> { 0.125f, 0.5f, 0.75f, 0.0f }));

    // A fresh probe starts at program 0 with its release at 0; a bank brings
    // back the program it was saved at unless the command line names another.
    const std::string first = write("first.fxb",
        encodeBank({ vstFourCC('P', 'r', 'b', '1'), 3, 0, { 2, { "x", { 0.5f, 0.5f, 0.75f, 0.0f } } } }));
    const std::pair<std::vector<std::string>, const char*> loads[] = { { { "--info", "--load", fxp }, "current 0" },
        { { "--info", "--load", fxb }, "current 1" }, { { "--info", "--load", first }, "current 0" },
        { { "--info", "--program", "0", "--load", fxb, "--param", "Release=0.75" }, "current 0" } };
    for (const auto& [args, current] : loads) {
        const Outcome info = invoke(args);
        ASSERT_EQ(info.status, 0) << info.output;
        EXPECT_TRUE(std::regex_search(info.output, std::regex("\"Release\" +0\\.750000 "))) << info.output;
        EXPECT_NE(info.output.find(current), std::string::npos) << info.output;
    }
}

TEST_F(RenderCommand, RefusalsAreExplainedAndLeaveEveryFileAsItWas)
{
    const std::string wav = write("out.wav", { 'o', 'l', 'd' }), locked = write("locked.wav", { 'o', 'l', 'd' });
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string fxp = (dir / "sound.fxp").string();
    ASSERT_EQ(invoke({ "--save-program", fxp }).status, 0);
    fs::create_symlink(midi, dir / "link.wav");
    fs::create_hard_link(midi, dir / "hard.wav");
    const int32_t probeId = vstFourCC('P', 'r', 'b', '1');
    const std::vector<float> four(4, 0.0f);
    const std::string same = "is the same file as ";
    // Arguments after "-p PROBE -o OUT.wav" (a later -p or -o takes the place
    // of the earlier one); exit status 1 for a failure, 2 for a command not
    // understood.
    const struct {
        std::vector<std::string> args;
        int status;
        std::string message;
        const char* environment = "";
    } refusals[] = {
        { { "-p", (dir / "missing.so").string(), midi }, 1, "plug-in not found" },
        { { "-p", midi, midi }, 1, "cannot load plug-in" },
        { { midi }, 1, "refused to open", "PROBE_REFUSE=1" },
        // A disk that fills up: files may not grow past 32 kB.
        { { midi }, 1, "cannot write " + wav + ": File too large", "ulimit -f 64; trap '' XFSZ;" },
        { { "-o", (dir / "no-such-dir" / "out.wav").string(), midi }, 1, "cannot write" },
        // A file without write permission is left alone, even for root.
        { { "-o", locked, midi }, 1, "read-only" },
        { { "--param", "Cutoff=0.3", midi }, 1, "no parameter named \"Cutoff\"" },
        { { "--param", "Gain=1", midi }, 1, "several parameters are named \"Gain\" (0, 1)" },
        { { "--param", "4=1", midi }, 1, "parameter 4 does not exist" },
        { { "--program", "2", midi }, 1, "program 2 does not exist" },
        { { write("bad.mid", { 'M', 'T', 'h', 'd', 1 }) }, 1, "bad.mid: " },
        { { "--load", write("zvx2.fxp", encodeProgram({ vstFourCC('Z', 'v', 'x', '2'), 1, { "x", four } })), midi }, 1,
            "saved for plug-in 'Zvx2'" },
        { { "--load", write("short.fxp", encodeProgram({ probeId, 1, { "x", { 0.0f } } })), midi }, 1, "holds 1" },
        { { "--load", write("many.fxb", encodeBank({ probeId, 1, 0, { 3, { "x", four } } })), midi }, 1,
            "holds 3 programs" },
        { { "--load", write("loud.fxp", encodeProgram({ probeId, 1, { "x", { 0.5f, 0.5f, 100.0f, 0.0f } } })), midi },
            1, "parameter 2 \"Release\" is outside 0..1" },
        { { "--params", write("loud.params", Bytes { '#', '\n', 'R', 'e', 'l', 'e', 'a', 's', 'e', '=', '2' }), midi },
            1, "loud.params:2: the value 2 of \"Release\" is outside 0..1" },
        // A byte-order mark before the first line, an unknown name holding an escape on the second.
        { { "--params",
              write("names.params", Bytes { 0xef, 0xbb, 0xbf, '2', '=', '0', '\n', 'X', 0x1b, '[', 'J', '=', '0' }),
              midi },
            1, "names.params:2: the plug-in has no parameter named \"X\\x1b[J\"" },
        { { write("days.mid", silentFile(77)) }, 1, "77 hours" },
        { { "-r", "8000", write("long.mid", silentFile(19)), "-o", (dir / "long.aiff").string() }, 1,
            "more than an AIFF file holds" },
        { {}, 2, "an output file needs a MIDI file" },
        { { "--rate", "fast", midi }, 2, "--rate" },
        { { "--rate", "400000", midi }, 2, "--rate wants a number from 8000 to 384000" },
        { { "--bogus" }, 2, "unknown option" },
        { { "--block", "0", midi }, 2, "--block" },
        { { "--param", "Release", midi }, 2, "no '='" },
        { { "--param", "-0.5:Release=0", midi }, 2, "a negative time" },
        { { "--param", "Release=100", midi }, 2, "the value 100 of \"Release\" is outside 0..1" },
        { { "--info", "--program", "-1" }, 2, "from 0 to 1048576" },
        { { midi, "-o", "x.mp3" }, 2, "cannot tell the sound format" },
        { { "--tail", "40", "--max-tail", "10", midi }, 2, "--tail is longer than --max-tail" },
        { { midi, "--save-program", "" }, 2, "--save-program needs a value" },
        // No output is ever one of the inputs, nor another output, under any name.
        { { midi, midi, "-o", dir.string() }, 2, same + "the output" },
        { { midi, "-o", (dir / ".." / dir.filename() / "phrase.mid").string() }, 2, same + "the MIDI file" },
        { { midi, "-o", (dir / "link.wav").string() }, 2, same + "the MIDI file" },
        { { midi, "-o", (dir / "hard.wav").string() }, 2, same + "the MIDI file" },
        { { midi, "--save-bank", (dir / "hard.wav").string() }, 2, same + "the MIDI file" },
        { { midi, "--save-program", (dir / "x.wav").string(), "-o", (dir / "." / "x.wav").string() }, 2,
            same + "the output" },
        { { "--load", fxp, "--save-program", (dir / "." / "sound.fxp").string(), midi }, 2, same + "the loaded file" },
        { { midi, "-o", "-" }, 2, same + "the MIDI file" }, // standard output is the MIDI file itself
    };
    const std::string original = contents(midi);
    const auto before = files();
    for (const auto& [args, status, message, environment] : refusals) {
        std::vector<std::string> all = { "-o", wav };
        all.insert(all.end(), args.begin(), args.end());
        // Standard output is appended to the MIDI file, which must stay as it is.
        const Outcome result = invoke(all, environment, ">>" + midi + " </dev/null");
        EXPECT_EQ(result.status, status) << result.output;
        EXPECT_NE(result.output.find(message), std::string::npos) << result.output;
        EXPECT_NE(result.output.find(status == 1 ? "zarvex-render: error: " : "--help"), std::string::npos)
            << result.output;
        EXPECT_EQ(result.output.find('\x1b'), std::string::npos) << "a control character reached the terminal";
        EXPECT_EQ(files(), before) << "a refused run left a file behind";
        EXPECT_EQ(contents(wav) + contents(locked) + contents(midi), "oldold" + original) << message;
    }
}

TEST_F(RenderCommand, LinksPipesAndDevicesAreWrittenThroughNotReplaced)
{
    // A symbolic link (relative to its folder): the file it points to takes the sound.
    const fs::path target = write("target.wav", { 'o', 'l', 'd' });
    fs::create_symlink("target.wav", dir / "link.wav");
    ASSERT_EQ(invoke({ midi, "-o", (dir / "link.wav").string() }).status, 0);
    EXPECT_TRUE(fs::is_symlink(dir / "link.wav"));
    EXPECT_EQ(soundInfo(target).frames, 44100);

    // A pipe gets the whole file; it stays a pipe.
    const fs::path fifo = dir / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto received = std::async(std::launch::async, [&] { return contents(fifo); });
    ASSERT_EQ(invoke({ midi, "-o", fifo.string() }).status, 0);
    EXPECT_EQ(received.get(), contents(target));
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A device stays a device (as root, this is where /dev/null was lost).
    const fs::path device = dir / "null";
    if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        ASSERT_EQ(invoke({ midi, "-o", device.string() }).status, 0);
        EXPECT_TRUE(fs::is_character_file(device));
    }

    // A filter between pipes gives the same bytes as a file run. The float
    // format's peak chunk once carried the time of writing.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    const Outcome filter = invoke({ "-", "-o", "-" }, "", "<" + midi + " >" + (dir / "piped.wav").string());
    ASSERT_EQ(filter.status, 0) << filter.output;
    EXPECT_NE(filter.output.find("wrote standard output"), std::string::npos) << "the report goes to the log";
    EXPECT_EQ(contents(dir / "piped.wav"), contents(target));

    // A plug-in that kills the process leaves no scratch file behind.
    const auto before = files();
    EXPECT_NE(invoke({ midi, "-o", (dir / "crash.wav").string() }, "PROBE_ABORT=1").status, 0);
    EXPECT_EQ(files(), before);
}

TEST_F(RenderCommand, AMillionEventsPlayThroughAndTheWarningsSayWhatHappened)
{
    // A million controller messages, one a tick, then a note left held.
    Bytes track;
    for (int i = 0; i < 1000000; ++i)
        track.insert(track.end(), { 0x01, 0xb0, 74, static_cast<uint8_t>(i & 0x7f) });
    track.insert(track.end(), { 0x00, 0x90, 60, 127, 0x60, 0xff, 0x2f, 0x00 });
    const fs::path wav = dir / "crowded.wav";
    // Twice full scale into 16 bits, by a plug-in that calls itself an effect.
    const Outcome result = invoke({ "-r", "8000", "-f", "pcm16", "--param", "0=1", "--param", "Release=0.3",
                                      write("crowded.mid", midiFile({ track })), "-o", wav },
        "PROBE_EFFECT=1");
    ASSERT_EQ(result.status, 0) << result.output;
    for (const char* warning : { "1 note still held at the end was released", "samples were clipped", "is an effect" })
        EXPECT_NE(result.output.find(warning), std::string::npos) << result.output;
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
    const Outcome result = invoke({ "-r", "8000", "--tail", "0", write("long.mid", silentFile(19)), "-o", wav });
    ASSERT_EQ(result.status, 0) << result.output;
    const SF_INFO info = soundInfo(wav);
    EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_RF64);
    EXPECT_EQ(info.frames, int64_t { 19 } * 3600 * 8000);
}

TEST_F(RenderCommand, BehavesLikeTheAudioToolsPeopleKnow)
{
    const std::string inDir = "cd " + dir.string() + " &&";
    fs::create_directory(dir / "out");
    fs::copy_file(midi, dir / "-second.mid");
    // Several files into a directory; "--" ends the options; -q prints nothing.
    Outcome result = invoke({ "-q", "-o", "out", "phrase.mid", "--", "-second.mid" }, inDir);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(soundInfo(dir / "out" / "phrase.wav").frames, 44100);
    EXPECT_EQ(soundInfo(dir / "out" / "-second.wav").frames, 44100);

    // The container follows the extension, the sample format follows -f; a
    // tail longer than the default cap is what was asked for.
    const std::tuple<const char*, std::vector<std::string>, int, int> renders[] = {
        { "x.flac", {}, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100 },
        { "y.flac", { "-f", "pcm16" }, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100 },
        { "x.ogg", {}, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100 },
        { "x.aiff", { "-f", "pcm24" }, SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 44100 },
        { "x.wav", { "--tail", "40" }, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 41 * 44100 },
    };
    for (auto [name, args, format, frames] : renders) {
        args.insert(args.end(), { "phrase.mid", "-o", name });
        ASSERT_EQ(invoke(args, inDir).status, 0) << name;
        EXPECT_EQ(soundInfo(dir / name).format, format) << name;
        EXPECT_EQ(soundInfo(dir / name).frames, frames) << name;
    }

    // Dither moves a quiet steady level (51.6 steps of 16 bits) between
    // steps: the left channel while the note sounds (0.25 s to 0.5 s).
    for (const std::string dither : { "--no-progress", "--dither" }) {
        const fs::path wav = dir / "quiet.wav";
        ASSERT_EQ(invoke({ "-f", "pcm16", "--param", "0=0.001", dither, midi, "-o", wav }).status, 0);
        const auto samples = readSound(wav).samples;
        std::set<float> levels;
        for (size_t i = 2 * 12000; i < 2 * 21000; i += 2)
            levels.insert(samples[i]);
        EXPECT_EQ(levels.size() > 1, dither == "--dither") << levels.size();
    }
    // A plug-in named without a folder is the file in the current one.
    const fs::path probePath = probe;
    result
        = invoke({ "-p", probePath.filename().string(), "--info" }, "cd " + probePath.parent_path().string() + " &&");
    EXPECT_NE(result.output.find("Unique ID:  'Prb1'"), std::string::npos) << result.output;
    // A report that cannot be written is a failure.
    EXPECT_EQ(invoke({ "--info" }, "", ">/dev/full").status, 1);

    // Help and version answer whatever else the line holds; nothing to do is
    // a command not understood.
    EXPECT_EQ(invoke({ "--help", "--bogus" }).status, 0);
    EXPECT_NE(invoke({}).output.find("no MIDI file given"), std::string::npos);
    EXPECT_EQ(invoke({ "--version" }).output.rfind("zarvex-render ", 0), 0u);
}

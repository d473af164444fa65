// zarvex-bench: what a phrase costs through the loaded plug-in, next to other
// synthesizers measured in the same run so that the ratios hold on a busy
// machine. Every run renders the phrase on a fresh instance and counts its
// creation; the runs of all plug-ins and patches take turns. The instance
// figures come from a separate process per plug-in, so that no plug-in
// inherits memory another one freed.
//
//     zarvex-bench [--runs N] [--instances N] [--no-peers] [--only TEXT] [--baseline PATH]
//
// --only keeps the plug-ins and patches whose label contains TEXT (for a
// profiler); --baseline adds another build of the plug-in (an earlier
// version, say) with the same patches.

#include "plugin/Parameters.h"
#include "tests/support/PatchValues.h"
#include "vst2/VstHost.h"

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef ZARVEX_PLUGIN_PATH
#error "the benchmark needs the path of the built plug-in"
#endif

namespace {

using Clock = std::chrono::steady_clock;

constexpr float kRate = 44100.0f;
constexpr int32_t kBlock = 256;
constexpr int kNotes = 80;
constexpr double kStepSeconds = 0.125; // sixteenth notes at 120 bpm
constexpr double kPhraseSeconds = kNotes * kStepSeconds;
constexpr int32_t kPhraseFrames = static_cast<int32_t>(kPhraseSeconds * kRate);
constexpr uint8_t kKeys[] = { 45, 57, 48, 60, 52, 64, 43, 55 };

struct Setting {
    int32_t index;
    float value;
};

struct Subject {
    std::string label;
    std::string path;
    std::vector<Setting> patch;
};

const std::vector<Setting> kTypicalBass = {
    { kO1Wave, patch::wave(6) },
    { kO1Density, patch::voices(7) },
    { kO1DetStart, 0.2f / 12 },
    { kO1DetEnd, 0.2f / 12 },
    { kFilterMode, patch::mode(10) },
    { kStages, patch::stages(4) },
    { kCutoff, patch::cutoffHz(300) },
    { kReso, patch::resonance(2.5) },
    { kFiltPeak, (36.0f + 96.0f) / 192.0f },
    { kFiltDecay, 150.0f / 2000.0f },
};

const std::vector<Setting> kHeavy = {
    { kO1Wave, patch::wave(6) },
    { kO1Density, patch::voices(127) },
    { kO1DetStart, 0.5f / 12 },
    { kO1DetEnd, 0.5f / 12 },
    { kO2Wave, patch::wave(5) },
    { kO3Wave, patch::wave(7) },
    { kModulation, patch::modulation(2) },
    { kFMbyO2Start, 0.3f / 30 },
    { kFMbyO2End, 0.3f / 30 },
    { kAMbyO3Start, 0.2f },
    { kAMbyO3End, 0.2f },
    { kRM23Start, patch::decibels(-12) },
    { kRM23End, patch::decibels(-12) },
    { kVibWave, patch::wave(3) },
    { kVibSpeed, 5.0f / 20 },
    { kVibDepth, 0.01f },
    { kFilterMode, patch::mode(12) },
    { kStages, patch::stages(4) },
    { kCutoff, patch::cutoffHz(900) },
    { kReso, patch::resonance(2.0) },
    { kDistMode, patch::mode(2) },
    { kDistDrive, (6.0f + 48.0f) / 96.0f },
};

// The phrase as one list of events with absolute frames: keys cycling,
// velocities 64 ... 126, every fourth note held into the next.
std::vector<VstMidiEvent> phrase()
{
    std::vector<VstMidiEvent> events;
    const double step = kStepSeconds * kRate;
    for (int i = 0; i < kNotes; ++i) {
        const auto on = static_cast<int32_t>(std::lround(i * step));
        const uint8_t key = kKeys[i % 8];
        const auto velocity = static_cast<uint8_t>(64 + (i * 23) % 63);
        const bool legato = i % 4 == 3;
        const auto off
            = legato ? static_cast<int32_t>(std::lround((i + 1) * step)) + 64 : on + static_cast<int32_t>(0.75 * step);
        events.push_back(makeMidiEvent(on, 0x90, key, velocity));
        events.push_back(makeMidiEvent(std::min(off, kPhraseFrames - 1), 0x80, key, 0));
    }
    std::stable_sort(events.begin(), events.end(),
        [](const VstMidiEvent& a, const VstMidiEvent& b) { return a.deltaFrames < b.deltaFrames; });
    return events;
}

// Creates, opens, sets the rate and resumes.
bool start(VstHost& host, const Subject& subject)
{
    if (!host.load(subject.path)) {
        std::fprintf(stderr, "%s: %s\n", subject.label.c_str(), host.error().c_str());
        return false;
    }
    host.start(kRate, kBlock);
    for (const Setting& setting : subject.patch)
        host.effect()->setParameter(host.effect(), setting.index, setting.value);
    return true;
}

// Seconds for one fresh instance to be created and to render the phrase.
double renderPhrase(const Subject& subject, const std::vector<VstMidiEvent>& events)
{
    std::vector<std::vector<float>> channels(8, std::vector<float>(kBlock));
    std::vector<float*> outputs;
    for (auto& channel : channels)
        outputs.push_back(channel.data());
    std::vector<float> silence(kBlock);
    std::vector<float*> inputs(8, silence.data());
    std::vector<VstMidiEvent> block;

    const auto begin = Clock::now();
    VstHost host;
    if (!start(host, subject))
        return NAN;
    AEffect* effect = host.effect();
    size_t next = 0;
    for (int32_t frame = 0; frame < kPhraseFrames; frame += kBlock) {
        const int32_t frames = std::min(kBlock, kPhraseFrames - frame);
        block.clear();
        for (; next < events.size() && events[next].deltaFrames < frame + frames; ++next) {
            block.push_back(events[next]);
            block.back().deltaFrames -= frame;
        }
        if (!block.empty())
            host.sendEvents(block);
        effect->processReplacing(effect, inputs.data(), outputs.data(), frames);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    volatile float sink = channels[0][0];
    (void)sink;
    return seconds;
}

double residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? NAN : values[values.size() / 2];
}

struct InstanceFigures {
    double firstMs = NAN;
    double eachMs = NAN;
    double residentBytes = NAN;
};

// In a child process: the first instance (which may build what all instances
// share), then count more, all kept alive.
InstanceFigures measureInstances(const Subject& subject, int count)
{
    std::fflush(stdout);
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        InstanceFigures figures;
        std::vector<VstHost> hosts(static_cast<size_t>(count + 1));
        auto begin = Clock::now();
        if (start(hosts[0], subject)) {
            figures.firstMs = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
            const double before = residentBytes();
            std::vector<double> times;
            for (int i = 1; i <= count; ++i) {
                begin = Clock::now();
                start(hosts[static_cast<size_t>(i)], subject);
                times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
            }
            figures.eachMs = median(times);
            figures.residentBytes = (residentBytes() - before) / count;
        }
        const ssize_t written = write(fds[1], &figures, sizeof figures);
        _exit(written == sizeof figures ? 0 : 1);
    }
    close(fds[1]);
    InstanceFigures figures;
    if (child < 0 || read(fds[0], &figures, sizeof figures) != sizeof figures)
        figures = {};
    close(fds[0]);
    if (child > 0)
        waitpid(child, nullptr, 0);
    return figures;
}

// Three significant digits for the small factors, whole numbers for the rest.
int precision(double factor) { return factor < 10.0 ? 2 : factor < 100.0 ? 1 : 0; }

std::string cpuModel()
{
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);)
        if (line.rfind("model name", 0) == 0)
            return line.substr(line.find(':') + 2);
    return "unknown";
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    int instances = 8;
    bool peers = true;
    std::string only;
    std::string baseline;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--instances" && i + 1 < argc)
            instances = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--no-peers")
            peers = false;
        else if (arg == "--only" && i + 1 < argc)
            only = argv[++i];
        else if (arg == "--baseline" && i + 1 < argc)
            baseline = argv[++i];
        else {
            std::fprintf(
                stderr, "usage: %s [--runs N] [--instances N] [--no-peers] [--only TEXT] [--baseline PATH]\n", argv[0]);
            return 2;
        }
    }

    std::vector<Subject> subjects = {
        { "Zarvex default", ZARVEX_PLUGIN_PATH, {} },
        { "Zarvex typical bass", ZARVEX_PLUGIN_PATH, kTypicalBass },
        { "Zarvex heavy", ZARVEX_PLUGIN_PATH, kHeavy },
    };
    if (!baseline.empty()) {
        subjects.push_back({ "baseline default", baseline, {} });
        subjects.push_back({ "baseline typical bass", baseline, kTypicalBass });
        subjects.push_back({ "baseline heavy", baseline, kHeavy });
    }
    if (peers) {
        const Subject others[] = {
            { "amsynth default", "/usr/lib/vst/amsynth_vst.so", {} },
            { "Nekobi default", "/usr/lib/vst/Nekobi-vst.so", {} },
            { "ZynAddSubFX default", "/usr/lib/vst/ZynAddSubFX.so", {} },
        };
        for (const Subject& other : others) {
            if (std::filesystem::exists(other.path))
                subjects.push_back(other);
            else
                std::printf("(%s is not installed)\n", other.path.c_str());
        }
    }

    std::erase_if(subjects, [&](const Subject& subject) { return subject.label.find(only) == std::string::npos; });

    std::printf("Machine: %s, %ld cores\n", cpuModel().c_str(), sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("Instances: create, open, set rate and block size, resume; the first loads the library,\n"
                "%d more are kept alive after it\n\n",
        instances);
    std::printf("%-22s %12s %12s %14s\n", "", "first (ms)", "each (ms)", "resident (MB)");
    for (const Subject& subject : subjects) {
        // One row per plug-in: its first patch.
        if (&subject != &subjects.front() && subject.path == (&subject - 1)->path)
            continue;
        const std::string name = subject.label.substr(0, subject.label.find(' '));
        const InstanceFigures figures = measureInstances(subject, instances);
        std::printf("%-22s %12.2f %12.2f %14.2f\n", name.c_str(), figures.firstMs, figures.eachMs,
            figures.residentBytes / (1024.0 * 1024.0));
    }
    std::printf("\n");

    // Libraries stay loaded for the whole run, as in a host: each run pays
    // for an instance, not for loading the library.
    std::vector<void*> libraries;
    for (const Subject& subject : subjects)
        libraries.push_back(dlopen(subject.path.c_str(), RTLD_NOW | RTLD_LOCAL));

    std::printf("Phrase: %d sixteenth notes at 120 bpm (%.0f s) at %.0f Hz in blocks of %d; "
                "median of %d runs, each on a fresh instance, creation included\n\n",
        kNotes, kPhraseSeconds, static_cast<double>(kRate), kBlock, runs);

    const auto events = phrase();
    std::vector<std::vector<double>> seconds(subjects.size());
    for (int run = 0; run < runs; ++run)
        for (size_t s = 0; s < subjects.size(); ++s)
            seconds[s].push_back(renderPhrase(subjects[s], events));

    std::printf("%-22s %12s %12s\n", "", "real time", "best run");
    for (size_t s = 0; s < subjects.size(); ++s) {
        const double best = *std::min_element(seconds[s].begin(), seconds[s].end());
        std::printf("%-22s %11.*fx %11.*fx\n", subjects[s].label.c_str(),
            precision(kPhraseSeconds / median(seconds[s])), kPhraseSeconds / median(seconds[s]),
            precision(kPhraseSeconds / best), kPhraseSeconds / best);
    }

    for (void* library : libraries)
        if (library)
            dlclose(library);
    return 0;
}

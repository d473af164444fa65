#include "tools/render/RenderError.h"
#include "tools/render/RenderJob.h"

#include <iostream>

#include <signal.h>
#include <unistd.h>

namespace {

std::atomic<bool> stopRequested { false };

extern "C" void requestStop(int) { stopRequested = true; }

// Exit statuses: 0 done, 1 failed, 2 not understood.
int failure(const RenderError& error)
{
    if (dynamic_cast<const UsageError*>(&error)) {
        std::cerr << "zarvex-render: " << printable(error.what()) << "\nTry 'zarvex-render --help'.\n";
        return 2;
    }
    std::cerr << "zarvex-render: error: " << printable(error.what()) << '\n';
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    RenderOptions options;
    try {
        options = parseCommandLine(args, ZARVEX_DEFAULT_PLUGIN);
        if (options.help)
            std::cout << usageText(ZARVEX_DEFAULT_PLUGIN);
        else if (options.version)
            std::cout << "zarvex-render " ZARVEX_VERSION "\n";
        else {
            // An interrupt ends the render cleanly, so the partial file is
            // removed; it also breaks a wait (for a pipe's reader), and a
            // second one ends the process at once.
            struct sigaction stop {};
            stop.sa_handler = requestStop;
            stop.sa_flags = SA_RESETHAND;
            sigaction(SIGINT, &stop, nullptr);
            sigaction(SIGTERM, &stop, nullptr);
            runRenderJob(options, std::cout, std::cerr, isatty(STDERR_FILENO) != 0, &stopRequested);
        }
    } catch (const RenderError& error) {
        return failure(error);
    } catch (const std::exception& error) {
        return failure(RenderError(error.what()));
    }
    // A report that did not reach its reader is a failure too.
    if (!std::cout.flush())
        return failure(RenderError("cannot write standard output"));
    return 0;
}

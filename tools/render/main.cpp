#include "tools/render/RenderError.h"
#include "tools/render/RenderJob.h"

#include <csignal>
#include <iostream>

#include <unistd.h>

namespace {

std::atomic<bool> stopRequested { false };

extern "C" void requestStop(int) { stopRequested = true; }

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    RenderOptions options;
    try {
        options = parseCommandLine(args, ZARVEX_DEFAULT_PLUGIN);
    } catch (const UsageError& error) {
        std::cerr << "zarvex-render: " << error.what() << "\nTry 'zarvex-render --help'.\n";
        return 2;
    } catch (const RenderError& error) {
        std::cerr << "zarvex-render: error: " << error.what() << '\n';
        return 1;
    }
    if (options.help) {
        std::cout << usageText(ZARVEX_DEFAULT_PLUGIN);
        return 0;
    }
    // An interrupt ends the render cleanly, so the partial file is removed.
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    try {
        runRenderJob(options, std::cout, std::cerr, isatty(STDERR_FILENO) != 0, &stopRequested);
    } catch (const std::exception& error) {
        std::cerr << "zarvex-render: error: " << error.what() << '\n';
        return 1;
    }
    return 0;
}

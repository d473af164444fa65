#pragma once

#include "tools/render/CommandLine.h"

#include <atomic>
#include <ostream>

// Carries out one command line: reads the inputs first (so their faults show
// before any work), opens the plug-in, applies program, files and settings,
// saves what was asked, prints the report and renders. Throws RenderError;
// on any failure no output file is left behind. Reports go to out, the
// progress bar and warnings to log.
void runRenderJob(const RenderOptions& options, std::ostream& out, std::ostream& log, bool progressOnLog,
    const std::atomic<bool>* stop = nullptr);

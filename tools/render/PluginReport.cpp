#include "tools/render/PluginReport.h"

#include "tools/render/HostedPlugin.h"
#include "tools/render/RenderError.h"

#include <iomanip>
#include <sstream>

namespace {

std::string trimmedRight(std::string text)
{
    const auto last = text.find_last_not_of(" \t");
    text.erase(last == std::string::npos ? 0 : last + 1);
    return text;
}

std::string flagNames(int32_t flags)
{
    static const std::pair<int32_t, const char*> names[] = { { effFlagsIsSynth, "synth" },
        { effFlagsCanReplacing, "replacing" }, { effFlagsCanDoubleReplacing, "double" },
        { effFlagsProgramChunks, "chunks" }, { effFlagsHasEditor, "editor" } };
    std::string text;
    for (const auto& [flag, name] : names)
        if (flags & flag)
            text += (text.empty() ? "" : ", ") + std::string(name);
    return text.empty() ? "none" : text;
}

} // namespace

void printPluginReport(const HostedPlugin& plugin, std::ostream& out)
{
    const AEffect& effect = plugin.effect();
    out << "Plug-in:    " << plugin.path() << '\n'
        << "Name:       " << printable(plugin.text(effGetEffectName)) << '\n'
        << "Product:    " << printable(plugin.text(effGetProductString)) << '\n'
        << "Vendor:     " << printable(plugin.text(effGetVendorString)) << '\n'
        << "Unique ID:  '" << pluginIdText(effect.uniqueID) << "'\n"
        << "Version:    " << effect.version << '\n'
        << "Channels:   " << effect.numInputs << " in, " << effect.numOutputs << " out\n"
        << "Flags:      " << flagNames(effect.flags) << '\n';
    const int64_t tail = plugin.tailSize();
    out << "Tail:       " << (tail < 0 ? std::string("not reported") : std::to_string(tail) + " samples") << " at "
        << plugin.sampleRate() << " Hz\n";

    out << "\nPrograms (" << plugin.programCount() << ", current " << plugin.currentProgram() << "):\n";
    for (int32_t i = 0; i < plugin.programCount(); ++i)
        out << std::setw(5) << i << "  " << printable(plugin.programName(i)) << '\n';

    out << "\nParameters (" << plugin.parameterCount() << "):\n";
    for (int32_t i = 0; i < plugin.parameterCount(); ++i) {
        std::ostringstream value;
        value << std::fixed << std::setprecision(6) << plugin.parameter(i);
        const std::string display = printable(trimmedRight(plugin.text(effGetParamDisplay, i)));
        const std::string label = printable(trimmedRight(plugin.text(effGetParamLabel, i)));
        out << std::setw(5) << i << "  " << std::left << std::setw(26)
            << ('"' + printable(plugin.parameterName(i)) + '"') << std::right << std::setw(10) << value.str() << "  "
            << display << (label.empty() ? "" : " ") << label << '\n';
    }
}

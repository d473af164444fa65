// Writes the turtle files of the LV2 bundle from the parameter table:
// manifest.ttl and zarvex.ttl. Run at build time:
//   make_lv2_ttl <plugin/Parameters.h> <bundle folder> <binary name> <UI binary name> [presets]
// The header gives the parameters' identifiers, from which the port symbols
// are made; everything else comes from the table itself. A fifth argument
// names a presets file of the bundle, which the plug-in's data then includes.
#include "dsp/Oscillator.h"
#include "lv2/ControlPorts.h"
#include "lv2/Lv2Uris.h"
#include "lv2/ParameterSymbols.h"
#include "plugin/ParameterText.h"
#include "plugin/Parameters.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

std::string trimmed(const char* text)
{
    std::string out = text ? text : "";
    const auto first = out.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return out.substr(first, out.find_last_not_of(" \t") - first + 1);
}

// The unit a port carries, from the parameter's label: a unit LV2 knows, a
// unit of our own, or none.
std::string unitOf(const ParameterInfo& info)
{
    std::string label = trimmed(info.label);
    if (info.text == ValueText::powerOfTwo || label.empty())
        return "";
    // These labels name the factor the display shows; the port holds its dB.
    if (info.text == ValueText::decibelFactor)
        label.replace(label.find("factor"), 6, "dB");
    static const std::map<std::string, std::string> known = { { "dB", "units:db" }, { "ms", "units:ms" },
        { "Hz", "units:hz" }, { "semitones", "units:semitone12TET" }, { "cents", "units:cent" }, { "%", "units:pc" },
        { "% wet", "units:pc" }, { "degrees", "units:degree" }, { "MIDI-Note", "units:midiNote" } };
    if (const auto found = known.find(label); found != known.end())
        return found->second;
    return "[ a units:Unit ; rdfs:label " + turtleString(label) + " ; units:symbol " + turtleString(label)
        + " ; units:render " + turtleString("%f " + label) + " ]";
}

// The named choices of a stepped menu, by step number; empty for the others.
std::map<int32_t, std::string> choicesOf(int32_t index, const ParameterInfo& info)
{
    std::map<int32_t, std::string> choices;
    char name[32];
    switch (info.text) {
    case ValueText::waveform:
        // The menu offers the waveforms this parameter plays, each at its number.
        for (int32_t n = 0; n < static_cast<int32_t>(info.menu->entries.size()); ++n) {
            getWaveformName(n, name);
            choices[n] = name;
        }
        break;
    case ValueText::filterMode: {
        int32_t n = 0;
        for (; filterModeName(n); ++n)
            choices[n] = trimmed(filterModeName(n));
        // Every mode past the named ones plays the tanh ladder; the first stands for them.
        formatParameterValue(index, n, name);
        choices[n] = trimmed(name);
        break;
    }
    case ValueText::modulationMode:
        for (int32_t n = 0; modulationModeName(n); ++n)
            choices[n] = trimmed(modulationModeName(n));
        break;
    case ValueText::syncMode:
        for (int32_t n = 0; syncModeName(n); ++n)
            choices[n] = trimmed(syncModeName(n));
        break;
    default:
        // The stage count: the quantity counts the stages beyond the first.
        if (index == kStages)
            for (int32_t n = static_cast<int32_t>(displayQuantity(index, 0.0f));
                 n <= static_cast<int32_t>(displayQuantity(index, 1.0f)); ++n)
                choices[n] = std::to_string(n + 1);
        break;
    }
    // A default beyond the named choices is offered under its display name.
    const auto initial = static_cast<int32_t>(displayQuantity(index, info.defaultValue));
    if (!choices.empty() && !choices.count(initial)) {
        formatParameterValue(index, initial, name);
        choices[initial] = trimmed(name);
    }
    return choices;
}

void writePort(std::ostream& out, uint32_t port, const std::string& symbol)
{
    const int32_t index = ControlPorts::parameterOf(port);
    const ParameterInfo& info = *parameterInfo(index);
    const Conversion conversion = info.mapping.conversion;
    const double low = displayQuantity(index, 0.0f), high = displayQuantity(index, 1.0f);
    const double initial = ControlPorts::defaultPortValue(index);
    const auto choices = choicesOf(index, info);
    double minimum = std::min({ low, high, initial }), maximum = std::max({ low, high, initial });
    if (!choices.empty()) {
        minimum = choices.begin()->first;
        maximum = choices.rbegin()->first;
    }
    const std::string longName = info.longName;
    const std::string name = longName == "ParamTag unknown" && info.shortName ? info.shortName : longName;

    out << "\t\t[\n\t\t\ta lv2:InputPort , lv2:ControlPort ;\n";
    out << "\t\t\tlv2:index " << port << " ;\n";
    out << "\t\t\tlv2:symbol " << turtleString(symbol) << " ;\n";
    out << "\t\t\tlv2:name " << turtleString(name) << " ;\n";
    if (info.shortName)
        out << "\t\t\tlv2:shortName " << turtleString(std::string(info.shortName).substr(0, 16)) << " ;\n";
    out << "\t\t\tlv2:default " << turtleNumber(initial) << " ;\n";
    out << "\t\t\tlv2:minimum " << turtleNumber(minimum) << " ;\n";
    out << "\t\t\tlv2:maximum " << turtleNumber(maximum) << " ;\n";
    if (conversion == Conversion::floored || conversion == Conversion::truncated)
        out << "\t\t\tlv2:portProperty lv2:integer ;\n";
    if (!choices.empty()) {
        out << "\t\t\tlv2:portProperty lv2:enumeration ;\n";
        for (const auto& [value, label] : choices)
            out << "\t\t\tlv2:scalePoint [ rdfs:label " << turtleString(label) << " ; rdf:value " << turtleNumber(value)
                << " ] ;\n";
    }
    if ((conversion == Conversion::exponential && minimum > 0.0) || conversion == Conversion::decades)
        out << "\t\t\tlv2:portProperty pprops:logarithmic ;\n";
    if (const std::string unit = unitOf(info); !unit.empty())
        out << "\t\t\tunits:unit " << unit << " ;\n";
    out << "\t\t]";
}

void writeManifest(const std::string& folder, const std::string& binary, const std::string& uiBinary,
    const std::string& presets)
{
    std::ofstream out(folder + "/manifest.ttl");
    out << kTurtlePrefixes;
    out << "<" ZARVEX_LV2_URI ">\n\ta lv2:Plugin , lv2:InstrumentPlugin ;\n\tlv2:binary <" << binary
        << "> ;\n\trdfs:seeAlso <zarvex.ttl>" << (presets.empty() ? "" : " , <" + presets + ">") << " .\n\n";
    out << "<" ZARVEX_LV2_UI_URI ">\n\ta ui:X11UI ;\n\tui:binary <" << uiBinary
        << "> ;\n\trdfs:seeAlso <zarvex.ttl> .\n";
    if (!out)
        throw std::runtime_error("cannot write " + folder + "/manifest.ttl");
}

void writePlugin(const std::string& folder, const std::vector<std::string>& symbols)
{
    std::ofstream out(folder + "/zarvex.ttl");
    out << kTurtlePrefixes;
    out << "<" ZARVEX_LV2_URI ">\n"
           "\ta lv2:Plugin , lv2:InstrumentPlugin ;\n"
           "\tdoap:name \"Zarvex\" ;\n"
           "\tdoap:maintainer [ foaf:name \"Kelmori\" ] ;\n"
           "\tlv2:requiredFeature urid:map ;\n"
           "\tlv2:optionalFeature lv2:hardRTCapable , work:schedule ;\n"
           "\tlv2:extensionData state:interface , work:interface ;\n"
           "\tui:ui <" ZARVEX_LV2_UI_URI "> ;\n"
           "\tlv2:port\n";
    for (uint32_t port = 0; port < ControlPorts::kCount; ++port) {
        writePort(out, port, symbols[static_cast<size_t>(ControlPorts::parameterOf(port))]);
        out << " ,\n";
    }
    const char* sides[] = { "left", "right" };
    for (uint32_t side = 0; side < 2; ++side)
        out << "\t\t[\n\t\t\ta lv2:OutputPort , lv2:AudioPort ;\n\t\t\tlv2:index " << ControlPorts::kLeftOutput + side
            << " ;\n\t\t\tlv2:symbol \"out_" << sides[side] << "\" ;\n\t\t\tlv2:name \"Out " << (side + 1)
            << "\" ;\n\t\t] ,\n";
    out << "\t\t[\n\t\t\ta lv2:InputPort , atom:AtomPort ;\n\t\t\tatom:bufferType atom:Sequence ;\n"
           "\t\t\tatom:supports midi:MidiEvent ;\n\t\t\tlv2:designation lv2:control ;\n"
           "\t\t\tlv2:index "
        << ControlPorts::kMidiInput << " ;\n\t\t\tlv2:symbol \"midi_in\" ;\n\t\t\tlv2:name \"MIDI In\" ;\n\t\t] .\n\n";
    // The editor embeds itself in the host's window and is driven by its idle calls.
    out << "<" ZARVEX_LV2_UI_URI ">\n\ta ui:X11UI ;\n\tlv2:requiredFeature ui:parent ;\n"
           "\tlv2:optionalFeature ui:resize , ui:idleInterface ;\n\tlv2:extensionData ui:idleInterface .\n";
    if (!out)
        throw std::runtime_error("cannot write " + folder + "/zarvex.ttl");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5 && argc != 6) {
        std::cerr << "usage: make_lv2_ttl <Parameters.h> <bundle folder> <binary name> <UI binary name> [presets]\n";
        return 2;
    }
    try {
        const auto symbols = readPortSymbols(argv[1]);
        writeManifest(argv[2], argv[3], argv[4], argc == 6 ? argv[5] : "");
        writePlugin(argv[2], symbols);
    } catch (const std::exception& error) {
        std::cerr << "make_lv2_ttl: " << error.what() << '\n';
        return 1;
    }
    return 0;
}

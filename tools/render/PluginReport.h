#pragma once

#include <ostream>

class HostedPlugin;

// What --info prints: identity, programs, and every parameter with its name,
// value and the plug-in's own display text and label.
void printPluginReport(const HostedPlugin& plugin, std::ostream& out);

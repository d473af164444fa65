#include "tools/render/ProgramFile.h"

#include "vst2/aeffectx.h"

#include "tools/render/RenderError.h"

#include <bit>
#include <cmath>
#include <cstdio>

namespace {

constexpr int32_t chunkMagic = vstFourCC('C', 'c', 'n', 'K');
constexpr int32_t programMagic = vstFourCC('F', 'x', 'C', 'k');
constexpr int32_t bankMagic = vstFourCC('F', 'x', 'B', 'k');
constexpr int32_t programChunkMagic = vstFourCC('F', 'P', 'C', 'h');
constexpr int32_t bankChunkMagic = vstFourCC('F', 'B', 'C', 'h');

constexpr size_t nameField = presetNameLength + 1;
constexpr size_t programHeaderSize = 7 * 4 + nameField;

class ByteWriter {
public:
    void int32(int32_t value)
    {
        const auto bits = static_cast<uint32_t>(value);
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<uint8_t>(bits >> shift));
    }
    void float32(float value) { int32(std::bit_cast<int32_t>(value)); }
    // The name is cut to leave room for its terminator.
    void text(const std::string& value, size_t field)
    {
        for (size_t i = 0; i < field; ++i)
            bytes.push_back(i < value.size() && i < presetNameLength ? static_cast<uint8_t>(value[i]) : 0);
    }
    void zeros(size_t count) { bytes.insert(bytes.end(), count, 0); }
    // The size field counts every byte after itself.
    void patchSize(size_t chunkStart)
    {
        const auto size = static_cast<uint32_t>(bytes.size() - chunkStart - 8);
        for (int i = 0; i < 4; ++i)
            bytes[chunkStart + 4 + static_cast<size_t>(i)] = static_cast<uint8_t>(size >> (24 - 8 * i));
    }
    std::vector<uint8_t> bytes;
};

class ByteReader {
public:
    ByteReader(const std::vector<uint8_t>& bytes, const std::string& source)
        : bytes(bytes)
        , source(source)
    {
    }

    size_t position() const { return offset; }
    size_t remaining() const { return bytes.size() - offset; }

    [[noreturn]] void fail(const std::string& what) const { throw RenderError(source + ": " + what); }

    void need(size_t count, const char* what) const
    {
        if (remaining() < count)
            fail(std::string("file ends inside ") + what);
    }
    int32_t int32(const char* what)
    {
        need(4, what);
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = (value << 8) | bytes[offset++];
        return static_cast<int32_t>(value);
    }
    float float32(const char* what) { return std::bit_cast<float>(int32(what)); }
    std::string text(size_t field, const char* what)
    {
        need(field, what);
        std::string value;
        for (size_t i = 0; i < field && bytes[offset + i] != 0; ++i)
            value.push_back(static_cast<char>(bytes[offset + i]));
        offset += field;
        return value;
    }
    void skip(size_t count, const char* what)
    {
        need(count, what);
        offset += count;
    }

private:
    const std::vector<uint8_t>& bytes;
    const std::string& source;
    size_t offset = 0;
};

void writeProgramChunk(ByteWriter& out, int32_t pluginId, int32_t pluginVersion, const PluginProgram& program)
{
    const size_t start = out.bytes.size();
    out.int32(chunkMagic);
    out.int32(0);
    out.int32(programMagic);
    out.int32(1);
    out.int32(pluginId);
    out.int32(pluginVersion);
    out.int32(static_cast<int32_t>(program.values.size()));
    out.text(program.name, nameField);
    for (float value : program.values)
        out.float32(value);
    out.patchSize(start);
}

// Reads the 'CcnK' header and checks that the declared size is what follows.
int32_t readChunkHeader(ByteReader& in, size_t expectedEnd, const char* what)
{
    if (in.int32(what) != chunkMagic)
        in.fail(std::string("not a VST program or bank file (no 'CcnK' at the start of the ") + what + ")");
    const int32_t size = in.int32(what);
    if (size < 0 || static_cast<size_t>(size) != expectedEnd - in.position())
        in.fail(std::string("the size recorded in the ") + what + " header (" + std::to_string(size)
            + ") does not match its contents (" + std::to_string(expectedEnd - in.position()) + " bytes)");
    return in.int32(what);
}

void refuseChunkForm(const ByteReader& in, int32_t magic)
{
    if (magic == programChunkMagic || magic == bankChunkMagic)
        in.fail("holds the plug-in's opaque chunk, not a parameter list; only parameter-list files are supported");
}

PluginProgram readProgramBody(ByteReader& in, int32_t& pluginId, int32_t& pluginVersion, const char* what)
{
    in.int32(what); // format version: 1 for every parameter-list program
    pluginId = in.int32(what);
    pluginVersion = in.int32(what);
    const int32_t count = in.int32(what);
    PluginProgram program;
    program.name = in.text(nameField, what);
    if (count < 0 || static_cast<size_t>(count) > in.remaining() / 4)
        in.fail(std::string("the ") + what + " claims " + std::to_string(count) + " parameters but holds room for "
            + std::to_string(in.remaining() / 4));
    program.values.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const float value = in.float32(what);
        if (!std::isfinite(value))
            in.fail(std::string("parameter ") + std::to_string(i) + " of the " + what + " \"" + program.name
                + "\" is not a finite number");
        program.values[static_cast<size_t>(i)] = value;
    }
    return program;
}

} // namespace

std::vector<uint8_t> encodeProgram(const ProgramFile& file)
{
    ByteWriter out;
    writeProgramChunk(out, file.pluginId, file.pluginVersion, file.program);
    return out.bytes;
}

std::vector<uint8_t> encodeBank(const BankFile& file)
{
    ByteWriter out;
    out.int32(chunkMagic);
    out.int32(0);
    out.int32(bankMagic);
    out.int32(2); // version 2 carries the current program
    out.int32(file.pluginId);
    out.int32(file.pluginVersion);
    out.int32(static_cast<int32_t>(file.programs.size()));
    out.int32(file.currentProgram);
    out.zeros(124);
    for (const auto& program : file.programs)
        writeProgramChunk(out, file.pluginId, file.pluginVersion, program);
    out.patchSize(0);
    return out.bytes;
}

PresetKind presetKind(const std::vector<uint8_t>& bytes, const std::string& source)
{
    ByteReader in(bytes, source);
    if (in.int32("header") != chunkMagic)
        in.fail("not a VST program or bank file (no 'CcnK' at the start)");
    in.int32("header");
    const int32_t magic = in.int32("header");
    refuseChunkForm(in, magic);
    if (magic == programMagic)
        return PresetKind::program;
    if (magic == bankMagic)
        return PresetKind::bank;
    in.fail("unknown kind of VST file ('" + pluginIdText(magic) + "'; expected 'FxCk' or 'FxBk')");
}

ProgramFile decodeProgram(const std::vector<uint8_t>& bytes, const std::string& source)
{
    ByteReader in(bytes, source);
    const int32_t magic = readChunkHeader(in, bytes.size(), "program");
    refuseChunkForm(in, magic);
    if (magic != programMagic)
        in.fail("not a program file ('" + pluginIdText(magic) + "'; expected 'FxCk')");
    ProgramFile file;
    file.program = readProgramBody(in, file.pluginId, file.pluginVersion, "program");
    if (in.remaining() != 0)
        in.fail(std::to_string(in.remaining()) + " bytes follow the program's parameters");
    return file;
}

BankFile decodeBank(const std::vector<uint8_t>& bytes, const std::string& source)
{
    ByteReader in(bytes, source);
    const int32_t magic = readChunkHeader(in, bytes.size(), "bank");
    refuseChunkForm(in, magic);
    if (magic != bankMagic)
        in.fail("not a bank file ('" + pluginIdText(magic) + "'; expected 'FxBk')");
    BankFile file;
    const int32_t version = in.int32("bank");
    file.pluginId = in.int32("bank");
    file.pluginVersion = in.int32("bank");
    const int32_t count = in.int32("bank");
    const int32_t current = in.int32("bank");
    in.skip(124, "bank header");
    if (count < 0 || static_cast<size_t>(count) > in.remaining() / programHeaderSize)
        in.fail("the bank claims " + std::to_string(count) + " programs but holds room for at most "
            + std::to_string(in.remaining() / programHeaderSize));
    file.currentProgram = version >= 2 && current >= 0 && current < count ? current : 0;
    for (int32_t p = 0; p < count; ++p) {
        // Each program is a complete chunk; its size comes from its own header.
        ByteReader peek = in;
        peek.int32("bank program");
        const int32_t size = peek.int32("bank program");
        if (size < 0 || static_cast<size_t>(size) > in.remaining() - 8)
            in.fail("program " + std::to_string(p) + " of the bank runs past the end of the file");
        const size_t end = in.position() + 8 + static_cast<size_t>(size);
        const int32_t programKind = readChunkHeader(in, end, "bank program");
        if (programKind != programMagic)
            in.fail("program " + std::to_string(p) + " of the bank is not a parameter list ('"
                + pluginIdText(programKind) + "')");
        int32_t id = 0, programVersion = 0;
        PluginProgram program = readProgramBody(in, id, programVersion, "bank program");
        if (in.position() != end)
            in.fail("program " + std::to_string(p) + " of the bank has bytes after its parameters");
        if (id != file.pluginId)
            in.fail("program " + std::to_string(p) + " of the bank belongs to plug-in '" + pluginIdText(id)
                + "', the bank to '" + pluginIdText(file.pluginId) + "'");
        if (!file.programs.empty() && program.values.size() != file.programs.front().values.size())
            in.fail("the bank's programs have different numbers of parameters");
        file.programs.push_back(std::move(program));
    }
    if (in.remaining() != 0)
        in.fail(std::to_string(in.remaining()) + " bytes follow the bank's last program");
    return file;
}

std::string pluginIdText(int32_t id)
{
    std::string text;
    bool printable = true;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((static_cast<uint32_t>(id) >> shift) & 0xff);
        printable = printable && c >= 0x20 && c < 0x7f;
        text.push_back(c);
    }
    if (printable)
        return text;
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08x", static_cast<unsigned>(id));
    return hex;
}

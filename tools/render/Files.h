#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// "-" names standard input where a file is read and standard output where
// one is written.
constexpr const char* standardStream = "-";

// How a file is named to the user.
std::string inputName(const std::string& path);
std::string outputName(const std::string& path);

// Reads a whole file; what names it in error messages ("MIDI file"). Files
// larger than maxBytes are refused rather than read into memory.
std::vector<uint8_t> readWholeFile(const std::string& path, const std::string& what, size_t maxBytes);

// A file the run reads or writes, with the words that name it to the user
// ("the MIDI file").
struct NamedFile {
    std::string role;
    std::string path;
};

// Throws UsageError when an output is one of the inputs or another output
// under any name (a symbolic or hard link, another spelling of the path).
// Files are compared by device and inode, an output that does not exist yet
// by its directory's and its own name.
void refuseSharedFiles(const std::vector<NamedFile>& inputs, const std::vector<NamedFile>& outputs);

// An output whose content is written to a scratch file first and appears at
// its destination only on commit(); dropped without commit nothing changes
// there. A regular file (or nothing yet) is replaced by renaming a file made
// beside it, keeping the old file's permissions; a symbolic link is followed
// to its target; a pipe, a device or standard output gets the bytes written
// into it. A file its user may not write is never replaced. The scratch file
// has no name while it is written where the system allows, so a run that
// dies leaves nothing behind.
class OutputFile {
public:
    explicit OutputFile(const std::string& destination);
    ~OutputFile();

    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // The scratch file: seekable, open for reading and writing.
    int descriptor() const { return scratch; }
    const std::string& name() const { return destination; }
    // The directory whose free space the scratch file uses.
    const std::string& scratchDirectory() const { return directory; }
    void commit();

private:
    void open(const std::string& path);
    void openScratch(const std::string& where, unsigned mode);
    void release();
    void copyToStream();

    std::string destination; // as shown to the user
    std::string target; // symbolic links followed
    std::string directory;
    std::string scratchName; // only where the scratch file must have a name
    int scratch = -1;
    int stream = -1; // the pipe, device or standard output written at commit
    bool committed = false;
    bool replacesExisting = false;
    unsigned existingOwner = 0, existingGroup = 0;
};

void writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);

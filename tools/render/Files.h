#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads a whole file; what names it in error messages ("MIDI file"). Files
// larger than maxBytes are refused rather than read into memory.
std::vector<uint8_t> readWholeFile(const std::string& path, const std::string& what, size_t maxBytes);

// A file that is written under a temporary name beside its destination and
// moved into place by commit(). Dropped without commit it removes the
// temporary, so a failed run leaves no partial file and never replaces an
// older one.
class PendingFile {
public:
    explicit PendingFile(std::string destination);
    ~PendingFile();

    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const std::string& path() const { return temporary; }
    const std::string& destinationPath() const { return destination; }
    void commit();

private:
    std::string destination;
    std::string temporary;
    bool committed = false;
};

void writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);

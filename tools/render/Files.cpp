#include "tools/render/Files.h"

#include "tools/render/RenderError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string systemError() { return std::strerror(errno); }

std::string directoryOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::vector<uint8_t> readWholeFile(const std::string& path, const std::string& what, size_t maxBytes)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        throw RenderError("cannot open " + what + " " + path + ": " + systemError());
    if (S_ISDIR(info.st_mode))
        throw RenderError("cannot read " + what + " " + path + ": it is a directory");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw RenderError("cannot open " + what + " " + path + ": " + systemError());
    std::vector<uint8_t> bytes;
    char buffer[65536];
    while (in) {
        in.read(buffer, sizeof buffer);
        bytes.insert(bytes.end(), buffer, buffer + in.gcount());
        if (bytes.size() > maxBytes)
            throw RenderError(what + " " + path + " is too large (more than " + std::to_string(maxBytes) + " bytes)");
    }
    if (in.bad())
        throw RenderError("cannot read " + what + " " + path);
    return bytes;
}

PendingFile::PendingFile(std::string destinationPath)
    : destination(std::move(destinationPath))
{
    if (destination.empty())
        throw RenderError("no output file name given");
    struct stat info {};
    if (stat(destination.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        throw RenderError("cannot write " + destination + ": it is a directory");
    std::string pattern = directoryOf(destination) + "/." + fileNameOf(destination) + ".XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        throw RenderError("cannot write " + destination + ": " + systemError());
    // mkstemp creates the file private to its owner; give it the permissions a
    // plain new file would get.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    temporary = pattern;
}

PendingFile::~PendingFile()
{
    if (!committed)
        std::remove(temporary.c_str());
}

void PendingFile::commit()
{
    if (std::rename(temporary.c_str(), destination.c_str()) != 0)
        throw RenderError("cannot write " + destination + ": " + systemError());
    committed = true;
}

void writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    PendingFile file(path);
    {
        std::ofstream out(file.path(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out)
            throw RenderError("cannot write " + path + ": " + systemError());
    }
    file.commit();
}

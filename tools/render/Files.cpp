#include "tools/render/Files.h"

#include "tools/render/RenderError.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>

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

std::string temporaryDirectory()
{
    const char* folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}

// Follows symbolic links to the path they end at, which need not exist.
std::string followLinks(std::string path)
{
    constexpr int deepest = 40;
    for (int depth = 0; depth < deepest; ++depth) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        std::string link(PATH_MAX, '\0');
        const ssize_t length = readlink(path.c_str(), link.data(), link.size());
        if (length < 0)
            return path;
        link.resize(static_cast<size_t>(length));
        path = link.front() == '/' ? link : directoryOf(path) + "/" + link;
    }
    throw RenderError(path + ": too many levels of symbolic links");
}

void writeAll(int descriptor, const uint8_t* data, size_t size, const std::string& name)
{
    while (size > 0) {
        const ssize_t written = write(descriptor, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw RenderError("cannot write " + name + ": " + systemError());
        data += written;
        size -= static_cast<size_t>(written);
    }
}

// A regular file by device and inode, or a name not yet taken by its
// directory's device and inode and the name.
struct Identity {
    dev_t device;
    ino_t inode;
    std::string entry;
    bool operator==(const Identity&) const = default;
};

std::optional<Identity> identityOf(const std::string& path, int standardDescriptor)
{
    struct stat info {};
    if (path == standardStream) {
        if (fstat(standardDescriptor, &info) == 0 && S_ISREG(info.st_mode))
            return Identity { info.st_dev, info.st_ino, {} };
        return std::nullopt;
    }
    if (stat(path.c_str(), &info) == 0)
        return S_ISREG(info.st_mode) ? std::optional(Identity { info.st_dev, info.st_ino, {} }) : std::nullopt;
    const std::string target = followLinks(path);
    if (stat(directoryOf(target).c_str(), &info) == 0)
        return Identity { info.st_dev, info.st_ino, fileNameOf(target) };
    return std::nullopt;
}

} // namespace

std::string inputName(const std::string& path) { return path == standardStream ? "standard input" : path; }

std::string outputName(const std::string& path) { return path == standardStream ? "standard output" : path; }

std::vector<uint8_t> readWholeFile(const std::string& path, const std::string& what, size_t maxBytes)
{
    const bool standardInput = path == standardStream;
    const std::string name = inputName(path);
    const int descriptor = standardInput ? STDIN_FILENO : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        throw RenderError("cannot open " + what + " " + name + ": " + systemError());
    struct Closer {
        int descriptor;
        bool owned;
        ~Closer()
        {
            if (owned)
                close(descriptor);
        }
    } closer { descriptor, !standardInput };
    struct stat info {};
    if (fstat(descriptor, &info) == 0 && S_ISDIR(info.st_mode))
        throw RenderError("cannot read " + what + " " + name + ": it is a directory");
    std::vector<uint8_t> bytes;
    uint8_t buffer[65536];
    for (;;) {
        const ssize_t count = read(descriptor, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            throw RenderError("cannot read " + what + " " + name + ": " + systemError());
        if (count == 0)
            return bytes;
        bytes.insert(bytes.end(), buffer, buffer + count);
        if (bytes.size() > maxBytes)
            throw RenderError(what + " " + name + " is too large (more than " + std::to_string(maxBytes) + " bytes)");
    }
}

void refuseSharedFiles(const std::vector<NamedFile>& inputs, const std::vector<NamedFile>& outputs)
{
    std::vector<std::pair<Identity, const NamedFile*>> seen;
    for (const auto& input : inputs)
        if (const auto identity = identityOf(input.path, STDIN_FILENO))
            seen.emplace_back(*identity, &input);
    for (const auto& output : outputs) {
        const auto identity = identityOf(output.path, STDOUT_FILENO);
        if (!identity)
            continue;
        for (const auto& [other, file] : seen)
            if (other == *identity)
                throw UsageError(output.role + " " + output.path + " is the same file as " + file->role + " "
                    + file->path + "; nothing was written");
        seen.emplace_back(*identity, &output);
    }
}

OutputFile::OutputFile(const std::string& path)
    : destination(outputName(path))
{
    try {
        open(path);
    } catch (...) {
        release();
        throw;
    }
}

OutputFile::~OutputFile() { release(); }

void OutputFile::open(const std::string& path)
{
    if (destination.empty())
        throw RenderError("no output file name given");
    struct stat info {};
    const bool standardOutput = path == standardStream;
    if (standardOutput || (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))) {
        // Opened by its own name: /dev/stdout and its kind are links that
        // only the system can follow.
        stream = standardOutput ? dup(STDOUT_FILENO) : ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (stream < 0)
            throw RenderError("cannot write " + destination + ": " + systemError());
        if (isatty(stream))
            throw RenderError(destination + " is a terminal; redirect it, or give a file name");
        openScratch(temporaryDirectory(), 0600);
        return;
    }
    target = followLinks(path);
    if (stat(target.c_str(), &info) != 0) {
        if (errno != ENOENT)
            throw RenderError("cannot write " + destination + ": " + systemError());
        openScratch(directoryOf(target), 0666);
        return;
    }
    if (S_ISDIR(info.st_mode))
        throw RenderError("cannot write " + destination + ": it is a directory");
    if (S_ISREG(info.st_mode)) {
        // Even where the system would let the rename through, a file without
        // write permission is not ours to replace.
        if ((info.st_mode & 0222) == 0 || access(target.c_str(), W_OK) != 0)
            throw RenderError("cannot write " + destination + ": it is read-only");
        replacesExisting = true;
        existingOwner = info.st_uid;
        existingGroup = info.st_gid;
        openScratch(directoryOf(target), info.st_mode & 0777);
        fchmod(scratch, info.st_mode & 0777);
        return;
    }
    throw RenderError("cannot write " + destination + ": not a file, pipe or device");
}

void OutputFile::release()
{
    if (scratch >= 0)
        close(scratch);
    if (!committed && !scratchName.empty())
        unlink(scratchName.c_str());
    if (stream >= 0)
        close(stream);
}

void OutputFile::openScratch(const std::string& where, unsigned mode)
{
    directory = where;
#ifdef O_TMPFILE
    scratch = ::open(where.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    if (scratch >= 0)
        return;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        throw RenderError("cannot write " + destination + ": " + systemError());
#endif
    // No unnamed files here: a hidden one, removed again when dropped.
    std::string pattern = where + "/." + (stream >= 0 ? std::string("zarvex-render") : fileNameOf(target)) + ".XXXXXX";
    scratch = mkstemp(pattern.data());
    if (scratch < 0)
        throw RenderError("cannot write " + destination + ": " + systemError());
    if (stream >= 0) {
        unlink(pattern.c_str());
        return;
    }
    scratchName = pattern;
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(scratch, mode & ~mask);
}

void OutputFile::copyToStream()
{
    if (lseek(scratch, 0, SEEK_SET) != 0)
        throw RenderError("cannot write " + destination + ": " + systemError());
    uint8_t buffer[65536];
    for (;;) {
        const ssize_t count = read(scratch, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            throw RenderError("cannot write " + destination + ": " + systemError());
        if (count == 0)
            return;
        writeAll(stream, buffer, static_cast<size_t>(count), destination);
    }
}

void OutputFile::commit()
{
    if (stream >= 0) {
        copyToStream();
        committed = true;
        return;
    }
    if (replacesExisting) {
        // Only root can hand the file back to another owner; anyone else
        // writes it as their own, as an editor would.
        [[maybe_unused]] const int kept = fchown(scratch, existingOwner, existingGroup);
    }
    if (scratchName.empty()) {
        // Give the unnamed file a hidden name beside its destination, then
        // move it over the destination in one step.
        const std::string procPath = "/proc/self/fd/" + std::to_string(scratch);
        for (int attempt = 0; scratchName.empty(); ++attempt) {
            const std::string name = directoryOf(target) + "/." + fileNameOf(target) + "." + std::to_string(getpid())
                + "-" + std::to_string(attempt);
            if (linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0
#ifdef AT_EMPTY_PATH
                || linkat(scratch, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0
#endif
            )
                scratchName = name;
            else if (errno != EEXIST || attempt > 100)
                throw RenderError("cannot write " + destination + ": " + systemError());
        }
    }
    if (std::rename(scratchName.c_str(), target.c_str()) != 0)
        throw RenderError("cannot write " + destination + ": " + systemError());
    committed = true;
}

void writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    OutputFile file(path);
    writeAll(file.descriptor(), bytes.data(), bytes.size(), file.name());
    file.commit();
}

#pragma once
// A named pipe that already holds a whole file, for readers that must take a file
// which can be read only once.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::test {

// Makes the pipe `path` and puts `bytes` into it; its writer has finished, and the
// reader kept open here holds the bytes until a test reads them by the pipe's name.
// Ok() is false when the pipe could not be made or the bytes do not fit into it.
class FilledPipe {
public:
    FilledPipe(const std::string& path, const std::vector<std::uint8_t>& bytes) {
        if (bytes.size() >= 65536 || ::mkfifo(path.c_str(), 0600) != 0) return;
        keep_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
        if (keep_ < 0) return;
        const int writer = ::open(path.c_str(), O_WRONLY);
        if (writer < 0) return;
        ok_ = ::write(writer, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        ::close(writer);
    }
    ~FilledPipe() {
        if (keep_ >= 0) ::close(keep_);
    }
    FilledPipe(const FilledPipe&) = delete;
    FilledPipe& operator=(const FilledPipe&) = delete;

    bool Ok() const { return ok_; }

private:
    int keep_ = -1;
    bool ok_ = false;
};

}  // namespace velmora::test

// SPDX-License-Identifier: GPL-3.0-or-later
// quaverly-analyze's file reading over arbitrary bytes: the first byte picks
// the callback size and the output form, the rest is the file, handed over
// by name as a user would (an in-memory file, so nothing touches the disk).
#include "FuzzInput.h"
#include "FuzzTargets.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

int quaverlyAnalyzeMain(int argc, char **argv);

namespace quaverly::fuzz {
namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Points stdout at /dev/null for its lifetime; the tables are not what is
// checked, and the normal suite's own output must survive.
class QuietStdout {
public:
    QuietStdout()
    {
        std::fflush(stdout);
        mSaved = ::dup(STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        check(mSaved >= 0 && null >= 0);
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
    ~QuietStdout()
    {
        std::fflush(stdout);
        ::dup2(mSaved, STDOUT_FILENO);
        ::close(mSaved);
    }
    QuietStdout(const QuietStdout &) = delete;
    QuietStdout &operator=(const QuietStdout &) = delete;

private:
    int mSaved = -1;
};

} // namespace

int analyzerFileReading(const std::uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    const auto mode = in.take<std::uint8_t>();
    const auto file = in.rest();

    const int fd = ::memfd_create("fuzz-sound", MFD_CLOEXEC);
    check(fd >= 0);
    std::size_t written = 0;
    while (written < file.size()) {
        const ssize_t n = ::write(fd, file.data() + written, file.size() - written);
        check(n > 0);
        written += std::size_t(n);
    }
    std::string path = "/proc/self/fd/" + std::to_string(fd);

    constexpr std::array<const char *, 4> kCallbackFrames{"512", "1", "37", "4096"};
    std::vector<std::string> args{"quaverly-analyze", "--callback-frames", kCallbackFrames[mode % 4]};
    if ((mode & 4) != 0)
        args.emplace_back("--summary");
    args.push_back(path);
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int status = -1;
    {
        QuietStdout quiet;
        status = quaverlyAnalyzeMain(static_cast<int>(args.size()), argv.data());
    }
    ::close(fd);
    // Read, or refused with a message: nothing else.
    check(status == 0 || status == 2);
    return 0;
}

} // namespace quaverly::fuzz

QUAVERLY_FUZZ_ENTRY(analyzerFileReading)

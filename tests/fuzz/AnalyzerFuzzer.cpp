// SPDX-License-Identifier: GPL-3.0-or-later
// quaverly-analyze's file reading over arbitrary bytes: the first byte picks the callback size
// and the output form, the rest is the file, handed over by name as a user would (an in-memory
// file, so nothing touches the disk).
#include "FuzzInput.h"
#include "FuzzTargets.h"

#include <cstdio>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

int quaverlyAnalyzeMain(int argc, char **argv);

namespace quaverly::fuzz {

int analyzerFileReading(const std::uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    const auto mode = in.take<std::uint8_t>();
    const auto file = in.bytes(size);
    const int fd = ::memfd_create("fuzz-sound", MFD_CLOEXEC);
    check(fd >= 0 && ::write(fd, file.data(), file.size()) == ssize_t(file.size()));
    const char *frames[] = {"512", "1", "37", "4096"};
    std::vector<std::string> args{"quaverly-analyze", "--callback-frames", frames[mode % 4]};
    if ((mode & 4) != 0)
        args.emplace_back("--summary");
    args.push_back("/proc/self/fd/" + std::to_string(fd));
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    // The tables are not what is checked, and the replaying suite's own output must survive.
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    check(saved >= 0 && null >= 0 && ::dup2(null, STDOUT_FILENO) >= 0);
    const int status = quaverlyAnalyzeMain(static_cast<int>(args.size()), argv.data());
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    for (const int open : {saved, null, fd})
        ::close(open);
    check(status == 0 || status == 2); // read, or refused with a message: nothing else
    return 0;
}

} // namespace quaverly::fuzz

QUAVERLY_FUZZ_ENTRY(analyzerFileReading)

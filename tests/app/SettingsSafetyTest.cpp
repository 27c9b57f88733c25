// SPDX-License-Identifier: GPL-3.0-or-later
// The stored choices against what can go wrong around them: a process killed
// in the middle of a save, a location that cannot be written, a damaged
// file. The previous choices survive or the defaults load, and the user's
// log gets one line that says what happened.
#include "DescribeSettings.h"
#include "app/Settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quaverly {
namespace {

using test::describe;

SettingsValues choices(float pitch, std::int64_t tuning, std::int64_t tonic, std::int64_t transpose, bool disclosed,
    const char *device)
{
    SettingsValues v;
    v.referencePitch = pitch;
    v.tuning = tuning;
    v.tonic = tonic;
    v.transpose = transpose;
    v.disclosed = disclosed;
    v.inputDevice = QString::fromUtf8(device);
    return v;
}

// Collects what is written to stderr while it lives.
class StderrCapture {
public:
    StderrCapture()
    {
        std::fflush(stderr);
        mSaved = ::dup(STDERR_FILENO);
        std::FILE *file = std::tmpfile();
        mFd = ::dup(::fileno(file));
        std::fclose(file);
        ::dup2(mFd, STDERR_FILENO);
    }
    ~StderrCapture() { restore(); }
    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;

    std::vector<std::string> lines()
    {
        restore();
        std::string text;
        char chunk[512];
        ::lseek(mFd, 0, SEEK_SET);
        for (ssize_t n; (n = ::read(mFd, chunk, sizeof chunk)) > 0;)
            text.append(chunk, std::size_t(n));
        std::vector<std::string> out;
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = text.find('\n', start);
            out.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
            start = end == std::string::npos ? text.size() : end + 1;
        }
        return out;
    }

private:
    void restore()
    {
        if (mSaved < 0)
            return;
        std::fflush(stderr);
        ::dup2(mSaved, STDERR_FILENO);
        ::close(mSaved);
        mSaved = -1;
    }
    int mSaved = -1;
    int mFd = -1;
};

class SettingsSafety : public ::testing::Test {
protected:
    QString path() const { return mDir.filePath(QStringLiteral("quillfen/Quaverly.conf")); }
    bool write(const SettingsValues &values)
    {
        QSettings store(path(), QSettings::IniFormat);
        return writeSettings(store, values);
    }
    SettingsValues read()
    {
        QSettings store(path(), QSettings::IniFormat);
        return readSettings(store, 8);
    }
    QTemporaryDir mDir;
};

const SettingsValues kFirst = choices(442.0f, 2, 2, -2, false, "Studio : Line In");
const SettingsValues kSecond = choices(415.3f, 5, 9, 3, true, "Laptop : Built-in Microphone with a long name");

TEST_F(SettingsSafety, KillingTheProcessDuringSavesLeavesOneWholeSetOfChoices)
{
    ASSERT_TRUE(write(kFirst));
    const std::string first = describe(kFirst);
    const std::string second = describe(kSecond);
    // A saver alternates the two sets and reports each finished save; it is
    // killed after one to three saves plus a few hundred microseconds, so
    // the kill lands at many points of a save. Every time, the file must
    // hold one whole set of choices, never a torn or empty one.
    for (int round = 0; round < 24; ++round) {
        int progress[2];
        ASSERT_EQ(::pipe(progress), 0);
        const pid_t saver = ::fork();
        ASSERT_GE(saver, 0);
        if (saver == 0) {
            ::close(progress[0]);
            for (int i = 0;; ++i) {
                QSettings store(path(), QSettings::IniFormat);
                writeSettings(store, i % 2 == 0 ? kSecond : kFirst);
                if (::write(progress[1], "s", 1) != 1)
                    ::_exit(2);
            }
        }
        ::close(progress[1]);
        char done = 0;
        for (int saves = 0; saves <= round % 3; ++saves)
            ASSERT_EQ(::read(progress[0], &done, 1), 1) << "the saver died on its own";
        std::this_thread::sleep_for(std::chrono::microseconds(100 * (round / 3)));
        ASSERT_EQ(::kill(saver, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(saver, &status, 0), saver);
        ::close(progress[0]);
        ASSERT_TRUE(WIFSIGNALED(status));

        StderrCapture log;
        const std::string stored = describe(read());
        EXPECT_TRUE(stored == first || stored == second) << "round " << round << ": " << stored;
        EXPECT_TRUE(log.lines().empty()) << "a whole file was reported as damaged";
    }
}

TEST_F(SettingsSafety, ReadOnlyLocationKeepsThePreviousChoicesAndSaysSoOnce)
{
    ASSERT_TRUE(write(kFirst));
    const QByteArray folder = QFile::encodeName(mDir.filePath(QStringLiteral("quillfen")));
    // Root writes anywhere, so the save runs as an unprivileged user there.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    ASSERT_EQ(::chmod(folder.constData(), 0555), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path()).constData(), 0444), 0);
    const pid_t saver = ::fork();
    ASSERT_GE(saver, 0);
    if (saver == 0) {
        ::dup2(pipeFds[1], STDERR_FILENO);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        QSettings store(path(), QSettings::IniFormat);
        ::_exit(writeSettings(store, kSecond) ? 0 : 1);
    }
    ::close(pipeFds[1]);
    std::string log;
    char chunk[512];
    for (ssize_t n; (n = ::read(pipeFds[0], chunk, sizeof chunk)) > 0;)
        log.append(chunk, std::size_t(n));
    ::close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(saver, &status, 0), saver);
    ::chmod(folder.constData(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "a save that could not happen was claimed done";
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    EXPECT_NE(log.find("Quaverly.conf"), std::string::npos) << "the line does not say which file: " << log;
    EXPECT_EQ(describe(read()), describe(kFirst)) << "the previous choices were lost";
}

struct DamagedFile {
    const char *name;
    QByteArray bytes;
    const char *expected; // what is read back, as describe() puts it
};

class DamagedSettingsFile : public SettingsSafety, public ::testing::WithParamInterface<DamagedFile> {};

TEST_P(DamagedSettingsFile, LoadsWhatIsReadableWithOneLogLine)
{
    QDir().mkpath(mDir.filePath(QStringLiteral("quillfen")));
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(GetParam().bytes);
    }
    StderrCapture log;
    const std::string stored = describe(read());
    const auto lines = log.lines();
    EXPECT_EQ(stored, GetParam().expected);
    ASSERT_EQ(lines.size(), 1u) << "expected one log line";
    EXPECT_NE(lines[0].find("Quaverly.conf"), std::string::npos) << lines[0];

    // The next save replaces the damage with a clean file.
    ASSERT_TRUE(write(kSecond));
    StderrCapture quiet;
    EXPECT_EQ(describe(read()), describe(kSecond));
    EXPECT_TRUE(quiet.lines().empty());
}

const DamagedFile kDamagedFiles[] = {
    {"BinaryGarbage", QByteArray("\x7f" "ELF\x02\x01\x01\x00\x00\x00\xff\xfe\x00", 14), "440|0|0|0|-|-"},
    {"NulBytesOnly", QByteArray(64, '\0'), "440|0|0|0|-|-"},
    {"Utf16Text", QByteArray("\xff\xfe[\0G\0e\0n\0e\0r\0a\0l\0]\0\n\0", 20), "440|0|0|0|-|-"},
    {"SectionNeverClosed", QByteArray("[General\nquillfen.TonicKey=7\nquillfen.TransposeKey=-5\n"), "440|0|7|-5|-|-"},
    {"TruncatedInTheMiddleOfASave",
        QByteArray("[General]\nquillfen.ReferencePitchKey=442\nquillfen.DisclosedKey=false\n\x01quillfen.Tun"),
        "442|0|0|0|false|-"},
};

INSTANTIATE_TEST_SUITE_P(Damage, DamagedSettingsFile, ::testing::ValuesIn(kDamagedFiles),
    [](const ::testing::TestParamInfo<DamagedFile> &info) { return std::string(info.param.name); });

} // namespace
} // namespace quaverly

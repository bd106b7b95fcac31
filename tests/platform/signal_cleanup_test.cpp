// What the converter does when it is told to stop.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/output_file.h"
#include "platform/signal_cleanup.h"
#include "test_files.h"

namespace {

using platform::OutputFile;
using test::EntriesIn;
using test::TempDir;

// A converter told to stop removes its temporary and ends by that signal.
TEST(SignalCleanup, EndingSignalsRemoveTheTemporaryAndEndTheProcess) {
    for (int signal :
         {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGXCPU}) {
        SCOPED_TRACE(signal);
        TempDir dir;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            platform::InstallSignalCleanup();
            auto out = OutputFile::Create(dir / "out.h", OutputFile::Temporary::Named);
            if (!out || !out->Write("abc", 3) || EntriesIn(dir.Path()) != 1) ::_exit(3);
            ::raise(signal);
            ::_exit(4);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_EQ(EntriesIn(dir.Path()), 0u);
    }
}

// A file size limit fails the write, which is reported, instead of ending
// the process silently.
TEST(SignalCleanup, FileSizeLimitIsNotFatal) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::InstallSignalCleanup();
        ::raise(SIGXFSZ);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace

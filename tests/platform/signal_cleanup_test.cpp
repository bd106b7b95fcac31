// What the converter does when a file size limit is reached. The signals
// that stop it are tested with whole conversions, on every kind of file
// system, in tests/core/nothing_left_test.cpp.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/signal_cleanup.h"

namespace {

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

// Runs stopped mid-conversion: killed, interrupted, or told to hang up
// while they ignore it. Each run is held mid-write by a FIFO table, so the
// moment of the signal is the test's, not a guess at timing.

#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "e2e_fixture.h"
#include "test_util.h"

namespace tabulor {
namespace {

TEST_F(TabulorTest, LeavesTheOldMappingFileWhenKilledMidWrite) {
  TABULOR_POSIX_ONLY();
  const std::string table = distinct_pairs(100000);
  write_file(path(kMapping300), "old");
  held_run held = start_held("300", table.substr(0, table.size() / 2));
  ASSERT_EQ(kill(held.pid, SIGKILL), 0);
  const child_result result = finish_held(held);
  EXPECT_EQ(result.signal, SIGKILL);
  EXPECT_EQ(read_file(path(kMapping300)), "old");
  // Nothing can clean up after SIGKILL: the temporary file stays, under a
  // name of its own.
  EXPECT_EQ(files().size(), 3u);
}

TEST_F(TabulorTest, RemovesItsTemporaryFileWhenInterrupted) {
  TABULOR_POSIX_ONLY();
  const std::string table = distinct_pairs(100000);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    SCOPED_TRACE(strsignal(s));
    write_file(path(kMapping300), "old");
    held_run held = start_held("300", table.substr(0, table.size() / 2));
    ASSERT_EQ(kill(held.pid, s), 0);
    const child_result result = finish_held(held);
    // It dies of the signal, as shells and make expect.
    EXPECT_EQ(result.signal, s);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(read_file(path(kMapping300)), "old");
    EXPECT_EQ(temporary_file(), "");
    ASSERT_EQ(unlink(path("300.cp").c_str()), 0);
  }
}

TEST_F(TabulorTest, KeepsInterruptionsIgnoredThatWereIgnoredAtTheStart) {
  TABULOR_POSIX_ONLY();
  // As nohup and a shell's background jobs start it.
  const std::string table = distinct_pairs(100000);
  child_options options;
  options.ignored_signals = {SIGHUP, SIGINT};
  held_run held = start_held("300", table.substr(0, table.size() / 2), options);
  ASSERT_EQ(kill(held.pid, SIGHUP), 0);
  ASSERT_EQ(kill(held.pid, SIGINT), 0);
  const std::string rest = table.substr(table.size() / 2);
  ASSERT_EQ(write(held.table_fd, rest.data(), rest.size()),
            static_cast<ssize_t>(rest.size()));
  const child_result result = finish_held(held);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, created_message(kMapping300));
  EXPECT_TRUE(same_bytes(mapping_with("300", distinct_charmap(100000)),
                         read_file(path(kMapping300))));
}

TEST_F(TabulorTest, OpensClosedStandardStreamsOnTheNullDevice) {
  TABULOR_POSIX_ONLY();
  if (testing_emulated_build()) {
    GTEST_SKIP() << "the emulator's own files take the closed descriptors";
  }
  // Started with descriptors 0 to 2 closed, no file of the run may take
  // their place, or a message could end up in it.
  const std::string table = distinct_pairs(1000);
  child_options options;
  options.standard_streams_closed = true;
  held_run held = start_held("300", table, options);
  for (int fd = 0; fd <= 2; ++fd) {
    const std::string link =
        "/proc/" + std::to_string(held.pid) + "/fd/" + std::to_string(fd);
    char target[PATH_MAX] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0) << fd;
    EXPECT_STREQ(target, "/dev/null") << fd;
  }
  const child_result result = finish_held(held);
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(same_bytes(mapping_with("300", distinct_charmap(1000)),
                         read_file(path(kMapping300))));
}

}  // namespace
}  // namespace tabulor

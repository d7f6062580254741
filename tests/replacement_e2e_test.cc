// How the mapping file is replaced: whole or not at all, with its
// attributes and links, never over the table, and failures reported.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "e2e_fixture.h"
#include "test_util.h"

namespace tabulor {
namespace {

// `text` quoted for the shell.
std::string shell_quoted(const std::string& text) {
  std::string quoted = "'";
  quoted += text;
  quoted += "'";
  return quoted;
}

// The permission bits of a file, or -1 when it cannot be looked at.
int mode_of(const std::string& file) {
  struct stat st;
  return stat(file.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777)
                                      : -1;
}

// The output of a shell command, or "" when it failed.
std::string command_output(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    output.append(buffer, n);
  }
  return pclose(pipe) == 0 ? output : "";
}

TEST_F(TabulorTest, ReplacesAnExistingMappingFile) {
  write_file(path("300.cp"), kSmallTable);
  write_file(path(kMapping300), std::string(100000, 'o'));
  for (int run_number = 0; run_number < 2; ++run_number) {
    const child_result result = run({"300"});
    EXPECT_EQ(result.output, created_message(kMapping300));
    EXPECT_TRUE(same_bytes(mapping_with("300", kSmallCharmap),
                           read_file(path(kMapping300))));
  }
  EXPECT_EQ(files().size(), 2u);
}

TEST_F(TabulorTest, LeavesTheMappingFileAloneWhenTheTableCannotBeRead) {
  const std::string old_content = "old mapping\n";
  write_file(path(kMapping300), old_content);
  ASSERT_EQ(mkdir(path("300.cp").c_str(), 0755), 0);  // a directory
  std::vector<std::string> numbers = {"300", "302"};  // 302.cp is missing
  if (!testing_windows_build() && geteuid() == 0) {
    // Root reads any file, so the run drops to nobody for an unreadable
    // table.
    write_file(path("301.cp"), kSmallTable);
    ASSERT_EQ(chmod(path("301.cp").c_str(), 0), 0);
    write_file(path("zel-301_p100-2006.ucm"), old_content);
    ASSERT_EQ(chmod(run_directory().c_str(), 0777), 0);
    numbers.push_back("301");
  }
  for (const std::string& number : numbers) {
    SCOPED_TRACE(number);
    child_options options;
    options.as_nobody = number == "301";
    const child_result result = run({number}, options);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, not_found_message(number + ".cp"));
    EXPECT_EQ(temporary_file(), "");
  }
  EXPECT_EQ(read_file(path(kMapping300)), old_content);
}

TEST_F(TabulorTest, RefusesAMappingFileTheUserMayNotWrite) {
  // On Windows a read-only file; on POSIX systems a file whose permission
  // bits forbid nobody to write it, since root may write any file.
  if (!testing_windows_build() && geteuid() != 0) {
    GTEST_SKIP() << "needs root to run the tool as nobody";
  }
  write_file(path("300.cp"), kSmallTable);
  write_file(path(kMapping300), "old");
  ASSERT_EQ(chmod(path(kMapping300).c_str(), 0444), 0);
  ASSERT_EQ(chmod(run_directory().c_str(), 0777), 0);
  child_options options;
  options.as_nobody = !testing_windows_build();
  const child_result result = run({"300"}, options);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, not_found_message("300.cp"));
  EXPECT_EQ(read_file(path(kMapping300)), "old");
  EXPECT_EQ(files().size(), 2u);
}

TEST_F(TabulorTest, KeepsTheModeAndOwnerOfAReplacedFile) {
  TABULOR_POSIX_ONLY();
  write_file(path("300.cp"), kSmallTable);
  write_file(path(kMapping300), "old");
  ASSERT_EQ(chmod(path(kMapping300).c_str(), 0640), 0);
  // Root may give the new file the old one's owner; others cannot.
  const uid_t owner = geteuid() == 0 ? kNobody : geteuid();
  ASSERT_EQ(chown(path(kMapping300).c_str(), owner, -1), 0);
  EXPECT_EQ(run({"300"}).output, created_message(kMapping300));
  EXPECT_EQ(mode_of(path(kMapping300)), 0640);
  struct stat st;
  ASSERT_EQ(stat(path(kMapping300).c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, owner);
}

TEST_F(TabulorTest, KeepsTheAclAndExtendedAttributesOfAReplacedFile) {
  TABULOR_POSIX_ONLY();
  write_file(path("300.cp"), kSmallTable);
  write_file(path(kMapping300), "old");
  const std::string file = shell_quoted(path(kMapping300));
  if (command_output("setfacl -m u:nobody:r,g::r,m::rw " + file + " && echo ok")
          .empty()) {
    GTEST_SKIP() << "no setfacl, or no ACLs on this file system";
  }
  const std::string value = "kept \x01 as it was";
  if (setxattr(path(kMapping300).c_str(), "user.tabulor", value.data(),
               value.size(), 0) != 0) {
    GTEST_SKIP() << "no user extended attributes on this file system";
  }
  const std::string acl = command_output("getfacl -c " + file);
  ASSERT_NE(acl.find("user:nobody:r--"), std::string::npos) << acl;

  EXPECT_EQ(run({"300"}).output, created_message(kMapping300));
  EXPECT_TRUE(same_bytes(mapping_with("300", kSmallCharmap),
                         read_file(path(kMapping300))));
  EXPECT_EQ(command_output("getfacl -c " + file), acl);
  char got[64] = {};
  EXPECT_EQ(
      getxattr(path(kMapping300).c_str(), "user.tabulor", got, sizeof got),
      static_cast<ssize_t>(value.size()));
  EXPECT_EQ(std::string(got, value.size()), value);
}

TEST_F(TabulorTest, KeepsAReplacedFileWithoutAnAclWithoutOne) {
  TABULOR_POSIX_ONLY();
  // The directory's default ACL goes to every new file, the temporary one
  // too; the file it replaces had no ACL, and keeps having none.
  write_file(path("300.cp"), kSmallTable);
  write_file(path(kMapping300), "old");
  ASSERT_EQ(chmod(path(kMapping300).c_str(), 0640), 0);
  if (command_output("setfacl -d -m u:nobody:rwx " +
                     shell_quoted(run_directory()) + " && echo ok")
          .empty()) {
    GTEST_SKIP() << "no setfacl, or no ACLs on this file system";
  }
  EXPECT_EQ(run({"300"}).output, created_message(kMapping300));
  char acl[256];
  EXPECT_LT(getxattr(path(kMapping300).c_str(), "system.posix_acl_access", acl,
                     sizeof acl),
            0);
  EXPECT_EQ(errno, ENODATA);
  EXPECT_EQ(mode_of(path(kMapping300)), 0640);
}

TEST_F(TabulorTest, GivesANewMappingFileTheModeOfTheUmask) {
  TABULOR_POSIX_ONLY();
  write_file(path("300.cp"), kSmallTable);
  child_options options;
  options.umask = 027;
  EXPECT_EQ(run({"300"}, options).status, 0);
  EXPECT_EQ(mode_of(path(kMapping300)), 0640);
}

TEST_F(TabulorTest, WritesThroughSymbolicLinksAndKeepsThem) {
  TABULOR_POSIX_ONLY();
  write_file(path("300.cp"), kSmallTable);
  ASSERT_EQ(mkdir(path("store").c_str(), 0755), 0);
  write_file(path("store/real.ucm"), "old");
  const struct {
    const char* name;
    const char* link;    // what the mapping name links to
    const char* target;  // the file that gets the content
  } cases[] = {
      {"a link to a file", "store/real.ucm", "store/real.ucm"},
      {"a dangling link", "store/new.ucm", "store/new.ucm"},
      {"a chain of links", "chain", "store/chained.ucm"},
  };
  ASSERT_EQ(symlink("store/chained.ucm", path("chain").c_str()), 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    unlink(path(kMapping300).c_str());
    ASSERT_EQ(symlink(c.link, path(kMapping300).c_str()), 0);
    EXPECT_EQ(run({"300"}).output, created_message(kMapping300));
    struct stat st;
    ASSERT_EQ(lstat(path(kMapping300).c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_TRUE(same_bytes(mapping_with("300", kSmallCharmap),
                           read_file(path(c.target))));
  }
  EXPECT_EQ(files("store"),
            (std::set<std::string>{"chained.ucm", "new.ucm", "real.ucm"}));
}

TEST_F(TabulorTest, RefusesALinkLoopOrALinkIntoAMissingDirectory) {
  TABULOR_POSIX_ONLY();
  write_file(path("300.cp"), kSmallTable);
  for (const char* link : {kMapping300.c_str(), "missing/new.ucm"}) {
    SCOPED_TRACE(link);
    unlink(path(kMapping300).c_str());
    ASSERT_EQ(symlink(link, path(kMapping300).c_str()), 0);
    const child_result result = run({"300"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, not_found_message("300.cp"));
    EXPECT_EQ(files(), (std::set<std::string>{"300.cp", kMapping300}));
  }
}

TEST_F(TabulorTest, NeverWritesOverTheTable) {
  TABULOR_POSIX_ONLY();
  write_file(path("300.cp"), kSmallTable);
  ASSERT_EQ(mkdir(path("links").c_str(), 0755), 0);
  ASSERT_EQ(symlink("../300.cp", path("links/table").c_str()), 0);
  // A link to the table, a link to a link to it, and a second hard link.
  const std::vector<std::function<int()>> ways = {
      [&] { return symlink("300.cp", path(kMapping300).c_str()); },
      [&] { return symlink("links/table", path(kMapping300).c_str()); },
      [&] { return link(path("300.cp").c_str(), path(kMapping300).c_str()); },
  };
  for (size_t i = 0; i < ways.size(); ++i) {
    SCOPED_TRACE(i);
    unlink(path(kMapping300).c_str());
    ASSERT_EQ(ways[i](), 0);
    const child_result result = run({"300"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, not_found_message("300.cp"));
    EXPECT_EQ(read_file(path("300.cp")), kSmallTable);
    EXPECT_EQ(temporary_file(), "");
  }
}

TEST_F(TabulorTest, WritesADeviceDirectly) {
  TABULOR_POSIX_ONLY();
  // There is no old content to keep, and the device must stay in place.
  write_file(path("300.cp"), kSmallTable);
  ASSERT_EQ(symlink("/dev/null", path(kMapping300).c_str()), 0);
  EXPECT_EQ(run({"300"}).output, created_message(kMapping300));
  struct stat st;
  ASSERT_EQ(stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  EXPECT_EQ(files().size(), 2u);
}

TEST_F(TabulorTest, ReportsAFileSizeLimitAndKeepsTheOldMappingFile) {
  TABULOR_POSIX_ONLY();
  // A real RLIMIT_FSIZE: the write fails with EFBIG part-way through.
  write_file(path("300.cp"), distinct_pairs(5000));
  for (rlim_t limit : {rlim_t{0}, rlim_t{100}, rlim_t{70000}}) {
    SCOPED_TRACE(limit);
    write_file(path(kMapping300), "old");
    child_options options;
    options.file_size_limit = limit;
    const child_result result = run({"300"}, options);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output, not_written_message(kMapping300));
    EXPECT_EQ(read_file(path(kMapping300)), "old");
    EXPECT_EQ(files().size(), 2u);
  }
  // Without the limit the same table converts.
  EXPECT_EQ(run({"300"}).status, 0);
}

TEST_F(TabulorTest, ReportsRunningOutOfMemoryAndKeepsTheOldMappingFile) {
  TABULOR_POSIX_ONLY();
#ifdef TABULOR_SANITIZED
  GTEST_SKIP() << "the sanitizers' shadow memory does not fit the limit";
#endif
  if (testing_emulated_build()) {
    GTEST_SKIP() << "the emulator itself does not fit the limit";
  }
  // A real RLIMIT_AS: the repeat search for three million pairs does not
  // fit in 64 MiB.
  write_file(path("300.cp"), distinct_pairs(3000000));
  write_file(path(kMapping300), "old");
  child_options options;
  options.address_space_limit = rlim_t{64} << 20;
  const child_result result = run({"300"}, options);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.output, not_written_message(kMapping300));
  EXPECT_EQ(read_file(path(kMapping300)), "old");
  EXPECT_EQ(files().size(), 2u);
}

}  // namespace
}  // namespace tabulor

// Runs a program as an ordinary user, for the kernel test's permission case:
//
//   run-as-user UID GID PROGRAM [ARGUMENTS...]
//
// Drops the supplementary groups, then the group, then the user, checks that
// root cannot be regained, and executes PROGRAM. The initramfs has no user
// database, so the ids are given as numbers.
#include <grp.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool parseId(const char* text, unsigned long& id) {
  char* end = nullptr;
  errno = 0;
  id = std::strtoul(text, &end, 10);
  return errno == 0 && end != text && *end == '\0' && id > 0 && id < 65535;
}

}  // namespace

int main(int argc, char** argv) {
  unsigned long uid = 0;
  unsigned long gid = 0;
  if (argc < 4 || !parseId(argv[1], uid) || !parseId(argv[2], gid)) {
    std::fprintf(stderr, "usage: run-as-user UID GID PROGRAM [ARGUMENTS...]\n");
    return 125;
  }
  if (setgroups(0, nullptr) != 0 || setgid(static_cast<gid_t>(gid)) != 0 ||
      setuid(static_cast<uid_t>(uid)) != 0) {
    std::fprintf(stderr, "run-as-user: %s\n", std::strerror(errno));
    return 125;
  }
  if (setuid(0) == 0 || geteuid() != uid || getegid() != gid) {
    std::fprintf(stderr, "run-as-user: the privileges were not dropped\n");
    return 125;
  }
  execv(argv[3], argv + 3);
  std::fprintf(stderr, "run-as-user: %s: %s\n", argv[3], std::strerror(errno));
  return 127;
}

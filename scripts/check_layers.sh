#!/usr/bin/env bash
# One door to the OS, one door to Qt: fails, naming file and line, when
#  - a system header (<unistd.h>, <sys/...>, <fcntl.h>, <dirent.h>, <windows.h>
#    ...), a raw system call written `::open(`, a signal that standard C does
#    not have (SIGHUP, SIGPIPE ...) or a test of the OS in the preprocessor
#    (#ifdef __linux__, _WIN32 ...) appears outside an OS folder of platform/
#    (platform/posix/, platform/linux/, later platform/win32/): the shared platform/*.cpp stay
#    free of it too, so a second OS is a second folder, not a set of #ifdefs;
#  - a header of an OS folder is included from outside platform/;
#  - a Qt header is included outside ui/, or a target outside ui/ links Qt.
# Tests, benchmarks and fuzzers build fake machines and may use the OS
# directly; tests/ui/ drives the window and may include Qt. ui/win32/ is the
# Windows window, whose toolkit is the system's own: it may include the
# Windows headers (but no OS folder of platform/).
#
# Usage: scripts/check_layers.sh [tree]   (default: this checkout)
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# The project's own files: git's list where there is one (so untracked
# build output never counts), else every file outside the build folders.
list_files() {
  if command -v git >/dev/null && git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files --cached --others --exclude-standard -- "$@"
  else
    local names=() p
    for p in "$@"; do names+=(-o -name "${p##*/}"); done
    find . \( -path ./build -o -path ./.cache -o -path ./.git \) -prune -o -type f \( "${names[@]:1}" \) -print |
      sed 's|^\./||'
  fi | sort -u
}
mapfile -t sources < <(list_files '*.cpp' '*.cc' '*.h' '*.hpp' '*.inc')
mapfile -t cmake_files < <(list_files '*CMakeLists.txt' '*.cmake')

CHECK_CMAKE_FILES="$(printf '%s\n' "${cmake_files[@]}")" perl -e '
  use strict;
  use warnings;
  my $failed = 0;
  sub report { my ($file, $line, $what) = @_; print "$file:$line: $what\n"; $failed = 1; }

  my $os_header = qr{^\s*\#\s*include\s*<(
      (?:sys|linux|asm|asm-generic|bits|netinet|arpa|net|scsi|mtd)/[^>]+
    | (?:unistd|fcntl|dirent|termios|poll|pthread|dlfcn|pwd|grp|spawn|syscall|sched|iconv
       |ifaddrs|libgen|glob|fnmatch|ftw|fts|mntent|utime|utmp|semaphore|aio|netdb|syslog
       |paths|malloc|alloca|err|wordexp|langinfo|nl_types|mqueue)\.h
    | (?i:windows|winbase|winnt|windef|winioctl|winsock2|ws2tcpip|iphlpapi|shlobj|shellapi
       |io|direct|process|tlhelp32|psapi|fileapi|handleapi)\.h
  )>}x;
  my $os_call = qr{(?<![\w>.])::(
      open|openat|creat|close|read|write|pread|pwrite|readv|writev|lseek|dup|dup2|dup3|pipe|pipe2
    | unlink|unlinkat|rmdir|rename|renameat|renameat2|mkdir|mkdirat|link|linkat|symlink|symlinkat
    | readlink|readlinkat|realpath|truncate|ftruncate|chmod|fchmod|fchmodat|chown|fchown|lchown
    | stat|lstat|fstat|fstatat|statx|statfs|fstatfs|statvfs|fstatvfs|access|faccessat|utimensat|futimens
    | fsync|fdatasync|sync|syncfs|flock|fcntl|ioctl|mmap|munmap|opendir|fdopendir|readdir|closedir
    | getdents64|copy_file_range|sendfile|isatty|fork|vfork|execv|execve|execvp|waitpid|kill
    | getpid|getppid|getuid|geteuid|setuid|seteuid|getgid|setgid|setegid|sigaction|sigprocmask
    | chdir|fchdir|getcwd|umask|uname|sysconf|pathconf|clock_gettime|nanosleep|usleep|sleep
    | localtime_r|gmtime_r|tzset|popen|pclose|iconv_open|iconv|iconv_close|getifaddrs
  )\s*\(}x;
  my $posix_signal = qr{\bSIG(HUP|PIPE|QUIT|KILL|USR1|USR2|ALRM|CHLD|CONT|STOP|TSTP|TTIN|TTOU|BUS|TRAP|WINCH|XFSZ|XCPU|IO|PROF|SYS|URG|VTALRM|POLL|PWR|STKFLT)\b};
  my $os_ifdef = qr{^\s*#\s*(?:if|ifdef|ifndef|elif)\b.*\b(__linux__|__linux|linux|__unix__|__unix|unix|_WIN32|_WIN64|WIN32|_MSC_VER|__APPLE__|__MACH__|__FreeBSD__|__CYGWIN__|__MINGW32__|_POSIX_VERSION)\b};
  my $qt_header = qr{^\s*#\s*include\s*[<"](Q[A-Z]\w*|Qt\w*/[^>"]*)[>"]};
  my $os_internal = qr{^\s*#\s*include\s*"(platform/[a-z0-9_]+/[^"]+)"};

  my @cmake = grep { $_ ne "" } split /\n/, $ENV{CHECK_CMAKE_FILES} // "";
  for my $file (@ARGV) {
    my $in_os_folder = $file =~ m{^platform/[a-z0-9_]+/};
    my $in_platform = $file =~ m{^platform/};
    my $free = $file =~ m{^(tests|bench|fuzz)/};
    my $win_ui = $file =~ m{^ui/win32/};
    my $may_qt = $file =~ m{^(ui|tests/ui)/};
    open(my $fh, "<", $file) or die "$file: $!\n";
    local $/;
    my $text = <$fh>;
    close $fh;
    my @lines = split /\n/, $text, -1;
    my $in_block = 0;
    for my $i (0 .. $#lines) {
      my $line = $lines[$i];
      my $n = $i + 1;
      # Includes and preprocessor tests are matched on the raw line.
      if (!$in_os_folder && !$free) {
        report($file, $n, "system header <$1> outside an OS folder of platform/") if !$win_ui && $line =~ $os_header;
        report($file, $n, "preprocessor test of the OS ($1) outside an OS folder of platform/") if $line =~ $os_ifdef;
      }
      if (!$in_platform && !$free && $line =~ $os_internal) {
        report($file, $n, "\"$1\" is internal to platform/");
      }
      if (!$may_qt && $line =~ $qt_header) {
        report($file, $n, "Qt header <$1> outside ui/");
      }
      next if $in_os_folder || $free;
      # Calls and signal names: on the code only, without comments and text.
      my $code = $line;
      if ($in_block) {
        if ($code =~ s{^.*?\*/}{}) { $in_block = 0; } else { next; }
      }
      $code =~ s{"(?:\\.|[^"\\])*"}{""}g;
      $code =~ s{\x27(?:\\.|[^\x27\\])*\x27}{\x27\x27}g;
      $code =~ s{/\*.*?\*/}{}g;
      $code =~ s{//.*$}{};
      if ($code =~ s{/\*.*$}{}) { $in_block = 1; }
      report($file, $n, "system call ::$1( outside an OS folder of platform/") if $code =~ $os_call;
      report($file, $n, "signal SIG$1, which standard C does not have, outside an OS folder of platform/")
        if $code =~ $posix_signal;
    }
  }
  for my $file (@cmake) {
    next if $file =~ m{^(ui|tests)/} || $file eq "CMakeLists.txt";
    open(my $fh, "<", $file) or die "$file: $!\n";
    my $n = 0;
    while (my $line = <$fh>) {
      ++$n;
      $line =~ s/#.*//;
      report($file, $n, "links Qt outside ui/") if $line =~ /\bQt6?::/;
    }
    close $fh;
  }
  print STDERR "layer check failed: the OS only in an OS folder of platform/, Qt only in ui/\n" if $failed;
  exit $failed;
' "${sources[@]}"

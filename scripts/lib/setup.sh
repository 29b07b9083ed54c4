# Shared set-up for the README's commands: sourced, not run.
# Installs the Debian packages a step needs, when any of them is missing.
frixa_need_packages() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  ((${#missing[@]} == 0)) && return 0
  echo "== installing: ${missing[*]}"
  local sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Per step, the packages of every command it calls. On Debian 12 the `wine` command (and the
# wineserver and wineboot links) come from the package wine, which brings wine64 along;
# fonts-wine gives Wine its own MS Sans Serif, in which the windows' texts measure as on
# Windows (without it Wine falls back to a wider font and labels wrap). groff's PDF device is
# in groff, not groff-base; mdbtools, poppler-utils, qpdf and clang's fuzzer runtime serve the checks.
FRIXA_NATIVE_PACKAGES=(cmake ninja-build g++ make googletest libgtest-dev libbenchmark-dev zlib1g-dev)
FRIXA_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
                        binutils-mingw-w64-i686 wine wine64 fonts-wine xvfb xauth groff unzip)
FRIXA_CHECK_PACKAGES=(mdbtools clang libclang-rt-14-dev poppler-utils qpdf util-linux coreutils diffutils)
FRIXA_SCREENSHOT_PACKAGES=(xdotool imagemagick)

# The commands scripts/test and the tests it runs call, each with the package that puts it on
# PATH ("command package").
FRIXA_TEST_COMMANDS=(
  "cmake cmake" "ctest cmake" "cpack cmake" "ninja ninja-build" "g++ g++"
  "x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix"
  "i686-w64-mingw32-g++-posix g++-mingw-w64-i686-posix"
  "x86_64-w64-mingw32-windres binutils-mingw-w64-x86-64"
  "i686-w64-mingw32-windres binutils-mingw-w64-i686"
  "wine wine" "wineserver wine" "wineboot wine" "xvfb-run xvfb" "Xvfb xvfb" "xauth xauth"
  "groff groff-base" "gropdf groff" "unzip unzip" "pdftotext poppler-utils" "qpdf qpdf"
  "mdb-ver mdbtools" "mdb-tables mdbtools" "mdb-schema mdbtools" "mdb-count mdbtools"
  "mdb-export mdbtools" "mdb-json mdbtools" "mdb-prop mdbtools"
  "clang clang" "clang++ clang" "timeout coreutils" "setpriv util-linux" "cmp diffutils"
)
FRIXA_SCREENSHOT_COMMANDS=("xdotool xdotool" "import imagemagick" "convert imagemagick")

# Checks that each "command package" pair's command is on PATH; names every one that is not,
# with its package, and fails if any is missing.
frixa_check_commands() {
  local pair cmd pkg missing=0
  for pair in "$@"; do
    read -r cmd pkg <<<"$pair"
    if ! command -v "$cmd" >/dev/null 2>&1; then
      echo "missing command: $cmd (Debian package $pkg)" >&2
      missing=1
    fi
  done
  return $missing
}

frixa_jobs() { nproc 2>/dev/null || echo 2; }

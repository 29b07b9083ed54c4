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

FRIXA_NATIVE_PACKAGES=(cmake ninja-build g++ make googletest libgtest-dev libbenchmark-dev)
FRIXA_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64
                        binutils-mingw-w64-i686 wine64 xvfb xauth groff unzip)
FRIXA_CHECK_PACKAGES=(mdbtools clang libclang-rt-14-dev poppler-utils)

frixa_jobs() { nproc 2>/dev/null || echo 2; }

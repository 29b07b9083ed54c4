# Shared Wine settings for the scripts: sourced, not run.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
export WINEARCH=win64
: "${FRIXA_ROOT:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
export WINEPREFIX=${WINEPREFIX:-"$FRIXA_ROOT/build/wineprefix"}

# Creates the private prefix once (about 15 s), turns Wine's crash dialog off and gives it
# Wine's own fonts.
frixa_wine_prefix() {
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1 || true
    wineserver -w 2>/dev/null || true
    # No "program error" dialog: a crashing test must fail, not wait for a click.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
  fi
  frixa_wine_fonts >&2 || true
  echo "$WINEPREFIX"
}

# Wine's own fonts (package fonts-wine), MS Sans Serif among them, which the windows are laid
# out for. Debian's Wine looks for the system's bitmap fonts in the prefix's Fonts folder only,
# so they are copied there (each once); without them it draws a wider stand-in. Fails, saying
# so, when the fonts are not installed.
frixa_wine_fonts() {
  local from=/usr/share/wine/fonts
  if [[ ! -f $from/sserife.fon ]]; then
    echo "Wine's MS Sans Serif ($from/sserife.fon) is missing: install fonts-wine" >&2
    return 1
  fi
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp -n "$from"/* "$WINEPREFIX/drive_c/windows/Fonts/"
}

# Keeps one wineserver up while many test processes run (each start then costs ~70 ms, not 3 s).
# Wine's background processes (services, devices) start with the first program of a session
# and inherit its output; started here with the output elsewhere, they cannot hold the pipe of
# a test runner open, which would wait for them to end.
frixa_wineserver_up() {
  frixa_wine_prefix >/dev/null
  wineserver -p 2>/dev/null || true
  wineboot >/dev/null 2>&1 </dev/null || true
}
frixa_wineserver_down() { wineserver -k 2>/dev/null || true; }

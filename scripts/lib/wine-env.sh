# Shared Wine settings for the scripts: sourced, not run.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
export WINEARCH=win64
: "${FRIXA_ROOT:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
export WINEPREFIX=${WINEPREFIX:-"$FRIXA_ROOT/build/wineprefix"}

# Creates the private prefix once (about 15 s) and turns Wine's crash dialog off.
frixa_wine_prefix() {
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1 || true
    wineserver -w 2>/dev/null || true
    # No "program error" dialog: a crashing test must fail, not wait for a click.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
  fi
  echo "$WINEPREFIX"
}

# Wine's own MS Sans Serif (package fonts-wine), which the windows are laid out for: Wine finds
# it in its data folder. Fails, saying so, when it is not there.
frixa_wine_fonts_check() {
  if [[ ! -f /usr/share/wine/fonts/sserife.fon ]]; then
    echo "Wine's MS Sans Serif (/usr/share/wine/fonts/sserife.fon) is missing: install fonts-wine" >&2
    return 1
  fi
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

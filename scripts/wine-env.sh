# Sourced by ./kel: one Wine prefix and one Xvfb display for a whole test run. kel_wine_start
# starts what is missing and records what it started; kel_wine_stop ends exactly that.
# The prefix lives in the build tree and is made once (wineboot takes ~10 s); later runs reuse it.

kel_wine_start() {
    export WINEPREFIX="${KEL_WINEPREFIX:-$KEL_ROOT/build/wineprefix}"
    export WINEDEBUG="${WINEDEBUG:--all}"
    # No Mono or Gecko install prompts: the tests need neither.
    export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
    KEL_STARTED_XVFB=""
    if [ -z "${DISPLAY:-}" ]; then
        local n=90
        while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        KEL_STARTED_XVFB=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        echo "kel: creating the Wine test prefix $WINEPREFIX" >&2
        wineboot -i >/dev/null 2>&1 || true
        # Xvfb runs no window manager: unmanaged windows close at once instead of after Wine's
        # two-second wait for a manager that never answers.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
        wineserver -w
    fi
    # A server already running for this prefix (from an earlier run) is reused.
    wineserver -p 2>/dev/null || true
    # Start Wine's background processes (services, explorer) now, detached from every pipe: when
    # a test's first program starts them instead, they inherit its output pipe and the test
    # runner waits for that pipe to close until its time-out.
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

kel_wine_stop() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
    if [ -n "${KEL_STARTED_XVFB:-}" ]; then
        kill "$KEL_STARTED_XVFB" 2>/dev/null || true
        wait "$KEL_STARTED_XVFB" 2>/dev/null || true
    fi
}

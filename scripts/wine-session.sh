# Sourced by the scripts that run Windows programs: a private Wine prefix, a
# private virtual display and the loopback servers, all removed on exit.
#   wine_session_start          prefix + display (exports WINEPREFIX, DISPLAY)
#   start_server NAME ARGS...   runs tests/servers/NAME.py on a free port and
#                               sets NAME_PORT (upper case) to that port
#   start_receiver ARGS...      runs the reference receiver (receiver/) on a
#                               free port, storing under a fresh folder of the
#                               session; sets RECEIVER_PORT, RECEIVER_ROOT (the
#                               storage folder) and RECEIVER_LOG (its log, a
#                               line per request); ARGS are receiver options
#   start_named_receiver NAME ARGS...  one more receiver beside it, with
#                               NAME_PORT, NAME_ROOT and NAME_LOG (NAME in
#                               capitals, e.g. SLOW_RECEIVER)
#   run_wine SECONDS ARGS...    wine with a time limit
#   wait_for_line LOG PID TEXT  waits until the file LOG holds TEXT; fails when
#                               process PID ends first or after a minute
#   screenshot TITLE PICTURE    saves the top-level window of the page host
#                               whose title holds TITLE as the file PICTURE
#   require_programs DIR NAME...  stops the script unless DIR holds NAME.exe
#                               for each NAME (programs of the x64 build)
#   mount_small_disk NAME OPTS  mounts a small tmpfs (mount -o OPTS, e.g.
#                               size=1m) at $SESSION_DIR/NAME; where this
#                               machine does not allow it, fails and leaves
#                               the reason in MOUNT_REFUSAL
# Everything started here ends when the calling shell exits, and every disk
# mounted here is unmounted.

CORVELA_ROOT=${CORVELA_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
SESSION_DIR=""
SESSION_PIDS=()
SESSION_MOUNTS=()

wine_session_cleanup() {
    local status=$?
    if [ -n "${WINEPREFIX:-}" ]; then
        WINEPREFIX=$WINEPREFIX timeout 20 wineserver -k 2>/dev/null || true
        WINEPREFIX=$WINEPREFIX timeout 20 wineserver -w 2>/dev/null || true
    fi
    for pid in "${SESSION_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    # Before the folder goes: a mounted disk must never keep it, or lose what is below it.
    for mounted in "${SESSION_MOUNTS[@]}"; do umount "$mounted" 2>/dev/null || umount -l "$mounted" || true; done
    [ -n "$SESSION_DIR" ] && [ -z "${CORVELA_KEEP_SESSION:-}" ] && rm -rf "$SESSION_DIR"
    return $status
}

wine_session_start() {
    SESSION_DIR=$(mktemp -d /tmp/corvela-session.XXXXXX)
    trap wine_session_cleanup EXIT
    trap 'exit 130' INT TERM

    local display
    for display in $(seq 90 140); do
        [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] || break
    done
    Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp > "$SESSION_DIR/xvfb.log" 2>&1 &
    SESSION_PIDS+=($!)
    export DISPLAY=":$display"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

    export WINEPREFIX="$SESSION_DIR/prefix"
    export WINEARCH=win64
    export WINEDEBUG=${WINEDEBUG:--all}
    # No Mono or Gecko downloads: nothing here needs them and the network is closed.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    timeout 120 wineboot -i > "$SESSION_DIR/wineboot.log" 2>&1
    # No window manager runs on the virtual display: windows that Wine leaves
    # unmanaged appear and go at once instead of waiting for one.
    timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f > /dev/null 2>&1
    # A program that crashes prints its backtrace and ends; no crash dialog
    # waits for a click that never comes.
    timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f > /dev/null 2>&1
    link_korean_font
    link_caption_font
    timeout 60 wineserver -w
}

# Texts in Korean need a font with Hangul: the dialog and caption fonts are
# drawn with Nanum Gothic, which carries Latin and Hangul letters alike.
link_korean_font() {
    local font=/usr/share/fonts/truetype/nanum/NanumGothic.ttf
    [ -f "$font" ] || return 0
    cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
    local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
    local face
    for face in "Tahoma" "MS Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" "돋움"; do
        timeout 60 wine reg add "$key" /v "$face" /d 'NanumGothic' /f > /dev/null 2>&1
    done
}

# Window captions draw their buttons with Marlett, which Wine ships as a
# data font the prefix does not find by itself.
link_caption_font() {
    local font=/usr/share/wine/fonts/marlett.ttf
    [ -f "$font" ] && cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
    return 0
}

# Waits for a server started in the background to write its port file.
await_port_file() {
    local name=$1 port_file=$2 log=$3
    for _ in $(seq 200); do [ -s "$port_file" ] && return 0; sleep 0.05; done
    echo "server $name did not start"; cat "$log"; return 1
}

start_server() {
    local name=$1; shift
    local port_file="$SESSION_DIR/$name.port"
    python3 "$CORVELA_ROOT/tests/servers/$name.py" --port 0 --port-file "$port_file" "$@" \
        > "$SESSION_DIR/$name.log" 2>&1 &
    SESSION_PIDS+=($!)
    await_port_file "$name" "$port_file" "$SESSION_DIR/$name.log" || return 1
    local variable
    variable="$(echo "$name" | tr '[:lower:]-' '[:upper:]_')_PORT"
    export "$variable=$(cat "$port_file")"
}

start_receiver() {
    start_named_receiver RECEIVER "$@"
}

start_named_receiver() {
    local name=$1; shift
    local base; base=$(echo "$name" | tr '[:upper:]_' '[:lower:]-')
    local port_file="$SESSION_DIR/$base.port"
    local root="$SESSION_DIR/${base%receiver}received" log="$SESSION_DIR/$base.log"
    mkdir -p "$root"
    PYTHONPATH="$CORVELA_ROOT/receiver" python3 -m corvela_receiver --root "$root" \
        --port 0 --port-file "$port_file" "$@" > "$log" 2>&1 &
    SESSION_PIDS+=($!)
    await_port_file "$base" "$port_file" "$log" || return 1
    export "${name}_ROOT=$root" "${name}_LOG=$log" "${name}_PORT=$(cat "$port_file")"
}

mount_small_disk() {
    local name=$1 options=$2 folder="$SESSION_DIR/$1"
    mkdir -p "$folder"
    if [ "$(id -u)" != 0 ]; then
        MOUNT_REFUSAL="mounting a disk needs root"
        return 1
    fi
    if ! MOUNT_REFUSAL=$(mount -t tmpfs -o "$options" "corvela-$name" "$folder" 2>&1); then
        MOUNT_REFUSAL="mount refused: ${MOUNT_REFUSAL:-no reason given}"
        return 1
    fi
    SESSION_MOUNTS+=("$folder")
}

require_programs() {
    local dir=$1 program; shift
    for program in "$@"; do
        [ -x "$dir/$program.exe" ] || { echo "missing $dir/$program.exe: build the x64 tree first"; exit 1; }
    done
}

run_wine() {
    local seconds=$1; shift
    timeout --kill-after=10 "$seconds" wine "$@"
}

wait_for_line() {
    local log=$1 pid=$2 text=$3
    for _ in $(seq 600); do
        grep -qsF -- "$text" "$log" && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

screenshot() {
    local title=$1 picture=$2 window
    window=$(xwininfo -root -tree | grep -F '("corvela-host.exe"' | grep -F -- "$title" | head -1 | awk '{print $1}')
    if [ -n "$window" ] && import -window "$window" "$picture" 2>/dev/null; then
        echo "== screenshot: $picture"
    else
        echo "== no window titled \"$title\" to take $picture from"
        return 1
    fi
}

# A Linux path as Wine's Windows programs see it.
windows_path() {
    echo "Z:$(realpath "$1" | tr '/' '\\')"
}
